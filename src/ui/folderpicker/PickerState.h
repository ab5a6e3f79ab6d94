#pragma once
// Per-run state: the Select Folder dialog's tree and result. The dialog reads the device afresh
// at every opening; this holds only what the open dialog shows.

#include <string>
#include <vector>

namespace tidy::folderpicker {

// One item of the folder tree: a folder's own name ("My Device" for the root) and its
// subfolders in display order.
struct FolderNode {
    std::u16string name;
    std::vector<FolderNode> children;
};

struct PickerState {
    FolderNode root;
    // Folder path the open dialog started with and the one it gives back.
    std::u16string folder;
};

}  // namespace tidy::folderpicker
