#include "ui/framework/Controls.h"

#include <algorithm>

#include "platform/Text.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/UiThread.h"

namespace tidy::ui {

namespace {
int ScaleOf(const Window& w) {
    return w.IsWindow() ? w.Ui().Screen().Scale() : 1;
}
int TextPixels(const Window& w, const std::u16string& s) {
    ScreenMetrics m;
    if (w.IsWindow()) m = w.Ui().Screen();
    return m.TextWidth(s.size());
}
}  // namespace

// ================================================================ list view

CListCtrl::CListCtrl() : Window(WindowKind::ListView) {}

bool CListCtrl::TakeStateFrom(Window& from) {
    auto* f = dynamic_cast<CListCtrl*>(&from);
    if (!f) return false;
    Window::TakeStateFrom(from);
    columns_ = f->columns_;
    rows_ = f->rows_;
    exStyle_ = f->exStyle_;
    selectionMark_ = f->selectionMark_;
    topIndex_ = f->topIndex_;
    return true;
}

int CListCtrl::InsertColumn(int column, const std::u16string& heading, int format, int width) {
    if (column < 0) return -1;
    column = std::min(column, GetColumnCount());
    ListColumn c{heading, format, 0};
    c.width = width >= 0 ? width : TextPixels(*this, heading) + 12 * ScaleOf(*this);
    columns_.insert(columns_.begin() + column, c);
    // Cell 0 is always the item text: a column inserted in front shifts the texts along.
    for (auto& r : rows_)
        if (static_cast<int>(r.cells.size()) > column && column > 0)
            r.cells.insert(r.cells.begin() + column, std::u16string());
    Changed();
    return column;
}

int CListCtrl::AutoWidth(int column, bool useHeader) const {
    const int margin = 12 * ScaleOf(*this);
    // The first column's rows start with their check box: their text is measured after it.
    const int box = column == 0 && (exStyle_ & LVS_EX_CHECKBOXES) ? 18 * ScaleOf(*this) : 0;
    int w = 0;
    if (useHeader) w = TextPixels(*this, columns_[column].text) + margin;
    for (const auto& r : rows_)
        if (column < static_cast<int>(r.cells.size()))
            w = std::max(w, TextPixels(*this, r.cells[column]) + margin + box);
    if (useHeader && column == GetColumnCount() - 1) {
        int others = 0;
        for (int i = 0; i < column; ++i) others += columns_[i].width;
        w = std::max(w, Bounds().Width() - others);
    }
    return w;
}

bool CListCtrl::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= GetColumnCount()) return false;
    if (width == LVSCW_AUTOSIZE)
        width = AutoWidth(column, false);
    else if (width == LVSCW_AUTOSIZE_USEHEADER)
        width = AutoWidth(column, true);
    if (width < 0) return false;
    if (columns_[column].width != width) {
        columns_[column].width = width;
        Changed();
    }
    return true;
}

int CListCtrl::GetColumnWidth(int column) const {
    return column >= 0 && column < GetColumnCount() ? columns_[column].width : 0;
}

int CListCtrl::InsertItem(int index, const std::u16string& text) {
    return InsertItem(index, text, 0, 0);
}

int CListCtrl::InsertItem(int index, const std::u16string& text, unsigned state, unsigned mask) {
    if (index < 0) return -1;
    index = std::min(index, GetItemCount());
    ListRow r;
    r.cells.assign(std::max(1, GetColumnCount()), std::u16string());
    r.cells[0] = text;
    r.state = state & mask;
    if ((exStyle_ & LVS_EX_CHECKBOXES) && !(r.state & LVIS_STATEIMAGEMASK))
        r.state |= LVIS_UNCHECKED;
    rows_.insert(rows_.begin() + index, std::move(r));
    if (selectionMark_ >= index) ++selectionMark_;
    Changed();
    return index;
}

bool CListCtrl::DeleteItem(int index) {
    if (index < 0 || index >= GetItemCount()) return false;
    rows_.erase(rows_.begin() + index);
    if (selectionMark_ == index)
        selectionMark_ = -1;
    else if (selectionMark_ > index)
        --selectionMark_;
    topIndex_ = std::max(0, std::min(topIndex_, GetItemCount() - 1));
    Changed();
    return true;
}

bool CListCtrl::DeleteAllItems() {
    rows_.clear();
    selectionMark_ = -1;
    topIndex_ = 0;
    Changed();
    return true;
}

