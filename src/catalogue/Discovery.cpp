#include "catalogue/Discovery.h"

#include <array>
#include <utility>
#include <vector>

#include "app/Log.h"
#include "app/RunState.h"
#include "catalogue/BrowserLocators.h"
#include "catalogue/Catalogue.h"
#include "catalogue/RegistryLocators.h"
#include "clean/SpecialItems.h"
#include "clean/Utilities.h"
#include "platform/Text.h"

namespace tidy::catalogue {

const char16_t kJunkFolder[] = u"\\JunkFolder\\";

namespace {

using app::WriteLog;

// The path as the device's file system resolves it: '/' separates as '\' does, and runs of
// separators count as one.
std::u16string CanonicalPath(const std::u16string& path) {
    std::u16string out;
    out.reserve(path.size());
    for (char16_t c : path) {
        if (c == u'/') c = u'\\';
        if (c == u'\\' && !out.empty() && out.back() == u'\\') continue;
        out.push_back(c);
    }
    return out;
}

// True for a folder-table entry that must never be walked: nothing at all, the root, the
// Windows folder or a whole storage card. A path that is not absolute is refused as well: the
// device resolves it from the root, so "Windows\" would name the Windows folder.
bool MustNotWalk(const std::u16string& entry, const std::u16string& windows,
                 const std::vector<std::u16string>& cards) {
    if (entry.empty() || (entry[0] != u'\\' && entry[0] != u'/')) return true;
    const std::u16string path = CanonicalPath(entry);
    if (path == u"\\" || text::EqualsIgnoreCase(path, CanonicalPath(windows))) return true;
    for (const std::u16string& card : cards) {
        if (text::EqualsIgnoreCase(path, CanonicalPath(u"\\" + card + u"\\"))) return true;
    }
    return false;
}

// Reads one Shell Folders value: one trailing backslash dropped, then white space trimmed.
std::u16string ReadShellFolder(app::RunState& run, const platform::RegKey& key,
                               const char16_t* name) {
    std::u16string value;
    if (!clean::ReadRegString(run.platform, key.Handle(), name, value)) return std::u16string();
    if (!value.empty() && value.back() == u'\\') value.pop_back();
    return text::Trim(value);
}

}  // namespace

void LoadingSequence(app::RunState& run) {
    WriteLog(run, u"Checking settings");
    BuildCatalogue(run);

    WriteLog(run, u"Checking special paths");
    LocateSpecialFolders(run);

    WriteLog(run, u"Checking storage volumes");
    try {
        EnumerateStorageCards(run);
    } catch (...) {
        // Whatever was found so far is kept; start-up goes on.
    }
    // The saved selection is loaded over a clean table.
    run.catalogue.selection.fill(0);

    WriteLog(run, u"Locating all folders");
    // In interactive mode the first background refresh locates them.
    if (!run.flags.interactive.load()) LocateAllFolders(run);

    WriteLog(run, u"Settings fully loaded");
}

void LocateSpecialFolders(app::RunState& run) {
    auto& special = run.catalogue.special;
    const std::pair<int, std::u16string*> slots[] = {
        {platform::kCsidlStartMenu, &special.startMenu},
        {platform::kCsidlPrograms, &special.programs},
        {platform::kCsidlStartup, &special.startup},
        {platform::kCsidlAppData, &special.appData},
        {platform::kCsidlWindows, &special.windows},
    };
    for (const auto& [csidl, folder] : slots) {
        std::u16string path = run.platform.SpecialFolder(csidl);
        // The device hands the folder over in a buffer of kMaxPath characters; a longer one
        // cannot be a real folder and leaves the previous value.
        if (path.empty() || path.size() >= platform::kMaxPath) continue;
        if (path.back() != u'\\') path += u'\\';
        *folder = std::move(path);
    }
}

void EnumerateStorageCards(app::RunState& run) {
    auto& cards = run.catalogue.storageCards;
    cards.clear();
    WriteLog(run, u"Storage volume check: alloc success");

    // Every card the device reports is listed, however many there are.
    std::vector<platform::FindData> records(1);
    auto find = run.platform.FindFirstStorageCard(records[0]);
    if (!find) return;
    for (platform::FindData next; find->Next(next); next = platform::FindData())
        records.push_back(next);
    find.reset();

    WriteLog(run, u"Storage volume check: check success");
    WriteLog(run, u"");
    for (const platform::FindData& record : records) {
        if (record.name.empty()) continue;
        cards.push_back(record.name);
        WriteLog(run, u"Storage Folder Found: " + record.name);
    }
    WriteLog(run, u"");
}

void LocateIEFolders(app::RunState& run) {
    platform::RegKey key(run.platform);
    if (!key.Open(platform::HKEY_CURRENT_USER,
                  u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"))
        return;
    auto& locations = run.catalogue.locations;
    const std::u16string& windows = run.catalogue.special.windows;
    std::u16string cache = ReadShellFolder(run, key, u"Cache");
    std::u16string cookies = ReadShellFolder(run, key, u"Cookies");
    std::u16string history = ReadShellFolder(run, key, u"History");
    if (cache.empty()) cache = windows + u"Temporary Internet Files";
    if (cookies.empty()) cookies = windows + u"Cookies";
    if (history.empty()) history = windows + u"History";
    locations.ieCache = std::move(cache);
    locations.ieCookies = std::move(cookies);
    locations.ieHistory = std::move(history);
}

void LocateAllFolders(app::RunState& run) {
    LocateIEFolders(run);
    LocateCustomFolders(run);
    WriteLog(run, u"Basic folders checked");

    LocateMailAttachments(run);
    LocateLargeMail(run);
    WriteLog(run, u"Mail folders checked");

    LocateNetFrontCache(run);
    LocateOperaFiles(run);
    LocateMinimoCache(run);
    LocateFennecCache(run);
    LocateSpbTravelerCache(run);
    LocateVolatileFolder(run);
    LocateVirtualEarthCache(run);
    LocateSkyBookCache(run);
    LocateGoogleMapsCache(run);
    LocateMyPhoneLog(run);
    WriteLog(run, u"Third party folders checked");

    BuildFolderTable(run);

    clean::LoadCustomPatterns(run);
    WriteLog(run, u"Custom filelist checked");

    auto& c = run.catalogue;
    if (!c.folderTableLogged) {
        if (run.flags.loggingOn.load()) LogFolderTable(run);
        c.folderTableLogged = true;
    }
}

void BuildFolderTable(app::RunState& run) {
    auto& c = run.catalogue;
    const auto& l = c.locations;
    const std::u16string& windows = c.special.windows;
    const std::vector<std::u16string> cards = c.storageCards;

    std::u16string liveSearch = u"\\Live Search\\";
    for (const std::u16string& card : cards) {
        if (clean::RootFolderExists(run, card + u"\\Live Search")) {
            liveSearch = u"\\" + card + u"\\Live Search\\";
            break;
        }
    }

    std::array<std::u16string, kFolderItemCount> table = {
        u"\\Temp\\",
        l.ieCache + u"\\",
        l.ieCookies + u"\\",
        l.ieHistory + u"\\",
        l.volatileFolder + u"\\",
        l.operaCache + u"\\",
        l.minimoCache + u"\\",
        l.netFrontCache + u"\\",
        l.fennecCache + u"\\",
        l.customFolders[0] + u"\\",
        l.customFolders[1] + u"\\",
        l.customFolders[2] + u"\\",
        l.largeMail + u"\\",
        l.mailAttachments + u"\\",
        u"\\HTCLog\\",
        l.virtualEarth + u"\\",
        liveSearch,
        l.spbTraveler + u"\\",
        u"\\~Recycled\\",
        l.skyBook + u"\\",
        u"\\Application Data\\Twikini\\",
        windows + u"YouTube\\History\\",
    };
    for (std::u16string& entry : table) {
        // An empty location has become "\" by now: the root check catches it.
        if (MustNotWalk(entry, windows, cards)) entry = kJunkFolder;
    }
    for (int i = 0; i < kFolderItemCount; ++i) c.folderTable[i] = std::move(table[i]);
}

void LogFolderTable(app::RunState& run) {
    WriteLog(run, u"");
    for (int i = 1; i <= kFolderItemCount; ++i) {
        const std::u16string entry = run.catalogue.folderTable[i - 1];
        WriteLog(run, text::Format("Folder %d: %s", i, &entry));
    }
}

}  // namespace tidy::catalogue
