#include "platform/RegFile.h"

#include <algorithm>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/Platform.h"
#include "platform/Text.h"

namespace tidy::platform {

const char* const kRegRootNames[kRegRoots] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                              "HKEY_LOCAL_MACHINE"};

RegNode* RegNode::Child(std::u16string_view f) const {
    for (const auto& c : subkeys)
        if (c->folded == f) return c.get();
    return nullptr;
}

namespace {
constexpr size_t kIndexFrom = 256;  // values a key holds before their names are indexed
}

RegValue* RegNode::Value(std::u16string_view f) {
    if (!valueIndex && values.size() >= kIndexFrom) {
        valueIndex = std::make_unique<std::unordered_map<std::u16string, size_t>>();
        // Backwards, so that of two names folding alike the first one is kept, as the scan
        // below would find it.
        for (size_t i = values.size(); i-- > 0;) (*valueIndex)[text::Fold(values[i].name)] = i;
    }
    if (valueIndex) {
        auto it = valueIndex->find(std::u16string(f));
        return it == valueIndex->end() ? nullptr : &values[it->second];
    }
    for (auto& v : values)
        if (text::EqualsIgnoreCase(v.name, f)) return &v;  // no folded copy per value
    return nullptr;
}

void RegNode::AddValue(RegValue value) {
    if (valueIndex) valueIndex->emplace(text::Fold(value.name), values.size());
    values.push_back(std::move(value));
}

void RegNode::EraseValue(std::u16string_view f) {
    values.erase(
        std::remove_if(values.begin(), values.end(),
                       [&](const RegValue& x) { return text::EqualsIgnoreCase(x.name, f); }),
        values.end());
    valueIndex.reset();  // positions moved; built again when needed
}

std::unique_ptr<RegNode> RegNode::Clone() const {
    auto n = std::make_unique<RegNode>();
    n->name = name;
    n->folded = folded;
    n->values = values;
    for (const auto& c : subkeys) n->subkeys.push_back(c->Clone());
    return n;
}

RegTree::RegTree() {
    for (int i = 0; i < kRegRoots; ++i) {
        roots_[i] = std::make_unique<RegNode>();
        roots_[i]->name = text::FromUtf8(kRegRootNames[i]);
        roots_[i]->folded = text::Fold(roots_[i]->name);
    }
}

RegNode* RegTree::Find(int root, const std::vector<std::u16string>& path) const {
    RegNode* n = roots_[root].get();
    for (const auto& p : path) {
        n = n->Child(text::Fold(p));
        if (!n) return nullptr;
    }
    return n;
}

RegNode* RegTree::Create(int root, const std::vector<std::u16string>& path) {
    // The same spelling finds the same key; another spelling goes the long way.
    if (last_.node && last_.root == root && last_.path == path) return last_.node;
    RegNode* n = roots_[root].get();
    for (const auto& p : path) {
        std::u16string f = text::Fold(p);
        RegNode* c = n->Child(f);
        if (!c) {
            auto k = std::make_unique<RegNode>();
            k->name = p;
            k->folded = f;
            c = k.get();
            n->subkeys.push_back(std::move(k));
        }
        n = c;
    }
    last_.root = root;
    last_.path = path;
    last_.node = n;
    return n;
}

void RegTree::Apply(const RegOp& op) {
    RegOp copy = op;
    Apply(std::move(copy));
}

void RegTree::Apply(RegOp&& op) {
    switch (op.kind) {
        case RegOp::kCreateKey:
            Create(op.root, op.path);
            break;
        case RegOp::kDeleteKey: {
            if (op.path.empty()) break;  // a root cannot be deleted
            last_ = LastKey{};
            std::vector<std::u16string> parentPath(op.path.begin(), op.path.end() - 1);
            RegNode* parent = Find(op.root, parentPath);
            if (!parent) break;
            std::u16string f = text::Fold(op.path.back());
            auto& v = parent->subkeys;
            v.erase(std::remove_if(v.begin(), v.end(), [&](auto& c) { return c->folded == f; }),
                    v.end());
            break;
        }
        case RegOp::kSetValue: {
            RegNode* n = Create(op.root, op.path);
            if (RegValue* v = n->Value(text::Fold(op.value.name))) {
                v->type = op.value.type;  // the stored spelling of the name stays
                v->data = std::move(op.value.data);
            } else {
                n->AddValue(std::move(op.value));
            }
            break;
        }
        case RegOp::kDeleteValue: {
            RegNode* n = Find(op.root, op.path);
            if (!n) break;
            n->EraseValue(text::Fold(op.value.name));
            break;
        }
    }
}

