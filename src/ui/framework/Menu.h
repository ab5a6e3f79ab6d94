#pragma once
// Menus: menu resources, pop-up menus built at run time and tracked at a point, and the menu
// bar of a dialog with its soft keys.

#include <string>
#include <vector>

#include "ui/framework/Resources.h"

namespace tidy::ui {

class Window;
class UiThread;

constexpr unsigned MF_STRING = 0x0000;
constexpr unsigned MF_GRAYED = 0x0001;
constexpr unsigned MF_CHECKED = 0x0008;
constexpr unsigned MF_POPUP = 0x0010;
constexpr unsigned MF_SEPARATOR = 0x0800;
constexpr unsigned MF_BYPOSITION = 0x0400;

constexpr unsigned TPM_LEFTALIGN = 0x0000;
constexpr unsigned TPM_TOPALIGN = 0x0000;
constexpr unsigned TPM_RETURNCMD = 0x0100;

// A menu (CMenu): built at run time with CreatePopupMenu and AppendMenu, or loaded from a menu
// resource.
class CMenu {
  public:
    CMenu() = default;
    bool CreatePopupMenu();
    // Loads menu resource id; its entries become this menu's entries.
    bool LoadMenu(const Resources& resources, int id);
    bool AppendMenu(unsigned flags, int id = 0, const std::u16string& text = {});
    // For MF_POPUP: appends `sub` as a pop-up entry titled text.
    bool AppendMenu(unsigned flags, const CMenu& sub, const std::u16string& text);
    bool DestroyMenu();
    bool IsMenu() const { return created_; }
    int GetMenuItemCount() const { return created_ ? static_cast<int>(items_.size()) : -1; }
    // The pop-up at position pos as a menu of its own (empty menu when there is none).
    CMenu GetSubMenu(int pos) const;
    const std::vector<MenuItem>& Items() const { return items_; }

    // Shows the menu at a screen point, owned by owner, and waits for the person's choice (a
    // modal loop). The chosen command is posted to owner as OnCommand(id, 0), unless
    // TPM_RETURNCMD is given; the return value is then the command (0 when dismissed).
    // Without TPM_RETURNCMD it returns nonzero when a command was chosen.
    int TrackPopupMenu(unsigned flags, int x, int y, Window* owner) const;

  private:
    bool created_ = false;
    std::vector<MenuItem> items_;
};

// Finds the command of an entry by its path of texts ("Selection/Select All"), comparing texts
// ignoring case and '&'; 0 when there is none.
int FindMenuCommand(const std::vector<MenuItem>& items, const std::vector<std::u16string>& path);
// True when items (or a pop-up below them) hold command id.
bool MenuHasCommand(const std::vector<MenuItem>& items, int id);

// A soft key of a menu bar: a text button sending its command, or a menu button opening a menu.
struct MenuBarButton {
    std::u16string text;
    int command = 0;
    bool enabled = true;
    bool isMenu = false;
    std::vector<MenuItem> menu;  // menu buttons only: the entries of the menu it opens
};

// The menu bar of a dialog (the soft keys at the bottom of the screen).
class CMenuBar {
  public:
    CMenuBar() = default;
    CMenuBar(const CMenuBar&) = delete;
    CMenuBar& operator=(const CMenuBar&) = delete;

    int GetButtonCount() const { return static_cast<int>(buttons_.size()); }
    const MenuBarButton& GetButton(int index) const { return buttons_.at(index); }
    const std::vector<MenuBarButton>& Buttons() const { return buttons_; }
    // Inserts a text button at index (clamped to the end): no image, sized to its text.
    bool InsertButton(int index, const std::u16string& text, int command, bool enabled = true);
    // Inserts menu resource menuId as a menu button: its first pop-up gives the button's title
    // and the entries it opens.
    bool InsertMenuButton(int index, int menuId);
    bool DeleteButton(int index);
    bool EnableButton(int command, bool enable);
    // The command of a button's or menu entry's path ("Menu/Selection/Select All" or
    // "Selection/Select All"); 0 when there is none.
    int FindCommand(const std::vector<std::u16string>& path) const;
    // True when a text button or a menu of the bar offers command id.
    bool HasCommand(int id) const;

  private:
    friend class CDialog;
    void Bind(Window* owner, const Resources* resources) {
        owner_ = owner;
        resources_ = resources;
    }
    // Starts the bar from a menu resource's menu-bar definition.
    void LoadBar(int menuId);
    void Changed();

    Window* owner_ = nullptr;
    const Resources* resources_ = nullptr;
    std::vector<MenuBarButton> buttons_;
};

}  // namespace tidy::ui
