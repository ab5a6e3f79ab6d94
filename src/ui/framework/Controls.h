#pragma once
// The controls of a dialog: list view, tree view, combo box, edit, button (push button and
// check box), label and picture. Their operations follow the device's control classes; the
// methods named User... are what a person does (a tap, a tick, a pick) and are called by the
// front ends: they change the control and send the notifications the device would send.

#include <map>
#include <string>
#include <vector>

#include "ui/framework/Window.h"

namespace tidy::ui {

// ---- List view.
constexpr unsigned LVS_EX_CHECKBOXES = 0x0004;
constexpr unsigned LVS_EX_FULLROWSELECT = 0x0020;
constexpr int LVCFMT_LEFT = 0;
constexpr int LVSCW_AUTOSIZE = -1;
constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;
constexpr unsigned LVNI_ALL = 0x0000;
constexpr unsigned LVNI_FOCUSED = 0x0001;
constexpr unsigned LVNI_SELECTED = 0x0002;

struct ListColumn {
    std::u16string text;
    int format = LVCFMT_LEFT;
    int width = 0;  // pixels
};

struct ListRow {
    std::vector<std::u16string> cells;  // one per column (cell 0 is the item text)
    unsigned state = 0;                 // LVIS_* and the state-image bits
};

// A report-style list view (CListCtrl). Every change of an item's state or text is reported to
// the parent dialog at once by LVN_ITEMCHANGED, whether a person or the program made it, as on
// the device: the notification's uChanged holds LVIF_STATE or LVIF_TEXT; for state changes
// uNewState and uOldState hold the new and old state within the mask of the change (a tick
// carries state-image bits, a selection change only LVIS_SELECTED/LVIS_FOCUSED); text changes
// carry no state.
class CListCtrl : public Window {
  public:
    CListCtrl();

    // Columns.
    int InsertColumn(int column, const std::u16string& heading, int format = LVCFMT_LEFT,
                     int width = -1);
    int GetColumnCount() const { return static_cast<int>(columns_.size()); }
    // A width in pixels, or LVSCW_AUTOSIZE (fits the contents) or LVSCW_AUTOSIZE_USEHEADER
    // (fits header and contents; the last column fills the rest of the list's width).
    bool SetColumnWidth(int column, int width);
    int GetColumnWidth(int column) const;
    const std::vector<ListColumn>& Columns() const { return columns_; }

    // Rows.
    int InsertItem(int index, const std::u16string& text);
    // Inserts with an initial state (mask tells which bits of state apply).
    int InsertItem(int index, const std::u16string& text, unsigned state, unsigned mask);
    bool DeleteItem(int index);
    bool DeleteAllItems();
    int GetItemCount() const { return static_cast<int>(rows_.size()); }
    bool SetItemText(int row, int column, const std::u16string& text);
    std::u16string GetItemText(int row, int column) const;
    bool SetItemState(int row, unsigned state, unsigned mask);
    unsigned GetItemState(int row, unsigned mask) const;
    // The check box: state image 2 (ticked) or 1 (empty).
    bool SetCheck(int row, bool check = true);
    bool GetCheck(int row) const;
    const std::vector<ListRow>& Rows() const { return rows_; }

    // The selection mark (-1: none).
    int GetSelectionMark() const { return selectionMark_; }
    int SetSelectionMark(int row);
    int GetSelectedCount() const;
    // The next row after start (-1: from the top) with all the LVNI_* flags; -1 when none.
    int GetNextItem(int start, unsigned flags) const;

    unsigned GetExtendedStyle() const { return exStyle_; }
    // Check boxes give every row without a state image the empty check box.
    void SetExtendedStyle(unsigned exStyle);

    bool EnsureVisible(int row, bool partialOk = false);
    int GetTopIndex() const { return topIndex_; }
    int GetCountPerPage() const;
    // Row geometry in client coordinates: a header, then rows of equal height.
    bool GetItemRect(int row, Rect& r) const;
    int HitTest(Point clientPoint) const;
    int HeaderHeight() const;
    int RowHeight() const;

