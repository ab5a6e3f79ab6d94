// The Custom Files dialog driven through the text front end: rows added, deleted and saved to
// "files.dat", and what the next opening shows.

#include <gtest/gtest.h>

#include "TestUi.h"
#include "app/RunState.h"
#include "customfiles/CustomFileList.h"
#include "customfiles/CustomFilesDlg.h"
#include "support/TempDevice.h"

namespace tidy::customfiles {
namespace {

const char kFilesDat[] = "\\Program Files\\Tidymatic\\files.dat";
const std::string kSaved = "Custom file list has been saved.";
const std::string kCleared = "Custom file list has been cleared.";

void MakeImage(test::TempDevice& dev) {
    for (const char* d : {"\\Program Files\\Tidymatic", "\\My Documents\\Notes", "\\Cache"})
        dev.MakeDir(d);
}

std::string Dat(const CustomFileList& entries) {
    return EncodeCustomFileList(entries);
}

struct Outcome {
    std::string out;
    std::vector<std::string> messages;
};

Outcome RunCustomFiles(platform::Platform& p, const std::string& script) {
    Outcome o;
    o.out = test::RunScript(p, script, [](app::RunState& run) { RunCustomFilesDialog(run); });
    o.messages = test::MessageBoxes(o.out);
    return o;
}

// The rows the dialog shows when opened on the device.
std::vector<CustomFileRow> RowsShown(platform::Platform& p) {
    ui::UiThread ui;
    app::RunState run(p, &ui);
    CCustomFilesDlg dlg(run, ui);
    std::vector<CustomFileRow> rows;
    if (!dlg.Create()) return rows;
    for (int r = 0; r < dlg.List().GetItemCount(); ++r)
        rows.push_back({dlg.List().GetItemText(r, 0), dlg.List().GetItemText(r, 1)});
    dlg.DestroyWindow();
    return rows;
}

const std::string kAddTmp =
    "tap 1036\ntree My Device/My Documents/Notes\ntap OK\n"
    "type 1033 *.tmp\ntap 1037\n";

TEST(CustomFilesDialog, ScriptsTable) {
    struct Case {
        const char* name;
        CustomFileList before;  // files.dat at opening (empty: no file)
        std::string script;
        std::vector<std::string> messages;
        CustomFileList after;  // files.dat afterwards (empty: no file)
    };
    const CustomFileList existing = {u"\\Cache\\*.dat", u"\\Cache\\old.log"};
    const CustomFileList tmp = {u"\\My Documents\\Notes\\*.tmp"};
    const std::string deleteRow = "hold\nchoose Delete\n";
    // clang-format off
    const Case cases[] = {
        {"add and save", {}, kAddTmp + "tap Save\n", {kSaved}, tmp},
        {"rows appended after the loaded ones", existing, kAddTmp + "tap Save\n", {kSaved},
         {u"\\Cache\\*.dat", u"\\Cache\\old.log", u"\\My Documents\\Notes\\*.tmp"}},
        {"same row twice is saved once", {}, kAddTmp + kAddTmp + "tap Save\n", {kSaved}, tmp},
        {"empty name saves the folder", {},
         "tap 1036\ntree My Device/Cache\ntap OK\ntap 1037\ntap Save\n", {kSaved},
         {u"\\Cache\\"}},
        {"add without a folder does nothing", {}, "type 1033 a.txt\ntap 1037\ntap Save\n",
         {kCleared}, {}},
        {"delete the selected row", existing, "select 0\n" + deleteRow + "tap Save\n", {kSaved},
         {u"\\Cache\\old.log"}},
        {"delete every row clears the file", existing,
         "select 1\n" + deleteRow + "select 0\n" + deleteRow + "tap Save\n", {kCleared}, {}},
        {"close without saving", existing, kAddTmp + "tap Close\n", {}, existing},
        {"Enter closes without saving", existing, kAddTmp + "key enter\n", {}, existing},
        {"save twice", {}, kAddTmp + "tap Save\nanswer ok\nselect 0\n" + deleteRow + "tap Save\n",
         {kSaved, kCleared}, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        test::TempDevice dev;
        MakeImage(dev);
        if (!c.before.empty()) dev.WriteFile(kFilesDat, Dat(c.before));
        auto img = dev.Open();
        const Outcome o = RunCustomFiles(*img, c.script);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(o.messages, c.messages) << o.out;
        EXPECT_TRUE(test::Errors(o.out).empty()) << o.out;
        EXPECT_EQ(dev.Exists(kFilesDat), !c.after.empty());
        EXPECT_EQ(dev.ReadFile(kFilesDat), c.after.empty() ? "" : Dat(c.after));
    }
}

TEST(CustomFilesDialog, HoldWithoutSelectionShowsNoMenu) {
    test::TempDevice dev;
    MakeImage(dev);
    dev.WriteFile(kFilesDat, Dat({u"\\Cache\\*.dat"}));
    auto img = dev.Open();
    const Outcome o = RunCustomFiles(*img, "hold\n");
    EXPECT_NE(o.out.find("POPUP (none)"), std::string::npos) << o.out;
}

TEST(CustomFilesDialog, OpeningShowsOnlyEntriesWithFolderAndName) {
    test::TempDevice dev;
    MakeImage(dev);
    dev.WriteFile(kFilesDat,
                  Dat({u"\\Cache\\", u"no-backslash", u"\\My Documents\\a b.txt", u"\\x.log"}));
    auto img = dev.Open();
    EXPECT_EQ(RowsShown(*img),
              (std::vector<CustomFileRow>{{u"a b.txt", u"\\My Documents\\"}, {u"x.log", u"\\"}}));
}

TEST(CustomFilesDialog, LayoutFillsTheScreenAfterTurning) {
    test::TempDevice dev;
    MakeImage(dev);
    auto img = dev.Open();
    ui::UiThread ui;
    app::RunState run(*img, &ui);
    CCustomFilesDlg dlg(run, ui);
    ASSERT_TRUE(dlg.Create());
    auto check = [&](int cx, int cy) {
        SCOPED_TRACE(cx);
        const ui::Rect list = dlg.GetDlgItem(IDC_CF_LIST)->Bounds();
        const ui::Rect folder = dlg.GetDlgItem(IDC_CF_FOLDER)->Bounds();
        const ui::Rect name = dlg.GetDlgItem(IDC_CF_FILENAME)->Bounds();
        const ui::Rect browse = dlg.GetDlgItem(IDC_CF_BROWSE)->Bounds();
        const ui::Rect add = dlg.GetDlgItem(IDC_CF_ADD)->Bounds();
        const int margin = list.left;
        EXPECT_EQ(list.right, cx - margin);
        EXPECT_EQ(list.bottom, cy - 4 * folder.top);
        EXPECT_EQ(browse.right, cx - margin);
        EXPECT_EQ(add.right, cx - margin);
        EXPECT_EQ(folder.right, browse.left - margin);
        EXPECT_EQ(name.right, add.left - margin);
    };
    const ui::Rect buttonBefore = dlg.GetDlgItem(IDC_CF_ADD)->Bounds();
    check(dlg.GetClientRect().Width(), dlg.GetClientRect().Height());
    ui::ScreenMetrics turned;
    turned.width = 320;
    turned.height = 240;
    ui.SetScreen(turned);
    check(320, dlg.GetClientRect().Height());
    const ui::Rect buttonAfter = dlg.GetDlgItem(IDC_CF_ADD)->Bounds();
    EXPECT_EQ(buttonAfter.Width(), buttonBefore.Width());
    EXPECT_EQ(buttonAfter.top, buttonBefore.top);
    dlg.DestroyWindow();
}

TEST(CustomFilesDialog, ColumnWidthsFollowTheScreen) {
    struct Case {
        int w, h, name, folder;
    };
    const Case cases[] = {{240, 320, 115, 100}, {320, 240, 115, 100}, {320, 320, 153, 133},
                          {480, 640, 230, 200}, {640, 480, 230, 200}, {480, 320, 115, 100}};
    for (const auto& c : cases)
        EXPECT_EQ(CustomFileColumnWidths(c.w, c.h), std::make_pair(c.name, c.folder))
            << c.w << "x" << c.h;
}

}  // namespace
}  // namespace tidy::customfiles