bool CListCtrl::SetItemText(int row, int column, const std::u16string& text) {
    if (row < 0 || row >= GetItemCount() || column < 0 || column >= std::max(1, GetColumnCount()))
        return false;
    auto& cells = rows_[row].cells;
    if (static_cast<int>(cells.size()) <= column) cells.resize(column + 1);
    cells[column] = text;
    Changed();
    // The device reports text changes too; their state fields are empty.
    NotifyChanged(row, LVIF_TEXT, 0, 0);
    return true;
}

std::u16string CListCtrl::GetItemText(int row, int column) const {
    if (row < 0 || row >= GetItemCount() || column < 0) return {};
    const auto& cells = rows_[row].cells;
    return column < static_cast<int>(cells.size()) ? cells[column] : std::u16string();
}

bool CListCtrl::SetItemState(int row, unsigned state, unsigned mask) {
    if (row == -1) {  // every row
        for (int i = 0; i < GetItemCount(); ++i) SetItemState(i, state, mask);
        return true;
    }
    if (row < 0 || row >= GetItemCount()) return false;
    // One selected row in a single-selection list, one focused row in any list.
    if ((mask & state & LVIS_SELECTED) && (GetStyle() & LVS_SINGLESEL)) {
        for (int i = 0; i < GetItemCount(); ++i)
            if (i != row && (rows_[i].state & LVIS_SELECTED)) SetItemState(i, 0, LVIS_SELECTED);
    }
    if (mask & state & LVIS_FOCUSED) {
        for (int i = 0; i < GetItemCount(); ++i)
            if (i != row && (rows_[i].state & LVIS_FOCUSED)) SetItemState(i, 0, LVIS_FOCUSED);
    }
    if (row >= GetItemCount()) return false;  // a handler may have deleted rows meanwhile
    unsigned old = rows_[row].state;
    unsigned now = (old & ~mask) | (state & mask);
    if (now == old) return true;
    rows_[row].state = now;
    Changed();
    // The notification carries the bits the call was about: a selection change shows no
    // check-box bits, so handlers tell a tick from a tap by the state-image mask.
    NotifyChanged(row, LVIF_STATE, old & mask, now & mask);
    return true;
}

unsigned CListCtrl::GetItemState(int row, unsigned mask) const {
    if (row < 0 || row >= GetItemCount()) return 0;
    return rows_[row].state & mask;
}

bool CListCtrl::SetCheck(int row, bool check) {
    return SetItemState(row, check ? LVIS_CHECKED : LVIS_UNCHECKED, LVIS_STATEIMAGEMASK);
}

bool CListCtrl::GetCheck(int row) const {
    return GetItemState(row, LVIS_STATEIMAGEMASK) == LVIS_CHECKED;
}

int CListCtrl::SetSelectionMark(int row) {
    int old = selectionMark_;
    selectionMark_ = row >= 0 && row < GetItemCount() ? row : -1;
    return old;
}

int CListCtrl::GetSelectedCount() const {
    int n = 0;
    for (const auto& r : rows_)
        if (r.state & LVIS_SELECTED) ++n;
    return n;
}

int CListCtrl::GetNextItem(int start, unsigned flags) const {
    for (int i = std::max(0, start + 1); i < GetItemCount(); ++i)
        if ((rows_[i].state & flags) == flags) return i;
    return -1;
}

void CListCtrl::SetExtendedStyle(unsigned exStyle) {
    bool boxes = (exStyle & LVS_EX_CHECKBOXES) && !(exStyle_ & LVS_EX_CHECKBOXES);
    exStyle_ = exStyle;
    if (boxes)
        for (auto& r : rows_)
            if (!(r.state & LVIS_STATEIMAGEMASK)) r.state |= LVIS_UNCHECKED;
    Changed();
}

int CListCtrl::HeaderHeight() const {
    return 18 * ScaleOf(*this);
}
int CListCtrl::RowHeight() const {
    return 16 * ScaleOf(*this);
}

int CListCtrl::GetCountPerPage() const {
    return std::max(1, (Bounds().Height() - HeaderHeight()) / RowHeight());
}

bool CListCtrl::EnsureVisible(int row, bool partialOk) {
    (void)partialOk;
    if (row < 0 || row >= GetItemCount()) return false;
    int per = GetCountPerPage();
    int top = topIndex_;
    if (row < top) top = row;
    if (row >= top + per) top = row - per + 1;
    if (top != topIndex_) {
        topIndex_ = top;
        Changed();
    }
    return true;
}

