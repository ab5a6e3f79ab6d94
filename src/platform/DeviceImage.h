#pragma once
// The device-image backend: one host folder holding everything the program can see of one
// handheld.
//
//   <image>/device.toml    what only a real device knows (DeviceConfig.h)
//   <image>/registry.reg   the registry as a registry export (RegFile.h, Registry.h)
//   <image>/fs/            the device's root folder "\"   ("\Temp\a.txt" is fs/Temp/a.txt)
//   <image>/journal.log    what the device did besides files and registry
//
// File system: names compare ignoring case and keep their case; every access stays inside
// fs/ (Jail.h): "." and ".." are refused and symbolic links are never followed. A link found
// in a folder is listed as a plain file of size 0 that cannot be opened; deleting it removes
// the link, never what it points at. Attributes: folder 0x10; read-only 0x01 is the host
// file's owner-write bit cleared; temporary 0x100 on storage-card folders; hidden, system and
// archive as device.toml's [attributes] records them (SetAttributes changes those for the
// rest of the run only); a file with none of these reports normal 0x80.
//
// Journal: one event per line, fields separated by a tab (tabs and line breaks inside a
// field become spaces):
//   shell<TAB><verb><TAB><file><TAB><parameters>   ShellExecute was asked to open file
//   start<TAB><device command line>                 the program was started on this image
//   start-failed<TAB><reason>                       ... and could not be run or did not end
//   softreset                                       the reboot I/O control
//   boot<TAB><BootCount after the boot>             the image was booted
//
// The program is started (by ShellExecute on its own path or on a shortcut to it, and so by a
// boot) as `<self executable> --device <image> --ui text -- <words of the command line>`,
// with standard input and output on /dev/null, and waited for (at most two minutes).

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/CodePage.h"
#include "platform/DeviceConfig.h"
#include "platform/Jail.h"
#include "platform/Platform.h"
#include "platform/Registry.h"

namespace tidy::platform {

class DeviceImage : public Platform {
  public:
    // Opens the image in dir. A missing or malformed image (no fs/ folder, no device.toml, a
    // bad device.toml or a registry.reg that cannot be parsed) fails with error naming the
    // file, the line and the reason; nothing is changed.
    static std::unique_ptr<DeviceImage> Open(const std::string& dir, std::string& error);
    // Soft-resets and boots the image in dir: journals the boot, adds one to
    // HKLM\Comm "BootCount" (created as 1) and opens every shortcut of the StartUp folder that
    // points at the program, as ShellExecute does.
    static bool Boot(const std::string& dir, std::string& error);
    // Merges a registry export taken from a device (also [-KEY] and "name"=- deletions) into
    // the image's registry and saves it.
    static bool ImportReg(const std::string& dir, const std::string& regFile, std::string& error);

    ~DeviceImage() override;  // saves registry changes not yet saved

    const std::string& Dir() const { return dir_; }
    const DeviceConfig& Config() const { return config_; }
    // The executable started when a target is the program's own path (default: this process's).
    void SetSelfExecutable(std::string path) { selfExe_ = std::move(path); }
    // What a soft reset does after journaling (default: save the registry and exit(0)).
    void SetResetHandler(std::function<void()> handler) { resetHandler_ = std::move(handler); }
    // The device command line the program was started with (arguments only).
    void SetCommandLine(std::u16string commandLine) { commandLine_ = std::move(commandLine); }
    // Boots this image as Boot() does, starting this instance's self executable.
    bool BootDevice(std::string& error);
    // Merges registry export text (as ImportReg does) and saves; error names name and line.
    bool ImportRegText(const std::string& bytes, const std::string& name, std::string& error);
    // Saves pending registry changes now.
    bool SaveRegistry(std::string& error) { return registry_.Save(error); }
    // Appends one event (fields joined by tabs) to journal.log.
    void Journal(std::initializer_list<std::u16string> fields);

