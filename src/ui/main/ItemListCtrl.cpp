#include "ui/main/ItemListCtrl.h"

#include "ui/framework/Menu.h"

namespace tidy::ui::main {

bool HasSelectedRow(const CListCtrl& list) {
    int mark = list.GetSelectionMark();
    return mark >= 0 && (list.GetItemState(mark, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

namespace {

// Shows menu at the gesture's point, owned by the list's parent, which receives the command.
void TrackAt(CMenu& menu, const NMHDR& nm, Window* owner) {
    const auto& info = static_cast<const NMRGINFO&>(nm);
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN, info.ptAction.x, info.ptAction.y, owner);
    menu.DestroyMenu();
}

}  // namespace

bool CItemListCtrl::OnReflectNotify(NMHDR& nm, LRESULT& result) {
    if (nm.code != GN_CONTEXTMENU) return CListCtrl::OnReflectNotify(nm, result);
    result = 0;
    bool rowSelected = HasSelectedRow(*this);
    if (!rowSelected && bulkEntriesHidden) return true;
    CMenu menu;
    menu.CreatePopupMenu();
    if (!bulkEntriesHidden) {
        menu.AppendMenu(MF_STRING, kCmdSelectAll, u"Select All");
        menu.AppendMenu(MF_STRING, kCmdUnselectAll, u"Unselect All");
    }
    if (rowSelected) {
        menu.AppendMenu(MF_STRING, kCmdViewDescription, u"View Description");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, kCmdCleanSelected, u"Clean Selected");
    }
    TrackAt(menu, nm, GetParent());
    return true;
}

bool CCustomFileListCtrl::OnReflectNotify(NMHDR& nm, LRESULT& result) {
    if (nm.code != GN_CONTEXTMENU) return CListCtrl::OnReflectNotify(nm, result);
    result = 0;
    if (!HasSelectedRow(*this)) return true;
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kCmdDeleteCustomFile, u"Delete");
    TrackAt(menu, nm, GetParent());
    return true;
}

}  // namespace tidy::ui::main
