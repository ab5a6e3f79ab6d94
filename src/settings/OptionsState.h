#pragma once
// Per-run state: the Options dialog's working values. They live for the whole run and are
// refreshed each time the dialog opens; only the current cache root and the current custom
// folders keep a value across openings when the registry has none.

#include <array>
#include <string>
#include <vector>

namespace tidy::settings {

struct OptionsState {
    // Special folders as looked up when the dialog last opened (each ends in a backslash).
    std::u16string windowsFolder = u"\\Windows\\";
    std::u16string startupFolder = u"\\Windows\\StartUp\\";
    std::u16string startMenuFolder = u"\\Windows\\Start Menu\\";

    // Storage-card folder names, rebuilt at each opening and emptied when the dialog closes.
    std::vector<std::u16string> storageCards;

    // Where the three Internet Explorer folders live: what the registry says now, and what the
    // cache combo box holds.
    std::u16string currentRoot = u"Windows";
    std::u16string chosenRoot;

    // Mail attachments: the folder "AttachPath" names, its location index and the chosen one
    // (0 internal memory, i >= 1 storage card i - 1).
    std::u16string attachFolder;
    int currentMailIndex = 0;
    int chosenMailIndex = 0;

    // Custom folders 1 to 3: what the edit boxes hold and what the settings key last held.
    std::array<std::u16string, 3> customFolders;
    std::array<std::u16string, 3> savedCustomFolders;

    // The start-up option: known at opening (or after the last Apply), current (check box,
    // updated when the shortcut is made or removed), and whether an Apply switched it.
    bool startupAtOpening = false;
    bool startupCurrent = false;
    bool startupChanged = false;
};

}  // namespace tidy::settings
