// The Options dialog's work on the device without its window: reading the current settings,
// storing custom folders, moving mail attachments and the cache root, and Apply's steps.

#include <gtest/gtest.h>

#include <filesystem>

#include "TestUi.h"
#include "app/RunState.h"
#include "settings/Options.h"
#include "settings/Shortcuts.h"
#include "support/ForwardingPlatform.h"
#include "support/TempDevice.h"

namespace tidy::settings {
namespace {

namespace fs = std::filesystem;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using test::RegText;

constexpr char16_t kTidyKey[] = u"Software\\Norvane\\Tidymatic";
constexpr char16_t kInbox[] = u"System\\Inbox\\Settings";

std::string Reg(const std::string& body) {
    return "Windows Registry Editor Version 5.00\n\n" + body;
}

const char* kStoredCustom = R"([HKEY_CURRENT_USER\Software\Norvane\Tidymatic]
"Custom"="\\My Documents\\A\\"
"Custom2"="\\Cache"
"Custom3"="  \\Spaced  "
)";

struct Opened {
    explicit Opened(test::TempDevice& dev) : image(dev.Open()), run(*image, &ui) {}
    std::unique_ptr<platform::DeviceImage> image;
    test::RecordingUi ui;
    app::RunState run;
};

TEST(OptionsOpening, MissingCustomFoldersAreStoredAsDefaultsAtOnce) {
    test::TempDevice dev;
    Opened o(dev);
    LoadOptions(o.run);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(text::ToUtf8(o.run.options.customFolders[i]), "\\My Documents\\Temp");
        EXPECT_EQ(RegText(*o.image, HKEY_CURRENT_USER, kTidyKey, kCustomValueNames[i]),
                  "\\My Documents\\Temp");
    }
    EXPECT_TRUE(o.ui.shown.empty());
}

TEST(OptionsOpening, StoredCustomFoldersLoseOneBackslashAndBlanks) {
    test::TempDevice dev("", Reg(kStoredCustom));
    Opened o(dev);
    LoadOptions(o.run);
    const auto& c = o.run.options.customFolders;
    EXPECT_EQ(text::ToUtf8(c[0]), "\\My Documents\\A");
    EXPECT_EQ(text::ToUtf8(c[1]), "\\Cache");
    EXPECT_EQ(text::ToUtf8(c[2]), "\\Spaced");
    EXPECT_EQ(o.run.options.savedCustomFolders, c);
    // Nothing was replaced, so nothing is written back.
    EXPECT_EQ(RegText(*o.image, HKEY_CURRENT_USER, kTidyKey, u"Custom3"), "  \\Spaced  ");
}

