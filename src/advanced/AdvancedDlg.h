#pragma once
// The Advanced dialog: the eight kinds of leftover in a list with check boxes. Ticking a row
// counts what it would remove; "Clean" removes the leftovers of every ticked row; the list's
// tap-and-hold menu shows a row's description or cleans the selected row alone.

#include <string>

#include "ui/framework/Dialog.h"
#include "ui/main/ItemListCtrl.h"

namespace tidy::app {
struct RunState;
}

namespace tidy::ui {
class UiThread;
}

namespace tidy::advanced {

constexpr int IDD_ADVANCED = 158;
constexpr int IDC_ADVANCED_LIST = 1019;
constexpr int ID_ADVANCED_CLEAN = 5;
constexpr int ID_ADVANCED_SELECT_ALL = 32778;
constexpr int ID_ADVANCED_UNSELECT_ALL = 32779;

// Runs the removers of the flagged rows (the advanced selection flags) in their fixed order:
// card files, theme keys, uninstall keys, setup folders, input methods, then the shortcuts of
// the Start Menu and StartUp folders once the Start Menu folder is found.
void CleanAdvancedSelected(app::RunState& run);

class CAdvancedDlg : public ui::CDialog {
  public:
    CAdvancedDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent = nullptr);

    ui::main::CItemListCtrl& List() { return list_; }

    // Writes a row's Count cell: its count when the row is flagged, else a single space.
    void UpdateCountCell(int row);
    std::u16string AdvancedCountText(int row);
    void SetAllRows(bool tick);
    void ShowItemDescription();
    void CleanOneItem();
    void CleanChecked();
    void OpenAdvancedRowFolder(int row);

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::CDataExchange* dx) override;
    bool OnCommand(int id, int code) override;
    bool OnNotify(int ctrlId, ui::NMHDR& nm, ui::LRESULT& result) override;
    void OnSize(int type, int cx, int cy) override;
    void OnDestroy() override;

  private:
    void Layout();
    int SelectedRow() const;  // the selected row, or -1

    app::RunState& run_;
    ui::main::CItemListCtrl list_;
    // 0 until initialisation ends, and while a Count cell is written, so that writing a cell
    // is not taken for a change of a check box.
    int listEventsLive_ = 0;
};

// Runs the Advanced dialog modally, as the main window's "Advanced" command (32808) does;
// returns the dialog's result (-1 without a user-interface thread).
int RunAdvancedDialog(app::RunState& run, ui::Window* parent = nullptr);

}  // namespace tidy::advanced
