#include "advanced/ThemeCardLeftovers.h"

#include "advanced/AdvancedScanners.h"
#include "app/RunState.h"
#include "clean/Engine.h"
#include "clean/Utilities.h"
#include "platform/Text.h"

namespace tidy::advanced {

using platform::HKEY_CURRENT_USER;
using platform::RegKey;

namespace {

constexpr size_t npos = std::u16string::npos;
constexpr char16_t kThumbs[] = u"thumbs.db";
constexpr char16_t kDesktop[] = u"desktop.ini";

bool IsThemeName(const std::u16string& name) {
    return text::Fold(name).find(u".tsk") != npos;
}

// Folders that are never searched: the root, the Windows folder and anything at or below a
// "Program Files" folder.
bool IsExcludedCardFolder(const AdvancedState& st, const std::u16string& folder) {
    if (folder == u"\\" || folder == st.windowsFolder) return true;
    size_t at = folder.find(u"Program Files");
    return at != npos && at > 0;
}

std::u16string CardRoot(const std::u16string& card) {
    return u"\\" + card + u"\\";
}

void DeleteAll(app::RunState& run, std::vector<std::u16string>& list) {
    for (const std::u16string& path : list) clean::DeleteFileUncounted(run, path);
    list.clear();
}

}  // namespace

// ---- Theme keys ---------------------------------------------------------------------------

void ReadCurrentTheme(app::RunState& run) {
    AdvancedState& st = run.advanced;
    RegKey key(run.platform);
    if (!key.Open(HKEY_CURRENT_USER, st.todayKey)) return;
    std::u16string skin;
    if (!clean::ReadRegString(run.platform, key.Handle(), u"Skin", skin)) return;
    if (!IsThemeName(skin)) {
        st.currentTheme.clear();
        return;
    }
    size_t slash = skin.rfind(u'\\');
    st.currentTheme = slash == npos ? skin : skin.substr(slash + 1);
}

int ScanBadThemeKeys(app::RunState& run) {
    AdvancedState& st = run.advanced;
    platform::Platform& p = run.platform;
    st.themeKeys.clear();
    RegKey key(p);
    if (!key.Open(HKEY_CURRENT_USER, st.todayKey)) return 0;
    std::u16string name;
    for (uint32_t index = 0; p.RegEnumKey(key.Handle(), index, name) == platform::kRegOk; ++index) {
        if (IsThemeName(name) && !text::EqualsIgnoreCase(name, st.currentTheme))
            st.themeKeys.push_back(name);
    }
    return static_cast<int>(st.themeKeys.size());
}

int CountBadThemeKeys(app::RunState& run) {
    ReadCurrentTheme(run);
    return ScanBadThemeKeys(run);
}

void CleanBadThemeKeys(app::RunState& run) {
    ReadCurrentTheme(run);
    ScanBadThemeKeys(run);
    AdvancedState& st = run.advanced;
    if (st.themeKeys.empty()) return;
    RegKey key(run.platform);
    if (!key.Open(HKEY_CURRENT_USER, st.todayKey)) return;
    bool deleted = false;
    for (const std::u16string& name : st.themeKeys) {
        // Only a plain subkey name is deleted, so nothing beside or above the Today key goes.
        if (IsPlainName(name) && run.platform.RegDeleteKey(key.Handle(), name) == platform::kRegOk)
            deleted = true;
    }
    if (deleted) run.platform.RegFlushKey(key.Handle());
}

// ---- Files on the storage cards -----------------------------------------------------------

bool FindCardFiles(app::RunState& run, const std::u16string& folder, const std::u16string& name) {
    AdvancedState& st = run.advanced;
    if (IsExcludedCardFolder(st, folder)) return false;
    std::vector<std::u16string>* list = nullptr;
    if (text::EqualsIgnoreCase(name, kThumbs))
        list = &st.thumbsFiles;
    else if (text::EqualsIgnoreCase(name, kDesktop))
        list = &st.desktopIniFiles;
    else
        return false;

    platform::FindData entry;
    auto find = run.platform.FindFirst(folder + u"*.*", entry);
    if (!find) return false;
    do {
        std::u16string full = folder + entry.name;
        if (entry.attributes & platform::kAttrDirectory)
            FindCardFiles(run, full + u"\\", name);
        else if (text::EqualsIgnoreCase(entry.name, name))
            list->push_back(std::move(full));
    } while (find->Next(entry));
    return true;
}

bool FindCardFilesBoth(app::RunState& run, const std::u16string& folder) {
    AdvancedState& st = run.advanced;
    if (IsExcludedCardFolder(st, folder)) return false;
    platform::FindData entry;
    auto find = run.platform.FindFirst(folder + u"*.*", entry);
    if (!find) return false;
    do {
        std::u16string full = folder + entry.name;
        if (entry.attributes & platform::kAttrDirectory)
            FindCardFilesBoth(run, full + u"\\");
        else if (text::EqualsIgnoreCase(entry.name, kThumbs))
            st.thumbsFiles.push_back(std::move(full));
        else if (text::EqualsIgnoreCase(entry.name, kDesktop))
            st.desktopIniFiles.push_back(std::move(full));
    } while (find->Next(entry));
    return true;
}

std::u16string MeasureCardFiles(app::RunState& run, const std::u16string& name) {
    AdvancedState& st = run.advanced;
    std::vector<std::u16string>& list =
        text::EqualsIgnoreCase(name, kThumbs) ? st.thumbsFiles : st.desktopIniFiles;
    list.clear();
    for (const std::u16string& card : st.storageCards) FindCardFiles(run, CardRoot(card), name);
    // A wrapping 32-bit total, as every size of the device.
    uint32_t total = 0;
    for (const std::u16string& path : list)
        total += static_cast<uint32_t>(clean::FileSize(run, path));
    return clean::FormatSize(static_cast<int32_t>(total));
}

void CleanCardFiles(app::RunState& run, bool thumbs, bool desktop) {
    AdvancedState& st = run.advanced;
    if (thumbs && desktop) {
        st.thumbsFiles.clear();
        st.desktopIniFiles.clear();
        for (const std::u16string& card : st.storageCards) FindCardFilesBoth(run, CardRoot(card));
        DeleteAll(run, st.thumbsFiles);
        DeleteAll(run, st.desktopIniFiles);
    } else if (thumbs) {
        MeasureCardFiles(run, kThumbs);
        DeleteAll(run, st.thumbsFiles);
    } else if (desktop) {
        MeasureCardFiles(run, kDesktop);
        DeleteAll(run, st.desktopIniFiles);
    }
}

}  // namespace tidy::advanced
