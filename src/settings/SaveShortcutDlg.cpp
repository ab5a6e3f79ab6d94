#include "settings/SaveShortcutDlg.h"

#include "app/RunState.h"
#include "clean/Utilities.h"
#include "ui/framework/UiThread.h"

namespace tidy::settings {

CSaveShortcutDlg::CSaveShortcutDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent)
    : ui::CDialog(ui, IDD_SAVE_SHORTCUT, parent), run_(run) {}

void CSaveShortcutDlg::DoDataExchange(ui::CDataExchange* dx) {
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_SHORTCUT_FILENAME, name_);
    ui::DDX_Control(dx, IDC_SHORTCUT_LOCATION, location_);
}

bool CSaveShortcutDlg::OnInitDialog() {
    ui::CDialog::OnInitDialog();
    name_.SetWindowText(fileName);
    folders_ = LookupShortcutFolders(run_);
    std::u16string programs = folders_.programs;
    if (!programs.empty() && programs.back() == u'\\') programs.pop_back();
    if (!clean::EntryFound(run_, programs)) {
        ShowAppMessage(run_, u"Unable to find Start Menu folder", ui::MB_OK);
        EndDialog(ui::IDCANCEL);
        return false;
    }
    location_.AddString(u"<Start Menu>");
    location_.AddString(u"<Programs>");
    subfolders_.clear();
    CollectProgramSubfolders(run_, folders_.programs, folders_.programs, subfolders_);
    for (const auto& folder : subfolders_) location_.AddString(folder);
    subfolders_.clear();
    location_.SetCurSel(0);
    HideTitleOkButton();
    return true;
}

void CSaveShortcutDlg::OnDestroy() {
    const int selected = location_.IsWindow() ? location_.GetCurSel() : -1;
    resultPath = ShortcutResultPath(
        folders_, selected, selected >= 0 ? location_.GetLBText(selected) : std::u16string(),
        fileName);
    ui::CDialog::OnDestroy();
}

namespace {

void CreateProgramShortcut(app::RunState& run, ShortcutKind kind) {
    ui::UiThread* ui = ui::AsUiThread(run.ui);
    if (ui == nullptr) return;
    CSaveShortcutDlg dlg(run, *ui, nullptr);
    dlg.fileName = kind == ShortcutKind::Express ? kExpressShortcutName : kSoftResetShortcutName;
    if (dlg.DoModal() != ui::IDOK || dlg.resultPath.empty()) return;
    WriteProgramShortcut(run, kind, dlg.resultPath);
}

}  // namespace

void CreateExpressShortcut(app::RunState& run) {
    CreateProgramShortcut(run, ShortcutKind::Express);
}

void CreateSoftResetShortcut(app::RunState& run) {
    CreateProgramShortcut(run, ShortcutKind::SoftReset);
}

}  // namespace tidy::settings
