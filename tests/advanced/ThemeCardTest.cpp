// Theme keys of themes no longer in use, and thumbs.db / desktop.ini files on storage cards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "AdvancedFixture.h"
#include "advanced/AdvancedScanners.h"
#include "advanced/ThemeCardLeftovers.h"
#include "clean/Utilities.h"

using namespace tidy;
using namespace tidy::test;

namespace {

const std::string kToday = "HKEY_CURRENT_USER\\Software\\Microsoft\\Today";

std::string Themes(const std::string& skinLine) {
    std::string s = "[" + kToday + "]\n" + skinLine + "\n";
    for (const char* k : {"foo.TSK", "Bar.tsk", "Other", "Baz.Tsk.old"})
        s += "[" + kToday + "\\" + k + "]\n\"Color\"=dword:00000001\n\n";
    s += "[" + kToday + "\\Bar.tsk\\Sub]\n\"x\"=\"y\"\n\n";
    return s;
}

void SetSkin(app::RunState& run, const std::u16string& skin) {
    platform::RegKey k(run.platform);
    ASSERT_TRUE(k.Create(platform::HKEY_CURRENT_USER, u"Software\\Microsoft\\Today"));
    ASSERT_TRUE(clean::WriteRegString(run.platform, k.Handle(), u"Skin", skin));
}

std::vector<std::string> Sorted(std::vector<std::u16string> v) {
    std::vector<std::string> out = N(v);
    std::sort(out.begin(), out.end());
    return out;
}

bool KeyExists(platform::Platform& p, const std::string& sub) {
    platform::RegKey k(p);
    return k.Open(platform::HKEY_CURRENT_USER, W(sub));
}

}  // namespace

TEST(ThemeKeys, CurrentThemeIsKeptIgnoringCase) {
    AdvDevice d("", Themes("\"Skin\"=\"\\\\Windows\\\\Themes\\\\Foo.tsk\""));
    app::RunState& run = d.Start();
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 2);
    EXPECT_EQ(N(run.advanced.currentTheme), "Foo.tsk");
    EXPECT_EQ(Sorted(run.advanced.themeKeys), (std::vector<std::string>{"Bar.tsk", "Baz.Tsk.old"}));

    advanced::CleanBadThemeKeys(run);
    EXPECT_TRUE(d.ui.asked.empty());  // no question for theme keys
    EXPECT_TRUE(KeyExists(*d.image, "Software\\Microsoft\\Today\\foo.TSK"));
    EXPECT_TRUE(KeyExists(*d.image, "Software\\Microsoft\\Today\\Other"));
    EXPECT_FALSE(KeyExists(*d.image, "Software\\Microsoft\\Today\\Bar.tsk"));
    EXPECT_FALSE(KeyExists(*d.image, "Software\\Microsoft\\Today\\Baz.Tsk.old"));
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 0);
    std::string saved = d.SavedRegistry();
    EXPECT_EQ(saved.find("Bar.tsk"), std::string::npos);
}

TEST(ThemeKeys, NoSkinValueListsEveryThemeKey) {
    AdvDevice d("", Themes(""));
    app::RunState& run = d.Start();
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 3);
    advanced::CleanBadThemeKeys(run);
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 0);
    EXPECT_TRUE(KeyExists(*d.image, "Software\\Microsoft\\Today\\Other"));
}

TEST(ThemeKeys, SkinWithoutThemeFileEmptiesTheCurrentTheme) {
    AdvDevice d("", Themes("\"Skin\"=\"\\\\Windows\\\\Themes\\\\Foo.tsk\""));
    app::RunState& run = d.Start();
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 2);
    // A skin that is not a theme file: every theme key is unused.
    SetSkin(run, u"\\Windows\\stwater_240_320.xml");
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 3);
    EXPECT_TRUE(run.advanced.currentTheme.empty());
    // A bare file name is the theme name itself.
    SetSkin(run, u"BAR.TSK");
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 2);
    EXPECT_EQ(N(run.advanced.currentTheme), "BAR.TSK");
}

TEST(ThemeKeys, MissingSkinKeepsTheThemeReadEarlier) {
    AdvDevice d("", Themes("\"Skin\"=\"\\\\Windows\\\\Foo.tsk\""));
    app::RunState& run = d.Start();
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 2);
    {
        platform::RegKey k(run.platform);
        ASSERT_TRUE(k.Open(platform::HKEY_CURRENT_USER, u"Software\\Microsoft\\Today"));
        ASSERT_EQ(run.platform.RegDeleteValue(k.Handle(), u"Skin"), platform::kRegOk);
    }
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 2);
    // Closing the dialog forgets it.
    advanced::ResetAdvanced(run);
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 3);
}

