// The Advanced dialog driven as a person drives it: through the text front end, and through
// its commands on a dialog created without a modal loop.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "AdvancedFixture.h"
#include "advanced/AdvancedDlg.h"
#include "advanced/AdvancedScanners.h"
#include "ui/framework/UiThread.h"

using namespace tidy;
using namespace tidy::test;

namespace {

// Something for every row: two card files, an unused theme, two dead uninstall keys (one the
// maker's), a forgotten setup folder, a dead input method and three dead shortcuts.
const std::string kReg =
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Today]\n\"Skin\"=\"\\\\Windows\\\\A.tsk\"\n\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Today\\A.tsk]\n\"x\"=\"1\"\n\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Today\\B.tsk]\n\"x\"=\"1\"\n\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Apps\\Gone App]\n\"InstlDir\"=\"\\\\Program Files\\\\Gone\"\n\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Apps\\Norvane Tallyo]\n"
    "\"InstlDir\"=\"\\\\Program Files\\\\Tallyo\"\n\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{5}]\n@=\"Gone SIP\"\n\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{5}\\IsSIPInputMethod]\n@=\"1\"\n\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{5}\\InProcServer32]\n@=\"\\\\Windows\\\\gonesip.dll\"\n\n";

void AddFiles(AdvDevice& d) {
    d.dev.WriteFile("\\Storage Card\\Pictures\\Thumbs.db", std::string(100, 't'));
    d.dev.WriteFile("\\Storage Card\\desktop.ini", std::string(50, 'd'));
    d.dev.WriteFile("\\Windows\\AppMgr\\Left App\\x.tmp", "t");
    d.Shortcut("\\Windows\\Start Menu\\Dead1.lnk", "\"\\Gone\\1.exe\"");
    d.Shortcut("\\Windows\\Start Menu\\Programs\\Dead2.lnk", "\"\\Gone\\2.exe\"");
    d.Shortcut("\\Windows\\StartUp\\DeadS.lnk", "\"\\Gone\\s.exe\"");
    d.dev.WriteFile("\\Windows\\pword.exe", "x");
    d.Shortcut("\\Windows\\Start Menu\\Word.lnk", "\"\\Windows\\pword.exe\"");
}

const std::vector<std::string> kAllCounted = {
    "[x] 0 Thumbs.db | 100 Bytes",   "[x] 1 Desktop.ini | 50 Bytes",
    "[x] 2 Bad Theme Registry | 1",  "[x] 3 Bad Uninstall Registry | 2",
    "[x] 4 Bad Uninstall Files | 1", "[x] 5 Dead Shortcuts | 2",
    "[x] 6 Startup Programs | 1",    "[x] 7 Dead SIPs | 1",
};

bool KeyExists(platform::Platform& p, platform::HKey root, const std::string& sub) {
    platform::RegKey k(p);
    return k.Open(root, W(sub));
}

}  // namespace

