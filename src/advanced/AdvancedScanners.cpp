#include "advanced/AdvancedScanners.h"

#include "advanced/ThemeCardLeftovers.h"
#include "app/RunState.h"
#include "clean/Engine.h"
#include "clean/Utilities.h"
#include "platform/Text.h"

namespace tidy::advanced {

using platform::HKEY_CLASSES_ROOT;
using platform::HKEY_LOCAL_MACHINE;
using platform::RegKey;

namespace {

struct RowText {
    const char16_t* name;
    const char16_t* description;
};

constexpr RowText kRows[kAdvancedRowCount] = {
    {u"Thumbs.db",
     u"This is a list of hidden thumbnail files (thumbs.db) found on the Storage Cards."},
    {u"Desktop.ini", u"This is a list of hidden desktop.ini files found on the Storage Cards."},
    {u"Bad Theme Registry",
     u"This is to clear unused registry left behind by themes which are no longer in use."},
    {u"Bad Uninstall Registry",
     u"This is to clear dead registry which are not cleared properly upon software "
     u"uninstallation."},
    {u"Bad Uninstall Files",
     u"This is to remove setup info files (in AppMgr folder) that are not properly removed upon "
     u"software uninstallation."},
    {u"Dead Shortcuts", u"This is the list of dead shortcuts in the Start Menu folder."},
    {u"Startup Programs", u"This is the list of dead shortcuts in the Startup folder."},
    {u"Dead SIPs",
     u"This is the list of input methods that still remain in the SIP (soft input panel) list "
     u"even after uninstallation."},
};

constexpr size_t npos = std::u16string::npos;

std::u16string AppMgrFolder(const AdvancedState& st) {
    return st.windowsFolder + u"AppMgr\\";
}

std::u16string Quoted(const std::u16string& s) {
    return u"\"" + s + u"\"";
}

bool ValueExists(platform::Platform& p, platform::HKey key, const std::u16string& name) {
    uint32_t type = 0;
    uint32_t size = 0;
    long status = p.RegQueryValue(key, name, &type, nullptr, &size);
    return status == platform::kRegOk || status == platform::kRegMoreData;
}

// Deletes parent\name with all its subkeys and makes the deletion last.
void DeleteSubkey(app::RunState& run, platform::HKey root, const std::u16string& parent,
                  const std::u16string& name) {
    if (!IsPlainName(name)) return;
    RegKey key(run.platform);
    if (!key.Open(root, parent)) return;
    if (run.platform.RegDeleteKey(key.Handle(), name) == platform::kRegOk)
        run.platform.RegFlushKey(key.Handle());
}

std::vector<std::u16string>& ShortcutList(AdvancedState& st, ShortcutFolder which) {
    return which == ShortcutFolder::StartMenu ? st.deadStartMenuShortcuts : st.deadStartupShortcuts;
}

}  // namespace

bool IsPlainName(const std::u16string& name) {
    return !name.empty() && name != u"." && name != u".." && name.find(u'\\') == npos;
}

bool IsPathComponent(const std::u16string& name) {
    return IsPlainName(name) && name.find_first_of(u"/*?") == npos;
}

bool AskYesNo(app::RunState& run, const std::u16string& question) {
    return clean::ShowMessage(run, question, ui::MB_YESNO | ui::MB_ICONQUESTION) == ui::IDYES;
}

// ---- Module state -------------------------------------------------------------------------

void InitAdvanced(app::RunState& run) {
    AdvancedState& st = run.advanced;
    for (const RowText& row : kRows) {
        st.itemNames.emplace_back(row.name);
        st.itemDescriptions.emplace_back(row.description);
    }
    LocateAdvancedFolders(run);

    // The cards as the platform lists them, without the main list's log lines. Every card is
    // taken, however many the device has.
    st.storageCards.clear();
    platform::FindData card;
    auto find = run.platform.FindFirstStorageCard(card);
    if (find) {
        do {
            if (IsPathComponent(card.name)) st.storageCards.push_back(card.name);
        } while (find->Next(card));
    }
}

void LocateAdvancedFolders(app::RunState& run) {
    AdvancedState& st = run.advanced;
    auto take = [&](int csidl, std::u16string& folder) {
        std::u16string path = run.platform.SpecialFolder(csidl);
        if (!path.empty()) folder = path + u"\\";
    };
    take(platform::kCsidlWindows, st.windowsFolder);
    take(platform::kCsidlStartMenu, st.startMenuFolder);
    take(platform::kCsidlStartup, st.startupFolder);
}

void ResetAdvanced(app::RunState& run) {
    AdvancedState& st = run.advanced;
    st.itemNames.clear();
    st.itemDescriptions.clear();
    st.storageCards.clear();
    st.deadSips.clear();
    st.deadStartMenuShortcuts.clear();
    st.deadStartupShortcuts.clear();
    st.leftoverSetupFolders.clear();
    st.deadUninstallEntries.clear();
    st.themeKeys.clear();
    st.thumbsFiles.clear();
    st.desktopIniFiles.clear();
    st.currentTheme.clear();
}

// ---- Dead input methods -------------------------------------------------------------------

bool IsKeptSipName(const std::u16string& name) {
    std::u16string trimmed = text::Trim(name);
    if (trimmed.empty()) return true;
    for (const char16_t* kept :
         {u"Transcriber", u"Block Recognizer", u"Letter Recognizer", u"Keyboard"}) {
        if (text::EqualsIgnoreCase(trimmed, kept)) return true;
    }
    return false;
}

void ScanDeadSips(app::RunState& run) {
    AdvancedState& st = run.advanced;
    platform::Platform& p = run.platform;
    st.deadSips.clear();
    RegKey classes(p);
    if (!classes.Open(HKEY_CLASSES_ROOT, u"CLSID")) return;

    std::u16string guid;
    for (uint32_t index = 0; p.RegEnumKey(classes.Handle(), index, guid) == platform::kRegOk;
         ++index) {
        if (!IsPlainName(guid)) continue;
        const std::u16string classKey = u"CLSID\\" + guid;
        {
            RegKey marker(p);
            if (!marker.Open(HKEY_CLASSES_ROOT, classKey + u"\\IsSIPInputMethod")) continue;
        }
        std::u16string display;
        {
            RegKey cls(p);
            if (!cls.Open(HKEY_CLASSES_ROOT, classKey)) continue;
            if (!clean::ReadRegString(p, cls.Handle(), u"", display)) continue;
        }
        if (IsKeptSipName(display)) continue;

        std::u16string server;
        {
            RegKey inproc(p);
            if (!inproc.Open(HKEY_CLASSES_ROOT, classKey + u"\\InProcServer32")) continue;
            if (!clean::ReadRegString(p, inproc.Handle(), u"", server)) continue;
        }
        server = text::Trim(server);
        if (server.empty() || server.find(u"msim.dll") != npos) continue;
        if (server.find(u'\\') == npos) server = st.windowsFolder + server;
        if (!clean::EntryFound(run, server)) st.deadSips.push_back({classKey, display});
    }
}

int CountDeadSips(app::RunState& run) {
    ScanDeadSips(run);
    return static_cast<int>(run.advanced.deadSips.size());
}

void CleanDeadSips(app::RunState& run) {
    ScanDeadSips(run);
    const std::vector<DeadSip> found = run.advanced.deadSips;
    for (const DeadSip& sip : found) {
        if (!AskYesNo(run, u"Remove " + Quoted(sip.displayName) +
                               u" from the SIP list (detected as uninstalled)?"))
            continue;
        // The class key is "CLSID\" + a plain name, so it is deleted as that name under CLSID.
        DeleteSubkey(run, HKEY_CLASSES_ROOT, u"CLSID", sip.classKey.substr(6));
    }
}

// ---- Dead shortcuts -----------------------------------------------------------------------

bool IsShortcutAlive(app::RunState& run, const std::u16string& path) {
    const std::u16string& windows = run.advanced.windowsFolder;
    std::u16string target;
    if (!run.platform.ReadShortcut(path, target)) return false;
    // The device reads the target into a buffer of kMaxPath characters and ends it at a null.
    if (size_t nul = target.find(u'\0'); nul != npos) target.resize(nul);
    if (target.size() > platform::kMaxPath) target.resize(platform::kMaxPath);

    std::u16string t = text::Trim(target);
    std::erase(t, u'\r');
    std::erase(t, u'\n');
    std::u16string p;

    if (!t.empty() && t[0] == u'"' && t.find(u'"', 1) != npos) {
        // "path" arguments: judged by the quoted path alone.
        size_t q = t.find(u'"', 1);
        p = t.substr(1, q - 1);
        if (p.find(u'\\') == npos) p = windows + p;
    } else if (t.find(u'\\') == 0) {
        // An absolute path, perhaps followed by arguments after a space. A missing path
        // without arguments is simply missing: the shortcut is dead.
        if (clean::EntryFound(run, t)) return true;
        size_t space = t.find(u' ');
        p = space == npos ? t : t.substr(0, space);
    } else if (t.find(u':') == 0) {
        // A shell target such as ":MSOUTLOOK": nothing on disk to test.
        return true;
    } else if (t.find(u"ctlpnl") == 0 && t.find(u',') != npos && t.find(u',') > 0) {
        // "ctlpnl cplmain.cpl,4": the control-panel file between the space and the comma.
        size_t comma = t.find(u',');
        size_t space = t.find(u' ');
        if (space == npos || space == 0 || space + 1 >= comma) return true;
        p = windows + t.substr(space + 1, comma - space - 1);
    } else {
        // A program in the Windows folder, perhaps followed by ",arguments" or " arguments".
        size_t comma = t.find(u',');
        size_t space = t.find(u' ');
        if (comma != npos && comma > 0)
            t.resize(comma);
        else if (space != npos && space > 0)
            t.resize(space);
        p = windows + t;
    }
    if (p.empty()) return true;
    return clean::EntryFound(run, p);
}

void ScanDeadShortcuts(app::RunState& run, const std::u16string& folder,
                       std::vector<std::u16string>& list) {
    platform::FindData entry;
    auto find = run.platform.FindFirst(folder + u"*.*", entry);
    if (!find) return;
    do {
        std::u16string full = folder + entry.name;
        if (entry.attributes & platform::kAttrDirectory) {
            ScanDeadShortcuts(run, full + u"\\", list);
        } else {
            size_t at = text::Fold(entry.name).find(u".lnk");
            if (at != npos && at > 0 && !IsShortcutAlive(run, full)) list.push_back(full);
        }
    } while (find->Next(entry));
}

int CountDeadShortcuts(app::RunState& run, ShortcutFolder which) {
    AdvancedState& st = run.advanced;
    std::vector<std::u16string>& list = ShortcutList(st, which);
    list.clear();
    ScanDeadShortcuts(
        run, which == ShortcutFolder::StartMenu ? st.startMenuFolder : st.startupFolder, list);
    return static_cast<int>(list.size());
}

void CleanDeadShortcuts(app::RunState& run, ShortcutFolder which) {
    CountDeadShortcuts(run, which);
    const std::vector<std::u16string> found = ShortcutList(run.advanced, which);
    for (const std::u16string& path : found) {
        std::u16string name = path.substr(path.rfind(u'\\') + 1);
        if (AskYesNo(run, u"Remove " + Quoted(name) + u"?")) clean::DeleteFileUncounted(run, path);
    }
}

// ---- Setup folders in the AppMgr folder ---------------------------------------------------

bool HasLeftoverSetupFiles(app::RunState& run, const std::u16string& name) {
    if (!IsPathComponent(name)) return false;
    return clean::EntryFound(run, AppMgrFolder(run.advanced) + name + u"\\*.tmp");
}

bool HasInstallRecord(app::RunState& run, const std::u16string& name) {
    if (!IsPlainName(name)) return false;
    RegKey key(run.platform);
    if (!key.Open(HKEY_LOCAL_MACHINE, run.advanced.uninstallRoot + u"\\" + name)) return false;
    for (const char16_t* value : {u"InstlDir", u"InstallDir", u"Instl"}) {
        if (ValueExists(run.platform, key.Handle(), value)) return true;
    }
    return false;
}

int ScanBadUninstallFiles(app::RunState& run) {
    AdvancedState& st = run.advanced;
    st.leftoverSetupFolders.clear();
    const std::u16string appMgr = AppMgrFolder(st);
    if (clean::PathExists(run, appMgr) && clean::IsPlatform5OrLater(run)) {
        platform::FindData entry;
        auto find = run.platform.FindFirst(appMgr + u"*.*", entry);
        if (find) {
            do {
                const std::u16string& name = entry.name;
                if (!(entry.attributes & platform::kAttrDirectory)) continue;
                if (text::EqualsIgnoreCase(name, u"Install")) continue;
                size_t space = name.find(u' ');
                if (space == npos || space == 0) continue;
                if (HasLeftoverSetupFiles(run, name) && !HasInstallRecord(run, name))
                    st.leftoverSetupFolders.push_back(name);
            } while (find->Next(entry));
        }
    }
    return static_cast<int>(st.leftoverSetupFolders.size());
}

void RemoveSetupFolder(app::RunState& run, const std::u16string& name) {
    if (!IsPathComponent(name)) return;
    const std::u16string folder = AppMgrFolder(run.advanced) + name + u"\\";
    if (!clean::PathExists(run, folder)) return;
    platform::FindData entry;
    if (auto find = run.platform.FindFirst(folder + u"*.*", entry)) {
        do {
            if (!(entry.attributes & platform::kAttrDirectory))
                clean::DeleteFileUncounted(run, folder + entry.name);
        } while (find->Next(entry));
    }
    // Removed only once empty; a folder that still holds something stays.
    run.platform.RemoveDirectory(folder.substr(0, folder.size() - 1));
}

void CleanBadUninstallFiles(app::RunState& run) {
    ScanBadUninstallFiles(run);
    const std::vector<std::u16string> found = run.advanced.leftoverSetupFolders;
    for (const std::u16string& name : found) {
        if (AskYesNo(run, u"Remove unused files associated with " + Quoted(name) +
                              u" (detected as uninstalled)?"))
            RemoveSetupFolder(run, name);
    }
    run.advanced.leftoverSetupFolders.clear();
}

// ---- Uninstall keys -----------------------------------------------------------------------

bool HasUnloadFile(app::RunState& run, const std::u16string& name) {
    if (!IsPathComponent(name)) return false;
    return clean::EntryFound(run, run.advanced.windowsFolder + name + u".unload");
}

int ScanBadUninstallRegistry(app::RunState& run) {
    AdvancedState& st = run.advanced;
    platform::Platform& p = run.platform;
    st.deadUninstallEntries.clear();

    std::vector<std::u16string> names;
    {
        RegKey root(p);
        if (root.Open(HKEY_LOCAL_MACHINE, st.uninstallRoot)) {
            std::u16string name;
            for (uint32_t index = 0; p.RegEnumKey(root.Handle(), index, name) == platform::kRegOk;
                 ++index)
                names.push_back(name);
        }
    }

    const bool newPlatform = clean::IsPlatform5OrLater(run);
    struct Candidate {
        std::u16string name;
        std::u16string installFolder;
    };
    std::vector<Candidate> candidates;
    for (const std::u16string& name : names) {
        if (!IsPlainName(name)) continue;
        RegKey key(p);
        if (!key.Open(HKEY_LOCAL_MACHINE, st.uninstallRoot + u"\\" + name)) continue;
        if (newPlatform) {
            std::u16string folder;
            if (!clean::ReadRegString(p, key.Handle(), u"InstlDir", folder) &&
                !clean::ReadRegString(p, key.Handle(), u"InstallDir", folder))
                continue;
            if (folder.size() > 1) candidates.push_back({name, folder});
        } else if (ValueExists(p, key.Handle(), u"CmdFile")) {
            candidates.push_back({name, {}});
        }
    }

    for (const Candidate& c : candidates) {
        bool dead = newPlatform ? !clean::PathExists(run, c.installFolder) &&
                                      !HasLeftoverSetupFiles(run, c.name)
                                : !HasUnloadFile(run, c.name);
        if (dead) st.deadUninstallEntries.push_back(c.name);
    }
    return static_cast<int>(st.deadUninstallEntries.size());
}

void CleanBadUninstallRegistry(app::RunState& run) {
    ScanBadUninstallRegistry(run);
    const std::vector<std::u16string> found = run.advanced.deadUninstallEntries;
    for (const std::u16string& name : found) {
        if (!AskYesNo(run, u"Remove unused registry key associated with " + Quoted(name) +
                               u" (detected as uninstalled)?"))
            continue;
        // The maker's own products are asked about like any other but always kept.
        if (name == u"Norvane Queuely" || name == u"Norvane Tallyo") continue;
        DeleteSubkey(run, HKEY_LOCAL_MACHINE, run.advanced.uninstallRoot, name);
    }
    run.advanced.deadUninstallEntries.clear();
}

}  // namespace tidy::advanced
