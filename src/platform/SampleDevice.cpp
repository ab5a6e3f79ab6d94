#include "platform/SampleDevice.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/SampleAssets.h"
#include "platform/Text.h"

namespace tidy::platform {

namespace {

std::u16string Parent(const std::u16string& path) {
    size_t p = path.rfind(u'\\');
    return p == std::u16string::npos || p == 0 ? u"" : path.substr(0, p);
}

bool MakeFolders(DeviceImage& img, const std::u16string& path) {
    if (path.empty()) return true;
    uint32_t a;
    if (img.GetAttributes(path, a)) return (a & kAttrDirectory) != 0;
    return MakeFolders(img, Parent(path)) && img.CreateDirectory(path);
}

std::string Filler(size_t size) {
    static const std::string kText = "Sample content of a handheld's file. ";
    std::string out;
    out.reserve(size);
    while (out.size() < size) out += kText;
    out.resize(size);
    return out;
}

}  // namespace

bool ApplySampleFiles(DeviceImage& img, std::string_view content, const std::string& name,
                      std::string& error) {
    std::vector<std::string> lines;
    size_t s = 0;
    while (s <= content.size()) {
        size_t e = content.find('\n', s);
        if (e == std::string_view::npos) e = content.size();
        std::string l(content.substr(s, e - s));
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(std::move(l));
        s = e + 1;
    }
    auto fail = [&](size_t i, const std::string& why) {
        error = name + ":" + std::to_string(i + 1) + ": " + why;
        return false;
    };
    auto devicePath = [&](size_t i, std::string p, std::u16string& out) {
        while (!p.empty() && p.back() == ' ') p.pop_back();
        out = text::FromUtf8(p);
        DevicePath dp;
        if (!ParseDevicePath(out, dp) || dp.names.empty())
            return fail(i, "\"" + p + "\" is not an absolute device path");
        return true;
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.empty() || l[0] == '#') continue;
        size_t sp = l.find(' ');
        std::string verb = l.substr(0, sp);
        std::string rest = sp == std::string::npos ? "" : l.substr(sp + 1);
        std::u16string path;
        if (verb == "dir") {
            if (!devicePath(i, rest, path)) return false;
            if (!MakeFolders(img, path)) return fail(i, "cannot create the folder " + rest);
        } else if (verb == "file") {
            size_t sp2 = rest.find(' ');
            std::string num = rest.substr(0, sp2);
            if (num.empty() || num.size() > 9 ||
                !std::all_of(num.begin(), num.end(), [](char c) { return c >= '0' && c <= '9'; }))
                return fail(i, "file needs a size in bytes before the path");
            if (sp2 == std::string::npos || !devicePath(i, rest.substr(sp2 + 1), path)) {
                if (error.empty()) return fail(i, "file needs a path");
                return false;
            }
            if (!MakeFolders(img, Parent(path)) || !img.WriteFile(path, Filler(std::stoul(num))))
                return fail(i, "cannot write " + rest.substr(sp2 + 1));
        } else if (verb == "text") {
            if (!devicePath(i, rest, path)) return false;
            std::string body;
            while (i + 1 < lines.size() && !lines[i + 1].empty() && lines[i + 1][0] == '|') {
                const std::string& t = lines[++i];
                body += (t.size() >= 2 && t[1] == ' ' ? t.substr(2) : t.substr(1)) + "\r\n";
            }
            if (!MakeFolders(img, Parent(path)) || !img.WriteFile(path, body))
                return fail(i, "cannot write " + rest);
        } else if (verb == "shortcut") {
            size_t arrow = rest.find(" -> ");
            if (arrow == std::string::npos) return fail(i, "shortcut needs \"<path> -> <target>\"");
            if (!devicePath(i, rest.substr(0, arrow), path)) return false;
            if (!MakeFolders(img, Parent(path)) ||
                !img.CreateShortcut(path, text::FromUtf8(rest.substr(arrow + 4))))
                return fail(i, "cannot write the shortcut " + rest.substr(0, arrow));
        } else if (verb == "readonly") {
            if (!devicePath(i, rest, path)) return false;
            uint32_t a;
            if (!img.GetAttributes(path, a) ||
                !img.SetAttributes(path, (a & ~kAttrNormal) | kAttrReadOnly))
                return fail(i, "cannot make " + rest + " read-only");
        } else if (verb == "|") {
            return fail(i, "a text line without a text directive before it");
        } else {
            return fail(i,
                        "unknown directive \"" + verb + "\" (dir, file, text, shortcut, readonly)");
        }
    }
    return true;
}

namespace {

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

bool Fill(const std::string& dir, std::string& error) {
    const auto& assets = SampleAssets();
    std::string toml;
    for (const auto& a : assets)
        if (a.path == "device.toml") toml = std::string(a.bytes);
    {
        std::ofstream out(dir + "/device.toml", std::ios::binary);
        out << toml;
        if (!out.flush()) {
            error = dir + "/device.toml: cannot be written";
            return false;
        }
    }
    std::error_code ec;
    if (!std::filesystem::create_directory(dir + "/fs", ec)) {
        error = dir + "/fs: " + ec.message();
        return false;
    }
    auto img = DeviceImage::Open(dir, error);
    if (!img) return false;
    std::vector<const SampleAsset*> files, regs;
    for (const auto& a : assets) {
        if (a.path.find('/') != std::string_view::npos) continue;
        if (EndsWith(a.path, ".files")) files.push_back(&a);
        if (EndsWith(a.path, ".reg")) regs.push_back(&a);
    }
    auto byName = [](const SampleAsset* x, const SampleAsset* y) { return x->path < y->path; };
    std::sort(files.begin(), files.end(), byName);
    std::sort(regs.begin(), regs.end(), byName);
    for (const auto* a : files)
        if (!ApplySampleFiles(*img, a->bytes, "resources/sample/" + std::string(a->path), error))
            return false;
    for (const auto* a : regs)
        if (!img->ImportRegText(std::string(a->bytes), "resources/sample/" + std::string(a->path),
                                error))
            return false;
    return true;
}

}  // namespace

bool CreateSampleDevice(const std::string& dir, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (dir.empty()) {
        error = "no folder given for the new device image";
        return false;
    }
    bool existed = fs::exists(fs::symlink_status(dir, ec));
    if (existed) {
        if (!fs::is_directory(fs::symlink_status(dir, ec))) {
            error = dir + ": exists and is not a folder";
            return false;
        }
        if (!fs::is_empty(dir, ec) || ec) {
            error =
                dir + ": the folder is not empty; a new device image needs an empty or new folder";
            return false;
        }
    } else if (!fs::create_directories(dir, ec)) {
        error = dir + ": " + ec.message();
        return false;
    }
    if (Fill(dir, error)) return true;
    // Leave nothing half made: the folder was new or empty before.
    for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
    if (!existed) fs::remove(dir, ec);
    return false;
}

}  // namespace tidy::platform