bool CListCtrl::GetItemRect(int row, Rect& r) const {
    if (row < 0 || row >= GetItemCount()) return false;
    int top = HeaderHeight() + (row - topIndex_) * RowHeight();
    r = {0, top, Bounds().Width(), top + RowHeight()};
    return true;
}

int CListCtrl::HitTest(Point p) const {
    if (p.x < 0 || p.x >= Bounds().Width() || p.y < HeaderHeight()) return -1;
    int row = topIndex_ + (p.y - HeaderHeight()) / RowHeight();
    return row < GetItemCount() ? row : -1;
}

void CListCtrl::OnResized() {}

void CListCtrl::NotifyChanged(int row, unsigned changed, unsigned oldState, unsigned newState) {
    if (!IsWindow() || !GetParent()) return;
    NMLISTVIEW nm;
    nm.code = LVN_ITEMCHANGED;
    nm.iItem = row;
    nm.uChanged = changed;
    nm.uOldState = oldState;
    nm.uNewState = newState;
    NotifyParent(nm);
}

bool CListCtrl::UserSelect(int row) {
    if (row < 0 || row >= GetItemCount() || !IsWindowEnabled()) return false;
    SetFocus();
    if (!(GetStyle() & LVS_SINGLESEL)) {  // a plain tap leaves one row selected
        for (int i = 0; i < GetItemCount(); ++i)
            if (i != row && (rows_[i].state & LVIS_SELECTED)) SetItemState(i, 0, LVIS_SELECTED);
    }
    if (row >= GetItemCount()) return false;
    SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    selectionMark_ = row < GetItemCount() ? row : -1;
    EnsureVisible(row);
    Rect r;
    GetItemRect(row, r);
    NMITEMACTIVATE nm;
    nm.code = NM_CLICK;
    nm.iItem = row;
    nm.ptAction = r.Center();
    NotifyParent(nm);
    return true;
}

bool CListCtrl::UserCheck(int row, bool check) {
    if (row < 0 || row >= GetItemCount() || !IsWindowEnabled()) return false;
    if (!(exStyle_ & LVS_EX_CHECKBOXES)) return false;  // no box to tap
    SetCheck(row, check);
    return true;
}

bool CListCtrl::UserDoubleTap(int row) {
    if (!UserSelect(row)) return false;
    if (row >= GetItemCount()) return true;
    Rect r;
    GetItemRect(row, r);
    NMITEMACTIVATE nm;
    nm.code = NM_DBLCLK;
    nm.iItem = row;
    nm.ptAction = r.Center();
    NotifyParent(nm);
    return true;
}

void CListCtrl::UserTapAndHold(Point clientPoint) {
    NMRGINFO nm;
    nm.code = GN_CONTEXTMENU;
    nm.dwItemSpec = HitTest(clientPoint);
    nm.ptAction = clientPoint;
    ClientToScreen(nm.ptAction);
    NotifyParent(nm);
}

// ================================================================ tree view

CTreeCtrl::CTreeCtrl() : Window(WindowKind::TreeView) {}

bool CTreeCtrl::TakeStateFrom(Window& from) {
    auto* f = dynamic_cast<CTreeCtrl*>(&from);
    if (!f) return false;
    Window::TakeStateFrom(from);
    nodes_ = f->nodes_;
    top_ = f->top_;
    next_ = f->next_;
    selected_ = f->selected_;
    firstVisible_ = f->firstVisible_;
    return true;
}

TreeNode* CTreeCtrl::Mutable(HTREEITEM item) {
    auto it = nodes_.find(item);
    return it == nodes_.end() ? nullptr : &it->second;
}

const TreeNode* CTreeCtrl::Node(HTREEITEM item) const {
    auto it = nodes_.find(item);
    return it == nodes_.end() ? nullptr : &it->second;
}

std::vector<HTREEITEM>& CTreeCtrl::Siblings(HTREEITEM parent) {
    return parent == 0 ? top_ : nodes_.at(parent).children;
}

