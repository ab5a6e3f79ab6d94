// Side-by-side figures: each of the program's jobs timed against a standard tool doing the
// same work on the same data in the same run, so the ratio holds whatever the machine's load.
// Everything lives in one temporary folder, removed at the end.
//
//   compare_bench --tidymatic PATH [--reps N] [--folders N] [--files N] [--values N]
//
// Prints a Markdown table of medians in milliseconds and the ratio ours / baseline.

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/RunState.h"
#include "catalogue/Discovery.h"
#include "clean/Engine.h"
#include "platform/DeviceImage.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace tidy;
using Clock = std::chrono::steady_clock;

struct Settings {
    std::string tidymatic;
    int reps = 7;
    int folders = 100;
    int files = 100;
    int values = 50000;
};

[[noreturn]] void Fail(const std::string& message) {
    throw std::runtime_error(message);
}

// The temporary root; removed however the run ends.
struct TempRoot {
    std::string dir;
    TempRoot() {
        std::string templ = (fs::temp_directory_path() / "tidycompare.XXXXXX").string();
        if (!::mkdtemp(templ.data())) Fail("cannot create a temporary folder");
        dir = templ;
    }
    ~TempRoot() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs argv (no shell) with standard input from inPath and output to outPath, under an
// environment whose HOME is inside the temporary root, and returns the wall time in ms.
// A tool that fails stops the run: a baseline that did nothing would flatter nobody.
std::vector<std::string> gEnv;
long gLastPeakKb = 0;  // the peak memory of the last spawned program

double Spawn(const std::vector<std::string>& args, const std::string& inPath = "/dev/null",
             const std::string& outPath = "/dev/null") {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : gEnv) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    auto start = Clock::now();
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) Fail("cannot start " + args[0] + ": " + std::strerror(rc));
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) Fail("waiting for " + args[0] + ": " + std::strerror(errno));
    }
    auto end = Clock::now();
    gLastPeakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string line;
        for (const std::string& a : args) line += a + " ";
        Fail("failed: " + line);
    }
    return Ms(end - start);
}

// One round of both sides, taking turns at going first so that neither always finds the
// fresher caches.
void Round(int i, const std::function<void()>& ours, const std::function<void()>& tool) {
    if (i % 2) {
        tool();
        ours();
    } else {
        ours();
        tool();
    }
}

double Time(const std::function<void()>& work) {
    auto start = Clock::now();
    work();
    return Ms(Clock::now() - start);
}

// A device image: fs/, a device.toml and, when given, a registry.reg.
std::unique_ptr<platform::DeviceImage> OpenImage(const std::string& dir) {
    std::string error;
    auto device = platform::DeviceImage::Open(dir, error);
    if (!device) Fail("cannot open the device image " + dir + ": " + error);
    return device;
}

void MakeImage(const std::string& dir) {
    fs::create_directories(dir + "/fs/Temp");
    std::ofstream(dir + "/device.toml") << "sleep_scale = 0\n";
}

// folders folders, each with a subfolder of files small files; returns the bytes written.
int64_t Fill(const Settings& s, const std::string& root) {
    const std::string content = "cached bytes";
    for (int d = 0; d < s.folders; ++d) {
        std::string folder = root + "/cache" + std::to_string(d) + "/sub";
        fs::create_directories(folder);
        for (int f = 0; f < s.files; ++f) {
            std::ofstream out(folder + "/entry" + std::to_string(f) + ".tmp");
            out << content;
            if (!out) Fail("cannot write in " + folder);
        }
    }
    return int64_t(s.folders) * s.files * int64_t(content.size());
}

bool IsEmptyFolder(const std::string& dir) {
    std::error_code ec;
    return fs::is_directory(dir, ec) && fs::is_empty(dir, ec);
}

struct Row {
    std::string task, ours, baseline;
    double oursMs = 0, baselineMs = 0;
    long peakKb = 0;  // the program's peak memory, where it ran as its own process
};

