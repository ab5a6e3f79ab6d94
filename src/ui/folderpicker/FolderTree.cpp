#include "ui/folderpicker/FolderTree.h"

#include <algorithm>

#include "app/RunState.h"
#include "platform/Text.h"

namespace tidy::folderpicker {

bool IsHiddenFolder(const std::u16string& path) {
    return path.find(u"\\FilesToBeDeleted\\") != std::u16string::npos ||
           path.rfind(u"\\Temp\\", 0) == 0;
}

namespace {

// Alphabetical as the tree view inserts: ignoring case, then by spelling for a stable order.
bool ComesBefore(const FolderNode& a, const FolderNode& b) {
    const std::u16string fa = text::Fold(a.name), fb = text::Fold(b.name);
    if (fa != fb) return fa < fb;
    return a.name < b.name;
}

}  // namespace

void FillFolderTree(app::RunState& run, const std::u16string& folder, FolderNode& node) {
    // A longer path cannot be named on the device; the bound also ends any cycle.
    if (folder.size() + 3 >= platform::kMaxPath) return;
    platform::FindData fd;
    auto find = run.platform.FindFirst(folder + u"*.*", fd, /*foldersOnly=*/true);
    if (!find) return;
    std::vector<FolderNode> children;
    do {
        if (!(fd.attributes & platform::kAttrDirectory) || fd.name.empty()) continue;
        if (IsHiddenFolder(folder + fd.name + u"\\")) continue;
        children.push_back(FolderNode{fd.name, {}});
    } while (find->Next(fd));
    find.reset();  // one enumeration open at a time, however deep the tree
    std::sort(children.begin(), children.end(), ComesBefore);
    for (auto& child : children) FillFolderTree(run, folder + child.name + u"\\", child);
    node.children = std::move(children);
}

std::u16string FolderPathOf(const std::vector<std::u16string>& textsFromRoot) {
    std::u16string path;
    for (const auto& t : textsFromRoot) path += t + u"\\";
    const size_t first = path.find(u'\\');
    return first == std::u16string::npos ? u"\\" : path.substr(first);
}

}  // namespace tidy::folderpicker
