#include "settings/SettingsStore.h"

#include <algorithm>

#include "app/RunState.h"
#include "clean/Utilities.h"
#include "platform/Text.h"

namespace tidy::settings {

const char16_t kSettingsKey[] = u"Software\\Norvane\\Tidymatic";

namespace {

constexpr int kSelectionEntries = 31;
constexpr size_t kOptionsMinimum = 32;
constexpr size_t kMruMinimum = 9;

int HexDigitValue(char16_t c) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

}  // namespace

std::u16string BitsToHex(const std::u16string& flags) {
    if (flags.empty()) return std::u16string();
    for (char16_t c : flags) {
        if (c != u'0' && c != u'1') return u"0";
    }
    // Character i is bit i. Built four bits at a time, so a text of any length converts
    // without overflowing a machine number.
    static const char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string out;
    for (size_t base = 0; base < flags.size(); base += 4) {
        int nibble = 0;
        for (size_t b = 0; b < 4 && base + b < flags.size(); ++b) {
            if (flags[base + b] == u'1') nibble |= 1 << b;
        }
        out.push_back(kDigits[nibble]);
    }
    // Least significant digit first so far; drop leading zeros of the number.
    while (out.size() > 1 && out.back() == u'0') out.pop_back();
    std::reverse(out.begin(), out.end());
    return out;
}

std::u16string HexToBits(const std::u16string& stored, size_t minimumLength) {
    // The bit string of the number, most significant bit first, four characters a digit.
    std::u16string bits;
    bits.reserve(stored.size() * 4);
    for (char16_t c : stored) {
        int v = HexDigitValue(c);
        if (v < 0) return std::u16string();
        for (int b = 3; b >= 0; --b) bits.push_back((v >> b) & 1 ? u'1' : u'0');
    }
    if (!bits.empty() && bits.size() < minimumLength) {
        bits.insert(0, minimumLength - bits.size(), u'0');
    }
    std::reverse(bits.begin(), bits.end());
    return bits;
}

bool ReadSetting(app::RunState& run, const std::u16string& name, std::u16string& value) {
    platform::RegKey key(run.platform);
    if (!key.Open(platform::HKEY_CURRENT_USER, kSettingsKey)) return false;
    return clean::ReadRegString(run.platform, key.Handle(), name, value);
}

bool WriteSetting(app::RunState& run, const std::u16string& name, const std::u16string& value) {
    platform::RegKey key(run.platform);
    if (!key.Create(platform::HKEY_CURRENT_USER, kSettingsKey)) return false;
    bool ok = clean::WriteRegString(run.platform, key.Handle(), name, value);
    run.platform.RegFlushKey(key.Handle());
    return ok;
}

void LoadSelection(app::RunState& run) {
    platform::RegKey key(run.platform);
    if (!key.Open(platform::HKEY_CURRENT_USER, kSettingsKey)) return;

    std::u16string stored;
    if (clean::ReadRegString(run.platform, key.Handle(), u"Options", stored) && !stored.empty()) {
        std::u16string bits = HexToBits(stored, kOptionsMinimum);
        if (!bits.empty()) {
            // Characters past entry 30 are never written by the program and are not used.
            for (int i = 0; i < kSelectionEntries; ++i) {
                run.catalogue.selection[i] = bits[i] - u'0';
            }
        }
    }

    // "Width" is a value of an earlier release; it is removed whatever its type.
    uint32_t type = 0, size = 0;
    if (run.platform.RegQueryValue(key.Handle(), u"Width", &type, nullptr, &size) ==
        platform::kRegOk) {
        if (run.platform.RegDeleteValue(key.Handle(), u"Width") == platform::kRegOk) {
            run.platform.RegFlushKey(key.Handle());
        }
    }
}

void SaveSelection(app::RunState& run) {
    std::u16string flags;
    flags.reserve(kSelectionEntries);
    // The main dialog treats every entry other than 1 as unticked; so does the stored form.
    for (int i = 0; i < kSelectionEntries; ++i) {
        flags.push_back(run.catalogue.selection[i] == 1 ? u'1' : u'0');
    }
    WriteSetting(run, u"Options", BitsToHex(flags));
}

void LoadMruFlags(app::RunState& run, std::array<int32_t, 8>& flags) {
    std::u16string stored;
    if (!ReadSetting(run, u"MRU", stored)) return;
    std::u16string bits = HexToBits(text::Trim(stored), kMruMinimum);
    if (bits.empty()) return;
    for (size_t k = 0; k < flags.size(); ++k) flags[k] = bits[k] == u'0' ? 0 : 1;
}

void SaveMruFlags(app::RunState& run, const std::array<int32_t, 8>& flags) {
    std::u16string text;
    for (int32_t f : flags) text.push_back(f != 0 ? u'1' : u'0');
    WriteSetting(run, u"MRU", BitsToHex(text));
}

}  // namespace tidy::settings
