#pragma once
// The per-run tables of the item catalogue and of discovery: one index (the item number,
// 0 to 30) into parallel tables, the located folders and the device's special places.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tidy::catalogue {

constexpr int kItemCount = 31;
constexpr int kFolderItemCount = 22;  // items 0 to 21 are folders

struct SpecialFolders {
    std::u16string startMenu = u"\\Windows\\Start Menu\\";
    std::u16string programs = u"\\Windows\\Start Menu\\Programs\\";
    std::u16string startup = u"\\Windows\\StartUp\\";
    std::u16string appData = u"\\Application Data\\";
    std::u16string windows = u"\\Windows\\";
};

// Where each located item lives, without a trailing backslash; starts at the item's default
// and is not reset between discovery passes.
struct Locations {
    std::u16string ieCache, ieCookies, ieHistory;
    std::u16string volatileFolder = u"\\Application Data\\Volatile";
    std::u16string operaCache = u"\\Temp\\Opera\\cache4";
    std::u16string minimoCache = u"\\Temp\\Minimo";
    std::u16string netFrontCache = u"\\Temp\\Netfront";
    std::u16string fennecCache = u"\\Application Data\\Mozilla\\Fennec\\Profiles\\xyz";
    std::array<std::u16string, 3> customFolders = {
        u"\\Path to Temp Folder", u"\\Path to Temp Folder", u"\\Path to Temp Folder"};
    std::u16string largeMail = u"\\Program Files\\Communication\\Large Mail Messages";
    std::u16string mailAttachments = u"\\My Documents\\Temp";
    std::u16string virtualEarth = u"\\Application Data\\VirtualEarthMobile";
    std::u16string spbTraveler = u"\\Application Data\\Spb Traveler\\Cache";
    std::u16string skyBook = u"\\Program Files\\SkyBook\\cache";
    std::u16string googleMaps = u"\\Application Data\\GoogleMaps\\cache-GLM.dat";
    std::u16string myPhoneLog = u"\\Application Data\\Microsoft\\My Phone\\MyPhoneLog.txt";
    // Opera Mobile's settings file, found by the Opera locator.
    std::u16string operaIni = u"\\Application Data\\Opera\\opera.ini";
};

struct CatalogueState {
    std::vector<std::u16string> itemNames;
    std::vector<std::u16string> itemDescriptions;
    std::array<int32_t, kItemCount> selection{};
    std::array<int32_t, kItemCount> itemSizes{};
    std::array<std::u16string, kFolderItemCount> folderTable;
    bool folderTableLogged = false;

    SpecialFolders special;
    Locations locations;
    std::vector<std::u16string> storageCards;  // card folder names, as the device reports them
};

}  // namespace tidy::catalogue
