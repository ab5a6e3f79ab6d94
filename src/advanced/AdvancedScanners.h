#pragma once
// The Advanced cleaner's finders and removers for dead input methods, dead shortcuts and the
// leftovers of uninstalled software. Every finder rebuilds its list from scratch; every remover
// runs its finder first and asks the user before each deletion.

#include <string>
#include <vector>

namespace tidy::app {
struct RunState;
}

namespace tidy::advanced {

enum class ShortcutFolder { StartMenu, StartUp };

// Fills the advanced item table, locates the module's folders and lists the storage cards.
void InitAdvanced(app::RunState& run);
// The Windows, Start Menu and StartUp folders from the platform; a failed answer keeps the old.
void LocateAdvancedFolders(app::RunState& run);
// Empties the table, the card list, every result list and the current theme name.
void ResetAdvanced(app::RunState& run);

// Dead input methods.
bool IsKeptSipName(const std::u16string& name);
void ScanDeadSips(app::RunState& run);
int CountDeadSips(app::RunState& run);
void CleanDeadSips(app::RunState& run);

// Dead shortcuts.
bool IsShortcutAlive(app::RunState& run, const std::u16string& path);
void ScanDeadShortcuts(app::RunState& run, const std::u16string& folder,
                       std::vector<std::u16string>& list);
int CountDeadShortcuts(app::RunState& run, ShortcutFolder which);
void CleanDeadShortcuts(app::RunState& run, ShortcutFolder which);

// Setup folders left in the AppMgr folder.
bool HasLeftoverSetupFiles(app::RunState& run, const std::u16string& name);
bool HasInstallRecord(app::RunState& run, const std::u16string& name);
int ScanBadUninstallFiles(app::RunState& run);
void RemoveSetupFolder(app::RunState& run, const std::u16string& name);
void CleanBadUninstallFiles(app::RunState& run);

// Uninstall keys of software that is gone.
bool HasUnloadFile(app::RunState& run, const std::u16string& name);
int ScanBadUninstallRegistry(app::RunState& run);
void CleanBadUninstallRegistry(app::RunState& run);

// True for a name that can stand as one registry key name: not empty, no backslash, not "." or
// "..". Names the device hands us are checked before they are joined to a key path or a file
// path, so a strange entry can never reach beyond the key or folder it was found in.
bool IsPlainName(const std::u16string& name);
// The same for one component of a file path: also no '/' (a separator too) and no wildcard.
bool IsPathComponent(const std::u16string& name);

// Asks a Yes/No question owned by the application; true only for Yes.
bool AskYesNo(app::RunState& run, const std::u16string& question);

}  // namespace tidy::advanced
