#pragma once
// The files of resources/ui/ (dialog templates, menus, strings), compiled into the executable
// by cmake/Resources.cmake. Resources::Embedded() parses them.
#include <string_view>
#include <vector>

namespace tidy::ui {

struct UiResourceFile {
    std::string_view path;  // relative to resources/ui, forward slashes
    std::string_view bytes;
};

const std::vector<UiResourceFile>& UiResourceFiles();

}  // namespace tidy::ui
