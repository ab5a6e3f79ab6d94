// The program as a whole: command line, run modes and the closing path, run as a separate
// process on temporary device images and driven through the text front end.

#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/MainApp.h"
#include "support/RunProgram.h"
#include "support/TempDevice.h"

namespace tidy {
namespace {

using test::HasLine;
using test::RunTidymatic;
using test::TempDevice;

// A registry whose stored selection ticks the given hexadecimal flags.
std::string RegistryWithSelection(const std::string& options, const std::string& extra = "") {
    return "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CURRENT_USER\\Software\\Norvane\\Tidymatic]\n"
           "\"Options\"=\"" +
           options + "\"\n\n" + extra;
}

TEST(CommandLineTest, ParsesOptionsAndDeviceWords) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::string device, ui, words;
    };
    const Case cases[] = {
        {{}, true, "", "web", ""},
        {{"--device", "d", "--ui", "text", "-e"}, true, "d", "text", "-e"},
        {{"--device", "d", "--", "--odd", "words"}, true, "d", "web", "--odd words"},
        {{"--ui", "curses"}, false, "", "", ""},
        {{"--device"}, false, "", "", ""},
        {{"--port", "99999"}, false, "", "", ""},
        {{"--bogus"}, false, "", "", ""},
        {{"--boot"}, false, "", "", ""},  // needs --device
        {{"--new-device", "x", "--boot", "--device", "d"}, false, "", "", ""},
    };
    for (const auto& c : cases) {
        app::Options o;
        std::string error;
        ASSERT_EQ(app::ParseCommandLine(c.args, o, error), c.ok)
            << ::testing::PrintToString(c.args);
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(o.device, c.device);
        EXPECT_EQ(o.ui, c.ui);
        EXPECT_EQ(o.deviceCommandLine, c.words);
    }
}

TEST(CommandLineTest, DeviceSwitchesAreTrimmedAndCaseBlind) {
    EXPECT_EQ(app::RunSwitch(u"  -S \t"), u"-s");
    EXPECT_EQ(app::RunSwitch(u"-e"), u"-e");
    EXPECT_EQ(app::RunSwitch(u"-X"), u"-x");
    EXPECT_EQ(app::RunSwitch(u"-q"), u"");
    EXPECT_EQ(app::RunSwitch(u"-e now"), u"");  // a switch followed by more text is no switch
    EXPECT_TRUE(app::EndsAtOnce(u" -R "));
    EXPECT_TRUE(app::EndsAtOnce(u"-c"));
    EXPECT_TRUE(app::EndsAtOnce(u"-n"));
    EXPECT_FALSE(app::EndsAtOnce(u"-r -r"));
}

