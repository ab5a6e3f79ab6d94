#pragma once
// The main window: the 31 items with their check boxes and sizes, the "Clean" soft key, menu
// 141, the background refresh, and the start-up steps and run modes of the program.
//
// A background refresh and a user command never run at the same time. The refresh runs on a
// worker thread; before starting it the window holds the user-interface thread's input gate
// (UiThread::HoldInput), and the worker releases it when the refresh is done. While the gate is
// held, taps, keys and menu choices wait in the queue, unprocessed; the worker reaches the list
// only through UiThread::Send, which still runs. The user-interface thread never waits for the
// worker, so the two cannot deadlock.

#include <functional>
#include <string>

#include "ui/framework/Dialog.h"
#include "ui/main/ItemListCtrl.h"

namespace tidy::app {
struct RunState;
}

namespace tidy::ui::main {

// Dialog, control, command and resource ids of the main window.
constexpr int kMainDialogId = 102;
constexpr int kMainMenuId = 141;
constexpr int kPictureId = 1046;
constexpr int kItemListId = 1019;
constexpr int kIconId = 128;

constexpr int kCmdClean = 5;
constexpr int kCmdExit = 2;
constexpr int kCmdRefresh = 32794;
constexpr int kCmdMenuSelectAll = 32778;
constexpr int kCmdMenuUnselectAll = 32779;
constexpr int kCmdSelectIeTemp = 32780;
constexpr int kCmdSelectFolderItems = 32795;
constexpr int kCmdSelectRegistryItems = 32796;
constexpr int kCmdSelectRecommended = 32806;
constexpr int kCmdSoftReset = 1025;
constexpr int kCmdMruCleaner = 32803;
constexpr int kCmdAdvanced = 32808;
constexpr int kCmdMemory = 32799;
constexpr int kCmdRunningPrograms = 32800;
constexpr int kCmdOperaSettings = 32807;
constexpr int kCmdMainSettings = 1017;
constexpr int kCmdCustomFiles = 32801;
constexpr int kCmdAbout = 1016;
constexpr int kCmdHelp = 32802;
constexpr int kCmdVisitWebsite = 32809;
constexpr int kCmdProductPage = 32810;
constexpr int kCmdContactMe = 32811;

class CMainDlg : public CDialog {
  public:
    CMainDlg(app::RunState& run, UiThread& ui);

    // The run switch: exactly "", "-e", "-s" or "-x" once the program has started.
    std::u16string m_switch;

    // ---- Operations of the main list.
    void ReadChecks();
    void UpdateRow(int row);
    void SetAllChecks(bool on);
    // Locates every folder and measures every ticked item. Runs on the user-interface thread
    // or on the refresh worker; every list operation goes through the user-interface thread.
    void RefreshItems();
    void CleanWithUi();

    CItemListCtrl& List() { return list_; }

  protected:
    void DoDataExchange(CDataExchange* dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(int id, int code) override;
    bool OnNotify(int ctrlId, NMHDR& nm, LRESULT& result) override;
    void OnActivate(int state) override;
    void OnSize(int type, int cx, int cy) override;

  private:
    // Start-up steps and run modes.
    void VersionAndLayoutCheck();
    void BuildMenuBar();
    void Layout();
    void StartBackgroundRefresh();
    void RunStartupMode();
    void RunExpressMode();

    // Handlers.
    void OnClean();
    void CheckChanged(const NMLISTVIEW& nm);
    void RowOpened(const NMITEMACTIVATE& nm);
    void CheckRows(std::initializer_list<int> rows);
    void SelectRecommendedItems();
    void CleanSelectedRow();
    void ViewDescription();
    // Runs another dialog modally, then refreshes the list on the user-interface thread.
    void RunAnotherDialog(const std::function<void()>& runDialog);

    // Tools, links and About.
    void OnSoftReset();
    void OnMemory();
    void OnRunningPrograms();
    void OnOperaSettings();
    void OnAbout();
    void OnLink(const std::u16string& page);

    // Runs fn on the user-interface thread (at once when already there).
    void OnUi(const std::function<void()>& fn);

    app::RunState& run_;
    CStatic picture_{WindowKind::Picture};
    CItemListCtrl list_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
};

// The maker's details shown by About and opened by the links.
extern const char16_t kVersion[];
extern const char16_t kDeveloper[];
extern const char16_t kWebsite[];
extern const char16_t kMobileSite[];

}  // namespace tidy::ui::main
