#include "support/TempDevice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace tidy::test {

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteHostFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

TempDevice::TempDevice(const std::string& deviceToml, const std::string& registryReg) {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/tidydev.XXXXXX";
    if (!::mkdtemp(templ.data())) {
        ADD_FAILURE() << "cannot create a temporary folder";
        return;
    }
    dir = templ;
    fs::create_directories(dir + "/fs");
    std::string toml = deviceToml;
    if (toml.find("sleep_scale") == std::string::npos) toml = "sleep_scale = 0\n" + toml;
    WriteHostFile(dir + "/device.toml", toml);
    if (!registryReg.empty()) WriteHostFile(dir + "/registry.reg", registryReg);
}

TempDevice::~TempDevice() {
    if (dir.empty()) return;
    std::error_code ec;
    // Read-only folders would stop the removal; make everything writable first.
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(dir, ec);
}

std::string TempDevice::HostPath(const std::string& devicePath) const {
    std::string p = devicePath;
    for (char& c : p)
        if (c == '\\') c = '/';
    while (!p.empty() && p.front() == '/') p.erase(0, 1);
    return dir + "/fs/" + p;
}

void TempDevice::WriteFile(const std::string& devicePath, const std::string& content) {
    std::string h = HostPath(devicePath);
    fs::create_directories(fs::path(h).parent_path());
    WriteHostFile(h, content);
}

void TempDevice::MakeDir(const std::string& devicePath) {
    fs::create_directories(HostPath(devicePath));
}

bool TempDevice::Exists(const std::string& devicePath) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(HostPath(devicePath), ec));
}

std::string TempDevice::ReadFile(const std::string& devicePath) const {
    return ReadHostFile(HostPath(devicePath));
}

std::string TempDevice::Journal() const {
    return ReadHostFile(dir + "/journal.log");
}
std::string TempDevice::Registry() const {
    return ReadHostFile(dir + "/registry.reg");
}

std::unique_ptr<platform::DeviceImage> TempDevice::Open(const std::string& selfExecutable) const {
    std::string error;
    auto img = platform::DeviceImage::Open(dir, error);
    EXPECT_TRUE(img) << error;
    if (!img) return nullptr;
    img->SetSelfExecutable(selfExecutable.empty() ? "/bin/true" : selfExecutable);
    auto counter = resets_;
    img->SetResetHandler([counter] { ++*counter; });
    return img;
}

}  // namespace tidy::test
