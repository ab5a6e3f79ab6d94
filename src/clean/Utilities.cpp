#include "clean/Utilities.h"

#include <vector>

#include "app/RunState.h"

namespace tidy::clean {

bool PathExists(app::RunState& run, const std::u16string& path) {
    uint32_t attributes = 0;
    return run.platform.GetAttributes(path, attributes);
}

bool EntryFound(app::RunState& run, const std::u16string& path) {
    platform::FindData data;
    // The handle closes when it goes out of scope, at once.
    return run.platform.FindFirst(path, data) != nullptr;
}

bool RootFolderExists(app::RunState& run, const std::u16string& name) {
    return PathExists(run, u"\\" + name + u"\\");
}

std::u16string ProgramPath(app::RunState& run) {
    std::u16string path = run.platform.ModulePath();
    // The device hands the path over in a buffer of kMaxPath characters, terminator included.
    if (path.size() > platform::kMaxPath - 1) path.resize(platform::kMaxPath - 1);
    return path;
}

std::u16string ProgramFolder(app::RunState& run) {
    std::u16string path = ProgramPath(run);
    size_t slash = path.rfind(u'\\');
    if (slash == std::u16string::npos) return std::u16string();
    return path.substr(0, slash + 1);
}

bool IsPlatform5OrLater(app::RunState& run) {
    platform::Version v;
    return run.platform.GetVersion(v) && v.major > 4;
}

bool IsPlatform52OrLater(app::RunState& run) {
    platform::Version v;
    return run.platform.GetVersion(v) && v.major > 4 && v.minor > 1;
}

int ShowMessage(app::RunState& run, const std::u16string& text, unsigned type) {
    ui::Window* owner = run.flags.messageOwner.load();
    if (owner == nullptr || run.ui == nullptr) return 0;
    return run.ui->MessageBox(owner, text, u"Tidymatic", type);
}

int ShowMessageOk(app::RunState& run, const std::u16string& text) {
    return ShowMessage(run, text, 0);
}

void OpenWithShell(app::RunState& run, const std::u16string& target) {
    run.platform.ShellExecute(target, std::u16string(), std::u16string());
}

std::string ToNarrow(app::RunState& run, const std::u16string& text) {
    return run.platform.WideToAnsi(text);
}

bool ReadRegString(platform::Platform& p, platform::HKey key, const std::u16string& name,
                   std::u16string& out) {
    // The value may change between the size query and the read (another process, the refresh
    // thread); a read that finds it grown asks again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        uint32_t type = 0;
        uint32_t size = 0;
        if (p.RegQueryValue(key, name, &type, nullptr, &size) != platform::kRegOk) return false;
        if (type != platform::REG_SZ && type != platform::REG_EXPAND_SZ) return false;
        // One character longer than asked, zero-filled: the text always ends in a null.
        std::vector<uint8_t> buffer(static_cast<size_t>(size) + 2, 0);
        uint32_t got = size;
        long status = p.RegQueryValue(key, name, &type, buffer.data(), &got);
        if (status == platform::kRegMoreData) continue;
        if (status != platform::kRegOk) return false;
        if (type != platform::REG_SZ && type != platform::REG_EXPAND_SZ) return false;
        size_t units = buffer.size() / 2;
        std::u16string text;
        text.reserve(units);
        for (size_t i = 0; i < units; ++i) {
            char16_t c = static_cast<char16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
            if (c == 0) break;
            text.push_back(c);
        }
        out = std::move(text);
        return true;
    }
    return false;
}

bool ReadRegDword(platform::Platform& p, platform::HKey key, const std::u16string& name,
                  uint32_t& out) {
    uint8_t data[4] = {0, 0, 0, 0};
    uint32_t type = 0;
    uint32_t size = sizeof data;
    if (p.RegQueryValue(key, name, &type, data, &size) != platform::kRegOk) return false;
    if (type != platform::REG_DWORD || size != sizeof data) return false;
    out = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
          (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
    return true;
}

bool WriteRegString(platform::Platform& p, platform::HKey key, const std::u16string& name,
                    const std::u16string& value) {
    std::vector<uint8_t> data;
    data.reserve(value.size() * 2 + 2);
    for (char16_t c : value) {
        data.push_back(static_cast<uint8_t>(c & 0xFF));
        data.push_back(static_cast<uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return p.RegSetValue(key, name, platform::REG_SZ, data.data(),
                         static_cast<uint32_t>(data.size())) == platform::kRegOk;
}

}  // namespace tidy::clean