TEST(AdvancedDialog, TickEveryRowThenCleanWithYesAndNo) {
    AdvDevice d("", kReg);
    AddFiles(d);
    d.Start();
    const std::string out = RunAdvancedScript(*d.image,
                                              "show\n"
                                              "check 0\ncheck 1\ncheck 2\ncheck 3\n"
                                              "check 4\ncheck 5\ncheck 6\ncheck 7\n"
                                              "show\n"
                                              "tap Clean\n"
                                              "answer yes\n"  // Gone App
                                              "answer yes\n"  // Norvane Tallyo: kept all the same
                                              "answer no\n"   // Left App
                                              "answer yes\n"  // Gone SIP
                                              "answer yes\n"  // Dead1.lnk
                                              "answer no\n"   // Dead2.lnk
                                              "answer yes\n"  // DeadS.lnk
                                              "show\n");
    // Opened unticked with empty Count cells, the title-bar OK hidden.
    std::vector<std::string> first = LinesStarting(out, "[ ] ");
    ASSERT_GE(first.size(), 8u);
    EXPECT_EQ(first[0], "[ ] 0 Thumbs.db | ");
    EXPECT_EQ(first[7], "[ ] 7 Dead SIPs | ");

    std::vector<std::string> asked;
    for (const auto& l : LinesStarting(out, "MSGBOX ")) asked.push_back(l);
    EXPECT_EQ(asked,
              (std::vector<std::string>{
                  "MSGBOX [Tidymatic] Remove unused registry key associated with \"Gone App\" "
                  "(detected as uninstalled)? (Yes/No)",
                  "MSGBOX [Tidymatic] Remove unused registry key associated with \"Norvane "
                  "Tallyo\" (detected as uninstalled)? (Yes/No)",
                  "MSGBOX [Tidymatic] Remove unused files associated with \"Left App\" (detected "
                  "as uninstalled)? (Yes/No)",
                  "MSGBOX [Tidymatic] Remove \"Gone SIP\" from the SIP list (detected as "
                  "uninstalled)? (Yes/No)",
                  "MSGBOX [Tidymatic] Remove \"Dead1.lnk\"? (Yes/No)",
                  "MSGBOX [Tidymatic] Remove \"Dead2.lnk\"? (Yes/No)",
                  "MSGBOX [Tidymatic] Remove \"DeadS.lnk\"? (Yes/No)"}))
        << out;
    EXPECT_TRUE(LinesStarting(out, "ERROR").empty()) << out;

    // Every row was counted when ticked ...
    size_t afterTicks = out.find("[x] 7 Dead SIPs | 1");
    ASSERT_NE(afterTicks, std::string::npos) << out;
    for (const auto& row : kAllCounted) EXPECT_NE(out.find(row), std::string::npos) << row;
    // ... and counted again after the clean.
    EXPECT_EQ(LastRows(out), (std::vector<std::string>{
                                 "[x] 0 Thumbs.db | 0 Bytes", "[x] 1 Desktop.ini | 0 Bytes",
                                 "[x] 2 Bad Theme Registry | 0", "[x] 3 Bad Uninstall Registry | 1",
                                 "[x] 4 Bad Uninstall Files | 1", "[x] 5 Dead Shortcuts | 1",
                                 "[x] 6 Startup Programs | 0", "[x] 7 Dead SIPs | 0"}))
        << out;

    platform::Platform& p = *d.image;
    EXPECT_FALSE(d.dev.Exists("\\Storage Card\\Pictures\\Thumbs.db"));
    EXPECT_FALSE(d.dev.Exists("\\Storage Card\\desktop.ini"));
    EXPECT_TRUE(KeyExists(p, platform::HKEY_CURRENT_USER, "Software\\Microsoft\\Today\\A.tsk"));
    EXPECT_FALSE(KeyExists(p, platform::HKEY_CURRENT_USER, "Software\\Microsoft\\Today\\B.tsk"));
    EXPECT_FALSE(KeyExists(p, platform::HKEY_LOCAL_MACHINE, "Software\\Apps\\Gone App"));
    EXPECT_TRUE(KeyExists(p, platform::HKEY_LOCAL_MACHINE, "Software\\Apps\\Norvane Tallyo"));
    EXPECT_TRUE(d.dev.Exists("\\Windows\\AppMgr\\Left App\\x.tmp"));
    EXPECT_FALSE(KeyExists(p, platform::HKEY_CLASSES_ROOT, "CLSID\\{5}"));
    EXPECT_FALSE(d.dev.Exists("\\Windows\\Start Menu\\Dead1.lnk"));
    EXPECT_TRUE(d.dev.Exists("\\Windows\\Start Menu\\Programs\\Dead2.lnk"));
    EXPECT_FALSE(d.dev.Exists("\\Windows\\StartUp\\DeadS.lnk"));
    EXPECT_TRUE(d.dev.Exists("\\Windows\\Start Menu\\Word.lnk"));
    // Closing reset the module.
}