Row MeasureTree(const Settings& s, const std::string& root) {
    const std::string dir = root + "/measure";
    MakeImage(dir);
    const int64_t bytes = Fill(s, dir + "/fs/Temp");
    auto device = OpenImage(dir);
    app::RunState run(*device);
    std::vector<double> ours, base;
    for (int i = 0; i <= s.reps; ++i) {  // the first round warms the caches and is dropped
        double t = 0, b = 0;
        run.catalogue.itemSizes[0] = 0;
        Round(
            i, [&] { t = Time([&] { clean::FolderSize(run, u"\\Temp\\", 0); }); },
            [&] {
                b = Spawn({"du", "-s", "--apparent-size", dir + "/fs/Temp"});
            });
        if (run.catalogue.itemSizes[0] != bytes)
            Fail("FolderSize measured " + std::to_string(run.catalogue.itemSizes[0]) +
                 " bytes, expected " + std::to_string(bytes));
        if (i == 0) continue;
        ours.push_back(t);
        base.push_back(b);
    }
    std::string n = std::to_string(s.folders * s.files);
    return {"Measure a tree (" + n + " files)", "`FolderSize`", "`du -s --apparent-size`",
            Median(ours), Median(base)};
}

Row CleanTree(const Settings& s, const std::string& root) {
    const std::string dir = root + "/clean";
    const std::string copy = root + "/clean-copy";
    MakeImage(dir);
    auto device = OpenImage(dir);
    app::RunState run(*device);
    std::vector<double> ours, base;
    for (int i = 0; i < s.reps; ++i) {
        Fill(s, dir + "/fs/Temp");
        Fill(s, copy + "/Temp");
        bool done = false;
        double t = 0, b = 0;
        Round(
            i,
            [&] { t = Time([&] { done = clean::DeleteFolderContents(run, u"\\Temp\\", true); }); },
            [&] {
                b = Spawn({"rm", "-rf", copy + "/Temp"});
            });
        if (!done || !IsEmptyFolder(dir + "/fs/Temp"))
            Fail("DeleteFolderContents left the tree in place");
        if (fs::exists(copy + "/Temp")) Fail("rm -rf left the tree in place");
        ours.push_back(t);
        base.push_back(b);
    }
    std::string n = std::to_string(s.folders * s.files);
    return {"Clean a tree (" + n + " files)", "`DeleteFolderContents`", "`rm -rf` (copy)",
            Median(ours), Median(base)};
}

Row Discovery(const Settings& s, const std::string& sample) {
    auto device = OpenImage(sample);
    app::RunState run(*device);
    // As at an interactive start: the catalogue, special folders and cards are loaded, and
    // locating every folder is the part measured.
    run.flags.interactive = 1;
    catalogue::LoadingSequence(run);
    std::vector<double> ours, base;
    for (int i = 0; i <= s.reps; ++i) {
        double t = 0, b = 0;
        run.catalogue.folderTable[0].clear();
        Round(
            i, [&] { t = Time([&] { catalogue::LocateAllFolders(run); }); },
            [&] {
                b = Spawn({"find", sample + "/fs"});
            });
        if (run.catalogue.folderTable[0] != u"\\Temp\\") Fail("the folder table was not built");
        if (i == 0) continue;
        ours.push_back(t);
        base.push_back(b);
    }
    return {"Discovery (sample image)", "`LocateAllFolders`", "`find fs/`", Median(ours),
            Median(base)};
}

// A registry export of about values values: keys of 100 values, text, numbers and bytes.
void WriteRegistry(const std::string& path, int values) {
    std::ostringstream out;
    out << "Windows Registry Editor Version 5.00\n\n";
    int keys = (values + 99) / 100;
    int written = 0;
    for (int k = 0; k < keys && written < values; ++k) {
        out << "[HKEY_LOCAL_MACHINE\\Software\\Bench\\Key" << k << "]\n";
        for (int v = 0; v < 100 && written < values; ++v, ++written) {
            switch (v % 3) {
                case 0:
                    out << "\"Text" << v << "\"=\"\\\\Program Files\\\\App" << k << "\\\\file" << v
                        << ".dat\"\n";
                    break;
                case 1:
                    out << "\"Number" << v << "\"=dword:" << std::hex << (k * 1000 + v) << std::dec
                        << "\n";
                    break;
                default:
                    out << "\"Bytes" << v << "\"=hex:01,02,03,04,0a,0b,0c,0d\n";
                    break;
            }
        }
        out << "\n";
    }
    std::ofstream(path, std::ios::binary) << out.str();
}