HTREEITEM CTreeCtrl::InsertItem(const std::u16string& text, HTREEITEM parent, HTREEITEM after) {
    if (parent == TVI_ROOT) parent = 0;
    if (parent != 0 && !Node(parent)) return 0;
    auto& sib = Siblings(parent);
    size_t pos = sib.size();
    if (after == TVI_FIRST) {
        pos = 0;
    } else if (after == TVI_SORT) {
        std::u16string key = text::Fold(text);
        pos = 0;
        while (pos < sib.size() && text::Fold(nodes_.at(sib[pos]).text) <= key) ++pos;
    } else if (after != TVI_LAST) {
        auto it = std::find(sib.begin(), sib.end(), after);
        if (it != sib.end()) pos = (it - sib.begin()) + 1;
    }
    HTREEITEM h = next_++;
    TreeNode n;
    n.handle = h;
    n.parent = parent;
    n.text = text;
    nodes_.emplace(h, std::move(n));
    auto& s = Siblings(parent);  // the map may have moved nothing, but look it up again
    s.insert(s.begin() + pos, h);
    Changed();
    return h;
}

void CTreeCtrl::Erase(HTREEITEM item) {
    TreeNode* n = Mutable(item);
    if (!n) return;
    auto kids = n->children;
    for (HTREEITEM k : kids) Erase(k);
    if (selected_ == item) selected_ = 0;
    if (firstVisible_ == item) firstVisible_ = 0;
    nodes_.erase(item);
}

bool CTreeCtrl::DeleteItem(HTREEITEM item) {
    if (item == TVI_ROOT) return DeleteAllItems();
    const TreeNode* n = Node(item);
    if (!n) return false;
    auto& sib = Siblings(n->parent);
    sib.erase(std::remove(sib.begin(), sib.end(), item), sib.end());
    Erase(item);
    Changed();
    return true;
}

bool CTreeCtrl::DeleteAllItems() {
    nodes_.clear();
    top_.clear();
    selected_ = firstVisible_ = 0;
    Changed();
    return true;
}

std::u16string CTreeCtrl::GetItemText(HTREEITEM item) const {
    const TreeNode* n = Node(item);
    return n ? n->text : std::u16string();
}

bool CTreeCtrl::SetItemText(HTREEITEM item, const std::u16string& text) {
    TreeNode* n = Mutable(item);
    if (!n) return false;
    n->text = text;
    Changed();
    return true;
}

