#include "customfiles/CustomFileList.h"

#include <unordered_set>

#include "app/RunState.h"
#include "clean/Engine.h"
#include "clean/Utilities.h"
#include "ui/framework/UiServices.h"

namespace tidy::customfiles {

namespace {

// A list file beyond this is not one the program wrote; it is not read into memory.
constexpr int32_t kLargestListFile = 16 * 1024 * 1024;

// An entry that would not read back as itself: empty (as the first line it would end the
// list), or holding a line end or a null (either would split or cut the file).
bool Storable(const CustomFileEntry& entry) {
    return !entry.empty() && entry.find(u'\n') == std::u16string::npos &&
           entry.find(u'\0') == std::u16string::npos;
}

void Tell(app::RunState& run, const std::u16string& text) {
    // Owned by the application, not by a window.
    if (run.ui != nullptr) run.ui->MessageBox(nullptr, text, u"Tidymatic", ui::MB_ICONINFORMATION);
}

}  // namespace

std::u16string CustomFileListPath(app::RunState& run) {
    std::u16string folder = clean::ProgramFolder(run);
    if (folder.empty()) return folder;
    return folder + u"files.dat";
}

std::string EncodeCustomFileList(const CustomFileList& list) {
    std::string bytes;
    for (const CustomFileEntry& entry : list) {
        if (!Storable(entry)) continue;
        for (char16_t c : entry) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
        bytes.append("\r\0\n\0", 4);
    }
    return bytes;
}

void DecodeCustomFileList(const std::string& bytes, CustomFileList& list) {
    list.clear();
    // Code units, little-endian; an odd last byte is one more unit with a zero high byte. The
    // text ends at the first null.
    std::u16string text;
    text.reserve(bytes.size() / 2 + 1);
    for (size_t i = 0; i < bytes.size(); i += 2) {
        uint8_t lo = static_cast<uint8_t>(bytes[i]);
        uint8_t hi = i + 1 < bytes.size() ? static_cast<uint8_t>(bytes[i + 1]) : 0;
        char16_t c = static_cast<char16_t>(lo | (hi << 8));
        if (c == 0) break;
        text.push_back(c);
    }

    // CR LF becomes LF; a lone CR stays in the text.
    std::u16string lines;
    lines.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
        lines.push_back(text[i]);
    }

    // A line counts only when a line end follows it, and a line end in the first place ends
    // the list before it starts.
    std::unordered_set<std::u16string> seen;
    size_t start = 0;
    size_t p = lines.find(u'\n');
    while (p != std::u16string::npos && p > 0) {
        std::u16string line = lines.substr(start, p - start);
        if (seen.insert(line).second) list.push_back(std::move(line));
        start = p + 1;
        p = lines.find(u'\n', start);
    }
}

void LoadCustomFileList(app::RunState& run, CustomFileList& list) {
    list.clear();
    std::u16string path = CustomFileListPath(run);
    if (path.empty()) return;
    if (!clean::EntryFound(run, path)) return;
    int32_t size = clean::FileSizeByOpen(run, path);
    if (size < 0 || size > kLargestListFile) return;
    std::string bytes;
    if (!run.platform.ReadFile(path, bytes)) return;
    if (bytes.size() > static_cast<size_t>(size)) bytes.resize(static_cast<size_t>(size));
    DecodeCustomFileList(bytes, list);
}

void SaveCustomFileList(app::RunState& run, CustomFileList& list) {
    std::u16string path = CustomFileListPath(run);
    if (path.empty()) return;
    std::string bytes = EncodeCustomFileList(list);
    if (!bytes.empty()) {
        if (run.platform.WriteFile(path, bytes)) Tell(run, u"Custom file list has been saved.");
    } else {
        // The list file is never left empty: no entries, no file.
        run.platform.DeleteFile(path);
        Tell(run, u"Custom file list has been cleared.");
    }
    list.clear();
}

}  // namespace tidy::customfiles