TEST(AdvancedDialog, EndOfInputAnswersNoAndDeletesNothingAsked) {
    AdvDevice d("", kReg);
    AddFiles(d);
    d.Start();
    RunAdvancedScript(*d.image, "check 3\ncheck 4\ncheck 5\ntap Clean\n");
    EXPECT_TRUE(KeyExists(*d.image, platform::HKEY_LOCAL_MACHINE, "Software\\Apps\\Gone App"));
    EXPECT_TRUE(d.dev.Exists("\\Windows\\AppMgr\\Left App\\x.tmp"));
    EXPECT_TRUE(d.dev.Exists("\\Windows\\Start Menu\\Dead1.lnk"));
}

TEST(AdvancedDialog, ReopeningInOneRunGivesTheSameCounts) {
    AdvDevice d("", kReg);
    AddFiles(d);
    d.Start();
    const std::string ticks =
        "check 0\ncheck 1\ncheck 2\ncheck 3\ncheck 4\ncheck 5\ncheck 6\ncheck 7\nshow\nclose\n";
    const std::string out = RunAdvancedScript(*d.image, ticks + ticks, 2);
    // Each "show" draws the eight rows; both openings show the same counts.
    std::vector<std::string> rows = LinesStarting(out, "[x] 7 ");
    std::vector<std::vector<std::string>> shows;
    std::istringstream in(out);
    std::string line;
    std::vector<std::string> current;
    while (std::getline(in, line)) {
        if (line == "== Advanced ==") current.clear();
        if (line.rfind("[x] ", 0) == 0 || line.rfind("[ ] ", 0) == 0) current.push_back(line);
        if (current.size() == 8) {
            shows.push_back(current);
            current.clear();
        }
    }
    std::vector<std::vector<std::string>> counted;
    for (const auto& s : shows)
        if (std::all_of(s.begin(), s.end(), [](const std::string& r) { return r[1] == 'x'; }))
            counted.push_back(s);
    ASSERT_GE(counted.size(), 2u) << out;
    EXPECT_EQ(counted.front(), kAllCounted);
    EXPECT_EQ(counted.back(), kAllCounted);
    // The second opening started unticked, with empty cells.
    EXPECT_EQ(LinesStarting(out, "[ ] 7 Dead SIPs | ").size(), 2u) << out;
}

TEST(AdvancedDialog, MissingStartMenuIsReportedAndItsRowsLeftAlone) {
    AdvDevice d("", kReg);
    AddFiles(d);
    d.dev.WriteFile("\\Elsewhere\\x", "");
    d.Start();
    // The device's Start Menu folder is gone; the StartUp folder is still there.
    std::filesystem::remove_all(d.dev.HostPath("\\Windows\\Start Menu"));
    const std::string out =
        RunAdvancedScript(*d.image, "check 2\ncheck 6\ntap Clean\nanswer ok\nshow\n");
    EXPECT_EQ(LinesStarting(out, "MSGBOX "),
              std::vector<std::string>{"MSGBOX [Tidymatic] Unable to find Start Menu folder (OK)"})
        << out;
    EXPECT_TRUE(d.dev.Exists("\\Windows\\StartUp\\DeadS.lnk"));
    EXPECT_FALSE(
        KeyExists(*d.image, platform::HKEY_CURRENT_USER, "Software\\Microsoft\\Today\\B.tsk"));
    // Also when no shortcut row is ticked.
    const std::string out2 = RunAdvancedScript(*d.image, "check 0\ntap Clean\nanswer ok\n");
    EXPECT_EQ(LinesStarting(out2, "MSGBOX ").size(), 1u) << out2;
}

