#pragma once
// The window model as JSON, for the page to draw. Built on the user-interface thread.
//
//   {"screen": {"width", "height", "caption", "menu", "scale"},
//    "windows": [ bottom ... top ]}       the visible top-level windows; the last one is active
//
// A dialog:
//   {"kind": "dialog", "handle", "caption", "ok" (title-bar OK shown), "rect": [x, y, w, h],
//    "focus": control id or null, "softkeys": [{"index", "text", "command", "enabled",
//    "menu" (bool), "items": [menu entries]}], "controls": [...]}
// A control: {"kind", "id", "handle", "rect" (dialog client coordinates), "visible",
//   "enabled", "text"} and by kind:
//   listview:  "columns": [{"text", "width"}], "rows": [{"cells", "checked" (true, false or
//              null without a box), "selected"}], "checkboxes", "fullRow", "rowHeight",
//              "headerHeight", "top", "mark"
//   treeview:  "nodes": [{"item", "text", "depth", "expanded", "children"}] (visible ones),
//              "selected", "first", "lines", "buttons"
//   combobox:  "items", "sel"
//   edit:      "readonly"
//   button:    "default"
//   checkbox:  "checked"
//   picture:   "bitmap"
// A message box: {"kind": "messagebox", "handle", "caption", "text", "icon" ("question",
//   "information", "warning", "error" or ""), "buttons": [{"id", "text"}]}
// A pop-up menu: {"kind": "popup", "handle", "x", "y" (screen), "items": [menu entries]}
// A menu entry: {"id", "text", "separator", "popup", "grayed", "checked", "items"}

#include <nlohmann/json.hpp>

#include "ui/framework/UiThread.h"

namespace tidy::web {

// leaving: a window about to leave the stack (left out), or null.
nlohmann::json BuildModel(ui::UiThread& ui, const ui::Window* leaving = nullptr);

nlohmann::json MenuItemsJson(const std::vector<ui::MenuItem>& items);

}  // namespace tidy::web
