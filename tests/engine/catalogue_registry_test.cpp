// The registry-based folder locators: each case is a small registry, the locator and the
// location it must leave.

#include <gtest/gtest.h>

#include <functional>

#include "catalogue/RegistryLocators.h"
#include "engine/catalogue_fixture.h"

namespace tidy {
namespace {

using namespace catalogue;
using test::CatalogueImage;
using test::U8;

struct LocatorCase {
    const char* what;
    std::string toml;
    std::string reg;
    std::vector<std::string> folders;  // made on the device before the locator runs
    std::function<void(app::RunState&)> locate;
    std::function<std::u16string(const Locations&)> location;
    std::string expected;
};

void RunCases(const std::vector<LocatorCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogueImage img(c.toml, c.reg);
        for (const auto& f : c.folders) img.dev.MakeDir(f);
        auto& run = img.Run();
        c.locate(run);
        EXPECT_EQ(U8(c.location(run.catalogue.locations)), c.expected);
    }
}

const auto kVolatile = [](const Locations& l) { return l.volatileFolder; };
const auto kLargeMail = [](const Locations& l) { return l.largeMail; };
const auto kSkyBook = [](const Locations& l) { return l.skyBook; };
const auto kSpb = [](const Locations& l) { return l.spbTraveler; };
const auto kAttach = [](const Locations& l) { return l.mailAttachments; };
const auto kEarth = [](const Locations& l) { return l.virtualEarth; };
const auto kNetFront = [](const Locations& l) { return l.netFrontCache; };

TEST(CatalogueRegistryLocators, SimpleFolderValues) {
    RunCases({
        {"TempPath with trailing backslash",
         "",
         R"([HKEY_LOCAL_MACHINE\System\Filesys]
"TempPath"="\\Temp\\"
)",
         {},
         LocateVolatileFolder,
         kVolatile,
         "\\Temp"},
        {"TempPath empty keeps the default",
         "",
         R"([HKEY_LOCAL_MACHINE\System\Filesys]
"TempPath"=""
)",
         {},
         LocateVolatileFolder,
         kVolatile,
         "\\Application Data\\Volatile"},
        {"TempPath as a number counts as absent",
         "",
         R"([HKEY_LOCAL_MACHINE\System\Filesys]
"TempPath"=dword:00000001
)",
         {},
         LocateVolatileFolder,
         kVolatile,
         "\\Application Data\\Volatile"},
        {"text ends at its first null",
         "",
         R"([HKEY_LOCAL_MACHINE\System\Filesys]
"TempPath"=hex(1):5c,00,54,00,00,00,58,00,00,00
)",
         {},
         LocateVolatileFolder,
         kVolatile,
         "\\T"},
        {"LargeBodyDir present but empty",
         "",
         R"([HKEY_LOCAL_MACHINE\PMail\MessageStore]
"LargeBodyDir"=""
)",
         {},
         LocateLargeMail,
         kLargeMail,
         ""},
        {"LargeBodyDir absent",
         "",
         R"([HKEY_LOCAL_MACHINE\PMail\MessageStore]
"Other"="x"
)",
         {},
         LocateLargeMail,
         kLargeMail,
         "\\Program Files\\Communication\\Large Mail Messages"},
        {"SkyBook doubled backslashes",
         "",
         R"([HKEY_LOCAL_MACHINE\Software\SkyBook]
"CacheDir"="\\\\Storage Card\\\\SkyBook\\\\cache\\\\"
)",
         {},
         LocateSkyBookCache,
         kSkyBook,
         "\\Storage Card\\SkyBook\\cache"},
        {"SkyBook single backslashes",
         "",
         R"([HKEY_LOCAL_MACHINE\Software\SkyBook]
"CacheDir"="\\SkyCache"
)",
         {},
         LocateSkyBookCache,
         kSkyBook,
         "\\SkyCache"},
        {"SkyBook value of two backslashes empties the location",
         "",
         R"([HKEY_LOCAL_MACHINE\Software\SkyBook]
"CacheDir"="\\\\"
)",
         {},
         LocateSkyBookCache,
         kSkyBook,
         ""},
        {"SkyBook value of one backslash leaves it",
         "",
         R"([HKEY_LOCAL_MACHINE\Software\SkyBook]
"CacheDir"="\\"
)",
         {},
         LocateSkyBookCache,
         kSkyBook,
         "\\Program Files\\SkyBook\\cache"},
        {"Spb Traveler",
         "",
         R"([HKEY_CURRENT_USER\Software\Spb Software House\Spb Traveler\Settings]
"Cache Dir"="\\Storage Card\\Traveler\\"
)",
         {},
         LocateSpbTravelerCache,
         kSpb,
         "\\Storage Card\\Traveler"},
    });
}

