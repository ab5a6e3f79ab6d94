#pragma once
// Per-run state: the MRU table and its tick marks.

namespace tidy::mru {

struct MruState {};

}  // namespace tidy::mru
