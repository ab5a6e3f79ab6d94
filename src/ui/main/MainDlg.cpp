#include "ui/main/MainDlg.h"

#include "advanced/AdvancedDlg.h"
#include "app/Log.h"
#include "app/RunState.h"
#include "catalogue/Catalogue.h"
#include "catalogue/Discovery.h"
#include "clean/Engine.h"
#include "clean/SpecialItems.h"
#include "clean/Utilities.h"
#include "customfiles/CustomFilesDlg.h"
#include "mru/MruCleanerDlg.h"
#include "platform/Text.h"
#include "settings/OptionsDlg.h"
#include "settings/SettingsStore.h"
#include "ui/framework/UiThread.h"

namespace tidy::ui::main {

using catalogue::kItemCount;
using platform::Platform;

namespace {

constexpr char16_t kCaption[] = u"Tidymatic";

}  // namespace

CMainDlg::CMainDlg(app::RunState& run, UiThread& ui)
    : CDialog(ui, kMainDialogId, nullptr), run_(run) {
    Platform& p = run_.platform;
    screenWidth_ = p.GetSystemMetrics(platform::kSmCxScreen);
    screenHeight_ = p.GetSystemMetrics(platform::kSmCyScreen);
    run_.flags.interactive = 0;
    run_.flags.ready = 1;
}

void CMainDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, kPictureId, picture_);
    DDX_Control(dx, kItemListId, list_);
}

void CMainDlg::OnUi(const std::function<void()>& fn) {
    Ui().Send(fn);
}

// ---------------------------------------------------------------------------------------------
// Start-up: the steps run in a fixed order; later steps rely on earlier ones.

bool CMainDlg::OnInitDialog() {
    CDialog::OnInitDialog();  // binds the controls
    // Icons and centring belong to the framework; the window fills the screen area here.
    app::StartLog(run_);
    VersionAndLayoutCheck();
    run_.flags.interactive = m_switch.empty() ? 1 : 0;
    run_.flags.messageOwner = this;
    picture_.ShowWindow(SW_HIDE);
    app::WriteLog(run_, u"Tidymatic loading");
    catalogue::LoadingSequence(run_);

    list_.InsertColumn(0, u"Item Type", LVCFMT_LEFT);
    list_.InsertColumn(1, u"Size", LVCFMT_LEFT);
    for (int i = 0; i < kItemCount; ++i) list_.InsertItem(i, catalogue::ItemName(run_, i), 0, 0);

    bool interactive = run_.flags.interactive != 0;
    if (interactive) {
        list_.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        BuildMenuBar();
        Layout();
    }

    settings::LoadSelection(run_);
    for (int i = 0; i < kItemCount; ++i) {
        auto& entry = run_.catalogue.selection[static_cast<size_t>(i)];
        entry = entry == 1 ? 1 : 0;
        list_.SetCheck(i, entry == 1);
    }

    if (interactive) {
        app::WriteLog(run_, u"Tidymatic UI loaded");
        // The refresh starts from the window's own modal loop, so that the input it holds
        // back is held from the loop's first message on.
        run_.flags.ready = 0;
        Ui().Post([this] { StartBackgroundRefresh(); });
    } else {
        run_.flags.ready = 0;
    }
    run_.flags.listEventsLive = 1;

    if (m_switch == u"-s") {
        RunStartupMode();
    } else if (m_switch == u"-e") {
        RunExpressMode();
    } else if (m_switch == u"-x") {
        run_.platform.KernelIoControl(platform::kIoctlHalReboot);
    }
    HideTitleOkButton();
    return true;
}

void CMainDlg::VersionAndLayoutCheck() {
    Platform& p = run_.platform;
    platform::Version v;
    if (!p.GetVersion(v)) return;
    app::WriteLog(run_,
                  text::Format("CE %d.%d Build %d", int(v.major), int(v.minor), int(v.build)));
    app::WriteLog(run_, u"-------------------------");
    if (run_.flags.loggingOn) {
        app::WriteLog(run_, text::Format("SM_CYMENU: %d", p.GetSystemMetrics(platform::kSmCyMenu)));
        app::WriteLog(
            run_, text::Format("SM_CYDLGFRAME: %d", p.GetSystemMetrics(platform::kSmCyDlgFrame)));
        app::WriteLog(run_,
                      text::Format("SM_CYCAPTION: %d", p.GetSystemMetrics(platform::kSmCyCaption)));
        app::WriteLog(
            run_, text::Format("SM_CYFIXEDFRAME: %d", p.GetSystemMetrics(platform::kSmCyDlgFrame)));
        app::WriteLog(run_,
                      text::Format("SM_CYBORDER: %d", p.GetSystemMetrics(platform::kSmCyBorder)));
        app::WriteLog(run_, text::Format("GetWindowRect: %d", GetWindowRect().top));
        app::WriteLog(run_, u"-------------------------");
    }
    if (v.major > 4 && v.minor > 1 && v.build > 23033) {
        int y = p.GetSystemMetrics(platform::kSmCyCaption) -
                2 * p.GetSystemMetrics(platform::kSmCyBorder) -
                p.GetSystemMetrics(platform::kSmCyDlgFrame);
        Rect r = GetWindowRect();
        MoveWindow(0, y, r.Width(), r.Height());
    }
}

