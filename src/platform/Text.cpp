#include "platform/Text.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace tidy::text {

std::u16string FromUtf8(std::string_view utf8) {
    // Names and registry text are nearly always ASCII: widened directly, without a detour
    // through an ICU string.
    bool ascii = true;
    for (char c : utf8) ascii &= static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::u16string(utf8.begin(), utf8.end());
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    return std::u16string(reinterpret_cast<const char16_t*>(u.getBuffer()), u.length());
}

std::string ToUtf8(std::u16string_view utf16) {
    bool ascii = true;
    for (char16_t c : utf16) ascii &= c < 0x80;
    if (ascii) {
        std::string out(utf16.size(), '\0');
        for (size_t i = 0; i < utf16.size(); ++i) out[i] = static_cast<char>(utf16[i]);
        return out;
    }
    icu::UnicodeString u(false, reinterpret_cast<const UChar*>(utf16.data()),
                         static_cast<int32_t>(utf16.size()));
    std::string out;
    u.toUTF8String(out);
    return out;
}

std::u16string Fold(std::u16string_view s) {
    // Simple (one-to-one) folding keeps lengths, so positions in a folded name match the original.
    std::u16string out(s);
    for (auto& c : out) {
        if (c < 0x80) {
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        } else if (!U16_IS_SURROGATE(c)) {
            c = static_cast<char16_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT));
        }
    }
    return out;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x == y) continue;
        if (x < 0x80 && y < 0x80) {
            if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
            if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
            if (x != y) return false;
            continue;
        }
        if (U16_IS_SURROGATE(x) || U16_IS_SURROGATE(y)) return false;
        if (u_foldCase(x, U_FOLD_CASE_DEFAULT) != u_foldCase(y, U_FOLD_CASE_DEFAULT)) return false;
    }
    return true;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

std::u16string TrimLeft(std::u16string_view s) {
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    return std::u16string(s.substr(i));
}

std::u16string TrimRight(std::u16string_view s) {
    size_t n = s.size();
    while (n > 0 && IsSpace(s[n - 1])) --n;
    return std::u16string(s.substr(0, n));
}

std::u16string Trim(std::u16string_view s) {
    return TrimRight(TrimLeft(s));
}

std::u16string Format(const char* fmt, ...) {
    // Walk the format ourselves so that %s can take UTF-16 strings; every other conversion is
    // handed to vsnprintf one at a time.
    std::u16string out;
    va_list ap;
    va_start(ap, fmt);
    for (const char* p = fmt; *p;) {
        if (*p != '%') {
            const char* q = p;
            while (*q && *q != '%') ++q;
            out += FromUtf8(std::string_view(p, static_cast<size_t>(q - p)));
            p = q;
            continue;
        }
        if (p[1] == '%') {
            out += u'%';
            p += 2;
            continue;
        }
        const char* q = p + 1;
        while (*q && std::string_view("-+ #0123456789.").find(*q) != std::string_view::npos) ++q;
        std::string length;
        while (*q == 'l' || *q == 'h' || *q == 'z') length += *q++;
        char conv = *q ? *q++ : 0;
        std::string spec(p, static_cast<size_t>(q - p));
        char buf[128];
        switch (conv) {
            case 's': {
                const std::u16string* s = va_arg(ap, const std::u16string*);
                out += s ? *s : std::u16string();
                break;
            }
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
                if (length == "ll" || length == "l" || length == "z") {
                    long long v = va_arg(ap, long long);
                    std::snprintf(buf, sizeof buf, spec.c_str(), v);
                } else {
                    int v = va_arg(ap, int);
                    std::snprintf(buf, sizeof buf, spec.c_str(), v);
                }
                out += FromUtf8(buf);
                break;
            case 'f':
            case 'g':
            case 'e': {
                double v = va_arg(ap, double);
                std::snprintf(buf, sizeof buf, spec.c_str(), v);
                out += FromUtf8(buf);
                break;
            }
            case 'c': {
                int v = va_arg(ap, int);
                out += static_cast<char16_t>(v);
                break;
            }
            default:
                out += FromUtf8(spec);
        }
        p = q;
    }
    va_end(ap);
    return out;
}

std::u16string ReplaceAll(std::u16string s, std::u16string_view from, std::u16string_view to) {
    if (from.empty()) return s;
    size_t pos = 0;
    while ((pos = s.find(from, pos)) != std::u16string::npos) {
        s.replace(pos, from.size(), to);
        pos += to.size();
    }
    return s;
}

}  // namespace tidy::text