    // ---- Platform.
    std::unique_ptr<FindHandle> FindFirst(const std::u16string& pattern, FindData& first,
                                          bool foldersOnly = false) override;
    bool GetAttributes(const std::u16string& path, uint32_t& attributes) override;
    bool GetStatus(const std::u16string& path, FileStatus& status) override;
    bool SetAttributes(const std::u16string& path, uint32_t attributes) override;
    bool DeleteFile(const std::u16string& path) override;
    bool RemoveDirectory(const std::u16string& path) override;
    bool CreateDirectory(const std::u16string& path) override;
    bool CopyFile(const std::u16string& from, const std::u16string& to, bool failIfExists) override;
    bool ReadFile(const std::u16string& path, std::string& bytes) override;
    bool WriteFile(const std::u16string& path, const std::string& bytes) override;
    bool AppendText(const std::u16string& path, const std::string& text) override;

    std::unique_ptr<FindHandle> FindFirstStorageCard(FindData& first) override;

    std::u16string SpecialFolder(int csidl) override;
    std::u16string ModulePath() override { return config_.program; }
    std::u16string CommandLine() override { return commandLine_; }

    long RegOpenKey(HKey root, const std::u16string& subkey, HKey& out) override;
    long RegCreateKey(HKey root, const std::u16string& subkey, HKey& out) override;
    long RegQueryValue(HKey key, const std::u16string& name, uint32_t* type, uint8_t* data,
                       uint32_t* size) override;
    long RegSetValue(HKey key, const std::u16string& name, uint32_t type, const uint8_t* data,
                     uint32_t size) override;
    long RegDeleteValue(HKey key, const std::u16string& name) override;
    long RegDeleteKey(HKey key, const std::u16string& subkey) override;
    long RegEnumKey(HKey key, uint32_t index, std::u16string& name) override;
    long RegEnumValue(HKey key, uint32_t index, std::u16string& name) override;
    long RegFlushKey(HKey key) override;
    long RegCloseKey(HKey key) override;

    bool CreateShortcut(const std::u16string& path, const std::u16string& target) override;
    bool ReadShortcut(const std::u16string& path, std::u16string& target) override;
    void ShellExecute(const std::u16string& file, const std::u16string& parameters,
                      const std::u16string& verb) override;
    bool KernelIoControl(uint32_t code) override;
    bool GetVersion(Version& version) override;
    int GetSystemMetrics(int index) override;
    void Sleep(uint32_t milliseconds) override;

    std::u16string AnsiToWide(const std::string& bytes) override;
    std::string WideToAnsi(const std::u16string& text) override;

  private:
    DeviceImage() = default;
    friend class ImageFind;

    uint32_t AttributesOf(const struct stat& st, const DevicePath& dir, const std::string& name);
    // The folders that open enumerations hold: a path inside one of them is resolved from the
    // enumeration's descriptor instead of from the root again (a walk deletes what it lists).
    void AddOpenFolder(const DevicePath& path, int fd);
    void RemoveOpenFolder(int fd);
    bool Resolve(const DevicePath& p, Jail::Leaf& leaf);
    bool InUse(const DevicePath& p) const;
    bool IsCardRoot(const DevicePath& dir, const std::string& name) const;
    bool IsProgram(std::u16string_view path) const;
    // Splits a shortcut target into the program and its arguments.
    bool SplitTarget(const std::u16string& target, std::u16string& program,
                     std::u16string& args) const;
    void StartProgram(const std::u16string& commandLine);

    std::string dir_;
    DeviceConfig config_;
    std::unique_ptr<CodePage> codePage_;
    std::unique_ptr<Jail> jail_;
    RegistryStore registry_;
    std::string selfExe_;
    std::function<void()> resetHandler_;
    std::u16string commandLine_;
    std::mutex attrMu_;
    std::map<std::u16string, uint32_t> attributes_;  // folded device path -> H/S/A bits
    std::mutex journalMu_;
    struct OpenFolder {
        const DevicePath* path;
        int fd;
        std::thread::id thread;
    };
    std::mutex openMu_;
    std::vector<OpenFolder> openFolders_;
};

}  // namespace tidy::platform
