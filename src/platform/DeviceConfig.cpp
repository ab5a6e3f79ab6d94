#include "platform/DeviceConfig.h"

// toml++ is used header-only here: this is its one user.
#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <sstream>

#include "platform/Platform.h"
#include "platform/Text.h"

namespace tidy::platform {

std::u16string NormalisedKey(std::u16string_view p) {
    std::u16string out;
    for (char16_t c : p) {
        if (c == u'/') c = u'\\';
        if (c == u'\\' && !out.empty() && out.back() == u'\\') continue;
        out += c;
    }
    while (out.size() > 1 && out.back() == u'\\') out.pop_back();
    return text::Fold(out);
}

namespace {

struct Reader {
    const std::string& file;
    std::string& error;
    bool ok = true;

    bool Fail(const toml::node* n, const std::string& why) {
        if (!ok) return false;
        ok = false;
        std::ostringstream s;
        s << file;
        if (n && n->source().begin.line) s << ":" << n->source().begin.line;
        s << ": " << why;
        error = s.str();
        return false;
    }
    bool Int(const toml::node& n, const std::string& key, int64_t lo, int64_t hi, int64_t& v) {
        auto i = n.value<int64_t>();
        if (!i || n.type() != toml::node_type::integer)
            return Fail(&n, "\"" + key + "\" must be an integer");
        if (*i < lo || *i > hi)
            return Fail(&n, "\"" + key + "\" is out of range (" + std::to_string(lo) + " to " +
                                std::to_string(hi) + ")");
        v = *i;
        return true;
    }
    bool Str(const toml::node& n, const std::string& key, std::u16string& v) {
        if (n.type() != toml::node_type::string)
            return Fail(&n, "\"" + key + "\" must be a string");
        v = text::FromUtf8(*n.value<std::string>());
        return true;
    }
    bool DevicePathValue(const toml::node& n, const std::string& key, std::u16string& v,
                         bool allowEmpty) {
        if (!Str(n, key, v)) return false;
        if (v.empty() && allowEmpty) return true;
        if (v.empty() || v[0] != u'\\')
            return Fail(&n, "\"" + key + "\" must be an absolute device path (\\...)");
        while (v.size() > 1 && v.back() == u'\\') v.pop_back();
        return true;
    }
    bool StrList(const toml::node& n, const std::string& key, std::vector<std::u16string>& v) {
        auto* a = n.as_array();
        if (!a) return Fail(&n, "\"" + key + "\" must be an array of strings");
        v.clear();
        for (auto& e : *a) {
            std::u16string s;
            if (!Str(e, key, s)) return false;
            v.push_back(s);
        }
        return true;
    }
    bool Table(const toml::node& n, const std::string& key, const toml::table*& t) {
        t = n.as_table();
        if (!t) return Fail(&n, "\"" + key + "\" must be a table");
        return true;
    }
    bool Unknown(const toml::node& n, const std::string& key) {
        return Fail(&n, "unknown key \"" + key + "\"");
    }
};

}  // namespace

bool ParseDeviceConfig(const std::string& textIn, const std::string& fileName, DeviceConfig& c,
                       std::string& error) {
    toml::parse_result res = toml::parse(std::string_view(textIn), fileName);
    if (!res) {
        const auto& e = res.error();
        std::ostringstream s;
        s << fileName << ":" << e.source().begin.line << ": " << e.description();
        error = s.str();
        return false;
    }
    const toml::table& root = res.table();
    Reader r{fileName, error};
    int64_t v = 0;
    for (auto&& [k, node] : root) {
        std::string key(k.str());
        if (key == "program") {
            r.DevicePathValue(node, key, c.program, false);
        } else if (key == "code_page") {
            if (r.Int(node, key, 1, 65535, v)) c.codePage = static_cast<int>(v);
        } else if (key == "sleep_scale") {
            auto d = node.value<double>();
            if (!d || *d < 0 || *d > 1000)
                r.Fail(&node, "\"sleep_scale\" must be a number from 0 to 1000");
            else
                c.sleepScale = *d;
        } else if (key == "storage_cards") {
            if (r.StrList(node, key, c.storageCards)) {
                for (auto& s : c.storageCards)
                    if (s.empty() || s.find_first_of(u"\\/") != std::u16string::npos || s == u"." ||
                        s == u"..")
                        r.Fail(&node,
                               "\"storage_cards\" holds folder names of the root, not paths");
            }
        } else if (key == "version") {
            const toml::table* t;
            if (!r.Table(node, key, t)) break;
            for (auto&& [k2, n2] : *t) {
                std::string key2(k2.str());
                if (key2 == "major") {
                    if (r.Int(n2, key2, 0, 0xFFFFFFFFll, v)) c.major = static_cast<uint32_t>(v);
                } else if (key2 == "minor") {
                    if (r.Int(n2, key2, 0, 0xFFFFFFFFll, v)) c.minor = static_cast<uint32_t>(v);
                } else if (key2 == "build") {
                    if (r.Int(n2, key2, 0, 0xFFFFFFFFll, v)) c.build = static_cast<uint32_t>(v);
                } else if (key2 == "readable") {
                    if (n2.type() != toml::node_type::boolean)
                        r.Fail(&n2, "\"readable\" must be true or false");
                    else
                        c.versionReadable = *n2.value<bool>();
                } else {
                    r.Unknown(n2, "version." + key2);
                }
            }
        } else if (key == "screen") {
            const toml::table* t;
            if (!r.Table(node, key, t)) break;
            for (auto&& [k2, n2] : *t) {
                std::string key2(k2.str());
                int* dst = key2 == "width"          ? &c.width
                           : key2 == "height"       ? &c.height
                           : key2 == "caption"      ? &c.caption
                           : key2 == "border"       ? &c.border
                           : key2 == "dialog_frame" ? &c.dialogFrame
                           : key2 == "menu"         ? &c.menu
                                                    : nullptr;
                if (!dst)
                    r.Unknown(n2, "screen." + key2);
                else if (r.Int(n2, key2, 0, 10000, v))
                    *dst = static_cast<int>(v);
            }
        } else if (key == "folders") {
            const toml::table* t;
            if (!r.Table(node, key, t)) break;
            for (auto&& [k2, n2] : *t) {
                std::string key2(k2.str());
                std::u16string* dst = key2 == "programs"     ? &c.programs
                                      : key2 == "startup"    ? &c.startup
                                      : key2 == "start_menu" ? &c.startMenu
                                      : key2 == "app_data"   ? &c.appData
                                      : key2 == "windows"    ? &c.windows
                                                             : nullptr;
                if (!dst)
                    r.Unknown(n2, "folders." + key2);
                else
                    r.DevicePathValue(n2, key2, *dst, true);
            }
        } else if (key == "faults") {
            const toml::table* t;
            if (!r.Table(node, key, t)) break;
            for (auto&& [k2, n2] : *t) {
                std::string key2(k2.str());
                if (key2 == "in_use") {
                    std::vector<std::u16string> list;
                    if (r.StrList(n2, key2, list))
                        for (auto& p : list) c.inUse.push_back(NormalisedKey(p));
                } else {
                    r.Unknown(n2, "faults." + key2);
                }
            }
        } else if (key == "attributes") {
            const toml::table* t;
            if (!r.Table(node, key, t)) break;
            for (auto&& [k2, n2] : *t) {
                std::string path(k2.str());
                std::vector<std::u16string> names;
                if (!r.StrList(n2, path, names)) break;
                uint32_t bits = 0;
                for (auto& n : names) {
                    if (n == u"hidden")
                        bits |= kAttrHidden;
                    else if (n == u"system")
                        bits |= kAttrSystem;
                    else if (n == u"archive")
                        bits |= kAttrArchive;
                    else
                        r.Fail(&n2, "unknown attribute \"" + text::ToUtf8(n) +
                                        "\" (hidden, system or archive)");
                }
                c.attributes[NormalisedKey(text::FromUtf8(path))] = bits;
            }
        } else {
            r.Unknown(node, key);
        }
        if (!r.ok) return false;
    }
    return r.ok;
}

}  // namespace tidy::platform
