#pragma once
// Leftovers of themes no longer in use (subkeys of the Today key) and the thumbs.db and
// desktop.ini files on the storage cards. These are removed without a question.

#include <string>

namespace tidy::app {
struct RunState;
}

namespace tidy::advanced {

// The current theme's file name from the Today key's "Skin" value.
void ReadCurrentTheme(app::RunState& run);
int ScanBadThemeKeys(app::RunState& run);
int CountBadThemeKeys(app::RunState& run);
void CleanBadThemeKeys(app::RunState& run);

// Collects every file called name ("thumbs.db" or "desktop.ini") below folder (ending in a
// backslash) into its list; false when the folder was not searched or could not be listed.
bool FindCardFiles(app::RunState& run, const std::u16string& folder, const std::u16string& name);
// Both names in one walk.
bool FindCardFilesBoth(app::RunState& run, const std::u16string& folder);
// The total size of the files called name on every card, as a size text.
std::u16string MeasureCardFiles(app::RunState& run, const std::u16string& name);
void CleanCardFiles(app::RunState& run, bool thumbs, bool desktop);

}  // namespace tidy::advanced
