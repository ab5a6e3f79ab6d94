// The web front end against a small dialog of its own: the server's refusals, the state
// stream, and input that goes all the way into the dialog's handlers.

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/Text.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/UiThread.h"
#include "ui/web/WebFrontEnd.h"
#include "ui/web/WebInput.h"
#include "ui/web/WebServer.h"

namespace tidy::web {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

constexpr int kProbe = 900;
constexpr int kList = 1019, kEdit = 1001, kCombo = 1002, kCheck = 1003, kAsk = 1004, kOff = 1005,
              kReadOnly = 1006;

const char* kProbeTemplate = R"({
  "id": 900, "caption": "Probe", "size": [137, 106], "font": ["System", 8],
  "controls": [
    {"id": 1019, "kind": "listview", "rect": [0, 0, 137, 50],
     "style": ["report", "singlesel", "showselalways", "nosortheader"]},
    {"id": 1001, "kind": "edit", "rect": [3, 52, 80, 12], "style": ["autohscroll"]},
    {"id": 1006, "kind": "edit", "rect": [3, 66, 80, 12], "style": ["readonly"]},
    {"id": 1002, "kind": "combobox", "rect": [85, 52, 50, 40], "style": ["dropdownlist"]},
    {"id": 1003, "kind": "checkbox", "text": "Tick me", "rect": [3, 80, 80, 10],
     "style": ["autocheckbox"]},
    {"id": 1004, "kind": "button", "text": "Ask", "rect": [85, 80, 40, 12]},
    {"id": 1005, "kind": "button", "text": "Off", "rect": [85, 94, 40, 12], "style": ["disabled"]}
  ]})";

// Records what reaches its handlers; read through UiThread::Call.
class ProbeDlg : public ui::CDialog {
  public:
    explicit ProbeDlg(ui::UiThread& ui) : CDialog(ui, kProbe) {}
    std::vector<std::string> log;

    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        auto* list = dynamic_cast<ui::CListCtrl*>(GetDlgItem(kList));
        list->InsertColumn(0, u"Item Type");
        list->InsertColumn(1, u"Size");
        list->SetExtendedStyle(ui::LVS_EX_CHECKBOXES | ui::LVS_EX_FULLROWSELECT);
        list->InsertItem(0, u"Temp");
        list->InsertItem(1, u"Cache");
        auto* combo = dynamic_cast<ui::CComboBox*>(GetDlgItem(kCombo));
        combo->AddString(u"Windows");
        combo->AddString(u"Storage Card");
        MenuBar().InsertButton(0, u"Clean", 5);
        MenuBar().InsertButton(1, u"Close", ui::IDCANCEL);
        live_ = true;
        return true;
    }
    bool OnCommand(int id, int code) override {
        if (id == 5) {
            log.push_back("clean");
            return true;
        }
        if (id == kAsk) {
            int answer = Ui().MessageBox(this, u"Clean now?\nReally?", u"Probe",
                                         ui::MB_YESNO | ui::MB_ICONQUESTION);
            log.push_back("answer " + std::to_string(answer));
            return true;
        }
        if (id == kCheck) {
            log.push_back("toggle");
            return true;
        }
        if (id == kEdit && code == ui::EN_CHANGE) {
            log.push_back("typed " + text::ToUtf8(GetDlgItem(kEdit)->GetWindowText()));
            return true;
        }
        if (id == kCombo && code == ui::CBN_SELCHANGE) {
            log.push_back(
                "picked " +
                std::to_string(dynamic_cast<ui::CComboBox*>(GetDlgItem(kCombo))->GetCurSel()));
            return true;
        }
        return CDialog::OnCommand(id, code);
    }
    bool OnNotify(int ctrlId, ui::NMHDR& nm, ui::LRESULT& result) override {
        if (ctrlId == kList && nm.code == ui::LVN_ITEMCHANGED && live_) {
            auto& lv = static_cast<ui::NMLISTVIEW&>(nm);
            if (lv.uNewState & ui::LVIS_STATEIMAGEMASK) {
                auto* list = dynamic_cast<ui::CListCtrl*>(GetDlgItem(kList));
                bool on = list->GetCheck(lv.iItem);
                log.push_back("check " + std::to_string(lv.iItem) + (on ? " on" : " off"));
                list->SetItemText(lv.iItem, 1, on ? u"850.3 KB" : u" ");
            }
        }
        if (ctrlId == kList && nm.code == ui::NM_DBLCLK)
            log.push_back("open " + std::to_string(static_cast<ui::NMITEMACTIVATE&>(nm).iItem));
        return CDialog::OnNotify(ctrlId, nm, result);
    }

  private:
    bool live_ = false;
};