HTREEITEM CTreeCtrl::GetRootItem() const {
    return top_.empty() ? 0 : top_.front();
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const {
    const TreeNode* n = Node(item);
    return n ? n->parent : 0;
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
    if (item == TVI_ROOT || item == 0) return GetRootItem();
    const TreeNode* n = Node(item);
    return n && !n->children.empty() ? n->children.front() : 0;
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
    const TreeNode* n = Node(item);
    if (!n) return 0;
    const auto& sib = n->parent == 0 ? top_ : nodes_.at(n->parent).children;
    auto it = std::find(sib.begin(), sib.end(), item);
    return it != sib.end() && it + 1 != sib.end() ? *(it + 1) : 0;
}

bool CTreeCtrl::ItemHasChildren(HTREEITEM item) const {
    const TreeNode* n = Node(item);
    return n && !n->children.empty();
}

HTREEITEM CTreeCtrl::GetNextItem(HTREEITEM item, unsigned code) const {
    switch (code) {
        case TVGN_ROOT:
            return GetRootItem();
        case TVGN_NEXT:
            return GetNextSiblingItem(item);
        case TVGN_PARENT:
            return GetParentItem(item);
        case TVGN_CHILD:
            return GetChildItem(item);
        case TVGN_CARET:
            return selected_;
        case TVGN_FIRSTVISIBLE:
            return firstVisible_ ? firstVisible_ : GetRootItem();
        default:
            return 0;
    }
}

unsigned CTreeCtrl::GetItemState(HTREEITEM item, unsigned mask) const {
    const TreeNode* n = Node(item);
    if (!n) return 0;
    unsigned s = (item == selected_ ? TVIS_SELECTED : 0) | (n->expanded ? TVIS_EXPANDED : 0);
    return s & mask;
}

bool CTreeCtrl::SelectItem(HTREEITEM item) {
    if (item != 0 && !Node(item)) return false;
    if (item == selected_) return true;
    HTREEITEM old = selected_;
    selected_ = item;
    if (item) EnsureVisible(item);
    Changed();
    if (IsWindow()) {
        NMTREEVIEW nm;
        nm.code = TVN_SELCHANGED;
        nm.itemOld = old;
        nm.itemNew = item;
        NotifyParent(nm);
    }
    return true;
}

bool CTreeCtrl::Expand(HTREEITEM item, unsigned code) {
    TreeNode* n = Mutable(item);
    if (!n) return false;
    bool want = code == TVE_TOGGLE ? !n->expanded : code == TVE_EXPAND;
    if (want == n->expanded) return true;
    n->expanded = want;
    Changed();
    // Collapsing over the selection moves it to the collapsed item, as the device does.
    if (!want && selected_) {
        for (HTREEITEM p = GetParentItem(selected_); p; p = GetParentItem(p))
            if (p == item) {
                SelectItem(item);
                break;
            }
    }
    if (IsWindow()) {
        NMTREEVIEW nm;
        nm.code = TVN_ITEMEXPANDED;
        nm.action = want ? TVE_EXPAND : TVE_COLLAPSE;
        nm.itemNew = item;
        NotifyParent(nm);
    }
    return true;
}

bool CTreeCtrl::EnsureVisible(HTREEITEM item) {
    if (!Node(item)) return false;
    for (HTREEITEM p = GetParentItem(item); p; p = GetParentItem(p)) {
        TreeNode* n = Mutable(p);
        if (n && !n->expanded) {
            n->expanded = true;
            Changed();
        }
    }
    return true;
}

bool CTreeCtrl::SelectSetFirstVisible(HTREEITEM item) {
    if (!Node(item)) return false;
    EnsureVisible(item);
    firstVisible_ = item;
    Changed();
    return true;
}

std::vector<std::pair<HTREEITEM, int>> CTreeCtrl::Flatten(bool visibleOnly) const {
    std::vector<std::pair<HTREEITEM, int>> out;
    auto walk = [&](auto& self, const std::vector<HTREEITEM>& items, int depth) -> void {
        for (HTREEITEM h : items) {
            out.emplace_back(h, depth);
            const TreeNode& n = nodes_.at(h);
            if (!visibleOnly || n.expanded) self(self, n.children, depth + 1);
        }
    };
    walk(walk, top_, 0);
    return out;
}

bool CTreeCtrl::UserSelect(HTREEITEM item) {
    if (!Node(item) || !IsWindowEnabled()) return false;
    SetFocus();
    return SelectItem(item);
}

bool CTreeCtrl::UserToggle(HTREEITEM item) {
    if (!ItemHasChildren(item) || !IsWindowEnabled()) return false;
    SetFocus();
    return Expand(item, TVE_TOGGLE);
}

void CTreeCtrl::UserReturn() {
    NMHDR nm;
    nm.code = NM_RETURN;
    NotifyParent(nm);
}

HTREEITEM CTreeCtrl::FindPath(const std::vector<std::u16string>& path) const {
    HTREEITEM found = 0;
    const std::vector<HTREEITEM>* level = &top_;
    for (const auto& part : path) {
        found = 0;
        for (HTREEITEM h : *level)
            if (text::EqualsIgnoreCase(nodes_.at(h).text, part)) {
                found = h;
                break;
            }
        if (!found) return 0;
        level = &nodes_.at(found).children;
    }
    return found;
}

// ================================================================ combo box

CComboBox::CComboBox() : Window(WindowKind::ComboBox) {}

bool CComboBox::TakeStateFrom(Window& from) {
    auto* f = dynamic_cast<CComboBox*>(&from);
    if (!f) return false;
    Window::TakeStateFrom(from);
    items_ = f->items_;
    cur_ = f->cur_;
    return true;
}

int CComboBox::AddString(const std::u16string& text) {
    int pos = GetCount();
    if (GetStyle() & CBS_SORT) {
        std::u16string key = text::Fold(text);
        pos = 0;
        while (pos < GetCount() && text::Fold(items_[pos]) <= key) ++pos;
    }
    return InsertString(pos, text);
}

int CComboBox::InsertString(int index, const std::u16string& text) {
    if (index < 0 || index > GetCount()) index = GetCount();
    items_.insert(items_.begin() + index, text);
    if (cur_ >= index) ++cur_;
    Changed();
    return index;
}

int CComboBox::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) return CB_ERR;
    items_.erase(items_.begin() + index);
    if (cur_ == index)
        cur_ = -1;
    else if (cur_ > index)
        --cur_;
    Changed();
    return GetCount();
}

void CComboBox::ResetContent() {
    items_.clear();
    cur_ = -1;
    Changed();
}

int CComboBox::SetCurSel(int index) {
    if (index < -1 || index >= GetCount()) return CB_ERR;
    if (cur_ != index) {
        cur_ = index;
        Changed();
    }
    return index == -1 ? CB_ERR : index;
}

std::u16string CComboBox::GetLBText(int index) const {
    return index >= 0 && index < GetCount() ? items_[index] : std::u16string();
}

