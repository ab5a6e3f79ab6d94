#pragma once
// Per-run state: the Advanced cleaner's tables, strings and selection flags.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tidy::advanced {

constexpr int kAdvancedRowCount = 8;

// Rows of the advanced item table, which are also the rows of the Advanced dialog's list.
enum AdvancedRow : int {
    kRowThumbsDb = 0,
    kRowDesktopIni = 1,
    kRowBadTheme = 2,
    kRowBadUninstallRegistry = 3,
    kRowBadUninstallFiles = 4,
    kRowDeadShortcuts = 5,
    kRowStartupPrograms = 6,
    kRowDeadSips = 7,
};

// An input method whose server is gone: its class key ("CLSID\{...}", under the classes root)
// and its display name as stored.
struct DeadSip {
    std::u16string classKey;
    std::u16string displayName;
};

struct AdvancedState {
    // The advanced item table, filled when the dialog opens and emptied when it closes.
    std::vector<std::u16string> itemNames;
    std::vector<std::u16string> itemDescriptions;

    // Folders, each ending in a backslash; they keep their values for the whole run.
    std::u16string windowsFolder = u"\\Windows\\";
    std::u16string startMenuFolder = u"\\Windows\\Start Menu\\";
    std::u16string startupFolder = u"\\Windows\\StartUp\\";
    std::u16string uninstallRoot = u"Software\\Apps";         // under the local machine root
    std::u16string todayKey = u"Software\\Microsoft\\Today";  // under the current user root
    std::u16string currentTheme;

    std::vector<std::u16string> storageCards;  // card folder names

    // One result list per kind of leftover, rebuilt by its finder.
    std::vector<DeadSip> deadSips;
    std::vector<std::u16string> deadStartMenuShortcuts;  // full paths
    std::vector<std::u16string> deadStartupShortcuts;    // full paths
    std::vector<std::u16string> leftoverSetupFolders;    // names in the AppMgr folder
    std::vector<std::u16string> deadUninstallEntries;    // subkey names of the uninstall root
    std::vector<std::u16string> themeKeys;               // subkey names of the Today key
    std::vector<std::u16string> thumbsFiles;             // full paths on the cards
    std::vector<std::u16string> desktopIniFiles;         // full paths on the cards

    // Which rows are to be counted and cleaned; outlives the dialog.
    std::array<int32_t, kAdvancedRowCount> selection{};
};

}  // namespace tidy::advanced
