#pragma once
// Per-run state: the Options dialog's working values.

namespace tidy::settings {

struct OptionsState {};

}  // namespace tidy::settings
