// Shortcut files: any bytes (UTF-16 with a byte-order mark, UTF-8 or 8-bit text) are read as
// "<digits>#<target>"; an accepted target keeps no trailing blanks.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzImage.h"
#include "platform/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static tidy::fuzz::FuzzImage img("sleep_scale = 0\n");
    img.WriteFile("\\Windows\\StartUp\\x.lnk",
                  std::string(reinterpret_cast<const char*>(data), size));
    std::u16string target;
    if (!img.image->ReadShortcut(u"\\Windows\\StartUp\\x.lnk", target)) return 0;
    if (!target.empty() && tidy::text::IsSpace(target.back())) {
        std::fprintf(stderr, "the target keeps a trailing blank\n");
        std::abort();
    }
    return 0;
}
