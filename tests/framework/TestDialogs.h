#pragma once
// A tiny dialog and its resources for the framework's tests.

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/Text.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/UiThread.h"

namespace tidy::ui::test {

inline const Resources& TestResources() {
    static const Resources r = [] {
        Resources res;
        std::string error;
        bool ok = res.Load("dialog", R"({
            "id": 900, "caption": "Test", "size": [137, 106], "font": ["System", 8],
            "controls": [
              {"id": 1001, "kind": "listview", "rect": [0, 0, 137, 60],
               "style": ["report", "singlesel", "showselalways"]},
              {"id": 1002, "kind": "button", "text": "Go", "rect": [0, 62, 40, 12]},
              {"id": 1003, "kind": "checkbox", "text": "Option", "rect": [0, 76, 60, 10],
               "style": ["autocheckbox"]},
              {"id": 1004, "kind": "edit", "rect": [0, 88, 60, 12]},
              {"id": 1005, "kind": "edit", "rect": [62, 88, 60, 12], "style": ["readonly"]},
              {"id": 1006, "kind": "combobox", "rect": [62, 62, 60, 40], "style": ["dropdownlist"]},
              {"id": -1, "kind": "label", "text": "Hello", "rect": [62, 76, 60, 8]}
            ]})",
                           error) &&
                  res.Load("dialog", R"({
            "id": 901, "caption": "Child", "size": [137, 106],
            "controls": [{"id": 1010, "kind": "treeview", "rect": [0, 0, 135, 105],
                          "style": ["hasbuttons", "haslines", "linesatroot"]}]})",
                           error) &&
                  res.Load("menu", R"({
            "id": 950, "menubar": [{"command": 32786, "string": 32777, "submenu": 0}],
            "items": [{"popup": "Menu", "items": [
              {"text": "Ask", "id": 40001},
              {"text": "Open Child", "id": 40002},
              {"popup": "Sub", "items": [{"text": "Item", "id": 40003}]},
              {"separator": true},
              {"text": "Exit", "id": 2}]}]})",
                           error) &&
                  res.Load("strings", R"({"32777": "Menu"})", error);
        if (!ok) throw std::runtime_error(error);
        return res;
    }();
    return r;
}

// A list with its own tap-and-hold menu, as the program's lists have.
class CTestList : public CListCtrl {
  public:
    bool OnReflectNotify(NMHDR& nm, LRESULT& result) override {
        if (nm.code != GN_CONTEXTMENU) return false;
        auto& info = static_cast<NMRGINFO&>(nm);
        CMenu menu;
        menu.CreatePopupMenu();
        menu.AppendMenu(MF_STRING, 41000, u"Alpha");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, 41001, u"Beta");
        menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN, info.ptAction.x, info.ptAction.y,
                            GetParent());
        menu.DestroyMenu();
        result = 0;
        return true;
    }
};

class CChildDlg : public CDialog {
  public:
    CChildDlg(UiThread& ui, std::vector<std::string>& log) : CDialog(ui, 901), log_(log) {}
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        MenuBar().InsertButton(0, u"OK", IDOK);
        MenuBar().InsertButton(1, u"Cancel", IDCANCEL);
        HTREEITEM root = tree_.InsertItem(u"My Device");
        HTREEITEM b = tree_.InsertItem(u"windows", root, TVI_SORT);
        tree_.InsertItem(u"Program Files", root, TVI_SORT);
        tree_.InsertItem(u"Apps", root, TVI_SORT);
        tree_.InsertItem(u"Fonts", b, TVI_SORT);
        tree_.Expand(root, TVE_EXPAND);
        HideTitleOkButton();
        return true;
    }
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, 1010, tree_); }
    bool OnNotify(int id, NMHDR& nm, LRESULT& result) override {
        (void)result;
        if (id == 1010 && nm.code == NM_RETURN) {
            tree_.Expand(tree_.GetSelectedItem(), TVE_TOGGLE);
            log_.push_back("tree return");
            return true;
        }
        return false;
    }
    void OnCancel() override {
        log_.push_back("child cancel");
        CDialog::OnCancel();
    }
    void OnDestroy() override { log_.push_back("child destroy"); }
    CTreeCtrl tree_;

  private:
    std::vector<std::string>& log_;
};