int CComboBox::FindStringExact(int start, const std::u16string& text) const {
    int n = GetCount();
    for (int k = 1; k <= n; ++k) {
        int i = (start + k + n) % n;  // after start, wrapping round
        if (start < 0) i = k - 1;
        if (text::EqualsIgnoreCase(items_[i], text)) return i;
    }
    return CB_ERR;
}

bool CComboBox::UserPick(int index) {
    if (index < 0 || index >= GetCount() || !IsWindowEnabled() || !IsWindowVisible()) return false;
    SetFocus();
    SetCurSel(index);
    CommandParent(CBN_SELCHANGE);
    return true;
}

// ================================================================ edit

CEdit::CEdit() : Window(WindowKind::Edit) {}

bool CEdit::TakeStateFrom(Window& from) {
    auto* f = dynamic_cast<CEdit*>(&from);
    if (!f) return false;
    Window::TakeStateFrom(from);
    selStart_ = f->selStart_;
    selEnd_ = f->selEnd_;
    return true;
}

void CEdit::SetReadOnly(bool readOnly) {
    ModifyStyle(readOnly ? 0 : ES_READONLY, readOnly ? ES_READONLY : 0);
}

void CEdit::SetSel(int start, int end) {
    int len = static_cast<int>(GetWindowText().size());
    if (start < 0) start = 0, end = 0;  // -1: no selection
    if (end < 0 || end > len) end = len;
    selStart_ = std::min(start, len);
    selEnd_ = end;
    Changed();
}

bool CEdit::UserType(const std::u16string& text) {
    if (IsReadOnly() || !IsWindowEnabled() || !IsWindowVisible()) return false;
    SetFocus();
    SetWindowText(text);
    selStart_ = selEnd_ = static_cast<int>(text.size());
    CommandParent(EN_CHANGE);
    return true;
}

// ================================================================ button

CButton::CButton(WindowKind kind) : Window(kind) {}

bool CButton::TakeStateFrom(Window& from) {
    auto* f = dynamic_cast<CButton*>(&from);
    if (!f) return false;
    Window::TakeStateFrom(from);
    check_ = f->check_;
    return true;
}

void CButton::SetCheck(int check) {
    if (check_ == check) return;
    check_ = check;
    Changed();
}

bool CButton::UserClick() {
    if (!IsWindowEnabled() || !IsWindowVisible()) return false;
    SetFocus();
    if (IsCheckBox() && (GetStyle() & 0x000F) == BS_AUTOCHECKBOX)
        SetCheck(check_ == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    CommandParent(BN_CLICKED);
    return true;
}

// ================================================================ static

CStatic::CStatic(WindowKind kind) : Window(kind) {}

bool CStatic::TakeStateFrom(Window& from) {
    auto* f = dynamic_cast<CStatic*>(&from);
    if (!f) return false;
    Window::TakeStateFrom(from);
    bitmap_ = f->bitmap_;
    return true;
}

void CStatic::SetBitmap(int bitmapId) {
    bitmap_ = bitmapId;
    Changed();
}

// ================================================================ creation

std::unique_ptr<Window> CreateControl(CDialog& dialog, const ControlTemplate& t) {
    std::unique_ptr<Window> w;
    switch (t.kind) {
        case ControlKind::ListView:
            w = std::make_unique<CListCtrl>();
            break;
        case ControlKind::TreeView:
            w = std::make_unique<CTreeCtrl>();
            break;
        case ControlKind::ComboBox:
            w = std::make_unique<CComboBox>();
            break;
        case ControlKind::Edit:
            w = std::make_unique<CEdit>();
            break;
        case ControlKind::Button:
            w = std::make_unique<CButton>(WindowKind::Button);
            break;
        case ControlKind::CheckBox:
            w = std::make_unique<CButton>(WindowKind::CheckBox);
            break;
        case ControlKind::Label:
            w = std::make_unique<CStatic>(WindowKind::Label);
            break;
        case ControlKind::Picture: {
            auto s = std::make_unique<CStatic>(WindowKind::Picture);
            s->bitmap_ = t.bitmap;
            w = std::move(s);
            break;
        }
    }
    w->Attach(dialog.Ui(), &dialog, t.id);
    w->text_ = t.text;
    w->style_ = t.style;
    w->rect_ = dialog.Ui().Screen().DluToPixels(t.dlu);
    return w;
}

}  // namespace tidy::ui
