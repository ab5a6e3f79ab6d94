// The Select Folder dialog on a small image: what the tree shows, what each way of closing it
// gives back, and Enter on an item.

#include <gtest/gtest.h>

#include <filesystem>

#include "TestUi.h"
#include "app/RunState.h"
#include "support/TempDevice.h"
#include "ui/folderpicker/FolderTree.h"
#include "ui/folderpicker/SelectFolderDlg.h"

namespace tidy::folderpicker {
namespace {

namespace fs = std::filesystem;

void MakeImage(test::TempDevice& dev) {
    for (const char* d : {"\\Windows\\FilesToBeDeleted\\Sub", "\\Windows\\Fonts", "\\Temp\\Inner",
                          "\\My Documents\\Temp", "\\Program Files\\Games", "\\Program Files\\apps",
                          "\\zeta", "\\Beta", "\\Storage Card\\Music"})
        dev.MakeDir(d);
    dev.WriteFile("\\My Documents\\note.txt", "x");
    // A link to a folder outside the image is no folder of the device.
    fs::create_directories(dev.dir + "/outside/Escape");
    fs::create_directory_symlink(dev.dir + "/outside", dev.HostPath("\\Link"));
}

// "name" for each item in display order, indented by two spaces per level.
std::vector<std::string> Shown(ui::CTreeCtrl& tree) {
    std::vector<std::string> lines;
    for (auto [item, depth] : tree.Flatten(false))
        lines.push_back(std::string(2 * depth, ' ') + text::ToUtf8(tree.GetItemText(item)));
    return lines;
}

TEST(FolderPicker, TreeShowsEveryFolderButHiddenOnesInOrder) {
    test::TempDevice dev;
    MakeImage(dev);
    auto img = dev.Open();
    ui::UiThread ui;
    app::RunState run(*img, &ui);
    CSelectFolderDlg dlg(run, ui);
    dlg.folder = u"\\program files\\GAMES\\";
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(Shown(dlg.Tree()), (std::vector<std::string>{
                                     "My Device",
                                     "  Beta",
                                     "  My Documents",
                                     "    Temp",
                                     "  Program Files",
                                     "    apps",
                                     "    Games",
                                     "  Storage Card",
                                     "    Music",
                                     "  Windows",
                                     "    Fonts",
                                     "  zeta",
                                 }));
    // The initial folder's item is selected (case ignored) and scrolled to the top.
    const ui::HTREEITEM selected = dlg.Tree().GetSelectedItem();
    ASSERT_NE(selected, 0u);
    EXPECT_EQ(dlg.Tree().GetItemText(selected), u"Games");
    EXPECT_EQ(dlg.Tree().GetFirstVisibleItem(), selected);
    EXPECT_FALSE(ui.WaitCursorShown());
    EXPECT_FALSE(dlg.TitleOkVisible());
    dlg.DestroyWindow();
}

TEST(FolderPicker, EnterTogglesTheSelectedItem) {
    test::TempDevice dev;
    MakeImage(dev);
    auto img = dev.Open();
    ui::UiThread ui;
    app::RunState run(*img, &ui);
    CSelectFolderDlg dlg(run, ui);
    dlg.folder = u"\\";
    ASSERT_TRUE(dlg.Create());
    auto& tree = dlg.Tree();
    const ui::HTREEITEM pf = tree.FindPath({u"My Device", u"Program Files"});
    ASSERT_NE(pf, 0u);
    ASSERT_TRUE(tree.UserSelect(pf));
    EXPECT_FALSE(tree.Node(pf)->expanded);
    dlg.UserEnter();
    EXPECT_TRUE(tree.Node(pf)->expanded);
    dlg.UserEnter();
    EXPECT_FALSE(tree.Node(pf)->expanded);
    EXPECT_TRUE(dlg.IsWindow());  // Enter on the tree does not end the dialog
    dlg.DestroyWindow();
}

TEST(FolderPicker, ResultsTable) {
    struct Case {
        const char* initial;
        const char* script;
        const char* result;
    };
    const Case cases[] = {
        {"\\", "tree My Device\ntap OK\n", "\\"},
        {"\\Beta\\", "tree My Device/Program Files/Games\ntap OK\n", "\\Program Files\\Games\\"},
        {"\\my documents\\", "tap OK\n", "\\My Documents\\"},
        {"\\Beta\\", "tree My Device/My Documents/Temp\ntap OK\n", "\\My Documents\\Temp\\"},
        // Nothing selected: the initial folder comes back unchanged.
        {"\\Temp\\Inner\\", "tap OK\n", "\\Temp\\Inner\\"},
        {"\\", "tap OK\n", "\\"},
        {"\\Beta\\", "tree My Device/zeta\ntap Cancel\n", ""},
        {"\\Beta\\", "tree My Device/zeta\nkey escape\n", ""},
        {"\\Beta\\", "tree My Device/zeta\n", ""},  // end of input cancels
    };
    for (const auto& c : cases) {
        test::TempDevice dev;
        MakeImage(dev);
        auto img = dev.Open();
        std::u16string result = u"<not run>";
        const std::string out = test::RunScript(*img, c.script, [&](app::RunState& run) {
            result = BrowseForFolder(run, text::FromUtf8(c.initial));
        });
        SCOPED_TRACE(std::string(c.initial) + " / " + c.script);
        EXPECT_EQ(text::ToUtf8(result), c.result) << out;
        EXPECT_TRUE(test::Errors(out).empty()) << out;
    }
}

TEST(FolderPicker, HiddenAndOutsideFoldersCannotBePicked) {
    for (const char* path : {"My Device/Temp", "My Device/Windows/FilesToBeDeleted",
                             "My Device/Link", "My Device/Link/Escape"}) {
        test::TempDevice dev;
        MakeImage(dev);
        auto img = dev.Open();
        std::u16string result;
        const std::string out = test::RunScript(
            *img, std::string("tree ") + path + "\ntap OK\n",
            [&](app::RunState& run) { result = BrowseForFolder(run, u"\\Beta\\"); });
        SCOPED_TRACE(path);
        EXPECT_EQ(test::Errors(out).size(), 1u) << out;
        EXPECT_EQ(result, u"\\Beta\\");
    }
}

TEST(FolderPicker, PathsAndHiddenFolderRule) {
    EXPECT_EQ(FolderPathOf({u"My Device"}), u"\\");
    EXPECT_EQ(FolderPathOf({u"My Device", u"Program Files", u"Games"}),
              u"\\Program Files\\Games\\");
    EXPECT_TRUE(IsHiddenFolder(u"\\Temp\\"));
    EXPECT_TRUE(IsHiddenFolder(u"\\Temp\\A\\"));
    EXPECT_TRUE(IsHiddenFolder(u"\\A\\FilesToBeDeleted\\B\\"));
    EXPECT_FALSE(IsHiddenFolder(u"\\A\\Temp\\"));
    EXPECT_FALSE(IsHiddenFolder(u"\\TEMP\\"));  // case-sensitive, as the device's rule
    EXPECT_FALSE(IsHiddenFolder(u"\\Temporary\\"));
}

}  // namespace
}  // namespace tidy::folderpicker
