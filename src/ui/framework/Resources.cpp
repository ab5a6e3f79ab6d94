#include "ui/framework/Resources.h"

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "platform/Text.h"
#include "ui/framework/UiResourceFiles.h"
#include "ui/framework/Window.h"

namespace tidy::ui {

namespace {

using nlohmann::json;

struct Bad : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::u16string Str(const json& j, const char* key) {
    if (!j.contains(key)) return {};
    if (!j[key].is_string()) throw Bad(std::string("\"") + key + "\" must be text");
    return text::FromUtf8(j[key].get<std::string>());
}

int Int(const json& j, const char* key, int fallback) {
    if (!j.contains(key)) return fallback;
    if (!j[key].is_number_integer()) throw Bad(std::string("\"") + key + "\" must be a number");
    return j[key].get<int>();
}

unsigned StyleByName(const std::string& name, ControlKind kind) {
    // The same name means different bits in a tree view.
    if (name == "showselalways" && kind == ControlKind::TreeView) return TVS_SHOWSELALWAYS;
    static const std::pair<const char*, unsigned> table[] = {
        {"report", LVS_REPORT},
        {"singlesel", LVS_SINGLESEL},
        {"showselalways", LVS_SHOWSELALWAYS},
        {"nosortheader", LVS_NOSORTHEADER},
        {"hasbuttons", TVS_HASBUTTONS},
        {"haslines", TVS_HASLINES},
        {"linesatroot", TVS_LINESATROOT},
        {"dropdownlist", CBS_DROPDOWNLIST},
        {"sort", CBS_SORT},
        {"readonly", ES_READONLY},
        {"autohscroll", ES_AUTOHSCROLL},
        {"autocheckbox", BS_AUTOCHECKBOX},
        {"pushbutton", BS_PUSHBUTTON},
        {"defpushbutton", BS_DEFPUSHBUTTON},
        {"bitmap", SS_BITMAP},
        {"disabled", WS_DISABLED},
    };
    for (auto& [n, v] : table)
        if (name == n) return v;
    throw Bad("unknown style \"" + name + "\"");
}

ControlKind KindByName(const std::string& name) {
    static const std::pair<const char*, ControlKind> table[] = {
        {"listview", ControlKind::ListView}, {"treeview", ControlKind::TreeView},
        {"combobox", ControlKind::ComboBox}, {"edit", ControlKind::Edit},
        {"button", ControlKind::Button},     {"checkbox", ControlKind::CheckBox},
        {"label", ControlKind::Label},       {"picture", ControlKind::Picture},
    };
    for (auto& [n, v] : table)
        if (name == n) return v;
    throw Bad("unknown control kind \"" + name + "\"");
}

Rect Dlu(const json& r) {
    if (!r.is_array() || r.size() != 4) throw Bad("\"rect\" must be [x, y, width, height]");
    for (auto& v : r)
        if (!v.is_number_integer()) throw Bad("\"rect\" must hold numbers");
    int x = r[0], y = r[1], w = r[2], h = r[3];
    if (w < 0 || h < 0) throw Bad("\"rect\" has a negative size");
    return {x, y, x + w, y + h};
}

DialogTemplate ParseDialog(const json& j) {
    DialogTemplate d;
    d.id = Int(j, "id", 0);
    if (d.id <= 0) throw Bad("a dialog needs a positive \"id\"");
    d.caption = Str(j, "caption");
    if (!j.contains("size") || !j["size"].is_array() || j["size"].size() != 2)
        throw Bad("\"size\" must be [width, height]");
    d.cx = j["size"][0].get<int>();
    d.cy = j["size"][1].get<int>();
    if (j.contains("font")) {
        const json& f = j["font"];
        if (!f.is_array() || f.size() != 2 || !f[0].is_string() || !f[1].is_number_integer())
            throw Bad("\"font\" must be [name, size]");
        d.font = text::FromUtf8(f[0].get<std::string>());
        d.fontSize = f[1].get<int>();
    }
    d.menuBar = Int(j, "menubar", 0);
    if (j.contains("controls")) {
        if (!j["controls"].is_array()) throw Bad("\"controls\" must be a list");
        for (const json& c : j["controls"]) {
            ControlTemplate t;
            t.id = Int(c, "id", -1);
            if (!c.contains("kind") || !c["kind"].is_string()) throw Bad("a control needs a kind");
            t.kind = KindByName(c["kind"].get<std::string>());
            t.text = Str(c, "text");
            if (!c.contains("rect")) throw Bad("a control needs a \"rect\"");
            t.dlu = Dlu(c["rect"]);
            t.style = WS_VISIBLE;
            if (c.contains("style")) {
                if (!c["style"].is_array()) throw Bad("\"style\" must be a list");
                for (const json& s : c["style"]) {
                    if (!s.is_string()) throw Bad("a style must be a name");
                    std::string n = s.get<std::string>();
                    if (n == "hidden")
                        t.style &= ~WS_VISIBLE;
                    else
                        t.style |= StyleByName(n, t.kind);
                }
            }
            t.bitmap = Int(c, "bitmap", 0);
            if (t.id != -1) {
                for (const auto& other : d.controls)
                    if (other.id == t.id)
                        throw Bad("control id " + std::to_string(t.id) + " twice");
            }
            d.controls.push_back(std::move(t));
        }
    }
    return d;
}

std::vector<MenuItem> ParseItems(const json& items) {
    if (!items.is_array()) throw Bad("\"items\" must be a list");
    std::vector<MenuItem> out;
    for (const json& j : items) {
        MenuItem m;
        if (j.contains("separator")) {
            m.separator = true;
        } else if (j.contains("popup")) {
            m.popup = true;
            m.text = Str(j, "popup");
            if (!j.contains("items")) throw Bad("a pop-up needs \"items\"");
            m.items = ParseItems(j["items"]);
        } else {
            m.text = Str(j, "text");
            m.id = Int(j, "id", 0);
            if (m.id == 0) throw Bad("a menu entry needs an \"id\"");
            if (j.contains("grayed") && j["grayed"].is_boolean() && j["grayed"].get<bool>())
                m.flags |= 0x0001;
        }
        out.push_back(std::move(m));
    }
    return out;
}

MenuResource ParseMenu(const json& j) {
    MenuResource m;
    m.id = Int(j, "id", 0);
    if (m.id <= 0) throw Bad("a menu needs a positive \"id\"");
    if (!j.contains("items")) throw Bad("a menu needs \"items\"");
    m.items = ParseItems(j["items"]);
    if (j.contains("menubar")) {
        if (!j["menubar"].is_array()) throw Bad("\"menubar\" must be a list");
        for (const json& b : j["menubar"]) {
            MenuBarButtonTemplate t;
            t.command = Int(b, "command", 0);
            t.stringId = Int(b, "string", 0);
            t.submenu = Int(b, "submenu", 0);
            m.menuBar.push_back(t);
        }
    }
    return m;
}

}  // namespace

const Resources& Resources::Embedded() {
    // The executable's own resources never change; a broken one is a build fault, reported
    // loudly rather than shown as a half-empty window.
    static const Resources all = [] {
        Resources r;
        for (const auto& [name, bytes] : UiResourceFiles()) {
            std::string error;
            if (!r.LoadNamed(std::string(name), std::string(bytes), error))
                throw std::runtime_error("resource " + std::string(name) + ": " + error);
        }
        return r;
    }();
    return all;
}

bool Resources::LoadNamed(const std::string& name, const std::string& json, std::string& error) {
    if (name.rfind("templates/", 0) == 0) return Load("dialog", json, error);
    if (name.rfind("menus/", 0) == 0) return Load("menu", json, error);
    if (name == "strings.json") return Load("strings", json, error);
    error = "not a resource name";
    return false;
}

bool Resources::Load(const std::string& kind, const std::string& text, std::string& error) {
    try {
        json j = json::parse(text);
        if (!j.is_object()) throw Bad("a resource must be an object");
        if (kind == "dialog") {
            DialogTemplate d = ParseDialog(j);
            dialogs_[d.id] = std::move(d);
        } else if (kind == "menu") {
            MenuResource m = ParseMenu(j);
            menus_[m.id] = std::move(m);
        } else if (kind == "strings") {
            std::map<int, std::u16string> add;
            for (auto& [key, value] : j.items()) {
                size_t used = 0;
                int id = std::stoi(key, &used);
                if (used != key.size() || !value.is_string())
                    throw Bad("bad string \"" + key + "\"");
                add[id] = text::FromUtf8(value.get<std::string>());
            }
            for (auto& [id, s] : add) strings_[id] = s;
        } else {
            throw Bad("unknown resource kind \"" + kind + "\"");
        }
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

const DialogTemplate* Resources::FindDialog(int id) const {
    auto it = dialogs_.find(id);
    return it == dialogs_.end() ? nullptr : &it->second;
}

const MenuResource* Resources::FindMenu(int id) const {
    auto it = menus_.find(id);
    return it == menus_.end() ? nullptr : &it->second;
}

std::u16string Resources::LoadString(int id) const {
    auto it = strings_.find(id);
    return it == strings_.end() ? std::u16string() : it->second;
}

}  // namespace tidy::ui
