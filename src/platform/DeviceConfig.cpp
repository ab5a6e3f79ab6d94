#include "platform/DeviceConfig.h"

// toml++ is used header-only here: this is its one user.
#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <cctype>
#include <cstring>
#include <sstream>
#include <string_view>

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

// The TOML library (3.3) runs into undefined behaviour (an "unreachable" branch, a failed
// assumption) on some text that is not TOML: when it asks whether a character from U+00A1 up
// is whitespace, which it does outside strings and comments and after a backslash in a
// multi-line string; on control characters, a table header without a name, a closing bracket
// where a value should be and deep nesting. Such text is refused before it reaches the library
// (none of it is TOML but for a line continuation followed by such a character). Returns the
// line of the first such character (0: none) and the reason.
size_t LineOfUnsafeText(std::string_view t, std::string& reason) {
    enum State { kPlain, kComment, kBasic, kLiteral, kMlBasic, kMlLiteral } st = kPlain;
    size_t line = 1;
    bool lineStart = true;  // only blanks so far on this line, outside strings
    constexpr size_t kMaxDepth = 16;
    std::string open;      // the brackets open, innermost last
    char prev = '\n';      // the last character outside strings that is not a blank
    bool inValue = false;  // after "=": a dot there is a decimal point, not between keys
    auto starts = [&](size_t i, const char* s) { return t.compare(i, std::strlen(s), s) == 0; };
    for (size_t i = 0; i < t.size(); ++i) {
        const auto b = static_cast<unsigned char>(t[i]);
        if (b == '\n') {
            ++line;
            if (st == kComment) st = kPlain;
            lineStart = st == kPlain;
            if (lineStart) prev = '\n';
            if (lineStart && open.empty()) inValue = false;
            continue;
        }
        if ((b < 0x20 && b != '\t' && b != '\r') || b == 0x7F) {
            reason = "a control character is";
            return line;
        }
        switch (st) {
            case kPlain: {
                const bool atLineStart = lineStart;
                if (b >= 0x80) {
                    reason = "a character outside a string or comment is";
                    return line;
                }
                if (b == '[' && lineStart) {
                    // A table header: the library assumes a key follows.
                    size_t j = i + 1;
                    if (j < t.size() && t[j] == '[') ++j;
                    while (j < t.size() && (t[j] == ' ' || t[j] == '\t')) ++j;
                    const char k = j < t.size() ? t[j] : '\n';
                    if (!std::isalnum(static_cast<unsigned char>(k)) && k != '_' && k != '-' &&
                        k != '"' && k != '\'') {
                        reason = "a table header without a name is";
                        return line;
                    }
                }
                if (b != ' ' && b != '\t' && b != '\r') lineStart = false;
                // The library misbehaves on deep nesting (a device file needs two levels) and
                // on a closing bracket where a value should be.
                if (b == '[' || b == '{') {
                    open.push_back(static_cast<char>(b));
                    if (open.size() > kMaxDepth) {
                        reason = "values nested this deeply are";
                        return line;
                    }
                } else if (b == ']' || b == '}') {
                    if (open.empty() || open.back() != (b == ']' ? '[' : '{')) {
                        reason = "a bracket that closes nothing is";
                        return line;
                    }
                    open.pop_back();
                }
                // A quote starts a string only where TOML allows one (a key or a value); within
                // a bare word the library reads on, classifying what follows.
                const bool stringMayStart =
                    std::strchr("=[{,\n", prev) != nullptr || (prev == '.' && !inValue);
                if (b == '=' || b == '{' || b == ',')
                    inValue = b == '=' || (b == ',' && !open.empty() && open.back() == '[');
                if (b == '[') inValue = !atLineStart || prev == '[';
                if (b != ' ' && b != '\t' && b != '\r') prev = static_cast<char>(b);
                if ((b == '"' || b == '\'') && !stringMayStart) break;
                if (b == '#')
                    st = kComment;
                else if (starts(i, "\"\"\""))
                    st = kMlBasic, i += 2;
                else if (starts(i, "'''"))
                    st = kMlLiteral, i += 2;
                else if (b == '"')
                    st = kBasic;
                else if (b == '\'')
                    st = kLiteral;
                break;
            }
            case kComment:
                break;
            case kLiteral:
                if (b == '\'') st = kPlain;
                break;
            case kMlLiteral:
                if (starts(i, "'''")) {
                    while (i + 3 < t.size() && t[i + 3] == '\'') ++i;  // quotes before the end
                    st = kPlain, i += 2;
                }
                break;
            case kBasic:
            case kMlBasic:
                if (b == '\\') {
                    // An escape; in a multi-line string a backslash may also skip blanks and
                    // line ends, and the library classifies the character after them.
                    size_t j = i + 1;
                    if (st == kMlBasic)
                        while (j < t.size() &&
                               (t[j] == ' ' || t[j] == '\t' || t[j] == '\r' || t[j] == '\n')) {
                            if (t[j] == '\n') ++line;
                            ++j;
                        }
                    if (j < t.size() && static_cast<unsigned char>(t[j]) >= 0x80) {
                        reason = "a character after a backslash is";
                        return line;
                    }
                    i = j == i + 1 ? j : j - 1;
                } else if (st == kBasic && b == '"') {
                    st = kPlain;
                } else if (st == kMlBasic && starts(i, "\"\"\"")) {
                    while (i + 3 < t.size() && t[i + 3] == '"') ++i;
                    st = kPlain, i += 2;
                }
                break;
        }
    }
    return 0;
}

}  // namespace

bool ParseDeviceConfig(const std::string& textIn, const std::string& fileName, DeviceConfig& c,
                       std::string& error) {
    std::string unsafe;
    if (size_t line = LineOfUnsafeText(textIn, unsafe)) {
        error = fileName + ":" + std::to_string(line) + ": " + unsafe + " not allowed here";
        return false;
    }
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