std::vector<std::u16string> SplitKeyPath(std::u16string_view path) {
    std::vector<std::u16string> out;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find(u'\\', i);
        if (j == std::u16string_view::npos) j = path.size();
        if (j > i) out.emplace_back(path.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Reading.

namespace {

struct Line {
    std::u16string text;
    int number;
};

std::vector<Line> DecodeLines(const std::string& bytes, const CodePage& cp) {
    std::vector<Line> lines;
    auto push = [&](std::u16string t) {
        if (!t.empty() && t.back() == u'\r') t.pop_back();
        lines.push_back({std::move(t), static_cast<int>(lines.size()) + 1});
    };
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string all;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            all += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8));
        size_t s = 0;
        while (s <= all.size()) {
            size_t e = all.find(u'\n', s);
            if (e == std::u16string::npos) e = all.size();
            push(all.substr(s, e - s));
            s = e + 1;
        }
        return lines;
    }
    std::string_view v(bytes);
    if (v.size() >= 3 && v.substr(0, 3) == "\xEF\xBB\xBF") v.remove_prefix(3);
    size_t s = 0;
    while (s <= v.size()) {
        size_t e = v.find('\n', s);
        if (e == std::string_view::npos) e = v.size();
        std::string_view l = v.substr(s, e - s);
        push(IsValidUtf8(l) ? text::FromUtf8(l) : cp.ToWide(l));
        s = e + 1;
    }
    return lines;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads a quoted string starting at s[i] == '"'; i ends after the closing quote.
bool ReadQuoted(const std::u16string& s, size_t& i, std::u16string& out) {
    out.clear();
    ++i;
    while (i < s.size()) {
        char16_t c = s[i++];
        if (c == u'"') return true;
        if (c == u'\\' && i < s.size() && (s[i] == u'\\' || s[i] == u'"')) {
            out += s[i++];
            continue;
        }
        out += c;
    }
    return false;
}

std::vector<uint8_t> Utf16Bytes(std::u16string_view s, bool terminator) {
    std::vector<uint8_t> out;
    out.reserve(s.size() * 2 + 2);
    for (char16_t c : s) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (terminator) out.insert(out.end(), {0, 0});
    return out;
}

}  // namespace

