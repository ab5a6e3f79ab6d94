// The configuration-file locators: Opera's "opera.ini", Minimo's "prefs.js", Fennec profiles,
// and the Google Maps and My Phone files that may sit on a card.

#include <gtest/gtest.h>

#include <map>

#include "catalogue/BrowserLocators.h"
#include "engine/catalogue_fixture.h"

namespace tidy {
namespace {

using namespace catalogue;
using test::CatalogueImage;
using test::U8;

const std::string kTwoCards = "storage_cards = [\"Storage Card\", \"SD Card\"]\n";

std::string OperaAt(const std::string& installDir) {
    return "[HKEY_LOCAL_MACHINE\\Software\\Apps\\Opera Software Opera Mobile]\n\"InstlDir\"=\"" +
           installDir + "\"\n";
}

struct OperaCase {
    const char* what;
    std::string toml;
    std::string reg;
    std::map<std::string, std::string> files;
    std::vector<std::string> folders;
    std::string cache;
    std::string ini;  // empty: not checked
};

void RunOpera(const std::vector<OperaCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogueImage img(c.toml, c.reg);
        for (const auto& [path, content] : c.files) img.dev.WriteFile(path, content);
        for (const auto& f : c.folders) img.dev.MakeDir(f);
        auto& run = img.Run();
        for (const char* card : {"Storage Card", "SD Card"})
            if (img.dev.Exists(std::string("\\") + card))
                run.catalogue.storageCards.push_back(text::U(card));
        LocateOperaFiles(run);
        EXPECT_EQ(U8(run.catalogue.locations.operaCache), c.cache);
        if (!c.ini.empty()) {
            EXPECT_EQ(U8(run.catalogue.locations.operaIni), c.ini);
        }
    }
}

TEST(CatalogueOpera, SettingsFileAndCacheCandidates) {
    const std::string ini =
        "[User Prefs]\r\nCache Directory4=\\Storage Card\\OperaCache\\\r\nX=1\r\n";
    RunOpera({
        {"nothing installed",
         "",
         "",
         {},
         {},
         "\\Windows\\Opera 9.5\\cache",
         "\\Windows\\Opera 9.5 Beta\\opera.ini"},
        {"nothing installed, a stranger's \\cache in the root is left alone",
         "",
         "",
         {},
         {"\\cache", "\\cache4"},
         "\\Windows\\Opera 9.5\\cache",
         ""},
        {"installed on a card, settings only on that card",
         kTwoCards,
         OperaAt("\\\\Storage Card\\\\Program Files\\\\Opera"),
         {{"\\Storage Card\\Application Data\\Opera9\\opera.ini", ini},
          {"\\SD Card\\Application Data\\Opera\\opera.ini",
           "x\r\nCache Directory4=\\SD Card\\Wrong\r\n"}},
         {"\\Storage Card\\OperaCache", "\\SD Card\\Wrong"},
         "\\Storage Card\\OperaCache",
         "\\Storage Card\\Application Data\\Opera9\\opera.ini"},
        {"a card whose name is not in the installation folder is never searched",
         kTwoCards,
         OperaAt("\\\\Storage Card\\\\Program Files\\\\Opera"),
         {{"\\SD Card\\Application Data\\Opera\\opera.ini",
           "x\r\nCache Directory4=\\SD Card\\Wrong\r\n"}},
         {"\\Storage Card", "\\SD Card\\Wrong", "\\SD Card\\Application Data\\Opera\\cache4"},
         "\\Windows\\Opera 9.5\\cache",
         ""},
        {"card cache candidates in their order",
         kTwoCards,
         OperaAt("\\\\Storage Card\\\\Opera"),
         {},
         {"\\Storage Card\\Application Data\\Opera9\\cache",
          "\\Storage Card\\Application Data\\Opera 9.5\\cache"},
         "\\Storage Card\\Application Data\\Opera9\\cache",
         ""},
        {"installation folder's own settings file",
         "",
         OperaAt("\\\\Program Files\\\\Opera"),
         {{"\\Program Files\\Opera\\opera.ini", "x\r\nCache Directory4=\\Temp\\OC\r\n"}},
         {"\\Temp\\OC"},
         "\\Temp\\OC",
         "\\Program Files\\Opera\\opera.ini"},
        {"no key: cache4 beside the settings file",
         "",
         "",
         {{"\\Application Data\\Opera\\opera.ini", "[User Prefs]\r\nFoo=1\r\n"}},
         {"\\Application Data\\Opera\\cache4"},
         "\\Application Data\\Opera\\cache4",
         "\\Application Data\\Opera\\opera.ini"},
        {"key at the very start of the file counts as no key",
         "",
         "",
         {{"\\Application Data\\Opera9\\opera.ini", "Cache Directory4=\\Elsewhere\r\n"}},
         {"\\Elsewhere", "\\Application Data\\Opera9\\profile\\cacheOp"},
         "\\Application Data\\Opera9\\profile\\cacheOp",
         ""},
        {"no key and no folder beside: the derived cache is tested by the fallbacks",
         "",
         "",
         {{"\\Application Data\\Opera 9.5\\opera.ini", "x=1\r\n"}},
         {"\\Application Data\\Opera9\\cache4"},
         "\\Application Data\\Opera9\\cache4",
         ""},
        {"relative value: fixed candidates",
         "",
         "",
         {{"\\Application Data\\Opera\\opera.ini", "x\r\nCache Directory4=Temp\\OC\r\n"}},
         {"\\Temp\\OC", "\\Application Data\\Opera9\\cache4"},
         "\\Application Data\\Opera9\\cache4",
         ""},
        {"space after the equals sign: fixed candidates",
         "",
         "",
         {{"\\Application Data\\Opera\\opera.ini", "x\r\nCache Directory4= \\Temp\\OC\r\n"}},
         {"\\Temp\\OC", "\\Application Data\\Opera9\\cache4"},
         "\\Application Data\\Opera9\\cache4",
         ""},
        {"last line without a line end: fixed candidates",
         "",
         "",
         {{"\\Application Data\\Opera\\opera.ini", "x\r\nCache Directory4=\\Temp\\OC"}},
         {"\\Temp\\OC", "\\Application Data\\Opera\\cache"},
         "\\Application Data\\Opera\\cache",
         ""},
        {"named cache missing: fixed candidates",
         "",
         "",
         {{"\\Application Data\\Opera\\opera.ini", "x\r\nCache Directory4=\\Temp\\Gone\r\n"}},
         {"\\Windows\\Opera9\\cache"},
         "\\Windows\\Opera9\\cache",
         ""},
        {"installation folder candidates come first",
         "",
         OperaAt("\\\\Program Files\\\\Opera"),
         {},
         {"\\Program Files\\Opera\\cache4", "\\Application Data\\Opera9\\cache"},
         "\\Program Files\\Opera\\cache4",
         "\\Program Files\\Opera\\profile\\opera.ini"},
        {"Opera Mobile 10 profile: cacheOp even when missing",
         "",
         OperaAt("\\\\Program Files\\\\Opera Mobile"),
         {{"\\Program Files\\Opera Mobile\\profile\\opera.ini",
           "x\r\nCache Directory4=\\Temp\\OC\r\n"}},
         {"\\Temp\\OC"},
         "\\Program Files\\Opera Mobile\\profile\\cacheOp",
         "\\Program Files\\Opera Mobile\\profile\\opera.ini"},
        {"settings file in the Windows folder",
         "",
         "",
         {{"\\Windows\\Opera9\\opera.ini", "x\r\nCache Directory4=\\Temp\\W\\\r\n"}},
         {"\\Temp\\W"},
         "\\Temp\\W",
         "\\Windows\\Opera9\\opera.ini"},
    });
}

TEST(CatalogueOpera, HostileSettingsFiles) {
    std::string hugeLine = "x\r\nCache Directory4=\\" + std::string(1 << 20, 'A');
    std::string eightBit = "x\r\n\x81\x8d\x90\x9d\xff\xfe\r\nCache Directory4=\\Cach\xe9\r\n";
    std::string withNul = std::string("x\r\n\0", 4) + "Cache Directory4=\\Temp\\OC\r\n";
    std::string longValue = "x\r\nCache Directory4=\\" + std::string(400, 'B') + "\r\n";
    std::string escape = "x\r\nCache Directory4=\\..\\..\\outside\r\n";
    RunOpera({
        {"a megabyte line without a line end",
         "",
         "",
         {{"\\Application Data\\Opera\\opera.ini", hugeLine}},
         {},
         "\\Windows\\Opera 9.5\\cache",
         ""},
        {"8-bit text in the device's code page",
         "",
         "",
         {{"\\Application Data\\Opera\\opera.ini", eightBit}},
         {"\\Caché"},
         "\\Caché",
         ""},
        {"text ends at a null byte",
         "",
         "",
         {{"\\Application Data\\Opera\\opera.ini", withNul}},
         {"\\Temp\\OC", "\\Application Data\\Opera\\cache4"},
         "\\Application Data\\Opera\\cache4",
         ""},
        {"a value longer than a path",
         "",
         "",
         {{"\\Application Data\\Opera\\opera.ini", longValue}},
         {},
         "\\Windows\\Opera 9.5\\cache",
         ""},
        {"a value leaving the image",
         "",
         "",
         {{"\\Application Data\\Opera\\opera.ini", escape}},
         {},
         "\\Windows\\Opera 9.5\\cache",
         ""},
    });
}

struct FileCase {
    const char* what;
    std::map<std::string, std::string> files;
    std::vector<std::string> folders;
    std::string expected;
};

void RunFileCases(const std::vector<FileCase>& cases, void (*locate)(app::RunState&),
                  std::u16string Locations::*field) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogueImage img(kTwoCards);
        for (const auto& [path, content] : c.files) img.dev.WriteFile(path, content);
        for (const auto& f : c.folders) img.dev.MakeDir(f);
        auto& run = img.Run();
        run.catalogue.storageCards = {u"Storage Card", u"SD Card"};
        locate(run);
        EXPECT_EQ(U8(run.catalogue.locations.*field), c.expected);
    }
}

