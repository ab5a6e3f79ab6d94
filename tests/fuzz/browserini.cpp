// "opera.ini" and "prefs.js": the input is written as both files of a device image and the
// browser locators read them through the platform. Whatever they find must be a device path.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzImage.h"
#include "app/RunState.h"
#include "catalogue/BrowserLocators.h"

using namespace tidy;

namespace {

void CheckPath(const std::u16string& p, const char* what) {
    if (!p.empty() && p[0] != u'\\') {
        std::fprintf(stderr, "%s is not a device path\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::FuzzImage img("sleep_scale = 0\n");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    img.WriteFile("\\Windows\\Opera\\opera.ini", bytes);
    img.WriteFile("\\Windows\\Mozilla\\minimo\\prefs.js", bytes);

    app::RunState run(*img.image);
    catalogue::LocateOperaFiles(run);
    CheckPath(run.catalogue.locations.operaIni, "the Opera settings file");
    CheckPath(run.catalogue.locations.operaCache, "the Opera cache");
    catalogue::LocateMinimoCache(run);
    CheckPath(run.catalogue.locations.minimoCache, "the Minimo cache");
    return 0;
}
