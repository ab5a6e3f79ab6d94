#pragma once
// The items that are not folders: single files, the Opera Mobile history and cookie files, the
// user's custom files, and the registry lists and counter; plus two services of the main list
// (opening an item's folder, the pause before a clean).

#include <cstdint>
#include <string>

namespace tidy::app {
struct RunState;
}

namespace tidy::clean {

// Size cells of items 22 to 27 ("Not Found" or a size text).
std::u16string MeasureGoogleMaps(app::RunState& run);
std::u16string MeasureMyPhoneLog(app::RunState& run);
std::u16string MeasureWindowsLiveLog(app::RunState& run);
std::u16string MeasureOperaHistory(app::RunState& run);
std::u16string MeasureOperaCookies(app::RunState& run);
std::u16string MeasureCustomFiles(app::RunState& run);

// Counts of items 28 to 30. Counting the recent programs empties entries whose program is gone.
int32_t CountRecentPrograms(app::RunState& run);
int32_t CountInternetAddresses(app::RunState& run);
int32_t ReadBootCount(app::RunState& run);

void CleanOperaHistory(app::RunState& run);
void CleanOperaCookies(app::RunState& run);
void CleanCustomFiles(app::RunState& run);
// Launches twelve throw-away shortcuts to the program (with "-r") so the shell's list of recent
// programs fills with them, then removes them. False when the shortcuts could not be made.
bool OverwriteRecentPrograms(app::RunState& run);
void ClearRecentPrograms(app::RunState& run);
// True when at least one address was removed.
bool ClearInternetAddresses(app::RunState& run);
void ResetBootCount(app::RunState& run);

// The folder that holds the Opera Mobile history and cookie files ("\Temp\Opera\" for the cache
// "\Temp\Opera\cache4"); empty when the cache location has no parent folder.
std::u16string OperaProfileFolder(const app::RunState& run);

// Fills the custom pattern list from "files.dat"; run by the discovery pass.
void LoadCustomPatterns(app::RunState& run);
// Rebuilds the matched file list from the custom pattern list.
void MatchCustomFiles(app::RunState& run);

void OpenItemFolder(app::RunState& run, int item);
void OpenFolderInExplorer(app::RunState& run, const std::u16string& folder);
void PauseWithWaitCursor(app::RunState& run);

}  // namespace tidy::clean
