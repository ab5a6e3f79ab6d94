#pragma once
// The fixed list of 31 cleanable items: names, descriptions, the recommended selection and the
// text of each item's Size cell.

#include <string>

namespace tidy::app {
struct RunState;
}

namespace tidy::catalogue {

// Item numbers that other modules name.
enum Item : int {
    kItemTemp = 0,
    kItemCache = 1,
    kItemCookies = 2,
    kItemHistory = 3,
    kItemVolatile = 4,
    kItemOperaCache = 5,
    kItemMinimoCache = 6,
    kItemNetFrontCache = 7,
    kItemFennecCache = 8,
    kItemCustomFolder1 = 9,
    kItemCustomFolder2 = 10,
    kItemCustomFolder3 = 11,
    kItemLargeMail = 12,
    kItemMailAttachments = 13,
    kItemHtcLogs = 14,
    kItemVirtualEarth = 15,
    kItemLiveSearch = 16,
    kItemSpbTraveler = 17,
    kItemRescoRecycleBin = 18,
    kItemSkyBook = 19,
    kItemTwikini = 20,
    kItemYouTubeHistory = 21,
    kItemGoogleMaps = 22,
    kItemMyPhoneLogs = 23,
    kItemWindowsLiveLogs = 24,
    kItemOperaHistory = 25,
    kItemOperaCookies = 26,
    kItemCustomFiles = 27,
    kItemRecentPrograms = 28,
    kItemInternetAddresses = 29,
    kItemBootCount = 30,
};

// Appends the 31 names and descriptions in table order. Runs once per run.
void BuildCatalogue(app::RunState& run);

// Rewrites the selection table with the recommended items; the list's check boxes are the
// caller's business.
void SelectRecommended(app::RunState& run);

// The text of the item's Size cell; measures a selected item (and so updates its size entry).
std::u16string ItemSizeText(app::RunState& run, int item);

// The entries of the name and description lists; empty for a number outside the built lists.
std::u16string ItemName(const app::RunState& run, int item);
std::u16string ItemDescription(const app::RunState& run, int item);

}  // namespace tidy::catalogue
