// Dead shortcuts: how a target is judged, which files count as shortcuts, and what is removed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "AdvancedFixture.h"
#include "advanced/AdvancedScanners.h"

using namespace tidy;
using namespace tidy::test;
using advanced::ShortcutFolder;

namespace {

// A device with a few programs present: \Windows\pword.exe, \Windows\cplmain.cpl,
// \Program Files\App\app.exe and a program with a non-ASCII folder name.
void AddPrograms(TempDevice& dev) {
    dev.WriteFile("\\Windows\\pword.exe", "x");
    dev.WriteFile("\\Windows\\cplmain.cpl", "x");
    dev.WriteFile("\\Program Files\\App\\app.exe", "x");
    dev.WriteFile("\\Program Files\\Ünïcødé Åpp\\prog.exe", "x");
}

struct TargetCase {
    const char* what;
    std::string target;
    bool alive;
};

}  // namespace

TEST(ShortcutTarget, EveryFormIsJudged) {
    const std::string longName(300, 'a');
    const std::vector<TargetCase> cases = {
        {"quoted, present, with arguments", "\"\\Program Files\\App\\app.exe\" -open x", true},
        {"quoted, missing, with arguments", "\"\\Program Files\\Gone\\gone.exe\" -open", false},
        {"quoted bare name found in Windows", "\"pword.exe\"", true},
        {"quoted bare name missing from Windows", "\"nothere.exe\" -x", false},
        {"quoted, surrounded by white space and line ends",
         "  \"\\Program Files\\App\\app.exe\"  \r\n", true},
        {"quoted, non-ASCII path", "\"\\Program Files\\Ünïcødé Åpp\\prog.exe\"", true},
        {"quoted, empty", "\"\"", false},
        {"no closing quote", "\"\\Program Files\\App\\app.exe", false},
        {"absolute, present", "\\Program Files\\App\\app.exe", true},
        {"absolute program followed by an argument", "\\Windows\\pword.exe doc.psw", true},
        {"absolute, missing, with an argument", "\\Gone\\gone.exe -x", false},
        {"absolute, missing, without a space", "\\Program_Files\\Gone\\gone.exe", false},
        {"absolute with spaces in the path, unquoted, missing", "\\Program Files\\Gone\\gone.exe",
         false},
        {"shell target behind a colon", ":MSOUTLOOK", true},
        {"control panel applet present", "ctlpnl cplmain.cpl,4", true},
        {"control panel applet missing", "ctlpnl nothere.cpl,2", false},
        {"control panel without a space", "ctlpnl,4", true},
        {"control panel with the space after the comma", "ctlpnl,4 x", true},
        {"control panel with nothing between space and comma", "ctlpnl ,4", true},
        {"program in Windows with comma arguments", "pword.exe,doc", true},
        {"program in Windows with space arguments", "pword.exe -doc", true},
        {"program missing from Windows", "gone.exe", false},
        {"only white space", "    ", false},
        {"empty", "", false},
        {"very long bare name", longName, false},
        {"very long quoted name", "\"" + longName + "\"", false},
        {"very long absolute path", "\\" + longName + "\\" + longName, false},
        {"exactly 260 characters", "\\" + std::string(259, 'b'), false},
        {"a path leaving the image", "\"\\..\\..\\..\\etc\\passwd\"", false},
        {"an unquoted path leaving the image", "\\..\\..\\bin\\sh", false},
        {"non-ASCII bare name", "ßüñ.exe", false},
    };
    AdvDevice d;
    AddPrograms(d.dev);
    for (size_t i = 0; i < cases.size(); ++i)
        d.Shortcut("\\Links\\" + std::to_string(i) + ".lnk", cases[i].target);
    app::RunState& run = d.Start();
    for (size_t i = 0; i < cases.size(); ++i) {
        std::u16string path = W("\\Links\\" + std::to_string(i) + ".lnk");
        EXPECT_EQ(advanced::IsShortcutAlive(run, path), cases[i].alive) << cases[i].what;
    }
}

TEST(ShortcutTarget, UnreadableShortcutIsDead) {
    AdvDevice d;
    d.dev.WriteFile("\\Links\\garbage.lnk", "this is no shortcut");
    d.dev.WriteFile("\\Links\\empty.lnk", "");
    app::RunState& run = d.Start();
    EXPECT_FALSE(advanced::IsShortcutAlive(run, u"\\Links\\garbage.lnk"));
    EXPECT_FALSE(advanced::IsShortcutAlive(run, u"\\Links\\empty.lnk"));
    EXPECT_FALSE(advanced::IsShortcutAlive(run, u"\\Links\\missing.lnk"));
}

TEST(ShortcutTarget, BareNamesAreLookedForInTheDevicesWindowsFolder) {
    AdvDevice d("[folders]\nwindows = \"\\\\OS\"\n");
    d.dev.WriteFile("\\OS\\tool.exe", "x");
    d.Shortcut("\\Links\\a.lnk", "tool.exe");
    d.Shortcut("\\Links\\b.lnk", "ctlpnl tool.exe,1");
    app::RunState& run = d.Start();
    advanced::LocateAdvancedFolders(run);
    EXPECT_TRUE(advanced::IsShortcutAlive(run, u"\\Links\\a.lnk"));
    EXPECT_TRUE(advanced::IsShortcutAlive(run, u"\\Links\\b.lnk"));
}

