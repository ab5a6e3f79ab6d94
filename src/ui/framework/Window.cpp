#include "ui/framework/Window.h"

#include <algorithm>
#include <atomic>

#include "ui/framework/Dialog.h"
#include "ui/framework/UiThread.h"

namespace tidy::ui {

namespace {
std::atomic<uint64_t> nextHandle{1};
}

Window::Window(WindowKind kind) : kind_(kind), handle_(nextHandle.fetch_add(1)) {}

Window::~Window() {
    for (Window* c : children_) c->parent_ = nullptr;
    // A member control that goes away before its dialog leaves the dialog's list of children.
    if (parent_) {
        auto& c = parent_->children_;
        c.erase(std::remove(c.begin(), c.end(), this), c.end());
        if (auto* d = dynamic_cast<CDialog*>(parent_); d && d->focus_ == this) d->focus_ = nullptr;
    }
}

void Window::Attach(UiThread& ui, Window* parent, int id) {
    ui_ = &ui;
    parent_ = parent;
    id_ = id;
    created_ = true;
}

void Window::Renew() {
    handle_ = nextHandle.fetch_add(1);
}

void Window::Detach() {
    created_ = false;
    parent_ = nullptr;
}

void Window::Changed() {
    if (ui_) ui_->MarkChanged();
}

void Window::SetWindowText(const std::u16string& text) {
    if (text_ == text) return;
    text_ = text;
    Changed();
}

bool Window::ShowWindow(int command) {
    bool was = IsWindowVisible();
    bool show = command != SW_HIDE;
    if (show)
        style_ |= WS_VISIBLE;
    else
        style_ &= ~WS_VISIBLE;
    if (auto* d = dynamic_cast<CDialog*>(this); d && d->inInit_) d->hiddenInInit_ = !show;
    if (was != show) Changed();
    return was;
}

void Window::EnableWindow(bool enable) {
    unsigned before = style_;
    if (enable)
        style_ &= ~WS_DISABLED;
    else
        style_ |= WS_DISABLED;
    if (before != style_) Changed();
}

void Window::ModifyStyle(unsigned remove, unsigned add) {
    unsigned before = style_;
    style_ = (style_ & ~remove) | add;
    if (before != style_) Changed();
}

void Window::MoveWindow(int x, int y, int width, int height, bool repaint) {
    (void)repaint;
    Rect r{x, y, x + std::max(0, width), y + std::max(0, height)};
    bool resized = r.Width() != rect_.Width() || r.Height() != rect_.Height();
    if (r == rect_) return;
    rect_ = r;
    Changed();
    if (resized) {
        OnResized();
        if (auto* d = dynamic_cast<CDialog*>(this); d && created_)
            d->OnSize(SIZE_RESTORED, r.Width(), r.Height());
    }
}

Rect Window::GetWindowRect() const {
    Rect r = rect_;
    if (parent_) {
        Rect p = parent_->GetWindowRect();
        r.Offset(p.left, p.top);
    }
    return r;
}

void Window::ClientToScreen(Point& p) const {
    Rect r = GetWindowRect();
    p.x += r.left;
    p.y += r.top;
}

void Window::ScreenToClient(Point& p) const {
    Rect r = GetWindowRect();
    p.x -= r.left;
    p.y -= r.top;
}

void Window::ScreenToClient(Rect& rc) const {
    Rect r = GetWindowRect();
    rc.Offset(-r.left, -r.top);
}

void Window::SetFocus() {
    if (auto* d = dynamic_cast<CDialog*>(parent_)) d->SetFocusTo(this);
}

Window* Window::GetDlgItem(int id) const {
    for (Window* c : children_)
        if (c->id_ == id) return c;
    return nullptr;
}

bool Window::TakeStateFrom(Window& from) {
    kind_ = from.kind_;
    text_ = from.text_;
    style_ = from.style_;
    rect_ = from.rect_;
    return true;
}

bool Window::SubclassDlgItem(int id, Window* parent) {
    if (!parent) return false;
    auto& kids = parent->children_;
    auto it = std::find_if(kids.begin(), kids.end(), [&](Window* c) { return c->id_ == id; });
    if (it == kids.end()) return false;
    Window* old = *it;
    if (old == this) return true;
    if (!TakeStateFrom(*old)) return false;
    UiThread* ui = old->ui_;
    *it = this;
    Attach(*ui, parent, id);
    if (auto* d = dynamic_cast<CDialog*>(parent); d && d->focus_ == old) d->focus_ = this;
    // The object made from the template goes; a member that held the control before lets go.
    old->parent_ = nullptr;
    old->created_ = false;
    auto& owned = parent->owned_;
    owned.erase(std::remove_if(owned.begin(), owned.end(),
                               [&](const std::unique_ptr<Window>& p) { return p.get() == old; }),
                owned.end());
    Changed();
    return true;
}

bool Window::OnReflectNotify(NMHDR& nm, LRESULT& result) {
    (void)nm;
    (void)result;
    return false;
}

LRESULT Window::NotifyParent(NMHDR& nm) {
    nm.hwndFrom = this;
    nm.idFrom = id_;
    if (auto* d = dynamic_cast<CDialog*>(parent_)) return d->SendNotify(nm);
    LRESULT result = 0;
    OnReflectNotify(nm, result);
    return result;
}

void Window::CommandParent(int code) {
    if (auto* d = dynamic_cast<CDialog*>(parent_)) d->SendCommand(id_, code);
}

}  // namespace tidy::ui
