#pragma once
// Text helpers shared by every module: UTF-8/UTF-16 conversion, case-insensitive comparison
// (as the device compares names), trimming and printf-style formatting into UTF-16.

#include <string>
#include <string_view>

namespace tidy::text {

std::u16string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::u16string_view utf16);

// Case folding as the device compares file, key and value names.
std::u16string Fold(std::u16string_view s);
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

// White space as the device's trimming sees it: space, tab, CR, LF, VT, FF.
bool IsSpace(char16_t c);
std::u16string TrimLeft(std::u16string_view s);
std::u16string TrimRight(std::u16string_view s);
std::u16string Trim(std::u16string_view s);

// printf-style formatting into UTF-16. %s takes a pointer to a std::u16string (const
// std::u16string*); every other conversion is as printf ("%d", "%0.1lf", ...).
std::u16string Format(const char* fmt, ...);

// Replaces every occurrence of from by to.
std::u16string ReplaceAll(std::u16string s, std::u16string_view from, std::u16string_view to);

// "u" literals read naturally in the code; this turns a narrow literal into UTF-16 at run time.
inline std::u16string U(std::string_view ascii) {
    return FromUtf8(ascii);
}

}  // namespace tidy::text
