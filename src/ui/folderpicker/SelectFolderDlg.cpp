#include "ui/folderpicker/SelectFolderDlg.h"

#include <vector>

#include "app/RunState.h"
#include "platform/Text.h"
#include "ui/folderpicker/FolderTree.h"
#include "ui/framework/UiThread.h"

namespace tidy::folderpicker {

CSelectFolderDlg::CSelectFolderDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent)
    : ui::CDialog(ui, IDD_SELECT_FOLDER, parent), run_(run) {}

void CSelectFolderDlg::DoDataExchange(ui::CDataExchange* dx) {
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_FOLDER_TREE, tree_);
}

bool CSelectFolderDlg::OnInitDialog() {
    ui::CDialog::OnInitDialog();
    MenuBar().InsertButton(0, u"OK", ui::IDOK);
    MenuBar().InsertButton(1, u"Cancel", ui::IDCANCEL);

    const ui::HTREEITEM root = tree_.InsertItem(kRootItemText, ui::TVI_ROOT, ui::TVI_LAST);
    const ui::Rect client = GetClientRect();
    tree_.MoveWindow(0, 0, client.Width(), client.Height());

    // The whole tree is read now; expanding an item later reads nothing.
    Ui().BeginWaitCursor();
    match_ = 0;
    run_.picker.folder = folder;
    run_.picker.root = FolderNode{kRootItemText, {}};
    FillFolderTree(run_, u"\\", run_.picker.root);
    InsertFolders(run_.picker.root, u"\\", root);
    run_.picker.root = FolderNode{};
    tree_.Expand(root, ui::TVE_EXPAND);
    if (match_ != 0) {
        tree_.SelectItem(match_);
        tree_.EnsureVisible(match_);
        tree_.SelectSetFirstVisible(match_);
    }
    HideTitleOkButton();
    Ui().EndWaitCursor();
    return true;
}

void CSelectFolderDlg::InsertFolders(const FolderNode& node, const std::u16string& path,
                                     ui::HTREEITEM parent) {
    // Children come in display order already.
    for (const auto& child : node.children) {
        const ui::HTREEITEM item = tree_.InsertItem(child.name, parent, ui::TVI_LAST);
        if (item == 0) continue;
        const std::u16string childPath = path + child.name + u"\\";
        if (text::EqualsIgnoreCase(childPath, folder)) match_ = item;
        InsertFolders(child, childPath, item);
    }
}

void CSelectFolderDlg::OnOK() {
    const ui::HTREEITEM selected = tree_.GetSelectedItem();
    if (selected != 0) {
        std::vector<std::u16string> texts;
        for (ui::HTREEITEM item = selected; item != 0; item = tree_.GetParentItem(item))
            texts.insert(texts.begin(), tree_.GetItemText(item));
        folder = FolderPathOf(texts);
    }
    // Without a selection the initial folder is given back unchanged.
    EndDialog(ui::IDOK);
}

bool CSelectFolderDlg::OnNotify(int ctrlId, ui::NMHDR& nm, ui::LRESULT& result) {
    if (ctrlId == IDC_FOLDER_TREE && nm.code == ui::NM_RETURN) {
        const ui::HTREEITEM selected = tree_.GetSelectedItem();
        if (selected != 0) tree_.Expand(selected, ui::TVE_TOGGLE);
        result = 0;
        return true;
    }
    return ui::CDialog::OnNotify(ctrlId, nm, result);
}

void CSelectFolderDlg::OnSize(int type, int cx, int cy) {
    ui::CDialog::OnSize(type, cx, cy);
    if (tree_.IsWindow()) tree_.MoveWindow(0, 0, cx, cy);
}

std::u16string BrowseForFolder(app::RunState& run, const std::u16string& initial,
                               ui::Window* parent) {
    ui::UiThread* ui = ui::AsUiThread(run.ui);
    if (ui == nullptr) return std::u16string();
    CSelectFolderDlg dlg(run, *ui, parent);
    dlg.folder = initial;
    if (dlg.DoModal() != ui::IDOK) return std::u16string();
    return dlg.folder;
}

}  // namespace tidy::folderpicker
