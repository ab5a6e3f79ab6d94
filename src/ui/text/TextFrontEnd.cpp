#include "ui/text/TextFrontEnd.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>

#include "platform/Text.h"
#include "ui/framework/Dialog.h"

namespace tidy::ui::text {

namespace {

using tidy::text::EqualsIgnoreCase;
using tidy::text::FromUtf8;
using tidy::text::ToUtf8;

std::string U8(const std::u16string& s) {
    return ToUtf8(s);
}

std::string TrimAscii(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool ParseInt(const std::string& s, int& out) {
    if (s.empty() || s.size() > 9) return false;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size()) return false;
    for (size_t k = i; k < s.size(); ++k)
        if (s[k] < '0' || s[k] > '9') return false;
    out = std::stoi(s);
    return true;
}

// Menu and button texts compare ignoring case and the mnemonic '&'.
bool SameLabel(const std::u16string& label, const std::string& typed) {
    std::u16string a;
    for (char16_t c : label)
        if (c != u'&') a += c;
    return EqualsIgnoreCase(tidy::text::Trim(a), FromUtf8(typed));
}

std::vector<std::u16string> SplitPath(const std::string& path) {
    std::vector<std::u16string> out;
    std::string part;
    std::istringstream in(path);
    while (std::getline(in, part, '/')) {
        part = TrimAscii(part);
        if (!part.empty()) out.push_back(FromUtf8(part));
    }
    return out;
}

// Message texts on one line: every line break shows as \n.
std::string OneLine(const std::u16string& s) {
    std::string u = U8(s), out;
    for (size_t i = 0; i < u.size(); ++i) {
        if (u[i] == '\r') {
            if (i + 1 < u.size() && u[i + 1] == '\n') ++i;
            out += "\\n";
        } else if (u[i] == '\n') {
            out += "\\n";
        } else {
            out += u[i];
        }
    }
    return out;
}

std::string MenuLine(const std::vector<MenuItem>& items) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += " | ";
        const MenuItem& m = items[i];
        if (m.separator)
            out += "---";
        else if (m.popup)
            out += U8(m.text) + " > {" + MenuLine(m.items) + "}";
        else
            out += U8(m.text);
    }
    return out;
}

void MenuTree(const std::vector<MenuItem>& items, int depth, std::vector<std::string>& out) {
    for (const MenuItem& m : items) {
        std::string pad(2 * depth, ' ');
        if (m.separator)
            out.push_back(pad + "---");
        else if (m.popup) {
            out.push_back(pad + U8(m.text) + " >");
            MenuTree(m.items, depth + 1, out);
        } else {
            out.push_back(pad + U8(m.text) + " (" + std::to_string(m.id) + ")");
        }
    }
}

// Finds an entry of a pop-up by command id or text, at any depth; 0 when none.
int FindEntry(const std::vector<MenuItem>& items, const std::string& what) {
    int id = 0;
    bool numeric = ParseInt(what, id);
    for (const MenuItem& m : items) {
        if (m.separator) continue;
        if (m.popup) {
            if (int found = FindEntry(m.items, what)) return found;
        } else if ((numeric && m.id == id) || SameLabel(m.text, what)) {
            return m.id;
        }
    }
    return 0;
}

}  // namespace

TextFrontEnd::TextFrontEnd(UiThread& ui, std::istream* in, std::ostream& out)
    : ui_(ui), in_(in), out_(out) {
    if (!in_ && ::pipe(stopPipe_) != 0) stopPipe_[0] = stopPipe_[1] = -1;
    ui_.AddFrontEnd(this);
}

TextFrontEnd::~TextFrontEnd() {
    Stop();
    ui_.RemoveFrontEnd(this);
    for (int fd : stopPipe_)
        if (fd >= 0) ::close(fd);
}

void TextFrontEnd::Start() {
    if (reader_.joinable()) return;
    reader_ = std::thread([this] { ReaderMain(); });
}

void TextFrontEnd::Stop() {
    if (!reader_.joinable()) return;
    ui_.Finish();
    if (stopPipe_[1] >= 0) {
        char c = 'q';
        [[maybe_unused]] ssize_t n = ::write(stopPipe_[1], &c, 1);
    }
    reader_.join();
}

