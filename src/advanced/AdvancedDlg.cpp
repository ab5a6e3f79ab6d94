#include "advanced/AdvancedDlg.h"

#include "advanced/AdvancedScanners.h"
#include "advanced/ThemeCardLeftovers.h"
#include "app/RunState.h"
#include "clean/SpecialItems.h"
#include "clean/Utilities.h"
#include "platform/Text.h"
#include "ui/framework/UiThread.h"

namespace tidy::advanced {

namespace {

// Shows the wait cursor for as long as it lives.
class WaitCursor {
  public:
    explicit WaitCursor(ui::UiServices& ui) : ui_(ui) { ui_.BeginWaitCursor(); }
    ~WaitCursor() { ui_.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    ui::UiServices& ui_;
};

bool Flagged(const AdvancedState& st, int row) {
    return st.selection[row] == 1;
}

}  // namespace

void CleanAdvancedSelected(app::RunState& run) {
    const AdvancedState& st = run.advanced;
    const bool thumbs = Flagged(st, kRowThumbsDb);
    const bool desktop = Flagged(st, kRowDesktopIni);
    if (thumbs || desktop) CleanCardFiles(run, thumbs, desktop);
    if (Flagged(st, kRowBadTheme)) CleanBadThemeKeys(run);
    if (Flagged(st, kRowBadUninstallRegistry)) CleanBadUninstallRegistry(run);
    if (Flagged(st, kRowBadUninstallFiles)) CleanBadUninstallFiles(run);
    if (Flagged(st, kRowDeadSips)) CleanDeadSips(run);

    // The shortcut rows are cleaned only while the Start Menu folder is there; its absence is
    // reported whichever rows are flagged.
    std::u16string startMenu = st.startMenuFolder;
    if (!startMenu.empty()) startMenu.pop_back();
    if (!clean::EntryFound(run, startMenu)) {
        clean::ShowMessageOk(run, u"Unable to find Start Menu folder");
        return;
    }
    if (Flagged(st, kRowDeadShortcuts)) CleanDeadShortcuts(run, ShortcutFolder::StartMenu);
    if (Flagged(st, kRowStartupPrograms)) CleanDeadShortcuts(run, ShortcutFolder::StartUp);
}

CAdvancedDlg::CAdvancedDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent)
    : ui::CDialog(ui, IDD_ADVANCED, parent), run_(run) {}

void CAdvancedDlg::DoDataExchange(ui::CDataExchange* dx) {
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_ADVANCED_LIST, list_);
}

bool CAdvancedDlg::OnInitDialog() {
    ui::CDialog::OnInitDialog();
    MenuBar().InsertButton(0, u"Clean", ID_ADVANCED_CLEAN);
    MenuBar().InsertButton(1, u"Close", ui::IDCANCEL);

    InitAdvanced(run_);

    list_.InsertColumn(0, u"Item Type", ui::LVCFMT_LEFT);
    list_.InsertColumn(1, u"Count", ui::LVCFMT_LEFT);
    list_.SetExtendedStyle(list_.GetExtendedStyle() | ui::LVS_EX_CHECKBOXES |
                           ui::LVS_EX_FULLROWSELECT);
    list_.bulkEntriesHidden = 1;
    const auto& names = run_.advanced.itemNames;
    for (int row = 0; row < static_cast<int>(names.size()); ++row)
        list_.InsertItem(row, names[row], ui::LVIS_UNCHECKED, ui::LVIS_STATEIMAGEMASK);
    Layout();

    HideTitleOkButton();
    listEventsLive_ = 1;
    return true;
}

void CAdvancedDlg::Layout() {
    if (!list_.IsWindow()) return;
    const ui::Rect client = GetClientRect();
    const ui::Rect at = list_.Bounds();
    list_.MoveWindow(at.left, at.top, client.Width(), client.Height());
    list_.SetColumnWidth(0, ui::LVSCW_AUTOSIZE_USEHEADER);
    list_.SetColumnWidth(1, ui::LVSCW_AUTOSIZE_USEHEADER);
}

void CAdvancedDlg::OnSize(int type, int cx, int cy) {
    ui::CDialog::OnSize(type, cx, cy);
    Layout();
}

void CAdvancedDlg::OnDestroy() {
    ResetAdvanced(run_);
    ui::CDialog::OnDestroy();
}

bool CAdvancedDlg::OnNotify(int ctrlId, ui::NMHDR& nm, ui::LRESULT& result) {
    if (ctrlId != IDC_ADVANCED_LIST) return ui::CDialog::OnNotify(ctrlId, nm, result);
    result = 0;
    if (nm.code == ui::LVN_ITEMCHANGED) {
        // A change of the check box carries state-image bits; a tap that only selects a row
        // carries none and counts nothing.
        const auto& lv = static_cast<const ui::NMLISTVIEW&>(nm);
        const bool checkChanged =
            (lv.uChanged & ui::LVIF_STATE) && (lv.uNewState & ui::LVIS_STATEIMAGEMASK);
        if (listEventsLive_ == 1 && checkChanged && lv.iItem >= 0 && lv.iItem < kAdvancedRowCount) {
            WaitCursor wait(Ui());
            run_.advanced.selection[lv.iItem] = list_.GetCheck(lv.iItem) ? 1 : 0;
            UpdateCountCell(lv.iItem);
        }
        return true;
    }
    if (nm.code == ui::NM_DBLCLK) {
        const auto& item = static_cast<const ui::NMITEMACTIVATE&>(nm);
        if (item.iItem >= 0 &&
            (list_.GetItemState(item.iItem, ui::LVIS_SELECTED) & ui::LVIS_SELECTED))
            OpenAdvancedRowFolder(item.iItem);
        return true;
    }
    return ui::CDialog::OnNotify(ctrlId, nm, result);
}