TEST(RunModesTest, EndAtOnceTouchesNothing) {
    // An image whose registry cannot even be parsed: "-r" must end before reading anything.
    TempDevice dev("", "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Broken\n");
    std::string before = dev.Registry();
    auto r = RunTidymatic({"--device", dev.dir, "--ui", "text", "--", "-r"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dev.Registry(), before);
    EXPECT_EQ(dev.Journal(), "");
}

TEST(RunModesTest, BadOptionsAndImagesFailClearly) {
    auto r = RunTidymatic({"--frobnicate"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("unknown option '--frobnicate'"), std::string::npos);

    r = RunTidymatic({"--device", "/nonexistent/tidymatic-image", "--ui", "text"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("/nonexistent/tidymatic-image"), std::string::npos) << r.err;

    TempDevice dev("", "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Broken\n");
    std::string before = dev.Registry();
    r = RunTidymatic({"--device", dev.dir, "--ui", "text"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("registry.reg"), std::string::npos) << r.err;
    EXPECT_EQ(dev.Registry(), before);  // never overwritten
}

TEST(RunModesTest, StartupModeCleansSilentlyAndKeepsSelection) {
    TempDevice dev("", RegistryWithSelection("1"));  // Temp only
    dev.WriteFile("\\Temp\\a.tmp", "12345");
    dev.WriteFile("\\Temp\\sub\\b.tmp", "xy");
    dev.WriteFile("\\Temp\\wince.nls", "keep");
    auto r = RunTidymatic({"--device", dev.dir, "--ui", "text", "--", "  -S  "});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find("=="), std::string::npos) << r.out;  // no window drawn
    EXPECT_EQ(r.out.find("MSGBOX"), std::string::npos) << r.out;
    EXPECT_FALSE(dev.Exists("\\Temp\\a.tmp"));
    EXPECT_FALSE(dev.Exists("\\Temp\\sub"));
    EXPECT_TRUE(dev.Exists("\\Temp\\wince.nls"));
    EXPECT_NE(dev.Registry().find("\"Options\"=\"1\""), std::string::npos);
}

TEST(RunModesTest, StartupModeClearsRecentProgramsWithoutLaunchingShortcuts) {
    // Temp and Recent Programs (item 28).
    TempDevice dev("", RegistryWithSelection("10000001",
                                             "[HKEY_CURRENT_USER\\Software\\Microsoft\\Shell\\"
                                             "TaskSwitch]\n\"0\"=\"\\\\Windows\\\\calc.exe\"\n"));
    dev.WriteFile("\\Windows\\calc.exe", "x");
    dev.MakeDir("\\Windows\\Start Menu\\Programs");
    auto r = RunTidymatic({"--device", dev.dir, "--ui", "text", "--", "-s"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(dev.Registry().find("calc.exe"), std::string::npos);
    EXPECT_EQ(dev.Journal().find("shell"), std::string::npos) << dev.Journal();
}

TEST(RunModesTest, ExpressModeAsksFirst) {
    struct Case {
        std::string answer;
        bool cleaned;
    };
    for (const Case& c :
         {Case{"answer no\n", false}, Case{"answer yes\n", true}, Case{"", false}}) {
        TempDevice dev("", RegistryWithSelection("1"));
        dev.WriteFile("\\Temp\\a.tmp", std::string(512, 'x'));
        auto r = RunTidymatic({"--device", dev.dir, "--ui", "text", "--", "-e"}, c.answer);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(HasLine(r.out, "MSGBOX [Tidymatic] Start cleaning your device? (Yes/No)") ||
                    r.out.find("Start cleaning your device?") != std::string::npos)
            << r.out;
        EXPECT_EQ(dev.Exists("\\Temp\\a.tmp"), !c.cleaned) << c.answer;
        EXPECT_EQ(r.out.find("1 File and 0 Folders of 512 Bytes Cleared!") != std::string::npos,
                  c.cleaned)
            << r.out;
        EXPECT_NE(dev.Registry().find("\"Options\"=\"1\""), std::string::npos);
    }
}

TEST(RunModesTest, ExpressModeWithNothingSelectedShowsNoResult) {
    TempDevice dev("", RegistryWithSelection("0"));
    dev.WriteFile("\\Temp\\a.tmp", "x");
    auto r = RunTidymatic({"--device", dev.dir, "--ui", "text", "--", "-e"}, "answer yes\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find("Cleared"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("No Files Removed."), std::string::npos) << r.out;
    EXPECT_TRUE(dev.Exists("\\Temp\\a.tmp"));
}

TEST(RunModesTest, SoftResetSwitchResetsTheDevice) {
    TempDevice dev;
    auto r = RunTidymatic({"--device", dev.dir, "--ui", "text", "--", "-x"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The device then boots.
    EXPECT_NE(dev.Journal().find("softreset\nboot\t1\n"), std::string::npos) << dev.Journal();
}

TEST(RunModesTest, InteractiveWindowListsTheCatalogueAndSavesOnClose) {
    TempDevice dev("", RegistryWithSelection("1"));
    dev.WriteFile("\\Temp\\a.tmp", std::string(2048, 'x'));
    // An unknown switch starts the program interactively.
    auto r = RunTidymatic({"--device", dev.dir, "--ui", "text", "--", "-q"},
                          "wait\nshow\ncheck 2\nwait\nclose\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(HasLine(r.out, "== Tidymatic ==")) << r.out;
    EXPECT_TRUE(HasLine(r.out, "[x] 0 Temp | 2.0 KB")) << r.out;
    EXPECT_TRUE(HasLine(r.out, "[ ] 30 Boot Count |  ")) << r.out;
    // Rows 0 and 2 ticked when the window closed.
    EXPECT_NE(dev.Registry().find("\"Options\"=\"5\""), std::string::npos) << dev.Registry();
}

}  // namespace
}  // namespace tidy