// The dialog runs modally on this thread with the web front end; the test body runs on a
// thread of its own, as a browser would, and talks HTTP only.
struct Page {
    ui::UiThread& ui;
    WebFrontEnd& web;
    ProbeDlg& dlg;

    httplib::Client Client() const {
        httplib::Client c("127.0.0.1", web.Port());
        c.set_read_timeout(10, 0);
        return c;
    }
    std::string Q() const { return "token=" + web.Token(); }
    json State() const {
        auto r = Client().Get("/state?" + Q());
        if (!r || r->status != 200) return json::object();
        return json::parse(r->body);
    }
    // Polls the state until pred holds; fails the test after five seconds.
    json WaitFor(const std::function<bool(const json&)>& pred, const char* what) const {
        auto end = std::chrono::steady_clock::now() + 5s;
        json s;
        while (std::chrono::steady_clock::now() < end) {
            s = State();
            if (s.contains("model") && pred(s)) return s;
            std::this_thread::sleep_for(10ms);
        }
        ADD_FAILURE() << "timed out waiting for " << what << "; last state " << s.dump();
        return s;
    }
    json Top(const json& s) const { return s["model"]["windows"].back(); }
    uint64_t DialogHandle() const {
        json s = WaitFor([](const json& s) { return !s["model"]["windows"].empty(); }, "dialog");
        return s["model"]["windows"][0]["handle"].get<uint64_t>();
    }
    httplib::Result Post(const json& body, const std::string& query = "") const {
        return Client().Post("/input?" + (query.empty() ? Q() : query), body.dump(),
                             "application/json");
    }
    std::vector<std::string> Log() const {
        return ui.Call([this] { return dlg.log; });
    }
    static json Control(const json& window, int id) {
        for (const json& c : window["controls"])
            if (c["id"] == id) return c;
        return json();
    }
};

void RunWithPage(const std::function<void(Page&)>& body) {
    ui::Resources res;
    std::string error;
    ASSERT_TRUE(res.Load("dialog", kProbeTemplate, error)) << error;
    ui::UiThread ui(ui::ScreenMetrics{}, res);
    std::ostringstream announce;
    WebFrontEnd web(ui, 0, announce);
    ASSERT_TRUE(web.Start(error)) << error;
    EXPECT_EQ(announce.str(), "Tidymatic is running at " + web.Url() + "\n");
    EXPECT_TRUE(
        std::regex_match(web.Url(), std::regex(R"(http://127\.0\.0\.1:\d+/\?token=[0-9a-f]{32})")));

    ProbeDlg dlg(ui);
    std::thread client([&] {
        Page page{ui, web, dlg};
        body(page);
        ui.Post([&] { dlg.EndDialog(ui::IDCANCEL); });
    });
    dlg.DoModal();
    client.join();
    web.Stop();
    // Once stopped, the port answers no more.
    httplib::Client after("127.0.0.1", web.Port());
    after.set_connection_timeout(1, 0);
    EXPECT_FALSE(after.Get("/state"));
}

