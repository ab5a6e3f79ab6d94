#include "ui/web/WebInput.h"

#include <limits>
#include <optional>

#include "platform/Text.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"

namespace tidy::web {

namespace {

using nlohmann::json;

// A failed check: the status and the reason the page (or a script) is told.
struct Refusal {
    int status;
    std::string reason;
};

bool GetInt(const json& body, const char* name, int& out, std::string& reason) {
    auto it = body.find(name);
    if (it == body.end()) {
        reason = std::string("\"") + name + "\" is missing";
        return false;
    }
    if (!it->is_number_integer()) {
        reason = std::string("\"") + name + "\" must be an integer";
        return false;
    }
    int64_t v = it->get<int64_t>();
    if (it->is_number_unsigned() && it->get<uint64_t>() > uint64_t(std::numeric_limits<int>::max()))
        v = int64_t(std::numeric_limits<int>::max()) + 1;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) {
        reason = std::string("\"") + name + "\" is out of range";
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool GetHandle(const json& body, const char* name, uint64_t& out, std::string& reason) {
    auto it = body.find(name);
    if (it == body.end()) {
        reason = std::string("\"") + name + "\" is missing";
        return false;
    }
    if (!it->is_number_unsigned()) {
        reason = std::string("\"") + name + "\" must be a window or item number";
        return false;
    }
    out = it->get<uint64_t>();
    return true;
}

bool GetBool(const json& body, const char* name, bool& out, std::string& reason) {
    auto it = body.find(name);
    if (it == body.end() || !it->is_boolean()) {
        reason = std::string("\"") + name + "\" must be true or false";
        return false;
    }
    out = it->get<bool>();
    return true;
}

bool GetString(const json& body, const char* name, std::string& out, std::string& reason) {
    auto it = body.find(name);
    if (it == body.end() || !it->is_string()) {
        reason = std::string("\"") + name + "\" must be a string";
        return false;
    }
    out = it->get<std::string>();
    return true;
}

// A command that a list of menu entries offers and a person may choose.
bool MenuOffers(const json& items, int command) {
    if (!items.is_array()) return false;
    for (const json& m : items) {
        if (m.value("separator", false) || m.value("grayed", false)) continue;
        if (m.value("popup", false)) {
            if (MenuOffers(m.value("items", json::array()), command)) return true;
        } else if (m.value("id", 0) == command) {
            return true;
        }
    }
    return false;
}

const char* KindLabel(const std::string& kind) {
    if (kind == "listview") return "a list";
    if (kind == "treeview") return "a tree";
    if (kind == "combobox") return "a combo box";
    if (kind == "edit") return "an edit box";
    if (kind == "button") return "a button";
    if (kind == "checkbox") return "a check box";
    if (kind == "label") return "a label";
    if (kind == "picture") return "a picture";
    return "a control";
}

bool IsControlAction(const std::string& a) {
    return a == "select" || a == "check" || a == "dbltap" || a == "hold" || a == "tree-select" ||
           a == "tree-toggle" || a == "pick" || a == "type" || a == "click";
}

bool IsKnownAction(const std::string& a) {
    return IsControlAction(a) || a == "softkey" || a == "menu" || a == "key" || a == "titleok" ||
           a == "activate" || a == "answer" || a == "choose" || a == "dismiss";
}

std::string Str(int n) {
    return std::to_string(n);
}

// Reads the fields of the action; 400 on a missing field or a wrong type.
bool ReadFields(const json& body, InputCommand& c, std::string& reason) {
    const std::string& a = c.action;
    if (IsControlAction(a) && !GetInt(body, "control", c.control, reason)) return false;
    if (a == "select" || a == "dbltap") return GetInt(body, "row", c.row, reason);
    if (a == "check")
        return GetInt(body, "row", c.row, reason) && GetBool(body, "checked", c.checked, reason);
    if (a == "hold") return GetInt(body, "x", c.x, reason) && GetInt(body, "y", c.y, reason);
    if (a == "tree-select" || a == "tree-toggle") return GetHandle(body, "item", c.item, reason);
    if (a == "pick" || a == "softkey") return GetInt(body, "index", c.index, reason);
    if (a == "menu" || a == "choose") return GetInt(body, "command", c.command, reason);
    if (a == "answer") return GetInt(body, "button", c.button, reason);
    if (a == "key") {
        if (!GetString(body, "key", c.key, reason)) return false;
        if (c.key != "enter" && c.key != "escape") {
            reason = "\"key\" must be \"enter\" or \"escape\"";
            return false;
        }
        return true;
    }
    if (a == "type") {
        std::string utf8;
        if (!GetString(body, "text", utf8, reason)) return false;
        c.text = text::FromUtf8(utf8);
    }
    return true;
}

std::optional<Refusal> CheckControl(const InputCommand& c, const json& dialog) {
    const json* control = nullptr;
    if (auto it = dialog.find("controls"); it != dialog.end() && it->is_array())
        for (const json& k : *it)
            if (k.value("id", -1) == c.control) control = &k;
    if (!control) return Refusal{404, "the window has no control " + Str(c.control)};
    const json& k = *control;
    const std::string kind = k.value("kind", "");
    if (!k.value("visible", false) || !k.value("enabled", false))
        return Refusal{422, "control " + Str(c.control) + " is hidden or disabled"};
    auto wrongKind = [&](const char* wanted) {
        return Refusal{422,
                       "control " + Str(c.control) + " is " + KindLabel(kind) + ", not " + wanted};
    };
    const std::string& a = c.action;
    if (a == "select" || a == "check" || a == "dbltap" || a == "hold") {
        if (kind != "listview") return wrongKind("a list");
        if (a == "hold") {
            const json& r = k.at("rect");
            if (c.x < 0 || c.y < 0 || c.x >= r[2].get<int>() || c.y >= r[3].get<int>())
                return Refusal{422, "the point lies outside the list"};
            return std::nullopt;
        }
        const json& rows = k.at("rows");
        if (c.row < 0 || c.row >= static_cast<int>(rows.size()))
            return Refusal{422, "the list has no row " + Str(c.row)};
        if (a == "check" && rows[c.row].at("checked").is_null())
            return Refusal{422, "row " + Str(c.row) + " has no check box"};
        return std::nullopt;
    }
    if (a == "tree-select" || a == "tree-toggle") {
        if (kind != "treeview") return wrongKind("a tree");
        for (const json& n : k.at("nodes")) {
            if (n.value("item", uint64_t(0)) != c.item) continue;
            if (a == "tree-toggle" && !n.value("children", false))
                return Refusal{422, "the tree item has nothing to expand"};
            return std::nullopt;
        }
        return Refusal{422, "the tree shows no item " + std::to_string(c.item)};
    }
    if (a == "pick") {
        if (kind != "combobox") return wrongKind("a combo box");
        if (c.index < 0 || c.index >= static_cast<int>(k.at("items").size()))
            return Refusal{422, "the combo box has no item " + Str(c.index)};
        return std::nullopt;
    }
    if (a == "type") {
        if (kind != "edit") return wrongKind("an edit box");
        if (k.value("readonly", false))
            return Refusal{422, "edit box " + Str(c.control) + " is read-only"};
        if (c.text.size() > kMaxEditText)
            return Refusal{
                422, "the text is longer than " + std::to_string(kMaxEditText) + " characters"};
        for (char16_t ch : c.text)
            if (ch < 0x20 || ch == 0x7F) return Refusal{422, "the text holds a control character"};
        return std::nullopt;
    }
    // click
    if (kind != "button" && kind != "checkbox") return wrongKind("a button");
    return std::nullopt;
}

std::optional<Refusal> CheckAgainstModel(const InputCommand& c, const json& model) {
    const json* window = nullptr;
    auto windows = model.find("windows");
    if (windows != model.end() && windows->is_array())
        for (const json& w : *windows)
            if (w.value("handle", uint64_t(0)) == c.window) window = &w;
    if (!window) return Refusal{404, "there is no window " + std::to_string(c.window)};
    if (&windows->back() != window)
        return Refusal{409, "window " + std::to_string(c.window) +
                                " is not the active window (another window is open above it)"};
    const json& w = *window;
    const std::string kind = w.value("kind", "");
    const std::string& a = c.action;
    auto notHere = [&] {
        return Refusal{422, "a " +
                                std::string(kind == "messagebox" ? "message box"
                                            : kind == "popup"    ? "pop-up menu"
                                                                 : "dialog") +
                                " takes no \"" + a + "\""};
    };
    if (kind == "messagebox") {
        if (a == "key") return std::nullopt;
        if (a != "answer") return notHere();
        for (const json& b : w.at("buttons"))
            if (b.value("id", 0) == c.button) return std::nullopt;
        return Refusal{422, "the message box has no button " + Str(c.button)};
    }
    if (kind == "popup") {
        if (a == "key" || a == "dismiss") return std::nullopt;
        if (a != "choose") return notHere();
        if (!MenuOffers(w.at("items"), c.command))
            return Refusal{422, "the menu offers no command " + Str(c.command)};
        return std::nullopt;
    }
    if (kind != "dialog") return Refusal{409, "the window takes no input"};
    if (a == "answer" || a == "choose" || a == "dismiss") return notHere();
    if (a == "softkey") {
        const json& keys = w.at("softkeys");
        if (c.index < 0 || c.index >= static_cast<int>(keys.size()))
            return Refusal{422, "there is no soft key " + Str(c.index)};
        const json& k = keys[c.index];
        if (!k.value("enabled", false)) return Refusal{422, "the soft key is disabled"};
        if (k.value("menu", false))
            return Refusal{422, "the soft key opens a menu: send the chosen entry as \"menu\""};
        return std::nullopt;
    }
    if (a == "menu") {
        for (const json& k : w.at("softkeys"))
            if (k.value("enabled", false) && k.value("menu", false) &&
                MenuOffers(k.at("items"), c.command))
                return std::nullopt;
        return Refusal{422, "the menu bar offers no command " + Str(c.command)};
    }
    if (a == "titleok" && !w.value("ok", false))
        return Refusal{422, "the title bar shows no OK button"};
    if (IsControlAction(a)) return CheckControl(c, w);
    return std::nullopt;  // key, titleok, activate
}

}  // namespace

int ParseInput(const std::string& body, const json& model, InputCommand& cmd, std::string& reason) {
    json doc = json::parse(body, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        reason = "the body is not a JSON object";
        return 400;
    }
    InputCommand c;
    if (!GetHandle(doc, "window", c.window, reason)) return 400;
    if (!GetString(doc, "action", c.action, reason)) return 400;
    if (!IsKnownAction(c.action)) {
        reason = "unknown action \"" + c.action + "\"";
        return 400;
    }
    if (!ReadFields(doc, c, reason)) return 400;
    try {
        if (auto refusal = CheckAgainstModel(c, model)) {
            reason = refusal->reason;
            return refusal->status;
        }
    } catch (const json::exception&) {
        // The model is ours; a shape it does not have means the window cannot take this.
        reason = "the window cannot take this input";
        return 422;
    }
    cmd = std::move(c);
    return 0;
}

bool ApplyInput(ui::UiThread& ui, const InputCommand& c) {
    ui::Window* top = ui.TopWindow();
    if (!top || top->Handle() != c.window) return false;
    const std::string& a = c.action;

    if (auto* box = dynamic_cast<ui::MessageBoxWindow*>(top)) {
        if (box->Answered()) return false;
        if (a == "answer") return box->Answer(c.button);
        if (a == "key" && c.key == "escape") {
            int id = box->EscapeAnswer();
            return id != 0 && box->Answer(id);
        }
        if (a == "key") {  // Enter presses the default button, the first one
            std::vector<int> buttons = box->Buttons();
            return !buttons.empty() && box->Answer(buttons.front());
        }
        return false;
    }
    if (auto* menu = dynamic_cast<ui::PopupMenuWindow*>(top)) {
        if (menu->Done()) return false;
        if (a == "choose") return menu->Choose(c.command);
        if (a == "dismiss" || (a == "key" && c.key == "escape")) {
            menu->Dismiss();
            return true;
        }
        return false;
    }
    auto* d = dynamic_cast<ui::CDialog*>(top);
    if (!d || d->IsEnding()) return false;
    if (a == "softkey") return d->UserTapSoftKey(c.index);
    if (a == "menu") return d->UserMenuCommand(c.command);
    if (a == "titleok") return d->UserTitleOk();
    if (a == "activate") {
        d->UserActivate();
        return true;
    }
    if (a == "key") {
        if (c.key == "enter")
            d->UserEnter();
        else
            d->UserEscape();
        return true;
    }

    ui::Window* w = d->GetDlgItem(c.control);
    if (!w || !w->IsWindowVisible() || !w->IsWindowEnabled()) return false;
    if (auto* list = dynamic_cast<ui::CListCtrl*>(w)) {
        if (a == "select") return list->UserSelect(c.row);
        if (a == "check") return list->UserCheck(c.row, c.checked);
        if (a == "dbltap") return list->UserDoubleTap(c.row);
        if (a == "hold") {
            list->UserTapAndHold({c.x, c.y});
            return true;
        }
        return false;
    }
    if (auto* tree = dynamic_cast<ui::CTreeCtrl*>(w)) {
        if (a == "tree-select") return tree->UserSelect(static_cast<ui::HTREEITEM>(c.item));
        if (a == "tree-toggle") return tree->UserToggle(static_cast<ui::HTREEITEM>(c.item));
        return false;
    }
    if (auto* combo = dynamic_cast<ui::CComboBox*>(w))
        return a == "pick" && combo->UserPick(c.index);
    if (auto* edit = dynamic_cast<ui::CEdit*>(w)) return a == "type" && edit->UserType(c.text);
    if (auto* button = dynamic_cast<ui::CButton*>(w)) return a == "click" && button->UserClick();
    return false;
}

}  // namespace tidy::web