bool CAdvancedDlg::OnCommand(int id, int code) {
    if (id >= ui::main::kCmdSelectAll && id <= ui::main::kCmdSelectAll + 100) {
        switch (id) {
            case ui::main::kCmdSelectAll:
                SetAllRows(true);
                break;
            case ui::main::kCmdUnselectAll:
                SetAllRows(false);
                break;
            case ui::main::kCmdViewDescription:
                ShowItemDescription();
                break;
            case ui::main::kCmdCleanSelected:
                CleanOneItem();
                break;
            default:
                break;
        }
        return true;
    }
    switch (id) {
        case ID_ADVANCED_SELECT_ALL:
            SetAllRows(true);
            return true;
        case ID_ADVANCED_UNSELECT_ALL:
            SetAllRows(false);
            return true;
        case ID_ADVANCED_CLEAN:
            CleanChecked();
            return true;
        default:
            return ui::CDialog::OnCommand(id, code);
    }
}

std::u16string CAdvancedDlg::AdvancedCountText(int row) {
    auto count = [](int n) { return text::Format("%d", n); };
    switch (row) {
        case kRowThumbsDb:
            return MeasureCardFiles(run_, u"thumbs.db");
        case kRowDesktopIni:
            return MeasureCardFiles(run_, u"desktop.ini");
        case kRowBadTheme:
            return count(CountBadThemeKeys(run_));
        case kRowBadUninstallRegistry:
            return count(ScanBadUninstallRegistry(run_));
        case kRowBadUninstallFiles:
            return count(ScanBadUninstallFiles(run_));
        case kRowDeadShortcuts:
            return count(CountDeadShortcuts(run_, ShortcutFolder::StartMenu));
        case kRowStartupPrograms:
            return count(CountDeadShortcuts(run_, ShortcutFolder::StartUp));
        case kRowDeadSips:
            return count(CountDeadSips(run_));
        default:
            return u" ";
    }
}

void CAdvancedDlg::UpdateCountCell(int row) {
    if (row < 0 || row >= kAdvancedRowCount) return;
    WaitCursor wait(Ui());
    listEventsLive_ = 0;
    list_.SetItemText(row, 1, run_.advanced.selection[row] == 1 ? AdvancedCountText(row) : u" ");
    listEventsLive_ = 1;
}

void CAdvancedDlg::SetAllRows(bool tick) {
    // Each change of a check box raises a check change, which counts the row.
    for (int row = 0; row < list_.GetItemCount(); ++row) {
        list_.SetCheck(row, tick);
        if (!tick) list_.SetItemText(row, 1, std::u16string());
    }
}

int CAdvancedDlg::SelectedRow() const {
    if (!ui::main::HasSelectedRow(list_)) return -1;
    const int row = list_.GetSelectionMark();
    return row < kAdvancedRowCount ? row : -1;
}

void CAdvancedDlg::ShowItemDescription() {
    const int row = SelectedRow();
    if (row < 0) return;
    const AdvancedState& st = run_.advanced;
    if (row >= static_cast<int>(st.itemNames.size()) ||
        row >= static_cast<int>(st.itemDescriptions.size()))
        return;
    const std::u16string& name = st.itemNames[row];
    const std::u16string& description = st.itemDescriptions[row];
    if (name.empty() || description.empty()) return;
    Ui().MessageBox(this, description, name, ui::MB_OK | ui::MB_ICONINFORMATION);
}

void CAdvancedDlg::CleanOneItem() {
    const int row = SelectedRow();
    if (row < 0) return;
    run_.advanced.selection.fill(0);
    run_.advanced.selection[row] = 1;
    CleanAdvancedSelected(run_);
    UpdateCountCell(row);
}

void CAdvancedDlg::CleanChecked() {
    for (int row = 0; row < list_.GetItemCount() && row < kAdvancedRowCount; ++row)
        run_.advanced.selection[row] = list_.GetCheck(row) ? 1 : 0;
    WaitCursor wait(Ui());
    CleanAdvancedSelected(run_);
    for (int row = 0; row < list_.GetItemCount(); ++row) UpdateCountCell(row);
}

void CAdvancedDlg::OpenAdvancedRowFolder(int row) {
    const AdvancedState& st = run_.advanced;
    switch (row) {
        case kRowBadUninstallFiles:
            clean::OpenFolderInExplorer(run_, st.windowsFolder + u"AppMgr\\");
            break;
        case kRowDeadShortcuts:
            clean::OpenFolderInExplorer(run_, st.startMenuFolder);
            break;
        case kRowStartupPrograms:
            clean::OpenFolderInExplorer(run_, st.startupFolder);
            break;
        default:
            break;
    }
}

int RunAdvancedDialog(app::RunState& run, ui::Window* parent) {
    ui::UiThread* ui = ui::AsUiThread(run.ui);
    if (ui == nullptr) return -1;
    CAdvancedDlg dlg(run, *ui, parent);
    return dlg.DoModal();
}

}  // namespace tidy::advanced
