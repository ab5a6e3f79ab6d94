#pragma once
// Per-run state: the Custom Files dialog's working list.

namespace tidy::customfiles {

struct CustomFilesState {};

}  // namespace tidy::customfiles