void TextFrontEnd::Print(const std::string& line) {
    std::lock_guard lk(outMutex_);
    out_ << line << '\n';
    out_.flush();
}

void TextFrontEnd::Error(const std::string& reason) {
    Print("ERROR " + reason);
}

bool TextFrontEnd::ReadLine(std::string& line) {
    if (in_) return static_cast<bool>(std::getline(*in_, line));
    // Standard input, read so that Stop() can interrupt a read that would wait forever.
    for (;;) {
        size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return true;
        }
        if (eof_) {
            if (pending_.empty()) return false;
            line.swap(pending_);
            pending_.clear();
            return true;
        }
        pollfd fds[2] = {{0, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        int n = ::poll(fds, stopPipe_[0] >= 0 ? 2 : 1, -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (stopPipe_[0] >= 0 && (fds[1].revents & POLLIN)) return false;
        char buf[4096];
        ssize_t got = ::read(0, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0)
            eof_ = true;
        else
            pending_.append(buf, static_cast<size_t>(got));
    }
}

void TextFrontEnd::ReaderMain() {
    // The first window is drawn before the first command is read.
    if (!ui_.WaitStarted() || !ui_.WaitIdle(0)) return;
    std::string line;
    for (;;) {
        if (!ReadLine(line)) {
            if (!ui_.Finished()) EndOfInput();
            return;
        }
        line = TrimAscii(line);
        if (line.empty() || line[0] == '#') continue;
        if (line == "wait") {
            if (!ui_.WaitAllDone()) return;
            continue;
        }
        uint64_t seq = ui_.PostInput([this, line] { Execute(line); });
        if (seq == 0 || !ui_.WaitIdle(seq)) return;
    }
}

void TextFrontEnd::EndOfInput() {
    // Each step closes the innermost window through its normal path; the steps run as input,
    // one at a time, until nothing is open.
    auto open = std::make_shared<std::atomic<bool>>(true);
    uint64_t lastDialog = 0;
    int sameDialog = 0;
    auto state = std::make_shared<std::pair<uint64_t, int>>(lastDialog, sameDialog);
    for (int guard = 0; guard < 1000 && open->load(); ++guard) {
        uint64_t seq = ui_.PostInput([this, open, state] {
            const auto& stack = ui_.TopLevelWindows();
            if (stack.empty()) {
                open->store(false);
                return;
            }
            Window* top = ui_.TopWindow();
            if (!top) top = stack.back();  // a hidden dialog still closes
            if (auto* box = dynamic_cast<MessageBoxWindow*>(top)) {
                box->Answer(box->SafeAnswer());
            } else if (auto* menu = dynamic_cast<PopupMenuWindow*>(top)) {
                menu->Dismiss();
            } else if (auto* d = dynamic_cast<CDialog*>(top)) {
                if (state->first == d->Handle()) {
                    ++state->second;
                } else {
                    state->first = d->Handle();
                    state->second = 0;
                }
                if (state->second >= 3) {
                    Error("window '" + U8(d->GetWindowText()) + "' does not close; ending it");
                    d->EndDialog(IDCANCEL);
                } else {
                    d->SendCommand(IDCANCEL, 0);
                }
            }
        });
        if (seq == 0 || !ui_.WaitIdle(seq)) return;
    }
}

// ---------------------------------------------------------------- drawing

void TextFrontEnd::Draw() {
    Window* top = ui_.TopWindow();
    if (!top) {
        Print("(no window)");
        return;
    }
    if (auto* box = dynamic_cast<MessageBoxWindow*>(top)) {
        MessageBoxShown(*box);
    } else if (auto* menu = dynamic_cast<PopupMenuWindow*>(top)) {
        Print("POPUP " + MenuLine(menu->Items()));
    } else if (auto* d = dynamic_cast<CDialog*>(top)) {
        DrawDialog(*d);
    }
}

void TextFrontEnd::DrawDialog(CDialog& d) {
    lastDrawnHandle_ = d.Handle();
    std::vector<std::string> lines;
    lines.push_back("== " + U8(d.GetWindowText()) + " ==");
    for (Window* c : d.Children()) {
        if (!c->IsWindowVisible()) continue;
        std::string id = std::to_string(c->GetDlgCtrlID());
        switch (c->Kind()) {
            case WindowKind::Label:
                lines.push_back("[label] " + U8(c->GetWindowText()));
                break;
            case WindowKind::Picture:
                lines.push_back("[picture " + id + "] bitmap " +
                                std::to_string(static_cast<CStatic*>(c)->GetBitmap()));
                break;
            case WindowKind::Edit:
                lines.push_back("[edit " + id +
                                (static_cast<CEdit*>(c)->IsReadOnly() ? ", read-only] " : "] ") +
                                U8(c->GetWindowText()));
                break;
            case WindowKind::Button:
                lines.push_back("[button " + id + "] " + U8(c->GetWindowText()));
                break;
            case WindowKind::CheckBox:
                lines.push_back(
                    "[checkbox " + id + "] " +
                    (static_cast<CButton*>(c)->GetCheck() == BST_CHECKED ? "[x] " : "[ ] ") +
                    U8(c->GetWindowText()));
                break;
            case WindowKind::ComboBox: {
                auto* cb = static_cast<CComboBox*>(c);
                std::string items;
                for (size_t i = 0; i < cb->Items().size(); ++i)
                    items += (i ? " | " : "") + U8(cb->Items()[i]);
                std::string sel = cb->GetCurSel() >= 0 ? U8(cb->GetLBText(cb->GetCurSel()))
                                                       : std::string("(none)");
                lines.push_back("[combo " + id + "] selected: " + sel + "; items: " + items);
                break;
            }
            case WindowKind::ListView: {
                auto* list = static_cast<CListCtrl*>(c);
                std::string head;
                for (size_t i = 0; i < list->Columns().size(); ++i)
                    head += (i ? " | " : "") + U8(list->Columns()[i].text);
                lines.push_back("[list " + id + "] " + head);
                bool boxes = (list->GetExtendedStyle() & LVS_EX_CHECKBOXES) != 0;
                std::string selected;
                for (int r = 0; r < list->GetItemCount(); ++r) {
                    std::string row = boxes ? (list->GetCheck(r) ? "[x] " : "[ ] ") : "    ";
                    row += std::to_string(r) + " ";
                    int cols = std::max(1, list->GetColumnCount());
                    for (int k = 0; k < cols; ++k)
                        row += (k ? " | " : "") + U8(list->GetItemText(r, k));
                    lines.push_back(row);
                    if (list->GetItemState(r, LVIS_SELECTED))
                        selected += (selected.empty() ? "" : ", ") + std::to_string(r);
                }
                if (!selected.empty()) lines.push_back("(selected row " + selected + ")");
                break;
            }
            case WindowKind::TreeView: {
                auto* tree = static_cast<CTreeCtrl*>(c);
                lines.push_back("[tree " + id + "]");
                for (auto [h, depth] : tree->Flatten(true)) {
                    const TreeNode* n = tree->Node(h);
                    std::string mark = n->children.empty() ? "    " : n->expanded ? "[-] " : "[+] ";
                    lines.push_back(std::string(2 + 2 * depth, ' ') + mark + U8(n->text) +
                                    (h == tree->GetSelectedItem() ? " <selected>" : ""));
                }
                break;
            }
            default:
                break;
        }
    }
    std::string keys;
    for (const auto& b : d.MenuBar().Buttons())
        keys += (keys.empty() ? "" : " | ") + U8(b.text) + (b.enabled ? "" : " (disabled)");
    if (!keys.empty()) lines.push_back("[menubar] " + keys);
    if (d.TitleOkVisible()) lines.push_back("[title-ok]");
    if (ui_.WaitCursorShown()) lines.push_back("[wait cursor]");
    std::lock_guard lk(outMutex_);
    for (const auto& l : lines) out_ << l << '\n';
    out_.flush();
}

void TextFrontEnd::WindowOpened(Window&) {}

void TextFrontEnd::WindowClosed(Window& window) {
    if (window.Handle() == lastDrawnHandle_) lastDrawnHandle_ = 0;
}

void TextFrontEnd::MessageBoxShown(MessageBoxWindow& box) {
    std::string buttons;
    for (int id : box.Buttons())
        buttons += (buttons.empty() ? "" : "/") + U8(MessageBoxWindow::ButtonText(id));
    Print("MSGBOX [" + OneLine(box.Caption()) + "] " + OneLine(box.Text()) + " (" + buttons + ")");
}

void TextFrontEnd::PopupMenuShown(PopupMenuWindow& menu) {
    ++popupsShown_;
    Print("POPUP " + MenuLine(menu.Items()));
}

void TextFrontEnd::Idle() {
    // A dialog is drawn when it comes to the top: when it opens, and when a dialog above it
    // closes. Message boxes and pop-ups print when they show; closing them draws nothing.
    auto* d = dynamic_cast<CDialog*>(ui_.TopWindow());
    if (d && d->Handle() != lastDrawnHandle_) DrawDialog(*d);
}

// ---------------------------------------------------------------- commands

void TextFrontEnd::Execute(const std::string& rawLine) {
    std::string line = TrimAscii(rawLine);
    if (line.empty() || line[0] == '#') return;
    size_t sp = line.find_first_of(" \t");
    std::string cmd = line.substr(0, sp);
    std::string arg = sp == std::string::npos ? std::string() : TrimAscii(line.substr(sp + 1));
    try {
        Window* top = ui_.TopWindow();
        auto* box = dynamic_cast<MessageBoxWindow*>(top);
        auto* popup = dynamic_cast<PopupMenuWindow*>(top);
        auto* dlg = dynamic_cast<CDialog*>(top);

        auto needDialog = [&]() -> bool {
            if (dlg) return true;
            if (box)
                Error("a message box is waiting for an answer");
            else if (popup)
                Error("a pop-up menu is waiting for a choice");
            else
                Error("no window");
            return false;
        };
        auto needArg = [&](const char* what) -> bool {
            if (!arg.empty()) return true;
            Error("'" + cmd + "' needs " + what);
            return false;
        };
        auto firstList = [&]() -> CListCtrl* {
            for (Window* c : dlg->Children())
                if (c->Kind() == WindowKind::ListView && c->IsWindowVisible())
                    return static_cast<CListCtrl*>(c);
            return nullptr;
        };
        auto control = [&](const std::string& idText, WindowKind kind, WindowKind kind2,
                           const char* what) -> Window* {
            int id = 0;
            if (!ParseInt(idText, id)) {
                Error("'" + idText + "' is not a control id");
                return nullptr;
            }
            Window* c = dlg->GetDlgItem(id);
            if (!c || (c->Kind() != kind && c->Kind() != kind2)) {
                Error("no " + std::string(what) + " " + idText + " in '" +
                      U8(dlg->GetWindowText()) + "'");
                return nullptr;
            }
            if (!c->IsWindowVisible() || !c->IsWindowEnabled()) {
                Error(std::string(what) + " " + idText + " is not available");
                return nullptr;
            }
            return c;
        };
        auto rowOf = [&](CListCtrl* list, int& row) -> bool {
            if (ParseInt(arg, row)) {
                if (row >= 0 && row < list->GetItemCount()) return true;
                Error("no row " + arg + " (the list has " + std::to_string(list->GetItemCount()) +
                      " rows)");
                return false;
            }
            for (int r = 0; r < list->GetItemCount(); ++r)
                if (EqualsIgnoreCase(list->GetItemText(r, 0), FromUtf8(arg))) {
                    row = r;
                    return true;
                }
            Error("no row '" + arg + "'");
            return false;
        };

        if (cmd == "show") {
            Draw();
        } else if (cmd == "wait") {
            // Waiting happens on the reader's side; here there is nothing to do.
        } else if (cmd == "tap") {
            if (!needArg("a button text or id")) return;
            if (box) {
                for (int id : box->Buttons()) {
                    int n = 0;
                    if (SameLabel(MessageBoxWindow::ButtonText(id), arg) ||
                        (ParseInt(arg, n) && n == id)) {
                        box->Answer(id);
                        return;
                    }
                }
                Error("the message box has no button '" + arg + "'");
                return;
            }
            if (popup) {
                if (int id = FindEntry(popup->Items(), arg)) {
                    popup->Choose(id);
                    return;
                }
                Error("the pop-up menu has no entry '" + arg + "'");
                return;
            }
            if (!needDialog()) return;
            int n = 0;
            bool numeric = ParseInt(arg, n);
            const auto& keys = dlg->MenuBar().Buttons();
            for (size_t i = 0; i < keys.size(); ++i) {
                const auto& b = keys[i];
                if (!(SameLabel(b.text, arg) || (numeric && !b.isMenu && b.command == n))) continue;
                if (b.isMenu) {
                    std::vector<std::string> lines{"MENU " + U8(b.text)};
                    MenuTree(b.menu, 1, lines);
                    for (auto& l : lines) Print(l);
                } else if (!dlg->UserTapSoftKey(static_cast<int>(i))) {
                    Error("soft key '" + U8(b.text) + "' is disabled");
                }
                return;
            }
            for (Window* c : dlg->Children()) {
                if (c->Kind() != WindowKind::Button && c->Kind() != WindowKind::CheckBox) continue;
                if (!(SameLabel(c->GetWindowText(), arg) || (numeric && c->GetDlgCtrlID() == n)))
                    continue;
                if (!static_cast<CButton*>(c)->UserClick())
                    Error("button '" + U8(c->GetWindowText()) + "' is not available");
                return;
            }
            if ((SameLabel(u"OK", arg) || (numeric && n == IDOK)) && dlg->UserTitleOk()) return;
            Error("no button '" + arg + "' in '" + U8(dlg->GetWindowText()) + "'");
        } else if (cmd == "menu") {
            if (!needArg("a command id or a menu path") || !needDialog()) return;
            int id = 0;
            if (!ParseInt(arg, id)) id = dlg->MenuBar().FindCommand(SplitPath(arg));
            if (id == 0 || !dlg->UserMenuCommand(id)) Error("no menu entry '" + arg + "'");
        } else if (cmd == "check" || cmd == "uncheck" || cmd == "select" || cmd == "dbltap") {
            if (!needArg("a row") || !needDialog()) return;
            CListCtrl* list = firstList();
            if (!list) {
                Error("'" + U8(dlg->GetWindowText()) + "' has no list");
                return;
            }
            int row = -1;
            if (!rowOf(list, row)) return;
            bool ok = cmd == "check"     ? list->UserCheck(row, true)
                      : cmd == "uncheck" ? list->UserCheck(row, false)
                      : cmd == "select"  ? list->UserSelect(row)
                                         : list->UserDoubleTap(row);
            if (!ok) Error("the list has no check boxes");
        } else if (cmd == "hold") {
            if (!needDialog()) return;
            CListCtrl* list = firstList();
            if (!list) {
                Error("'" + U8(dlg->GetWindowText()) + "' has no list");
                return;
            }
            // The gesture lands on the selected row, or below the rows when none is selected.
            Point p;
            int mark = list->GetSelectionMark();
            Rect r;
            if (mark >= 0 && list->GetItemState(mark, LVIS_SELECTED) &&
                list->GetItemRect(mark, r)) {
                p = r.Center();
            } else {
                int y = list->HeaderHeight() + list->GetItemCount() * list->RowHeight() +
                        list->RowHeight() / 2;
                p = {list->Bounds().Width() / 2, std::min(y, list->Bounds().Height() - 1)};
            }
            int before = popupsShown_;
            list->UserTapAndHold(p);
            if (popupsShown_ == before) Print("POPUP (none)");
        } else if (cmd == "choose") {
            if (!needArg("an entry")) return;
            if (!popup) {
                Error("no pop-up menu is shown");
                return;
            }
            int id = FindEntry(popup->Items(), arg);
            if (!id || !popup->Choose(id)) Error("the pop-up menu has no entry '" + arg + "'");
        } else if (cmd == "answer") {
            if (!needArg("yes, no, ok or cancel")) return;
            if (!box) {
                Error("no message box is shown");
                return;
            }
            std::string a = arg;
            std::transform(a.begin(), a.end(), a.begin(), ::tolower);
            int id = a == "yes"      ? IDYES
                     : a == "no"     ? IDNO
                     : a == "ok"     ? IDOK
                     : a == "cancel" ? IDCANCEL
                                     : 0;
            if (id == 0) {
                Error("answer yes, no, ok or cancel, not '" + arg + "'");
                return;
            }
            if (!box->Answer(id)) Error("the message box has no " + arg + " button");
        } else if (cmd == "type") {
            if (!needArg("an id and a text") || !needDialog()) return;
            size_t s2 = arg.find_first_of(" \t");
            std::string idText = arg.substr(0, s2);
            std::string text =
                s2 == std::string::npos ? std::string() : TrimAscii(arg.substr(s2 + 1));
            Window* c = control(idText, WindowKind::Edit, WindowKind::Edit, "edit box");
            if (!c) return;
            if (!static_cast<CEdit*>(c)->UserType(FromUtf8(text)))
                Error("edit box " + idText + " is read-only");
        } else if (cmd == "pick") {
            if (!needArg("an id and an item") || !needDialog()) return;
            size_t s2 = arg.find_first_of(" \t");
            std::string idText = arg.substr(0, s2);
            std::string what =
                s2 == std::string::npos ? std::string() : TrimAscii(arg.substr(s2 + 1));
            Window* c = control(idText, WindowKind::ComboBox, WindowKind::ComboBox, "combo box");
            if (!c) return;
            auto* cb = static_cast<CComboBox*>(c);
            int index = cb->FindStringExact(-1, FromUtf8(what));
            int n = 0;
            if (index < 0 && ParseInt(what, n) && n >= 0 && n < cb->GetCount()) index = n;
            if (index < 0 || !cb->UserPick(index))
                Error("combo box " + idText + " has no item '" + what + "'");
        } else if (cmd == "toggle") {
            if (!needArg("a check box id") || !needDialog()) return;
            Window* c = control(arg, WindowKind::CheckBox, WindowKind::CheckBox, "check box");
            if (c) static_cast<CButton*>(c)->UserClick();
        } else if (cmd == "tree") {
            if (!needArg("a path") || !needDialog()) return;
            CTreeCtrl* tree = nullptr;
            for (Window* c : dlg->Children())
                if (c->Kind() == WindowKind::TreeView && c->IsWindowVisible()) {
                    tree = static_cast<CTreeCtrl*>(c);
                    break;
                }
            if (!tree) {
                Error("'" + U8(dlg->GetWindowText()) + "' has no tree");
                return;
            }
            auto path = SplitPath(arg);
            HTREEITEM item = tree->FindPath(path);
            if (!item && tree->GetRootItem()) {  // the path may leave out the top item
                path.insert(path.begin(), tree->GetItemText(tree->GetRootItem()));
                item = tree->FindPath(path);
            }
            if (!item) {
                Error("no folder '" + arg + "' in the tree");
                return;
            }
            tree->UserSelect(item);
        } else if (cmd == "key") {
            std::string k = arg;
            std::transform(k.begin(), k.end(), k.begin(), ::tolower);
            if (k != "enter" && k != "escape") {
                Error("key enter or key escape, not '" + arg + "'");
                return;
            }
            if (box) {
                int id = k == "enter" ? box->Buttons().front() : box->EscapeAnswer();
                if (!id || !box->Answer(id)) Error("escape does not close this message box");
            } else if (popup) {
                if (k == "escape")
                    popup->Dismiss();
                else
                    Error("choose an entry of the pop-up menu");
            } else if (needDialog()) {
                if (k == "enter")
                    dlg->UserEnter();
                else
                    dlg->UserEscape();
            }
        } else if (cmd == "activate") {
            if (needDialog()) dlg->UserActivate();
        } else if (cmd == "close") {
            if (box)
                box->Answer(box->SafeAnswer());
            else if (popup)
                popup->Dismiss();
            else if (needDialog())
                dlg->SendCommand(IDCANCEL, 0);
        } else {
            Error("unknown command '" + cmd + "'");
        }
    } catch (const std::exception& e) {
        Error("'" + line + "' failed: " + e.what());
    }
}

}  // namespace tidy::ui::text
