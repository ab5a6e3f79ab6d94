// The MRU Cleaner dialog, driven through the text front end as a person would: open, tick,
// clean, close, open again; the registry is checked value by value afterwards.

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "MruTestSupport.h"
#include "app/RunState.h"
#include "mru/MruCleanerDlg.h"
#include "mru/MruTable.h"
#include "support/TempDevice.h"
#include "ui/framework/UiThread.h"
#include "ui/text/TextFrontEnd.h"

using namespace tidy;
using namespace tidy::test;

namespace {

const char kSettings[] = "HKEY_CURRENT_USER\\Software\\Norvane\\Tidymatic";

struct Row {
    bool ticked = false;
    std::string label;
    std::string count;
    friend bool operator==(const Row&, const Row&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Row& r) {
        return os << (r.ticked ? "[x] " : "[ ] ") << r.label << " | " << r.count;
    }
};

std::string TrimCopy(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The rows of the last drawing of the dialog in the front end's output.
std::vector<Row> LastRows(const std::string& out) {
    const auto at = out.rfind("== MRU Cleaner ==");
    if (at == std::string::npos) return {};
    std::map<int, Row> rows;
    std::istringstream in(out.substr(at));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        if (line.rfind("== ", 0) == 0) break;
        if (line.size() < 5 || line[0] != '[' || line[2] != ']') continue;
        Row r;
        r.ticked = line[1] == 'x';
        std::string rest = line.substr(4);
        const auto space = rest.find(' ');
        const int index = std::stoi(rest.substr(0, space));
        rest = rest.substr(space + 1);
        const auto bar = rest.find(" |");
        r.label = TrimCopy(rest.substr(0, bar));
        r.count = bar == std::string::npos ? "" : TrimCopy(rest.substr(bar + 2));
        rows[index] = r;
    }
    std::vector<Row> v;
    for (auto& [i, r] : rows) v.push_back(r);
    return v;
}

// Runs the MRU Cleaner as the main window's command does, with the text front end reading
// `script`; returns what the front end printed.
std::string RunDialog(platform::Platform& p, const std::string& script, int* result = nullptr) {
    ui::UiThread ui;
    std::istringstream in(script);
    std::ostringstream out;
    ui::text::TextFrontEnd fe(ui, &in, out);
    ui.AddFrontEnd(&fe);
    fe.Start();
    app::RunState run(p, &ui);
    const int r = mru::RunMruCleanerDialog(run);
    if (result) *result = r;
    fe.Stop();
    ui.RemoveFrontEnd(&fe);
    EXPECT_FALSE(mru::MruTableWellFormed(run)) << "the table is emptied when the dialog closes";
    return out.str();
}

std::string SampleRegistry(const std::string& mru) {
    std::string reg = kRegHeader;
    if (!mru.empty()) reg += std::string("[") + kSettings + "]\n\"MRU\"=\"" + mru + "\"\n\n";
    reg += std::string("[") + kRowKeys[0] +
           "]\n\"0\"=\"rtsp://a\"\n\"1\"=\"rtsp://b\"\n\"2\"=\"c\"\n\n";
    reg += std::string("[") + kRowKeys[1] +
           "]\n\"Playlist 1\"=\"a\"\n\"Playlist 2\"=\"b\"\n\"Playlist 4\"=\"d\"\n"
           "\"Volume\"=dword:00000050\n\n";
    reg += std::string("[") + kRowKeys[2] + "]\n\"MRU0\"=\"a\"\n\"MRU1\"=\"b\"\n\n";
    // Row 3 (UKEditor) is not installed.
    reg += std::string("[") + kRowKeys[4] + "]\n\"File1\"=\"a\"\n\"FCount\"=dword:00000001\n\n";
    reg += std::string("[") + kRowKeys[5] + "]\n\"MRUList\"=\"ba\"\n\"a\"=\"x\"\n\"b\"=\"y\"\n\n";
    reg += std::string("[") + kRowKeys[6] + "]\n\"File0\"=\"a\"\n\n";
    reg += std::string("[") + kRowKeys[7] + "]\n\"0\"=\"a.pdf\"\n\"1\"=\"b.pdf\"\n\n";
    return reg;
}

TEST(MruCleanerDialog, TickCleanCloseAndReopen) {
    TempDevice dev("", SampleRegistry("85"));
    auto p = dev.Open();

    // Stored 85: rows 0, 2 and 7 ticked and counted, the others unticked with empty cells.
    std::string out = RunDialog(*p,
                                "show\n"
                                "check 3\n"    // not installed
                                "uncheck 7\n"  // its cell empties
                                "check 1\n"    // the list ends at the gap
                                "show\n");
    const std::vector<Row> opened = {
        {true, "HTC Streaming", "3"},
        {false, "Queuely", ""},
        {true, "UKNote", "2"},
        {false, "UKEditor", ""},
        {false, "CEdit", ""},
        {false, "File Explorer", ""},
        {false, "Resco Photo Viewer", ""},
        {true, "Adobe Reader LE", "2"},
    };
    const auto first = out.find("== MRU Cleaner ==");
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_EQ(LastRows(out.substr(0, out.find("== MRU Cleaner ==", first + 1))), opened) << out;
    const std::vector<Row> ticked = {
        {true, "HTC Streaming", "3"},
        {true, "Queuely", "2"},
        {true, "UKNote", "2"},
        {true, "UKEditor", "Not Found"},
        {false, "CEdit", ""},
        {false, "File Explorer", ""},
        {false, "Resco Photo Viewer", ""},
        {false, "Adobe Reader LE", ""},
    };
    EXPECT_EQ(LastRows(out), ticked) << out;
    // Closing without cleaning still keeps the new tick marks: rows 0 to 3.
    EXPECT_EQ(ValueOf(*p, kSettings, "MRU"), "F");
    EXPECT_EQ(ValueOf(*p, kRowKeys[0], "0"), "rtsp://a");

    // Clean: every ticked, installed row shows 0; nothing is asked.
    out = RunDialog(*p, "check 5\ntap Clean\nshow\n");
    EXPECT_EQ(out.find("MSGBOX"), std::string::npos) << out;
    const std::vector<Row> cleaned = {
        {true, "HTC Streaming", "0"},
        {true, "Queuely", "0"},
        {true, "UKNote", "0"},
        {true, "UKEditor", "Not Found"},
        {false, "CEdit", ""},
        {true, "File Explorer", "0"},
        {false, "Resco Photo Viewer", ""},
        {false, "Adobe Reader LE", ""},
    };
    EXPECT_EQ(LastRows(out), cleaned) << out;

    // Value by value, on a second look at the saved image.
    auto saved = dev.Open();
    const std::vector<std::tuple<int, const char*, const char*>> values = {
        {0, "0", "<absent>"},
        {0, "1", "<absent>"},
        {0, "2", "<absent>"},
        {1, "Playlist 1", "<absent>"},
        {1, "Playlist 2", "<absent>"},
        {1, "Playlist 4", "d"},
        {1, "Volume", "dword:80"},
        {2, "MRU0", "<absent>"},
        {2, "MRU1", "<absent>"},
        {3, "MRU0", "<no key>"},
        {4, "File1", "a"},
        {4, "FCount", "dword:1"},
        {5, "MRUList", "<absent>"},
        {5, "a", "<absent>"},
        {5, "b", "<absent>"},
        {6, "File0", "a"},
        {7, "0", "a.pdf"},
        {7, "1", "b.pdf"},
    };
    for (const auto& [row, name, value] : values)
        EXPECT_EQ(ValueOf(*saved, kRowKeys[row], name), value) << row << " " << name;
    EXPECT_EQ(ValueOf(*saved, kSettings, "MRU"), "2F");  // rows 0, 1, 2, 3 and 5

    // Reopened: the same rows ticked, their lists empty.
    out = RunDialog(*p, "show\n");
    EXPECT_EQ(LastRows(out), cleaned) << out;
    EXPECT_EQ(ValueOf(*p, kSettings, "MRU"), "2F");
}

TEST(MruCleanerDialog, NothingTickedCleansNothing) {
    TempDevice dev("", SampleRegistry(""));
    auto p = dev.Open();
    int result = 0;
    const std::string out = RunDialog(*p, "tap Clean\nshow\ntap Close\n", &result);
    EXPECT_EQ(result, ui::IDCANCEL);
    for (const Row& r : LastRows(out)) EXPECT_EQ(r, (Row{false, r.label, ""}));
    EXPECT_EQ(LastRows(out).size(), 8u);
    EXPECT_EQ(ValueOf(*p, kRowKeys[0], "0"), "rtsp://a");
    EXPECT_EQ(ValueOf(*p, kRowKeys[1], "Playlist 1"), "a");
    EXPECT_EQ(ValueOf(*p, kRowKeys[5], "MRUList"), "ba");
    EXPECT_EQ(ValueOf(*p, kRowKeys[7], "1"), "b.pdf");
    EXPECT_EQ(ValueOf(*p, kSettings, "MRU"), "0");
}

// The window itself: menu bar, columns, list styles, the title bar's OK button.
TEST(MruCleanerDialog, BuildsItsWindow) {
    TempDevice dev("", SampleRegistry("1"));
    auto p = dev.Open();
    ui::UiThread ui;
    app::RunState run(*p, &ui);
    mru::CMruCleanerDlg dlg(run, ui);
    ASSERT_TRUE(dlg.Create());

    ASSERT_EQ(dlg.MenuBar().GetButtonCount(), 2);
    EXPECT_EQ(dlg.MenuBar().GetButton(0).text, u"Clean");
    EXPECT_EQ(dlg.MenuBar().GetButton(0).command, 5);
    EXPECT_FALSE(dlg.MenuBar().GetButton(0).isMenu);
    EXPECT_EQ(dlg.MenuBar().GetButton(1).text, u"Close");
    EXPECT_EQ(dlg.MenuBar().GetButton(1).command, 2);
    EXPECT_FALSE(dlg.TitleOkVisible());
    EXPECT_EQ(dlg.GetWindowText(), u"MRU Cleaner");

    ui::CListCtrl& list = dlg.List();
    ASSERT_EQ(list.GetColumnCount(), 2);
    EXPECT_EQ(list.Columns()[0].text, u"Application");
    EXPECT_EQ(list.Columns()[1].text, u"MRU Count");
    EXPECT_EQ(list.Columns()[0].format, ui::LVCFMT_LEFT);
    EXPECT_EQ(list.Columns()[1].format, ui::LVCFMT_LEFT);
    EXPECT_NE(list.GetExtendedStyle() & ui::LVS_EX_CHECKBOXES, 0u);
    EXPECT_NE(list.GetExtendedStyle() & ui::LVS_EX_FULLROWSELECT, 0u);
    // The list fills the client area.
    EXPECT_EQ(list.Bounds().Width(), dlg.GetClientRect().Width());
    EXPECT_EQ(list.Bounds().Height(), dlg.GetClientRect().Height());
    EXPECT_TRUE(dlg.ListEventsLive());

    dlg.DestroyWindow();
    EXPECT_EQ(ValueOf(*p, kSettings, "MRU"), "1");
    EXPECT_FALSE(mru::MruTableWellFormed(run));
}

}  // namespace