class CTestDlg : public CDialog {
  public:
    explicit CTestDlg(UiThread& ui) : CDialog(ui, 900) {}

    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, 1001, list_); }
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        MenuBar().InsertButton(0, u"Go", 40010);
        MenuBar().InsertMenuButton(1, 950);
        list_.InsertColumn(0, u"Name");
        list_.InsertColumn(1, u"Value");
        list_.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        for (const char16_t* n : {u"Temp", u"Cache", u"Cookies"}) {
            int r = list_.InsertItem(list_.GetItemCount(), n);
            list_.SetItemText(r, 1, u" ");
        }
        auto* combo = static_cast<CComboBox*>(GetDlgItem(1006));
        combo->AddString(u"Alpha");
        combo->AddString(u"Beta");
        combo->SetCurSel(0);
        HideTitleOkButton();
        live_ = true;
        return true;
    }
    bool OnCommand(int id, int code) override {
        log.push_back("command " + std::to_string(id) + (code ? "/" + std::to_string(code) : ""));
        if (id == 40001) {
            int a = Ui().MessageBox(this, u"Proceed?\r\nReally?", u"Tidymatic",
                                    MB_YESNO | MB_ICONQUESTION);
            log.push_back("answer " + std::to_string(a));
            return true;
        }
        if (id == 40002) {
            CChildDlg child(Ui(), log);
            log.push_back("child result " + std::to_string(child.DoModal()));
            return true;
        }
        if (id == 2) {
            OnCancel();
            return true;
        }
        if (id == 40010) {  // "Go": background work that keeps user input out while it runs
            Ui().HoldInput();
            Ui().StartWorker([this] {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                Ui().Send([this] { list_.SetItemText(0, 1, u"refreshed"); });
                Ui().ReleaseInput();
            });
            return true;
        }
        return false;
    }
    bool OnNotify(int id, NMHDR& nm, LRESULT& result) override {
        (void)result;
        if (id == 1001 && nm.code == LVN_ITEMCHANGED && live_) {
            auto& lv = static_cast<NMLISTVIEW&>(nm);
            if (lv.uNewState & LVIS_STATEIMAGEMASK) {
                bool on = list_.GetCheck(lv.iItem);
                live_ = false;  // writing the cell is not a change of the box
                list_.SetItemText(lv.iItem, 1, on ? u"1 KB" : u" ");
                live_ = true;
                log.push_back("check " + std::to_string(lv.iItem) + (on ? " on" : " off"));
            }
        }
        if (id == 1001 && nm.code == NM_DBLCLK)
            log.push_back("dbltap " + std::to_string(static_cast<NMITEMACTIVATE&>(nm).iItem));
        return false;
    }
    void OnActivate(int state) override { log.push_back("activate " + std::to_string(state)); }
    void OnOK() override { log.push_back("ok"); }  // Enter does not close this dialog
    void OnCancel() override {
        log.push_back("cancel");
        CDialog::OnCancel();
    }

    CTestList list_;
    std::vector<std::string> log;
    bool live_ = false;
};

// Answers every message box with a fixed button, as a person would, through the input queue.
class AutoAnswer : public FrontEnd {
  public:
    AutoAnswer(UiThread& ui, int answer) : ui_(ui), answer_(answer) { ui_.AddFrontEnd(this); }
    ~AutoAnswer() override { ui_.RemoveFrontEnd(this); }
    void MessageBoxShown(MessageBoxWindow& box) override {
        ++shown;
        ui_.PostInput([&box, this] { box.Answer(answer_); });
    }
    int shown = 0;

  private:
    UiThread& ui_;
    int answer_;
};

}  // namespace tidy::ui::test
