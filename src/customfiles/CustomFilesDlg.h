#pragma once
// The Custom Files dialog: the user's own list of files to delete, edited as rows of a file
// name (or pattern) and a folder; "files.dat" changes only on "Save".

#include <string>
#include <utility>
#include <vector>

#include "customfiles/CustomFileList.h"
#include "ui/framework/Dialog.h"
#include "ui/main/ItemListCtrl.h"

namespace tidy::app {
struct RunState;
}

namespace tidy::customfiles {

constexpr int IDD_CUSTOM_FILES = 152;
constexpr int IDC_CF_FILENAME = 1033;
constexpr int IDC_CF_FOLDER = 1035;
constexpr int IDC_CF_BROWSE = 1036;
constexpr int IDC_CF_ADD = 1037;
constexpr int IDC_CF_LIST = 1038;
constexpr int ID_CF_SAVE = 1018;

// A row of the list view: file name (or pattern) and folder with its trailing backslash.
struct CustomFileRow {
    std::u16string name;
    std::u16string folder;
    friend bool operator==(const CustomFileRow&, const CustomFileRow&) = default;
};

// The rows an entry list shows: each entry split at its last backslash; entries without one,
// or with an empty folder or name part, are not shown.
std::vector<CustomFileRow> RowsOfEntries(const CustomFileList& entries);
// The entries the rows save as: folder followed by name, each once, in row order.
CustomFileList EntriesOfRows(const std::vector<CustomFileRow>& rows);
// The widths of the Filename and Folder columns for a screen of that size.
std::pair<int, int> CustomFileColumnWidths(int screenWidth, int screenHeight);

class CCustomFilesDlg : public ui::CDialog {
  public:
    CCustomFilesDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent = nullptr);

    ui::CListCtrl& List() { return list_; }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::CDataExchange* dx) override;
    bool OnCommand(int id, int code) override;
    void OnSize(int type, int cx, int cy) override;

  private:
    void Browse();
    void Add();
    void DeleteSelected();
    void Save();
    void Layout();

    app::RunState& run_;
    ui::CEdit folder_, fileName_;
    ui::CButton browse_, add_;
    ui::main::CCustomFileListCtrl list_;
    int laidOutWidth_ = 0, laidOutHeight_ = 0;  // screen size at the last layout
};

// Runs the Custom Files dialog modally with no parent, as the main window's "Custom Files"
// command (32801) does; returns the dialog's result (-1 without a user-interface thread).
int RunCustomFilesDialog(app::RunState& run);

}  // namespace tidy::customfiles
