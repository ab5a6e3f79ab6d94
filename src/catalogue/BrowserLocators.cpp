#include "catalogue/BrowserLocators.h"

#include <functional>
#include <initializer_list>
#include <vector>

#include "app/RunState.h"
#include "catalogue/RegistryLocators.h"
#include "clean/Utilities.h"
#include "platform/Text.h"

namespace tidy::catalogue {

namespace {

using Test = bool (*)(app::RunState&, const std::u16string&);

// Reads a configuration file whole, in one read, as 8-bit text in the device's code page. The
// text ends at its first null byte, as a C string would.
bool ReadConfigFile(app::RunState& run, const std::u16string& path, std::u16string& out) {
    std::string bytes;
    if (!run.platform.ReadFile(path, bytes)) return false;
    size_t nul = bytes.find('\0');
    if (nul != std::string::npos) bytes.resize(nul);
    out = run.platform.AnsiToWide(bytes);
    return true;
}

// Tries the candidates in turn; each replaces target, so when none passes target holds the last.
bool TryInTurn(app::RunState& run, std::u16string& target, const std::u16string& prefix,
               std::initializer_list<const char16_t*> suffixes, Test test) {
    for (const char16_t* suffix : suffixes) {
        target = prefix + suffix;
        if (test(run, target)) return true;
    }
    return false;
}

bool Found(app::RunState& run, const std::u16string& path) {
    return clean::EntryFound(run, path);
}
bool Exists(app::RunState& run, const std::u16string& path) {
    return clean::PathExists(run, path);
}

const std::initializer_list<const char16_t*> kIniFolders = {
    u"\\Application Data\\Opera\\opera.ini", u"\\Application Data\\Opera9\\opera.ini",
    u"\\Application Data\\Opera 9.5\\opera.ini", u"\\Application Data\\Opera 9.5 Beta\\opera.ini"};

const char16_t kOperaIniName[] = u"opera.ini";

}  // namespace

void LocateOperaFiles(app::RunState& run) {
    auto& locations = run.catalogue.locations;
    const std::u16string install = GetOperaInstallFolder(run);
    const std::u16string windows = run.catalogue.special.windows;

    // A card is searched only when Opera is installed on it.
    std::vector<std::u16string> cards;
    if (!install.empty()) {
        for (const std::u16string& card : std::vector<std::u16string>(run.catalogue.storageCards)) {
            if (!card.empty() && install.find(card) != std::u16string::npos &&
                clean::RootFolderExists(run, card))
                cards.push_back(card);
        }
    }

    // The settings file.
    std::u16string ini;
    bool found = false;
    if (!install.empty()) {
        ini = install + u"\\opera.ini";
        found = Found(run, ini);
        for (size_t i = 0; !found && i < cards.size(); ++i)
            found = TryInTurn(run, ini, u"\\" + cards[i], kIniFolders, Found);
    } else {
        ini = u"\\Windows\\Opera\\opera.ini";
        found = Found(run, ini);
    }
    if (!found) found = TryInTurn(run, ini, u"", kIniFolders, Found);
    if (!found)
        found = TryInTurn(run, ini, windows,
                          {u"Opera\\opera.ini", u"Opera9\\opera.ini", u"Opera 9.5\\opera.ini",
                           u"Opera 9.5 Beta\\opera.ini"},
                          Found);
    if (!found && !install.empty()) {
        ini = install + u"\\profile\\opera.ini";
        if (Found(run, ini)) {
            // Opera Mobile 10 keeps its cache beside its profile; the file is not read.
            locations.operaIni = ini;
            locations.operaCache = install + u"\\profile\\cacheOp";
            return;
        }
    }
    locations.operaIni = ini;

    // The cache folder.
    std::u16string cache;
    if (found) {
        cache = ReadOperaCacheSetting(run);
        if (!cache.empty() && !Exists(run, cache)) cache.clear();
    }
    if (cache.empty()) {
        cache = u"\\Application Data\\Opera\\cache";
        for (const std::u16string& card : cards) {
            if (TryInTurn(
                    run, cache, u"\\" + card,
                    {u"\\Application Data\\Opera\\cache", u"\\Application Data\\Opera\\cache4",
                     u"\\Application Data\\Opera9\\cache4", u"\\Application Data\\Opera9\\cache",
                     u"\\Application Data\\Opera 9.5\\cache",
                     u"\\Application Data\\Opera 9.5\\cache4",
                     u"\\Application Data\\Opera 9.5 Beta\\cache",
                     u"\\Application Data\\Opera 9.5 Beta\\cache4"},
                    Exists))
                break;
        }
    }
    if (!Exists(run, cache)) {
        // Without an installation folder its candidates would name "\cache" in the root, which
        // belongs to something else.
        bool hit =
            !install.empty() && TryInTurn(run, cache, install, {u"\\cache", u"\\cache4"}, Exists);
        if (!hit)
            hit = TryInTurn(run, cache, u"\\Application Data\\",
                            {u"Opera\\cache", u"Opera\\cache4", u"Opera9\\cache", u"Opera9\\cache4",
                             u"Opera 9.5\\cache", u"Opera 9.5\\cache4", u"Opera 9.5 Beta\\cache",
                             u"Opera 9.5 Beta\\cache4"},
                            Exists);
        if (!hit)
            hit = TryInTurn(run, cache, windows,
                            {u"Opera\\cache", u"Opera\\cache4", u"Opera9\\cache"}, Exists);
        if (!hit) cache = windows + u"Opera 9.5\\cache";
    }
    locations.operaCache = std::move(cache);
}

std::u16string ReadOperaCacheSetting(app::RunState& run) {
    const std::u16string ini = run.catalogue.locations.operaIni;
    std::u16string content;
    if (!ReadConfigFile(run, ini, content)) return std::u16string();

    static const std::u16string kKey = u"Cache Directory4=";
    size_t pos = content.find(kKey);
    if (pos == std::u16string::npos || pos == 0) {
        // No setting: the cache sits beside the settings file, under one of three names.
        std::u16string folder = ini;
        const std::u16string name = kOperaIniName;
        if (folder.size() >= name.size() &&
            folder.compare(folder.size() - name.size(), name.size(), name) == 0)
            folder.resize(folder.size() - name.size());
        else
            folder.resize(folder.rfind(u'\\') + 1);  // every candidate path holds a backslash
        std::u16string derived = folder + u"cache4";
        if (clean::PathExists(run, derived)) return derived;
        derived = folder + u"profile\\cacheOp";
        if (clean::PathExists(run, derived)) return derived;
        return folder + u"cache";
    }
    size_t end = content.find(u"\r\n", pos);
    if (end == std::u16string::npos) return std::u16string();
    std::u16string value = content.substr(pos + kKey.size(), end - pos - kKey.size());
    // Only an absolute folder is accepted.
    if (value.empty() || value[0] != u'\\') return std::u16string();
    if (value.back() == u'\\') value.pop_back();
    return value;
}

void LocateMinimoCache(app::RunState& run) {
    const std::u16string prefs = run.catalogue.special.windows + u"Mozilla\\minimo\\prefs.js";
    std::u16string content;
    if (!ReadConfigFile(run, prefs, content)) return;

    static const std::u16string kPref = u"user_pref(\"browser.cache.disk.parent_directory\"";
    size_t pos = content.find(kPref);
    if (pos == std::u16string::npos || pos == 0) return;
    size_t end = content.find(u"\r\n", pos);
    if (end == std::u16string::npos) return;

    // user_pref("browser.cache.disk.parent_directory", "\\Storage Card\\Minimo");
    std::u16string line = content.substr(pos, end - pos);
    line = text::ReplaceAll(std::move(line), kPref, u"");
    line = text::ReplaceAll(std::move(line), u", \"\\", u"");
    line = text::ReplaceAll(std::move(line), u",\"", u"");
    line = text::ReplaceAll(std::move(line), u"\");", u"");
    line = text::Trim(text::ReplaceAll(std::move(line), u"\\\\", u"\\"));
    if (!line.empty() && line[0] == u'\\') run.catalogue.locations.minimoCache = line + u"\\Cache";
}

void LocateFennecCache(app::RunState& run) {
    static const std::u16string kProfiles = u"\\Application Data\\Mozilla\\Fennec\\Profiles\\";
    platform::FindData entry;
    auto find = run.platform.FindFirst(kProfiles + u"*.*", entry, true);
    if (!find) return;
    do {
        if (!(entry.attributes & platform::kAttrDirectory)) continue;
        // A profile is "<salt>.default"; a folder named ".default" alone is not one.
        if (entry.name.find(u".default", 1) == std::u16string::npos) continue;
        std::u16string candidate = kProfiles + entry.name + u"\\Cache";
        if (clean::PathExists(run, candidate)) {
            run.catalogue.locations.fennecCache = std::move(candidate);
            return;
        }
    } while (find->Next(entry));
}

void LocateGoogleMapsCache(app::RunState& run) {
    auto& location = run.catalogue.locations.googleMaps;
    if (clean::EntryFound(run, location)) return;

    static const std::u16string kFolder = u"\\Application Data\\GoogleMaps\\";
    if (clean::PathExists(run, kFolder)) {
        // The program is in main memory: its cache is there or nowhere.
        if (clean::PathExists(run, kFolder + u"cache\\"))
            location = kFolder + u"cache\\cache-GLM.dat";
        return;
    }
    for (const std::u16string& card : std::vector<std::u16string>(run.catalogue.storageCards)) {
        std::u16string folder = u"\\" + card + kFolder;
        if (!clean::PathExists(run, folder)) continue;
        if (clean::PathExists(run, folder + u"cache\\")) folder += u"cache\\";
        location = folder + u"cache-GLM.dat";
        return;
    }
}

void LocateMyPhoneLog(app::RunState& run) {
    auto& location = run.catalogue.locations.myPhoneLog;
    if (clean::EntryFound(run, location)) return;
    for (const std::u16string& card : std::vector<std::u16string>(run.catalogue.storageCards)) {
        std::u16string candidate =
            u"\\" + card + u"\\Application Data\\Microsoft\\My Phone\\MyPhoneLog.txt";
        if (clean::EntryFound(run, candidate)) {
            location = std::move(candidate);
            return;
        }
    }
}

}  // namespace tidy::catalogue
