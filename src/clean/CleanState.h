#pragma once
// Per-run state of the cleaning engine and the special items.

#include <cstdint>
#include <string>
#include <vector>

namespace tidy::clean {

struct CleanState {
    // Counters of the current clean pass (32-bit, wrapping as the device's do).
    int32_t filesDeleted = 0;
    int32_t bytesDeleted = 0;
    int32_t foldersRemoved = 0;

    std::vector<std::u16string> customPatterns;  // the main window's copy of "files.dat"
    std::vector<std::u16string> matchedFiles;
};

}  // namespace tidy::clean
