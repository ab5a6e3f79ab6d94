#include <gtest/gtest.h>

#include <sstream>

#include "TestDialogs.h"
#include "ui/text/TextFrontEnd.h"

using namespace tidy::ui;
using namespace tidy::ui::test;
using tidy::ui::text::TextFrontEnd;

namespace {

struct Transcript {
    std::vector<std::string> lines;
    std::vector<std::string> log;
    int result = 0;
    bool Has(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // Index of the first line equal to line at or after from; -1 when none.
    int Find(const std::string& line, int from = 0) const {
        for (size_t i = from; i < lines.size(); ++i)
            if (lines[i] == line) return static_cast<int>(i);
        return -1;
    }
    std::string All() const {
        std::string s;
        for (auto& l : lines) s += l + "\n";
        return s;
    }
};

template <class Dlg = CTestDlg>
Transcript RunScript(const std::string& script) {
    UiThread ui(ScreenMetrics{}, TestResources());
    std::istringstream in(script);
    std::ostringstream out;
    Transcript run;
    {
        TextFrontEnd fe(ui, &in, out);
        fe.Start();
        Dlg dlg(ui);
        run.result = dlg.DoModal();
        fe.Stop();
        run.log = dlg.log;
    }
    std::istringstream o(out.str());
    for (std::string l; std::getline(o, l);) run.lines.push_back(l);
    return run;
}

TEST(TextFrontEnd, DrawsTheWindowAndDrivesItsControls) {
    Transcript r = RunScript(
        "show\n"
        "check 1\n"
        "select temp\n"
        "pick 1006 Beta\n"
        "type 1004 hello world\n"
        "toggle 1003\n"
        "dbltap 2\n"
        "key enter\n"
        "show\n");
    SCOPED_TRACE(r.All());
    // Drawn once when it opens, then for each "show".
    int first = r.Find("== Test ==");
    ASSERT_GE(first, 0);
    int second = r.Find("== Test ==", first + 1);
    int third = r.Find("== Test ==", second + 1);
    ASSERT_GT(third, second);
    EXPECT_EQ(r.lines[first + 1], "[list 1001] Name | Value");
    EXPECT_EQ(r.lines[first + 2], "[ ] 0 Temp |  ");
    EXPECT_EQ(r.lines[first + 3], "[ ] 1 Cache |  ");
    EXPECT_EQ(r.lines[first + 4], "[ ] 2 Cookies |  ");
    EXPECT_EQ(r.lines[first + 5], "[button 1002] Go");
    EXPECT_EQ(r.lines[first + 6], "[checkbox 1003] [ ] Option");
    EXPECT_EQ(r.lines[first + 7], "[edit 1004] ");
    EXPECT_EQ(r.lines[first + 8], "[edit 1005, read-only] ");
    EXPECT_EQ(r.lines[first + 9], "[combo 1006] selected: Alpha; items: Alpha | Beta");
    EXPECT_EQ(r.lines[first + 10], "[label] Hello");
    EXPECT_EQ(r.lines[first + 11], "[menubar] Go | Menu");
    // The last drawing shows what the commands did.
    std::vector<std::string> last(r.lines.begin() + third, r.lines.end());
    auto has = [&](const std::string& l) {
        return std::find(last.begin(), last.end(), l) != last.end();
    };
    EXPECT_TRUE(has("[x] 1 Cache | 1 KB"));
    EXPECT_TRUE(has("(selected row 2)"));
    EXPECT_TRUE(has("[checkbox 1003] [x] Option"));
    EXPECT_TRUE(has("[edit 1004] hello world"));
    EXPECT_TRUE(has("[combo 1006] selected: Beta; items: Alpha | Beta"));
    std::vector<std::string> want = {
        "activate 1",   "check 1 on", "command 1006/1", "command 1004/768",
        "command 1003", "dbltap 2",   "command 1",      "ok",
        "command 2",    "cancel"};
    EXPECT_EQ(r.log, want);
    EXPECT_EQ(r.result, IDCANCEL);
}

TEST(TextFrontEnd, MessageBoxesPopUpsAndMenus) {
    Transcript r = RunScript(
        "menu Menu/Ask\n"
        "answer yes\n"
        "menu 40001\n"
        "key escape\n"
        "close\n"
        "select 0\n"
        "hold\n"
        "choose Beta\n"
        "tap Menu\n");
    SCOPED_TRACE(r.All());
    EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(),
                         "MSGBOX [Tidymatic] Proceed?\\nReally? (Yes/No)"),
              2);
    EXPECT_TRUE(r.Has("ERROR escape does not close this message box"));
    EXPECT_TRUE(r.Has("POPUP Alpha | --- | Beta"));
    int menu = r.Find("MENU Menu");
    ASSERT_GE(menu, 0);
    EXPECT_EQ(r.lines[menu + 1], "  Ask (40001)");
    EXPECT_EQ(r.lines[menu + 3], "  Sub >");
    EXPECT_EQ(r.lines[menu + 4], "    Item (40003)");
    EXPECT_EQ(r.lines[menu + 5], "  ---");
    std::vector<std::string> want = {"activate 1", "command 40001", "activate 0", "activate 1",
                                     "answer 6",   "command 40001", "activate 0", "activate 1",
                                     "answer 7",   "command 41001", "command 2",  "cancel"};
    EXPECT_EQ(r.log, want);
}