bool ParseRegFile(const std::string& bytes, const std::string& fileName, const CodePage& cp,
                  std::vector<RegOp>& ops, std::string& error, std::vector<std::string>* skipped) {
    std::vector<Line> lines = DecodeLines(bytes, cp);
    auto fail = [&](int line, const std::string& why) {
        error = fileName + ":" + std::to_string(line) + ": " + why;
        return false;
    };
    size_t li = 0;
    while (li < lines.size() && text::Trim(lines[li].text).empty()) ++li;
    if (li == lines.size()) return fail(1, "empty file, not a registry export");
    bool v4;
    std::u16string head = text::Trim(lines[li].text);
    if (head == u"Windows Registry Editor Version 5.00")
        v4 = false;
    else if (head == u"REGEDIT4")
        v4 = true;
    else
        return fail(lines[li].number,
                    "not a registry export (expected \"Windows Registry Editor Version 5.00\" or "
                    "\"REGEDIT4\")");
    ++li;

    bool haveKey = false, skipping = false;
    int root = 0;
    std::vector<std::u16string> path;
    for (; li < lines.size(); ++li) {
        const int number = lines[li].number;
        std::u16string s = text::Trim(lines[li].text);
        if (s.empty() || s[0] == u';') continue;
        if (s[0] == u'[') {
            if (s.back() != u']') return fail(number, "key line without closing ']'");
            std::u16string k = s.substr(1, s.size() - 2);
            bool del = !k.empty() && k[0] == u'-';
            if (del) k.erase(0, 1);
            std::vector<std::u16string> names = SplitKeyPath(k);
            if (names.empty()) return fail(number, "key line without a key name");
            std::u16string r = text::Fold(names[0]);
            names.erase(names.begin());
            if (r == u"hkey_classes_root" || r == u"hkcr")
                root = 0;
            else if (r == u"hkey_current_user" || r == u"hkcu")
                root = 1;
            else if (r == u"hkey_local_machine" || r == u"hklm")
                root = 2;
            else if (r.rfind(u"hkey_", 0) == 0)
                root = -1;
            else
                return fail(number, "unknown root key \"" + text::ToUtf8(k) + "\"");
            haveKey = true;
            skipping = root < 0;
            if (skipping) {
                if (skipped) {
                    std::string name = text::ToUtf8(k);
                    name = name.substr(0, name.find('\\'));
                    if (std::find(skipped->begin(), skipped->end(), name) == skipped->end())
                        skipped->push_back(name);
                }
                continue;
            }
            path = names;
            RegOp op;
            op.kind = del ? RegOp::kDeleteKey : RegOp::kCreateKey;
            op.root = root;
            op.path = path;
            ops.push_back(std::move(op));
            // Values after a deleted key have no key to go to.
            if (del) skipping = true;
            continue;
        }
        if (s[0] != u'@' && s[0] != u'"') return fail(number, "unexpected text");
        if (!haveKey) return fail(number, "value before the first key line");
        RegOp op;
        op.root = root;
        op.path = path;
        size_t i = 0;
        if (s[0] == u'@') {
            i = 1;
        } else if (!ReadQuoted(s, i, op.value.name)) {
            return fail(number, "value name without closing quote");
        }
        while (i < s.size() && text::IsSpace(s[i])) ++i;
        if (i >= s.size() || s[i] != u'=') return fail(number, "expected '=' after the value name");
        ++i;
        while (i < s.size() && text::IsSpace(s[i])) ++i;
        std::u16string data = s.substr(i);
        std::u16string lower = text::Fold(data.substr(0, std::min<size_t>(data.size(), 12)));
        if (data == u"-") {
            op.kind = RegOp::kDeleteValue;
        } else if (!data.empty() && data[0] == u'"') {
            // The string runs to the last quote of the line: real exports hold bare quotes
            // inside strings (@="\\Windows\\wceload.exe "%1"").
            if (data.size() < 2 || data.back() != u'"')
                return fail(number, "string without closing quote");
            std::u16string str;
            for (size_t j = 1; j + 1 < data.size(); ++j) {
                if (data[j] == u'\\' && j + 2 < data.size() &&
                    (data[j + 1] == u'\\' || data[j + 1] == u'"'))
                    ++j;
                str += data[j];
            }
            op.kind = RegOp::kSetValue;
            op.value.type = REG_SZ;
            op.value.data = Utf16Bytes(str, true);
        } else if (lower.rfind(u"dword:", 0) == 0) {
            std::u16string h = text::Trim(data.substr(6));
            if (h.empty() || h.size() > 8) return fail(number, "dword needs 1 to 8 hex digits");
            uint32_t v = 0;
            for (char16_t c : h) {
                int d = HexDigit(c);
                if (d < 0) return fail(number, "bad hex digit in dword");
                v = (v << 4) | static_cast<uint32_t>(d);
            }
            op.kind = RegOp::kSetValue;
            op.value.type = REG_DWORD;
            op.value.data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                             static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
        } else if (lower.rfind(u"hex", 0) == 0) {
            size_t j = 3;
            uint32_t type = REG_BINARY;
            if (j < data.size() && data[j] == u'(') {
                size_t close = data.find(u')', j);
                if (close == std::u16string::npos || close == j + 1 || close - j - 1 > 8)
                    return fail(number, "bad hex(N) type");
                type = 0;
                for (size_t k = j + 1; k < close; ++k) {
                    int d = HexDigit(data[k]);
                    if (d < 0) return fail(number, "bad hex(N) type");
                    type = (type << 4) | static_cast<uint32_t>(d);
                }
                j = close + 1;
            }
            if (j >= data.size() || data[j] != u':') return fail(number, "expected ':' after hex");
            std::u16string body = data.substr(j + 1);
            // Continuation lines: a trailing backslash joins the next line.
            while (!body.empty() && body.back() == u'\\') {
                body.pop_back();
                if (li + 1 >= lines.size()) return fail(number, "continuation at end of file");
                body += text::Trim(lines[++li].text);
            }
            std::vector<uint8_t> bytesOut;
            size_t k = 0;
            while (k < body.size()) {
                while (k < body.size() && text::IsSpace(body[k])) ++k;
                if (k >= body.size()) break;
                int a = HexDigit(body[k]);
                if (a < 0) return fail(lines[li].number, "bad hex byte");
                int v = a;
                ++k;
                if (k < body.size() && HexDigit(body[k]) >= 0) v = v * 16 + HexDigit(body[k++]);
                bytesOut.push_back(static_cast<uint8_t>(v));
                while (k < body.size() && text::IsSpace(body[k])) ++k;
                if (k < body.size()) {
                    if (body[k] != u',')
                        return fail(lines[li].number, "expected ',' between hex bytes");
                    ++k;
                }
            }
            if (v4 && (type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
                std::string narrow(bytesOut.begin(), bytesOut.end());
                bytesOut = Utf16Bytes(cp.ToWide(narrow), false);
            }
            op.kind = RegOp::kSetValue;
            op.value.type = type;
            op.value.data = std::move(bytesOut);
        } else {
            return fail(number, "unknown value data (expected \"text\", dword:, hex: or -)");
        }
        if (!skipping) ops.push_back(std::move(op));
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Writing.

namespace {

std::string Escape(std::u16string_view s) {
    std::u16string out;
    for (char16_t c : s) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    return text::ToUtf8(out);
}

// The string a REG_SZ holds when it can be written as "text" and read back byte for byte.
bool AsPlainString(const std::vector<uint8_t>& d, std::u16string& out) {
    if (d.size() < 2 || d.size() % 2 || d[d.size() - 1] || d[d.size() - 2]) return false;
    out.clear();
    for (size_t i = 0; i + 2 < d.size(); i += 2) {
        char16_t c = static_cast<char16_t>(d[i] | (d[i + 1] << 8));
        if (c == 0 || c == u'\r' || c == u'\n') return false;
        out += c;
    }
    // Lone surrogates do not survive UTF-8.
    for (size_t i = 0; i < out.size(); ++i) {
        char16_t c = out[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= out.size() || out[i + 1] < 0xDC00 || out[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

void WriteHex(std::string& out, size_t prefixLen, const std::vector<uint8_t>& d) {
    static constexpr char kHex[] = "0123456789abcdef";
    size_t col = prefixLen;
    for (size_t i = 0; i < d.size(); ++i) {
        out += kHex[d[i] >> 4];
        out += kHex[d[i] & 15];
        col += 2;
        if (i + 1 < d.size()) {
            out += ',';
            ++col;
            if (col > 76) {
                out += "\\\n  ";
                col = 2;
            }
        }
    }
    out += '\n';
}

void WriteKey(std::string& out, const RegNode& n, const std::string& path, bool isRoot) {
    if (!isRoot || !n.values.empty()) {
        out += '[';
        out += path;
        out += "]\n";
        for (const auto& v : n.values) {
            // Written straight into out: a registry of many values makes no string per line.
            const size_t lineStart = out.size();
            if (v.name.empty()) {
                out += "@=";
            } else {
                out += '"';
                out += Escape(v.name);
                out += "\"=";
            }
            std::u16string s;
            if (v.type == REG_SZ && AsPlainString(v.data, s)) {
                out += '"';
                out += Escape(s);
                out += "\"\n";
            } else if (v.type == REG_DWORD && v.data.size() == 4) {
                char buf[16];
                uint32_t x = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) |
                             (static_cast<uint32_t>(v.data[3]) << 24);
                std::snprintf(buf, sizeof buf, "dword:%08x\n", x);
                out += buf;
            } else {
                if (v.type == REG_BINARY) {
                    out += "hex:";
                } else {
                    char buf[24];
                    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
                    out += buf;
                }
                WriteHex(out, out.size() - lineStart, v.data);
            }
        }
        out += "\n";
    }
    for (const auto& c : n.subkeys) WriteKey(out, *c, path + "\\" + text::ToUtf8(c->name), false);
}

}  // namespace

std::string WriteRegFile(const RegTree& tree) {
    std::string out = "Windows Registry Editor Version 5.00\n\n";
    for (int r = 0; r < kRegRoots; ++r) WriteKey(out, tree.Root(r), kRegRootNames[r], true);
    return out;
}

}  // namespace tidy::platform
