#include "customfiles/CustomFilesDlg.h"

#include <algorithm>

#include "app/RunState.h"
#include "ui/folderpicker/SelectFolderDlg.h"
#include "ui/framework/UiThread.h"

namespace tidy::customfiles {

std::vector<CustomFileRow> RowsOfEntries(const CustomFileList& entries) {
    std::vector<CustomFileRow> rows;
    for (const auto& entry : entries) {
        const size_t slash = entry.rfind(u'\\');
        if (slash == std::u16string::npos) continue;
        CustomFileRow row{entry.substr(slash + 1), entry.substr(0, slash + 1)};
        if (!row.name.empty() && !row.folder.empty()) rows.push_back(std::move(row));
    }
    return rows;
}

CustomFileList EntriesOfRows(const std::vector<CustomFileRow>& rows) {
    CustomFileList entries;
    for (const auto& row : rows) {
        std::u16string entry = row.folder + row.name;
        if (std::find(entries.begin(), entries.end(), entry) == entries.end())
            entries.push_back(std::move(entry));
    }
    return entries;
}

std::pair<int, int> CustomFileColumnWidths(int screenWidth, int screenHeight) {
    double scale = 1.0;
    if (screenWidth >= 480 && screenHeight >= 480)
        scale = 2.0;
    else if (screenWidth == 320 && screenHeight == 320)
        scale = 1.333;
    return {static_cast<int>(115 * scale), static_cast<int>(100 * scale)};
}

CCustomFilesDlg::CCustomFilesDlg(app::RunState& run, ui::UiThread& ui, ui::Window* parent)
    : ui::CDialog(ui, IDD_CUSTOM_FILES, parent), run_(run) {}

void CCustomFilesDlg::DoDataExchange(ui::CDataExchange* dx) {
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_CF_FOLDER, folder_);
    ui::DDX_Control(dx, IDC_CF_FILENAME, fileName_);
    ui::DDX_Control(dx, IDC_CF_BROWSE, browse_);
    ui::DDX_Control(dx, IDC_CF_ADD, add_);
    ui::DDX_Control(dx, IDC_CF_LIST, list_);
}

bool CCustomFilesDlg::OnInitDialog() {
    ui::CDialog::OnInitDialog();
    MenuBar().InsertButton(0, u"Save", ID_CF_SAVE);
    MenuBar().InsertButton(1, u"Close", ui::IDCANCEL);

    const auto& screen = Ui().Screen();
    const auto [nameWidth, folderWidth] = CustomFileColumnWidths(screen.width, screen.height);
    list_.InsertColumn(0, u"Filename", ui::LVCFMT_LEFT, nameWidth);
    list_.InsertColumn(1, u"Folder", ui::LVCFMT_LEFT, folderWidth);
    list_.SetExtendedStyle(list_.GetExtendedStyle() | ui::LVS_EX_FULLROWSELECT);

    Layout();

    auto& entries = run_.customFiles.list;
    LoadCustomFileList(run_, entries);
    for (const auto& row : RowsOfEntries(entries)) {
        const int at = list_.InsertItem(list_.GetItemCount(), row.name);
        if (at >= 0) list_.SetItemText(at, 1, row.folder);
    }
    entries.clear();

    HideTitleOkButton();
    return true;
}

void CCustomFilesDlg::Layout() {
    const auto& screen = Ui().Screen();
    laidOutWidth_ = screen.width;
    laidOutHeight_ = screen.height;
    const ui::Rect client = GetClientRect();
    const ui::Rect folderBox = folder_.Bounds();
    ui::Rect list = list_.Bounds();
    const int margin = list.left;
    list.right = client.Width() - margin;
    list.bottom = client.Height() - 4 * folderBox.top;
    list.bottom = std::max(list.bottom, list.top + 1);
    list_.MoveWindow(list);

    int buttonsLeft = client.Width();
    for (ui::CButton* button : {&browse_, &add_}) {
        ui::Rect r = button->Bounds();
        const int width = r.Width();
        r.right = client.Width() - margin;
        r.left = r.right - width;
        button->MoveWindow(r);
        buttonsLeft = std::min(buttonsLeft, r.left);
    }
    for (ui::CEdit* box : {&folder_, &fileName_}) {
        ui::Rect r = box->Bounds();
        r.right = std::max(r.left + 1, buttonsLeft - margin);
        box->MoveWindow(r);
    }
}

void CCustomFilesDlg::OnSize(int type, int cx, int cy) {
    ui::CDialog::OnSize(type, cx, cy);
    if (!list_.IsWindow()) return;
    const auto& screen = Ui().Screen();
    if (screen.width != laidOutWidth_ && screen.height != laidOutHeight_) Layout();
}

bool CCustomFilesDlg::OnCommand(int id, int code) {
    switch (id) {
        case IDC_CF_BROWSE:
            Browse();
            return true;
        case IDC_CF_ADD:
            Add();
            return true;
        case ui::main::kCmdDeleteCustomFile:
            DeleteSelected();
            return true;
        case ID_CF_SAVE:
            Save();
            return true;
        default:
            return ui::CDialog::OnCommand(id, code);
    }
}

void CCustomFilesDlg::Browse() {
    std::u16string initial = folder_.GetWindowText();
    if (initial.empty()) initial = u"\\";
    const std::u16string picked = folderpicker::BrowseForFolder(run_, initial, this);
    if (picked.empty()) return;
    folder_.SetWindowText(picked);
    fileName_.SetFocus();
    fileName_.SetSel(0, 0);
}

void CCustomFilesDlg::Add() {
    const std::u16string folder = folder_.GetWindowText();
    const std::u16string name = fileName_.GetWindowText();
    if (folder.empty()) return;
    const int at = list_.InsertItem(list_.GetItemCount(), name);
    if (at < 0) return;
    list_.SetItemText(at, 1, folder);
    list_.EnsureVisible(at);
    folder_.SetWindowText(std::u16string());
    fileName_.SetWindowText(std::u16string());
}

void CCustomFilesDlg::DeleteSelected() {
    if (ui::main::HasSelectedRow(list_)) list_.DeleteItem(list_.GetSelectionMark());
}

void CCustomFilesDlg::Save() {
    std::vector<CustomFileRow> rows;
    for (int row = 0; row < list_.GetItemCount(); ++row)
        rows.push_back({list_.GetItemText(row, 0), list_.GetItemText(row, 1)});
    auto& entries = run_.customFiles.list;
    entries = EntriesOfRows(rows);
    SaveCustomFileList(run_, entries);  // tells the user and empties the list
    entries.clear();
}

int RunCustomFilesDialog(app::RunState& run) {
    ui::UiThread* ui = ui::AsUiThread(run.ui);
    if (ui == nullptr) return -1;
    CCustomFilesDlg dlg(run, *ui, nullptr);
    return dlg.DoModal();
}

}  // namespace tidy::customfiles
