#include "clean/SpecialItems.h"

#include <unordered_set>

#include "app/RunState.h"
#include "catalogue/BrowserLocators.h"
#include "catalogue/Catalogue.h"
#include "clean/Engine.h"
#include "clean/Utilities.h"
#include "customfiles/CustomFileList.h"
#include "platform/Text.h"

namespace tidy::clean {

namespace {

constexpr char16_t kRecentProgramsKey[] = u"Software\\Microsoft\\Shell\\TaskSwitch";
constexpr char16_t kAddressHistoryKey[] = u"Explorer\\AddressHistory";
constexpr char16_t kCommKey[] = u"Comm";
constexpr char16_t kBootCountValue[] = u"BootCount";
constexpr int kThrowAwayShortcuts = 12;

std::u16string Number(int n) {
    return text::Format("%d", n);
}

void BeginWait(app::RunState& run) {
    if (run.ui != nullptr) run.ui->BeginWaitCursor();
}

void EndWait(app::RunState& run) {
    if (run.ui != nullptr) run.ui->EndWaitCursor();
}

// The text up to and including its last backslash when that backslash stands after position
// `after`; otherwise the whole text.
std::u16string CutAfterLastBackslash(const std::u16string& path, size_t after) {
    size_t slash = path.rfind(u'\\');
    if (slash == std::u16string::npos || slash <= after) return path;
    return path.substr(0, slash + 1);
}

// Size cell of a single file found by a locator: "Not Found" only when its folder is missing.
std::u16string MeasureLocatedFile(app::RunState& run, const std::u16string& location) {
    std::u16string folder = CutAfterLastBackslash(location, 0);
    if (!PathExists(run, folder)) return u"Not Found";
    return FormatSizeOrZero(FileSize(run, location));
}

// The named files of the Opera profile folder, or "Not Found" without that folder.
std::u16string MeasureOperaFiles(app::RunState& run, std::initializer_list<const char16_t*> names) {
    std::u16string folder = OperaProfileFolder(run);
    if (folder.empty() || !PathExists(run, folder)) return u"Not Found";
    uint32_t total = 0;
    for (const char16_t* name : names) total += static_cast<uint32_t>(FileSize(run, folder + name));
    return FormatSizeOrZero(static_cast<int32_t>(total));
}

void CleanOperaFiles(app::RunState& run, std::initializer_list<const char16_t*> names) {
    std::u16string folder = OperaProfileFolder(run);
    if (folder.empty() || !PathExists(run, folder)) return;
    for (const char16_t* name : names) DeleteFileCounted(run, folder + name);
}

// Writes an empty text (string type, no data bytes) over a list entry.
void EmptyValue(platform::Platform& p, platform::HKey key, const std::u16string& name) {
    p.RegSetValue(key, name, platform::REG_SZ, nullptr, 0);
}

}  // namespace

std::u16string OperaProfileFolder(const app::RunState& run) {
    const std::u16string& cache = run.catalogue.locations.operaCache;
    size_t slash = cache.rfind(u'\\');
    if (slash == std::u16string::npos || slash == 0) return std::u16string();
    return cache.substr(0, slash + 1);
}

std::u16string MeasureGoogleMaps(app::RunState& run) {
    catalogue::LocateGoogleMapsCache(run);
    return MeasureLocatedFile(run, run.catalogue.locations.googleMaps);
}

std::u16string MeasureMyPhoneLog(app::RunState& run) {
    catalogue::LocateMyPhoneLog(run);
    return MeasureLocatedFile(run, run.catalogue.locations.myPhoneLog);
}

std::u16string MeasureWindowsLiveLog(app::RunState& run) {
    return FormatSizeOrZero(FileSize(run, u"\\WindowsLiveLog.bin"));
}

std::u16string MeasureOperaHistory(app::RunState& run) {
    return MeasureOperaFiles(run, {u"global.dat", u"download.dat", u"vlink4.dat"});
}

std::u16string MeasureOperaCookies(app::RunState& run) {
    return MeasureOperaFiles(run, {u"cookies4.dat"});
}

void CleanOperaHistory(app::RunState& run) {
    CleanOperaFiles(run, {u"global.dat", u"download.dat", u"vlink4.dat"});
}

void CleanOperaCookies(app::RunState& run) {
    CleanOperaFiles(run, {u"cookies4.dat"});
}

void LoadCustomPatterns(app::RunState& run) {
    customfiles::LoadCustomFileList(run, run.clean.customPatterns);
}

void MatchCustomFiles(app::RunState& run) {
    std::vector<std::u16string>& matched = run.clean.matchedFiles;
    matched.clear();
    std::unordered_set<std::u16string> seen;  // folded paths already in the list
    for (const std::u16string& pattern : run.clean.customPatterns) {
        // A bare name would be looked up relative to nowhere in particular: it matches nothing.
        size_t slash = pattern.rfind(u'\\');
        if (slash == std::u16string::npos) continue;
        platform::FindData entry;
        auto find = run.platform.FindFirst(pattern, entry);
        if (!find) continue;
        const std::u16string folder = pattern.substr(0, slash + 1);
        do {
            if (entry.attributes & platform::kAttrDirectory) continue;
            std::u16string full = folder + entry.name;
            if (seen.insert(text::Fold(full)).second) matched.push_back(std::move(full));
        } while (find->Next(entry));
    }
}

std::u16string MeasureCustomFiles(app::RunState& run) {
    if (run.clean.customPatterns.empty()) return u"Not Found";
    MatchCustomFiles(run);
    uint32_t total = 0;
    for (const std::u16string& path : run.clean.matchedFiles) {
        total += static_cast<uint32_t>(FileSize(run, path));
    }
    return FormatSizeOrZero(static_cast<int32_t>(total));
}

void CleanCustomFiles(app::RunState& run) {
    MatchCustomFiles(run);
    for (const std::u16string& path : run.clean.matchedFiles) DeleteFileCounted(run, path);
    run.clean.matchedFiles.clear();
}

int32_t CountRecentPrograms(app::RunState& run) {
    platform::Platform& p = run.platform;
    platform::RegKey key(p);
    if (!key.Open(platform::HKEY_CURRENT_USER, kRecentProgramsKey)) return 0;
    int32_t count = 0;
    bool wrote = false;
    for (int n = 0;; ++n) {
        std::u16string name = Number(n);
        std::u16string program;
        if (!ReadRegString(p, key.Handle(), name, program)) break;
        program = text::Trim(program);
        if (program.empty()) break;
        if (EntryFound(run, program)) {
            ++count;
        } else {
            // The program is gone: its entry is emptied, which ends the list there from now on.
            EmptyValue(p, key.Handle(), name);
            wrote = true;
        }
    }
    if (wrote) p.RegFlushKey(key.Handle());
    return count;
}

void ClearRecentPrograms(app::RunState& run) {
    platform::Platform& p = run.platform;
    platform::RegKey key(p);
    if (!key.Open(platform::HKEY_CURRENT_USER, kRecentProgramsKey)) return;
    for (int n = 0;; ++n) {
        std::u16string name = Number(n);
        std::u16string program;
        if (!ReadRegString(p, key.Handle(), name, program) || program.empty()) break;
        EmptyValue(p, key.Handle(), name);
        p.RegDeleteValue(key.Handle(), name);
    }
    p.RegFlushKey(key.Handle());
}

bool OverwriteRecentPrograms(app::RunState& run) {
    platform::Platform& p = run.platform;
    BeginWait(run);

    const std::u16string& programs = run.catalogue.special.programs;
    std::u16string paths[kThrowAwayShortcuts];
    for (int k = 0; k < kThrowAwayShortcuts; ++k) {
        paths[k] = programs + std::u16string(static_cast<size_t>(k + 1), u' ') + u".lnk";
    }
    // Each shortcut starts the program with "-r", which ends at once without a window.
    const std::u16string target = u"\"" + ProgramPath(run) + u"\" -r";
    const std::u16string shortcut = text::Format("%d#%s", static_cast<int>(target.size()), &target);

    DeleteFileQuietly(run, paths[0]);
    if (!p.CreateShortcut(paths[0], shortcut)) {
        EndWait(run);
        return false;
    }
    for (int k = 1; k < kThrowAwayShortcuts; ++k) p.CopyFile(paths[0], paths[k], false);

    if (EntryFound(run, paths[0])) {
        for (const std::u16string& path : paths) {
            if (EntryFound(run, path)) OpenWithShell(run, path);
        }
        for (const std::u16string& path : paths) {
            p.Sleep(5);
            DeleteFileQuietly(run, path);
        }
    }
    EndWait(run);
    return true;
}

int32_t CountInternetAddresses(app::RunState& run) {
    platform::Platform& p = run.platform;
    platform::RegKey key(p);
    if (!key.Open(platform::HKEY_LOCAL_MACHINE, kAddressHistoryKey)) return 0;
    int32_t count = 0;
    for (int n = 0;; ++n) {
        std::u16string address;
        if (!ReadRegString(p, key.Handle(), Number(n), address) || address.empty()) break;
        ++count;
    }
    return count;
}

bool ClearInternetAddresses(app::RunState& run) {
    platform::Platform& p = run.platform;
    platform::RegKey key(p);
    if (!key.Open(platform::HKEY_LOCAL_MACHINE, kAddressHistoryKey)) return false;
    int deleted = 0;
    // An absent number ends the list; an empty entry is deleted like any other.
    while (p.RegDeleteValue(key.Handle(), Number(deleted)) == platform::kRegOk) ++deleted;
    p.RegFlushKey(key.Handle());
    return deleted > 0;
}

int32_t ReadBootCount(app::RunState& run) {
    platform::RegKey key(run.platform);
    if (!key.Open(platform::HKEY_LOCAL_MACHINE, kCommKey)) return 0;
    uint32_t count = 0;
    if (!ReadRegDword(run.platform, key.Handle(), kBootCountValue, count)) return 1024;
    return static_cast<int32_t>(count);
}

void ResetBootCount(app::RunState& run) {
    platform::Platform& p = run.platform;
    platform::RegKey key(p);
    if (!key.Open(platform::HKEY_LOCAL_MACHINE, kCommKey)) return;
    const uint8_t zero[4] = {0, 0, 0, 0};
    p.RegSetValue(key.Handle(), kBootCountValue, platform::REG_DWORD, zero, sizeof zero);
    p.RegFlushKey(key.Handle());
}

void OpenItemFolder(app::RunState& run, int item) {
    using namespace catalogue;
    if (item >= 0 && item < kFolderItemCount) {
        OpenFolderInExplorer(run, run.catalogue.folderTable[item]);
        return;
    }
    std::u16string target;
    switch (item) {
        case kItemGoogleMaps:
            target = run.catalogue.locations.googleMaps;
            break;
        case kItemMyPhoneLogs:
            target = run.catalogue.locations.myPhoneLog;
            break;
        case kItemWindowsLiveLogs:
            target = u"\\";
            break;
        case kItemOperaHistory:
        case kItemOperaCookies:
            target = run.catalogue.folderTable[kItemOperaCache];
            if (!target.empty()) target.pop_back();
            break;
        default:
            return;  // the custom files and the registry items have no folder
    }
    OpenFolderInExplorer(run, CutAfterLastBackslash(target, 1));
}

void OpenFolderInExplorer(app::RunState& run, const std::u16string& folder) {
    if (!PathExists(run, folder)) return;
    run.platform.ShellExecute(u"fexplore.exe", folder, u"Open");
}

void PauseWithWaitCursor(app::RunState& run) {
    BeginWait(run);
    run.platform.Sleep(1000);
    EndWait(run);
}

}  // namespace tidy::clean
