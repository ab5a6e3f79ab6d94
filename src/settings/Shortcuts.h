#pragma once
// Shortcuts that start the program in a special mode: Express Mode (-e) and Soft Reset (-x),
// made where the user picks in the Save Shortcut dialog, and the start-up shortcut (-s) in the
// device's StartUp folder, which is what "Auto clean on Start Up" switches.

#include <string>
#include <vector>

namespace tidy::app {
struct RunState;
}

namespace tidy::settings {

inline constexpr char16_t kExpressShortcutName[] = u"Tidymatic Express.lnk";
inline constexpr char16_t kSoftResetShortcutName[] = u"Reboot.lnk";
inline constexpr char16_t kStartupShortcutName[] = u"Tidymatic Startup.lnk";

enum class ShortcutKind { Express, SoftReset };

// Target strings: the quoted program path and the switch; the Soft Reset target also names
// the program's soft-reset icon (icon group 150).
std::u16string ExpressTarget(const std::u16string& programPath);
std::u16string SoftResetTarget(const std::u16string& programPath);
std::u16string StartupTarget(const std::u16string& programPath);

// A message box owned by the application, captioned "Tidymatic"; 0 when there is no user
// interface.
int ShowAppMessage(app::RunState& run, const std::u16string& text, unsigned type);

// ---- Express Mode and Soft Reset shortcuts.

// The handlers of "Create Shortcut" > "Express Mode" (32789) and "Soft Reset" (32797): ask
// where with the Save Shortcut dialog, then write the shortcut and report.
void CreateExpressShortcut(app::RunState& run);
void CreateSoftResetShortcut(app::RunState& run);

// Writes the shortcut of kind at path, replacing a file there, and tells the user.
bool WriteProgramShortcut(app::RunState& run, ShortcutKind kind, const std::u16string& path);

// The Start Menu and Programs folders the Save Shortcut dialog offers (trailing backslash).
struct ShortcutFolders {
    std::u16string startMenu;
    std::u16string programs;
};
ShortcutFolders LookupShortcutFolders(app::RunState& run);

// Adds every folder below folder, at any depth, to list as a path relative to programs; each
// goes before the first element greater than it ignoring case, so the list stays sorted and a
// folder comes before its subfolders. folder and programs end in a backslash.
void CollectProgramSubfolders(app::RunState& run, const std::u16string& programs,
                              const std::u16string& folder, std::vector<std::u16string>& list);

// The path the Save Shortcut dialog gives for the selected location: item 0 the Start Menu,
// item 1 the Programs folder, later items a Programs subfolder; empty when nothing is selected.
std::u16string ShortcutResultPath(const ShortcutFolders& folders, int selected,
                                  const std::u16string& selectedText,
                                  const std::u16string& fileName);

// ---- The start-up shortcut, in the StartUp folder the Options dialog looked up.

// Creates it (replacing a file of that name); on success says so and sets the start-up state on.
bool EnableStartupEntry(app::RunState& run);
// Deletes it; on success says so and sets the start-up state off.
bool DisableStartupEntry(app::RunState& run);
// Sets the start-up state from the StartUp folder. A start-up shortcut that is not this
// program's is removed, with the leftover "boot.exe" of the program folder.
void ReadStartupEntryState(app::RunState& run);

}  // namespace tidy::settings