TEST(TextFrontEnd, BadCommandsGiveOneErrorLineEach) {
    Transcript r = RunScript(
        "bogus\n"
        "check 99\n"
        "check Nothing\n"
        "answer yes\n"
        "type 1005 x\n"
        "type 4711 x\n"
        "pick 1006 Gamma\n"
        "toggle 1002\n"
        "tap Nothing\n"
        "menu Menu/Sub\n"
        "menu 12345\n"
        "choose Beta\n"
        "tree My Device\n"
        "key space\n"
        "check\n"
        "# a comment\n"
        "\n");
    SCOPED_TRACE(r.All());
    std::vector<std::string> errors;
    for (auto& l : r.lines)
        if (l.rfind("ERROR", 0) == 0) errors.push_back(l);
    std::vector<std::string> want = {
        "ERROR unknown command 'bogus'",
        "ERROR no row 99 (the list has 3 rows)",
        "ERROR no row 'Nothing'",
        "ERROR no message box is shown",
        "ERROR edit box 1005 is read-only",
        "ERROR no edit box 4711 in 'Test'",
        "ERROR combo box 1006 has no item 'Gamma'",
        "ERROR no check box 1002 in 'Test'",
        "ERROR no button 'Nothing' in 'Test'",
        "ERROR no menu entry 'Menu/Sub'",
        "ERROR no menu entry '12345'",
        "ERROR no pop-up menu is shown",
        "ERROR 'Test' has no tree",
        "ERROR key enter or key escape, not 'space'",
        "ERROR 'check' needs a row",
    };
    EXPECT_EQ(errors, want);
    std::vector<std::string> log = {"activate 1", "command 2", "cancel"};
    EXPECT_EQ(r.log, log);
}

TEST(TextFrontEnd, EndOfInputAnswersSafelyAndClosesInnermostFirst) {
    // A question left open: it gets No, then the dialog closes through OnCancel.
    Transcript q = RunScript("menu Ask\n");
    SCOPED_TRACE(q.All());
    std::vector<std::string> want = {"activate 1", "command 40001", "activate 0", "activate 1",
                                     "answer 7",   "command 2",     "cancel"};
    EXPECT_EQ(q.log, want);
    EXPECT_LT(q.Find("== Test =="), q.Find("MSGBOX [Tidymatic] Proceed?\\nReally? (Yes/No)"));

    // A child dialog left open: the child first, then its owner. Its tree is drivable.
    Transcript c = RunScript(
        "menu Open Child\n"
        "tree windows/Fonts\n"
        "tree My Device/Nowhere\n"
        "key enter\n"
        "show\n");
    SCOPED_TRACE(c.All());
    EXPECT_TRUE(c.Has("== Child =="));
    EXPECT_TRUE(c.Has("ERROR no folder 'My Device/Nowhere' in the tree"));
    EXPECT_TRUE(c.Has("    [-] windows"));
    EXPECT_TRUE(c.Has("          Fonts <selected>"));
    want = {"activate 1",    "command 40002", "activate 0",     "tree return", "child cancel",
            "child destroy", "activate 1",    "child result 2", "command 2",   "cancel"};
    EXPECT_EQ(c.log, want);
    // Back in the owner, it is drawn again.
    int child = c.Find("== Child ==");
    EXPECT_GT(c.Find("== Test ==", child), child);
}

TEST(TextFrontEnd, AWindowThatWillNotCloseIsEndedWithAnError) {
    struct Stubborn : CTestDlg {
        using CTestDlg::CTestDlg;
        void OnCancel() override { log.push_back("refuse"); }
    };
    Transcript r = RunScript<Stubborn>("show\n");
    SCOPED_TRACE(r.All());
    EXPECT_TRUE(r.Has("ERROR window 'Test' does not close; ending it"));
    EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "refuse"), 3);
    EXPECT_EQ(r.result, IDCANCEL);
}

TEST(TextFrontEnd, CommandsWaitForBackgroundWorkThatHoldsInput) {
    // "Go" holds input while its worker runs; the next command is handled only afterwards.
    Transcript r = RunScript(
        "tap Go\n"
        "show\n"
        "tap Go\n"
        "wait\n"
        "uncheck 0\n");
    SCOPED_TRACE(r.All());
    EXPECT_TRUE(r.Has("[ ] 0 Temp | refreshed"));
    EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "command 40010"), 2);
    EXPECT_EQ(r.log.back(), "cancel");
}

}  // namespace
