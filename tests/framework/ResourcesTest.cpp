#include <gtest/gtest.h>

#include "ui/framework/Dialog.h"
#include "ui/framework/Resources.h"
#include "ui/framework/UiThread.h"

using namespace tidy::ui;

namespace {

struct Expected {
    int id;
    const char16_t* caption;
    int cx, cy;
    std::vector<int> ids;  // addressed controls, in order
};

TEST(Resources, DialogTemplatesHoldTheirCaptionsSizesAndControls) {
    const Resources& r = Resources::Embedded();
    const Expected all[] = {
        {102, u"Tidymatic", 143, 105, {1046, 1019}},
        {134, u"Options", 137, 106, {1024, 1025, 1022, 1027, 1023, 1028, 1029, 1030, 1026}},
        {140, u"Select Folder", 137, 106, {1020}},
        {146, u"Save Shortcut", 132, 51, {1033, 1032, 1, 2}},
        {152, u"Custom Files", 137, 106, {1035, 1033, 1036, 1037, 1038}},
        {153, u"MRU Cleaner", 135, 106, {1019}},
        {158, u"Advanced", 135, 105, {1019}},
    };
    for (const auto& e : all) {
        SCOPED_TRACE(e.id);
        const DialogTemplate* d = r.FindDialog(e.id);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->caption, e.caption);
        EXPECT_EQ(d->cx, e.cx);
        EXPECT_EQ(d->cy, e.cy);
        EXPECT_EQ(d->font, u"System");
        EXPECT_EQ(d->fontSize, 8);
        std::vector<int> ids;
        for (const auto& c : d->controls)
            if (c.id != -1) ids.push_back(c.id);
        EXPECT_EQ(ids, e.ids);
    }
}

TEST(Resources, ControlDetailsOfOptionsAndSaveShortcut) {
    const Resources& r = Resources::Embedded();
    const DialogTemplate* o = r.FindDialog(134);
    ASSERT_NE(o, nullptr);
    auto find = [](const DialogTemplate* d, int id) {
        for (const auto& c : d->controls)
            if (c.id == id) return c;
        return ControlTemplate{};
    };
    EXPECT_EQ(o->controls[0].text, u"Cache Folder:");
    EXPECT_EQ(o->controls[0].dlu, (Rect{3, 4, 49, 12}));
    EXPECT_EQ(find(o, 1022).kind, ControlKind::Edit);
    EXPECT_TRUE(find(o, 1022).style & ES_READONLY);
    EXPECT_EQ(find(o, 1026).text, u"Auto clean on Start Up");
    EXPECT_EQ(find(o, 1026).dlu, (Rect{3, 95, 92, 105}));
    EXPECT_EQ(find(o, 1024).style & CBS_DROPDOWNLIST, CBS_DROPDOWNLIST);
    EXPECT_EQ(o->menuBar, 143);
    const DialogTemplate* s = r.FindDialog(146);
    EXPECT_EQ(find(s, 1).text, u"OK");
    EXPECT_EQ(find(s, 2).dlu, (Rect{69, 35, 129, 49}));
    const DialogTemplate* f = r.FindDialog(152);
    EXPECT_FALSE(find(f, 1033).style & ES_READONLY);  // the file name is typed
    EXPECT_TRUE(find(f, 1035).style & ES_READONLY);
    const DialogTemplate* t = r.FindDialog(140);
    unsigned want = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
    EXPECT_EQ(t->controls[0].style & want, want);
    EXPECT_EQ(r.FindDialog(102)->controls[0].bitmap, 159);
}

std::vector<std::string> Flat(const std::vector<MenuItem>& items, const std::string& pad = "") {
    std::vector<std::string> out;
    for (const auto& m : items) {
        std::string t(m.text.begin(), m.text.end());
        if (m.separator) {
            out.push_back(pad + "-");
        } else if (m.popup) {
            out.push_back(pad + t + ">");
            auto sub = Flat(m.items, pad + " ");
            out.insert(out.end(), sub.begin(), sub.end());
        } else {
            out.push_back(pad + t + "=" + std::to_string(m.id));
        }
    }
    return out;
}

