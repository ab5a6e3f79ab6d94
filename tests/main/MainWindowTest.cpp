// The main window driven through the text front end: selection commands, cleaning, the
// tap-and-hold menu, double taps, tools and links, activation and the background refresh.

#include <gtest/gtest.h>

#include <regex>

#include "support/RunProgram.h"
#include "support/TempDevice.h"

namespace tidy {
namespace {

using test::HasLine;
using test::Lines;
using test::RunTidymatic;
using test::TempDevice;

const char kRegHeader[] = "Windows Registry Editor Version 5.00\n\n";

std::string Settings(const std::string& values) {
    return std::string(kRegHeader) + "[HKEY_CURRENT_USER\\Software\\Norvane\\Tidymatic]\n" +
           values + "\n";
}

// Runs the interactive program on dev with a script; every script ends with its own commands.
test::ProgramResult RunScript(const TempDevice& dev, const std::string& script) {
    return RunTidymatic({"--device", dev.dir, "--ui", "text"}, "wait\n" + script);
}

// The last drawing of the main list: row -> "[x] r name | size".
std::vector<std::string> LastRows(const std::string& out) {
    std::vector<std::string> rows;
    for (const auto& line : Lines(out)) {
        if (line == "== Tidymatic ==") rows.clear();
        if (line.rfind("[x] ", 0) == 0 || line.rfind("[ ] ", 0) == 0) rows.push_back(line);
    }
    return rows;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST(MainWindow, SelectionCommands) {
    TempDevice dev;
    dev.WriteFile("\\Temp\\a.tmp", std::string(100, 'x'));
    struct Case {
        std::string command;
        std::vector<int> ticked;
    };
    const Case cases[] = {
        {"menu Selection/Select IE Temp", {1, 2, 3, 29}},
        {"menu Selection/Select Registry Items", {28, 29, 30}},
        {"menu 32795",
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21}},
        {"menu Selection/Select Recommended Items", {0, 1, 2, 3, 4, 28, 29}},
    };
    for (const auto& c : cases) {
        auto r = RunScript(dev, "menu Selection/Select All\n" + c.command + "\nshow\nclose\n");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        auto rows = LastRows(r.out);
        ASSERT_EQ(rows.size(), 31u) << r.out;
        for (int i = 0; i < 31; ++i) {
            bool ticked = std::find(c.ticked.begin(), c.ticked.end(), i) != c.ticked.end();
            EXPECT_EQ(rows[size_t(i)].substr(0, 3), ticked ? "[x]" : "[ ]")
                << c.command << ": " << rows[size_t(i)];
        }
    }
}

TEST(MainWindow, SelectAllMeasuresAndUnselectAllEmptiesTheSizes) {
    TempDevice dev(
        "", std::string(kRegHeader) + "[HKEY_LOCAL_MACHINE\\Comm]\n\"BootCount\"=dword:00000007\n");
    dev.WriteFile("\\Temp\\a.tmp", std::string(1025, 'x'));
    auto r = RunScript(
        dev, "menu Selection/Select All\nshow\nmenu Selection/Unselect All\nshow\nclose\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(HasLine(r.out, "[x] 0 Temp | 1.0 KB")) << r.out;
    EXPECT_TRUE(HasLine(r.out, "[x] 9 Custom Folder 1 | Not Found")) << r.out;
    EXPECT_TRUE(HasLine(r.out, "[x] 24 Windows Live Logs | 0 Bytes")) << r.out;
    EXPECT_TRUE(HasLine(r.out, "[x] 30 Boot Count | 7")) << r.out;
    auto rows = LastRows(r.out);
    ASSERT_EQ(rows.size(), 31u);
    EXPECT_EQ(rows[0], "[ ] 0 Temp | ");  // empty, not " "
    EXPECT_EQ(rows[30], "[ ] 30 Boot Count | ");
}

TEST(MainWindow, CleanReportsUnticksNotFoundAndSavesSelection) {
    TempDevice dev("", Settings("\"Options\"=\"201\""));  // Temp and Custom Folder 1
    dev.WriteFile("\\Temp\\a.tmp", std::string(300, 'x'));
    dev.WriteFile("\\Temp\\b.tmp", std::string(212, 'x'));
    dev.WriteFile("\\Temp\\sub\\c.tmp", "");
    dev.MakeDir("\\Windows\\Start Menu\\Programs");
    auto r = RunScript(dev, "show\ntap Clean\nanswer ok\nshow\nclose\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(HasLine(r.out, "[x] 9 Custom Folder 1 | Not Found")) << r.out;
    EXPECT_TRUE(
        HasLine(r.out, "MSGBOX [Tidymatic] 3 Files and 1 Folder of 512 Bytes Cleared! (OK)"))
        << r.out;
    auto rows = LastRows(r.out);
    ASSERT_EQ(rows.size(), 31u);
    EXPECT_EQ(rows[0], "[x] 0 Temp | 0 Bytes");
    EXPECT_EQ(rows[9], "[ ] 9 Custom Folder 1 |  ");
    EXPECT_FALSE(dev.Exists("\\Temp\\sub"));
    EXPECT_NE(dev.Registry().find("\"Options\"=\"1\""), std::string::npos) << dev.Registry();
}

TEST(MainWindow, TapAndHoldMenu) {
    TempDevice dev("", Settings("\"Options\"=\"5\""));  // Temp and Cookies
    dev.WriteFile("\\Temp\\a.tmp", "abc");
    dev.WriteFile("\\Windows\\Cookies\\c.txt", "cookie");
    // No row selected: bulk entries only.
    auto r = RunScript(dev, "hold\nclose\n");
    EXPECT_TRUE(HasLine(r.out, "POPUP Select All | Unselect All")) << r.out;
    // A selected row: all four, a separator above Clean Selected; View Description.
    r = RunScript(dev, "select 0\nhold\nchoose View Description\nclose\n");
    EXPECT_TRUE(HasLine(r.out,
                        "POPUP Select All | Unselect All | View Description | --- | Clean "
                        "Selected"))
        << r.out;
    EXPECT_TRUE(HasLine(r.out,
                        "MSGBOX [Temp] This is the folder for temporary files used by many "
                        "applications. (OK)"))
        << r.out;
    // Clean Selected cleans only that row and leaves the check boxes.
    r = RunScript(dev, "select 0\nhold\nchoose Clean Selected\nshow\nclose\n");
    EXPECT_TRUE(HasLine(r.out, "MSGBOX [Tidymatic] 1 File and 0 Folders of 3 Bytes Cleared! (OK)"))
        << r.out;
    EXPECT_FALSE(dev.Exists("\\Temp\\a.tmp"));
    EXPECT_TRUE(dev.Exists("\\Windows\\Cookies\\c.txt"));
    auto rows = LastRows(r.out);
    ASSERT_EQ(rows.size(), 31u);
    EXPECT_EQ(rows[2].substr(0, 3), "[x]");
}

TEST(MainWindow, DoubleTapOpensFoldersOrSettings) {
    TempDevice dev;
    dev.WriteFile("\\Temp\\a.tmp", "x");
    dev.MakeDir("\\Stuff");
    auto r = RunScript(dev, "dbltap 0\ndbltap 24\ndbltap 28\ndbltap 10\nshow\nclose\nclose\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string journal = dev.Journal();
    EXPECT_NE(journal.find("shell\tOpen\tfexplore.exe\t\\Temp\\"), std::string::npos) << journal;
    EXPECT_NE(journal.find("shell\tOpen\tfexplore.exe\t\\\n"), std::string::npos) << journal;
    EXPECT_EQ(Count(journal, "fexplore.exe"), 2) << journal;
    // Custom Folder 2 does not exist: the Options dialog opens so the user can assign it.
    EXPECT_TRUE(HasLine(r.out, "== Options ==")) << r.out;
}

TEST(MainWindow, ToolsAndLinks) {
    struct Case {
        std::string toml, files, script, journal, message;
    };
    const Case cases[] = {
        {"", "", "menu Links/Memory\n", "shell\t\tctlpnl\tcplmain.cpl,4\n", ""},
        {"[version]\nmajor = 5\nminor = 2\nbuild = 19201\n", "", "menu Links/Running Programs\n",
         "shell\t\tctlpnl\tcplmain.cpl,4,2\n", ""},
        {"[version]\nmajor = 5\nminor = 2\nbuild = 19202\n", "", "menu Links/Running Programs\n",
         "", "MSGBOX [Tidymatic] Unable to find Task Manager (OK)"},
        {"[version]\nmajor = 5\nminor = 2\nbuild = 19202\n", "\\Windows\\TaskManagerApp.exe",
         "menu Links/Running Programs\n", "shell\t\tTaskManagerApp.exe\t\n", ""},
        {"", "", "menu Links/Opera Mobile Settings\n", "",
         "MSGBOX [Tidymatic] Opera Mobile is not found on your device. (OK)"},
        {"", "\\Windows\\OperaL.exe", "menu Links/Opera Mobile Settings\n",
         "shell\t\t\\Windows\\OperaL.exe\topera:config\n", ""},
        {"", "", "menu Info/About\n", "",
         "MSGBOX [Tidymatic] Version 1.3.1\\nDeveloped by Norvane Software\\nhttp://"
         "www.norvane.com (OK)"},
        {"", "", "menu Info/Contact Me\n",
         "shell\t\thttp://m.norvane.com/"
         "index.php?option=com_qcontacts&view=contact&id=1&Itemid=74\t"
         "\n",
         ""},
    };
    for (const auto& c : cases) {
        TempDevice dev(c.toml);
        if (!c.files.empty()) dev.WriteFile(c.files, "exe");
        auto r = RunScript(dev, c.script + "answer ok\nclose\n");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(dev.Journal(), c.journal) << c.script;
        if (!c.message.empty()) {
            EXPECT_TRUE(HasLine(r.out, c.message)) << c.script << r.out;
        }
    }
}

TEST(MainWindow, SoftResetAsksSavesAndResets) {
    TempDevice dev("", Settings("\"Options\"=\"0\""));
    auto r = RunScript(dev, "check 0\nmenu Tools/Soft Reset\nanswer no\nclose\n");
    EXPECT_TRUE(
        HasLine(r.out, "MSGBOX [Tidymatic] Are you sure you want to soft reset now? (Yes/No)"))
        << r.out;
    EXPECT_EQ(dev.Journal().find("softreset"), std::string::npos);

    TempDevice dev2("", Settings("\"Options\"=\"0\""));
    r = RunScript(dev2, "check 0\nmenu Tools/Soft Reset\nanswer yes\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(dev2.Journal().find("softreset"), std::string::npos);
    EXPECT_NE(dev2.Registry().find("\"Options\"=\"1\""), std::string::npos) << dev2.Registry();
}

TEST(MainWindow, EnterDoesNotCloseAndExitSaves) {
    TempDevice dev;
    auto r = RunScript(dev, "key enter\ncheck 1\nmenu Exit\nshow\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(dev.Registry().find("\"Options\"=\"2\""), std::string::npos) << dev.Registry();
}

TEST(MainWindow, RefreshesOnActivationAndAfterOtherDialogsOnce) {
    // With the log on, every locate-all-folders pass leaves "Basic folders checked".
    TempDevice dev("", Settings("\"Debug\"=\"1\""));
    dev.MakeDir("\\Program Files\\Tidymatic");
    auto r = RunScript(dev,
                       "activate\nwait\nactivate\nwait\nmenu Refresh\n"
                       "menu Options/Main Settings\nclose\nwait\nclose\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string log = dev.ReadFile("\\Program Files\\Tidymatic\\tidymatic.log");
    // Start-up, two activations, Refresh, and once after the Options dialog.
    EXPECT_EQ(Count(log, "Basic folders checked"), 5) << log;
    EXPECT_EQ(Count(log, "Folder 1: "), 1) << log;
}

// Many commands while background refreshes run: the program stays consistent and answers every
// command. Run under the thread sanitizer this also proves that refresh and commands never run
// at the same time (the tables they share carry no lock).
TEST(MainWindow, CommandsDuringRefreshesUnderLoad) {
    TempDevice dev("", Settings("\"Options\"=\"7FFFFFFF\""));
    dev.MakeDir("\\Windows\\Start Menu\\Programs");
    for (int i = 0; i < 40; ++i)
        dev.WriteFile("\\Temp\\d" + std::to_string(i % 5) + "\\f" + std::to_string(i), "data");
    std::string script;
    for (int i = 0; i < 25; ++i) {
        script += "activate\ncheck " + std::to_string(i % 31) + "\nuncheck " +
                  std::to_string((i + 7) % 31) + "\nactivate\nmenu Refresh\n";
        if (i % 5 == 0) script += "tap Clean\nanswer ok\n";
    }
    script += "wait\nshow\nclose\n";
    auto r = RunScript(dev, script);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find("ERROR"), std::string::npos) << r.out;
    EXPECT_EQ(LastRows(r.out).size(), 31u);
    EXPECT_FALSE(dev.Exists("\\Temp\\d0"));
}

}  // namespace
}  // namespace tidy
