#pragma once
// The Options dialog: where the Internet Explorer folders and the mail-attachment folder are
// moved, the three custom folders are chosen and cleaning at start-up is switched; nothing
// takes effect before "Apply Settings". The work itself is in Options.h.

#include <array>

#include "ui/framework/Dialog.h"

namespace tidy::app {
struct RunState;
}

namespace tidy::settings {

constexpr int IDD_OPTIONS = 134;
constexpr int IDC_CUSTOM_FOLDER1 = 1022;
constexpr int IDC_CUSTOM_FOLDER2 = 1023;
constexpr int IDC_CACHE_ROOT = 1024;
constexpr int IDC_MAIL_LOCATION = 1025;
constexpr int IDC_STARTUP = 1026;
constexpr int IDC_BROWSE1 = 1027;
constexpr int IDC_BROWSE2 = 1028;
constexpr int IDC_CUSTOM_FOLDER3 = 1029;
constexpr int IDC_BROWSE3 = 1030;
constexpr int ID_APPLY_SETTINGS = 1018;
constexpr int ID_SHORTCUT_EXPRESS = 32789;
constexpr int ID_SHORTCUT_SOFT_RESET = 32797;
constexpr int IDR_OPTIONS_MENU = 143;

class COptionsDlg : public ui::CDialog {
  public:
    COptionsDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent = nullptr);

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::CDataExchange* dx) override;
    // Enter does nothing here: the dialog closes only through "Close".
    void OnOK() override {}
    bool OnCommand(int id, int code) override;
    void OnSize(int type, int cx, int cy) override;
    void OnDestroy() override;

  private:
    void Apply();
    void Browse(int index);
    void Layout(int cx);

    app::RunState& run_;
    ui::CComboBox cacheRoot_, mailLocation_;
    std::array<ui::CEdit, 3> custom_;
    std::array<ui::CButton, 3> browse_;
    ui::CButton startup_{ui::WindowKind::CheckBox};
    // Distances of the controls' right edges from the right edge of the dialog as designed.
    std::array<int, 5> stretchMargin_{};  // the two combo boxes, the three edit boxes
    std::array<int, 3> browseMargin_{};
    int laidOutWidth_ = 0, laidOutHeight_ = 0;  // screen size at the last layout
};

// Runs the Options dialog modally with no parent, as the main window's "Main Settings" command
// (1017) does; returns the dialog's result (-1 when the run has no user-interface thread).
int RunOptionsDialog(app::RunState& run);

}  // namespace tidy::settings
