// The discovery pass: loading sequence and its log, special folders, storage cards, Internet
// Explorer folders, the folder table with its guard, and confinement of hostile locations.

#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/Catalogue.h"
#include "catalogue/Discovery.h"
#include "clean/Engine.h"
#include "engine/catalogue_fixture.h"

namespace tidy {
namespace {

using namespace catalogue;
using test::CatalogueImage;
using test::U8;

size_t Count(const std::string& haystack, const std::string& needle) {
    size_t n = 0;
    for (size_t p = haystack.find(needle); p != std::string::npos; p = haystack.find(needle, p + 1))
        ++n;
    return n;
}

const std::string kShellFolders =
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n";

TEST(CatalogueDiscovery, LoadingSequenceLogsInOrder) {
    CatalogueImage img("storage_cards = [\"Storage Card\", \"Missing\", \"SD Card\"]\n");
    img.dev.MakeDir("\\Storage Card");
    img.dev.MakeDir("\\SD Card");
    img.LogOn();
    auto& run = img.Run();
    run.catalogue.selection.fill(1);
    LoadingSequence(run);

    EXPECT_EQ(run.catalogue.itemNames.size(), 31u);
    for (int v : run.catalogue.selection) EXPECT_EQ(v, 0);
    EXPECT_EQ(run.catalogue.storageCards,
              (std::vector<std::u16string>{u"Storage Card", u"SD Card"}));

    std::string expected =
        "Checking settings\nChecking special paths\nChecking storage volumes\n"
        "Storage volume check: alloc success\nStorage volume check: check success\n\n"
        "Storage Folder Found: Storage Card\nStorage Folder Found: SD Card\n\n"
        "Locating all folders\nBasic folders checked\nMail folders checked\n"
        "Third party folders checked\nCustom filelist checked\n\nFolder 1: \\Temp\\\n";
    EXPECT_EQ(img.Log().substr(0, expected.size()), expected);
    EXPECT_NE(img.Log().find("Folder 22: \\Windows\\YouTube\\History\\\nSettings fully loaded\n"),
              std::string::npos);
    EXPECT_EQ(Count(img.Log(), "\nFolder "), 22u);
}

TEST(CatalogueDiscovery, InteractiveStartLeavesLocatingToTheRefresh) {
    CatalogueImage img("storage_cards = []\n");
    img.LogOn();
    auto& run = img.Run();
    run.flags.interactive = 1;
    LoadingSequence(run);
    EXPECT_EQ(img.Log(),
              "Checking settings\nChecking special paths\nChecking storage volumes\n"
              "Storage volume check: alloc success\nLocating all folders\nSettings fully loaded\n");
    EXPECT_TRUE(run.catalogue.storageCards.empty());
    EXPECT_EQ(run.catalogue.folderTable[0], u"");
}

TEST(CatalogueDiscovery, FolderTableIsLoggedOnce) {
    CatalogueImage img;
    img.LogOn();
    auto& run = img.Run();
    for (int i = 0; i < 3; ++i) LocateAllFolders(run);
    EXPECT_EQ(Count(img.Log(), "Basic folders checked\n"), 3u);
    EXPECT_EQ(Count(img.Log(), "Custom filelist checked\n"), 3u);
    EXPECT_EQ(Count(img.Log(), "Folder 1: "), 1u);

    // With logging off the first pass still marks the table as logged.
    CatalogueImage quiet;
    LocateAllFolders(quiet.Run());
    EXPECT_TRUE(quiet.Cat().folderTableLogged);
    EXPECT_EQ(quiet.Log(), "");
}

TEST(CatalogueDiscovery, SpecialFolders) {
    CatalogueImage img(
        "[folders]\nwindows = \"\\\\Win\"\nprograms = \"\"\nstart_menu = "
        "\"\\\\Win\\\\Start\\\\\"\n");
    auto& run = img.Run();
    run.catalogue.special.programs = u"\\Kept\\";
    LocateSpecialFolders(run);
    const auto& s = run.catalogue.special;
    EXPECT_EQ(U8(s.windows), "\\Win\\");
    EXPECT_EQ(U8(s.programs), "\\Kept\\");  // an empty answer keeps the previous value
    EXPECT_EQ(U8(s.startMenu), "\\Win\\Start\\");
    EXPECT_EQ(U8(s.startup), "\\Windows\\StartUp\\");
    EXPECT_EQ(U8(s.appData), "\\Application Data\\");
}

TEST(CatalogueDiscovery, InternetExplorerFolders) {
    struct Case {
        const char* what;
        std::string values;
        const char* cache;
        const char* cookies;
        const char* history;
    } cases[] = {
        {"trailing backslash or not, spaces trimmed",
         "\"Cache\"=\"\\\\IE\\\\Cache\\\\\"\n\"Cookies\"=\"\\\\IE\\\\Cookies\"\n\"History\"=\"  "
         "\\\\IE\\\\Hist  \"\n",
         "\\IE\\Cache\\", "\\IE\\Cookies\\", "\\IE\\Hist\\"},
        {"missing values fall back to the Windows folder", "\"Cache\"=dword:00000001\n",
         "\\Windows\\Temporary Internet Files\\", "\\Windows\\Cookies\\", "\\Windows\\History\\"},
        {"a value naming the Windows folder is guarded", "\"Cache\"=\"\\\\windows\\\\\"\n",
         "\\JunkFolder\\", "\\Windows\\Cookies\\", "\\Windows\\History\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogueImage img("", kShellFolders + c.values);
        auto& run = img.Run();
        LocateIEFolders(run);
        BuildFolderTable(run);
        EXPECT_EQ(U8(run.catalogue.folderTable[1]), c.cache);
        EXPECT_EQ(U8(run.catalogue.folderTable[2]), c.cookies);
        EXPECT_EQ(U8(run.catalogue.folderTable[3]), c.history);
    }

    // No key: the folders keep their values; at the first run that is nothing, so junk.
    CatalogueImage img;
    auto& run = img.Run();
    LocateAllFolders(run);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(U8(run.catalogue.folderTable[i]), "\\JunkFolder\\");
}

TEST(CatalogueDiscovery, FolderTableAndGuard) {
    CatalogueImage img(
        "storage_cards = [\"Storage Card\", \"SD Card\"]\n",
        kShellFolders + "\"Cache\"=\"\\\\IE\\\\Cache\"\n" +
            "[HKEY_CURRENT_USER\\Software\\Norvane\\Tidymatic]\n\"Custom\"=\"\\\\Windows\"\n"
            "\"Custom2\"=\"\\\\storage card\\\\\\\\\"\n\"Custom3\"=\"\\\\Temp\\\\Mine\"\n");
    img.dev.MakeDir("\\Storage Card");
    img.dev.MakeDir("\\SD Card\\Live Search");
    img.dev.MakeDir("\\Live Search");
    auto& run = img.Run();
    EnumerateStorageCards(run);
    LocateAllFolders(run);

    const char* expected[22] = {
        "\\Temp\\",
        "\\IE\\Cache\\",
        "\\Windows\\Cookies\\",
        "\\Windows\\History\\",
        "\\Application Data\\Volatile\\",
        "\\Windows\\Opera 9.5\\cache\\",
        "\\Temp\\Minimo\\",
        "\\Temp\\Netfront\\",
        "\\Application Data\\Mozilla\\Fennec\\Profiles\\xyz\\",
        "\\JunkFolder\\",  // "\Windows"
        "\\JunkFolder\\",  // a whole card, however spelt
        "\\Temp\\Mine\\",
        "\\Program Files\\Communication\\Large Mail Messages\\",
        "\\My Documents\\Temp\\",
        "\\HTCLog\\",
        "\\Application Data\\VirtualEarthMobile\\",
        "\\SD Card\\Live Search\\",  // the first card that has one beats the root's
        "\\Application Data\\Spb Traveler\\Cache\\",
        "\\~Recycled\\",
        "\\Program Files\\SkyBook\\cache\\",
        "\\Application Data\\Twikini\\",
        "\\Windows\\YouTube\\History\\",
    };
    for (int i = 0; i < 22; ++i) EXPECT_EQ(U8(run.catalogue.folderTable[i]), expected[i]) << i;

    run.catalogue.selection[kItemCustomFolder1] = 1;
    EXPECT_EQ(U8(ItemSizeText(run, kItemCustomFolder1)), "Not Found");
}

TEST(CatalogueDiscovery, GuardCases) {
    struct Case {
        std::u16string location;
        bool junk;
    } cases[] = {
        {u"", true},
        {u"\\", true},
        {u"\\WINDOWS", true},
        {u"\\Windows\\", true},  // "\Windows\\" once the table adds its backslash
        {u"\\Windows/", true},   // '/' separates as '\' does
        {u"/Windows", true},
        {u"Windows", true},  // relative: the device would resolve it from the root
        {u"\\Storage Card", true},
        {u"\\\\Storage Card", true},
        {u"\\Storage Card\\Cache", false},
        {u"\\Windows\\Cache", false},
        {u"\\Temp\\..", false},  // named, but the file system refuses it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.location));
        CatalogueImage img;
        auto& run = img.Run();
        run.catalogue.storageCards = {u"Storage Card"};
        run.catalogue.locations.customFolders[0] = c.location;
        BuildFolderTable(run);
        const std::u16string expected = c.junk ? std::u16string(kJunkFolder) : c.location + u"\\";
        EXPECT_EQ(U8(run.catalogue.folderTable[kItemCustomFolder1]), U8(expected));
    }
}

// Locations that point outside the image, through links or very long paths, name folders that
// the file system refuses: measuring and cleaning them changes nothing outside and nothing
// inside the Windows folder.
TEST(CatalogueDiscovery, HostileLocationsStayInsideTheImage) {
    const std::string longPath = "\\\\" + std::string(300, 'L');
    CatalogueImage img(
        "", kShellFolders + "\"Cache\"=\"\\\\..\\\\..\\\\outside\\\\\"\n" +
                "\"Cookies\"=\"\\\\Temp\\\\link\"\n" +
                "[HKEY_CURRENT_USER\\Software\\Norvane\\Tidymatic]\n\"Custom\"=\"" + longPath +
                "\"\n\"Custom2\"=\"Windows\\\\\"\n\"Custom3\"=\"\\\\Temp\\\\link\\\\inner\"\n"
                "[HKEY_CURRENT_USER\\Software\\Microsoft\\MAPI]\n"
                "\"AttachPath\"=\"\\\\..\\\\outside\"\n"
                "[HKEY_LOCAL_MACHINE\\System\\Inbox\\Settings]\n"
                "\"AttachPath\"=\"\\\\..\\\\outside\"\n");
    namespace fs = std::filesystem;
    const std::string outside = img.dev.dir + "/outside";
    fs::create_directories(outside + "/inner");
    test::WriteHostFile(outside + "/keep.txt", "outside");
    test::WriteHostFile(outside + "/inner/keep.txt", "outside");
    img.dev.MakeDir("\\Temp");
    fs::create_directory_symlink(outside, img.dev.HostPath("\\Temp\\link"));
    img.dev.WriteFile("\\Windows\\system.dll", "keep");

    auto& run = img.Run();
    LocateAllFolders(run);
    run.catalogue.selection.fill(0);
    for (int i = 1; i < kFolderItemCount; ++i) run.catalogue.selection[i] = 1;
    for (int i = 1; i < kFolderItemCount; ++i) {
        SCOPED_TRACE(i);
        std::string size = U8(ItemSizeText(run, i));
        EXPECT_TRUE(size == "Not Found" || size == "0 Bytes") << size;
    }
    clean::CleanSelected(run, clean::CleanMode::Startup);

    EXPECT_EQ(test::ReadHostFile(outside + "/keep.txt"), "outside");
    EXPECT_EQ(test::ReadHostFile(outside + "/inner/keep.txt"), "outside");
    EXPECT_EQ(img.dev.ReadFile("\\Windows\\system.dll"), "keep");
    EXPECT_TRUE(fs::is_symlink(img.dev.HostPath("\\Temp\\link")));
}

}  // namespace
}  // namespace tidy
