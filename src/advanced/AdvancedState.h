#pragma once
// Per-run state: the Advanced cleaner's tables, strings and selection flags.

namespace tidy::advanced {

struct AdvancedState {};

}  // namespace tidy::advanced