Row Registry(const Settings& s, const std::string& root) {
    const std::string dir = root + "/registry";
    MakeImage(dir);
    WriteRegistry(dir + "/registry.reg", s.values);
    std::vector<double> ours, base;
    uint32_t last = 0;
    for (int i = 0; i <= s.reps; ++i) {
        last = 0x1000 + i;
        double t = 0, b = 0;
        auto loadAndSave = [&] {
            auto device = OpenImage(dir);
            platform::RegKey key(*device);
            if (!key.Open(platform::HKEY_LOCAL_MACHINE, u"Software\\Bench\\Key0"))
                Fail("the generated registry has no Key0");
            if (device->RegSetValue(key.Handle(), u"Number1", platform::REG_DWORD,
                                    reinterpret_cast<const uint8_t*>(&last),
                                    sizeof last) != platform::kRegOk)
                Fail("cannot change a registry value");
            key.Close();
            std::string error;
            if (!device->SaveRegistry(error)) Fail("cannot save the registry: " + error);
        };
        Round(
            i, [&] { t = Time(loadAndSave); },
            [&] {
                b = Spawn({"cp", dir + "/registry.reg", root + "/registry-copy.reg"});
            });
        if (i == 0) continue;
        ours.push_back(t);
        base.push_back(b);
    }
    // The change must have reached the file.
    auto device = OpenImage(dir);
    platform::RegKey key(*device);
    uint32_t stored = 0, size = sizeof stored, type = 0;
    if (!key.Open(platform::HKEY_LOCAL_MACHINE, u"Software\\Bench\\Key0") ||
        device->RegQueryValue(key.Handle(), u"Number1", &type, reinterpret_cast<uint8_t*>(&stored),
                              &size) != platform::kRegOk ||
        stored != last)
        Fail("the saved registry does not hold the change");
    return {"Registry load + save (" + std::to_string(s.values) + " values)",
            "`Open` + `SaveRegistry`", "`cp registry.reg`", Median(ours), Median(base)};
}

Row Refresh(const Settings& s, const std::string& root, const std::string& sample) {
    const std::string script = root + "/refresh.txt";
    std::ofstream(script) << "menu Selection/Select All\nwait\nclose\n";
    // One untimed run that shows the list checks that the refresh really measured the items.
    const std::string checkScript = root + "/refresh-check.txt";
    const std::string checkOut = root + "/refresh-check.out";
    std::ofstream(checkScript) << "menu Selection/Select All\nwait\nshow\nclose\n";
    Spawn({s.tidymatic, "--device", sample, "--ui", "text"}, checkScript, checkOut);
    std::ifstream in(checkOut);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.find("[x] 0 Temp | ") == std::string::npos || text.find(" KB\n") == std::string::npos)
        Fail("the text front end did not refresh the sample image:\n" + text);

    std::vector<double> ours, base;
    for (int i = 0; i <= s.reps; ++i) {
        double t = 0, b = 0;
        Round(
            i,
            [&] {
                t = Spawn({s.tidymatic, "--device", sample, "--ui", "text"}, script);
            },
            [&] {
                b = Spawn({"du", "-s", sample + "/fs"});
            });
        if (i == 0) continue;
        ours.push_back(t);
        base.push_back(b);
    }
    return {"Full refresh (sample image)", "`tidymatic --ui text`", "`du -s fs/`", Median(ours),
            Median(base)};
}

