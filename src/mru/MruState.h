#pragma once
// Per-run state: the MRU table and its tick marks.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace tidy::mru {

// Number of applications in the MRU table.
constexpr int kMruRows = 8;

struct MruState {
    // Three parallel string lists, one entry per row once the table is built.
    std::vector<std::u16string> labels;
    std::vector<std::u16string> keyPaths;  // "Software\..." below the row's root
    std::vector<std::u16string> valueNames;

    // Three tables of eight integers.
    std::array<int32_t, kMruRows> firstNumbers{};
    std::array<platform::HKey, kMruRows> roots{};
    std::array<int32_t, kMruRows> flags{};  // 0: not ticked; anything else: ticked
};

}  // namespace tidy::mru
