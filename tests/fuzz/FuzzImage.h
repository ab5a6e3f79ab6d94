#pragma once
// A device image in a temporary folder shared by every input of one fuzzing process, removed
// when the process ends. Inputs are written into its files directly on the host.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/DeviceImage.h"

namespace tidy::fuzz {

class FuzzImage {
  public:
    explicit FuzzImage(const std::string& deviceToml) {
        const char* tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/tidyfuzz.XXXXXX";
        if (!::mkdtemp(templ.data())) Fail("cannot create a temporary folder");
        dir = templ;
        std::filesystem::create_directories(dir + "/fs");
        WriteHost(dir + "/device.toml", deviceToml);
        std::string error;
        image = platform::DeviceImage::Open(dir, error);
        if (!image) Fail(error.c_str());
        image->SetSelfExecutable("/bin/true");
        image->SetResetHandler([] {});
    }
    ~FuzzImage() {
        image.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // "\Windows\a.txt" -> <image>/fs/Windows/a.txt, parents made.
    void WriteFile(const std::string& devicePath, const std::string& bytes) {
        std::string p = devicePath;
        for (char& c : p)
            if (c == '\\') c = '/';
        std::filesystem::path host = dir + "/fs" + p;
        std::filesystem::create_directories(host.parent_path());
        WriteHost(host.string(), bytes);
    }

    std::string dir;
    std::unique_ptr<platform::DeviceImage> image;

  private:
    static void WriteHost(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out) Fail("cannot write a file of the image");
    }
    [[noreturn]] static void Fail(const char* why) {
        std::fprintf(stderr, "fuzz image: %s\n", why);
        std::abort();
    }
};

}  // namespace tidy::fuzz
