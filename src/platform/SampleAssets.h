#pragma once
// The files of resources/sample/, compiled into the executable (see SampleDevice.h).
#include <string_view>
#include <vector>

namespace tidy::platform {

struct SampleAsset {
    std::string_view path;  // relative to resources/sample
    std::string_view bytes;
};

const std::vector<SampleAsset>& SampleAssets();

}  // namespace tidy::platform