TEST(WebServerTest, RefusesRequestsWithoutTheTokenOrFromElsewhere) {
    RunWithPage([](Page& p) {
        const std::string host = "127.0.0.1:" + std::to_string(p.web.Port());
        struct Case {
            const char* what;
            std::string path;
            httplib::Headers headers;
            int status;
        } cases[] = {
            {"page without token", "/", {}, 403},
            {"page with a wrong token", "/?token=0123456789abcdef0123456789abcdef", {}, 403},
            {"asset without token", "/app.js", {}, 403},
            {"events without token", "/events", {}, 403},
            {"token in the header", "/state", {{"X-Tidymatic-Token", p.web.Token()}}, 200},
            {"foreign host", "/state?" + p.Q(), {{"Host", "tidymatic.example:80"}}, 403},
            {"foreign host, same port",
             "/state?" + p.Q(),
             {{"Host", "evil.example:" + std::to_string(p.web.Port())}},
             403},
            {"localhost",
             "/state?" + p.Q(),
             {{"Host", "localhost:" + std::to_string(p.web.Port())}},
             200},
            {"foreign origin", "/state?" + p.Q(), {{"Origin", "http://evil.example"}}, 403},
            {"null origin", "/state?" + p.Q(), {{"Origin", "null"}}, 403},
            {"own origin", "/state?" + p.Q(), {{"Origin", "http://" + host}}, 200},
            {"page with token", "/?" + p.Q(), {}, 200},
            {"unknown asset", "/secret.txt?" + p.Q(), {}, 404},
            {"path outside the assets", "/../../etc/passwd?" + p.Q(), {}, 404},
        };
        for (const Case& c : cases) {
            auto r = p.Client().Get(c.path, c.headers);
            ASSERT_TRUE(r) << c.what;
            EXPECT_EQ(r->status, c.status) << c.what;
        }
        // The page's assets carry the token; the page names no other.
        auto page = p.Client().Get("/?" + p.Q());
        EXPECT_NE(page->body.find("app.js?token=" + p.web.Token()), std::string::npos);
        EXPECT_EQ(page->body.find("__TOKEN__"), std::string::npos);

        // Input without the token, or from another site, is refused and does nothing.
        uint64_t dlg = p.DialogHandle();
        json tick = {{"window", dlg},
                     {"action", "check"},
                     {"control", kList},
                     {"row", 0},
                     {"checked", true}};
        auto r = p.Client().Post("/input", tick.dump(), "application/json");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 403);
        r = p.Client().Post("/input?" + p.Q(), {{"Origin", "http://evil.example"}}, tick.dump(),
                            "application/json");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 403);
        p.ui.Call([] { return 0; });  // anything queued has run by now
        EXPECT_TRUE(p.Log().empty());
        EXPECT_EQ(p.State()["model"]["windows"][0]["controls"][0]["rows"][0]["checked"], false);
    });
}

TEST(WebServerTest, RefusesMalformedInputWithAClearStatus) {
    RunWithPage([](Page& p) {
        uint64_t dlg = p.DialogHandle();
        auto send = [&](const std::string& body) {
            return p.Client().Post("/input?" + p.Q(), body, "application/json");
        };
        struct Case {
            const char* what;
            std::string body;
            int status;
        } cases[] = {
            {"not JSON", "{window: 1", 400},
            {"not an object", "[1, 2]", 400},
            {"no window", R"({"action": "key", "key": "enter"})", 400},
            {"window as text", R"({"window": "1", "action": "activate"})", 400},
            {"unknown action", json{{"window", dlg}, {"action", "explode"}}.dump(), 400},
            {"row as text",
             json{{"window", dlg}, {"action", "select"}, {"control", kList}, {"row", "0"}}.dump(),
             400},
            {"checked missing",
             json{{"window", dlg}, {"action", "check"}, {"control", kList}, {"row", 0}}.dump(),
             400},
            {"bad key", json{{"window", dlg}, {"action", "key"}, {"key", "f1"}}.dump(), 400},
            {"huge row",
             json{{"window", dlg}, {"action", "select"}, {"control", kList}, {"row", 1e12}}.dump(),
             400},
            {"unknown window", json{{"window", dlg + 999}, {"action", "activate"}}.dump(), 404},
            {"unknown control",
             json{{"window", dlg}, {"action", "click"}, {"control", 4242}}.dump(), 404},
            {"row out of range",
             json{{"window", dlg}, {"action", "select"}, {"control", kList}, {"row", 2}}.dump(),
             422},
            {"negative row",
             json{{"window", dlg}, {"action", "dbltap"}, {"control", kList}, {"row", -1}}.dump(),
             422},
            {"wrong control kind",
             json{{"window", dlg}, {"action", "select"}, {"control", kEdit}, {"row", 0}}.dump(),
             422},
            {"disabled button",
             json{{"window", dlg}, {"action", "click"}, {"control", kOff}}.dump(), 422},
            {"read-only edit",
             json{{"window", dlg}, {"action", "type"}, {"control", kReadOnly}, {"text", "x"}}
                 .dump(),
             422},
            {"control character",
             json{{"window", dlg}, {"action", "type"}, {"control", kEdit}, {"text", "a\nb"}}.dump(),
             422},
            {"text too long",
             json{{"window", dlg},
                  {"action", "type"},
                  {"control", kEdit},
                  {"text", std::string(kMaxEditText + 1, 'x')}}
                 .dump(),
             422},
            {"combo item out of range",
             json{{"window", dlg}, {"action", "pick"}, {"control", kCombo}, {"index", 2}}.dump(),
             422},
            {"soft key out of range",
             json{{"window", dlg}, {"action", "softkey"}, {"index", 5}}.dump(), 422},
            {"command no menu offers",
             json{{"window", dlg}, {"action", "menu"}, {"command", 32778}}.dump(), 422},
            {"hold outside the list",
             json{{"window", dlg}, {"action", "hold"}, {"control", kList}, {"x", 5}, {"y", 900}}
                 .dump(),
             422},
            {"answer to a dialog",
             json{{"window", dlg}, {"action", "answer"}, {"button", 6}}.dump(), 422},
            {"invalid UTF-8",
             std::string(R"({"window": 1, "action": "type", "control": 1001, "text": ")") +
                 "\xff\xfe" + "\"}",
             400},
        };
        for (const Case& c : cases) {
            auto r = send(c.body);
            ASSERT_TRUE(r) << c.what;
            EXPECT_EQ(r->status, c.status) << c.what << ": " << r->body;
            json reply = json::parse(r->body, nullptr, false);
            EXPECT_TRUE(reply.is_object() && reply.value("ok", true) == false &&
                        !reply.value("error", "").empty())
                << c.what << ": " << r->body;
        }
        // A body over the limit is refused before it is read, and so is anything but JSON.
        auto big = send(std::string(WebServer::kMaxBody + 1, ' '));
        ASSERT_TRUE(big);
        EXPECT_EQ(big->status, 413);
        auto form = p.Client().Post("/input?" + p.Q(), "window=1", "text/plain");
        ASSERT_TRUE(form);
        EXPECT_EQ(form->status, 415);

        p.ui.Call([] { return 0; });
        EXPECT_TRUE(p.Log().empty());
        // The server is still there.
        EXPECT_EQ(p.Client().Get("/state?" + p.Q())->status, 200);
    });
}

