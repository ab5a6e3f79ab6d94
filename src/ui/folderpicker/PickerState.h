#pragma once
// Per-run state: the Select Folder dialog's tree and result.

namespace tidy::folderpicker {

struct PickerState {};

}  // namespace tidy::folderpicker
