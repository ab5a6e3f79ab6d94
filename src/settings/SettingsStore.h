#pragma once
// The program's own values under the current user's "Software\Norvane\Tidymatic".

#include <array>
#include <cstdint>
#include <string>

namespace tidy::app {
struct RunState;
}

namespace tidy::settings {

extern const char16_t kSettingsKey[];  // u"Software\\Norvane\\Tidymatic"

std::u16string BitsToHex(const std::u16string& flags);
std::u16string HexToBits(const std::u16string& stored, size_t minimumLength);

void LoadSelection(app::RunState& run);
void SaveSelection(app::RunState& run);

// Reads a text value of the settings key; false when the key or value cannot be read.
bool ReadSetting(app::RunState& run, const std::u16string& name, std::u16string& value);
// Writes a text value (create or open, write, flush, close); false when the key cannot be made.
bool WriteSetting(app::RunState& run, const std::u16string& name, const std::u16string& value);

// The MRU Cleaner's tick marks, stored as "MRU" in the same flag encoding.
void LoadMruFlags(app::RunState& run, std::array<int32_t, 8>& flags);
void SaveMruFlags(app::RunState& run, const std::array<int32_t, 8>& flags);

}  // namespace tidy::settings
