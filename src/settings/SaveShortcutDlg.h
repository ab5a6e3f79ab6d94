#pragma once
// The Save Shortcut dialog: shows the shortcut's file name and offers the Start Menu, the
// Programs folder and every folder below it as the place to save it.

#include <string>
#include <vector>

#include "settings/Shortcuts.h"
#include "ui/framework/Dialog.h"

namespace tidy::app {
struct RunState;
}

namespace tidy::settings {

constexpr int IDD_SAVE_SHORTCUT = 146;
constexpr int IDC_SHORTCUT_LOCATION = 1032;
constexpr int IDC_SHORTCUT_FILENAME = 1033;

class CSaveShortcutDlg : public ui::CDialog {
  public:
    CSaveShortcutDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent = nullptr);

    // In: the shortcut's file name. Out: the folder chosen followed by the file name, or empty
    // when no location was selected. Filled when the dialog goes away, after OK or Cancel.
    std::u16string fileName;
    std::u16string resultPath;

    ui::CComboBox& Locations() { return location_; }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::CDataExchange* dx) override;
    void OnDestroy() override;

  private:
    app::RunState& run_;
    ui::CEdit name_;
    ui::CComboBox location_;
    ShortcutFolders folders_;
    std::vector<std::u16string> subfolders_;  // while the combo box is filled
};

}  // namespace tidy::settings