    // ---- What a person does. Each returns false (changing nothing) for a row out of range.
    // A tap on a row: selects it (and gives it the focus and the selection mark), unselecting
    // the others in a single-selection list; then NM_CLICK.
    bool UserSelect(int row);
    // A tap on a row's check box: ticks or clears it (LVN_ITEMCHANGED as above).
    bool UserCheck(int row, bool check);
    // A double tap: the first tap selects the row, then NM_DBLCLK with the row hit.
    bool UserDoubleTap(int row);
    // Tap and hold at a point in client coordinates: GN_CONTEXTMENU with the point in screen
    // coordinates. The selection is not changed.
    void UserTapAndHold(Point clientPoint);

  protected:
    bool TakeStateFrom(Window& from) override;
    void OnResized() override;

  private:
    void NotifyChanged(int row, unsigned changed, unsigned oldState, unsigned newState);
    int AutoWidth(int column, bool useHeader) const;

    std::vector<ListColumn> columns_;
    std::vector<ListRow> rows_;
    unsigned exStyle_ = 0;
    int selectionMark_ = -1;
    int topIndex_ = 0;
};

// ---- Tree view.
constexpr unsigned TVE_COLLAPSE = 0x0001;
constexpr unsigned TVE_EXPAND = 0x0002;
constexpr unsigned TVE_TOGGLE = 0x0003;
constexpr unsigned TVIS_SELECTED = 0x0002;
constexpr unsigned TVIS_EXPANDED = 0x0020;
constexpr unsigned TVGN_ROOT = 0x0000;
constexpr unsigned TVGN_NEXT = 0x0001;
constexpr unsigned TVGN_PARENT = 0x0003;
constexpr unsigned TVGN_CHILD = 0x0004;
constexpr unsigned TVGN_CARET = 0x0009;
constexpr unsigned TVGN_FIRSTVISIBLE = 0x0005;

struct TreeNode {
    HTREEITEM handle = 0;
    HTREEITEM parent = 0;  // 0 for top-level items
    std::u16string text;
    bool expanded = false;
    std::vector<HTREEITEM> children;
};

// A tree view (CTreeCtrl).
class CTreeCtrl : public Window {
  public:
    CTreeCtrl();

    // Inserts under parent (TVI_ROOT: top level) after `after` (TVI_FIRST, TVI_LAST, TVI_SORT
    // for alphabetical order ignoring case, or a sibling). Returns 0 on failure.
    HTREEITEM InsertItem(const std::u16string& text, HTREEITEM parent = TVI_ROOT,
                         HTREEITEM after = TVI_LAST);
    bool DeleteItem(HTREEITEM item);
    bool DeleteAllItems();
    unsigned GetCount() const { return static_cast<unsigned>(nodes_.size()); }
    std::u16string GetItemText(HTREEITEM item) const;
    bool SetItemText(HTREEITEM item, const std::u16string& text);
    HTREEITEM GetRootItem() const;
    HTREEITEM GetParentItem(HTREEITEM item) const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    bool ItemHasChildren(HTREEITEM item) const;
    HTREEITEM GetNextItem(HTREEITEM item, unsigned code) const;
    unsigned GetItemState(HTREEITEM item, unsigned mask) const;

    // Selects item (0: none); sends TVN_SELCHANGED when the selection changes.
    bool SelectItem(HTREEITEM item);
    HTREEITEM GetSelectedItem() const { return selected_; }
    // TVE_EXPAND, TVE_COLLAPSE or TVE_TOGGLE; sends TVN_ITEMEXPANDED when the state changes.
    bool Expand(HTREEITEM item, unsigned code);
    // Expands the item's ancestors and scrolls it into view.
    bool EnsureVisible(HTREEITEM item);
    // Scrolls so that item is the first visible one.
    bool SelectSetFirstVisible(HTREEITEM item);
    HTREEITEM GetFirstVisibleItem() const { return firstVisible_; }

    // Items in display order (depth first), with their depth; only those whose ancestors are
    // all expanded when visibleOnly.
    std::vector<std::pair<HTREEITEM, int>> Flatten(bool visibleOnly) const;
    const TreeNode* Node(HTREEITEM item) const;