TEST(WebServerTest, StreamsTheStateAndEveryChange) {
    RunWithPage([](Page& p) {
        uint64_t dlg = p.DialogHandle();
        std::mutex m;
        std::vector<json> events;
        std::string buffer;
        bool stop = false;
        std::thread reader([&] {
            auto c = p.Client();
            c.Get("/events?" + p.Q(), [&](const char* data, size_t n) {
                std::lock_guard lock(m);
                buffer.append(data, n);
                for (size_t end; (end = buffer.find("\n\n")) != std::string::npos;) {
                    std::string ev = buffer.substr(0, end);
                    buffer.erase(0, end + 2);
                    auto at = ev.find("event: state\ndata: ");
                    if (at != std::string::npos) events.push_back(json::parse(ev.substr(at + 19)));
                }
                return !stop;
            });
        });
        auto waitEvents = [&](const std::function<bool(const json&)>& pred) {
            for (int i = 0; i < 500; ++i) {
                {
                    std::lock_guard lock(m);
                    for (const json& e : events)
                        if (pred(e)) return true;
                }
                std::this_thread::sleep_for(10ms);
            }
            return false;
        };
        // The first event is the whole current state.
        ASSERT_TRUE(waitEvents([&](const json& e) {
            const json& w = e["model"]["windows"];
            return !w.empty() && w[0]["caption"] == "Probe" && w[0]["softkeys"].size() == 2 &&
                   w[0]["controls"][0]["rows"].size() == 2 && e["version"].get<int>() > 0 &&
                   e["model"]["screen"]["width"] == 240;
        }));
        // A change brings a newer version with the change in it.
        int before;
        {
            std::lock_guard lock(m);
            before = events.back()["version"];
        }
        auto r = p.Post({{"window", dlg},
                         {"action", "check"},
                         {"control", kList},
                         {"row", 1},
                         {"checked", true}});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 202);
        EXPECT_TRUE(waitEvents([&](const json& e) {
            const json& row = e["model"]["windows"][0]["controls"][0]["rows"][1];
            return e["version"].get<int>() > before && row["checked"] == true &&
                   row["cells"][1] == "850.3 KB";
        }));
        {
            std::lock_guard lock(m);
            stop = true;
        }
        // Nudge the stream so the reader sees stop.
        p.Post({{"window", dlg},
                {"action", "check"},
                {"control", kList},
                {"row", 1},
                {"checked", false}});
        reader.join();
    });
}

