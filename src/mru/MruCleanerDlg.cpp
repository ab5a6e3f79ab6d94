#include "mru/MruCleanerDlg.h"

#include <algorithm>

#include "app/RunState.h"
#include "mru/MruTable.h"
#include "platform/Text.h"
#include "ui/framework/UiThread.h"

namespace tidy::mru {

CMruCleanerDlg::CMruCleanerDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent)
    : ui::CDialog(ui, IDD_MRU_CLEANER, parent), run_(run) {}

void CMruCleanerDlg::DoDataExchange(ui::CDataExchange* dx) {
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_MRU_LIST, list_);
}

bool CMruCleanerDlg::OnInitDialog() {
    ui::CDialog::OnInitDialog();

    MenuBar().InsertButton(0, u"Clean", ID_MRU_CLEAN);
    MenuBar().InsertButton(1, u"Close", ID_MRU_CLOSE);

    list_.InsertColumn(0, u"Application", ui::LVCFMT_LEFT);
    list_.InsertColumn(1, u"MRU Count", ui::LVCFMT_LEFT);
    list_.SetExtendedStyle(list_.GetExtendedStyle() | ui::LVS_EX_CHECKBOXES |
                           ui::LVS_EX_FULLROWSELECT);

    BuildMruTable(run_);
    if (!MruTableWellFormed(run_)) {
        error_ = 1;
        Ui().MessageBox(nullptr, u"Unexpected error occured", u"Tidymatic", ui::MB_OK);
        EndDialog(ui::IDCANCEL);
        return false;
    }

    for (int i = 0; i < kMruRows; ++i)
        list_.InsertItem(i, run_.mru.labels[i], ui::LVIS_UNCHECKED, ui::LVIS_STATEIMAGEMASK);
    ApplyMruChecks();
    RefreshMruCounts();
    // The columns fit their headers once the counts are in.
    OnSize(ui::SIZE_RESTORED, GetClientRect().Width(), GetClientRect().Height());
    listEventsLive_ = 1;

    HideTitleOkButton();
    return true;
}

void CMruCleanerDlg::ApplyMruChecks() {
    // List events are not live yet, so ticking here counts nothing by itself.
    for (int row = 0; row < kMruRows; ++row)
        if (run_.mru.flags[row] != 0) list_.SetCheck(row, true);
}

void CMruCleanerDlg::ReadMruChecks() {
    run_.mru.flags.fill(0);
    const int rows = std::min(kMruRows, list_.GetItemCount());
    for (int row = 0; row < rows; ++row)
        if (list_.GetCheck(row)) run_.mru.flags[row] = 1;
}

void CMruCleanerDlg::UpdateMruCountCell(int row) {
    std::u16string text;
    if (list_.GetCheck(row)) {
        const int32_t n = MruEntryCount(run_, row, false);
        text = n < 0 ? std::u16string(u"Not Found") : text::Format("%d", n);
    }
    list_.SetItemText(row, 1, text);
}

void CMruCleanerDlg::RefreshMruCounts() {
    for (int row = 0; row < kMruRows; ++row) UpdateMruCountCell(row);
}

void CMruCleanerDlg::CleanMru() {
    listEventsLive_ = 0;
    ReadMruChecks();
    ClearSelectedMru(run_);
    RefreshMruCounts();
    listEventsLive_ = 1;
}

bool CMruCleanerDlg::OnCommand(int id, int code) {
    if (id == ID_MRU_CLEAN) {
        CleanMru();
        return true;
    }
    return ui::CDialog::OnCommand(id, code);
}

bool CMruCleanerDlg::OnNotify(int ctrlId, ui::NMHDR& nm, ui::LRESULT& result) {
    if (ctrlId == IDC_MRU_LIST && nm.code == ui::LVN_ITEMCHANGED) {
        const auto& lv = static_cast<const ui::NMLISTVIEW&>(nm);
        // Only a change of the check box counts; the cell's own text change, and a selection
        // change that carries the unchanged check box bits along, do not.
        const bool checkChanged = (lv.uChanged & ui::LVIF_STATE) != 0 &&
                                  ((lv.uNewState ^ lv.uOldState) & ui::LVIS_STATEIMAGEMASK) != 0 &&
                                  (lv.uNewState & ui::LVIS_STATEIMAGEMASK) != 0;
        if (listEventsLive_ == 1 && checkChanged && lv.iItem >= 0 && lv.iItem < kMruRows)
            UpdateMruCountCell(lv.iItem);
        result = 0;
        return true;
    }
    return ui::CDialog::OnNotify(ctrlId, nm, result);
}

void CMruCleanerDlg::OnSize(int type, int cx, int cy) {
    ui::CDialog::OnSize(type, cx, cy);
    if (!list_.IsWindow()) return;
    // The list keeps its place and takes the whole client area.
    const ui::Rect at = list_.Bounds();
    list_.MoveWindow(at.left, at.top, cx, cy);
    list_.SetColumnWidth(0, ui::LVSCW_AUTOSIZE_USEHEADER);
    list_.SetColumnWidth(1, ui::LVSCW_AUTOSIZE_USEHEADER);
}

void CMruCleanerDlg::OnDestroy() {
    // Closing normally keeps the tick marks, whether or not "Clean" was used.
    if (listEventsLive_ == 1 && error_ == 0) {
        ReadMruChecks();
        SaveMruSelection(run_);
        ResetMruTable(run_);
    }
    ui::CDialog::OnDestroy();
}

int RunMruCleanerDialog(app::RunState& run) {
    ui::UiThread* ui = ui::AsUiThread(run.ui);
    if (ui == nullptr) return -1;
    CMruCleanerDlg dlg(run, *ui, nullptr);
    return dlg.DoModal();
}

}  // namespace tidy::mru
