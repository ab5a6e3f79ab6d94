#pragma once
// The MRU Cleaner dialog: the eight applications of the MRU table with a check box each; a
// ticked row shows how many entries the application's recent list holds, "Clean" empties the
// lists of all ticked rows at once. The tick marks are kept in the settings key between runs.

#include "ui/framework/Dialog.h"

namespace tidy::app {
struct RunState;
}

namespace tidy::mru {

constexpr int IDD_MRU_CLEANER = 153;
constexpr int IDC_MRU_LIST = 1019;
constexpr int ID_MRU_CLEAN = 5;
constexpr int ID_MRU_CLOSE = 2;  // the cancel command

class CMruCleanerDlg : public ui::CDialog {
  public:
    CMruCleanerDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent = nullptr);

    // Operations of the dialog.
    void UpdateMruCountCell(int row);
    void ApplyMruChecks();
    void ReadMruChecks();
    void RefreshMruCounts();
    void CleanMru();

    bool ListEventsLive() const { return listEventsLive_ != 0; }
    bool Failed() const { return error_ != 0; }
    ui::CListCtrl& List() { return list_; }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::CDataExchange* dx) override;
    bool OnCommand(int id, int code) override;
    bool OnNotify(int ctrlId, ui::NMHDR& nm, ui::LRESULT& result) override;
    void OnSize(int type, int cx, int cy) override;
    void OnDestroy() override;

  private:
    app::RunState& run_;
    ui::CListCtrl list_;
    int listEventsLive_ = 0;  // check changes are acted on only while 1
    int error_ = 0;           // 1: the MRU table was malformed at initialisation
};

// Runs the MRU Cleaner modally with no parent, as the main window's "MRU Cleaner" command
// does, and returns the dialog's result (-1 when the run has no user-interface thread).
int RunMruCleanerDialog(app::RunState& run);

}  // namespace tidy::mru
