#include "ui/web/WebModel.h"

#include "platform/Text.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"

namespace tidy::web {

namespace {

using nlohmann::json;
using text::ToUtf8;

json RectJson(const ui::Rect& r) {
    return json::array({r.left, r.top, r.Width(), r.Height()});
}

const char* KindName(ui::WindowKind k) {
    switch (k) {
        case ui::WindowKind::Dialog:
            return "dialog";
        case ui::WindowKind::MessageBox:
            return "messagebox";
        case ui::WindowKind::PopupMenu:
            return "popup";
        case ui::WindowKind::ListView:
            return "listview";
        case ui::WindowKind::TreeView:
            return "treeview";
        case ui::WindowKind::ComboBox:
            return "combobox";
        case ui::WindowKind::Edit:
            return "edit";
        case ui::WindowKind::Button:
            return "button";
        case ui::WindowKind::CheckBox:
            return "checkbox";
        case ui::WindowKind::Label:
            return "label";
        case ui::WindowKind::Picture:
            return "picture";
    }
    return "unknown";
}

const char* IconName(unsigned type) {
    switch (type & 0xF0) {
        case ui::MB_ICONQUESTION:
            return "question";
        case ui::MB_ICONINFORMATION:
            return "information";
        case ui::MB_ICONEXCLAMATION:
            return "warning";
        case ui::MB_ICONHAND:
            return "error";
        default:
            return "";
    }
}

json ListJson(const ui::CListCtrl& list) {
    json columns = json::array();
    for (const ui::ListColumn& c : list.Columns())
        columns.push_back({{"text", ToUtf8(c.text)}, {"width", c.width}});
    json rows = json::array();
    const bool boxes = (list.GetExtendedStyle() & ui::LVS_EX_CHECKBOXES) != 0;
    for (const ui::ListRow& r : list.Rows()) {
        json cells = json::array();
        for (const std::u16string& c : r.cells) cells.push_back(ToUtf8(c));
        json checked = nullptr;
        unsigned image = r.state & ui::LVIS_STATEIMAGEMASK;
        if (boxes && image == ui::LVIS_CHECKED)
            checked = true;
        else if (boxes && image == ui::LVIS_UNCHECKED)
            checked = false;
        rows.push_back({{"cells", std::move(cells)},
                        {"checked", checked},
                        {"selected", (r.state & ui::LVIS_SELECTED) != 0}});
    }
    return {{"columns", std::move(columns)},
            {"rows", std::move(rows)},
            {"checkboxes", boxes},
            {"fullRow", (list.GetExtendedStyle() & ui::LVS_EX_FULLROWSELECT) != 0},
            {"rowHeight", list.RowHeight()},
            {"headerHeight", list.HeaderHeight()},
            {"top", list.GetTopIndex()},
            {"mark", list.GetSelectionMark()}};
}

json TreeJson(const ui::CTreeCtrl& tree) {
    json nodes = json::array();
    for (const auto& [item, depth] : tree.Flatten(true)) {
        const ui::TreeNode* n = tree.Node(item);
        if (!n) continue;
        nodes.push_back({{"item", item},
                         {"text", ToUtf8(n->text)},
                         {"depth", depth},
                         {"expanded", n->expanded},
                         {"children", !n->children.empty()}});
    }
    const unsigned style = tree.GetStyle();
    return {{"nodes", std::move(nodes)},
            {"selected", tree.GetSelectedItem()},
            {"first", tree.GetFirstVisibleItem()},
            {"lines", (style & ui::TVS_HASLINES) != 0},
            {"buttons", (style & ui::TVS_HASBUTTONS) != 0}};
}

json ControlJson(const ui::Window& c, const ui::CDialog& dialog) {
    json j = {{"kind", KindName(c.Kind())},
              {"id", c.GetDlgCtrlID()},
              {"handle", c.Handle()},
              {"rect", RectJson(c.Bounds())},
              {"visible", c.IsWindowVisible()},
              {"enabled", c.IsWindowEnabled()},
              {"focused", dialog.GetFocus() == &c},
              {"text", ToUtf8(c.GetWindowText())}};
    if (auto* list = dynamic_cast<const ui::CListCtrl*>(&c)) {
        j.update(ListJson(*list));
    } else if (auto* tree = dynamic_cast<const ui::CTreeCtrl*>(&c)) {
        j.update(TreeJson(*tree));
    } else if (auto* combo = dynamic_cast<const ui::CComboBox*>(&c)) {
        json items = json::array();
        for (const std::u16string& s : combo->Items()) items.push_back(ToUtf8(s));
        j["items"] = std::move(items);
        j["sel"] = combo->GetCurSel();
    } else if (auto* edit = dynamic_cast<const ui::CEdit*>(&c)) {
        j["readonly"] = edit->IsReadOnly();
    } else if (auto* button = dynamic_cast<const ui::CButton*>(&c)) {
        if (button->IsCheckBox())
            j["checked"] = button->GetCheck() == ui::BST_CHECKED;
        else
            j["default"] = (c.GetStyle() & 0x0F) == ui::BS_DEFPUSHBUTTON;
    } else if (auto* picture = dynamic_cast<const ui::CStatic*>(&c)) {
        j["bitmap"] = picture->GetBitmap();
    }
    return j;
}

json DialogJson(const ui::CDialog& d) {
    json softkeys = json::array();
    const auto& buttons = d.MenuBar().Buttons();
    for (size_t i = 0; i < buttons.size(); ++i) {
        const ui::MenuBarButton& b = buttons[i];
        softkeys.push_back({{"index", i},
                            {"text", ToUtf8(b.text)},
                            {"command", b.command},
                            {"enabled", b.enabled},
                            {"menu", b.isMenu},
                            {"items", MenuItemsJson(b.menu)}});
    }
    json controls = json::array();
    for (const ui::Window* c : d.Children())
        if (c) controls.push_back(ControlJson(*c, d));
    const ui::Window* focus = d.GetFocus();
    return {{"kind", "dialog"},
            {"handle", d.Handle()},
            {"template", d.TemplateId()},
            {"caption", ToUtf8(d.GetWindowText())},
            {"ok", d.TitleOkVisible()},
            {"rect", RectJson(d.GetWindowRect())},
            {"focus", focus ? json(focus->GetDlgCtrlID()) : json(nullptr)},
            {"softkeys", std::move(softkeys)},
            {"controls", std::move(controls)}};
}

json MessageBoxJson(const ui::MessageBoxWindow& box) {
    json buttons = json::array();
    for (int id : box.Buttons())
        buttons.push_back({{"id", id}, {"text", ToUtf8(ui::MessageBoxWindow::ButtonText(id))}});
    return {{"kind", "messagebox"},
            {"handle", box.Handle()},
            {"caption", ToUtf8(box.Caption())},
            {"text", ToUtf8(box.Text())},
            {"icon", IconName(box.Type())},
            {"buttons", std::move(buttons)}};
}

json PopupJson(const ui::PopupMenuWindow& menu) {
    return {{"kind", "popup"},
            {"handle", menu.Handle()},
            {"x", menu.At().x},
            {"y", menu.At().y},
            {"items", MenuItemsJson(menu.Items())}};
}

}  // namespace

json MenuItemsJson(const std::vector<ui::MenuItem>& items) {
    json out = json::array();
    for (const ui::MenuItem& m : items) {
        json j = {{"id", m.id},
                  {"text", ToUtf8(m.text)},
                  {"separator", m.separator},
                  {"popup", m.popup},
                  {"grayed", (m.flags & ui::MF_GRAYED) != 0},
                  {"checked", (m.flags & ui::MF_CHECKED) != 0}};
        if (m.popup) j["items"] = MenuItemsJson(m.items);
        out.push_back(std::move(j));
    }
    return out;
}

json BuildModel(ui::UiThread& ui, const ui::Window* leaving) {
    const ui::ScreenMetrics& s = ui.Screen();
    json windows = json::array();
    for (const ui::Window* w : ui.TopLevelWindows()) {
        if (!w || w == leaving || !w->IsWindow()) continue;
        if (auto* d = dynamic_cast<const ui::CDialog*>(w)) {
            // A dialog shows once its initialisation is done; an ending one is gone already.
            if (!d->IsWindowVisible() || d->IsEnding()) continue;
            windows.push_back(DialogJson(*d));
        } else if (auto* box = dynamic_cast<const ui::MessageBoxWindow*>(w)) {
            if (!box->Answered()) windows.push_back(MessageBoxJson(*box));
        } else if (auto* menu = dynamic_cast<const ui::PopupMenuWindow*>(w)) {
            if (!menu->Done()) windows.push_back(PopupJson(*menu));
        }
    }
    return {{"screen",
             {{"width", s.width},
              {"height", s.height},
              {"caption", s.captionHeight},
              {"menu", s.menuHeight},
              {"scale", s.Scale()}}},
            {"windows", std::move(windows)}};
}

}  // namespace tidy::web