TEST(CatalogueRegistryLocators, MailAttachmentsByPlatformVersion) {
    const std::string both = R"([HKEY_LOCAL_MACHINE\System\Inbox\Settings]
"AttachPath"="\\Machine\\Attach\\"

[HKEY_CURRENT_USER\Software\Microsoft\MAPI]
"AttachPath"="\\User\\Attach"
)";
    RunCases({
        {"5.2 reads the machine key",
         "[version]\nmajor = 5\nminor = 2\n",
         both,
         {},
         LocateMailAttachments,
         kAttach,
         "\\Machine\\Attach"},
        {"5.1 reads the user key",
         "[version]\nmajor = 5\nminor = 1\n",
         both,
         {},
         LocateMailAttachments,
         kAttach,
         "\\User\\Attach"},
        {"4.21 reads the user key",
         "[version]\nmajor = 4\nminor = 21\n",
         both,
         {},
         LocateMailAttachments,
         kAttach,
         "\\User\\Attach"},
        {"6.0 reads the user key",
         "[version]\nmajor = 6\nminor = 0\n",
         both,
         {},
         LocateMailAttachments,
         kAttach,
         "\\User\\Attach"},
        {"unreadable version reads the user key",
         "[version]\nreadable = false\n",
         both,
         {},
         LocateMailAttachments,
         kAttach,
         "\\User\\Attach"},
        {"key without AttachPath: the Windows messaging folder",
         "[folders]\nwindows = \"\\\\Win\"\n",
         R"([HKEY_LOCAL_MACHINE\System\Inbox\Settings]
"Other"="x"
)",
         {},
         [](app::RunState& run) {
             run.catalogue.special.windows = u"\\Win\\";
             LocateMailAttachments(run);
         },
         kAttach,
         "\\Win\\Messaging\\Attachments"},
        {"AttachPath empty leaves the default",
         "",
         R"([HKEY_LOCAL_MACHINE\System\Inbox\Settings]
"AttachPath"=""
)",
         {},
         LocateMailAttachments,
         kAttach,
         "\\My Documents\\Temp"},
        {"no key leaves the default",
         "",
         "",
         {},
         LocateMailAttachments,
         kAttach,
         "\\My Documents\\Temp"},
    });
}

