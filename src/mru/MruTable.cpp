#include "mru/MruTable.h"

#include "app/RunState.h"
#include "clean/Utilities.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"

namespace tidy::mru {

namespace {

using platform::HKey;
using platform::RegKey;

struct MruRow {
    const char16_t* label;
    HKey root;
    const char16_t* keyPath;  // below "Software\"
    const char16_t* valueName;
    int32_t firstNumber;
};

constexpr MruRow kRows[kMruRows] = {
    {u"HTC Streaming", platform::HKEY_LOCAL_MACHINE, u"HTC\\Streaming\\OpenUrlMRU", u"", 0},
    {u"Queuely", platform::HKEY_LOCAL_MACHINE, u"Apps\\Norvane Queuely", u"Playlist ", 1},
    {u"UKNote", platform::HKEY_CURRENT_USER, u"UK-orunesa\\UKNote\\MRU", u"MRU", 0},
    {u"UKEditor", platform::HKEY_CURRENT_USER, u"UK-orunesa\\UKEditor\\FILE", u"MRU", 0},
    {u"CEdit", platform::HKEY_CURRENT_USER, u"Logical Sky Cedit\\cedit\\Recent File List", u"File",
     1},
    {u"File Explorer", platform::HKEY_CURRENT_USER, u"Microsoft\\File Explorer\\DialogMRU",
     u"MRUList", 0},
    {u"Resco Photo Viewer", platform::HKEY_LOCAL_MACHINE,
     u"Resco\\PicView\\RecentPaths\\RecentFiles", u"File", 0},
    {u"Adobe Reader LE", platform::HKEY_CURRENT_USER, u"Adobe\\AdobeReaderLE.25\\RecentFiles", u"",
     0},
};

// CEdit keeps its list the way document editors usually do: "File1", "File2", ... with the
// number of entries in "FCount". File Explorer's dialog list is a text "MRUList" whose letters
// name the entries.
constexpr int kFCountRow = 4;

bool RowUsable(const app::RunState& run, int row) {
    return row >= 0 && row < kMruRows && MruTableWellFormed(run);
}

// Flushes the key when something in it was changed; a count that changed nothing leaves the
// registry file alone.
void FlushIfChanged(platform::Platform& p, const RegKey& key, bool changed) {
    if (changed) p.RegFlushKey(key.Handle());
}

}  // namespace

MruScheme SchemeOfRow(int row) {
    return row == 5 ? MruScheme::LetterList : MruScheme::Numbered;
}

bool ResetsFCount(int row) {
    return row == kFCountRow;
}

void BuildMruTable(app::RunState& run) {
    ResetMruTable(run);
    MruState& m = run.mru;
    for (int i = 0; i < kMruRows; ++i) {
        m.labels.emplace_back(kRows[i].label);
        m.keyPaths.emplace_back(kRows[i].keyPath);
        m.valueNames.emplace_back(kRows[i].valueName);
        m.firstNumbers[i] = kRows[i].firstNumber;
        m.roots[i] = kRows[i].root;
    }
    for (auto& path : m.keyPaths) path = u"Software\\" + path;
    LoadMruSelection(run);
}

void ResetMruTable(app::RunState& run) {
    MruState& m = run.mru;
    m.labels.clear();
    m.keyPaths.clear();
    m.valueNames.clear();
    m.firstNumbers.fill(0);
    m.roots.fill(0);
    m.flags.fill(0);
}

bool MruTableWellFormed(const app::RunState& run) {
    const MruState& m = run.mru;
    return m.labels.size() == kMruRows && m.keyPaths.size() == kMruRows &&
           m.valueNames.size() == kMruRows;
}

void LoadMruSelection(app::RunState& run) {
    settings::LoadMruFlags(run, run.mru.flags);
}

void SaveMruSelection(app::RunState& run) {
    settings::SaveMruFlags(run, run.mru.flags);
}

int32_t CountNumberedValues(app::RunState& run, int row, bool clear) {
    if (!RowUsable(run, row)) return 0;
    platform::Platform& p = run.platform;
    const MruState& m = run.mru;
    RegKey key(p);
    if (!key.Open(m.roots[row], m.keyPaths[row])) return -1;

    int32_t count = 0;
    bool changed = false;
    // The list ends at the first missing number; entries after a gap are not part of it.
    for (int64_t n = m.firstNumbers[row];; ++n) {
        const std::u16string name = m.valueNames[row] + text::Format("%lld", (long long)n);
        uint32_t size = 0;
        if (p.RegQueryValue(key.Handle(), name, nullptr, nullptr, &size) != platform::kRegOk) break;
        ++count;
        // A value that cannot be deleted stays counted and is found again next time.
        if (clear && p.RegDeleteValue(key.Handle(), name) == platform::kRegOk) changed = true;
    }
    FlushIfChanged(p, key, changed);
    return count;
}

int32_t CountLetterList(app::RunState& run, int row, bool clear) {
    if (row < 4 || row > 7 || !RowUsable(run, row)) return 0;
    platform::Platform& p = run.platform;
    const MruState& m = run.mru;
    RegKey key(p);
    if (!key.Open(m.roots[row], m.keyPaths[row])) return -1;

    std::u16string letters;
    if (clean::ReadRegString(p, key.Handle(), m.valueNames[row], letters))
        letters = text::Trim(letters);
    else
        letters.clear();
    const auto count = static_cast<int32_t>(letters.size());

    bool changed = false;
    if (clear && count > 0) {
        for (char16_t c : letters)
            if (p.RegDeleteValue(key.Handle(), std::u16string(1, c)) == platform::kRegOk)
                changed = true;
        if (p.RegDeleteValue(key.Handle(), m.valueNames[row]) == platform::kRegOk) changed = true;
    }
    FlushIfChanged(p, key, changed);
    return count;
}

void ResetFCount(app::RunState& run, int row) {
    if (!RowUsable(run, row)) return;
    platform::Platform& p = run.platform;
    RegKey key(p);
    if (!key.Open(run.mru.roots[row], run.mru.keyPaths[row])) return;
    // Only a number value is reset: four zero bytes written over a text or a longer value would
    // corrupt it, so any other "FCount" counts as absent and is left alone.
    uint32_t current = 0;
    if (!clean::ReadRegDword(p, key.Handle(), u"FCount", current)) return;
    const uint8_t zero[4] = {0, 0, 0, 0};
    if (p.RegSetValue(key.Handle(), u"FCount", platform::REG_DWORD, zero, sizeof zero) ==
        platform::kRegOk)
        p.RegFlushKey(key.Handle());
}

int32_t MruEntryCount(app::RunState& run, int row, bool clear) {
    if (row < 0 || row >= kMruRows) return 0;
    if (SchemeOfRow(row) == MruScheme::LetterList) return CountLetterList(run, row, clear);
    const int32_t count = CountNumberedValues(run, row, clear);
    if (clear && ResetsFCount(row)) ResetFCount(run, row);
    return count;
}

void ClearSelectedMru(app::RunState& run) {
    for (int row = 0; row < kMruRows; ++row)
        if (run.mru.flags[row] != 0) MruEntryCount(run, row, true);
}

}  // namespace tidy::mru
