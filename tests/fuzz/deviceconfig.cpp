// device.toml: any text is parsed; a refusal must say why, an accepted file must give sane
// screen and code-page numbers, and the paths it names normalise without fault.

#include "platform/DeviceConfig.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tidy::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    DeviceConfig config;
    std::string error;
    if (!ParseDeviceConfig(text, "device.toml", config, error)) {
        if (error.empty()) {
            std::fprintf(stderr, "a refused device.toml gave no reason\n");
            std::abort();
        }
        return 0;
    }
    for (const std::u16string* p : {&config.program, &config.programs, &config.startup,
                                    &config.startMenu, &config.appData, &config.windows})
        (void)NormalisedKey(*p);
    for (const auto& card : config.storageCards) (void)NormalisedKey(card);
    return 0;
}
