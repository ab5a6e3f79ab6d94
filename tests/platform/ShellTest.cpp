// Shortcuts, the shell starting the program on its own image, soft reset and boot, and what
// device.toml describes.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/Text.h"
#include "support/TempDevice.h"

using namespace tidy;
using namespace tidy::platform;
using test::TempDevice;

namespace {

const std::string kProgram = "\\Program Files\\Tidymatic\\Tidymatic.exe";

// A stand-in for the program: records its arguments (one per line, then "--end") in
// <image>/launched.txt and, when <image>/next.reg exists, saves it as the registry.
std::string FakeProgram(const TempDevice& dev) {
    std::string path = dev.dir + "/fake-program.sh";
    test::WriteHostFile(
        path,
        "#!/bin/sh\n"
        "for a in \"$@\"; do echo \"$a\" >> \"$2/launched.txt\"; done\n"
        "echo --end >> \"$2/launched.txt\"\n"
        "if [ -f \"$2/next.reg\" ]; then mv \"$2/next.reg\" \"$2/registry.reg\"; fi\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

std::string Launched(const TempDevice& dev) {
    return test::ReadHostFile(dev.dir + "/launched.txt");
}

std::string Args(const TempDevice& dev, const std::string& words) {
    std::string out = "--device\n" + dev.dir + "\n--ui\ntext\n--\n";
    std::string w;
    for (char c : words + " ") {
        if (c == ' ') {
            if (!w.empty()) out += w + "\n";
            w.clear();
        } else {
            w += c;
        }
    }
    return out + "--end\n";
}

}  // namespace

TEST(Shortcuts, WrittenAsTheDeviceWritesThemAndReadWithoutTrustingTheLength) {
    TempDevice dev;
    auto img = dev.Open();
    EXPECT_FALSE(img->CreateShortcut(u"\\Windows\\x.lnk", u"\\a.exe"));  // no Windows folder
    dev.MakeDir("\\Windows");
    ASSERT_TRUE(img->CreateShortcut(u"\\Windows\\x.lnk", u"\"\\Windows\\ünï.exe\" -s"));
    EXPECT_EQ(dev.ReadFile("\\Windows\\x.lnk"), "21#\"\\Windows\\ünï.exe\" -s");
    ASSERT_TRUE(img->CreateShortcut(u"\\Windows\\X.LNK", u"\\Windows\\b.exe"));  // replaces
    std::u16string t;
    ASSERT_TRUE(img->ReadShortcut(u"\\windows\\x.lnk", t));
    EXPECT_EQ(t, u"\\Windows\\b.exe");
    // A target that already carries its length prefix is not prefixed twice.
    ASSERT_TRUE(img->CreateShortcut(u"\\Windows\\p.lnk", u"17#\"\\Windows\\c.exe\" -r"));
    EXPECT_EQ(dev.ReadFile("\\Windows\\p.lnk"), "17#\"\\Windows\\c.exe\" -r");

    struct Case {
        std::string content;
        bool ok;
        std::string target;
    } cases[] = {
        {"40#\"\\Windows\\evm.exe\" -cp \\java\\Jabp.jar", true,
         "\"\\Windows\\evm.exe\" -cp \\java\\Jabp.jar"},
        {"18#\"\\Windows\\evm.exe\" -cp x\r\n", true, "\"\\Windows\\evm.exe\" -cp x"},
        {"99#\\a#b.exe", true, "\\a#b.exe"},
        {"no number", false, ""},
        {"#\\Windows\\a.exe", false, ""},
        {"1x#\\a.exe", false, ""},
        {"4#caf\xe9", true, "café"},  // 8-bit text in the device's code page
    };
    for (const auto& c : cases) {
        dev.WriteFile("\\Windows\\case.lnk", c.content);
        t.clear();
        EXPECT_EQ(img->ReadShortcut(u"\\Windows\\case.lnk", t), c.ok) << c.content;
        if (c.ok) {
            EXPECT_EQ(text::ToUtf8(t), c.target) << c.content;
        }
    }
}

TEST(Shortcuts, RealShortcutFilesRead) {
    const std::string dir = "/work/shared/realdata/shortcuts/";
    if (!std::filesystem::exists(dir)) GTEST_SKIP() << "real-world shortcuts not present";
    TempDevice dev;
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        std::string name = e.path().filename().string();
        dev.WriteFile("\\Windows\\" + name, test::ReadHostFile(e.path().string()));
        ++n;
    }
    auto img = dev.Open();
    std::u16string t;
    ASSERT_TRUE(img->ReadShortcut(u"\\Windows\\ilock5.lnk", t));
    EXPECT_EQ(t, u"\"\\Windows\\iLock5.exe\"");
    ASSERT_TRUE(img->ReadShortcut(u"\\Windows\\volume_cpl_emulator_test.lnk", t));
    EXPECT_EQ(t, u"\"\\Windows\\ctlpnl.exe\" \\Windows\\sounds.cpl,Volume & Sounds,0");
    ASSERT_TRUE(img->ReadShortcut(u"\\Windows\\jabp_evm_doc_example.lnk", t));
    EXPECT_EQ(t, u"\"\\Windows\\evm.exe\" -cp \\java\\Jabp.jar Jabp.Jabp");
    EXPECT_EQ(n, 6);
}

TEST(Shell, OpensAreJournaledAndTheProgramStartsOnItsOwnImage) {
    TempDevice dev;
    dev.WriteFile("\\Windows\\StartUp\\Tidymatic Startup.lnk", "41#\"" + kProgram + "\" -s");
    dev.WriteFile("\\Windows\\other.lnk", "16#\\Windows\\pword.exe");
    auto img = dev.Open(FakeProgram(dev));

    img->ShellExecute(u"http://example.com/", u"", u"open");
    img->ShellExecute(u"\\Windows\\other.lnk", u"", u"open");
    EXPECT_EQ(Launched(dev), "");
    img->ShellExecute(text::FromUtf8(kProgram), u"-e", u"open");
    EXPECT_EQ(Launched(dev), Args(dev, "-e"));
    img->ShellExecute(u"\"\\program files\\tidymatic\\TIDYMATIC.EXE\"", u"", u"");
    img->ShellExecute(u"\\Windows\\StartUp\\Tidymatic Startup.lnk", u"extra  words", u"open");
    EXPECT_EQ(Launched(dev), Args(dev, "-e") + Args(dev, "") + Args(dev, "-s extra words"));
    EXPECT_EQ(dev.Journal(),
              "shell\topen\thttp://example.com/\t\n"
              "shell\topen\t\\Windows\\other.lnk\t\n"
              "shell\topen\t" +
                  kProgram +
                  "\t-e\n"
                  "start\t-e\n"
                  "shell\t\t\"\\program files\\tidymatic\\TIDYMATIC.EXE\"\t\n"
                  "start\t\n"
                  "shell\topen\t\\Windows\\StartUp\\Tidymatic Startup.lnk\textra  words\n"
                  "start\t-s extra words\n");
}

TEST(Shell, WhatTheStartedProgramSavedIsSeenAfterwards) {
    TempDevice dev;
    auto img = dev.Open(FakeProgram(dev));
    test::WriteHostFile(
        dev.dir + "/next.reg",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Norvane\\Tidymatic]\n\"Options\"=\"5\"\n");
    img->ShellExecute(text::FromUtf8(kProgram), u"-s", u"open");
    RegKey k(*img);
    ASSERT_TRUE(k.Open(HKEY_CURRENT_USER, u"Software\\Norvane\\Tidymatic"));
    uint32_t size = 0;
    EXPECT_EQ(img->RegQueryValue(k.Handle(), u"Options", nullptr, nullptr, &size), kRegOk);
    EXPECT_EQ(size, 4u);
}

