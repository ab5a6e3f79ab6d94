#pragma once
// The discovery pass: the loading sequence at start-up, the special folders, the storage cards,
// Internet Explorer's folders, every locator in its fixed order and the folder table that the
// engine walks.

#include <string>

namespace tidy::app {
struct RunState;
}

namespace tidy::catalogue {

// Replaces every folder-table entry that must never be walked; no such folder is expected to
// exist, so the item shows "Not Found".
extern const char16_t kJunkFolder[];  // u"\\JunkFolder\\"

// Start-up discovery: catalogue, special folders, storage cards and, unless interactive, every
// folder.
void LoadingSequence(app::RunState& run);
void LocateSpecialFolders(app::RunState& run);
void EnumerateStorageCards(app::RunState& run);
void LocateIEFolders(app::RunState& run);
// Runs every locator and rebuilds the folder table; logs the table once per run.
void LocateAllFolders(app::RunState& run);
void BuildFolderTable(app::RunState& run);
void LogFolderTable(app::RunState& run);

}  // namespace tidy::catalogue