void CMainDlg::BuildMenuBar() {
    CMenuBar& bar = MenuBar();
    bar.DeleteButton(0);  // the placeholder the bar starts with
    bool newer = clean::IsPlatform5OrLater(run_);
    bar.InsertButton(newer ? 0 : 1, u"Clean", kCmdClean, true);
    bar.InsertMenuButton(newer ? 1 : 0, kMainMenuId);
}

void CMainDlg::Layout() {
    Platform& p = run_.platform;
    screenWidth_ = p.GetSystemMetrics(platform::kSmCxScreen);
    screenHeight_ = p.GetSystemMetrics(platform::kSmCyScreen);
    Rect client = GetClientRect();
    Rect r = list_.Bounds();
    list_.MoveWindow(r.left, r.top, client.Width(), client.Height());
    list_.SetColumnWidth(0, LVSCW_AUTOSIZE_USEHEADER);
    list_.SetColumnWidth(1, LVSCW_AUTOSIZE_USEHEADER);
}

void CMainDlg::OnSize(int type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    if (list_.IsWindow() && run_.flags.interactive) Layout();
}

void CMainDlg::StartBackgroundRefresh() {
    // Input waits while the refresh runs (see the header); the worker lets it through again.
    UiThread& ui = Ui();
    run_.flags.ready = 0;  // no second refresh until this one is done
    ui.HoldInput();
    ui.StartWorker([this, &ui] {
        RefreshItems();
        ui.ReleaseInput();
    });
}

void CMainDlg::RunStartupMode() {
    ShowWindow(SW_HIDE);
    run_.ui->BeginWaitCursor();
    ReadChecks();
    const auto& sel = run_.catalogue.selection;
    if (sel[28] == 1) clean::ClearRecentPrograms(run_);
    if (sel[29] == 1) clean::ClearInternetAddresses(run_);
    if (sel[30] == 1) clean::ResetBootCount(run_);
    clean::CleanSelected(run_, clean::CleanMode::Startup);
    run_.ui->EndWaitCursor();
    OnCancel();
}

void CMainDlg::RunExpressMode() {
    int answer = run_.ui->MessageBox(nullptr, u"Start cleaning your device?", kCaption,
                                     MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES) {
        ShowWindow(SW_HIDE);
        run_.ui->BeginWaitCursor();
        ReadChecks();
        std::u16string message = clean::CleanSelected(run_, clean::CleanMode::Express);
        if (!message.empty())
            run_.ui->MessageBox(this, message, kCaption, MB_OK | MB_ICONINFORMATION);
        run_.ui->EndWaitCursor();
    }
    OnCancel();
}

// ---------------------------------------------------------------------------------------------
// Closing.

void CMainDlg::OnOK() {
    // Neither Enter nor the OK gesture closes the main window.
}

void CMainDlg::OnCancel() {
    run_.flags.ready = 0;
    if (run_.flags.interactive) {
        ReadChecks();
        settings::SaveSelection(run_);
    }
    auto& cat = run_.catalogue;
    cat.itemNames.clear();
    cat.itemDescriptions.clear();
    cat.locations = catalogue::Locations{};
    for (auto& entry : cat.folderTable) entry.clear();
    cat.special = catalogue::SpecialFolders{};
    cat.storageCards.clear();
    run_.clean.customPatterns.clear();
    run_.clean.matchedFiles.clear();
    m_switch.clear();
    EndDialog(IDCANCEL);
}

// ---------------------------------------------------------------------------------------------
// The list.

void CMainDlg::ReadChecks() {
    OnUi([this] {
        for (int i = 0; i < kItemCount; ++i)
            run_.catalogue.selection[static_cast<size_t>(i)] = list_.GetCheck(i) ? 1 : 0;
    });
}