TEST(AdvancedDialog, TapAndHoldOffersOnlyRowEntries) {
    AdvDevice d("", kReg);
    AddFiles(d);
    d.Start();
    const std::string out = RunAdvancedScript(*d.image,
                                              "hold\n"
                                              "select 2\nhold\nchoose View Description\n"
                                              "answer ok\n");
    std::vector<std::string> popups = LinesStarting(out, "POPUP");
    ASSERT_EQ(popups.size(), 2u) << out;
    EXPECT_EQ(popups[0], "POPUP (none)");
    EXPECT_EQ(popups[1], "POPUP View Description | --- | Clean Selected");
    EXPECT_EQ(LinesStarting(out, "MSGBOX "),
              std::vector<std::string>{
                  "MSGBOX [Bad Theme Registry] This is to clear unused registry left behind by "
                  "themes which are no longer in use. (OK)"})
        << out;
}

TEST(AdvancedDialog, CleanSelectedCleansThatRowAlone) {
    AdvDevice d("", kReg);
    AddFiles(d);
    d.Start();
    // Row 7 ticked and counted; "Clean Selected" on row 6 cleans only the StartUp shortcuts.
    const std::string out = RunAdvancedScript(*d.image,
                                              "check 7\nselect 6\nhold\nchoose Clean Selected\n"
                                              "answer yes\nshow\n");
    EXPECT_EQ(LinesStarting(out, "MSGBOX "),
              std::vector<std::string>{"MSGBOX [Tidymatic] Remove \"DeadS.lnk\"? (Yes/No)"})
        << out;
    EXPECT_FALSE(d.dev.Exists("\\Windows\\StartUp\\DeadS.lnk"));
    EXPECT_TRUE(KeyExists(*d.image, platform::HKEY_CLASSES_ROOT, "CLSID\\{5}"));
    // Its Count cell shows the fresh count though the row is not ticked.
    std::vector<std::string> rows = LastRows(out);
    ASSERT_EQ(rows.size(), 8u) << out;
    EXPECT_EQ(rows[6], "[ ] 6 Startup Programs | 0");
    EXPECT_EQ(rows[7], "[x] 7 Dead SIPs | 1");

    // On row 2 the theme keys go without a question, whatever is ticked.
    const std::string out2 =
        RunAdvancedScript(*d.image, "check 3\nselect 2\nhold\nchoose Clean Selected\nshow\n");
    EXPECT_TRUE(LinesStarting(out2, "MSGBOX ").empty()) << out2;
    EXPECT_FALSE(
        KeyExists(*d.image, platform::HKEY_CURRENT_USER, "Software\\Microsoft\\Today\\B.tsk"));
    EXPECT_TRUE(KeyExists(*d.image, platform::HKEY_LOCAL_MACHINE, "Software\\Apps\\Gone App"));
}

TEST(AdvancedDialog, DoubleTapOpensTheRowsFolder) {
    AdvDevice d("", kReg);
    AddFiles(d);
    d.Start();
    RunAdvancedScript(*d.image, "dbltap 0\ndbltap 4\ndbltap 6\n");
    const std::string journal = d.dev.Journal();
    EXPECT_NE(journal.find("\\Windows\\AppMgr\\"), std::string::npos) << journal;
    EXPECT_NE(journal.find("\\Windows\\StartUp\\"), std::string::npos) << journal;
    EXPECT_EQ(std::count(journal.begin(), journal.end(), '\n'), 2) << journal;
}

// ---- Commands on a dialog created without a modal loop ------------------------------------

namespace {

struct OpenDialog {
    AdvDevice d{"", kReg};
    std::unique_ptr<ui::UiThread> ui;
    std::unique_ptr<app::RunState> run;
    std::unique_ptr<advanced::CAdvancedDlg> dlg;
    OpenDialog() {
        AddFiles(d);
        d.Start();
        ui = std::make_unique<ui::UiThread>();
        run = std::make_unique<app::RunState>(*d.image, ui.get());
        dlg = std::make_unique<advanced::CAdvancedDlg>(*run, *ui);
        EXPECT_TRUE(dlg->Create());
    }
    ~OpenDialog() {
        if (dlg->IsWindow()) dlg->DestroyWindow();
    }
    std::vector<std::string> Cells() {
        std::vector<std::string> c;
        for (int r = 0; r < dlg->List().GetItemCount(); ++r)
            c.push_back(N(dlg->List().GetItemText(r, 1)));
        return c;
    }
};

}  // namespace