TEST(OptionsOpening, WindowsRelativeValueIsReplacedByTheDefault) {
    test::TempDevice dev("", Reg(R"([HKEY_CURRENT_USER\Software\Norvane\Tidymatic]
"Custom"="windows\\\\"
"Custom2"="\\X"
"Custom3"="\\Y"
)"));
    Opened o(dev);
    LoadOptions(o.run);
    EXPECT_EQ(RegText(*o.image, HKEY_CURRENT_USER, kTidyKey, u"Custom"), "\\My Documents\\Temp");
    EXPECT_EQ(RegText(*o.image, HKEY_CURRENT_USER, kTidyKey, u"Custom2"), "\\X");
}

TEST(OptionsOpening, CacheRootFromShellFolders) {
    struct Case {
        const char* cache;  // "Cache" value, nullptr: no value
        const char* root;
        int selection;
    };
    const Case cases[] = {
        {nullptr, "Windows", 0},
        {"\\\\Windows\\\\Temporary Internet Files\\\\", "Windows", 0},
        {"\\\\Windows\\\\Profiles\\\\guest\\\\Temporary Internet Files", "Windows\\Profiles\\guest",
         1},
        {"\\\\SD\\\\Temporary Internet Files", "SD", 3},
        {"\\\\Card2\\\\x", "Card2", 2},
        {"\\\\windows\\\\Temporary Internet Files", "Windows", 0},  // case counts: no match
    };
    for (const auto& c : cases) {
        std::string reg;
        if (c.cache)
            reg = Reg(std::string("[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\"
                                  "CurrentVersion\\Explorer\\Shell Folders]\n\"Cache\"=\"") +
                      c.cache + "\"\n");
        test::TempDevice dev("storage_cards = [\"Card2\", \"SD\"]\n", reg);
        dev.MakeDir("\\Card2");
        dev.MakeDir("\\SD");
        Opened o(dev);
        LoadOptions(o.run);
        SCOPED_TRACE(c.cache ? c.cache : "none");
        EXPECT_EQ(text::ToUtf8(o.run.options.currentRoot), c.root);
        EXPECT_EQ(o.run.options.chosenRoot, o.run.options.currentRoot);
        EXPECT_EQ(CacheRootSelection(o.run.options), c.selection);
        EXPECT_EQ(CacheRootItems(o.run.options).size(), 4u);
    }
}

TEST(OptionsOpening, MailLocationByVersionAndCards) {
    struct Case {
        const char* toml;
        const char* reg;
        const char* folder;
        int index;
    };
    const char* cards = "storage_cards = [\"Storage\", \"Storage Card\"]\n";
    const Case cases[] = {
        // 5.2 reads the local machine's key.
        {"",
         "[HKEY_LOCAL_MACHINE\\System\\Inbox\\Settings]\n\"AttachPath\"=\"\\\\Storage\\\\M\\\\\"\n",
         "\\Storage\\M", 1},
        // The last card whose name occurs wins: "Storage" also occurs in "\Storage Card\...".
        {"",
         "[HKEY_LOCAL_MACHINE\\System\\Inbox\\Settings]\n\"AttachPath\"=\"\\\\Storage "
         "Card\\\\M\"\n",
         "\\Storage Card\\M", 2},
        // A key without the value: internal memory.
        {"", "[HKEY_LOCAL_MACHINE\\System\\Inbox\\Settings]\n\"Other\"=\"x\"\n",
         "\\Windows\\Messaging\\Attachments", 0},
        // 5.1 and 6.0 read the current user's key.
        {"[version]\nmajor = 5\nminor = 1\n",
         "[HKEY_LOCAL_MACHINE\\System\\Inbox\\Settings]\n\"AttachPath\"=\"\\\\Storage\\\\M\"\n"
         "[HKEY_CURRENT_USER\\Software\\Microsoft\\MAPI]\n\"AttachPath\"=\"\\\\Inbox\\\\A\"\n",
         "\\Inbox\\A", 0},
        {"[version]\nmajor = 6\nminor = 0\n",
         "[HKEY_CURRENT_USER\\Software\\Microsoft\\MAPI]\n\"AttachPath\"=\"\\\\Storage\\\\A\"\n",
         "\\Storage\\A", 1},
    };
    for (const auto& c : cases) {
        test::TempDevice dev(std::string(cards) + c.toml, Reg(c.reg));
        dev.MakeDir("\\Storage");
        dev.MakeDir("\\Storage Card");
        Opened o(dev);
        LoadOptions(o.run);
        SCOPED_TRACE(c.reg);
        EXPECT_EQ(text::ToUtf8(o.run.options.attachFolder), c.folder);
        EXPECT_EQ(o.run.options.currentMailIndex, c.index);
        EXPECT_EQ(MailLocationItems(o.run.options).size(), 3u);
    }
}

TEST(OptionsOpening, NoCardsGiveTwoCacheItemsAndOneMailItem) {
    test::TempDevice dev("storage_cards = []\n");
    Opened o(dev);
    LoadOptions(o.run);
    EXPECT_EQ(CacheRootItems(o.run.options),
              (std::vector<std::u16string>{u"Windows", u"Windows\\Profiles\\guest"}));
    EXPECT_EQ(MailLocationItems(o.run.options), std::vector<std::u16string>{u"Windows"});
}

TEST(CustomFolders, ValidationTable) {
    struct Case {
        std::u16string a, b, c;
        bool saved;
        std::u16string storedA;
    };
    const Case cases[] = {
        {u"\\Docs.", u"\\B", u"\\C", true, u"\\Docs"},
        {u"\\Docs..", u"\\B", u"\\C", true, u"\\Docs."},  // one character only
        {u"\\Caf\u00e9", u"\\B", u"\\C", true, u"\\Caf\u00e9"},
        {u"\\Windows", u"\\B", u"\\C", false, u"\\Old"},
        {u"\\Windows_", u"\\B", u"\\C", false, u"\\Old"},    // "\Windows" once cut
        {u"\\", u"\\B", u"\\C", false, u"\\Old"},            // empty once cut
        {u"\\windows", u"\\B", u"\\C", true, u"\\windows"},  // exact comparison
    };
    for (const auto& c : cases) {
        test::TempDevice dev("", Reg(R"([HKEY_CURRENT_USER\Software\Norvane\Tidymatic]
"Custom"="\\Old"
"Custom2"="\\Old2"
"Custom3"="\\Old3"
)"));
        Opened o(dev);
        LoadOptions(o.run);
        o.run.options.customFolders = {c.a, c.b, c.c};
        SCOPED_TRACE(text::ToUtf8(c.a));
        EXPECT_EQ(ValidateAndSaveCustomFolders(o.run) == CustomFolderSave::Saved, c.saved);
        EXPECT_EQ(text::FromUtf8(RegText(*o.image, HKEY_CURRENT_USER, kTidyKey, u"Custom")),
                  c.storedA);
        EXPECT_EQ(o.run.options.customFolders[0], c.storedA);
        EXPECT_EQ(o.run.options.savedCustomFolders[0], c.storedA);
        if (!c.saved) {
            EXPECT_EQ(o.run.options.customFolders[1], u"\\Old2");
        }
    }
}

TEST(CustomFolders, PickerResultTable) {
    OptionsState o;
    EXPECT_EQ(CustomFolderFromPicker(o, u""), std::nullopt);    // cancelled
    EXPECT_EQ(CustomFolderFromPicker(o, u"\\"), std::nullopt);  // device root
    EXPECT_EQ(CustomFolderFromPicker(o, u"\\Windows\\"), std::nullopt);
    EXPECT_EQ(CustomFolderFromPicker(o, u"\\Windows\\Temp\\"), u"\\Windows\\Temp");
    EXPECT_EQ(CustomFolderFromPicker(o, u"\\My Documents\\"), u"\\My Documents");
}

// ---- Moving mail attachments.

TEST(MailMove, MovesFilesReplacesClashesAndKeepsWhatCannotMove) {
    test::TempDevice dev("[faults]\nin_use = [\"\\\\Old\\\\busy.txt\"]\n");
    dev.WriteFile("\\Old\\a.txt", "A");
    dev.WriteFile("\\Old\\clash.txt", "new");
    dev.WriteFile("\\Old\\busy.txt", "busy");
    dev.WriteFile("\\Old\\locked.txt", "locked-new");
    dev.WriteFile("\\Old\\Sub\\deep.txt", "deep");
    dev.WriteFile("\\New\\clash.txt", "old");
    dev.WriteFile("\\New\\locked.txt", "locked-old");
    fs::permissions(dev.HostPath("\\New\\locked.txt"), fs::perms::owner_write,
                    fs::perm_options::remove);
    Opened o(dev);
    MoveMailAttachments(o.run, u"\\Old", u"\\New");
    EXPECT_EQ(dev.ReadFile("\\New\\a.txt"), "A");
    EXPECT_FALSE(dev.Exists("\\Old\\a.txt"));
    EXPECT_EQ(dev.ReadFile("\\New\\clash.txt"), "new");
    EXPECT_FALSE(dev.Exists("\\Old\\clash.txt"));
    // A file that cannot be read stays where it is.
    EXPECT_EQ(dev.ReadFile("\\Old\\busy.txt"), "busy");
    EXPECT_FALSE(dev.Exists("\\New\\busy.txt"));
    // A target that cannot be replaced keeps its content, and so does the source.
    EXPECT_EQ(dev.ReadFile("\\New\\locked.txt"), "locked-old");
    EXPECT_EQ(dev.ReadFile("\\Old\\locked.txt"), "locked-new");
    // Subfolders are neither copied nor entered.
    EXPECT_EQ(dev.ReadFile("\\Old\\Sub\\deep.txt"), "deep");
    EXPECT_FALSE(dev.Exists("\\New\\Sub"));
    EXPECT_EQ(o.ui.waits, 0);
}

TEST(MailMove, SameFolderOrNoFolderMovesNothing) {
    test::TempDevice dev;
    dev.WriteFile("\\Old\\a.txt", "A");
    dev.WriteFile("\\root.txt", "R");
    dev.MakeDir("\\New");
    Opened o(dev);
    MoveMailAttachments(o.run, u"\\Old", u"\\old\\");
    EXPECT_EQ(dev.ReadFile("\\Old\\a.txt"), "A");
    // An empty folder would be the device root.
    MoveMailAttachments(o.run, u"", u"\\New");
    EXPECT_EQ(dev.ReadFile("\\root.txt"), "R");
    EXPECT_FALSE(dev.Exists("\\New\\root.txt"));
}

TEST(MailMove, NeverReachesOutsideTheImage) {
    test::TempDevice dev("storage_cards = [\"Storage Card\"]\n");
    const std::string outside = dev.dir + "/outside";
    fs::create_directories(outside);
    test::WriteHostFile(outside + "/secret.txt", "secret");
    dev.MakeDir("\\Storage Card");
    fs::create_directory_symlink(outside, dev.HostPath("\\Storage Card\\Mail Attachments"));
    fs::create_directory_symlink(outside, dev.HostPath("\\Linked"));
    dev.WriteFile("\\Inbox\\mail.txt", "mail");
    Opened o(dev);
    // From outside: through "..", through a link.
    MoveMailAttachments(o.run, u"\\..\\outside", u"\\Inbox");
    MoveMailAttachments(o.run, u"\\Linked", u"\\Inbox");
    // Into outside: the card's attachment folder is a link.
    MoveMailAttachments(o.run, u"\\Inbox", u"\\Storage Card\\Mail Attachments");
    MoveMailAttachments(o.run, u"\\Inbox", u"\\..\\outside");
    EXPECT_EQ(test::ReadHostFile(outside + "/secret.txt"), "secret");
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1);
    EXPECT_FALSE(dev.Exists("\\Inbox\\secret.txt"));
    EXPECT_EQ(dev.ReadFile("\\Inbox\\mail.txt"), "mail");
}

// ---- Apply without the window.

ApplyInput InputOf(const OptionsState& o) {
    ApplyInput in;
    in.customFolders = o.customFolders;
    in.startupChecked = o.startupCurrent;
    in.cacheRoot = o.currentRoot;
    in.mailIndex = o.currentMailIndex;
    return in;
}

TEST(Apply, MailStepMovesAndPointsTheMailStoreThere) {
    test::TempDevice dev("", Reg(std::string(kStoredCustom) +
                                 "[HKEY_LOCAL_MACHINE\\System\\Inbox\\Settings]\n\"AttachPath\"="
                                 "\"\\\\Windows\\\\Messaging\\\\Attachments\"\n"));
    dev.MakeDir("\\Storage Card");
    dev.WriteFile("\\Windows\\Messaging\\Attachments\\pic.jpg", "jpg");
    Opened o(dev);
    LoadOptions(o.run);
    ApplyInput in = InputOf(o.run.options);
    in.mailIndex = 1;
    ApplySettings(o.run, in);
    EXPECT_EQ(o.ui.shown,
              std::vector<std::string>{"Are you sure you want to apply the new settings?"});
    EXPECT_EQ(dev.ReadFile("\\Storage Card\\Mail Attachments\\pic.jpg"), "jpg");
    EXPECT_FALSE(dev.Exists("\\Windows\\Messaging\\Attachments\\pic.jpg"));
    EXPECT_EQ(RegText(*o.image, HKEY_LOCAL_MACHINE, kInbox, u"AttachPath"),
              "\\Storage Card\\Mail Attachments");
    // The current location is not updated: applying again repeats the step.
    dev.WriteFile("\\Windows\\Messaging\\Attachments\\late.jpg", "late");
    ApplySettings(o.run, in);
    EXPECT_EQ(dev.ReadFile("\\Storage Card\\Mail Attachments\\late.jpg"), "late");
}

TEST(Apply, MailStepWithoutMailKeyMovesNothing) {
    test::TempDevice dev("", Reg(kStoredCustom));
    dev.MakeDir("\\Storage Card");
    dev.WriteFile("\\Windows\\Messaging\\Attachments\\pic.jpg", "jpg");
    Opened o(dev);
    LoadOptions(o.run);
    ApplyInput in = InputOf(o.run.options);
    in.mailIndex = 1;
    ApplySettings(o.run, in);
    EXPECT_EQ(dev.ReadFile("\\Windows\\Messaging\\Attachments\\pic.jpg"), "jpg");
    EXPECT_FALSE(dev.Exists("\\Storage Card\\Mail Attachments"));
}

TEST(Apply, CacheStepCreatesFoldersUntilOneFailsAndWritesTheKey) {
    struct Case {
        const char* root;
        const char* existing;  // folder made beforehand, or nullptr
        bool cookies;          // "\R\Cookies" exists afterwards
    };
    const Case cases[] = {
        {"Storage Card", nullptr, true},
        // An existing "Temporary Internet Files" ends the creation there.
        {"Storage Card", "\\Storage Card\\Temporary Internet Files", false},
        // No guest profile: nothing is created, the values are still written.
        {"Windows\\Profiles\\guest", nullptr, false},
    };
    for (const auto& c : cases) {
        test::TempDevice dev("", Reg(kStoredCustom));
        dev.MakeDir("\\Storage Card");
        dev.MakeDir("\\Windows");
        if (c.existing) dev.MakeDir(c.existing);
        Opened o(dev);
        LoadOptions(o.run);
        ApplyInput in = InputOf(o.run.options);
        in.cacheRoot = text::FromUtf8(c.root);
        ApplySettings(o.run, in);
        SCOPED_TRACE(std::string(c.root) + (c.existing ? " existing" : ""));
        const std::string base = std::string("\\") + c.root;
        EXPECT_EQ(dev.Exists(base + "\\Cookies"), c.cookies);
        EXPECT_EQ(dev.Exists(base + "\\History"), c.cookies);
        const std::u16string key = kShellFoldersKey;
        EXPECT_EQ(RegText(*o.image, HKEY_CURRENT_USER, key, u"Cache"),
                  base + "\\Temporary Internet Files");
        EXPECT_EQ(RegText(*o.image, HKEY_CURRENT_USER, key, u"Cookies"), base + "\\Cookies");
        EXPECT_EQ(RegText(*o.image, HKEY_CURRENT_USER, key, u"History"), base + "\\History");
        ASSERT_EQ(o.ui.shown.size(), 2u);
        EXPECT_EQ(o.ui.shown[1], "Please reboot your device to apply the changes");
        EXPECT_EQ(o.ui.types[1], ui::MB_OK | ui::MB_ICONEXCLAMATION);
        EXPECT_EQ(text::ToUtf8(o.run.options.currentRoot), c.root);
    }
}

TEST(Apply, CacheRootThroughALinkChangesNothingOutside) {
    test::TempDevice dev("storage_cards = [\"Storage Card\"]\n", Reg(kStoredCustom));
    const std::string outside = dev.dir + "/outside";
    fs::create_directories(outside);
    dev.MakeDir("\\Storage Card");
    Opened o(dev);
    LoadOptions(o.run);
    fs::remove(dev.HostPath("\\Storage Card"));
    fs::create_directory_symlink(outside, dev.HostPath("\\Storage Card"));
    ApplyInput in = InputOf(o.run.options);
    in.cacheRoot = u"Storage Card";
    ApplySettings(o.run, in);
    EXPECT_TRUE(fs::is_empty(outside));
}

// A registry that refuses to store the named values, as a full or read-only store would.
class RefusingRegistry : public test::ForwardingPlatform {
  public:
    RefusingRegistry(platform::Platform& inner, std::vector<std::u16string> refused)
        : ForwardingPlatform(inner), refused_(std::move(refused)) {}
    long RegSetValue(platform::HKey key, const std::u16string& name, uint32_t type,
                     const uint8_t* data, uint32_t size) override {
        for (const auto& r : refused_)
            if (text::EqualsIgnoreCase(r, name)) return platform::kRegAccessDenied;
        return in_.RegSetValue(key, name, type, data, size);
    }

  private:
    std::vector<std::u16string> refused_;
};

TEST(Apply, StoresThatFailAreNotReportedAsDone) {
    test::TempDevice dev("", Reg(kStoredCustom));
    dev.MakeDir("\\Storage Card");
    auto image = dev.Open();
    RefusingRegistry device(*image, {u"Custom2", u"History"});
    test::RecordingUi ui;
    app::RunState run(device, &ui);
    LoadOptions(run);
    ApplyInput in = InputOf(run.options);
    in.customFolders = {u"\\New1", u"\\New2", u"\\New3"};
    ApplySettings(run, in);
    // The custom folders go back to what the key holds; no reboot is asked for.
    EXPECT_EQ(ui.shown,
              (std::vector<std::string>{"Are you sure you want to apply the new settings?",
                                        "No Action taken."}));
    EXPECT_EQ(RegText(device, HKEY_CURRENT_USER, kTidyKey, u"Custom"), "\\My Documents\\A");
    EXPECT_EQ(text::ToUtf8(run.options.customFolders[0]), "\\My Documents\\A");

    ui.shown.clear();
    in = InputOf(run.options);
    in.cacheRoot = u"Storage Card";
    ApplySettings(run, in);
    EXPECT_EQ(ui.shown,
              std::vector<std::string>{"Are you sure you want to apply the new settings?"});
    EXPECT_EQ(text::ToUtf8(run.options.currentRoot), "Windows");
    // Applying again tries again.
    ui.shown.clear();
    ApplySettings(run, in);
    EXPECT_EQ(ui.shown.size(), 1u);
}

TEST(Apply, AnsweringNoChangesNothing) {
    test::TempDevice dev("", Reg(kStoredCustom));
    dev.MakeDir("\\Storage Card");
    Opened o(dev);
    LoadOptions(o.run);
    ApplyInput in = InputOf(o.run.options);
    in.customFolders[0] = u"\\Elsewhere";
    in.cacheRoot = u"Storage Card";
    o.ui.answers = {ui::IDNO};
    ApplySettings(o.run, in);
    EXPECT_EQ(o.ui.shown.size(), 1u);
    EXPECT_EQ(RegText(*o.image, HKEY_CURRENT_USER, kTidyKey, u"Custom"), "\\My Documents\\A\\");
    EXPECT_FALSE(dev.Exists("\\Storage Card\\Cookies"));
    EXPECT_EQ(text::ToUtf8(o.run.options.currentRoot), "Windows");
}

}  // namespace
}  // namespace tidy::settings
