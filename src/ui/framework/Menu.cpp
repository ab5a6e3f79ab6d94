#include "ui/framework/Menu.h"

#include <algorithm>

#include "platform/Text.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/UiThread.h"
#include "ui/framework/Window.h"

namespace tidy::ui {

namespace {

// Menu texts compare ignoring case and the '&' that marks a mnemonic.
std::u16string MenuKey(const std::u16string& s) {
    std::u16string out;
    for (char16_t c : s)
        if (c != u'&') out += c;
    return text::Fold(text::Trim(out));
}

}  // namespace

bool CMenu::CreatePopupMenu() {
    items_.clear();
    created_ = true;
    return true;
}

bool CMenu::LoadMenu(const Resources& resources, int id) {
    const MenuResource* m = resources.FindMenu(id);
    if (!m) return false;
    items_ = m->items;
    created_ = true;
    return true;
}

bool CMenu::AppendMenu(unsigned flags, int id, const std::u16string& text) {
    if (!created_ || (flags & MF_POPUP)) return false;
    MenuItem m;
    if (flags & MF_SEPARATOR) {
        m.separator = true;
    } else {
        m.id = id;
        m.text = text;
        m.flags = flags & (MF_GRAYED | MF_CHECKED);
    }
    items_.push_back(std::move(m));
    return true;
}

bool CMenu::AppendMenu(unsigned flags, const CMenu& sub, const std::u16string& text) {
    if (!created_ || !(flags & MF_POPUP) || !sub.created_) return false;
    MenuItem m;
    m.popup = true;
    m.text = text;
    m.items = sub.items_;
    items_.push_back(std::move(m));
    return true;
}

bool CMenu::DestroyMenu() {
    bool was = created_;
    items_.clear();
    created_ = false;
    return was;
}

CMenu CMenu::GetSubMenu(int pos) const {
    CMenu sub;
    if (pos >= 0 && pos < static_cast<int>(items_.size()) && items_[pos].popup) {
        sub.created_ = true;
        sub.items_ = items_[pos].items;
    }
    return sub;
}

int CMenu::TrackPopupMenu(unsigned flags, int x, int y, Window* owner) const {
    if (!created_ || !owner || !owner->IsWindow()) return 0;
    UiThread& ui = owner->Ui();
    int chosen = ui.TrackPopup(items_, Point{x, y}, owner);
    if (flags & TPM_RETURNCMD) return chosen;
    if (chosen != 0) {
        // The command arrives as a posted message, after the caller has destroyed its menu. It
        // is the person's input, so it waits behind the input gate like any other: a refresh
        // started in between (by an activation queued before it) runs first, never beside it.
        uint64_t handle = owner->Handle();
        ui.PostInput([&ui, owner, handle, chosen] {
            // The owner may have gone meanwhile; deliver only to the window that is still open.
            for (Window* w : ui.TopLevelWindows())
                if (w == owner && w->Handle() == handle) {
                    if (auto* d = dynamic_cast<CDialog*>(w)) d->SendCommand(chosen, 0);
                    return;
                }
        });
    }
    return chosen != 0;
}

int FindMenuCommand(const std::vector<MenuItem>& items, const std::vector<std::u16string>& path) {
    if (path.empty()) return 0;
    const std::vector<MenuItem>* level = &items;
    for (size_t i = 0; i < path.size(); ++i) {
        std::u16string key = MenuKey(path[i]);
        const MenuItem* hit = nullptr;
        for (const auto& m : *level)
            if (!m.separator && MenuKey(m.text) == key) {
                hit = &m;
                break;
            }
        if (!hit) return 0;
        if (i + 1 == path.size()) return hit->popup ? 0 : hit->id;
        if (!hit->popup) return 0;
        level = &hit->items;
    }
    return 0;
}

bool MenuHasCommand(const std::vector<MenuItem>& items, int id) {
    for (const auto& m : items) {
        if (m.popup ? MenuHasCommand(m.items, id) : (!m.separator && m.id == id)) return true;
    }
    return false;
}

void CMenuBar::Changed() {
    if (owner_ && owner_->IsWindow()) owner_->Ui().MarkChanged();
}

bool CMenuBar::InsertButton(int index, const std::u16string& text, int command, bool enabled) {
    if (index < 0) return false;
    index = std::min(index, GetButtonCount());
    MenuBarButton b;
    b.text = text;
    b.command = command;
    b.enabled = enabled;
    buttons_.insert(buttons_.begin() + index, std::move(b));
    Changed();
    return true;
}

bool CMenuBar::InsertMenuButton(int index, int menuId) {
    if (index < 0 || !resources_) return false;
    const MenuResource* m = resources_->FindMenu(menuId);
    if (!m || m->items.empty()) return false;
    MenuBarButton b;
    b.isMenu = true;
    const MenuItem& first = m->items.front();
    if (first.popup) {
        b.text = first.text;
        b.menu = first.items;
    } else {
        b.text = u"Menu";
        b.menu = m->items;
    }
    index = std::min(index, GetButtonCount());
    buttons_.insert(buttons_.begin() + index, std::move(b));
    Changed();
    return true;
}

bool CMenuBar::DeleteButton(int index) {
    if (index < 0 || index >= GetButtonCount()) return false;
    buttons_.erase(buttons_.begin() + index);
    Changed();
    return true;
}

bool CMenuBar::EnableButton(int command, bool enable) {
    for (auto& b : buttons_)
        if (!b.isMenu && b.command == command) {
            b.enabled = enable;
            Changed();
            return true;
        }
    return false;
}

void CMenuBar::LoadBar(int menuId) {
    buttons_.clear();
    if (!resources_) return;
    const MenuResource* m = resources_->FindMenu(menuId);
    if (!m) return;
    for (const auto& t : m->menuBar) {
        MenuBarButton b;
        b.text = resources_->LoadString(t.stringId);
        b.command = t.command;
        if (t.submenu >= 0 && t.submenu < static_cast<int>(m->items.size()) &&
            m->items[t.submenu].popup) {
            b.isMenu = true;
            b.menu = m->items[t.submenu].items;
        }
        buttons_.push_back(std::move(b));
    }
    Changed();
}

int CMenuBar::FindCommand(const std::vector<std::u16string>& path) const {
    if (path.empty()) return 0;
    for (const auto& b : buttons_) {
        if (!b.isMenu) {
            if (path.size() == 1 && MenuKey(b.text) == MenuKey(path[0])) return b.command;
            continue;
        }
        if (int id = FindMenuCommand(b.menu, path)) return id;
        if (path.size() > 1 && MenuKey(b.text) == MenuKey(path[0])) {
            std::vector<std::u16string> rest(path.begin() + 1, path.end());
            if (int id = FindMenuCommand(b.menu, rest)) return id;
        }
    }
    return 0;
}

bool CMenuBar::HasCommand(int id) const {
    for (const auto& b : buttons_) {
        if (!b.isMenu && b.command == id && b.enabled) return true;
        if (b.isMenu && MenuHasCommand(b.menu, id)) return true;
    }
    return false;
}

}  // namespace tidy::ui