TEST(CatalogueMinimo, PrefsJs) {
    const std::string prefs = "\\Windows\\Mozilla\\minimo\\prefs.js";
    const std::string line =
        "user_pref(\"browser.cache.disk.parent_directory\", \"\\\\Storage Card\\\\Minimo\");";
    RunFileCases(
        {
            {"the example line",
             {{prefs, "// prefs\r\n" + line + "\r\nuser_pref(\"x\", 1);\r\n"}},
             {},
             "\\Storage Card\\Minimo\\Cache"},
            {"no comma space",
             {{prefs, "//\r\nuser_pref(\"browser.cache.disk.parent_directory\",\"\\\\M\");\r\n"}},
             {},
             "\\M\\Cache"},
            {"cache line ends the file", {{prefs, "// prefs\r\n" + line}}, {}, "\\Temp\\Minimo"},
            {"preference at the very start", {{prefs, line + "\r\n"}}, {}, "\\Temp\\Minimo"},
            {"relative folder",
             {{prefs, "//\r\nuser_pref(\"browser.cache.disk.parent_directory\", \"Minimo\");\r\n"}},
             {},
             "\\Temp\\Minimo"},
            {"no preference", {{prefs, "//\r\nuser_pref(\"x\", 1);\r\n"}}, {}, "\\Temp\\Minimo"},
            {"no prefs.js", {}, {}, "\\Temp\\Minimo"},
            {"invalid 8-bit text and a megabyte line",
             {{prefs, "\x81\xff\r\n" + std::string(1 << 20, '"') + "\r\n" + line + "\r\n"}},
             {},
             "\\Storage Card\\Minimo\\Cache"},
        },
        LocateMinimoCache, &Locations::minimoCache);
}