// The whole program on one image holding the tree and the registry: it opens the image, its
// start-up refresh measures Temp (the stored selection), Clean empties it and the registry is
// saved on the way out. The baseline does the same work with tools: du, rm -rf and cp.
Row EndToEnd(const Settings& s, const std::string& root) {
    const std::string dir = root + "/whole";
    const std::string copy = root + "/whole-copy";
    const std::string script = root + "/whole.txt";
    const std::string out = root + "/whole.out";
    std::ofstream(script) << "wait\ntap Clean\nshow\nanswer ok\nclose\n";
    MakeImage(dir);
    WriteRegistry(dir + "/registry.reg", s.values);
    std::ofstream(dir + "/registry.reg", std::ios::app)
        << "[HKEY_CURRENT_USER\\Software\\Norvane\\Tidymatic]\n\"Options\"=\"1\"\n\n";
    std::vector<double> ours, base;
    long peak = 0;
    for (int i = 0; i < s.reps; ++i) {
        Fill(s, dir + "/fs/Temp");
        Fill(s, copy + "/Temp");
        double t = 0, b = 0;
        Round(
            i,
            [&] {
                t = Spawn({s.tidymatic, "--device", dir, "--ui", "text"}, script, out);
                peak = std::max(peak, gLastPeakKb);
            },
            [&] {
                b = Spawn({"du", "-s", copy + "/Temp"}) + Spawn({"rm", "-rf", copy + "/Temp"}) +
                    Spawn({"cp", dir + "/registry.reg", root + "/whole-copy.reg"});
            });
        std::ifstream in(out);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (text.find("Cleared!") == std::string::npos || !IsEmptyFolder(dir + "/fs/Temp"))
            Fail("the program did not clean the large image:\n" + text.substr(0, 2000));
        ours.push_back(t);
        base.push_back(b);
    }
    std::string n = std::to_string(s.folders * s.files);
    return {
        "Program: open, refresh, clean (" + n + " files, " + std::to_string(s.values) + " values)",
        "`tidymatic --ui text`",
        "`du -s` + `rm -rf` + `cp`",
        Median(ours),
        Median(base),
        peak};
}

int ParseCount(const std::string& flag, const char* value) {
    char* end = nullptr;
    long n = value ? std::strtol(value, &end, 10) : 0;
    if (!value || *end || n < 1 || n > 10000000) Fail(flag + " needs a positive number");
    return int(n);
}

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    try {
        for (int i = 1; i < argc; ++i) {
            std::string a = argv[i];
            const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
            if (a == "--tidymatic" && next)
                s.tidymatic = argv[++i];
            else if (a == "--reps")
                s.reps = ParseCount(a, next), ++i;
            else if (a == "--folders")
                s.folders = ParseCount(a, next), ++i;
            else if (a == "--files")
                s.files = ParseCount(a, next), ++i;
            else if (a == "--values")
                s.values = ParseCount(a, next), ++i;
            else
                Fail("unknown argument '" + a + "'");
        }
        if (s.tidymatic.empty())
            Fail(
                "usage: compare_bench --tidymatic PATH [--reps N] [--folders N] [--files N] "
                "[--values N]");
        s.tidymatic = fs::absolute(s.tidymatic).string();

        TempRoot root;
        // The program and the tools see a home inside the temporary root, so nothing of the
        // user's is read or written.
        fs::create_directories(root.dir + "/home");
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "HOME=", 5) != 0) gEnv.emplace_back(*e);
        gEnv.push_back("HOME=" + root.dir + "/home");

        const std::string sample = root.dir + "/sample";
        Spawn({s.tidymatic, "--new-device", sample});

        std::vector<Row> rows;
        rows.push_back(MeasureTree(s, root.dir));
        rows.push_back(CleanTree(s, root.dir));
        rows.push_back(Discovery(s, sample));
        rows.push_back(Registry(s, root.dir));
        rows.push_back(Refresh(s, root.dir, sample));
        rows.push_back(EndToEnd(s, root.dir));

        std::cout << "Median of " << s.reps << " runs, milliseconds; ratio = ours / baseline.\n\n"
                  << "| Task | Ours | ms | Baseline | ms | Ratio |\n"
                  << "| --- | --- | ---: | --- | ---: | ---: |\n";
        for (const Row& r : rows) {
            std::cout << "| " << r.task << " | " << r.ours << " | " << Fixed(r.oursMs, 2) << " | "
                      << r.baseline << " | " << Fixed(r.baselineMs, 2) << " | "
                      << Fixed(r.oursMs / r.baselineMs, 2) << " |\n";
        }
        for (const Row& r : rows)
            if (r.peakKb)
                std::cout << "\nPeak memory of the program in \"" << r.task
                          << "\": " << Fixed(r.peakKb / 1024.0, 1) << " MB\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "compare_bench: " << e.what() << "\n";
        return 1;
    }
}
