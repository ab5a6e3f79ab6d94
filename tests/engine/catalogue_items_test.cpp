// The item table, the recommended selection and the Size-cell texts.

#include <gtest/gtest.h>

#include <set>

#include "catalogue/Catalogue.h"
#include "catalogue/Discovery.h"
#include "engine/catalogue_fixture.h"

namespace tidy {
namespace {

using namespace catalogue;
using test::CatalogueImage;
using test::U8;

TEST(CatalogueItems, TableOrderNamesAndDescriptions) {
    CatalogueImage img;
    auto& run = img.Run();
    BuildCatalogue(run);
    ASSERT_EQ(run.catalogue.itemNames.size(), 31u);
    ASSERT_EQ(run.catalogue.itemDescriptions.size(), 31u);

    const char* names[31] = {"Temp",
                             "Cache",
                             "Cookies",
                             "History",
                             "Volatile Folder",
                             "Opera Mobile Cache",
                             "Minimo Cache",
                             "NetFront Cache",
                             "Fennec Cache",
                             "Custom Folder 1",
                             "Custom Folder 2",
                             "Custom Folder 3",
                             "Large Mail",
                             "Mail Attachments",
                             "HTC Logs",
                             "Virtual Earth Mobile",
                             "Live Search Mobile",
                             "Spb Traveler",
                             "Resco Recycle Bin",
                             "SkyBook Cache",
                             "Twikini Cache",
                             "YouTube History",
                             "Google Maps",
                             "My Phone Logs",
                             "Windows Live Logs",
                             "Opera Mobile History",
                             "Opera Mobile Cookies",
                             "Custom Files",
                             "Recent Programs",
                             "Internet Addresses",
                             "Boot Count"};
    for (int i = 0; i < 31; ++i) EXPECT_EQ(U8(ItemName(run, i)), names[i]) << i;

    EXPECT_EQ(U8(ItemDescription(run, 0)),
              "This is the folder for temporary files used by many applications.");
    EXPECT_EQ(U8(ItemDescription(run, 21)),
              "This is the history folder used by YouTube application preinstalled on several HTC "
              "devices.");
    EXPECT_EQ(U8(ItemDescription(run, 29)),
              "This is the Internet Address History stored in Internet Explorer.");
    EXPECT_EQ(U8(ItemDescription(run, 30)), "This is the soft reset counter.");
    EXPECT_EQ(ItemName(run, 31), u"");
    EXPECT_EQ(ItemDescription(run, -1), u"");
}

std::set<int> Selected(const CatalogueState& c) {
    std::set<int> s;
    for (int i = 0; i < kItemCount; ++i)
        if (c.selection[i]) s.insert(i);
    return s;
}

TEST(CatalogueItems, RecommendedOnABareDevice) {
    CatalogueImage img;
    auto& run = img.Run();
    run.catalogue.selection.fill(1);
    LocateAllFolders(run);
    SelectRecommended(run);
    EXPECT_EQ(Selected(run.catalogue), (std::set<int>{0, 1, 2, 3, 4, 28, 29}));
}

TEST(CatalogueItems, RecommendedFollowsInstalledBrowsers) {
    CatalogueImage img;
    img.dev.MakeDir("\\Temp\\Opera");  // the default cache's parent: Opera is there
    img.dev.MakeDir("\\Temp\\Minimo");
    auto& run = img.Run();
    BuildFolderTable(run);
    SelectRecommended(run);
    EXPECT_EQ(Selected(run.catalogue), (std::set<int>{0, 1, 2, 3, 4, 5, 6, 25, 26, 28, 29}));

    // A cache directly in the root has no parent folder to test: Opera does not count.
    run.catalogue.locations.operaCache = u"\\Temp";
    SelectRecommended(run);
    EXPECT_EQ(Selected(run.catalogue), (std::set<int>{0, 1, 2, 3, 4, 6, 28, 29}));

    // Before any folder table exists nothing is tested against empty entries.
    CatalogueImage fresh;
    fresh.dev.MakeDir("\\Temp\\Netfront");
    SelectRecommended(fresh.Run());
    EXPECT_EQ(Selected(fresh.Cat()), (std::set<int>{0, 1, 2, 3, 4, 28, 29}));
}

TEST(CatalogueItems, SizeTextOfFolderItems) {
    CatalogueImage img;
    img.dev.WriteFile("\\Temp\\a.txt", std::string(600, 'a'));
    img.dev.WriteFile("\\Temp\\sub\\b.txt", std::string(500, 'b'));
    img.dev.MakeDir("\\HTCLog");
    auto& run = img.Run();
    BuildFolderTable(run);
    auto& c = run.catalogue;

    // Unselected: one space, never a size, even for a folder that exists.
    EXPECT_EQ(U8(ItemSizeText(run, kItemTemp)), " ");

    c.selection[kItemTemp] = 1;
    c.itemSizes[kItemTemp] = 99999;  // measuring starts from zero
    EXPECT_EQ(U8(ItemSizeText(run, kItemTemp)), "1.1 KB");
    EXPECT_EQ(c.itemSizes[kItemTemp], 1100);

    c.selection[kItemHtcLogs] = 1;  // exists, empty
    EXPECT_EQ(U8(ItemSizeText(run, kItemHtcLogs)), "0 Bytes");
    c.selection[kItemTwikini] = 1;  // missing
    EXPECT_EQ(U8(ItemSizeText(run, kItemTwikini)), "Not Found");
    c.selection[kItemCache] = 1;  // no Shell Folders key: guarded into the junk folder
    EXPECT_EQ(U8(c.folderTable[kItemCache]), "\\JunkFolder\\");
    EXPECT_EQ(U8(ItemSizeText(run, kItemCache)), "Not Found");

    EXPECT_EQ(U8(ItemSizeText(run, 31)), " ");
    EXPECT_EQ(U8(ItemSizeText(run, -1)), " ");
}

TEST(CatalogueItems, SizeTextOfOtherItems) {
    CatalogueImage img("", R"([HKEY_LOCAL_MACHINE\Comm]
"BootCount"=dword:00000007

[HKEY_LOCAL_MACHINE\Explorer\AddressHistory]
"0"="http://a.example/"
"1"="http://b.example/"
)");
    auto& run = img.Run();
    auto& c = run.catalogue;
    for (int i = 22; i <= 30; ++i) c.selection[i] = 1;
    EXPECT_EQ(U8(ItemSizeText(run, kItemBootCount)), "7");
    EXPECT_EQ(U8(ItemSizeText(run, kItemInternetAddresses)), "2 items");
    EXPECT_EQ(U8(ItemSizeText(run, kItemRecentPrograms)), "0 items");
    EXPECT_EQ(U8(ItemSizeText(run, kItemWindowsLiveLogs)), "0 Bytes");
    EXPECT_EQ(U8(ItemSizeText(run, kItemGoogleMaps)), "Not Found");
}

}  // namespace
}  // namespace tidy
