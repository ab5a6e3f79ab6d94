#pragma once
// Locators that learn from the registry where a component keeps its folder, and leave the
// result (without a trailing backslash) in the item's location.

#include <string>

#include "platform/Platform.h"

namespace tidy::app {
struct RunState;
}

namespace tidy::catalogue {

// The key of NetFront 3.2's preferences: that edition files them under the vendor's web domain.
extern const char16_t kNetFront32PrefsKey[];

// The value's text with one trailing backslash removed, or empty when the key cannot be opened
// or the value is absent (or not text). `found`, when given, tells an absent value from an
// empty one.
std::u16string ReadFolderValue(app::RunState& run, platform::HKey root,
                               const std::u16string& subkey, const std::u16string& name,
                               bool* found = nullptr);

void LocateVolatileFolder(app::RunState& run);
void LocateSpbTravelerCache(app::RunState& run);
void LocateSkyBookCache(app::RunState& run);
void LocateLargeMail(app::RunState& run);
void LocateMailAttachments(app::RunState& run);
void LocateVirtualEarthCache(app::RunState& run);
void LocateNetFrontCache(app::RunState& run);
void LocateCustomFolders(app::RunState& run);

// Opera Mobile's installation folder without a trailing backslash, or empty.
std::u16string GetOperaInstallFolder(app::RunState& run);

}  // namespace tidy::catalogue
