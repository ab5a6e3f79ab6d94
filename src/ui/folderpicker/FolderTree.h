#pragma once
// The device's folder tree as the Select Folder dialog shows it, and the paths of its items.

#include <string>
#include <vector>

#include "ui/folderpicker/PickerState.h"

namespace tidy::app {
struct RunState;
}

namespace tidy::folderpicker {

inline constexpr char16_t kRootItemText[] = u"My Device";

// Folders never offered: the root Temp folder and anything waiting for deletion.
bool IsHiddenFolder(const std::u16string& path);

// Fills node with every folder below folder (a path ending in a backslash), depth first, one
// enumeration per folder; siblings in alphabetical order.
void FillFolderTree(app::RunState& run, const std::u16string& folder, FolderNode& node);

// The folder path of an item from the texts on its way down from the root item: "\" for the
// root, "\Program Files\Games\" for My Device > Program Files > Games.
std::u16string FolderPathOf(const std::vector<std::u16string>& textsFromRoot);

}  // namespace tidy::folderpicker