TEST(CatalogueFennec, FirstProfileWithACache) {
    const std::string profiles = "\\Application Data\\Mozilla\\Fennec\\Profiles\\";
    RunFileCases(
        {
            {"one profile of two has a cache",
             {{profiles + "zz.default\\Cache", "a file, not a folder"}},
             {profiles + "ab12.default", profiles + "cd34.default\\Cache",
              profiles + "other\\Cache"},
             profiles + "cd34.default\\Cache"},
            {"a folder named .default alone is skipped",
             {},
             {profiles + ".default\\Cache"},
             "\\Application Data\\Mozilla\\Fennec\\Profiles\\xyz"},
            {"no profiles", {}, {}, "\\Application Data\\Mozilla\\Fennec\\Profiles\\xyz"},
        },
        LocateFennecCache, &Locations::fennecCache);

    // With two profiles that both have a cache, the first one the enumeration gives wins.
    CatalogueImage img;
    img.dev.MakeDir(profiles + "a.default\\Cache");
    img.dev.MakeDir(profiles + "b.default\\Cache");
    auto& run = img.Run();
    platform::FindData first;
    auto find = run.platform.FindFirst(text::U(profiles + "*.*"), first, true);
    ASSERT_TRUE(find);
    LocateFennecCache(run);
    EXPECT_EQ(U8(run.catalogue.locations.fennecCache), profiles + U8(first.name) + "\\Cache");
}