TEST(WebFrontEndTest, InputReachesTheDialogAndItsMessageBox) {
    RunWithPage([](Page& p) {
        uint64_t dlg = p.DialogHandle();
        auto ok = [&](const json& body) {
            auto r = p.Post(body);
            ASSERT_TRUE(r);
            ASSERT_EQ(r->status, 202) << body.dump() << " -> " << r->body;
        };
        auto logHas = [&](const std::string& line) {
            for (int i = 0; i < 500; ++i) {
                auto log = p.Log();
                if (std::find(log.begin(), log.end(), line) != log.end()) return true;
                std::this_thread::sleep_for(10ms);
            }
            ADD_FAILURE() << "never logged: " << line;
            return false;
        };

        ok({{"window", dlg},
            {"action", "check"},
            {"control", kList},
            {"row", 0},
            {"checked", true}});
        logHas("check 0 on");
        ok({{"window", dlg}, {"action", "dbltap"}, {"control", kList}, {"row", 1}});
        logHas("open 1");
        ok({{"window", dlg}, {"action", "softkey"}, {"index", 0}});
        logHas("clean");
        ok({{"window", dlg}, {"action", "type"}, {"control", kEdit}, {"text", "Ça va"}});
        logHas("typed Ça va");
        ok({{"window", dlg}, {"action", "pick"}, {"control", kCombo}, {"index", 1}});
        logHas("picked 1");
        ok({{"window", dlg}, {"action", "click"}, {"control", kCheck}});
        logHas("toggle");

        json s = p.WaitFor(
            [&](const json& s) {
                const json& w = s["model"]["windows"][0];
                return Page::Control(w, kList)["rows"][1]["selected"] == true &&
                       Page::Control(w, kCheck)["checked"] == true &&
                       Page::Control(w, kEdit)["text"] == "Ça va" &&
                       Page::Control(w, kCombo)["sel"] == 1;
            },
            "the dialog's controls to show the input");

        // A message box: the dialog underneath takes no input until it is answered.
        ok({{"window", dlg}, {"action", "click"}, {"control", kAsk}});
        s = p.WaitFor([](const json& s) { return s["model"]["windows"].size() == 2; },
                      "the message box");
        json box = p.Top(s);
        EXPECT_EQ(box["kind"], "messagebox");
        EXPECT_EQ(box["caption"], "Probe");
        EXPECT_EQ(box["text"], "Clean now?\nReally?");
        EXPECT_EQ(box["icon"], "question");
        EXPECT_EQ(box["buttons"],
                  json::parse(R"([{"id": 6, "text": "Yes"}, {"id": 7, "text": "No"}])"));
        auto covered = p.Post({{"window", dlg}, {"action", "softkey"}, {"index", 0}});
        EXPECT_EQ(covered->status, 409);
        auto wrong = p.Post({{"window", box["handle"]}, {"action", "answer"}, {"button", 1}});
        EXPECT_EQ(wrong->status, 422);
        ok({{"window", box["handle"]}, {"action", "answer"}, {"button", 7}});
        logHas("answer 7");
        p.WaitFor([](const json& s) { return s["model"]["windows"].size() == 1; },
                  "the message box to go");

        // Escape on a question box does nothing; Enter takes the first button.
        ok({{"window", dlg}, {"action", "click"}, {"control", kAsk}});
        s = p.WaitFor([](const json& s) { return s["model"]["windows"].size() == 2; }, "box");
        ok({{"window", p.Top(s)["handle"]}, {"action", "key"}, {"key", "enter"}});
        logHas("answer 6");

        auto log = p.Log();
        EXPECT_EQ(std::count(log.begin(), log.end(), "clean"), 1);
    });
}

TEST(WebFrontEndTest, ThePageIsToldWhenTheProgramEnds) {
    ui::Resources res;
    std::string error;
    ASSERT_TRUE(res.Load("dialog", kProbeTemplate, error)) << error;
    ui::UiThread ui(ui::ScreenMetrics{}, res);
    std::ostringstream announce;
    WebFrontEnd web(ui, 0, announce);
    ASSERT_TRUE(web.Start(error)) << error;
    web.Stop();
    StateHub::State s = web.Hub().Current();
    EXPECT_TRUE(s.closed);
    EXPECT_NE(s.json.find("\"closed\":true"), std::string::npos);
}

TEST(WebFrontEndTest, ABusyPortIsReported) {
    ui::UiThread ui;
    std::ostringstream out1, out2;
    WebFrontEnd first(ui, 0, out1);
    std::string error;
    ASSERT_TRUE(first.Start(error)) << error;
    std::string reason;
    auto second = MakeWebFrontEnd(ui, first.Port(), out2, reason);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(reason.find(std::to_string(first.Port())), std::string::npos) << reason;
    EXPECT_TRUE(out2.str().empty());
    first.Stop();
}

}  // namespace
}  // namespace tidy::web
