#include "catalogue/RegistryLocators.h"

#include "app/RunState.h"
#include "clean/Utilities.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"

namespace tidy::catalogue {

using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using platform::RegKey;

const char16_t kNetFront32PrefsKey[] = u"Software\\access-company.com\\NetFront32\\BrowserPref";

namespace {

const char16_t kPathToTempFolder[] = u"\\Path to Temp Folder";

void DropTrailingBackslash(std::u16string& s) {
    if (!s.empty() && s.back() == u'\\') s.pop_back();
}

// Reads a folder value of an open key: the text without one trailing backslash. False when the
// value is absent or not text.
bool ReadFolderText(app::RunState& run, const RegKey& key, const std::u16string& name,
                    std::u16string& out) {
    std::u16string value;
    if (!clean::ReadRegString(run.platform, key.Handle(), name, value)) return false;
    DropTrailingBackslash(value);
    out = std::move(value);
    return true;
}

// One try of the NetFront search: the value, trimmed, with "\cache" appended when asked.
std::u16string NetFrontTry(app::RunState& run, platform::HKey root, const std::u16string& key,
                           const char16_t* name, bool appendCache) {
    std::u16string value = text::Trim(ReadFolderValue(run, root, key, name));
    if (!value.empty() && appendCache) value += u"\\cache";
    return value;
}

}  // namespace

std::u16string ReadFolderValue(app::RunState& run, platform::HKey root,
                               const std::u16string& subkey, const std::u16string& name,
                               bool* found) {
    if (found) *found = false;
    RegKey key(run.platform);
    if (!key.Open(root, subkey)) return std::u16string();
    std::u16string value;
    if (!ReadFolderText(run, key, name, value)) return std::u16string();
    if (found) *found = true;
    return value;
}

void LocateVolatileFolder(app::RunState& run) {
    std::u16string value =
        ReadFolderValue(run, HKEY_LOCAL_MACHINE, u"System\\Filesys", u"TempPath");
    if (!value.empty()) run.catalogue.locations.volatileFolder = std::move(value);
}

void LocateSpbTravelerCache(app::RunState& run) {
    std::u16string value =
        ReadFolderValue(run, HKEY_CURRENT_USER,
                        u"Software\\Spb Software House\\Spb Traveler\\Settings", u"Cache Dir");
    if (!value.empty()) run.catalogue.locations.spbTraveler = std::move(value);
}

void LocateSkyBookCache(app::RunState& run) {
    std::u16string value =
        ReadFolderValue(run, HKEY_LOCAL_MACHINE, u"Software\\SkyBook", u"CacheDir");
    if (value.empty()) return;
    // SkyBook writes its path with every backslash doubled, so a doubled trailing backslash
    // survives the first removal.
    DropTrailingBackslash(value);
    run.catalogue.locations.skyBook = text::ReplaceAll(std::move(value), u"\\\\", u"\\");
}

void LocateLargeMail(app::RunState& run) {
    bool found = false;
    std::u16string value =
        ReadFolderValue(run, HKEY_LOCAL_MACHINE, u"PMail\\MessageStore", u"LargeBodyDir", &found);
    // An empty value empties the location too: the discovery guard then keeps the item out.
    if (found) run.catalogue.locations.largeMail = std::move(value);
}

void LocateMailAttachments(app::RunState& run) {
    RegKey key(run.platform);
    bool opened = clean::IsPlatform52OrLater(run)
                      ? key.Open(HKEY_LOCAL_MACHINE, u"System\\Inbox\\Settings")
                      : key.Open(HKEY_CURRENT_USER, u"Software\\Microsoft\\MAPI");
    if (!opened) return;
    auto& locations = run.catalogue.locations;
    std::u16string value;
    if (ReadFolderText(run, key, u"AttachPath", value)) {
        if (!value.empty()) locations.mailAttachments = std::move(value);
    } else {
        locations.mailAttachments = run.catalogue.special.windows + u"Messaging\\Attachments";
    }
}

void LocateVirtualEarthCache(app::RunState& run) {
    uint32_t useCard = 0;
    {
        RegKey key(run.platform);
        if (!key.Open(HKEY_CURRENT_USER, u"Software\\Marlowe Tepp's\\VirtualEarthMobile")) return;
        if (!clean::ReadRegDword(run.platform, key.Handle(), u"UseStorageCard", useCard)) return;
    }
    if (useCard != 1) return;
    auto& location = run.catalogue.locations.virtualEarth;
    // Each card's candidate replaces the last: with no card holding the folder the location
    // names the last card's, which is then shown as not found.
    for (const std::u16string& card : std::vector<std::u16string>(run.catalogue.storageCards)) {
        location = u"\\" + card + u"\\VirtualEarthMobileCache";
        if (clean::PathExists(run, location)) break;
    }
}

void LocateNetFrontCache(app::RunState& run) {
    struct Edition {
        const char16_t* prefsKey;
        const char16_t* appName;
    };
    static const Edition kEditions[] = {
        {u"Software\\ACCESS\\NFB35\\BrowserPref", u"ACCESS NetFront Browser v3.5"},
        {u"Software\\ACCESS\\NetFront34\\BrowserPref", u"ACCESS NetFront34"},
        {u"Software\\ACCESS\\NetFront33\\BrowserPref", u"ACCESS NetFront33"},
        {kNetFront32PrefsKey, u"ACCESS NetFront32"},
    };
    for (const Edition& e : kEditions) {
        std::u16string result =
            NetFrontTry(run, HKEY_CURRENT_USER, e.prefsKey, u"L2CacheDir", false);
        if (result.empty())
            result = NetFrontTry(run, HKEY_LOCAL_MACHINE, e.prefsKey, u"InstallDir", true);
        if (result.empty()) {
            std::u16string appKey = std::u16string(u"Software\\Apps\\") + e.appName;
            bool found = false;
            result =
                text::Trim(ReadFolderValue(run, HKEY_LOCAL_MACHINE, appKey, u"InstallDir", &found));
            // The older spelling is read only where the newer one is missing altogether.
            if (!found)
                result =
                    text::TrimLeft(ReadFolderValue(run, HKEY_LOCAL_MACHINE, appKey, u"InstlDir"));
            if (!result.empty()) result += u"\\cache";
        }
        if (!result.empty()) {
            run.catalogue.locations.netFrontCache = std::move(result);
            return;
        }
    }
}

void LocateCustomFolders(app::RunState& run) {
    auto& folders = run.catalogue.locations.customFolders;
    {
        RegKey key(run.platform);
        if (key.Open(HKEY_CURRENT_USER, settings::kSettingsKey)) {
            static const char16_t* const kNames[3] = {u"Custom", u"Custom2", u"Custom3"};
            for (int i = 0; i < 3; ++i) {
                std::u16string value;
                if (ReadFolderText(run, key, kNames[i], value)) folders[i] = std::move(value);
            }
        }
    }
    // The Windows folder as a relative name ("Windows\") is turned away here; the absolute
    // forms are caught by the folder table's guard.
    const std::u16string& windows = run.catalogue.special.windows;
    const std::u16string windowsRelative = windows.empty() ? windows : windows.substr(1);
    for (std::u16string& folder : folders) {
        if (folder.empty() || folder == windowsRelative) folder = kPathToTempFolder;
        folder = text::Trim(folder);
    }
}

std::u16string GetOperaInstallFolder(app::RunState& run) {
    static const char16_t* const kKeys[] = {
        u"Software\\Apps\\Opera Software Opera",
        u"Software\\Apps\\Opera Software Opera Mobile",
        u"Software\\Apps\\Opera Software Opera Mobile 10",
    };
    for (const char16_t* subkey : kKeys) {
        RegKey key(run.platform);
        if (!key.Open(HKEY_LOCAL_MACHINE, subkey)) continue;
        std::u16string value;
        if (!ReadFolderText(run, key, u"InstlDir", value)) return std::u16string();
        return value;
    }
    return std::u16string();
}

}  // namespace tidy::catalogue
