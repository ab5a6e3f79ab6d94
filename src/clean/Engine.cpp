#include "clean/Engine.h"

#include "app/RunState.h"
#include "catalogue/BrowserLocators.h"
#include "catalogue/Catalogue.h"
#include "clean/SpecialItems.h"
#include "clean/Utilities.h"
#include "platform/Text.h"

namespace tidy::clean {

namespace {

constexpr char16_t kProtectedFile[] = u"\\Temp\\wince.nls";

bool IsProtectedFile(const std::u16string& path) {
    return text::EqualsIgnoreCase(path, kProtectedFile);
}

int32_t Wrap(int32_t a, uint32_t b) {
    // 32-bit sums wrap as the device's do.
    return static_cast<int32_t>(static_cast<uint32_t>(a) + b);
}

// The counted and uncounted deletions share their steps; `counted` decides the bookkeeping.
bool DeleteFileSteps(app::RunState& run, const std::u16string& path, bool counted) {
    if (IsProtectedFile(path)) return false;
    platform::Platform& p = run.platform;
    // The size counted is the one the open file reports; a file that cannot be opened counts 0
    // and keeps its attributes.
    platform::FileStatus status;
    if (!p.GetStatus(path, status)) status = platform::FileStatus{};
    if (status.attributes & platform::kAttrReadOnly) {
        // A failure here shows in the deletion that follows.
        p.SetAttributes(path, platform::kAttrNormal);
    }
    if (!p.DeleteFile(path)) return false;
    if (counted) {
        CleanState& c = run.clean;
        c.bytesDeleted = Wrap(c.bytesDeleted, status.size);
        c.filesDeleted = Wrap(c.filesDeleted, 1);
    }
    return true;
}

void FolderSizeInto(app::RunState& run, std::u16string& folder, int32_t& total) {
    // folder ends in a backslash; entry names are appended to it in place and cut off again, so
    // the walk builds no new path string per level.
    const size_t base = folder.size();
    folder += u"*.*";
    platform::FindData entry;
    auto find = run.platform.FindFirst(folder, entry);
    folder.resize(base);
    if (!find) return;
    do {
        folder.resize(base);
        folder += entry.name;
        if (IsProtectedFile(folder)) continue;
        if (entry.attributes & platform::kAttrDirectory) {
            folder += u'\\';
            FolderSizeInto(run, folder, total);
        } else {
            total = Wrap(total, entry.sizeLow);
        }
    } while (find->Next(entry));
    folder.resize(base);
}

bool IsWindowsFolder(app::RunState& run, const std::u16string& folder) {
    return text::EqualsIgnoreCase(folder, run.catalogue.special.windows);
}

bool DeleteFolderContentsIn(app::RunState& run, std::u16string& folder, bool removeSubfolders) {
    if (folder == u"\\" || IsWindowsFolder(run, folder)) return false;
    const size_t base = folder.size();
    folder += u"*.*";
    platform::FindData entry;
    auto find = run.platform.FindFirst(folder, entry);
    folder.resize(base);
    if (!find) return false;
    do {
        folder.resize(base);
        folder += entry.name;
        if (entry.attributes & platform::kAttrDirectory) {
            const size_t named = folder.size();
            folder += u'\\';
            DeleteFolderContentsIn(run, folder, true);
            folder.resize(named);
            if (removeSubfolders && run.platform.RemoveDirectory(folder)) {
                run.clean.foldersRemoved = Wrap(run.clean.foldersRemoved, 1);
            }
        } else {
            DeleteFileSteps(run, folder, true);
        }
    } while (find->Next(entry));
    folder.resize(base);
    return true;
}

bool Selected(const app::RunState& run, int item) {
    return run.catalogue.selection[item] != 0;
}

}  // namespace

void FolderSize(app::RunState& run, const std::u16string& folder, int item) {
    if (folder == u"\\") return;
    if (item < 0 || item >= catalogue::kItemCount) return;
    std::u16string path = folder;
    path.reserve(platform::kMaxPath + 8);
    int32_t total = run.catalogue.itemSizes[item];
    FolderSizeInto(run, path, total);
    run.catalogue.itemSizes[item] = total;
}

int32_t FileSize(app::RunState& run, const std::u16string& path) {
    if (IsProtectedFile(path)) return 0;
    platform::FindData entry;
    if (!run.platform.FindFirst(path, entry)) return 0;
    return static_cast<int32_t>(entry.sizeLow);
}

int32_t FileSizeByOpen(app::RunState& run, const std::u16string& path) {
    platform::FileStatus status;
    if (!run.platform.GetStatus(path, status)) return 0;
    return static_cast<int32_t>(status.size);
}

bool DeleteFileCounted(app::RunState& run, const std::u16string& path) {
    return DeleteFileSteps(run, path, true);
}

bool DeleteFileUncounted(app::RunState& run, const std::u16string& path) {
    return DeleteFileSteps(run, path, false);
}

void DeleteFileQuietly(app::RunState& run, const std::u16string& path) {
    run.platform.DeleteFile(path);
}

bool DeleteFolderContents(app::RunState& run, const std::u16string& folder, bool removeSubfolders) {
    std::u16string path = folder;
    path.reserve(platform::kMaxPath + 8);
    return DeleteFolderContentsIn(run, path, removeSubfolders);
}

std::u16string CleanSelected(app::RunState& run, CleanMode mode) {
    using namespace catalogue;
    CleanState& c = run.clean;
    c.filesDeleted = 0;
    c.bytesDeleted = 0;
    c.foldersRemoved = 0;
    bool recentCleared = true;
    bool programsFound = false;
    bool otherCleaned = false;
    bool addressesCleared = false;

    // The start-up run has handled the registry items before the pass.
    if (mode == CleanMode::Startup) {
        run.catalogue.selection[kItemRecentPrograms] = 0;
        run.catalogue.selection[kItemInternetAddresses] = 0;
        run.catalogue.selection[kItemBootCount] = 0;
    }

    bool anyFolder = false;
    for (int i = 0; i < kFolderItemCount; ++i) {
        if (!Selected(run, i)) continue;
        anyFolder = true;
        // Cookies and History keep their first-level subfolders.
        bool removeSubfolders = i != kItemCookies && i != kItemHistory;
        DeleteFolderContents(run, run.catalogue.folderTable[i], removeSubfolders);
    }

    if (Selected(run, kItemGoogleMaps)) {
        LocateGoogleMapsCache(run);
        DeleteFileCounted(run, run.catalogue.locations.googleMaps);
        otherCleaned = true;
    }
    if (Selected(run, kItemMyPhoneLogs)) {
        LocateMyPhoneLog(run);
        DeleteFileCounted(run, run.catalogue.locations.myPhoneLog);
        otherCleaned = true;
    }
    if (Selected(run, kItemWindowsLiveLogs)) {
        DeleteFileCounted(run, u"\\WindowsLiveLog.bin");
        otherCleaned = true;
    }
    if (Selected(run, kItemOperaHistory)) {
        CleanOperaHistory(run);
        otherCleaned = true;
    }
    if (Selected(run, kItemOperaCookies)) {
        CleanOperaCookies(run);
        otherCleaned = true;
    }
    if (Selected(run, kItemCustomFiles)) {
        CleanCustomFiles(run);
        otherCleaned = true;
    }
    if (Selected(run, kItemInternetAddresses)) addressesCleared = ClearInternetAddresses(run);
    if (Selected(run, kItemBootCount)) ResetBootCount(run);

    if (mode == CleanMode::Startup) return std::u16string();

    // The Start menu must be there, whether or not the recent programs are to be cleared.
    std::u16string programs = run.catalogue.special.programs;
    if (!programs.empty() && programs.back() == u'\\') programs.pop_back();
    if (EntryFound(run, programs)) {
        programsFound = true;
        if (Selected(run, kItemRecentPrograms)) {
            recentCleared = OverwriteRecentPrograms(run);
            ClearRecentPrograms(run);
        }
    } else {
        ShowMessageOk(run, u"Unable to find Start Menu folder");
    }

    std::u16string message = ResultMessage(run);
    // A pass that touched only registry items reports through the texts below alone.
    if (!otherCleaned && !anyFolder) message.clear();

    if (Selected(run, kItemRecentPrograms)) {
        if (!programsFound) return message;
        if (c.bytesDeleted < 1) message.clear();
        if (message.empty()) {
            message = recentCleared
                          ? u"Recent Program List Cleared!"
                          : u"Please perform a soft reset to clear the Recent Programs list.";
        }
        return message;
    }
    if (addressesCleared && message.empty()) message = u"Internet Addresses Cleared!";
    return message;
}

std::u16string FormatSize(int32_t n) {
    if (n < 0) n = 0;
    // The product is formed in single precision, as the device does, then printed with one
    // decimal; the thresholds are strict.
    if (n > 1048576) {
        float v = static_cast<float>(n) * (1.0f / 1048576.0f);
        return text::Format("%0.1lf MB", static_cast<double>(v));
    }
    if (n > 1024) {
        float v = static_cast<float>(n) * (1.0f / 1024.0f);
        return text::Format("%0.1lf KB", static_cast<double>(v));
    }
    return text::Format("%d Bytes", n);
}

std::u16string FormatSizeOrZero(int32_t n) {
    if (n <= 0) return u"0 Bytes";
    return FormatSize(n);
}

std::u16string ResultMessage(const app::RunState& run) {
    const CleanState& c = run.clean;
    std::u16string sizeText = FormatSize(c.bytesDeleted);
    if (c.bytesDeleted <= 0 && c.foldersRemoved <= 0 && c.filesDeleted <= 0) {
        return u"No Files Removed.";
    }
    std::u16string message = text::Format("%d Files and %d Folders of %s Cleared!", c.filesDeleted,
                                          c.foldersRemoved, &sizeText);
    if (c.filesDeleted == 1) message = text::ReplaceAll(message, u"Files", u"File");
    if (c.foldersRemoved == 1) message = text::ReplaceAll(message, u"Folders", u"Folder");
    return message;
}

}  // namespace tidy::clean