TEST(Shell, MissingSelfExecutableIsJournaled) {
    TempDevice dev;
    auto img = dev.Open("/nonexistent/tidymatic");
    img->ShellExecute(text::FromUtf8(kProgram), u"", u"open");
    EXPECT_NE(dev.Journal().find("start-failed\t/nonexistent/tidymatic"), std::string::npos)
        << dev.Journal();
}

TEST(Shell, SoftResetJournalsThenRunsTheHandler) {
    TempDevice dev;
    auto img = dev.Open();
    EXPECT_FALSE(img->KernelIoControl(0x1234));
    EXPECT_EQ(dev.Resets(), 0);
    EXPECT_TRUE(img->KernelIoControl(kIoctlHalReboot));
    EXPECT_EQ(dev.Resets(), 1);
    EXPECT_EQ(dev.Journal(), "softreset\n");
}

TEST(Shell, BootCountsAndStartsTheProgramFromStartUp) {
    TempDevice dev;
    dev.WriteFile("\\Windows\\StartUp\\Tidymatic Startup.lnk", "41#\"" + kProgram + "\" -s");
    dev.WriteFile("\\Windows\\StartUp\\Unquoted.lnk", "41#" + kProgram + " -x");
    dev.WriteFile("\\Windows\\StartUp\\Other.lnk", "16#\\Windows\\pword.exe");
    dev.WriteFile("\\Windows\\StartUp\\notes.txt", "41#\"" + kProgram + "\" -e");
    {
        auto img = dev.Open(FakeProgram(dev));
        std::string error;
        ASSERT_TRUE(img->BootDevice(error)) << error;
        ASSERT_TRUE(img->BootDevice(error)) << error;
    }
    EXPECT_EQ(Launched(dev), Args(dev, "-s") + Args(dev, "-x") + Args(dev, "-s") + Args(dev, "-x"));
    std::string j = dev.Journal();
    EXPECT_EQ(
        j.rfind("boot\t1\nshell\topen\t\\Windows\\StartUp\\Tidymatic Startup.lnk\t\nstart\t-s\n",
                0),
        0u)
        << j;
    EXPECT_NE(j.find("boot\t2\n"), std::string::npos);
    EXPECT_NE(dev.Registry().find("\"BootCount\"=dword:00000002"), std::string::npos);
}

