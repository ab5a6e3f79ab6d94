#pragma once
// Locators that read a browser's own configuration file ("opera.ini", "prefs.js") or search its
// profile folders, and the two single-file items that may sit on a storage card.

#include <string>

namespace tidy::app {
struct RunState;
}

namespace tidy::catalogue {

// Sets the path of "opera.ini" and the Opera cache location.
void LocateOperaFiles(app::RunState& run);
// The cache folder named by the current "opera.ini", one derived from its path, or empty.
std::u16string ReadOperaCacheSetting(app::RunState& run);

void LocateMinimoCache(app::RunState& run);
void LocateFennecCache(app::RunState& run);
// Also run before each measurement and cleaning of their items, to see a card inserted since.
void LocateGoogleMapsCache(app::RunState& run);
void LocateMyPhoneLog(app::RunState& run);

}  // namespace tidy::catalogue
