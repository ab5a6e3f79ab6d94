#pragma once
// Helpers of the MRU tests: registry exports for the eight applications' keys, value checks,
// and a device whose registry refuses to delete chosen values.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/Platform.h"
#include "platform/Text.h"
#include "support/ForwardingPlatform.h"

namespace tidy::test {

inline const char kRegHeader[] = "Windows Registry Editor Version 5.00\r\n\r\n";

constexpr const char* kHklm = "HKEY_LOCAL_MACHINE\\Software\\";
constexpr const char* kHkcu = "HKEY_CURRENT_USER\\Software\\";

// The keys of the eight rows as they appear in a registry export.
inline const char* const kRowKeys[8] = {
    "HKEY_LOCAL_MACHINE\\Software\\HTC\\Streaming\\OpenUrlMRU",
    "HKEY_LOCAL_MACHINE\\Software\\Apps\\Norvane Queuely",
    "HKEY_CURRENT_USER\\Software\\UK-orunesa\\UKNote\\MRU",
    "HKEY_CURRENT_USER\\Software\\UK-orunesa\\UKEditor\\FILE",
    "HKEY_CURRENT_USER\\Software\\Logical Sky Cedit\\cedit\\Recent File List",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\File Explorer\\DialogMRU",
    "HKEY_LOCAL_MACHINE\\Software\\Resco\\PicView\\RecentPaths\\RecentFiles",
    "HKEY_CURRENT_USER\\Software\\Adobe\\AdobeReaderLE.25\\RecentFiles",
};

// Splits "HKEY_...\Sub\Key" into root and subkey.
inline void SplitKey(const std::string& full, platform::HKey& root, std::u16string& sub) {
    const auto slash = full.find('\\');
    const std::string top = full.substr(0, slash);
    root = top == "HKEY_LOCAL_MACHINE"  ? platform::HKEY_LOCAL_MACHINE
           : top == "HKEY_CURRENT_USER" ? platform::HKEY_CURRENT_USER
                                        : platform::HKEY_CLASSES_ROOT;
    sub = text::FromUtf8(full.substr(slash + 1));
}

// "<absent>", "<no key>", the text of a text value, or "dword:N".
inline std::string ValueOf(platform::Platform& p, const std::string& key, const std::string& name) {
    platform::HKey root = 0;
    std::u16string sub;
    SplitKey(key, root, sub);
    platform::RegKey k(p);
    if (!k.Open(root, sub)) return "<no key>";
    uint32_t type = 0, size = 0;
    const std::u16string wname = text::FromUtf8(name);
    if (p.RegQueryValue(k.Handle(), wname, &type, nullptr, &size) != platform::kRegOk)
        return "<absent>";
    std::vector<uint8_t> buf(size + 2);
    if (p.RegQueryValue(k.Handle(), wname, &type, buf.data(), &size) != platform::kRegOk)
        return "<error>";
    if (type == platform::REG_DWORD && size == 4)
        return "dword:" + std::to_string(buf[0] | buf[1] << 8 | buf[2] << 16 |
                                         static_cast<uint32_t>(buf[3]) << 24);
    std::u16string s;
    for (uint32_t i = 0; i + 1 < size; i += 2) {
        const auto c = static_cast<char16_t>(buf[i] | buf[i + 1] << 8);
        if (c == 0) break;
        s += c;
    }
    return text::ToUtf8(s);
}

// A device whose registry refuses to delete the values named in `locked` (compared ignoring
// case), as a value held by a running application is refused on a handheld. Everything else
// goes to the real device image.
class LockedValuesPlatform : public ForwardingPlatform {
  public:
    LockedValuesPlatform(platform::Platform& inner, std::set<std::u16string> locked)
        : ForwardingPlatform(inner), locked_(std::move(locked)) {}

    long RegDeleteValue(platform::HKey key, const std::u16string& name) override {
        for (const auto& l : locked_)
            if (text::EqualsIgnoreCase(l, name)) return platform::kRegAccessDenied;
        return ForwardingPlatform::RegDeleteValue(key, name);
    }

  private:
    std::set<std::u16string> locked_;
};

}  // namespace tidy::test