void CMainDlg::UpdateRow(int row) {
    if (row < 0 || row >= kItemCount) return;
    run_.ui->BeginWaitCursor();
    run_.flags.listEventsLive = 0;
    std::u16string text = u" ";
    if (run_.catalogue.selection[static_cast<size_t>(row)] == 1)
        text = catalogue::ItemSizeText(run_, row);  // measured on the calling thread
    OnUi([&] { list_.SetItemText(row, 1, text); });
    run_.flags.listEventsLive = 1;
    run_.ui->EndWaitCursor();
}

void CMainDlg::SetAllChecks(bool on) {
    for (int i = 0; i < kItemCount; ++i) {
        list_.SetCheck(i, on);
        if (!on) list_.SetItemText(i, 1, u"");
    }
}

void CMainDlg::RefreshItems() {
    run_.flags.ready = 0;
    catalogue::LocateAllFolders(run_);
    ReadChecks();
    for (int i = 0; i < kItemCount; ++i) UpdateRow(i);
    run_.flags.ready = 1;
}

void CMainDlg::CheckChanged(const NMLISTVIEW& nm) {
    // Only a change of the check box counts: the list reports every state change (a tap that
    // selects a row, say) with the whole state, which carries the check-box bits as well.
    if (!run_.flags.listEventsLive || !(nm.uChanged & LVIF_STATE) ||
        (nm.uNewState & LVIS_STATEIMAGEMASK) == 0 ||
        ((nm.uNewState ^ nm.uOldState) & LVIS_STATEIMAGEMASK) == 0)
        return;
    if (nm.iItem < 0 || nm.iItem >= kItemCount) return;
    run_.ui->BeginWaitCursor();
    run_.catalogue.selection[static_cast<size_t>(nm.iItem)] = list_.GetCheck(nm.iItem) ? 1 : 0;
    UpdateRow(nm.iItem);
    run_.ui->EndWaitCursor();
}

void CMainDlg::RowOpened(const NMITEMACTIVATE& nm) {
    int row = nm.iItem;
    if (row < 0 || row >= kItemCount || !(list_.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED))
        return;
    if (row == 27) {
        OnCommand(kCmdCustomFiles, 0);
        return;
    }
    if (row >= 9 && row <= 11 &&
        !clean::PathExists(run_, run_.catalogue.folderTable[static_cast<size_t>(row)])) {
        OnCommand(kCmdMainSettings, 0);
        return;
    }
    clean::OpenItemFolder(run_, row);
}

void CMainDlg::CheckRows(std::initializer_list<int> rows) {
    for (int row : rows) list_.SetCheck(row, true);
}

void CMainDlg::SelectRecommendedItems() {
    SetAllChecks(false);
    catalogue::SelectRecommended(run_);
    for (int i = 0; i < kItemCount; ++i)
        if (run_.catalogue.selection[static_cast<size_t>(i)] == 1) list_.SetCheck(i, true);
}

// ---------------------------------------------------------------------------------------------
// Cleaning.

void CMainDlg::OnClean() {
    run_.ui->BeginWaitCursor();
    ReadChecks();
    if (run_.flags.interactive) CleanWithUi();
    run_.ui->EndWaitCursor();
}

void CMainDlg::CleanWithUi() {
    run_.flags.ready = 0;
    clean::PauseWithWaitCursor(run_);
    std::u16string message = clean::CleanSelected(run_, clean::CleanMode::Interactive);
    for (int i = 0; i < kItemCount; ++i) {
        if (run_.catalogue.selection[static_cast<size_t>(i)] != 1) continue;
        std::u16string size = list_.GetItemText(i, 1);
        if (!size.empty() && text::EqualsIgnoreCase(size, u"Not Found")) list_.SetCheck(i, false);
    }
    ReadChecks();
    for (int i = 0; i < kItemCount; ++i) UpdateRow(i);
    if (!message.empty()) run_.ui->MessageBox(this, message, kCaption, MB_OK | MB_ICONINFORMATION);
    run_.flags.ready = 1;
}

void CMainDlg::CleanSelectedRow() {
    int row = list_.GetSelectionMark();
    if (row < 0 || row >= kItemCount || !HasSelectedRow(list_)) return;
    auto& sel = run_.catalogue.selection;
    sel.fill(0);
    sel[static_cast<size_t>(row)] = 1;
    std::u16string message = clean::CleanSelected(run_, clean::CleanMode::Interactive);
    ReadChecks();
    for (int i = 0; i < kItemCount; ++i) UpdateRow(i);
    if (!message.empty()) run_.ui->MessageBox(this, message, kCaption, MB_OK | MB_ICONINFORMATION);
    run_.flags.ready = 1;
}