TEST(DeadShortcuts, WhichFilesAreTestedAndTheTwoFoldersAreSeparate) {
    AdvDevice d;
    AddPrograms(d.dev);
    const std::string sm = "\\Windows\\Start Menu\\";
    d.Shortcut(sm + "Alive.lnk", "\"\\Windows\\pword.exe\"");
    d.Shortcut(sm + "Dead.lnk", "\"\\Gone\\a.exe\"");
    d.Shortcut(sm + "Programs\\Games\\Dead Game.LNK", "\"\\Gone\\game.exe\"");
    d.Shortcut(sm + "Backup.lnk.old", "\"\\Gone\\b.exe\"");  // still named like a shortcut
    d.Shortcut(sm + ".lnk", "\"\\Gone\\c.exe\"");            // no name before the extension
    d.Shortcut(sm + "notes.txt", "\"\\Gone\\d.exe\"");
    d.Shortcut("\\Windows\\StartUp\\Dead Start.lnk", "\"\\Gone\\s.exe\"");
    d.Shortcut("\\Windows\\StartUp\\Alive Start.lnk", "pword.exe");
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);

    EXPECT_EQ(advanced::CountDeadShortcuts(run, ShortcutFolder::StartMenu), 3);
    std::vector<std::string> found = N(run.advanced.deadStartMenuShortcuts);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{sm + "Backup.lnk.old", sm + "Dead.lnk",
                                               sm + "Programs\\Games\\Dead Game.LNK"}));
    EXPECT_EQ(advanced::CountDeadShortcuts(run, ShortcutFolder::StartUp), 1);
    EXPECT_EQ(N(run.advanced.deadStartupShortcuts),
              std::vector<std::string>{"\\Windows\\StartUp\\Dead Start.lnk"});
}

TEST(DeadShortcuts, CleanAsksForEachAndDeletesOnlyOnYes) {
    AdvDevice d;
    const std::string sm = "\\Windows\\Start Menu\\";
    d.Shortcut(sm + "A.lnk", "\"\\Gone\\a.exe\"");
    d.Shortcut(sm + "B.lnk", "\"\\Gone\\b.exe\"");
    d.Shortcut(sm + "Sub\\C.lnk", "\"\\Gone\\c.exe\"");
    ::chmod(d.dev.HostPath(sm + "Sub\\C.lnk").c_str(), 0444);  // read-only goes too
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    d.ui.Yes();
    d.ui.No();
    d.ui.Yes();
    advanced::CleanDeadShortcuts(run, ShortcutFolder::StartMenu);
    EXPECT_EQ(d.ui.asked, (std::vector<std::string>{"Remove \"A.lnk\"?", "Remove \"B.lnk\"?",
                                                    "Remove \"C.lnk\"?"}));
    for (unsigned t : d.ui.types) EXPECT_EQ(t, ui::MB_YESNO | ui::MB_ICONQUESTION);
    EXPECT_FALSE(d.dev.Exists(sm + "A.lnk"));
    EXPECT_TRUE(d.dev.Exists(sm + "B.lnk"));
    EXPECT_FALSE(d.dev.Exists(sm + "Sub\\C.lnk"));
    EXPECT_EQ(advanced::CountDeadShortcuts(run, ShortcutFolder::StartMenu), 1);
}

TEST(DeadShortcuts, LinkedFolderIsNotWalkedAndNothingOutsideIsTouched) {
    AdvDevice d;
    namespace fs = std::filesystem;
    const std::string outside = d.dev.dir + "/outside";
    fs::create_directories(outside);
    WriteHostFile(outside + "/Evil.lnk", "12#\"\\Gone\\x.exe\"");
    d.dev.MakeDir("\\Windows\\Start Menu");
    ASSERT_EQ(::symlink(outside.c_str(), d.dev.HostPath("\\Windows\\Start Menu\\Out").c_str()), 0);
    ASSERT_EQ(::symlink((outside + "/Evil.lnk").c_str(),
                        d.dev.HostPath("\\Windows\\Start Menu\\Linked.lnk").c_str()),
              0);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    // The linked shortcut cannot be read through its link: it counts as dead and its removal
    // removes the link alone.
    EXPECT_EQ(advanced::CountDeadShortcuts(run, ShortcutFolder::StartMenu), 1);
    d.ui.Yes(5);
    advanced::CleanDeadShortcuts(run, ShortcutFolder::StartMenu);
    EXPECT_FALSE(d.dev.Exists("\\Windows\\Start Menu\\Linked.lnk"));
    EXPECT_EQ(ReadHostFile(outside + "/Evil.lnk"), "12#\"\\Gone\\x.exe\"");
}
