#include "platform/CodePage.h"

#include <unicode/ucnv.h>

#include <vector>

namespace tidy::platform {

std::unique_ptr<CodePage> CodePage::Open(int number, std::string& error) {
    auto cp = std::unique_ptr<CodePage>(new CodePage());
    cp->number_ = number;
    const std::string names[] = {number == 65001 ? "UTF-8" : "windows-" + std::to_string(number),
                                 "ibm-" + std::to_string(number), "cp" + std::to_string(number)};
    for (const auto& n : names) {
        UErrorCode st = U_ZERO_ERROR;
        UConverter* c = ucnv_open(n.c_str(), &st);
        if (U_SUCCESS(st) && c) {
            cp->conv_ = c;
            UErrorCode st2 = U_ZERO_ERROR;
            ucnv_setSubstChars(c, "?", 1, &st2);
            return cp;
        }
        if (c) ucnv_close(c);
    }
    error = "unknown code page " + std::to_string(number);
    return nullptr;
}

CodePage::~CodePage() {
    if (conv_) ucnv_close(conv_);
}

std::u16string CodePage::ToWide(std::string_view bytes) const {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<UChar> buf(bytes.size() * 2 + 4);
    UErrorCode st = U_ZERO_ERROR;
    ucnv_resetToUnicode(conv_);
    int32_t n = ucnv_toUChars(conv_, buf.data(), static_cast<int32_t>(buf.size()), bytes.data(),
                              static_cast<int32_t>(bytes.size()), &st);
    if (U_FAILURE(st) && st != U_STRING_NOT_TERMINATED_WARNING) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buf.data()), n);
}

std::string CodePage::FromWide(std::u16string_view text) const {
    std::lock_guard<std::mutex> lock(mu_);
    std::string buf(text.size() * 4 + 4, '\0');
    UErrorCode st = U_ZERO_ERROR;
    ucnv_resetFromUnicode(conv_);
    int32_t n = ucnv_fromUChars(conv_, buf.data(), static_cast<int32_t>(buf.size()),
                                reinterpret_cast<const UChar*>(text.data()),
                                static_cast<int32_t>(text.size()), &st);
    if (U_FAILURE(st) && st != U_STRING_NOT_TERMINATED_WARNING) return {};
    buf.resize(n);
    return buf;
}

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size()) return false;
        for (size_t k = 1; k <= n; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

}  // namespace tidy::platform
