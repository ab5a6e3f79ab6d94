#pragma once
// A fresh device image in a temporary folder for tests, removed at destruction.

#include <atomic>
#include <memory>
#include <string>

#include "platform/DeviceImage.h"

namespace tidy::test {

class TempDevice {
  public:
    // deviceToml is written as device.toml; unless it sets sleep_scale, waits are switched off
    // ("sleep_scale = 0" is put first). registryReg, when given, is written as registry.reg.
    explicit TempDevice(const std::string& deviceToml = "", const std::string& registryReg = "");
    ~TempDevice();
    TempDevice(const TempDevice&) = delete;
    TempDevice& operator=(const TempDevice&) = delete;

    std::string dir;  // the image folder

    // Device paths are UTF-8 with backslashes: "\Temp\a" -> dir/fs/Temp/a.
    std::string HostPath(const std::string& devicePath) const;
    void WriteFile(const std::string& devicePath, const std::string& content);  // makes parents
    void MakeDir(const std::string& devicePath);                                // makes parents
    bool Exists(const std::string& devicePath) const;  // also a dangling link
    std::string ReadFile(const std::string& devicePath) const;
    std::string Journal() const;
    std::string Registry() const;  // registry.reg as saved

    // Opens the image; fails the test on error. The image's soft reset only counts (see
    // Resets()) instead of ending the test, and its self executable is /bin/true unless
    // selfExecutable names another.
    std::unique_ptr<platform::DeviceImage> Open(const std::string& selfExecutable = "") const;
    int Resets() const { return *resets_; }

  private:
    std::shared_ptr<std::atomic<int>> resets_ = std::make_shared<std::atomic<int>>(0);
};

// Reads a host file whole ("" when missing).
std::string ReadHostFile(const std::string& path);
void WriteHostFile(const std::string& path, const std::string& content);

}  // namespace tidy::test
