#pragma once
// The Select Folder dialog: every folder of the device as a tree under "My Device"; the folder
// picked is given back. It is the only way the program lets a person enter a folder.

#include <string>

#include "ui/folderpicker/PickerState.h"
#include "ui/framework/Dialog.h"

namespace tidy::app {
struct RunState;
}
namespace tidy::ui {
class UiThread;
}

namespace tidy::folderpicker {

constexpr int IDD_SELECT_FOLDER = 140;
constexpr int IDC_FOLDER_TREE = 1020;

class CSelectFolderDlg : public ui::CDialog {
  public:
    CSelectFolderDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent = nullptr);

    // In: the folder to select at opening. Out: the folder chosen (after OK). Folder paths
    // start and end with a backslash; the device root is "\".
    std::u16string folder;

    ui::CTreeCtrl& Tree() { return tree_; }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::CDataExchange* dx) override;
    void OnOK() override;
    bool OnNotify(int ctrlId, ui::NMHDR& nm, ui::LRESULT& result) override;
    void OnSize(int type, int cx, int cy) override;

  private:
    void InsertFolders(const FolderNode& node, const std::u16string& path, ui::HTREEITEM parent);

    app::RunState& run_;
    ui::CTreeCtrl tree_;
    ui::HTREEITEM match_ = 0;  // the item showing the initial folder
};

// Shows the dialog modally with initial selected; returns the folder chosen, or an empty text
// after Cancel (or when there is no user interface).
std::u16string BrowseForFolder(app::RunState& run, const std::u16string& initial,
                               ui::Window* parent = nullptr);

}  // namespace tidy::folderpicker
