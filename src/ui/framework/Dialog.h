#pragma once
// Dialogs built from templates (CDialog). A dialog class derives from CDialog, names its
// template id, binds member controls in DoDataExchange (DDX_Control) and overrides the
// handlers it needs: OnInitDialog, OnOK, OnCancel, OnCommand, OnNotify, OnActivate, OnSize,
// OnDestroy. DoModal runs it in a modal loop of the user-interface thread.
//
// Activation follows the device: once a dialog is shown after OnInitDialog it receives
// OnActivate(WA_ACTIVE); when a dialog or message box opens above it, OnActivate(WA_INACTIVE);
// when that window closes again, OnActivate(WA_ACTIVE) (before the inner DoModal or MessageBox
// returns). Pop-up menus do not change activation.

#include <memory>
#include <string>

#include "ui/framework/Controls.h"
#include "ui/framework/Menu.h"
#include "ui/framework/Window.h"

namespace tidy::ui {

class CDialog;

// Passed to DoDataExchange.
struct CDataExchange {
    CDialog* dialog = nullptr;
    bool saveAndValidate = false;
};
// Binds member control `control` to the dialog's control id (SubclassDlgItem). A missing
// control or a control of another class is a programming error and throws std::logic_error.
void DDX_Control(CDataExchange* dx, int id, Window& control);

class CDialog : public Window {
  public:
    // parent: the owner (null: owned by the application). The template must exist when the
    // dialog is created (DoModal or Create), not at construction.
    CDialog(UiThread& ui, int templateId, Window* parent = nullptr);
    ~CDialog() override;

    int TemplateId() const { return templateId_; }
    const DialogTemplate* Template() const { return template_; }
    Window* GetOwner() const { return owner_; }

    // Creates the window and its controls, runs OnInitDialog, shows it and runs the modal loop
    // until EndDialog; then OnDestroy, and the window is gone. Returns the EndDialog result, or
    // -1 when the template does not exist. Called on the user-interface thread.
    virtual int DoModal();
    // Creates the window modelessly (OnInitDialog runs, the window shows); for tests and for
    // windows that live beside a modal loop. DestroyWindow ends it (OnDestroy runs).
    bool Create();
    void DestroyWindow();
    // Ends a modal dialog with result once the current handler returns. Called from
    // OnInitDialog, the dialog never shows.
    void EndDialog(int result);
    bool IsEnding() const { return ending_; }
    int GetResult() const { return result_; }

    // The soft keys.
    CMenuBar& MenuBar() { return menuBar_; }
    const CMenuBar& MenuBar() const { return menuBar_; }
    // The OK button of the navigation bar (SHDoneButton): shown at creation, hidden on request.
    void HideTitleOkButton();
    void ShowTitleOkButton();
    bool TitleOkVisible() const { return titleOk_; }

    // The control with the focus, or null.
    Window* GetFocus() const { return focus_; }

    bool UpdateData(bool saveAndValidate = true);

    // Sends a command (menu, soft key, button) to the dialog as the device would: IDOK reaches
    // OnOK and IDCANCEL OnCancel unless OnCommand handled them.
    void SendCommand(int id, int code = 0);
    // Delivers a notification of a control: reflected to the control first, then OnNotify.
    LRESULT SendNotify(NMHDR& nm);

    // ---- Handlers. The defaults are the framework's own handling.
    // Binds the member controls (DoDataExchange); returns true to give the first control the
    // focus.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange* dx) { (void)dx; }
    // Defaults: EndDialog(IDOK) and EndDialog(IDCANCEL).
    virtual void OnOK();
    virtual void OnCancel();
    // Return true when the command was handled.
    virtual bool OnCommand(int id, int code);
    // Return true when handled; result is what the control gets back.
    virtual bool OnNotify(int ctrlId, NMHDR& nm, LRESULT& result);
    virtual void OnActivate(int state);
    virtual void OnSize(int type, int cx, int cy);
    virtual void OnDestroy() {}

    // ---- What a person does (front ends).
    // A soft key: a text button sends its command. False for a disabled or missing button.
    bool UserTapSoftKey(int index);
    // A command of the menu bar's menus (the person opened a menu and chose an entry).
    bool UserMenuCommand(int id);
    // Enter: the focused control takes it when it wants it (a tree view: NM_RETURN); else IDOK.
    void UserEnter();
    // Escape: IDCANCEL.
    void UserEscape();
    // The title bar's OK button.
    bool UserTitleOk();
    // The person switches to the program again (WA_INACTIVE, then WA_ACTIVE).
    void UserActivate();

  private:
    friend class UiThread;
    friend class Window;
    bool Build();
    void Teardown();
    void SetFocusTo(Window* control);

    int templateId_;
    const DialogTemplate* template_ = nullptr;
    Window* owner_;
    CMenuBar menuBar_;
    bool titleOk_ = true;
    bool ending_ = false;
    bool hiddenInInit_ = false;
    bool inInit_ = false;
    int result_ = 0;
    Window* focus_ = nullptr;
};

}  // namespace tidy::ui
