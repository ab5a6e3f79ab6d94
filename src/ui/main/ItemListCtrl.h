#pragma once
// List controls with a tap-and-hold menu. The main list and the Advanced list share
// CItemListCtrl; the custom file list has CCustomFileListCtrl. Each catches the shell's
// tap-and-hold gesture, builds a small pop-up menu and sends the chosen command to the dialog
// that owns the list.

#include "ui/framework/Controls.h"

namespace tidy::ui::main {

// Commands of the tap-and-hold menus.
constexpr int kCmdSelectAll = 10000;
constexpr int kCmdUnselectAll = 10001;
constexpr int kCmdViewDescription = 10002;
constexpr int kCmdCleanSelected = 10003;
constexpr int kCmdDeleteCustomFile = 18000;

// True when the list's selection mark names a row that carries the selected state.
bool HasSelectedRow(const CListCtrl& list);

class CItemListCtrl : public CListCtrl {
  public:
    // The Advanced list hides "Select All" and "Unselect All".
    int bulkEntriesHidden = 0;

    bool OnReflectNotify(NMHDR& nm, LRESULT& result) override;
};

class CCustomFileListCtrl : public CListCtrl {
  public:
    bool OnReflectNotify(NMHDR& nm, LRESULT& result) override;
};

}  // namespace tidy::ui::main
