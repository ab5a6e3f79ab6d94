// The items that are single files, file sets or registry lists, and the main list's services.

#include <gtest/gtest.h>

#include <filesystem>

#include "EngineFixture.h"
#include "catalogue/Catalogue.h"
#include "clean/Engine.h"
#include "clean/SpecialItems.h"
#include "clean/Utilities.h"
#include "customfiles/CustomFileList.h"

namespace tidy::test {
namespace {

using text::ToUtf8;

// Reads a text value through the platform; "<absent>" when it cannot be read as text.
std::string RegText(app::RunState& run, platform::HKey root, const std::u16string& key,
                    const std::u16string& name) {
    platform::RegKey k(run.platform);
    std::u16string v;
    if (!k.Open(root, key) || !clean::ReadRegString(run.platform, k.Handle(), name, v))
        return "<absent>";
    return ToUtf8(v);
}

bool RegValueExists(app::RunState& run, platform::HKey root, const std::u16string& key,
                    const std::u16string& name) {
    platform::RegKey k(run.platform);
    uint32_t type = 0, size = 0;
    return k.Open(root, key) &&
           run.platform.RegQueryValue(k.Handle(), name, &type, nullptr, &size) == platform::kRegOk;
}

constexpr char16_t kTaskSwitch[] = u"Software\\Microsoft\\Shell\\TaskSwitch";
constexpr char16_t kAddresses[] = u"Explorer\\AddressHistory";

TEST(RecentPrograms, MissingProgramIsEmptiedAndEndsTheListFromThenOn) {
    EngineDevice d("", R"([HKEY_CURRENT_USER\Software\Microsoft\Shell\TaskSwitch]
"0"=" \\Windows\\calc.exe "
"1"="\\Windows\\gone.exe"
"2"="\\Windows\\notes.exe"
)");
    d.dev.WriteFile("\\Windows\\calc.exe", "x");
    d.dev.WriteFile("\\Windows\\notes.exe", "x");
    d.Start();
    app::RunState& run = *d.run;
    EXPECT_EQ(clean::CountRecentPrograms(run), 2);
    EXPECT_EQ(RegText(run, platform::HKEY_CURRENT_USER, kTaskSwitch, u"1"), "");
    EXPECT_EQ(clean::CountRecentPrograms(run), 1);

    clean::ClearRecentPrograms(run);
    EXPECT_FALSE(RegValueExists(run, platform::HKEY_CURRENT_USER, kTaskSwitch, u"0"));
    EXPECT_TRUE(RegValueExists(run, platform::HKEY_CURRENT_USER, kTaskSwitch, u"1"));
    EXPECT_EQ(RegText(run, platform::HKEY_CURRENT_USER, kTaskSwitch, u"2"), "\\Windows\\notes.exe");
    // The change is flushed: it is in the saved registry.
    EXPECT_EQ(d.dev.Registry().find("calc.exe"), std::string::npos);
}

TEST(RecentPrograms, MissingKeyCountsZeroAndClearsNothing) {
    EngineDevice d;
    d.Start();
    EXPECT_EQ(clean::CountRecentPrograms(*d.run), 0);
    clean::ClearRecentPrograms(*d.run);
    EXPECT_EQ(clean::CountInternetAddresses(*d.run), 0);
    EXPECT_FALSE(clean::ClearInternetAddresses(*d.run));
}

TEST(RecentPrograms, ValuesOfAnotherTypeCountAsAbsent) {
    EngineDevice d("", R"([HKEY_CURRENT_USER\Software\Microsoft\Shell\TaskSwitch]
"0"=dword:00000001
"1"="\\Windows\\calc.exe"
)");
    d.dev.WriteFile("\\Windows\\calc.exe", "x");
    d.Start();
    EXPECT_EQ(clean::CountRecentPrograms(*d.run), 0);
    clean::ClearRecentPrograms(*d.run);
    EXPECT_TRUE(RegValueExists(*d.run, platform::HKEY_CURRENT_USER, kTaskSwitch, u"1"));
}

TEST(InternetAddresses, CountStopsAtAGapAndAtAnEmptyTextClearingDoesNot) {
    EngineDevice d("", R"([HKEY_LOCAL_MACHINE\Explorer\AddressHistory]
"0"="http://a/"
"1"="http://b/"
"3"="http://d/"
)");
    d.Start();
    app::RunState& run = *d.run;
    EXPECT_EQ(clean::CountInternetAddresses(run), 2);
    EXPECT_TRUE(clean::ClearInternetAddresses(run));
    EXPECT_FALSE(RegValueExists(run, platform::HKEY_LOCAL_MACHINE, kAddresses, u"0"));
    EXPECT_FALSE(RegValueExists(run, platform::HKEY_LOCAL_MACHINE, kAddresses, u"1"));
    EXPECT_EQ(RegText(run, platform::HKEY_LOCAL_MACHINE, kAddresses, u"3"), "http://d/");
    EXPECT_FALSE(clean::ClearInternetAddresses(run));

    EngineDevice e("", R"([HKEY_LOCAL_MACHINE\Explorer\AddressHistory]
"0"="http://a/"
"1"=""
"2"="http://c/"
)");
    e.Start();
    EXPECT_EQ(clean::CountInternetAddresses(*e.run), 1);
    EXPECT_TRUE(clean::ClearInternetAddresses(*e.run));
    for (const char16_t* n : {u"0", u"1", u"2"}) {
        EXPECT_FALSE(RegValueExists(*e.run, platform::HKEY_LOCAL_MACHINE, kAddresses, n));
    }
}

TEST(BootCount, ReadAndReset) {
    struct Case {
        const char* reg;
        int32_t before;
    } cases[] = {
        {"[HKEY_LOCAL_MACHINE\\Comm]\n\"BootCount\"=dword:00000007\n", 7},
        {"[HKEY_LOCAL_MACHINE\\Comm]\n\"BootCount\"=dword:ffffffff\n", -1},
        {"[HKEY_LOCAL_MACHINE\\Comm]\n\"Other\"=dword:00000001\n", 1024},
        {"[HKEY_LOCAL_MACHINE\\Comm]\n\"BootCount\"=\"7\"\n", 1024},
        {"[HKEY_LOCAL_MACHINE\\Comm]\n\"BootCount\"=hex:07,00\n", 1024},
        {"[HKEY_LOCAL_MACHINE\\Comm]\n\"BootCount\"=hex(4):07,00,00,00,00,00,00,00\n", 1024},
        {"[HKEY_LOCAL_MACHINE\\Elsewhere]\n", 0},
    };
    for (const Case& c : cases) {
        EngineDevice d("", c.reg);
        d.Start();
        EXPECT_EQ(clean::ReadBootCount(*d.run), c.before) << c.reg;
        clean::ResetBootCount(*d.run);
        // A missing key is not created.
        EXPECT_EQ(clean::ReadBootCount(*d.run), 0) << c.reg;
    }
}

class Special : public ::testing::Test {
  protected:
    void SetUp() override {
        d.dev.MakeDir("\\Windows\\Start Menu\\Programs");
        d.Start();
    }
    app::RunState& run() { return *d.run; }
    EngineDevice d;
};

TEST_F(Special, SingleFilesShowNotFoundOnlyWithoutTheirFolder) {
    EXPECT_EQ(ToUtf8(clean::MeasureWindowsLiveLog(run())), "0 Bytes");
    EXPECT_EQ(ToUtf8(clean::MeasureGoogleMaps(run())), "Not Found");
    EXPECT_EQ(ToUtf8(clean::MeasureMyPhoneLog(run())), "Not Found");

    d.dev.WriteFile("\\WindowsLiveLog.bin", std::string(2048, 'w'));
    d.dev.MakeDir("\\Application Data\\GoogleMaps");
    d.dev.WriteFile("\\Application Data\\Microsoft\\My Phone\\MyPhoneLog.txt", "log");
    EXPECT_EQ(ToUtf8(clean::MeasureWindowsLiveLog(run())), "2.0 KB");
    EXPECT_EQ(ToUtf8(clean::MeasureGoogleMaps(run())), "0 Bytes");
    EXPECT_EQ(ToUtf8(clean::MeasureMyPhoneLog(run())), "3 Bytes");

    for (int i : {22, 23, 24}) run().catalogue.selection[i] = 1;
    EXPECT_EQ(ToUtf8(clean::CleanSelected(run(), clean::CleanMode::Interactive)),
              "2 Files and 0 Folders of 2.0 KB Cleared!");
    EXPECT_FALSE(d.dev.Exists("\\WindowsLiveLog.bin"));
    EXPECT_FALSE(d.dev.Exists("\\Application Data\\Microsoft\\My Phone\\MyPhoneLog.txt"));
}

TEST_F(Special, OperaHistoryAndCookiesBesideTheCache) {
    run().catalogue.locations.operaCache = u"\\Temp\\Opera\\cache4";
    EXPECT_EQ(ToUtf8(clean::OperaProfileFolder(run())), "\\Temp\\Opera\\");
    EXPECT_EQ(ToUtf8(clean::MeasureOperaHistory(run())), "Not Found");
    EXPECT_EQ(ToUtf8(clean::MeasureOperaCookies(run())), "Not Found");

    d.dev.WriteFile("\\Temp\\Opera\\global.dat", "12");
    d.dev.WriteFile("\\Temp\\Opera\\vlink4.dat", "345");
    d.dev.WriteFile("\\Temp\\Opera\\opera.ini", "keep");
    EXPECT_EQ(ToUtf8(clean::MeasureOperaHistory(run())), "5 Bytes");
    EXPECT_EQ(ToUtf8(clean::MeasureOperaCookies(run())), "0 Bytes");
    clean::CleanOperaHistory(run());
    clean::CleanOperaCookies(run());
    EXPECT_EQ(run().clean.filesDeleted, 2);
    EXPECT_FALSE(d.dev.Exists("\\Temp\\Opera\\global.dat"));
    EXPECT_TRUE(d.dev.Exists("\\Temp\\Opera\\opera.ini"));

    // A cache location with no parent folder leaves the profile undefined.
    for (const char16_t* cache : {u"\\cache4", u"cache4", u""}) {
        run().catalogue.locations.operaCache = cache;
        EXPECT_EQ(ToUtf8(clean::OperaProfileFolder(run())), "") << ToUtf8(cache);
        EXPECT_EQ(ToUtf8(clean::MeasureOperaHistory(run())), "Not Found");
    }
}

TEST_F(Special, CustomFilesMatchOncePerFileAndNeverABareName) {
    EXPECT_EQ(ToUtf8(clean::MeasureCustomFiles(run())), "Not Found");

    d.dev.MakeDir("\\Program Files\\Tidymatic");
    customfiles::CustomFileList list{u"\\Logs\\*.log",  u"\\LOGS\\A.LOG", u"a.log",
                                     u"\\Nowhere\\*.*", u"\\Logs\\sub",   u"\\Logs\\..\\*.log"};
    customfiles::SaveCustomFileList(run(), list);
    clean::LoadCustomPatterns(run());
    ASSERT_EQ(run().clean.customPatterns.size(), 6u);
    EXPECT_EQ(ToUtf8(clean::MeasureCustomFiles(run())), "0 Bytes");

    d.dev.WriteFile("\\Logs\\a.log", "1234");
    d.dev.WriteFile("\\Logs\\b.log", "56");
    d.dev.WriteFile("\\Logs\\keep.txt", "x");
    d.dev.MakeDir("\\Logs\\sub");
    d.dev.MakeDir("\\Logs\\dir.log");
    // Where a bare name would land if it were looked up from the program's folder or the root.
    d.dev.WriteFile("\\a.log", "root");
    d.dev.WriteFile("\\Program Files\\Tidymatic\\a.log", "prog");

    EXPECT_EQ(ToUtf8(clean::MeasureCustomFiles(run())), "6 Bytes");
    EXPECT_EQ(run().clean.matchedFiles.size(), 2u);
    run().catalogue.selection[catalogue::kItemCustomFiles] = 1;
    EXPECT_EQ(ToUtf8(clean::CleanSelected(run(), clean::CleanMode::Interactive)),
              "2 Files and 0 Folders of 6 Bytes Cleared!");
    EXPECT_TRUE(run().clean.matchedFiles.empty());
    EXPECT_TRUE(d.dev.Exists("\\Logs\\keep.txt"));
    EXPECT_TRUE(d.dev.Exists("\\Logs\\dir.log"));
    EXPECT_TRUE(d.dev.Exists("\\a.log"));
    EXPECT_TRUE(d.dev.Exists("\\Program Files\\Tidymatic\\a.log"));
}

TEST_F(Special, OverwriteRecentProgramsLaunchesTwelveShortcutsAndRemovesThem) {
    EXPECT_TRUE(clean::OverwriteRecentPrograms(run()));
    std::string journal = d.dev.Journal();
    for (int k = 1; k <= 12; ++k) {
        std::string lnk = "\\Windows\\Start Menu\\Programs\\" + std::string(k, ' ') + ".lnk";
        EXPECT_NE(journal.find("shell\t\t" + lnk + "\t\n"), std::string::npos) << k;
        EXPECT_FALSE(d.dev.Exists(lnk)) << k;
    }
    size_t starts = 0;
    for (size_t at = 0; (at = journal.find("start\t-r\n", at)) != std::string::npos; ++at) ++starts;
    EXPECT_EQ(starts, 12u) << journal;
    EXPECT_EQ(journal.find("start-failed"), std::string::npos);
    EXPECT_EQ(d.ui.waitDepth, 0);
    EXPECT_GE(d.ui.waitBegins, 1);
    EXPECT_TRUE(std::filesystem::is_empty(d.dev.HostPath("\\Windows\\Start Menu\\Programs")));
}

TEST(OverwriteRecentPrograms, ShortcutThatCannotBeMadeAsksForASoftReset) {
    EngineDevice d(R"([faults]
in_use = ["\\Windows\\Start Menu\\Programs\\ .lnk"]
)");
    d.dev.MakeDir("\\Windows\\Start Menu\\Programs");
    d.Start();
    EXPECT_FALSE(clean::OverwriteRecentPrograms(*d.run));
    EXPECT_EQ(d.ui.waitDepth, 0);
    d.run->catalogue.selection[catalogue::kItemRecentPrograms] = 1;
    EXPECT_EQ(ToUtf8(clean::CleanSelected(*d.run, clean::CleanMode::Express)),
              "Please perform a soft reset to clear the Recent Programs list.");
    EXPECT_EQ(d.dev.Journal().find("shell"), std::string::npos);
}

TEST_F(Special, OpenItemFolderOpensFileExplorerWhereTheItemLives) {
    auto& cat = run().catalogue;
    for (auto& f : cat.folderTable) f = u"\\JunkFolder\\";
    cat.folderTable[0] = u"\\Temp\\";
    cat.folderTable[1] = u"\\Missing\\";
    cat.folderTable[5] = u"\\Temp\\Opera\\cache4\\";
    cat.locations.googleMaps = u"\\Maps\\cache-GLM.dat";
    cat.locations.myPhoneLog = u"\\Gone\\MyPhoneLog.txt";
    d.dev.MakeDir("\\Temp\\Opera");
    d.dev.MakeDir("\\Maps");

    for (int item = 0; item <= 31; ++item) clean::OpenItemFolder(run(), item);
    clean::OpenItemFolder(run(), -1);
    EXPECT_EQ(d.dev.Journal(),
              "shell\tOpen\tfexplore.exe\t\\Temp\\\n"
              "shell\tOpen\tfexplore.exe\t\\Maps\\\n"
              "shell\tOpen\tfexplore.exe\t\\\n"
              "shell\tOpen\tfexplore.exe\t\\Temp\\Opera\\\n"
              "shell\tOpen\tfexplore.exe\t\\Temp\\Opera\\\n");
}

TEST_F(Special, PauseShowsTheWaitCursor) {
    clean::PauseWithWaitCursor(run());
    EXPECT_EQ(d.ui.waitBegins, 1);
    EXPECT_EQ(d.ui.waitDepth, 0);
    app::RunState bare(*d.image);  // no user interface at all
    clean::PauseWithWaitCursor(bare);
    EXPECT_EQ(ToUtf8(clean::MeasureWindowsLiveLog(bare)), "0 Bytes");
}

}  // namespace
}  // namespace tidy::test