TEST(CatalogueRegistryLocators, VirtualEarthSearchesTheCards) {
    const std::string cards = "storage_cards = [\"Storage Card\", \"SD Card\"]\n";
    const std::string useCard = R"([HKEY_CURRENT_USER\Software\Marlowe Tepp's\VirtualEarthMobile]
"UseStorageCard"=dword:00000001
)";
    auto withCards = [](app::RunState& run) {
        run.catalogue.storageCards = {u"Storage Card", u"SD Card"};
        LocateVirtualEarthCache(run);
    };
    RunCases({
        {"second card holds the folder",
         cards,
         useCard,
         {"\\Storage Card", "\\SD Card\\VirtualEarthMobileCache"},
         withCards,
         kEarth,
         "\\SD Card\\VirtualEarthMobileCache"},
        {"first card holds the folder",
         cards,
         useCard,
         {"\\Storage Card\\VirtualEarthMobileCache", "\\SD Card\\VirtualEarthMobileCache"},
         withCards,
         kEarth,
         "\\Storage Card\\VirtualEarthMobileCache"},
        {"no card holds it: the last card's candidate",
         cards,
         useCard,
         {"\\Storage Card", "\\SD Card"},
         withCards,
         kEarth,
         "\\SD Card\\VirtualEarthMobileCache"},
        {"no card at all",
         "",
         useCard,
         {},
         LocateVirtualEarthCache,
         kEarth,
         "\\Application Data\\VirtualEarthMobile"},
        {"value 2",
         cards,
         R"([HKEY_CURRENT_USER\Software\Marlowe Tepp's\VirtualEarthMobile]
"UseStorageCard"=dword:00000002
)",
         {"\\SD Card\\VirtualEarthMobileCache"},
         withCards,
         kEarth,
         "\\Application Data\\VirtualEarthMobile"},
        {"eight-byte value",
         cards,
         R"([HKEY_CURRENT_USER\Software\Marlowe Tepp's\VirtualEarthMobile]
"UseStorageCard"=hex(4):01,00,00,00,00,00,00,00
)",
         {"\\SD Card\\VirtualEarthMobileCache"},
         withCards,
         kEarth,
         "\\Application Data\\VirtualEarthMobile"},
        {"text value",
         cards,
         R"([HKEY_CURRENT_USER\Software\Marlowe Tepp's\VirtualEarthMobile]
"UseStorageCard"="1"
)",
         {"\\SD Card\\VirtualEarthMobileCache"},
         withCards,
         kEarth,
         "\\Application Data\\VirtualEarthMobile"},
    });
}

TEST(CatalogueRegistryLocators, NetFrontEditionsAndTries) {
    RunCases({
        {"3.5 InstallDir with trailing backslash",
         "",
         R"([HKEY_LOCAL_MACHINE\Software\ACCESS\NFB35\BrowserPref]
"InstallDir"="\\Program Files\\NetFront\\"
)",
         {},
         LocateNetFrontCache,
         kNetFront,
         "\\Program Files\\NetFront\\cache"},
        {"L2CacheDir trimmed, before InstallDir",
         "",
         R"([HKEY_CURRENT_USER\Software\ACCESS\NetFront34\BrowserPref]
"L2CacheDir"="  \\Storage Card\\NF  "

[HKEY_LOCAL_MACHINE\Software\ACCESS\NetFront34\BrowserPref]
"InstallDir"="\\Program Files\\NF34"
)",
         {},
         LocateNetFrontCache,
         kNetFront,
         "\\Storage Card\\NF"},
        {"newer edition wins",
         "",
         R"([HKEY_LOCAL_MACHINE\Software\Apps\ACCESS NetFront33]
"InstallDir"="\\NF33"

[HKEY_LOCAL_MACHINE\Software\Apps\ACCESS NetFront34]
"InstallDir"="\\NF34"
)",
         {},
         LocateNetFrontCache,
         kNetFront,
         "\\NF34\\cache"},
        {"InstlDir when InstallDir is absent, trimmed at the start only",
         "",
         R"([HKEY_LOCAL_MACHINE\Software\Apps\ACCESS NetFront33]
"InstlDir"="  \\NF33 "
)",
         {},
         LocateNetFrontCache,
         kNetFront,
         "\\NF33 \\cache"},
        {"an empty InstallDir hides InstlDir",
         "",
         R"([HKEY_LOCAL_MACHINE\Software\Apps\ACCESS NetFront33]
"InstallDir"=""
"InstlDir"="\\NF33"
)",
         {},
         LocateNetFrontCache,
         kNetFront,
         "\\Temp\\Netfront"},
        {"NetFront 3.2 preferences",
         "",
         R"([HKEY_CURRENT_USER\Software\access-company.com\NetFront32\BrowserPref]
"L2CacheDir"="\\NF32Cache"
)",
         {},
         LocateNetFrontCache,
         kNetFront,
         "\\NF32Cache"},
        {"nothing installed", "", "", {}, LocateNetFrontCache, kNetFront, "\\Temp\\Netfront"},
    });
}

