#pragma once
// A single-byte (or multi-byte) ANSI code page of the device, converted through ICU.

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

struct UConverter;

namespace tidy::platform {

class CodePage {
  public:
    // 1252 -> "windows-1252" (or "ibm-1252", "cp1252"); 65001 is UTF-8.
    static std::unique_ptr<CodePage> Open(int codePage, std::string& error);
    ~CodePage();
    std::u16string ToWide(std::string_view bytes) const;
    std::string FromWide(std::u16string_view text) const;  // unmappable characters become '?'
    int Number() const { return number_; }

  private:
    CodePage() = default;
    int number_ = 0;
    UConverter* conv_ = nullptr;
    mutable std::mutex mu_;  // an ICU converter is not thread-safe
};

// True when bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

}  // namespace tidy::platform