TEST(AdvancedDialogCommands, SelectAllCountsEveryRowUnselectAllEmptiesTheCells) {
    for (int command : {10000, 32778}) {
        OpenDialog o;
        EXPECT_FALSE(o.dlg->TitleOkVisible());
        EXPECT_EQ(o.dlg->MenuBar().GetButtonCount(), 2);
        EXPECT_EQ(N(o.dlg->MenuBar().GetButton(0).text), "Clean");
        EXPECT_EQ(o.dlg->MenuBar().GetButton(0).command, 5);
        EXPECT_EQ(N(o.dlg->MenuBar().GetButton(1).text), "Close");
        EXPECT_EQ(o.dlg->MenuBar().GetButton(1).command, 2);
        EXPECT_EQ(o.dlg->List().bulkEntriesHidden, 1);

        o.dlg->SendCommand(command);
        EXPECT_EQ(o.Cells(), (std::vector<std::string>{"100 Bytes", "50 Bytes", "1", "2", "1", "2",
                                                       "1", "1"}));
        for (int r = 0; r < 8; ++r) EXPECT_EQ(o.run->advanced.selection[r], 1);
        o.dlg->SendCommand(command == 10000 ? 10001 : 32779);
        EXPECT_EQ(o.Cells(), std::vector<std::string>(8, ""));
        for (int r = 0; r < 8; ++r) EXPECT_EQ(o.run->advanced.selection[r], 0);
        EXPECT_FALSE(o.ui->WaitCursorShown());
    }
}

TEST(AdvancedDialogCommands, TickingCountsUntickingWritesASpace) {
    OpenDialog o;
    auto& list = o.dlg->List();
    ASSERT_TRUE(list.UserCheck(7, true));
    EXPECT_EQ(N(list.GetItemText(7, 1)), "1");
    ASSERT_TRUE(list.UserCheck(7, false));
    EXPECT_EQ(N(list.GetItemText(7, 1)), " ");
    // A tap that only selects a row counts nothing.
    ASSERT_TRUE(list.UserSelect(3));
    EXPECT_EQ(N(list.GetItemText(3, 1)), "");
    // Commands above 10003 do nothing.
    o.dlg->SendCommand(10050);
    EXPECT_EQ(o.Cells(), (std::vector<std::string>{"", "", "", "", "", "", "", " "}));
}

TEST(AdvancedDialogCommands, DestroyResetsTheModule) {
    OpenDialog o;
    o.dlg->SendCommand(10000);
    EXPECT_FALSE(o.run->advanced.deadSips.empty());
    o.dlg->DestroyWindow();
    EXPECT_TRUE(o.run->advanced.itemNames.empty());
    EXPECT_TRUE(o.run->advanced.deadSips.empty());
    EXPECT_TRUE(o.run->advanced.storageCards.empty());
    EXPECT_TRUE(o.run->advanced.currentTheme.empty());
}

TEST(AdvancedDialogCommands, ListFillsTheDialog) {
    OpenDialog o;
    const ui::Rect client = o.dlg->GetClientRect();
    const ui::Rect list = o.dlg->List().Bounds();
    EXPECT_EQ(list.Width(), client.Width());
    EXPECT_EQ(list.Height(), client.Height());
    ASSERT_EQ(o.dlg->List().GetColumnCount(), 2);
    EXPECT_EQ(N(o.dlg->List().Columns()[0].text), "Item Type");
    EXPECT_EQ(N(o.dlg->List().Columns()[1].text), "Count");
    EXPECT_GT(o.dlg->List().GetColumnWidth(0), 0);
}
