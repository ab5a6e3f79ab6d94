// The Options dialog driven through the text front end: Apply's messages for each kind of
// change, what each leaves on the device, and the shortcuts made from its menu.

#include <gtest/gtest.h>

#include <filesystem>

#include "TestUi.h"
#include "app/RunState.h"
#include "settings/Options.h"
#include "settings/OptionsDlg.h"
#include "settings/SaveShortcutDlg.h"
#include "support/TempDevice.h"

namespace tidy::settings {
namespace {

namespace fs = std::filesystem;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using test::RegText;

constexpr char16_t kTidyKey[] = u"Software\\Norvane\\Tidymatic";
const std::string kAsk = "Are you sure you want to apply the new settings?";
const std::string kNoAction = "No Action taken.";
const std::string kEnabled = "Startup option has been enabled.";
const std::string kReboot = "Please reboot your device to apply the changes";

const char kRegistry[] = R"(Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Norvane\Tidymatic]
"Custom"="\\My Documents"
"Custom2"="\\My Documents"
"Custom3"="\\My Documents"

[HKEY_LOCAL_MACHINE\System\Inbox\Settings]
"AttachPath"="\\Windows\\Messaging\\Attachments"
)";

void MakeImage(test::TempDevice& dev) {
    for (const char* d :
         {"\\Windows\\StartUp", "\\Windows\\Start Menu\\Programs\\Games", "\\My Documents",
          "\\Program Files\\Tidymatic", "\\Storage Card", "\\Windows_"})
        dev.MakeDir(d);
    dev.WriteFile("\\Windows\\Messaging\\Attachments\\pic.jpg", "jpg");
}

struct Outcome {
    std::string out;
    std::vector<std::string> messages;
};

Outcome RunOptions(platform::Platform& p, const std::string& script) {
    Outcome o;
    o.out = test::RunScript(p, script, [](app::RunState& run) { RunOptionsDialog(run); });
    o.messages = test::MessageBoxes(o.out);
    return o;
}

const char kBrowseWindowsUnderscore[] = "tap 1027\ntree My Device/Windows_\ntap OK\n";

TEST(OptionsDialog, ApplyMessageMatrix) {
    struct Case {
        const char* name;
        std::string script;
        std::vector<std::string> messages;
        std::string custom;  // "Custom" afterwards
        bool startup;        // the start-up shortcut exists afterwards
        bool mailMoved;
        bool cacheMoved;
    };
    const std::string apply = "menu 1018\n";
    const std::string browseWindows_ = kBrowseWindowsUnderscore;
    const std::string docs = "\\My Documents";
    // clang-format off
    const Case cases[] = {
        {"nothing changed", apply, {kNoAction}, docs, false, false, false},
        {"Enter does nothing", "key enter\n" + apply, {kNoAction}, docs, false, false, false},
        {"only start-up", "toggle 1026\n" + apply, {kEnabled}, docs, true, false, false},
        {"start-up, then nothing", "toggle 1026\n" + apply + "answer ok\n" + apply,
         {kEnabled, kNoAction}, docs, true, false, false},
        {"custom folder changed",
         "tap 1027\ntree My Device/Program Files\ntap OK\n" + apply + "answer yes\n",
         {kAsk, "Custom Folder Changed."}, "\\Program Files", false, false, false},
        // "\Windows_" loses its last character and becomes "\Windows"; the edit box shows the
        // saved folder again, so a second Apply finds nothing to do.
        {"custom folder rejected", browseWindows_ + apply + "answer yes\nanswer ok\n" + apply,
         {kAsk, kNoAction, kNoAction}, docs, false, false, false},
        {"custom rejected with start-up",
         "toggle 1026\n" + browseWindows_ + apply + "answer ok\nanswer yes\n",
         {kEnabled, kAsk}, docs, true, false, false},
        {"custom rejected with mail move",
         browseWindows_ + "pick 1025 Storage Card\n" + apply + "answer yes\n",
         {kAsk, kNoAction}, docs, false, true, false},
        {"custom rejected with cache move",
         browseWindows_ + "pick 1024 Storage Card\n" + apply + "answer yes\n",
         {kAsk, kReboot}, docs, false, false, true},
        {"mail move", "pick 1025 Storage Card\n" + apply + "answer yes\n",
         {kAsk}, docs, false, true, false},
        {"cache move", "pick 1024 Storage Card\n" + apply + "answer yes\nanswer ok\n" + apply,
         {kAsk, kReboot, kNoAction}, docs, false, false, true},
        {"answered no", "pick 1024 Storage Card\npick 1025 1\n" + apply + "answer no\n",
         {kAsk}, docs, false, false, false},
        {"browse the Windows folder", "tap 1027\ntree My Device/Windows\ntap OK\n" + apply,
         {kNoAction}, docs, false, false, false},
        {"browse the device root", "tap 1027\ntree My Device\ntap OK\n" + apply,
         {kNoAction}, docs, false, false, false},
        {"browse cancelled", "tap 1027\ntree My Device/Program Files\ntap Cancel\n" + apply,
         {kNoAction}, docs, false, false, false},
    };
    // clang-format on
    for (const auto& c : cases) {
        test::TempDevice dev("", kRegistry);
        MakeImage(dev);
        auto img = dev.Open();
        const Outcome o = RunOptions(*img, c.script);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(o.messages, c.messages) << o.out;
        EXPECT_TRUE(test::Errors(o.out).empty()) << o.out;
        EXPECT_EQ(RegText(*img, HKEY_CURRENT_USER, kTidyKey, u"Custom"), c.custom);
        EXPECT_EQ(dev.Exists("\\Windows\\StartUp\\Tidymatic Startup.lnk"), c.startup);
        EXPECT_EQ(dev.Exists("\\Storage Card\\Mail Attachments\\pic.jpg"), c.mailMoved);
        EXPECT_EQ(dev.Exists("\\Windows\\Messaging\\Attachments\\pic.jpg"), !c.mailMoved);
        EXPECT_EQ(
            RegText(*img, HKEY_LOCAL_MACHINE, u"System\\Inbox\\Settings", u"AttachPath"),
            c.mailMoved ? "\\Storage Card\\Mail Attachments" : "\\Windows\\Messaging\\Attachments");
        EXPECT_EQ(dev.Exists("\\Storage Card\\Temporary Internet Files"), c.cacheMoved);
        EXPECT_EQ(RegText(*img, HKEY_CURRENT_USER, kShellFoldersKey, u"Cache"),
                  c.cacheMoved ? "\\Storage Card\\Temporary Internet Files" : "<absent>");
    }
}

TEST(OptionsDialog, StartupOptionShownAndSwitchedOff) {
    test::TempDevice dev("", kRegistry);
    MakeImage(dev);
    auto img = dev.Open();
    RunOptions(*img, "toggle 1026\nmenu 1018\n");
    ASSERT_TRUE(dev.Exists("\\Windows\\StartUp\\Tidymatic Startup.lnk"));
    // Opened again, the box is ticked; clearing it removes the shortcut.
    const Outcome o = RunOptions(*img, "toggle 1026\nmenu 1018\n");
    EXPECT_EQ(o.messages, std::vector<std::string>{"Startup option has been disabled."}) << o.out;
    EXPECT_FALSE(dev.Exists("\\Windows\\StartUp\\Tidymatic Startup.lnk"));
}

TEST(OptionsDialog, ExpressShortcutInAProgramsSubfolder) {
    test::TempDevice dev("", kRegistry);
    MakeImage(dev);
    dev.WriteFile("\\Windows\\Start Menu\\Programs\\Games\\Tidymatic Express.lnk", "old");
    auto img = dev.Open();
    const Outcome o = RunOptions(*img, "menu 32789\npick 1032 Games\ntap OK\n");
    EXPECT_EQ(o.messages,
              std::vector<std::string>{"Shortcut for Express Mode created successfully."})
        << o.out;
    std::u16string target;
    ASSERT_TRUE(img->ReadShortcut(u"\\Windows\\Start Menu\\Programs\\Games\\Tidymatic Express.lnk",
                                  target));
    EXPECT_EQ(target, u"\"\\Program Files\\Tidymatic\\Tidymatic.exe\" -e");
}

TEST(OptionsDialog, SoftResetShortcutCancelledOrWithoutProgramsFolder) {
    test::TempDevice dev("", kRegistry);
    MakeImage(dev);
    auto img = dev.Open();
    Outcome o = RunOptions(*img, "menu 32797\ntap Cancel\n");
    EXPECT_TRUE(o.messages.empty()) << o.out;
    EXPECT_FALSE(dev.Exists("\\Windows\\Start Menu\\Reboot.lnk"));
    o = RunOptions(*img, "menu 32797\ntap OK\n");
    EXPECT_EQ(o.messages,
              std::vector<std::string>{"Shortcut for Soft Reset created successfully."});
    EXPECT_TRUE(dev.Exists("\\Windows\\Start Menu\\Reboot.lnk"));

    fs::remove_all(dev.HostPath("\\Windows\\Start Menu\\Programs"));
    o = RunOptions(*img, "menu 32797\n");
    EXPECT_EQ(o.messages, std::vector<std::string>{"Unable to find Start Menu folder"});
}

TEST(OptionsDialog, TurningTheScreenKeepsRightEdgesInPlace) {
    test::TempDevice dev("", kRegistry);
    MakeImage(dev);
    auto img = dev.Open();
    ui::UiThread ui;
    app::RunState run(*img, &ui);
    COptionsDlg dlg(run, ui);
    ASSERT_TRUE(dlg.Create());
    const int ids[] = {IDC_CACHE_ROOT,     IDC_MAIL_LOCATION,  IDC_CUSTOM_FOLDER1,
                       IDC_CUSTOM_FOLDER2, IDC_CUSTOM_FOLDER3, IDC_BROWSE1,
                       IDC_BROWSE2,        IDC_BROWSE3};
    auto gaps = [&] {
        // Distance from the right edge; buttons also keep their width.
        std::vector<std::pair<int, int>> g;
        const int cx = dlg.GetClientRect().Width();
        for (int id : ids) {
            const ui::Rect r = dlg.GetDlgItem(id)->Bounds();
            const bool button = id == IDC_BROWSE1 || id == IDC_BROWSE2 || id == IDC_BROWSE3;
            g.push_back({cx - r.right, button ? r.Width() : 0});
        }
        return g;
    };
    const auto before = gaps();
    const int editLeft = dlg.GetDlgItem(IDC_CUSTOM_FOLDER1)->Bounds().left;
    ui::ScreenMetrics turned;
    turned.width = 320;
    turned.height = 240;
    ui.SetScreen(turned);
    EXPECT_EQ(dlg.GetClientRect().Width(), 320);
    EXPECT_EQ(gaps(), before);
    EXPECT_EQ(dlg.GetDlgItem(IDC_CUSTOM_FOLDER1)->Bounds().left, editLeft);
    EXPECT_GT(dlg.GetDlgItem(IDC_CUSTOM_FOLDER1)->Bounds().Width(), 200);
    dlg.DestroyWindow();
}

TEST(SaveShortcutDialog, LocationsInSortedOrder) {
    test::TempDevice dev;
    const std::string programs = "\\Windows\\Start Menu\\Programs\\";
    for (const char* d : {"Games\\Puzzles", "accessories", "Tools"}) dev.MakeDir(programs + d);
    auto img = dev.Open();
    ui::UiThread ui;
    app::RunState run(*img, &ui);
    CSaveShortcutDlg dlg(run, ui);
    dlg.fileName = kExpressShortcutName;
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.Locations().Items(),
              (std::vector<std::u16string>{u"<Start Menu>", u"<Programs>", u"accessories", u"Games",
                                           u"Games\\Puzzles", u"Tools"}));
    EXPECT_EQ(dlg.Locations().GetCurSel(), 0);
    dlg.Locations().SetCurSel(4);
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.resultPath, text::FromUtf8(programs) + u"Games\\Puzzles\\Tidymatic Express.lnk");
}

TEST(SaveShortcutDialog, EmptyProgramsFolderGivesTwoLocations) {
    test::TempDevice dev;
    dev.MakeDir("\\Windows\\Start Menu\\Programs");
    auto img = dev.Open();
    ui::UiThread ui;
    app::RunState run(*img, &ui);
    CSaveShortcutDlg dlg(run, ui);
    dlg.fileName = kSoftResetShortcutName;
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.Locations().Items(),
              (std::vector<std::u16string>{u"<Start Menu>", u"<Programs>"}));
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.resultPath, u"\\Windows\\Start Menu\\Reboot.lnk");
}

}  // namespace
}  // namespace tidy::settings