TEST(DeviceConfig, DefaultsDescribeAStandardDevice) {
    TempDevice dev;
    auto img = dev.Open();
    Version v;
    ASSERT_TRUE(img->GetVersion(v));
    EXPECT_EQ(v.major, 5u);
    EXPECT_EQ(v.minor, 2u);
    EXPECT_EQ(v.build, 20757u);
    EXPECT_EQ(img->GetSystemMetrics(kSmCxScreen), 240);
    EXPECT_EQ(img->GetSystemMetrics(kSmCyScreen), 320);
    EXPECT_GT(img->GetSystemMetrics(kSmCyCaption), 0);
    EXPECT_EQ(img->SpecialFolder(kCsidlPrograms), u"\\Windows\\Start Menu\\Programs");
    EXPECT_EQ(img->SpecialFolder(kCsidlStartup), u"\\Windows\\StartUp");
    EXPECT_EQ(img->SpecialFolder(kCsidlStartMenu), u"\\Windows\\Start Menu");
    EXPECT_EQ(img->SpecialFolder(kCsidlAppData), u"\\Application Data");
    EXPECT_EQ(img->SpecialFolder(kCsidlWindows), u"\\Windows");
    EXPECT_EQ(img->ModulePath(), text::FromUtf8(kProgram));
    EXPECT_EQ(img->AnsiToWide("caf\xe9 \x80"), u"café €");
    EXPECT_EQ(img->WideToAnsi(u"café €"), "caf\xe9 \x80");
}

TEST(DeviceConfig, EveryKeyIsRead) {
    TempDevice dev(
        "program = \"\\\\Apps\\\\T.exe\"\ncode_page = 1251\nstorage_cards = []\n"
        "[version]\nmajor = 4\nminor = 21\nbuild = 1088\n"
        "[screen]\nwidth = 480\nheight = 640\ncaption = 52\nborder = 2\ndialog_frame = 6\nmenu = "
        "52\n"
        "[folders]\nstartup = \"\"\nwindows = \"\\\\Win\\\\\"\n");
    auto img = dev.Open();
    Version v;
    ASSERT_TRUE(img->GetVersion(v));
    EXPECT_EQ(v.major * 100 + v.minor, 421u);
    EXPECT_EQ(img->GetSystemMetrics(kSmCyScreen), 640);
    EXPECT_EQ(img->GetSystemMetrics(kSmCyCaption), 52);
    EXPECT_EQ(img->GetSystemMetrics(kSmCyBorder), 2);
    EXPECT_EQ(img->GetSystemMetrics(kSmCyDlgFrame), 6);
    EXPECT_EQ(img->GetSystemMetrics(kSmCyMenu), 52);
    EXPECT_EQ(img->SpecialFolder(kCsidlStartup), u"");
    EXPECT_EQ(img->SpecialFolder(kCsidlWindows), u"\\Win");
    EXPECT_EQ(img->ModulePath(), u"\\Apps\\T.exe");
    EXPECT_EQ(img->AnsiToWide("\xc0"), u"А");  // Cyrillic A in code page 1251
    FindData d;
    EXPECT_FALSE(img->FindFirstStorageCard(d));

    TempDevice unreadable("[version]\nreadable = false\n");
    auto img2 = unreadable.Open();
    EXPECT_FALSE(img2->GetVersion(v));
}

