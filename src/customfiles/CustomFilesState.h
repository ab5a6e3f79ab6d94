#pragma once
// Per-run state: the Custom Files dialog's working list. It holds entries only for a moment:
// while the list view is filled at opening and while the rows are saved.

#include <string>
#include <vector>

namespace tidy::customfiles {

struct CustomFilesState {
    std::vector<std::u16string> list;  // custom file entries (CustomFileList.h)
};

}  // namespace tidy::customfiles