TEST(Resources, Menu141AsTheMainMenuHoldsIt) {
    const MenuResource* m = Resources::Embedded().FindMenu(141);
    ASSERT_NE(m, nullptr);
    std::vector<std::string> want = {
        "Menu>",
        " Refresh=32794",
        " -",
        " Selection>",
        "  Select All=32778",
        "  Unselect All=32779",
        "  -",
        "  Select IE Temp=32780",
        "  Select Folder Items=32795",
        "  Select Registry Items=32796",
        "  Select Recommended Items=32806",
        " -",
        " Tools>",
        "  Soft Reset=1025",
        "  -",
        "  MRU Cleaner=32803",
        "  -",
        "  Advanced=32808",
        " Links>",
        "  Memory=32799",
        "  Running Programs=32800",
        "  -",
        "  Opera Mobile Settings=32807",
        " Options>",
        "  Main Settings=1017",
        "  Custom Files=32801",
        " Info>",
        "  About=1016",
        "  Help=32802",
        "  -",
        "  Visit Website=32809",
        "  Product Page=32810",
        "  Contact Me=32811",
        " -",
        " Exit=2",
    };
    EXPECT_EQ(Flat(m->items), want);
    ASSERT_EQ(m->menuBar.size(), 1u);
    EXPECT_EQ(m->menuBar[0].command, 32786);
    EXPECT_EQ(Resources::Embedded().LoadString(m->menuBar[0].stringId), u"Menu");
}

TEST(Resources, Menu143OfTheOptionsDialog) {
    const MenuResource* m = Resources::Embedded().FindMenu(143);
    ASSERT_NE(m, nullptr);
    std::vector<std::string> want = {
        "Menu>", " Create Shortcut>",   "  Soft Reset=32797", "  -", "  Express Mode=32789",
        " -",    " Apply Settings=1018"};
    EXPECT_EQ(Flat(m->items), want);
}

TEST(Resources, BadDocumentsAreRefusedAndLeaveNothing) {
    Resources r;
    std::string error;
    const char* bad[] = {
        "{",                             // not JSON
        R"({"id": 5, "caption": "x"})",  // no size
        R"({"id": 5, "size": [1, 2], "controls": [{"kind": "slider", "rect": [0,0,1,1]}]})",
        R"({"id": 5, "size": [1, 2], "controls": [{"kind": "edit", "rect": [0,0,1]}]})",
        R"({"id": 5, "size": [1, 2], "controls": [{"kind": "edit", "rect": [0,0,1,1],
             "style": ["sparkly"]}]})",
        R"({"id": 5, "size": [1, 2], "controls": [{"id": 7, "kind": "edit", "rect": [0,0,1,1]},
             {"id": 7, "kind": "label", "rect": [0,0,1,1]}]})",
    };
    for (const char* doc : bad) {
        SCOPED_TRACE(doc);
        error.clear();
        EXPECT_FALSE(r.Load("dialog", doc, error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(r.FindDialog(5), nullptr);
    EXPECT_FALSE(r.Load("menu", R"({"id": 9, "items": [{"text": "no id"}]})", error));
    EXPECT_FALSE(r.Load("strings", R"({"x1": "bad key"})", error));
    EXPECT_EQ(r.FindMenu(9), nullptr);
}

TEST(Resources, MainDialogMenuBarStartsWithThePlaceholderAndTakesMenu141) {
    UiThread ui;
    CDialog dlg(ui, 102);
    ASSERT_TRUE(dlg.Create());
    ASSERT_EQ(dlg.MenuBar().GetButtonCount(), 1);
    EXPECT_EQ(dlg.MenuBar().GetButton(0).command, 32786);
    EXPECT_EQ(dlg.MenuBar().GetButton(0).text, u"Menu");
    // The main window's own arrangement: placeholder out, "Clean" and the menu in.
    dlg.MenuBar().DeleteButton(0);
    dlg.MenuBar().InsertButton(0, u"Clean", 5);
    ASSERT_TRUE(dlg.MenuBar().InsertMenuButton(1, 141));
    EXPECT_EQ(dlg.MenuBar().GetButton(1).text, u"Menu");
    EXPECT_EQ(dlg.MenuBar().FindCommand({u"Selection", u"Select IE Temp"}), 32780);
    EXPECT_EQ(dlg.MenuBar().FindCommand({u"Menu", u"Tools", u"advanced"}), 32808);
    EXPECT_EQ(dlg.MenuBar().FindCommand({u"Exit"}), 2);
    EXPECT_EQ(dlg.MenuBar().FindCommand({u"Clean"}), 5);
    EXPECT_EQ(dlg.MenuBar().FindCommand({u"Tools"}), 0);  // a pop-up is no command
    EXPECT_EQ(dlg.MenuBar().FindCommand({u"Selection", u"Nothing"}), 0);
    EXPECT_TRUE(dlg.MenuBar().HasCommand(32811));
    EXPECT_FALSE(dlg.MenuBar().HasCommand(32786));
    // Controls come from the template, in pixels of the 240 x 320 screen.
    EXPECT_EQ(dlg.GetWindowRect(), (Rect{0, 26, 240, 294}));
    Window* list = dlg.GetDlgItem(1019);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Kind(), WindowKind::ListView);
    EXPECT_EQ(list->Bounds(), (Rect{0, 0, 250, 210}));
    dlg.DestroyWindow();
    EXPECT_FALSE(dlg.IsWindow());
}

}  // namespace
