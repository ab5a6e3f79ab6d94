#pragma once
// A front end draws the window model and feeds a person's input into the user-interface
// thread. The text front end (ui/text) and the web front end (ui/web) implement it.
//
// Every method is called on the user-interface thread, so a front end may read the model
// directly inside them; from any other thread it reads the model through UiThread::Send.
// Input goes in through UiThread::PostInput: the posted function runs on the user-interface
// thread and calls the User... methods of the windows (CDialog::UserTapSoftKey,
// CListCtrl::UserCheck, MessageBoxWindow::Answer, PopupMenuWindow::Choose, ...). Input meant
// for one window must check, when it runs, that this window is still the top window: windows
// below a modal one take no input (a person's tap on them is lost, as on the device).

#include <cstdint>

namespace tidy::ui {

class Window;
class MessageBoxWindow;
class PopupMenuWindow;

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;
    // A top-level window (dialog, message box, pop-up menu) was pushed on the window stack.
    // A dialog is not yet initialised or shown here; draw once it is visible.
    virtual void WindowOpened(Window& window) { (void)window; }
    // A top-level window is about to leave the stack (its controls still exist).
    virtual void WindowClosed(Window& window) { (void)window; }
    // A message box is shown (after WindowOpened), waiting for an answer.
    virtual void MessageBoxShown(MessageBoxWindow& box) { (void)box; }
    // A pop-up menu is shown (after WindowOpened), waiting for a choice.
    virtual void PopupMenuShown(PopupMenuWindow& menu) { (void)menu; }
    // The model changed since the last call (coalesced: called once after a message has been
    // handled, with the new version).
    virtual void ModelChanged(uint64_t version) { (void)version; }
    // The user-interface thread has nothing left to do and waits for input.
    virtual void Idle() {}
};

}  // namespace tidy::ui