TEST(CatalogueCardFiles, GoogleMaps) {
    const std::string def = "\\Application Data\\GoogleMaps\\cache-GLM.dat";
    RunFileCases(
        {
            {"default file present",
             {{def, "x"}, {"\\SD Card\\Application Data\\GoogleMaps\\cache\\cache-GLM.dat", "y"}},
             {},
             def},
            {"main folder without cache: cards not searched",
             {},
             {"\\Application Data\\GoogleMaps",
              "\\Storage Card\\Application Data\\GoogleMaps\\cache"},
             def},
            {"main folder with cache",
             {},
             {"\\Application Data\\GoogleMaps\\cache"},
             "\\Application Data\\GoogleMaps\\cache\\cache-GLM.dat"},
            {"second card with cache",
             {},
             {"\\Storage Card", "\\SD Card\\Application Data\\GoogleMaps\\cache"},
             "\\SD Card\\Application Data\\GoogleMaps\\cache\\cache-GLM.dat"},
            {"first card without cache subfolder wins",
             {},
             {"\\Storage Card\\Application Data\\GoogleMaps",
              "\\SD Card\\Application Data\\GoogleMaps\\cache"},
             "\\Storage Card\\Application Data\\GoogleMaps\\cache-GLM.dat"},
            {"nowhere", {}, {"\\Storage Card", "\\SD Card"}, def},
        },
        LocateGoogleMapsCache, &Locations::googleMaps);
}

TEST(CatalogueCardFiles, MyPhoneLog) {
    const std::string def = "\\Application Data\\Microsoft\\My Phone\\MyPhoneLog.txt";
    const std::string onCard = "\\SD Card\\Application Data\\Microsoft\\My Phone\\MyPhoneLog.txt";
    RunFileCases(
        {
            {"default file present", {{def, "x"}, {onCard, "y"}}, {}, def},
            {"on the second card", {{onCard, "y"}}, {"\\Storage Card"}, onCard},
            {"a folder of that name on the first card also counts",
             {{onCard, "y"}},
             {"\\Storage Card\\Application Data\\Microsoft\\My Phone\\MyPhoneLog.txt"},
             "\\Storage Card\\Application Data\\Microsoft\\My Phone\\MyPhoneLog.txt"},
            {"nowhere", {}, {"\\Storage Card", "\\SD Card"}, def},
        },
        LocateMyPhoneLog, &Locations::myPhoneLog);
}

}  // namespace
}  // namespace tidy
