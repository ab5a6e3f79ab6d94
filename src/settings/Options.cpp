#include "settings/Options.h"

#include <unicode/uchar.h>

#include "app/RunState.h"
#include "clean/Utilities.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"
#include "settings/Shortcuts.h"

namespace tidy::settings {

using platform::RegKey;

namespace {

// The storage-card enumeration hands over at most this many records.
constexpr size_t kMaxStorageCards = 10;

std::u16string WithoutTrailingBackslash(std::u16string s) {
    if (!s.empty() && s.back() == u'\\') s.pop_back();
    return s;
}

// The mail settings key of this system: local machine on 5.2 and later, else current user.
void MailSettingsKey(app::RunState& run, platform::HKey& root, std::u16string& subkey) {
    if (clean::IsPlatform52OrLater(run)) {
        root = platform::HKEY_LOCAL_MACHINE;
        subkey = u"System\\Inbox\\Settings";
    } else {
        root = platform::HKEY_CURRENT_USER;
        subkey = u"Software\\Microsoft\\MAPI";
    }
}

// The last code point of s is a letter or digit.
bool EndsInLetterOrDigit(const std::u16string& s, size_t& lastLength) {
    char32_t c = s.back();
    lastLength = 1;
    if (s.size() >= 2 && U16_IS_TRAIL(s.back()) && U16_IS_LEAD(s[s.size() - 2])) {
        c = U16_GET_SUPPLEMENTARY(s[s.size() - 2], s.back());
        lastLength = 2;
    }
    return u_isalnum(static_cast<UChar32>(c));
}

}  // namespace

std::u16string WindowsName(const OptionsState& o) {
    if (o.windowsFolder.size() < 2) return std::u16string();
    return o.windowsFolder.substr(1, o.windowsFolder.size() - 2);
}

std::u16string GuestProfile(const OptionsState& o) {
    return WindowsName(o) + u"\\Profiles\\guest";
}

std::array<std::u16string, 3> IeFolderSet(const std::u16string& root) {
    const std::u16string base = u"\\" + root;
    return {base + u"\\Temporary Internet Files", base + u"\\Cookies", base + u"\\History"};
}

std::u16string AttachFolderFor(const OptionsState& o, int index) {
    if (index == 0) return kInternalAttachFolder;
    if (index < 0 || static_cast<size_t>(index) > o.storageCards.size()) return std::u16string();
    return u"\\" + o.storageCards[index - 1] + u"\\Mail Attachments";
}

void ReadStorageCards(app::RunState& run) {
    auto& cards = run.options.storageCards;
    cards.clear();
    platform::FindData fd;
    auto find = run.platform.FindFirstStorageCard(fd);
    if (!find) return;
    size_t count = 0;
    do {
        if (!fd.name.empty()) cards.push_back(fd.name);
    } while (++count < kMaxStorageCards && find->Next(fd));
}

void LookupOptionFolders(app::RunState& run) {
    auto& o = run.options;
    auto lookup = [&](int csidl, std::u16string& folder) {
        std::u16string s = run.platform.SpecialFolder(csidl);
        if (!s.empty()) folder = s + u"\\";
    };
    lookup(platform::kCsidlStartup, o.startupFolder);
    lookup(platform::kCsidlWindows, o.windowsFolder);
    lookup(platform::kCsidlStartMenu, o.startMenuFolder);
}

void ReadCacheRoot(app::RunState& run) {
    auto& o = run.options;
    RegKey key(run.platform);
    std::u16string value;
    if (key.Open(platform::HKEY_CURRENT_USER, kShellFoldersKey) &&
        clean::ReadRegString(run.platform, key.Handle(), u"Cache", value)) {
        value = WithoutTrailingBackslash(value);
        const std::u16string windowsName = WindowsName(o);
        if (!windowsName.empty() && value.find(windowsName) != std::u16string::npos) {
            o.currentRoot = value.find(u"Profiles\\guest") != std::u16string::npos ? GuestProfile(o)
                                                                                   : windowsName;
        } else {
            for (const auto& card : o.storageCards) {
                if (value.find(card) != std::u16string::npos) {
                    o.currentRoot = card;
                    break;
                }
            }
        }
    }
    o.chosenRoot = o.currentRoot;
}

void ReadCustomFolders(app::RunState& run) {
    auto& o = run.options;
    for (int i = 0; i < 3; ++i) {
        std::u16string value;
        if (ReadSetting(run, kCustomValueNames[i], value))
            o.customFolders[i] = WithoutTrailingBackslash(value);
    }
    // "Windows\" is what the first releases stored for a folder that was never set.
    const std::u16string windowsRelative = o.windowsFolder.substr(o.windowsFolder.empty() ? 0 : 1);
    bool replaced = false;
    for (auto& folder : o.customFolders) {
        if (folder.empty() || text::EqualsIgnoreCase(folder, windowsRelative)) {
            folder = kDefaultCustomFolder;
            replaced = true;
        }
    }
    for (auto& folder : o.customFolders) folder = text::Trim(folder);
    o.savedCustomFolders = o.customFolders;
    if (replaced) ValidateAndSaveCustomFolders(run);
}

void ReadMailLocation(app::RunState& run) {
    auto& o = run.options;
    platform::HKey root;
    std::u16string subkey;
    MailSettingsKey(run, root, subkey);
    RegKey key(run.platform);
    std::u16string value;
    if (key.Open(root, subkey) &&
        clean::ReadRegString(run.platform, key.Handle(), u"AttachPath", value))
        o.attachFolder = WithoutTrailingBackslash(value);
    else
        o.attachFolder = kInternalAttachFolder;
}

std::vector<std::u16string> CacheRootItems(const OptionsState& o) {
    std::vector<std::u16string> items = {WindowsName(o), GuestProfile(o)};
    items.insert(items.end(), o.storageCards.begin(), o.storageCards.end());
    return items;
}

int CacheRootSelection(const OptionsState& o) {
    if (o.currentRoot == GuestProfile(o)) return 1;
    for (size_t i = 0; i < o.storageCards.size(); ++i)
        if (o.currentRoot == o.storageCards[i]) return 2 + static_cast<int>(i);
    return 0;
}

std::vector<std::u16string> MailLocationItems(const OptionsState& o) {
    std::vector<std::u16string> items = {WindowsName(o)};
    items.insert(items.end(), o.storageCards.begin(), o.storageCards.end());
    return items;
}

int MailLocationIndex(const OptionsState& o) {
    int index = 0;
    for (size_t i = 0; i < o.storageCards.size(); ++i)
        if (o.attachFolder.find(o.storageCards[i]) != std::u16string::npos)
            index = 1 + static_cast<int>(i);
    return index;
}

void LoadOptions(app::RunState& run) {
    auto& o = run.options;
    o.chosenMailIndex = 0;
    o.currentMailIndex = 0;
    o.startupCurrent = false;
    o.startupAtOpening = false;
    ReadStorageCards(run);
    LookupOptionFolders(run);
    ReadCacheRoot(run);
    ReadStartupEntryState(run);
    ReadCustomFolders(run);
    ReadMailLocation(run);
    o.currentMailIndex = MailLocationIndex(o);
    o.chosenMailIndex = o.currentMailIndex;
    o.startupAtOpening = o.startupCurrent;
    o.startupChanged = false;
}

void CloseOptions(app::RunState& run) {
    run.options.storageCards.clear();
}

std::optional<std::u16string> CustomFolderFromPicker(const OptionsState& o,
                                                     const std::u16string& picked) {
    if (picked.empty()) return std::nullopt;  // cancelled
    std::u16string folder = WithoutTrailingBackslash(picked);
    if (folder.empty() || folder == WithoutTrailingBackslash(o.windowsFolder)) return std::nullopt;
    return folder;
}

CustomFolderSave ValidateAndSaveCustomFolders(app::RunState& run) {
    auto& o = run.options;
    for (auto& folder : o.customFolders) {
        size_t lastLength = 0;
        if (!folder.empty() && !EndsInLetterOrDigit(folder, lastLength))
            folder.resize(folder.size() - lastLength);
    }
    bool acceptable = true;
    for (const auto& folder : o.customFolders)
        if (folder.empty() || folder == u"\\Windows") acceptable = false;
    if (acceptable) {
        RegKey key(run.platform);
        bool written = key.Create(platform::HKEY_CURRENT_USER, kSettingsKey);
        for (int i = 0; written && i < 3; ++i)
            written = clean::WriteRegString(run.platform, key.Handle(), kCustomValueNames[i],
                                            o.customFolders[i]);
        if (written) written = run.platform.RegFlushKey(key.Handle()) == platform::kRegOk;
        if (written) {
            o.savedCustomFolders = o.customFolders;
            return CustomFolderSave::Saved;
        }
        // A store that took only some of the values gets the saved ones back, so the key and
        // what the dialog shows agree.
        if (key.IsOpen()) {
            for (int i = 0; i < 3; ++i)
                clean::WriteRegString(run.platform, key.Handle(), kCustomValueNames[i],
                                      o.savedCustomFolders[i]);
            run.platform.RegFlushKey(key.Handle());
        }
    }
    o.customFolders = o.savedCustomFolders;
    return CustomFolderSave::Rejected;
}

void MoveMailAttachments(app::RunState& run, const std::u16string& from, const std::u16string& to) {
    // An empty folder would name the device root; moving into the folder itself would delete
    // every file after copying it onto itself.
    if (from.empty() || to.empty() ||
        text::EqualsIgnoreCase(WithoutTrailingBackslash(from), WithoutTrailingBackslash(to)))
        return;
    if (run.ui) run.ui->BeginWaitCursor();
    const std::u16string source = WithoutTrailingBackslash(from) + u"\\";
    const std::u16string target = WithoutTrailingBackslash(to) + u"\\";
    platform::FindData fd;
    if (auto find = run.platform.FindFirst(source + u"*.*", fd)) {
        do {
            if (fd.attributes & platform::kAttrDirectory) continue;
            // The copy replaces a file of that name only once it is complete; the source goes
            // only after that. A source that cannot be deleted stays, its copy too.
            if (run.platform.CopyFile(source + fd.name, target + fd.name, false))
                run.platform.DeleteFile(source + fd.name);
        } while (find->Next(fd));
    }
    if (run.ui) run.ui->EndWaitCursor();
}

namespace {

void ShowInfo(app::RunState& run, const char16_t* text) {
    ShowAppMessage(run, text, ui::MB_OK | ui::MB_ICONINFORMATION);
}

// Points the mail store at folder, moving the attachments there first. Nothing is moved when
// the mail settings key cannot be opened: the files would end up where mail never looks.
void ApplyMailLocation(app::RunState& run, const std::u16string& folder) {
    auto& o = run.options;
    platform::HKey root;
    std::u16string subkey;
    MailSettingsKey(run, root, subkey);
    RegKey key(run.platform);
    if (!key.Open(root, subkey)) return;
    run.platform.CreateDirectory(folder);  // an existing folder is no error
    MoveMailAttachments(run, o.attachFolder, folder);
    if (clean::WriteRegString(run.platform, key.Handle(), u"AttachPath", folder))
        run.platform.RegFlushKey(key.Handle());
}

// Points Internet Explorer's three folders at the chosen root.
void ApplyCacheRoot(app::RunState& run) {
    auto& o = run.options;
    const auto folders = IeFolderSet(o.chosenRoot);
    for (const auto& folder : folders)
        if (!run.platform.CreateDirectory(folder)) break;
    RegKey key(run.platform);
    bool written = key.Create(platform::HKEY_CURRENT_USER, kShellFoldersKey);
    static const char16_t* const kNames[3] = {u"Cache", u"Cookies", u"History"};
    for (int i = 0; written && i < 3; ++i)
        written = clean::WriteRegString(run.platform, key.Handle(), kNames[i], folders[i]);
    if (written) written = run.platform.RegFlushKey(key.Handle()) == platform::kRegOk;
    key.Close();
    // Asking for a reboot when nothing was stored would report a change that did not happen;
    // the current root stays, so the next Apply tries again.
    if (!written) return;
    o.currentRoot = o.chosenRoot;
    ShowAppMessage(run, u"Please reboot your device to apply the changes",
                   ui::MB_OK | ui::MB_ICONEXCLAMATION);
}

}  // namespace

void ApplySettings(app::RunState& run, const ApplyInput& input) {
    auto& o = run.options;
    for (int i = 0; i < 3; ++i) o.customFolders[i] = text::Trim(input.customFolders[i]);
    o.startupCurrent = input.startupChecked;

    o.chosenRoot = input.cacheRoot.empty() ? o.currentRoot : input.cacheRoot;
    std::u16string newAttachFolder = AttachFolderFor(o, input.mailIndex);
    // A selection that names no location leaves the mail folder where it is.
    o.chosenMailIndex = newAttachFolder.empty() ? o.currentMailIndex : input.mailIndex;
    if (newAttachFolder.empty()) newAttachFolder = o.attachFolder;

    if (o.startupCurrent != o.startupAtOpening) {
        if (o.startupCurrent)
            EnableStartupEntry(run);
        else
            DisableStartupEntry(run);
        o.startupChanged = true;
    }

    if (o.chosenMailIndex == o.currentMailIndex && o.chosenRoot == o.currentRoot &&
        o.customFolders == o.savedCustomFolders) {
        if (o.startupAtOpening == o.startupCurrent) ShowInfo(run, u"No Action taken.");
        o.startupAtOpening = o.startupCurrent;
        return;
    }
    o.startupAtOpening = o.startupCurrent;
    if (ShowAppMessage(run, u"Are you sure you want to apply the new settings?",
                       ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;

    if (o.customFolders != o.savedCustomFolders) {
        if (ValidateAndSaveCustomFolders(run) == CustomFolderSave::Saved)
            ShowInfo(run, u"Custom Folder Changed.");
        else if (!o.startupChanged && o.chosenRoot == o.currentRoot)
            ShowInfo(run, u"No Action taken.");
    }
    if (o.chosenMailIndex != o.currentMailIndex) ApplyMailLocation(run, newAttachFolder);
    if (o.chosenRoot != o.currentRoot) ApplyCacheRoot(run);
}

}  // namespace tidy::settings
