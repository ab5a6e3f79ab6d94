#include <gtest/gtest.h>

#include "TestDialogs.h"

using namespace tidy::ui;
using namespace tidy::ui::test;

namespace {

// A dialog that records every list notification as it arrives.
struct Recorder : CDialog {
    explicit Recorder(UiThread& ui) : CDialog(ui, 900) {}
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, 1001, list); }
    bool OnNotify(int id, NMHDR& nm, LRESULT&) override {
        if (nm.code == LVN_ITEMCHANGED) {
            auto& lv = static_cast<NMLISTVIEW&>(nm);
            changes.push_back({lv.iItem, lv.uChanged, lv.uOldState, lv.uNewState});
        } else {
            codes.emplace_back(id, nm.code);
            if (nm.code == NM_DBLCLK) hit = static_cast<NMITEMACTIVATE&>(nm).iItem;
        }
        return false;
    }
    bool OnCommand(int id, int code) override {
        commands.emplace_back(id, code);
        return true;
    }
    struct Change {
        int item;
        unsigned changed, oldState, newState;
        bool operator==(const Change&) const = default;
    };
    CTestList list;
    std::vector<Change> changes;
    std::vector<std::pair<int, int>> codes, commands;
    int hit = -2;
};

TEST(ListCtrl, CheckBoxesAreStateImagesAndEveryChangeIsNotified) {
    UiThread ui(ScreenMetrics{}, TestResources());
    Recorder d(ui);
    ASSERT_TRUE(d.Create());
    CListCtrl& l = d.list;
    l.InsertColumn(0, u"Item Type");
    l.InsertColumn(1, u"Size");
    EXPECT_EQ(l.InsertItem(0, u"Temp"), 0);
    EXPECT_EQ(l.InsertItem(5, u"Cache"), 1);  // clamped to the end
    EXPECT_EQ(l.GetItemState(0, LVIS_STATEIMAGEMASK), 0u);
    l.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    EXPECT_EQ(l.GetItemState(0, LVIS_STATEIMAGEMASK), LVIS_UNCHECKED);
    EXPECT_FALSE(l.GetCheck(0));
    d.changes.clear();

    l.SetCheck(1, true);
    l.SetCheck(1, true);  // no change, no notification
    l.SetItemText(1, 1, u"850.3 KB");
    l.SetCheck(1, false);
    std::vector<Recorder::Change> want = {
        {1, LVIF_STATE, LVIS_UNCHECKED, LVIS_CHECKED},
        {1, LVIF_TEXT, 0, 0},
        {1, LVIF_STATE, LVIS_CHECKED, LVIS_UNCHECKED},
    };
    EXPECT_EQ(d.changes, want);
    EXPECT_EQ(l.GetItemText(1, 1), u"850.3 KB");
    EXPECT_EQ(l.GetItemText(7, 0), u"");
    EXPECT_FALSE(l.SetItemText(9, 0, u"x"));
    EXPECT_FALSE(l.SetCheck(-5, true));

    // Selecting a ticked row keeps its box but reports no state-image bits, so a handler that
    // looks for them does not take a tap for a tick.
    l.SetCheck(0, true);
    d.changes.clear();
    l.UserSelect(0);
    ASSERT_EQ(d.changes.size(), 1u);
    EXPECT_EQ(d.changes[0].newState, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(d.changes[0].oldState, 0u);
    EXPECT_TRUE(l.GetCheck(0));
    EXPECT_EQ(l.GetItemState(0, 0xFFFF), LVIS_CHECKED | LVIS_SELECTED | LVIS_FOCUSED);
    d.DestroyWindow();
}

TEST(ListCtrl, TapsSelectOneRowAndSetTheSelectionMark) {
    UiThread ui(ScreenMetrics{}, TestResources());
    Recorder d(ui);
    ASSERT_TRUE(d.Create());
    CListCtrl& l = d.list;
    l.InsertColumn(0, u"Name");
    for (int i = 0; i < 4; ++i) l.InsertItem(i, u"row");
    EXPECT_EQ(l.GetSelectionMark(), -1);
    // Selecting by program leaves the mark alone, as on the device.
    l.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(l.GetSelectionMark(), -1);
    EXPECT_TRUE(l.UserSelect(2));
    EXPECT_EQ(l.GetSelectionMark(), 2);
    EXPECT_EQ(l.GetSelectedCount(), 1);  // single selection
    EXPECT_EQ(l.GetNextItem(-1, LVNI_SELECTED), 2);
    EXPECT_EQ(l.GetItemState(2, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_FALSE(l.UserCheck(2, true));  // no check boxes in this list
    EXPECT_TRUE(l.UserDoubleTap(3));
    EXPECT_EQ(d.hit, 3);
    EXPECT_EQ(l.GetSelectionMark(), 3);
    EXPECT_FALSE(l.UserSelect(4));
    // Deleting rows moves the mark along with its row.
    l.DeleteItem(0);
    EXPECT_EQ(l.GetSelectionMark(), 2);
    l.DeleteItem(2);
    EXPECT_EQ(l.GetSelectionMark(), -1);
    // The hit test follows the rows: header first, then one row per RowHeight.
    Rect r;
    ASSERT_TRUE(l.GetItemRect(1, r));
    EXPECT_EQ(l.HitTest(r.Center()), 1);
    EXPECT_EQ(l.HitTest({5, 2}), -1);
    d.DestroyWindow();
}

TEST(ListCtrl, TapAndHoldReachesTheControlsOwnMenuAndTheCommandTheDialog) {
    UiThread ui(ScreenMetrics{}, TestResources());
    Recorder d(ui);
    ASSERT_TRUE(d.Create());
    d.list.InsertColumn(0, u"Name");
    d.list.InsertItem(0, u"a");
    struct Chooser : FrontEnd {
        explicit Chooser(UiThread& u) : ui(u) {}
        void PopupMenuShown(PopupMenuWindow& m) override {
            items = m.Items();
            at = m.At();
            EXPECT_FALSE(m.Choose(99));  // not offered
            ui.PostInput([&m] { m.Choose(41001); });
        }
        UiThread& ui;
        std::vector<MenuItem> items;
        Point at;
    } chooser(ui);
    ui.AddFrontEnd(&chooser);
    d.list.UserTapAndHold({10, 30});
    ASSERT_EQ(chooser.items.size(), 3u);
    EXPECT_TRUE(chooser.items[1].separator);
    Point screen{10, 30};
    d.list.ClientToScreen(screen);
    EXPECT_EQ(chooser.at, screen);
    // The command is posted to the owner: it arrives once the queue runs. It is the person's
    // input: background work that holds input before its turn holds it back too.
    EXPECT_TRUE(d.commands.empty());
    ui.HoldInput();
    bool held = false;
    ui.Post([&] { held = true; });
    ui.RunModalLoop([&] { return held; });
    EXPECT_TRUE(d.commands.empty());
    ui.ReleaseInput();
    ui.Post([] {});
    bool ran = false;
    ui.Post([&] { ran = true; });
    ui.RunModalLoop([&] { return ran; });
    ASSERT_EQ(d.commands.size(), 1u);
    EXPECT_EQ(d.commands[0], std::make_pair(41001, 0));
    ui.RemoveFrontEnd(&chooser);
    d.DestroyWindow();
}

TEST(ListCtrl, AutosizeToHeaderFillsTheLastColumn) {
    UiThread ui(ScreenMetrics{}, TestResources());
    Recorder d(ui);
    ASSERT_TRUE(d.Create());
    CListCtrl& l = d.list;
    l.MoveWindow(0, 0, 240, 200);
    l.InsertColumn(0, u"Item Type");
    l.InsertColumn(1, u"Size");
    l.InsertItem(0, u"A rather long item name here");
    l.SetColumnWidth(0, LVSCW_AUTOSIZE_USEHEADER);
    l.SetColumnWidth(1, LVSCW_AUTOSIZE_USEHEADER);
    EXPECT_GT(l.GetColumnWidth(0), 100);
    EXPECT_EQ(l.GetColumnWidth(0) + l.GetColumnWidth(1), 240);
    // With check boxes the rows' text starts after the box, so the column is wider.
    const int plain = l.GetColumnWidth(0);
    l.SetExtendedStyle(LVS_EX_CHECKBOXES);
    l.SetColumnWidth(0, LVSCW_AUTOSIZE_USEHEADER);
    EXPECT_GT(l.GetColumnWidth(0), plain);
    d.DestroyWindow();
}

TEST(Controls, ComboEditButtonAndCheckBox) {
    UiThread ui(ScreenMetrics{}, TestResources());
    Recorder d(ui);
    ASSERT_TRUE(d.Create());
    auto* combo = static_cast<CComboBox*>(d.GetDlgItem(1006));
    combo->AddString(u"Windows");
    combo->AddString(u"Storage Card");
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->FindStringExact(-1, u"storage card"), 1);
    EXPECT_EQ(combo->SetCurSel(5), CB_ERR);
    EXPECT_TRUE(combo->UserPick(1));
    EXPECT_EQ(combo->GetLBText(combo->GetCurSel()), u"Storage Card");

    auto* edit = static_cast<CEdit*>(d.GetDlgItem(1004));
    auto* ro = static_cast<CEdit*>(d.GetDlgItem(1005));
    EXPECT_TRUE(edit->UserType(u"*.tmp"));
    EXPECT_FALSE(ro->UserType(u"x"));
    ro->SetWindowText(u"\\My Documents\\Temp");  // the program may still write it
    EXPECT_EQ(ro->GetWindowText(), u"\\My Documents\\Temp");

    auto* box = static_cast<CButton*>(d.GetDlgItem(1003));
    EXPECT_TRUE(box->UserClick());
    EXPECT_EQ(box->GetCheck(), BST_CHECKED);
    auto* go = static_cast<CButton*>(d.GetDlgItem(1002));
    go->EnableWindow(false);
    EXPECT_FALSE(go->UserClick());
    go->EnableWindow(true);
    EXPECT_TRUE(go->UserClick());

    std::vector<std::pair<int, int>> want = {
        {1006, CBN_SELCHANGE}, {1004, EN_CHANGE}, {1003, BN_CLICKED}, {1002, BN_CLICKED}};
    EXPECT_EQ(d.commands, want);
    d.DestroyWindow();
}

TEST(Controls, TreeSortsIgnoringCaseAndCollapsingMovesTheSelection) {
    UiThread ui(ScreenMetrics{}, TestResources());
    std::vector<std::string> log;
    CChildDlg d(ui, log);
    ASSERT_TRUE(d.Create());
    CTreeCtrl& t = d.tree_;
    HTREEITEM root = t.GetRootItem();
    std::vector<std::u16string> names;
    for (HTREEITEM h = t.GetChildItem(root); h; h = t.GetNextSiblingItem(h))
        names.push_back(t.GetItemText(h));
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Apps", u"Program Files", u"windows"}));
    HTREEITEM fonts = t.FindPath({u"my device", u"WINDOWS", u"fonts"});
    ASSERT_NE(fonts, 0u);
    EXPECT_TRUE(t.UserSelect(fonts));  // its parent opens to show it
    HTREEITEM win = t.GetParentItem(fonts);
    EXPECT_TRUE(t.GetItemState(win, TVIS_EXPANDED));
    t.Expand(win, TVE_COLLAPSE);
    EXPECT_EQ(t.GetSelectedItem(), win);
    // Enter on the focused tree reaches the dialog as the tree's return notification.
    d.UserEnter();
    EXPECT_EQ(log, std::vector<std::string>{"tree return"});
    EXPECT_TRUE(t.GetItemState(win, TVIS_EXPANDED));
    EXPECT_TRUE(t.DeleteItem(win));
    EXPECT_EQ(t.GetSelectedItem(), 0u);
    EXPECT_EQ(t.FindPath({u"My Device", u"windows"}), 0u);
    d.DestroyWindow();
}

TEST(Controls, SubclassingMovesTheControlIntoTheMemberAndRefusesOtherClasses) {
    UiThread ui(ScreenMetrics{}, TestResources());
    CDialog d(ui, 900);
    ASSERT_TRUE(d.Create());
    auto* made = static_cast<CListCtrl*>(d.GetDlgItem(1001));
    made->InsertColumn(0, u"Name");
    made->InsertItem(0, u"kept");
    {
        CTestList member;
        ASSERT_TRUE(member.SubclassDlgItem(1001, &d));
        EXPECT_EQ(d.GetDlgItem(1001), &member);
        EXPECT_EQ(member.GetItemText(0, 0), u"kept");
        EXPECT_TRUE(member.GetStyle() & LVS_SINGLESEL);
        CTreeCtrl wrong;
        EXPECT_FALSE(wrong.SubclassDlgItem(1002, &d));
        EXPECT_FALSE(wrong.SubclassDlgItem(4711, &d));
    }
    // A member that went away leaves the dialog without a dangling control.
    EXPECT_EQ(d.GetDlgItem(1001), nullptr);
    d.DestroyWindow();
}

}  // namespace
