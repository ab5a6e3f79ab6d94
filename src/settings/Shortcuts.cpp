#include "settings/Shortcuts.h"

#include "app/RunState.h"
#include "clean/Utilities.h"
#include "platform/Text.h"

namespace tidy::settings {

using platform::FindData;

std::u16string ExpressTarget(const std::u16string& programPath) {
    return u"\"" + programPath + u"\" -e";
}

std::u16string SoftResetTarget(const std::u16string& programPath) {
    return u"\"" + programPath + u"\" -x ?" + programPath + u",-150";
}

std::u16string StartupTarget(const std::u16string& programPath) {
    return u"\"" + programPath + u"\" -s";
}

int ShowAppMessage(app::RunState& run, const std::u16string& text, unsigned type) {
    if (!run.ui) return 0;
    return run.ui->MessageBox(nullptr, text, u"Tidymatic", type);
}

bool WriteProgramShortcut(app::RunState& run, ShortcutKind kind, const std::u16string& path) {
    const std::u16string program = clean::ProgramPath(run);
    const bool express = kind == ShortcutKind::Express;
    const std::u16string target = express ? ExpressTarget(program) : SoftResetTarget(program);
    // Whatever was at that path is replaced; a file that cannot be deleted makes the create fail.
    run.platform.DeleteFile(path);
    if (!run.platform.CreateShortcut(path, target)) {
        ShowAppMessage(run, u"Error creating shortcut.", ui::MB_OK);
        return false;
    }
    ShowAppMessage(run,
                   express ? u"Shortcut for Express Mode created successfully."
                           : u"Shortcut for Soft Reset created successfully.",
                   ui::MB_OK | ui::MB_ICONINFORMATION);
    return true;
}

ShortcutFolders LookupShortcutFolders(app::RunState& run) {
    ShortcutFolders f;
    f.startMenu = u"\\Windows\\Start Menu\\";
    f.programs = f.startMenu + u"Programs\\";
    std::u16string s = run.platform.SpecialFolder(platform::kCsidlStartMenu);
    if (!s.empty()) f.startMenu = s + u"\\";
    s = run.platform.SpecialFolder(platform::kCsidlPrograms);
    if (!s.empty()) f.programs = s + u"\\";
    return f;
}

void CollectProgramSubfolders(app::RunState& run, const std::u16string& programs,
                              const std::u16string& folder, std::vector<std::u16string>& list) {
    // Paths are bounded by the device's limit; a deeper tree cannot be named anyway.
    if (folder.size() + 1 >= platform::kMaxPath) return;
    FindData fd;
    auto find = run.platform.FindFirst(folder + u"*.*", fd);
    if (!find) return;
    do {
        if (!(fd.attributes & platform::kAttrDirectory)) continue;
        const std::u16string full = folder + fd.name;
        const std::u16string relative =
            full.compare(0, programs.size(), programs) == 0 ? full.substr(programs.size()) : full;
        const std::u16string key = text::Fold(relative);
        auto at = list.begin();
        while (at != list.end() && !(text::Fold(*at) > key)) ++at;
        list.insert(at, relative);
        CollectProgramSubfolders(run, programs, full + u"\\", list);
    } while (find->Next(fd));
}

std::u16string ShortcutResultPath(const ShortcutFolders& folders, int selected,
                                  const std::u16string& selectedText,
                                  const std::u16string& fileName) {
    std::u16string path;
    if (selected == 0)
        path = folders.startMenu;
    else if (selected == 1)
        path = folders.programs;
    else if (selected >= 2)
        path = folders.programs + selectedText + u"\\";
    if (!path.empty()) path += fileName;
    return path;
}

namespace {

std::u16string WithoutTrailingBackslash(const std::u16string& s) {
    if (!s.empty() && s.back() == u'\\') return s.substr(0, s.size() - 1);
    return s;
}

}  // namespace

bool EnableStartupEntry(app::RunState& run) {
    auto& o = run.options;
    if (!clean::PathExists(run, WithoutTrailingBackslash(o.startupFolder))) {
        ShowAppMessage(run, u"Unable to find startup folder", ui::MB_OK);
        return false;
    }
    const std::u16string path = o.startupFolder + kStartupShortcutName;
    run.platform.DeleteFile(path);
    if (!run.platform.CreateShortcut(path, StartupTarget(clean::ProgramPath(run)))) return false;
    ShowAppMessage(run, u"Startup option has been enabled.", ui::MB_OK | ui::MB_ICONINFORMATION);
    o.startupCurrent = true;
    return true;
}

bool DisableStartupEntry(app::RunState& run) {
    auto& o = run.options;
    if (!clean::PathExists(run, o.startupFolder)) return false;
    if (!run.platform.DeleteFile(o.startupFolder + kStartupShortcutName)) return false;
    ShowAppMessage(run, u"Startup option has been disabled.", ui::MB_OK | ui::MB_ICONINFORMATION);
    o.startupCurrent = false;
    return true;
}

void ReadStartupEntryState(app::RunState& run) {
    auto& o = run.options;
    o.startupCurrent = false;
    const std::u16string path = o.startupFolder + kStartupShortcutName;
    if (!clean::EntryFound(run, path)) return;
    std::u16string target;
    if (run.platform.ReadShortcut(path, target)) {
        if (target.size() > platform::kMaxPath) target.resize(platform::kMaxPath);
        const std::u16string program = clean::ProgramPath(run);
        if (!program.empty() && target.find(program) != std::u16string::npos)
            o.startupCurrent = true;
    }
    if (o.startupCurrent) return;
    // A start-up shortcut of this name that starts something else is a leftover of another
    // copy of the program: remove it and that copy's boot helper.
    run.platform.DeleteFile(path);
    const std::u16string folder = clean::ProgramFolder(run);
    if (!folder.empty()) run.platform.DeleteFile(folder + u"boot.exe");
}

}  // namespace tidy::settings
