#include "ui/framework/Dialog.h"

#include <stdexcept>

#include "ui/framework/UiThread.h"

namespace tidy::ui {

void DDX_Control(CDataExchange* dx, int id, Window& control) {
    if (!dx || !dx->dialog) throw std::logic_error("DDX_Control without a dialog");
    if (control.IsWindow() && control.GetParent() == dx->dialog && control.GetDlgCtrlID() == id)
        return;
    if (!control.SubclassDlgItem(id, dx->dialog))
        throw std::logic_error("dialog " + std::to_string(dx->dialog->TemplateId()) +
                               " has no control " + std::to_string(id) + " of this class");
}

CDialog::CDialog(UiThread& ui, int templateId, Window* parent)
    : Window(WindowKind::Dialog), templateId_(templateId), owner_(parent) {
    ui_ = &ui;
    menuBar_.Bind(this, &ui.Res());
}

CDialog::~CDialog() {
    if (IsWindow()) {
        // Destroyed while open (an exception unwound DoModal): leave the stack quietly; no
        // handler of a derived class can run any more.
        ui_->PopWindow(this, false);
        Teardown();
    }
}

bool CDialog::Build() {
    if (IsWindow()) return false;
    template_ = ui_->Res().FindDialog(templateId_);
    if (!template_) return false;
    Renew();
    created_ = true;
    parent_ = nullptr;
    text_ = template_->caption;
    style_ = 0;  // shown once initialised
    rect_ = ui_->Screen().DialogArea();
    ending_ = false;
    hiddenInInit_ = false;
    result_ = 0;
    titleOk_ = true;
    focus_ = nullptr;
    for (const auto& t : template_->controls) {
        auto c = CreateControl(*this, t);
        children_.push_back(c.get());
        owned_.push_back(std::move(c));
    }
    menuBar_.buttons_.clear();
    if (template_->menuBar) menuBar_.LoadBar(template_->menuBar);
    Changed();
    return true;
}

void CDialog::Teardown() {
    for (Window* c : children_) c->Detach();
    children_.clear();
    owned_.clear();
    focus_ = nullptr;
    created_ = false;
    style_ &= ~WS_VISIBLE;
    Changed();
}

void CDialog::SetFocusTo(Window* control) {
    if (focus_ == control) return;
    focus_ = control;
    Changed();
}

namespace {
bool Focusable(const Window* w) {
    switch (w->Kind()) {
        case WindowKind::ListView:
        case WindowKind::TreeView:
        case WindowKind::ComboBox:
        case WindowKind::Edit:
        case WindowKind::Button:
        case WindowKind::CheckBox:
            return w->IsWindowVisible() && w->IsWindowEnabled();
        default:
            return false;
    }
}
}  // namespace

bool CDialog::Create() {
    if (!Build()) return false;
    ui_->PushWindow(this, true);
    inInit_ = true;
    bool defaultFocus = OnInitDialog();
    inInit_ = false;
    if (!IsWindow()) return false;
    if (defaultFocus && !focus_)
        for (Window* c : children_)
            if (Focusable(c)) {
                focus_ = c;
                break;
            }
    if (!ending_ && !hiddenInInit_) {
        style_ |= WS_VISIBLE;
        Changed();
        OnActivate(WA_ACTIVE);
    }
    return true;
}

int CDialog::DoModal() {
    if (!ui_->IsUiThread()) throw std::logic_error("DoModal off the user-interface thread");
    if (!Create()) return -1;
    ui_->RunModalLoop([this] { return ending_ || !IsWindow(); });
    int result = result_;
    if (IsWindow()) DestroyWindow();
    return result;
}

void CDialog::DestroyWindow() {
    if (!IsWindow()) return;
    OnDestroy();
    ui_->PopWindow(this, true);
    Teardown();
}

void CDialog::EndDialog(int result) {
    result_ = result;
    ending_ = true;
}

void CDialog::HideTitleOkButton() {
    if (titleOk_) {
        titleOk_ = false;
        Changed();
    }
}

void CDialog::ShowTitleOkButton() {
    if (!titleOk_) {
        titleOk_ = true;
        Changed();
    }
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx{this, saveAndValidate};
    DoDataExchange(&dx);
    return true;
}

void CDialog::SendCommand(int id, int code) {
    if (!IsWindow()) return;
    if (OnCommand(id, code)) return;
    if (code == 0 && id == IDOK)
        OnOK();
    else if (code == 0 && id == IDCANCEL)
        OnCancel();
}

LRESULT CDialog::SendNotify(NMHDR& nm) {
    LRESULT result = 0;
    if (nm.hwndFrom && nm.hwndFrom->OnReflectNotify(nm, result)) return result;
    OnNotify(nm.idFrom, nm, result);
    return result;
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    // The shell sizes every dialog to the screen area between the bars as it initialises.
    OnSize(SIZE_RESTORED, Bounds().Width(), Bounds().Height());
    return true;
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}
void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(int id, int code) {
    (void)id;
    (void)code;
    return false;
}

bool CDialog::OnNotify(int ctrlId, NMHDR& nm, LRESULT& result) {
    (void)ctrlId;
    (void)nm;
    (void)result;
    return false;
}

void CDialog::OnActivate(int state) {
    (void)state;
}

void CDialog::OnSize(int type, int cx, int cy) {
    (void)type;
    (void)cx;
    (void)cy;
}

bool CDialog::UserTapSoftKey(int index) {
    if (index < 0 || index >= menuBar_.GetButtonCount()) return false;
    const MenuBarButton& b = menuBar_.GetButton(index);
    if (!b.enabled || b.isMenu) return false;
    SendCommand(b.command, 0);
    return true;
}

bool CDialog::UserMenuCommand(int id) {
    if (id == 0 || !menuBar_.HasCommand(id)) return false;
    SendCommand(id, 0);
    return true;
}

void CDialog::UserEnter() {
    if (auto* tree = dynamic_cast<CTreeCtrl*>(focus_); tree && tree->IsWindowEnabled()) {
        tree->UserReturn();
        return;
    }
    SendCommand(IDOK, 0);
}

void CDialog::UserEscape() {
    SendCommand(IDCANCEL, 0);
}

bool CDialog::UserTitleOk() {
    if (!titleOk_) return false;
    SendCommand(IDOK, 0);
    return true;
}

void CDialog::UserActivate() {
    OnActivate(WA_INACTIVE);
    if (IsWindow()) OnActivate(WA_ACTIVE);
}

}  // namespace tidy::ui