    // ---- What a person does.
    // A tap on an item: focus, selection (TVN_SELCHANGED).
    bool UserSelect(HTREEITEM item);
    // A tap on the expand button.
    bool UserToggle(HTREEITEM item);
    // Enter while the tree has the focus: NM_RETURN.
    void UserReturn();
    // Finds the item at a path of texts from the top level ("My Device/Program Files"),
    // comparing texts ignoring case; 0 when there is none.
    HTREEITEM FindPath(const std::vector<std::u16string>& path) const;

  protected:
    bool TakeStateFrom(Window& from) override;

  private:
    TreeNode* Mutable(HTREEITEM item);
    std::vector<HTREEITEM>& Siblings(HTREEITEM parent);
    void Erase(HTREEITEM item);

    std::map<HTREEITEM, TreeNode> nodes_;
    std::vector<HTREEITEM> top_;
    HTREEITEM next_ = 1;
    HTREEITEM selected_ = 0;
    HTREEITEM firstVisible_ = 0;
};

// ---- Combo box (drop-down list).
constexpr int CB_ERR = -1;

class CComboBox : public Window {
  public:
    CComboBox();
    int AddString(const std::u16string& text);                // sorted position with CBS_SORT
    int InsertString(int index, const std::u16string& text);  // -1: at the end
    int DeleteString(int index);
    void ResetContent();
    int GetCount() const { return static_cast<int>(items_.size()); }
    int GetCurSel() const { return cur_; }
    int SetCurSel(int index);  // -1 clears; CB_ERR for an index out of range
    std::u16string GetLBText(int index) const;
    int FindStringExact(int start, const std::u16string& text) const;  // ignoring case
    const std::vector<std::u16string>& Items() const { return items_; }

    // A person picks an item: the selection changes, then CBN_SELCHANGE.
    bool UserPick(int index);

  protected:
    bool TakeStateFrom(Window& from) override;

  private:
    std::vector<std::u16string> items_;
    int cur_ = -1;
};

// ---- Edit box.
class CEdit : public Window {
  public:
    CEdit();
    bool IsReadOnly() const { return (GetStyle() & ES_READONLY) != 0; }
    void SetReadOnly(bool readOnly = true);
    void SetSel(int start, int end);
    void GetSel(int& start, int& end) const {
        start = selStart_;
        end = selEnd_;
    }
    // A person types text into the box (replacing its text): EN_CHANGE. Refused (false) for a
    // read-only box.
    bool UserType(const std::u16string& text);

  protected:
    bool TakeStateFrom(Window& from) override;

  private:
    int selStart_ = 0, selEnd_ = 0;
};

// ---- Button: a push button or an auto check box (kind CheckBox).
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

class CButton : public Window {
  public:
    // A push button; a member bound to an auto check box takes the check-box kind.
    explicit CButton(WindowKind kind = WindowKind::Button);
    bool IsCheckBox() const { return Kind() == WindowKind::CheckBox; }
    int GetCheck() const { return check_; }
    void SetCheck(int check);
    // A tap: an auto check box toggles first; then BN_CLICKED reaches the dialog as a command.
    // Refused (false) when the button is disabled or hidden.
    bool UserClick();

  protected:
    bool TakeStateFrom(Window& from) override;

  private:
    friend std::unique_ptr<Window> CreateControl(CDialog& dialog, const ControlTemplate& t);
    int check_ = BST_UNCHECKED;
};

// ---- Label or picture (CStatic).
class CStatic : public Window {
  public:
    explicit CStatic(WindowKind kind = WindowKind::Label);
    int GetBitmap() const { return bitmap_; }
    void SetBitmap(int bitmapId);

  protected:
    bool TakeStateFrom(Window& from) override;

  private:
    friend std::unique_ptr<Window> CreateControl(CDialog& dialog, const ControlTemplate& t);
    int bitmap_ = 0;
};

// Builds the control a template describes, as a child of dialog.
std::unique_ptr<Window> CreateControl(CDialog& dialog, const ControlTemplate& t);

}  // namespace tidy::ui
