// Shortcuts that start the program: targets, where the Save Shortcut dialog puts them, and the
// start-up shortcut's life.

#include <gtest/gtest.h>

#include <filesystem>

#include "TestUi.h"
#include "app/RunState.h"
#include "settings/Options.h"
#include "settings/Shortcuts.h"
#include "support/TempDevice.h"

namespace tidy::settings {
namespace {

namespace fs = std::filesystem;

constexpr char kProgram[] = "\\Program Files\\Tidymatic\\Tidymatic.exe";

struct Opened {
    explicit Opened(test::TempDevice& dev) : image(dev.Open()), run(*image, &ui) {}
    std::unique_ptr<platform::DeviceImage> image;
    test::RecordingUi ui;
    app::RunState run;
};

std::string Target(platform::Platform& p, const std::string& path) {
    std::u16string t;
    return p.ReadShortcut(text::FromUtf8(path), t) ? text::ToUtf8(t) : "<unreadable>";
}

TEST(Shortcuts, TargetStrings) {
    const std::u16string p = u"\\Program Files\\Tidymatic\\Tidymatic.exe";
    EXPECT_EQ(ExpressTarget(p), u"\"" + p + u"\" -e");
    EXPECT_EQ(StartupTarget(p), u"\"" + p + u"\" -s");
    EXPECT_EQ(SoftResetTarget(p), u"\"" + p + u"\" -x ?" + p + u",-150");
}

TEST(Shortcuts, ProgramsSubfoldersAreSortedIgnoringCase) {
    test::TempDevice dev;
    const std::string programs = "\\Windows\\Start Menu\\Programs\\";
    // Made in an order that is neither sorted nor the host's.
    for (const char* d : {"Zed", "Games\\Puzzles", "accessories", "Games\\Cards\\Old", "Bin"})
        dev.MakeDir(programs + d);
    dev.WriteFile(programs + "Notes.lnk", "1#x");
    Opened o(dev);
    auto folders = LookupShortcutFolders(o.run);
    EXPECT_EQ(text::ToUtf8(folders.programs), programs);
    std::vector<std::u16string> list;
    CollectProgramSubfolders(o.run, folders.programs, folders.programs, list);
    EXPECT_EQ(list, (std::vector<std::u16string>{u"accessories", u"Bin", u"Games", u"Games\\Cards",
                                                 u"Games\\Cards\\Old", u"Games\\Puzzles", u"Zed"}));
}

TEST(Shortcuts, SpecialFolderLookupKeepsDefaultsForEmptyAnswers) {
    test::TempDevice dev("[folders]\nstart_menu = \"\"\nprograms = \"\\\\Menu\\\\Progs\"\n");
    Opened o(dev);
    auto folders = LookupShortcutFolders(o.run);
    EXPECT_EQ(folders.startMenu, u"\\Windows\\Start Menu\\");
    EXPECT_EQ(folders.programs, u"\\Menu\\Progs\\");
}

TEST(Shortcuts, ResultPathTable) {
    ShortcutFolders f{u"\\SM\\", u"\\SM\\P\\"};
    struct Case {
        int selected;
        std::u16string text, expected;
    };
    const Case cases[] = {
        {0, u"<Start Menu>", u"\\SM\\Reboot.lnk"},
        {1, u"<Programs>", u"\\SM\\P\\Reboot.lnk"},
        {2, u"Games", u"\\SM\\P\\Games\\Reboot.lnk"},
        {3, u"Games\\Puzzles", u"\\SM\\P\\Games\\Puzzles\\Reboot.lnk"},
        {-1, u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortcutResultPath(f, c.selected, c.text, u"Reboot.lnk"), c.expected);
}

TEST(Shortcuts, WritingReplacesAFileAndReports) {
    test::TempDevice dev;
    dev.WriteFile("\\Windows\\Start Menu\\Reboot.lnk", "not a shortcut");
    Opened o(dev);
    EXPECT_TRUE(
        WriteProgramShortcut(o.run, ShortcutKind::SoftReset, u"\\Windows\\Start Menu\\Reboot.lnk"));
    EXPECT_EQ(Target(*o.image, "\\Windows\\Start Menu\\Reboot.lnk"),
              std::string("\"") + kProgram + "\" -x ?" + kProgram + ",-150");
    EXPECT_EQ(o.ui.shown,
              std::vector<std::string>{"Shortcut for Soft Reset created successfully."});
    EXPECT_EQ(o.ui.captions[0], "Tidymatic");

    // A folder that does not exist: the error message, no file.
    EXPECT_FALSE(WriteProgramShortcut(o.run, ShortcutKind::Express, u"\\Nowhere\\X.lnk"));
    EXPECT_EQ(o.ui.shown.back(), "Error creating shortcut.");
    EXPECT_EQ(o.ui.types.back(), ui::MB_OK);
}

TEST(Shortcuts, NeverWrittenOutsideTheImage) {
    test::TempDevice dev;
    const std::string outside = dev.dir + "/outside";
    fs::create_directories(outside);
    dev.MakeDir("\\Windows\\Start Menu\\Programs");
    fs::create_directory_symlink(outside, dev.HostPath("\\Windows\\Start Menu\\Programs\\Evil"));
    Opened o(dev);
    auto folders = LookupShortcutFolders(o.run);
    std::vector<std::u16string> list;
    CollectProgramSubfolders(o.run, folders.programs, folders.programs, list);
    EXPECT_TRUE(list.empty());  // a link is no folder
    EXPECT_FALSE(
        WriteProgramShortcut(o.run, ShortcutKind::Express,
                             ShortcutResultPath(folders, 2, u"Evil", kExpressShortcutName)));
    EXPECT_FALSE(WriteProgramShortcut(o.run, ShortcutKind::Express,
                                      u"\\Windows\\..\\..\\outside\\Tidymatic Express.lnk"));
    EXPECT_TRUE(fs::is_empty(outside));
}

TEST(StartupEntry, EnableDisableAndReadBack) {
    test::TempDevice dev;
    dev.MakeDir("\\Windows\\StartUp");
    Opened o(dev);
    LoadOptions(o.run);
    EXPECT_FALSE(o.run.options.startupCurrent);
    EXPECT_TRUE(EnableStartupEntry(o.run));
    EXPECT_TRUE(o.run.options.startupCurrent);
    EXPECT_EQ(Target(*o.image, "\\Windows\\StartUp\\Tidymatic Startup.lnk"),
              std::string("\"") + kProgram + "\" -s");
    o.run.options.startupCurrent = false;
    ReadStartupEntryState(o.run);
    EXPECT_TRUE(o.run.options.startupCurrent);
    EXPECT_TRUE(DisableStartupEntry(o.run));
    EXPECT_FALSE(o.run.options.startupCurrent);
    EXPECT_FALSE(dev.Exists("\\Windows\\StartUp\\Tidymatic Startup.lnk"));
    // Disabling again fails silently and leaves the state alone.
    o.run.options.startupCurrent = true;
    EXPECT_FALSE(DisableStartupEntry(o.run));
    EXPECT_TRUE(o.run.options.startupCurrent);
    EXPECT_EQ(o.ui.shown, (std::vector<std::string>{"Startup option has been enabled.",
                                                    "Startup option has been disabled."}));
}

TEST(StartupEntry, MissingStartUpFolder) {
    test::TempDevice dev;
    Opened o(dev);
    LoadOptions(o.run);
    EXPECT_FALSE(EnableStartupEntry(o.run));
    EXPECT_FALSE(o.run.options.startupCurrent);
    EXPECT_EQ(o.ui.shown, std::vector<std::string>{"Unable to find startup folder"});
    EXPECT_EQ(o.ui.types[0], ui::MB_OK);
    EXPECT_FALSE(DisableStartupEntry(o.run));
    EXPECT_EQ(o.ui.shown.size(), 1u);
}

TEST(StartupEntry, ForeignOrUnreadableShortcutIsRemovedWithBootExe) {
    for (const char* content : {"40#\"\\Storage Card\\Tidymatic.exe\" -s", "garbage"}) {
        test::TempDevice dev;
        dev.WriteFile("\\Windows\\StartUp\\Tidymatic Startup.lnk", content);
        dev.WriteFile("\\Program Files\\Tidymatic\\boot.exe", "MZ");
        dev.WriteFile("\\Windows\\StartUp\\Other.lnk", "5#\\x.exe");
        Opened o(dev);
        LoadOptions(o.run);
        SCOPED_TRACE(content);
        EXPECT_FALSE(o.run.options.startupCurrent);
        EXPECT_FALSE(dev.Exists("\\Windows\\StartUp\\Tidymatic Startup.lnk"));
        EXPECT_FALSE(dev.Exists("\\Program Files\\Tidymatic\\boot.exe"));
        EXPECT_TRUE(dev.Exists("\\Windows\\StartUp\\Other.lnk"));
    }
}

TEST(StartupEntry, OwnShortcutKeepsBootExe) {
    test::TempDevice dev;
    dev.WriteFile("\\Windows\\StartUp\\Tidymatic Startup.lnk",
                  std::string("44#\"") + kProgram + "\" -s");
    dev.WriteFile("\\Program Files\\Tidymatic\\boot.exe", "MZ");
    Opened o(dev);
    LoadOptions(o.run);
    EXPECT_TRUE(o.run.options.startupCurrent);
    EXPECT_TRUE(o.run.options.startupAtOpening);
    EXPECT_TRUE(dev.Exists("\\Program Files\\Tidymatic\\boot.exe"));
}

}  // namespace
}  // namespace tidy::settings
