#pragma once
// The program's resources: dialog templates, menus (with their menu-bar definitions) and
// strings. They are written as JSON under resources/ui/ and compiled into the executable; the
// user-interface thread reads them from there (tests may load their own).
//
// Dialog template (resources/ui/templates/<id>.json):
//   {"id": 134, "caption": "Options", "size": [137, 106], "font": ["System", 8],
//    "menubar": 143,                       optional: the menu bar starts from this menu
//    "controls": [{"id": 1024, "kind": "combobox", "text": "", "rect": [50, 2, 86, 50],
//                  "style": ["dropdownlist"]}, ...]}
//   rect is x, y, width, height in dialog units. Kinds: listview, treeview, combobox, edit,
//   button, checkbox, label, picture. Styles by name (see StyleByName in Resources.cpp):
//   report, singlesel, showselalways, nosortheader, hasbuttons, haslines, linesatroot,
//   dropdownlist, sort, readonly, autohscroll, autocheckbox, pushbutton, defpushbutton,
//   hidden, disabled, bitmap. "bitmap": 159 names a picture's bitmap.
//
// Menu (resources/ui/menus/<id>.json):
//   {"id": 141,
//    "menubar": [{"command": 32786, "string": 32777, "submenu": 0}],   the menu-bar buttons
//    "items": [{"popup": "Menu", "items": [{"text": "Refresh", "id": 32794},
//                                          {"separator": true}, ...]}]}
//
// Strings (resources/ui/strings.json): {"32777": "Menu", ...}

#include <map>
#include <string>
#include <vector>

#include "ui/framework/Geometry.h"

namespace tidy::ui {

enum class ControlKind { ListView, TreeView, ComboBox, Edit, Button, CheckBox, Label, Picture };

struct ControlTemplate {
    int id = -1;  // -1 for controls that are never addressed (labels)
    ControlKind kind = ControlKind::Label;
    std::u16string text;
    Rect dlu;            // left, top, right, bottom in dialog units
    unsigned style = 0;  // window and control style bits (Window.h)
    int bitmap = 0;      // pictures: the bitmap resource shown
};

struct DialogTemplate {
    int id = 0;
    std::u16string caption;
    int cx = 0, cy = 0;  // dialog units
    std::u16string font = u"System";
    int fontSize = 8;
    int menuBar = 0;  // menu resource whose menu-bar definition the dialog's menu bar starts from
    std::vector<ControlTemplate> controls;
};

// One entry of a menu: a command, a separator or a pop-up holding more entries.
struct MenuItem {
    int id = 0;
    std::u16string text;
    bool separator = false;
    bool popup = false;
    unsigned flags = 0;           // MF_GRAYED, MF_CHECKED (Menu.h)
    std::vector<MenuItem> items;  // pop-ups only
};

// A button of a menu-bar definition: a drop-down button opening sub-menu `submenu` of the
// menu, labelled by string `stringId`, sending `command` when tapped.
struct MenuBarButtonTemplate {
    int command = 0;
    int stringId = 0;
    int submenu = 0;
};

struct MenuResource {
    int id = 0;
    std::vector<MenuItem> items;
    std::vector<MenuBarButtonTemplate> menuBar;
};

class Resources {
  public:
    // The resources compiled into the executable, parsed once.
    static const Resources& Embedded();

    // Adds the resources of one JSON document (a template, a menu or a string table, told
    // apart by `kind`: "dialog", "menu" or "strings"). Returns false with a reason on bad input;
    // nothing of a rejected document is kept.
    bool Load(const std::string& kind, const std::string& json, std::string& error);
    // Loads a document whose kind follows from its name: templates/..., menus/..., strings.json.
    bool LoadNamed(const std::string& name, const std::string& json, std::string& error);

    const DialogTemplate* FindDialog(int id) const;
    const MenuResource* FindMenu(int id) const;
    // The string with that id, empty when there is none.
    std::u16string LoadString(int id) const;

  private:
    std::map<int, DialogTemplate> dialogs_;
    std::map<int, MenuResource> menus_;
    std::map<int, std::u16string> strings_;
};

}  // namespace tidy::ui
