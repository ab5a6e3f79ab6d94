#pragma once
// Helpers of the MRU tests: registry exports for the eight applications' keys, value checks,
// and a device whose registry refuses to delete chosen values.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/Platform.h"
#include "platform/Text.h"

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
class LockedValuesPlatform : public platform::Platform {
  public:
    LockedValuesPlatform(platform::Platform& inner, std::set<std::u16string> locked)
        : in_(inner), locked_(std::move(locked)) {}

    long RegDeleteValue(platform::HKey key, const std::u16string& name) override {
        for (const auto& l : locked_)
            if (text::EqualsIgnoreCase(l, name)) return platform::kRegAccessDenied;
        return in_.RegDeleteValue(key, name);
    }

    std::unique_ptr<platform::FindHandle> FindFirst(const std::u16string& pattern,
                                                    platform::FindData& first,
                                                    bool foldersOnly) override {
        return in_.FindFirst(pattern, first, foldersOnly);
    }
    bool GetAttributes(const std::u16string& path, uint32_t& a) override {
        return in_.GetAttributes(path, a);
    }
    bool GetStatus(const std::u16string& path, platform::FileStatus& s) override {
        return in_.GetStatus(path, s);
    }
    bool SetAttributes(const std::u16string& path, uint32_t a) override {
        return in_.SetAttributes(path, a);
    }
    bool DeleteFile(const std::u16string& path) override { return in_.DeleteFile(path); }
    bool RemoveDirectory(const std::u16string& path) override { return in_.RemoveDirectory(path); }
    bool CreateDirectory(const std::u16string& path) override { return in_.CreateDirectory(path); }
    bool CopyFile(const std::u16string& from, const std::u16string& to, bool f) override {
        return in_.CopyFile(from, to, f);
    }
    bool ReadFile(const std::u16string& path, std::string& bytes) override {
        return in_.ReadFile(path, bytes);
    }
    bool WriteFile(const std::u16string& path, const std::string& bytes) override {
        return in_.WriteFile(path, bytes);
    }
    bool AppendText(const std::u16string& path, const std::string& t) override {
        return in_.AppendText(path, t);
    }
    std::unique_ptr<platform::FindHandle> FindFirstStorageCard(platform::FindData& f) override {
        return in_.FindFirstStorageCard(f);
    }
    std::u16string SpecialFolder(int csidl) override { return in_.SpecialFolder(csidl); }
    std::u16string ModulePath() override { return in_.ModulePath(); }
    std::u16string CommandLine() override { return in_.CommandLine(); }
    long RegOpenKey(platform::HKey root, const std::u16string& sub, platform::HKey& out) override {
        return in_.RegOpenKey(root, sub, out);
    }
    long RegCreateKey(platform::HKey root, const std::u16string& sub,
                      platform::HKey& out) override {
        return in_.RegCreateKey(root, sub, out);
    }
    long RegQueryValue(platform::HKey key, const std::u16string& name, uint32_t* type,
                       uint8_t* data, uint32_t* size) override {
        return in_.RegQueryValue(key, name, type, data, size);
    }
    long RegSetValue(platform::HKey key, const std::u16string& name, uint32_t type,
                     const uint8_t* data, uint32_t size) override {
        return in_.RegSetValue(key, name, type, data, size);
    }
    long RegDeleteKey(platform::HKey key, const std::u16string& sub) override {
        return in_.RegDeleteKey(key, sub);
    }
    long RegEnumKey(platform::HKey key, uint32_t i, std::u16string& name) override {
        return in_.RegEnumKey(key, i, name);
    }
    long RegEnumValue(platform::HKey key, uint32_t i, std::u16string& name) override {
        return in_.RegEnumValue(key, i, name);
    }
    long RegFlushKey(platform::HKey key) override { return in_.RegFlushKey(key); }
    long RegCloseKey(platform::HKey key) override { return in_.RegCloseKey(key); }
    bool CreateShortcut(const std::u16string& path, const std::u16string& target) override {
        return in_.CreateShortcut(path, target);
    }
    bool ReadShortcut(const std::u16string& path, std::u16string& target) override {
        return in_.ReadShortcut(path, target);
    }
    void ShellExecute(const std::u16string& f, const std::u16string& a,
                      const std::u16string& v) override {
        in_.ShellExecute(f, a, v);
    }
    bool KernelIoControl(uint32_t code) override { return in_.KernelIoControl(code); }
    bool GetVersion(platform::Version& v) override { return in_.GetVersion(v); }
    int GetSystemMetrics(int index) override { return in_.GetSystemMetrics(index); }
    void Sleep(uint32_t ms) override { in_.Sleep(ms); }
    std::u16string AnsiToWide(const std::string& bytes) override { return in_.AnsiToWide(bytes); }
    std::string WideToAnsi(const std::u16string& t) override { return in_.WideToAnsi(t); }

  private:
    platform::Platform& in_;
    std::set<std::u16string> locked_;
};

}  // namespace tidy::test
