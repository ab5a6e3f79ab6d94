#pragma once
// The window model every front end draws: top-level windows (dialogs, message boxes, pop-up
// menus) and the controls of a dialog. Everything here is used on the user-interface thread
// only; other threads reach a window through UiThread::Send. Every change of what a window
// shows calls Changed(), which bumps the model version so that front ends know to redraw.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/framework/Geometry.h"
#include "ui/framework/Resources.h"

namespace tidy::ui {

class UiThread;
class CDialog;

using LRESULT = intptr_t;

// ---- Window styles (the device's own bits).
constexpr unsigned WS_VISIBLE = 0x10000000;
constexpr unsigned WS_DISABLED = 0x08000000;
constexpr unsigned WS_TABSTOP = 0x00010000;
// List view.
constexpr unsigned LVS_REPORT = 0x0001;
constexpr unsigned LVS_SINGLESEL = 0x0004;
constexpr unsigned LVS_SHOWSELALWAYS = 0x0008;
constexpr unsigned LVS_NOSORTHEADER = 0x8000;
// Tree view.
constexpr unsigned TVS_HASBUTTONS = 0x0001;
constexpr unsigned TVS_HASLINES = 0x0002;
constexpr unsigned TVS_LINESATROOT = 0x0004;
constexpr unsigned TVS_SHOWSELALWAYS = 0x0020;
// Combo box.
constexpr unsigned CBS_DROPDOWNLIST = 0x0003;
constexpr unsigned CBS_SORT = 0x0100;
// Edit.
constexpr unsigned ES_AUTOHSCROLL = 0x0080;
constexpr unsigned ES_READONLY = 0x0800;
// Button.
constexpr unsigned BS_PUSHBUTTON = 0x0000;
constexpr unsigned BS_DEFPUSHBUTTON = 0x0001;
constexpr unsigned BS_AUTOCHECKBOX = 0x0003;
// Static.
constexpr unsigned SS_BITMAP = 0x000E;

// ---- ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// ---- Activation states (OnActivate).
constexpr int WA_INACTIVE = 0;
constexpr int WA_ACTIVE = 1;       // activated by any means but a tap (keyboard, program switch,
                                   // a window above it closing)
constexpr int WA_CLICKACTIVE = 2;  // activated by a tap

// ---- Size types (OnSize).
constexpr int SIZE_RESTORED = 0;

// ---- Notification codes.
constexpr int NM_CLICK = -2;
constexpr int NM_DBLCLK = -3;
constexpr int NM_RETURN = -4;
constexpr int LVN_ITEMCHANGED = -101;
constexpr int TVN_SELCHANGED = -451;
constexpr int TVN_ITEMEXPANDED = -455;
constexpr int GN_CONTEXTMENU = 1000;  // the shell's tap-and-hold gesture

// Command notification codes (OnCommand's code argument).
constexpr int BN_CLICKED = 0;
constexpr int CBN_SELCHANGE = 1;
constexpr int EN_CHANGE = 0x0300;

// ---- List view item states and change masks.
constexpr unsigned LVIS_FOCUSED = 0x0001;
constexpr unsigned LVIS_SELECTED = 0x0002;
constexpr unsigned LVIS_STATEIMAGEMASK = 0xF000;
constexpr unsigned INDEXTOSTATEIMAGEMASK(unsigned i) {
    return i << 12;
}
constexpr unsigned LVIS_UNCHECKED = 0x1000;  // state image 1: an empty check box
constexpr unsigned LVIS_CHECKED = 0x2000;    // state image 2: a ticked check box
constexpr unsigned LVIF_TEXT = 0x0001;
constexpr unsigned LVIF_STATE = 0x0008;

// ---- Notification records. Handlers get an NMHDR and cast to the record its code names.
struct NMHDR {
    class Window* hwndFrom = nullptr;
    int idFrom = 0;
    int code = 0;
};

// LVN_ITEMCHANGED; also NM_CLICK and NM_DBLCLK of a list view (NMITEMACTIVATE), where iItem is
// the row hit (-1 for none) and ptAction the point in client coordinates of the list.
struct NMLISTVIEW : NMHDR {
    int iItem = -1;
    int iSubItem = 0;
    unsigned uNewState = 0;
    unsigned uOldState = 0;
    unsigned uChanged = 0;  // LVIF_STATE, LVIF_TEXT
    Point ptAction;
};
using NMITEMACTIVATE = NMLISTVIEW;

// GN_CONTEXTMENU: tap and hold. ptAction is in screen coordinates.
struct NMRGINFO : NMHDR {
    Point ptAction;
    int dwItemSpec = -1;  // the row under the point for list views, else -1
};

// Tree view item handles: 0 is "none"; the special insertion positions are below.
using HTREEITEM = std::uintptr_t;
constexpr HTREEITEM TVI_ROOT = ~HTREEITEM(0) - 0xFFFF;
constexpr HTREEITEM TVI_FIRST = ~HTREEITEM(0) - 0xFFFE;
constexpr HTREEITEM TVI_LAST = ~HTREEITEM(0) - 0xFFFD;
constexpr HTREEITEM TVI_SORT = ~HTREEITEM(0) - 0xFFFC;

// TVN_SELCHANGED, TVN_ITEMEXPANDED.
struct NMTREEVIEW : NMHDR {
    int action = 0;  // TVN_ITEMEXPANDED: TVE_EXPAND or TVE_COLLAPSE
    HTREEITEM itemOld = 0;
    HTREEITEM itemNew = 0;
};

// What a window is, for front ends that draw it.
enum class WindowKind {
    Dialog,
    MessageBox,
    PopupMenu,
    ListView,
    TreeView,
    ComboBox,
    Edit,
    Button,
    CheckBox,
    Label,
    Picture
};

// A window: a top-level window or a control of a dialog (CWnd).
class Window {
  public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    WindowKind Kind() const { return kind_; }
    // A number that names this window for as long as the program runs (front ends use it).
    uint64_t Handle() const { return handle_; }
    // True between creation (from a template or by the framework) and destruction.
    bool IsWindow() const { return created_; }
    UiThread& Ui() const { return *ui_; }

