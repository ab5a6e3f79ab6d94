#include "settings/OptionsDlg.h"

#include <algorithm>

#include "app/RunState.h"
#include "settings/Options.h"
#include "settings/Shortcuts.h"
#include "ui/folderpicker/SelectFolderDlg.h"
#include "ui/framework/UiThread.h"

namespace tidy::settings {

namespace {
constexpr int kCustomIds[3] = {IDC_CUSTOM_FOLDER1, IDC_CUSTOM_FOLDER2, IDC_CUSTOM_FOLDER3};
constexpr int kBrowseIds[3] = {IDC_BROWSE1, IDC_BROWSE2, IDC_BROWSE3};
}  // namespace

COptionsDlg::COptionsDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent)
    : ui::CDialog(ui, IDD_OPTIONS, parent), run_(run) {}

void COptionsDlg::DoDataExchange(ui::CDataExchange* dx) {
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_CACHE_ROOT, cacheRoot_);
    ui::DDX_Control(dx, IDC_MAIL_LOCATION, mailLocation_);
    for (int i = 0; i < 3; ++i) {
        ui::DDX_Control(dx, kCustomIds[i], custom_[i]);
        ui::DDX_Control(dx, kBrowseIds[i], browse_[i]);
    }
    ui::DDX_Control(dx, IDC_STARTUP, startup_);
}

bool COptionsDlg::OnInitDialog() {
    ui::CDialog::OnInitDialog();
    LoadOptions(run_);
    const OptionsState& o = run_.options;

    for (const auto& item : CacheRootItems(o)) cacheRoot_.AddString(item);
    cacheRoot_.SetCurSel(CacheRootSelection(o));
    for (const auto& item : MailLocationItems(o)) mailLocation_.AddString(item);
    mailLocation_.SetCurSel(o.currentMailIndex);

    for (int i = 0; i < 3; ++i) custom_[i].SetWindowText(o.customFolders[i]);
    startup_.SetCheck(o.startupCurrent ? ui::BST_CHECKED : ui::BST_UNCHECKED);

    // The menu bar starts from menu 143 ("Menu"); "Close" goes to its right.
    MenuBar().InsertButton(1, u"Close", ui::IDCANCEL);

    // Right-edge distances as the template lays the controls out.
    const int designWidth = Ui().Screen().DluToPixelsX(Template()->cx);
    const ui::Window* stretched[5] = {&cacheRoot_, &mailLocation_, &custom_[0], &custom_[1],
                                      &custom_[2]};
    for (int i = 0; i < 5; ++i) stretchMargin_[i] = designWidth - stretched[i]->Bounds().right;
    for (int i = 0; i < 3; ++i) browseMargin_[i] = designWidth - browse_[i].Bounds().right;
    Layout(GetClientRect().Width());

    HideTitleOkButton();
    return true;
}

void COptionsDlg::Layout(int cx) {
    laidOutWidth_ = Ui().Screen().width;
    laidOutHeight_ = Ui().Screen().height;
    ui::Window* stretched[5] = {&cacheRoot_, &mailLocation_, &custom_[0], &custom_[1], &custom_[2]};
    for (int i = 0; i < 5; ++i) {
        ui::Rect r = stretched[i]->Bounds();
        r.right = std::max(r.left + 1, cx - stretchMargin_[i]);
        stretched[i]->MoveWindow(r);
    }
    for (int i = 0; i < 3; ++i) {
        ui::Rect r = browse_[i].Bounds();
        const int width = r.Width();
        r.right = cx - browseMargin_[i];
        r.left = r.right - width;
        browse_[i].MoveWindow(r);
    }
}

void COptionsDlg::OnSize(int type, int cx, int cy) {
    ui::CDialog::OnSize(type, cx, cy);
    if (!browse_[2].IsWindow()) return;
    const auto& screen = Ui().Screen();
    if (screen.width != laidOutWidth_ && screen.height != laidOutHeight_) Layout(cx);
}

bool COptionsDlg::OnCommand(int id, int code) {
    switch (id) {
        case ID_APPLY_SETTINGS:
            Apply();
            return true;
        case IDC_BROWSE1:
            Browse(0);
            return true;
        case IDC_BROWSE2:
            Browse(1);
            return true;
        case IDC_BROWSE3:
            Browse(2);
            return true;
        case ID_SHORTCUT_EXPRESS:
            CreateExpressShortcut(run_);
            return true;
        case ID_SHORTCUT_SOFT_RESET:
            CreateSoftResetShortcut(run_);
            return true;
        default:
            return ui::CDialog::OnCommand(id, code);
    }
}

void COptionsDlg::Browse(int index) {
    const std::u16string picked =
        folderpicker::BrowseForFolder(run_, custom_[index].GetWindowText() + u"\\", this);
    if (auto folder = CustomFolderFromPicker(run_.options, picked))
        custom_[index].SetWindowText(*folder);
}

void COptionsDlg::Apply() {
    ApplyInput in;
    for (int i = 0; i < 3; ++i) in.customFolders[i] = custom_[i].GetWindowText();
    in.startupChecked = startup_.GetCheck() == ui::BST_CHECKED;
    const int root = cacheRoot_.GetCurSel();
    in.cacheRoot = root >= 0 ? cacheRoot_.GetLBText(root) : std::u16string();
    in.mailIndex = mailLocation_.GetCurSel();
    ApplySettings(run_, in);
    // A rejected change shows the saved folders again.
    for (int i = 0; i < 3; ++i) custom_[i].SetWindowText(run_.options.customFolders[i]);
}

void COptionsDlg::OnDestroy() {
    CloseOptions(run_);
    ui::CDialog::OnDestroy();
}

int RunOptionsDialog(app::RunState& run) {
    ui::UiThread* ui = ui::AsUiThread(run.ui);
    if (ui == nullptr) return -1;
    COptionsDlg dlg(run, *ui, nullptr);
    return dlg.DoModal();
}

}  // namespace tidy::settings