TEST(CatalogueRegistryLocators, CustomFolders) {
    struct Case {
        const char* stored;  // .reg text of the value, or null for absent
        const char* expected;
    } cases[] = {
        {R"("Windows\\\\")", "\\Path to Temp Folder"},
        {R"("Windows\\")", "Windows"},
        {R"("\\Windows")", "\\Windows"},
        {R"("")", "\\Path to Temp Folder"},
        {R"("\\")", "\\Path to Temp Folder"},
        {R"("  \\Temp\\Mine  ")", "\\Temp\\Mine"},
        {R"("\\Temp\\Mine\\ ")", "\\Temp\\Mine\\"},
        {R"("\\Temp\\Mine\\")", "\\Temp\\Mine"},
        {R"(dword:00000001)", "\\Previous"},
        {nullptr, "\\Previous"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(absent)");
        std::string reg =
            "[HKEY_CURRENT_USER\\Software\\Norvane\\Tidymatic]\n\"Custom\"=\"\\\\Temp\\\\One\"\n";
        if (c.stored) reg += std::string("\"Custom2\"=") + c.stored + "\n";
        CatalogueImage img("", reg);
        auto& run = img.Run();
        run.catalogue.locations.customFolders[1] = u"\\Previous";
        LocateCustomFolders(run);
        EXPECT_EQ(U8(run.catalogue.locations.customFolders[0]), "\\Temp\\One");
        EXPECT_EQ(U8(run.catalogue.locations.customFolders[1]), c.expected);
        EXPECT_EQ(U8(run.catalogue.locations.customFolders[2]), "\\Path to Temp Folder");
    }

    // Without the settings key the previous values are still checked.
    CatalogueImage img;
    auto& run = img.Run();
    run.catalogue.locations.customFolders = {u"", u"Windows\\", u" \\Kept "};
    LocateCustomFolders(run);
    EXPECT_EQ(U8(run.catalogue.locations.customFolders[0]), "\\Path to Temp Folder");
    EXPECT_EQ(U8(run.catalogue.locations.customFolders[1]), "\\Path to Temp Folder");
    EXPECT_EQ(U8(run.catalogue.locations.customFolders[2]), "\\Kept");
}

TEST(CatalogueRegistryLocators, OperaInstallFolder) {
    struct Case {
        const char* reg;
        const char* expected;
    } cases[] = {
        {"", ""},
        {R"([HKEY_LOCAL_MACHINE\Software\Apps\Opera Software Opera Mobile 10]
"InstlDir"=" \\Storage Card\\Opera\\"
)",
         " \\Storage Card\\Opera"},
        // The first key that opens decides, even without the value.
        {R"([HKEY_LOCAL_MACHINE\Software\Apps\Opera Software Opera]
"Other"="x"

[HKEY_LOCAL_MACHINE\Software\Apps\Opera Software Opera Mobile]
"InstlDir"="\\Program Files\\Opera"
)",
         ""},
        {R"([HKEY_LOCAL_MACHINE\Software\Apps\Opera Software Opera Mobile]
"InstlDir"="\\Program Files\\Opera Mobile"
)",
         "\\Program Files\\Opera Mobile"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reg);
        CatalogueImage img("", c.reg);
        EXPECT_EQ(U8(GetOperaInstallFolder(img.Run())), c.expected);
    }

    // Absent and empty values are told apart by ReadFolderValue.
    CatalogueImage img("", R"([HKEY_CURRENT_USER\K]
"Empty"=""
)");
    bool found = true;
    EXPECT_EQ(ReadFolderValue(img.Run(), platform::HKEY_CURRENT_USER, u"K", u"Missing", &found),
              u"");
    EXPECT_FALSE(found);
    EXPECT_EQ(ReadFolderValue(img.Run(), platform::HKEY_CURRENT_USER, u"K", u"Empty", &found), u"");
    EXPECT_TRUE(found);
    EXPECT_EQ(ReadFolderValue(img.Run(), platform::HKEY_CURRENT_USER, u"None", u"Empty", &found),
              u"");
    EXPECT_FALSE(found);
}

}  // namespace
}  // namespace tidy