TEST(DeviceConfig, BadFilesAreRefusedWithFileLineAndReason) {
    struct Case {
        std::string toml;
        std::string expect;
    } cases[] = {
        {"colour = 1\n", "device.toml:2: unknown key \"colour\""},
        {"[screen]\nwidht = 3\n", "device.toml:3: unknown key \"screen.widht\""},
        {"[screen]\nwidth = \"wide\"\n", "device.toml:3: \"width\" must be an integer"},
        {"[screen\n", "device.toml:2:"},
        {"code_page = 99999\n", "out of range"},
        {"code_page = 4242\n", "unknown code page 4242"},
        {"program = \"Tidymatic.exe\"\n", "absolute device path"},
        {"storage_cards = [\"..\"]\n", "storage_cards"},
        {"[faults]\nin_use = \"x\"\n", "array of strings"},
        {"[attributes]\n\"\\\\a\" = [\"shiny\"]\n", "unknown attribute \"shiny\""},
        {"[version]\nreadable = 1\n", "true or false"},
        // Text the TOML library cannot take safely (the last is TOML, but only just).
        {"[screen]\nwidth = 4\xD1\x8F\n", "device.toml:3: a character outside a string"},
        {"[screen]\nwidth = 4\x01\n", "device.toml:3: a control character"},
        {"[screen]\n [ =olders]\n", "device.toml:3: a table header without a name"},
        {"storage_cards = " + std::string(300, '[') + "\n", "device.toml:2: values nested"},
        {"[screen]\nwidth = 6\\'\xC6\xA2'\n", "device.toml:3: a character outside"},
        {"storage_cards = [\n}\n", "device.toml:3: a bracket that closes nothing"},
        {"program = \"\"\"\\\\a\\  \n  \xC3\xA9\"\"\"\n", "device.toml:3: a character after"},
    };
    for (const auto& c : cases) {
        TempDevice dev(c.toml);
        std::string before = test::ReadHostFile(dev.dir + "/device.toml");
        std::string error;
        EXPECT_FALSE(DeviceImage::Open(dev.dir, error)) << c.toml;
        EXPECT_NE(error.find(c.expect), std::string::npos) << error;
        EXPECT_EQ(error.rfind(dev.dir + "/device.toml", 0), 0u) << error;
        EXPECT_EQ(test::ReadHostFile(dev.dir + "/device.toml"), before);
    }
}

TEST(DeviceConfig, MissingImagesAreRefused) {
    std::string error;
    EXPECT_FALSE(DeviceImage::Open("/nonexistent/image", error));
    EXPECT_NE(error.find("/nonexistent/image"), std::string::npos);
    TempDevice noToml;
    std::filesystem::remove(noToml.dir + "/device.toml");
    EXPECT_FALSE(DeviceImage::Open(noToml.dir, error));
    EXPECT_NE(error.find("device.toml: missing"), std::string::npos) << error;
    TempDevice noFs;
    std::filesystem::remove(noFs.dir + "/fs");
    EXPECT_FALSE(DeviceImage::Open(noFs.dir, error));
    EXPECT_NE(error.find("fs"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(noFs.dir + "/fs"));
}

TEST(DeviceConfig, SleepIsScaled) {
    TempDevice dev("sleep_scale = 0.001\n");
    auto img = dev.Open();
    auto t0 = std::chrono::steady_clock::now();
    img->Sleep(1000);  // one millisecond at this scale
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
}
