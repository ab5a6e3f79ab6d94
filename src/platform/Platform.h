#pragma once
// The operations the program needs of the handheld. Every module reaches the device only
// through this interface; the only backend today is the device image (DeviceImage.h).
// Failures are results (bool or a status code), never exceptions.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tidy::platform {

// Attribute bits as the device reports them.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kAttrTemporary = 0x100;

// Longest path, terminator included.
constexpr size_t kMaxPath = 260;

struct FindData {
    uint32_t attributes = 0;
    uint32_t sizeLow = 0;  // low 32 bits of the size
    std::u16string name;   // as stored
};

// An open enumeration; closing is destroying it.
class FindHandle {
  public:
    virtual ~FindHandle() = default;
    virtual bool Next(FindData& out) = 0;
};

struct FileStatus {
    uint32_t size = 0;
    uint32_t attributes = 0;
};

struct Version {
    uint32_t major = 0, minor = 0, build = 0;
};

// Registry, in the device's own terms.
using HKey = uint64_t;
constexpr HKey HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKey HKEY_CURRENT_USER = 0x80000001u;
constexpr HKey HKEY_LOCAL_MACHINE = 0x80000002u;

constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
constexpr uint32_t REG_MULTI_SZ = 7;

// Status codes of the registry calls.
constexpr long kRegOk = 0;
constexpr long kRegNotFound = 2;
constexpr long kRegAccessDenied = 5;
constexpr long kRegInvalidHandle = 6;
constexpr long kRegInvalidParameter = 87;
constexpr long kRegMoreData = 234;
constexpr long kRegNoMoreItems = 259;

// Special folder numbers the program asks for.
constexpr int kCsidlPrograms = 2;
constexpr int kCsidlStartup = 7;
constexpr int kCsidlStartMenu = 11;
constexpr int kCsidlAppData = 26;
constexpr int kCsidlWindows = 36;

// System metrics the program reads.
constexpr int kSmCxScreen = 0;
constexpr int kSmCyScreen = 1;
constexpr int kSmCyCaption = 4;
constexpr int kSmCyBorder = 6;
constexpr int kSmCyDlgFrame = 8;  // also SM_CYFIXEDFRAME
constexpr int kSmCyMenu = 15;

// The kernel I/O control code that reboots the device.
constexpr uint32_t kIoctlHalReboot = 0x0101003C;

class Platform {
  public:
    virtual ~Platform() = default;

    // ---- File system. Paths are absolute, backslash-separated device paths ("\Temp\a.txt").
    // Enumerates pattern (the last component may hold '*' and '?'). Returns null when nothing
    // matches; otherwise `first` holds the first entry and the handle gives the rest.
    virtual std::unique_ptr<FindHandle> FindFirst(const std::u16string& pattern, FindData& first,
                                                  bool foldersOnly = false) = 0;
    // The existence test: fails for a missing path.
    virtual bool GetAttributes(const std::u16string& path, uint32_t& attributes) = 0;
    // Opens the file for reading and reads its status; fails when it cannot be opened.
    virtual bool GetStatus(const std::u16string& path, FileStatus& status) = 0;
    virtual bool SetAttributes(const std::u16string& path, uint32_t attributes) = 0;
    virtual bool DeleteFile(const std::u16string& path) = 0;
    virtual bool RemoveDirectory(const std::u16string& path) = 0;
    virtual bool CreateDirectory(const std::u16string& path) = 0;
    virtual bool CopyFile(const std::u16string& from, const std::u16string& to,
                          bool failIfExists) = 0;
    virtual bool ReadFile(const std::u16string& path, std::string& bytes) = 0;
    // Writes the whole file atomically (the old content or the new, never a torn file).
    virtual bool WriteFile(const std::u16string& path, const std::string& bytes) = 0;
    // Opens a text file for appending ("a+"), writes, closes.
    virtual bool AppendText(const std::u16string& path, const std::string& text) = 0;

    // ---- Storage cards: first and next, records as in folder enumeration.
    virtual std::unique_ptr<FindHandle> FindFirstStorageCard(FindData& first) = 0;

    // ---- Special folders (no trailing backslash; empty on failure), own path, command line.
    virtual std::u16string SpecialFolder(int csidl) = 0;
    virtual std::u16string ModulePath() = 0;
    virtual std::u16string CommandLine() = 0;

    // ---- Registry.
    virtual long RegOpenKey(HKey root, const std::u16string& subkey, HKey& out) = 0;
    virtual long RegCreateKey(HKey root, const std::u16string& subkey, HKey& out) = 0;
    // With data == nullptr only the size (in bytes) is returned; with a buffer that is too small
    // the status is kRegMoreData and *size the size needed.
    virtual long RegQueryValue(HKey key, const std::u16string& name, uint32_t* type, uint8_t* data,
                               uint32_t* size) = 0;
    virtual long RegSetValue(HKey key, const std::u16string& name, uint32_t type,
                             const uint8_t* data, uint32_t size) = 0;
    virtual long RegDeleteValue(HKey key, const std::u16string& name) = 0;
    // Deletes subkey of key with all its subkeys.
    virtual long RegDeleteKey(HKey key, const std::u16string& subkey) = 0;
    virtual long RegEnumKey(HKey key, uint32_t index, std::u16string& name) = 0;
    virtual long RegEnumValue(HKey key, uint32_t index, std::u16string& name) = 0;
    virtual long RegFlushKey(HKey key) = 0;
    virtual long RegCloseKey(HKey key) = 0;

    // ---- Shell and system.
    virtual bool CreateShortcut(const std::u16string& path, const std::u16string& target) = 0;
    virtual bool ReadShortcut(const std::u16string& path, std::u16string& target) = 0;
    // Opens file (program, folder, document or web address) with parameters through the shell.
    virtual void ShellExecute(const std::u16string& file, const std::u16string& parameters,
                              const std::u16string& verb) = 0;
    // The reboot I/O control. On the device image it records the reset and ends the program.
    virtual bool KernelIoControl(uint32_t code) = 0;
    virtual bool GetVersion(Version& version) = 0;
    virtual int GetSystemMetrics(int index) = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;

    // The device's ANSI code page, for 8-bit configuration files.
    virtual std::u16string AnsiToWide(const std::string& bytes) = 0;
    virtual std::string WideToAnsi(const std::u16string& text) = 0;
};

// Closes a registry key when it goes out of scope.
class RegKey {
  public:
    explicit RegKey(Platform& p) : p_(p) {}
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    bool Open(HKey root, const std::u16string& subkey) {
        Close();
        return p_.RegOpenKey(root, subkey, key_) == kRegOk ? (open_ = true) : false;
    }
    bool Create(HKey root, const std::u16string& subkey) {
        Close();
        return p_.RegCreateKey(root, subkey, key_) == kRegOk ? (open_ = true) : false;
    }
    void Close() {
        if (open_) p_.RegCloseKey(key_);
        open_ = false;
    }
    bool IsOpen() const { return open_; }
    HKey Handle() const { return key_; }

  private:
    Platform& p_;
    HKey key_ = 0;
    bool open_ = false;
};

}  // namespace tidy::platform