TEST(ThemeKeys, NoTodayKeyCountsZeroAndCleansNothing) {
    AdvDevice d;
    app::RunState& run = d.Start();
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 0);
    advanced::CleanBadThemeKeys(run);
}

TEST(ThemeKeys, DotDotKeyNamesStayInsideTheTodayKey) {
    const std::string ms = "HKEY_CURRENT_USER\\Software\\Microsoft";
    AdvDevice d("", "[" + ms + "\\Keep.tsk]\n\"a\"=\"b\"\n\n[" + kToday + "\\..\\Evil.tsk]\n" +
                        "\"a\"=\"b\"\n\n[" + kToday + "\\..tsk]\n\"a\"=\"b\"\n\n");
    app::RunState& run = d.Start();
    advanced::CleanBadThemeKeys(run);
    EXPECT_TRUE(KeyExists(*d.image, "Software\\Microsoft\\Keep.tsk"));
    EXPECT_TRUE(KeyExists(*d.image, "Software\\Microsoft\\Today\\..\\Evil.tsk"));
    EXPECT_FALSE(KeyExists(*d.image, "Software\\Microsoft\\Today\\..tsk"));
}

// ---- Storage-card files -------------------------------------------------------------------

namespace {

const char kTwoCards[] = "storage_cards = [\"Storage Card\", \"SD\"]\n";

void AddCardFiles(TempDevice& dev) {
    dev.WriteFile("\\Storage Card\\thumbs.db", std::string(10, 't'));
    dev.WriteFile("\\Storage Card\\Photos\\2009\\THUMBS.DB", std::string(20, 't'));
    dev.WriteFile("\\Storage Card\\program files\\thumbs.db", std::string(40, 't'));
    dev.WriteFile("\\Storage Card\\Program Files\\App\\thumbs.db", std::string(300, 't'));
    dev.WriteFile("\\Storage Card\\My Program Files\\thumbs.db", std::string(300, 't'));
    dev.WriteFile("\\Storage Card\\Program Files\\desktop.ini", std::string(300, 'd'));
    dev.WriteFile("\\Storage Card\\Music\\Desktop.ini", std::string(5, 'd'));
    dev.WriteFile("\\Storage Card\\Music\\thumbs.db.bak", std::string(100, 'x'));
    dev.WriteFile("\\SD\\desktop.ini", std::string(7, 'd'));
    dev.WriteFile("\\SD\\DCIM\\thumbs.db", std::string(100, 't'));
    dev.WriteFile("\\My Documents\\thumbs.db", std::string(500, 't'));  // not on a card
    dev.WriteFile("\\Windows\\desktop.ini", std::string(500, 'd'));
}

// Every file under fs/, as device-relative host paths.
std::vector<std::string> AllFiles(const TempDevice& dev) {
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    for (auto& e : fs::recursive_directory_iterator(dev.dir + "/fs"))
        if (!e.is_directory()) out.push_back(fs::relative(e.path(), dev.dir + "/fs").string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(CardFiles, MeasureFindsEveryCopyOutsideProgramFiles) {
    AdvDevice d(kTwoCards);
    AddCardFiles(d.dev);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    EXPECT_EQ(N(advanced::MeasureCardFiles(run, u"thumbs.db")), "170 Bytes");
    EXPECT_EQ(Sorted(run.advanced.thumbsFiles),
              (std::vector<std::string>{
                  "\\SD\\DCIM\\thumbs.db", "\\Storage Card\\Photos\\2009\\THUMBS.DB",
                  "\\Storage Card\\program files\\thumbs.db", "\\Storage Card\\thumbs.db"}));
    EXPECT_EQ(N(advanced::MeasureCardFiles(run, u"desktop.ini")), "12 Bytes");
    EXPECT_EQ(run.advanced.desktopIniFiles.size(), 2u);
    // Measuring again gives the same, not twice as much.
    EXPECT_EQ(N(advanced::MeasureCardFiles(run, u"thumbs.db")), "170 Bytes");
}

TEST(CardFiles, NoCardGivesZeroBytes) {
    AdvDevice d("storage_cards = []\n");
    d.dev.WriteFile("\\Storage Card\\thumbs.db", "t");  // a folder, but not a card
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    EXPECT_EQ(N(advanced::MeasureCardFiles(run, u"thumbs.db")), "0 Bytes");
    EXPECT_EQ(N(advanced::MeasureCardFiles(run, u"desktop.ini")), "0 Bytes");
    advanced::CleanCardFiles(run, true, true);
    EXPECT_TRUE(d.dev.Exists("\\Storage Card\\thumbs.db"));
}

TEST(CardFiles, FinderRefusesRootWindowsAndOtherNames) {
    AdvDevice d;
    d.dev.WriteFile("\\thumbs.db", "t");
    d.dev.WriteFile("\\Windows\\thumbs.db", "t");
    d.dev.WriteFile("\\Storage Card\\a.txt", "t");
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    EXPECT_FALSE(advanced::FindCardFiles(run, u"\\", u"thumbs.db"));
    EXPECT_FALSE(advanced::FindCardFiles(run, u"\\Windows\\", u"thumbs.db"));
    EXPECT_FALSE(advanced::FindCardFiles(run, u"\\Storage Card\\", u"a.txt"));
    EXPECT_FALSE(advanced::FindCardFiles(run, u"\\Missing\\", u"thumbs.db"));
    EXPECT_TRUE(advanced::FindCardFiles(run, u"\\Storage Card\\", u"THUMBS.DB"));
    EXPECT_FALSE(advanced::FindCardFilesBoth(run, u"\\"));
    EXPECT_TRUE(run.advanced.thumbsFiles.empty());
}

TEST(CardFiles, CleaningBothAtOnceEqualsOneAfterTheOther) {
    AdvDevice together(kTwoCards), apart(kTwoCards);
    AddCardFiles(together.dev);
    AddCardFiles(apart.dev);
    app::RunState& r1 = together.Start();
    app::RunState& r2 = apart.Start();
    advanced::InitAdvanced(r1);
    advanced::InitAdvanced(r2);
    advanced::CleanCardFiles(r1, true, true);
    advanced::CleanCardFiles(r2, true, false);
    advanced::CleanCardFiles(r2, false, true);
    EXPECT_EQ(AllFiles(together.dev), AllFiles(apart.dev));
    EXPECT_EQ(
        AllFiles(together.dev),
        (std::vector<std::string>{
            "My Documents/thumbs.db", "Storage Card/Music/thumbs.db.bak",
            "Storage Card/My Program Files/thumbs.db", "Storage Card/Program Files/App/thumbs.db",
            "Storage Card/Program Files/desktop.ini", "Windows/desktop.ini"}));
    EXPECT_TRUE(r1.advanced.thumbsFiles.empty());
    EXPECT_TRUE(r1.advanced.desktopIniFiles.empty());
    EXPECT_TRUE(together.ui.asked.empty());
}

TEST(CardFiles, OnlyTheRowsAskedForAreCleaned) {
    AdvDevice d(kTwoCards);
    AddCardFiles(d.dev);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    advanced::CleanCardFiles(run, false, true);
    EXPECT_TRUE(d.dev.Exists("\\Storage Card\\thumbs.db"));
    EXPECT_FALSE(d.dev.Exists("\\SD\\desktop.ini"));
    advanced::CleanCardFiles(run, false, false);
    EXPECT_TRUE(d.dev.Exists("\\Storage Card\\thumbs.db"));
}

TEST(CardFiles, LinksOnACardNeverLeadOutside) {
    namespace fs = std::filesystem;
    AdvDevice d;
    const std::string outside = d.dev.dir + "/outside";
    fs::create_directories(outside);
    WriteHostFile(outside + "/thumbs.db", "secret");
    d.dev.MakeDir("\\Storage Card");
    ASSERT_EQ(::symlink(outside.c_str(), d.dev.HostPath("\\Storage Card\\Out").c_str()), 0);
    ASSERT_EQ(::symlink((outside + "/thumbs.db").c_str(),
                        d.dev.HostPath("\\Storage Card\\thumbs.db").c_str()),
              0);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    // The linked folder is not walked; the link named thumbs.db is an entry of size 0.
    EXPECT_EQ(N(advanced::MeasureCardFiles(run, u"thumbs.db")), "0 Bytes");
    EXPECT_EQ(N(run.advanced.thumbsFiles), std::vector<std::string>{"\\Storage Card\\thumbs.db"});
    advanced::CleanCardFiles(run, true, true);
    EXPECT_EQ(ReadHostFile(outside + "/thumbs.db"), "secret");
    EXPECT_TRUE(fs::exists(outside));
    EXPECT_TRUE(d.dev.Exists("\\Storage Card\\Out"));
}