    int GetDlgCtrlID() const { return id_; }
    Window* GetParent() const { return parent_; }

    virtual void SetWindowText(const std::u16string& text);
    std::u16string GetWindowText() const { return text_; }

    // SW_HIDE or SW_SHOW; returns whether it was visible before.
    bool ShowWindow(int command);
    bool IsWindowVisible() const { return (style_ & WS_VISIBLE) != 0; }
    void EnableWindow(bool enable);
    bool IsWindowEnabled() const { return (style_ & WS_DISABLED) == 0; }

    unsigned GetStyle() const { return style_; }
    void ModifyStyle(unsigned remove, unsigned add);

    // Position and size: controls in their dialog's client coordinates, top-level windows in
    // screen coordinates. Moving or sizing a dialog sends it OnSize.
    void MoveWindow(int x, int y, int width, int height, bool repaint = true);
    void MoveWindow(const Rect& r, bool repaint = true) {
        MoveWindow(r.left, r.top, r.Width(), r.Height(), repaint);
    }
    // The window's rectangle in screen coordinates.
    Rect GetWindowRect() const;
    // The client area: (0, 0, width, height).
    Rect GetClientRect() const { return {0, 0, rect_.Width(), rect_.Height()}; }
    void ClientToScreen(Point& p) const;
    void ScreenToClient(Point& p) const;
    void ScreenToClient(Rect& r) const;
    // The rectangle relative to the parent (controls) or the screen (top-level windows).
    const Rect& Bounds() const { return rect_; }

    // Makes this control the focused control of its dialog.
    void SetFocus();

    // Binds this object to the control `id` of `parent`, created from the parent's template:
    // the control's state moves into this object, which then receives the control's messages
    // (an object of a derived class, such as a list with its own tap-and-hold menu, takes over
    // the control this way). The kinds must agree. False when there is no such control.
    bool SubclassDlgItem(int id, Window* parent);

    // Children (the controls of a dialog), in template order.
    const std::vector<Window*>& Children() const { return children_; }
    Window* GetDlgItem(int id) const;

    // Reflected notifications: before a notification of a control reaches its dialog, the
    // control itself may handle it (return true; result is what the sender gets).
    virtual bool OnReflectNotify(NMHDR& nm, LRESULT& result);

  protected:
    explicit Window(WindowKind kind);
    // Marks the model changed (front ends redraw).
    void Changed();
    // Sends a notification to the parent dialog, reflecting it to this control first.
    LRESULT NotifyParent(NMHDR& nm);
    // Sends WM_COMMAND(id, code) to the parent dialog.
    void CommandParent(int code);

    // Moves the state of `from` (a control of the same class) into this object; false when the
    // classes do not agree.
    virtual bool TakeStateFrom(Window& from);
    // Called when the control's size changes (lists autosize their last column, etc.).
    virtual void OnResized() {}

  private:
    friend class CDialog;
    friend class UiThread;
    friend std::unique_ptr<Window> CreateControl(CDialog& dialog, const ControlTemplate& t);

    void Attach(UiThread& ui, Window* parent, int id);
    // A fresh handle: a dialog opened again is a new window for the front ends.
    void Renew();
    void Detach();

    WindowKind kind_;  // a member bound to a control takes the control's kind
    uint64_t handle_;
    UiThread* ui_ = nullptr;
    Window* parent_ = nullptr;
    bool created_ = false;
    int id_ = 0;
    std::u16string text_;
    unsigned style_ = 0;
    Rect rect_;
    std::vector<Window*> children_;
    std::vector<std::unique_ptr<Window>> owned_;  // controls not taken over by a member
};

using CWnd = Window;

}  // namespace tidy::ui
