#pragma once
#include <string_view>
#include <vector>

namespace tidy::web {

// A file of resources/web/, compiled into the executable.
struct WebAsset {
    std::string_view path;  // relative to resources/web, forward slashes
    std::string_view bytes;
};

const std::vector<WebAsset>& WebAssets();

}  // namespace tidy::web