void CMainDlg::ViewDescription() {
    int row = list_.GetSelectionMark();
    if (row < 0 || row >= kItemCount || !HasSelectedRow(list_)) return;
    run_.flags.ready = 0;
    std::u16string name = catalogue::ItemName(run_, row);
    std::u16string description = catalogue::ItemDescription(run_, row);
    if (!name.empty() && !description.empty())
        run_.ui->MessageBox(this, description, name, MB_OK | MB_ICONINFORMATION);
    run_.flags.ready = 1;
}

// ---------------------------------------------------------------------------------------------
// Commands and notifications.

void CMainDlg::RunAnotherDialog(const std::function<void()>& runDialog) {
    run_.flags.ready = 0;
    runDialog();
    RefreshItems();
}

bool CMainDlg::OnCommand(int id, int code) {
    switch (id) {
        case kCmdClean:
            OnClean();
            return true;
        case kCmdRefresh:
            RefreshItems();
            return true;
        case kCmdMenuSelectAll:
            SetAllChecks(true);
            return true;
        case kCmdMenuUnselectAll:
            SetAllChecks(false);
            return true;
        case kCmdSelectIeTemp:
            SetAllChecks(false);
            CheckRows({1, 2, 3, 29});
            return true;
        case kCmdSelectFolderItems:
            SetAllChecks(false);
            for (int i = 0; i <= 21; ++i) list_.SetCheck(i, true);
            return true;
        case kCmdSelectRegistryItems:
            SetAllChecks(false);
            CheckRows({28, 29, 30});
            return true;
        case kCmdSelectRecommended:
            SelectRecommendedItems();
            return true;
        case kCmdSoftReset:
            OnSoftReset();
            return true;
        case kCmdMruCleaner:
            RunAnotherDialog([this] { mru::RunMruCleanerDialog(run_); });
            return true;
        case kCmdAdvanced:
            RunAnotherDialog([this] { advanced::RunAdvancedDialog(run_); });
            return true;
        case kCmdMainSettings:
            RunAnotherDialog([this] { settings::RunOptionsDialog(run_); });
            return true;
        case kCmdCustomFiles:
            RunAnotherDialog([this] { customfiles::RunCustomFilesDialog(run_); });
            return true;
        case kCmdMemory:
            OnMemory();
            return true;
        case kCmdRunningPrograms:
            OnRunningPrograms();
            return true;
        case kCmdOperaSettings:
            OnOperaSettings();
            return true;
        case kCmdAbout:
            OnAbout();
            return true;
        case kCmdHelp:
            OnLink(
                u"/index.php?view=article&catid=80%3Asoftware-notes&id=125%3Ahelp-file-for-"
                u"tidymatic&tmpl=component&print=1&layout=default&page=&option=com_content");
            return true;
        case kCmdVisitWebsite:
            OnLink(u"");
            return true;
        case kCmdProductPage:
            OnLink(u"/index.php?option=com_jdownloads&Itemid=82&task=view.download&cid=50");
            return true;
        case kCmdContactMe:
            OnLink(u"/index.php?option=com_qcontacts&view=contact&id=1&Itemid=74");
            return true;
        case kCmdExit:
            OnCancel();
            return true;
        default:
            break;
    }
    if (id >= kCmdSelectAll && id <= kCmdSelectAll + 100) {
        switch (id) {
            case kCmdSelectAll:
                SetAllChecks(true);
                break;
            case kCmdUnselectAll:
                SetAllChecks(false);
                break;
            case kCmdViewDescription:
                ViewDescription();
                break;
            case kCmdCleanSelected:
                CleanSelectedRow();
                break;
            default:
                break;  // the rest of the range does nothing
        }
        return true;
    }
    return CDialog::OnCommand(id, code);
}

bool CMainDlg::OnNotify(int ctrlId, NMHDR& nm, LRESULT& result) {
    if (ctrlId == kItemListId) {
        if (nm.code == LVN_ITEMCHANGED) {
            CheckChanged(static_cast<const NMLISTVIEW&>(nm));
            result = 0;
            return true;
        }
        if (nm.code == NM_DBLCLK) {
            RowOpened(static_cast<const NMITEMACTIVATE&>(nm));
            result = 0;
            return true;
        }
    }
    return CDialog::OnNotify(ctrlId, nm, result);
}

void CMainDlg::OnActivate(int state) {
    CDialog::OnActivate(state);
    if (state == WA_ACTIVE && run_.flags.ready == 1 && run_.flags.listEventsLive == 1)
        StartBackgroundRefresh();
}

}  // namespace tidy::ui::main
