#pragma once
// A device that passes every call to another one. Tests derive from it and override the few
// calls whose failure they want to show (a registry that refuses a write, say).

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace tidy::test {

class ForwardingPlatform : public platform::Platform {
  public:
    explicit ForwardingPlatform(platform::Platform& inner) : in_(inner) {}

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
    long RegDeleteValue(platform::HKey key, const std::u16string& name) override {
        return in_.RegDeleteValue(key, name);
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

  protected:
    platform::Platform& in_;
};

}  // namespace tidy::test
