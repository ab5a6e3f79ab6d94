// The main window with the web front end under load from a second process: wrk loads the page,
// reads the state and posts every kind of input the main window takes while background refreshes
// run (bench/webload.lua, mode "mix"). The program must answer every request, keep answering
// afterwards, and never run a refresh and a command at the same time.

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/MainApp.h"
#include "app/RunState.h"
#include "platform/Text.h"
#include "support/ForwardingPlatform.h"
#include "support/RunProgram.h"
#include "support/TempDevice.h"
#include "ui/framework/UiThread.h"
#include "ui/web/WebFrontEnd.h"

namespace tidy {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kList = 1019;
constexpr int kCmdExit = 2;

// Records which thread does device work, and flags a command that does device work while a
// background refresh is under way.
//
// Why this observable: in this program only the refresh worker touches the device off the
// user-interface thread, and on the user-interface thread nothing touches the device while a
// refresh runs except a command (a tap, a menu choice, an answer to a message box): what the
// worker sends to the user-interface thread only sets list texts and reads check boxes. So a
// device call on the user-interface thread that falls between two device calls of one refresh
// worker is a command running inside a refresh. The check is exact, not a race of timing: every
// call takes a number from one counter under a lock, and a worker's call sees whether any
// user-interface call took a number after the worker's first call. A refresh makes a hundred
// or more device calls (it locates and measures every ticked folder, one call per folder), so a
// command that does device work inside it is seen. (Thread timing alone, or the sanitizer, would
// see an overlap only when the two happen to touch the same data at the same moment.)
class RecordingPlatform : public test::ForwardingPlatform {
  public:
    explicit RecordingPlatform(platform::Platform& inner)
        : ForwardingPlatform(inner), ui_(std::this_thread::get_id()) {}

    // Milliseconds each registry write or flush on the user-interface thread takes extra.
    std::atomic<int> uiWriteDelayMs{0};

    struct Counts {
        uint64_t uiCalls = 0, workerCalls = 0, refreshes = 0, overlaps = 0;
        std::chrono::microseconds refreshTime{
            0};  // from each refresh's first device call to its last
        std::string firstOverlap;
    };
    Counts Get() const {
        std::lock_guard lock(mutex_);
        return counts_;
    }

    // Files under a "Keep" folder cannot be deleted (in use), so the content survives every
    // Clean and every refresh keeps measuring it.
    bool DeleteFile(const std::u16string& path) override {
        Note("DeleteFile", path);
        if (path.find(u"\\Keep\\") != std::u16string::npos) return false;
        return in_.DeleteFile(path);
    }

    std::unique_ptr<platform::FindHandle> FindFirst(const std::u16string& pattern,
                                                    platform::FindData& first,
                                                    bool foldersOnly) override {
        Note("FindFirst", pattern);
        return in_.FindFirst(pattern, first, foldersOnly);
    }
    bool GetAttributes(const std::u16string& path, uint32_t& a) override {
        Note("GetAttributes", path);
        return in_.GetAttributes(path, a);
    }
    bool GetStatus(const std::u16string& path, platform::FileStatus& s) override {
        Note("GetStatus", path);
        return in_.GetStatus(path, s);
    }
    bool SetAttributes(const std::u16string& path, uint32_t a) override {
        Note("SetAttributes", path);
        return in_.SetAttributes(path, a);
    }
    bool RemoveDirectory(const std::u16string& path) override {
        Note("RemoveDirectory", path);
        return in_.RemoveDirectory(path);
    }
    bool ReadFile(const std::u16string& path, std::string& bytes) override {
        Note("ReadFile", path);
        return in_.ReadFile(path, bytes);
    }
    bool WriteFile(const std::u16string& path, const std::string& bytes) override {
        Note("WriteFile", path);
        return in_.WriteFile(path, bytes);
    }
    long RegOpenKey(platform::HKey root, const std::u16string& sub, platform::HKey& out) override {
        Note("RegOpenKey", sub);
        return in_.RegOpenKey(root, sub, out);
    }
    long RegCreateKey(platform::HKey root, const std::u16string& sub,
                      platform::HKey& out) override {
        Note("RegCreateKey", sub);
        return in_.RegCreateKey(root, sub, out);
    }
    long RegQueryValue(platform::HKey key, const std::u16string& name, uint32_t* type,
                       uint8_t* data, uint32_t* size) override {
        Note("RegQueryValue", name);
        return in_.RegQueryValue(key, name, type, data, size);
    }
    long RegSetValue(platform::HKey key, const std::u16string& name, uint32_t type,
                     const uint8_t* data, uint32_t size) override {
        Note("RegSetValue", name);
        SlowOnUi();
        return in_.RegSetValue(key, name, type, data, size);
    }
    long RegDeleteValue(platform::HKey key, const std::u16string& name) override {
        Note("RegDeleteValue", name);
        return in_.RegDeleteValue(key, name);
    }
    long RegFlushKey(platform::HKey key) override {
        Note("RegFlushKey", u"");
        SlowOnUi();
        return in_.RegFlushKey(key);
    }
    bool KernelIoControl(uint32_t code) override {
        Note("KernelIoControl", u"");
        return in_.KernelIoControl(code);
    }

  private:
    void SlowOnUi() {
        if (int ms = uiWriteDelayMs.load(); ms > 0 && std::this_thread::get_id() == ui_)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    void Note(const char* call, const std::u16string& arg) {
        // Per thread: the first number this thread took for this device (0: none yet).
        thread_local const RecordingPlatform* owner = nullptr;
        thread_local uint64_t first = 0;
        thread_local Clock::time_point last;
        const auto now = Clock::now();
        std::lock_guard lock(mutex_);
        uint64_t n = ++sequence_;
        if (std::this_thread::get_id() == ui_) {
            ++counts_.uiCalls;
            lastUi_ = n;
            lastUiCall_ = std::string(call) + " " + text::ToUtf8(arg);
            return;
        }
        ++counts_.workerCalls;
        if (owner != this) {
            owner = this;
            first = n;
            last = now;
            ++counts_.refreshes;
            return;
        }
        counts_.refreshTime += std::chrono::duration_cast<std::chrono::microseconds>(now - last);
        last = now;
        if (lastUi_ > first) {
            if (counts_.overlaps++ == 0)
                counts_.firstOverlap = "the user-interface thread called " + lastUiCall_ +
                                       " while a refresh ran (the refresh then called " + call +
                                       " " + text::ToUtf8(arg) + ")";
            first = n;  // count each further overlap once
        }
    }

    const std::thread::id ui_;
    mutable std::mutex mutex_;
    uint64_t sequence_ = 0, lastUi_ = 0;
    std::string lastUiCall_;
    Counts counts_;
};

// The state stream, read as a page reads it, on a thread of its own.
class StreamReader {
  public:
    StreamReader(int port, std::string token) : port_(port), token_(std::move(token)) {
        thread_ = std::thread([this] { Run(); });
    }
    ~StreamReader() {
        if (thread_.joinable()) thread_.join();  // ends when the server stops
    }
    int Events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    bool Ended() const {
        std::lock_guard lock(mutex_);
        return ended_;
    }
    // Waits until a state arrives for which pred holds; false after the timeout.
    bool WaitFor(const std::function<bool(const json&)>& pred, std::chrono::seconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return last_.is_object() && pred(last_); });
    }

  private:
    void Run() {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(60, 0);
        std::string buffer;
        client.Get("/events?token=" + token_, [&](const char* data, size_t size) {
            buffer.append(data, size);
            for (size_t end; (end = buffer.find("\n\n")) != std::string::npos;) {
                std::string event = buffer.substr(0, end);
                buffer.erase(0, end + 2);
                size_t at = event.find("\ndata: ");
                if (event.find("event: state") == std::string::npos || at == std::string::npos)
                    continue;
                json state = json::parse(event.substr(at + 7), nullptr, false);
                std::lock_guard lock(mutex_);
                ++events_;
                last_ = std::move(state);
                changed_.notify_all();
            }
            return true;
        });
        std::lock_guard lock(mutex_);
        ended_ = true;
        changed_.notify_all();
    }

    int port_;
    std::string token_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    json last_;
    int events_ = 0;
    bool ended_ = false;
};

// "WEBLOAD key=value ..." as a map.
std::map<std::string, std::string> Figures(const std::string& out) {
    std::map<std::string, std::string> f;
    size_t at = out.find("WEBLOAD ");
    if (at == std::string::npos) return f;
    std::istringstream line(out.substr(at, out.find('\n', at) - at));
    for (std::string word; line >> word;)
        if (size_t eq = word.find('='); eq != std::string::npos)
            f[word.substr(0, eq)] = word.substr(eq + 1);
    return f;
}

long Num(const std::map<std::string, std::string>& f, const std::string& key) {
    auto it = f.find(key);
    return it == f.end() ? 0 : std::atol(it->second.c_str());
}

json Top(const json& state) {
    return state["model"]["windows"].back();
}

// Runs fn on a thread of its own; a program that does not come back in time hangs, and the
// test cannot go on: it says what hung and ends the process.
void WithDeadline(std::chrono::seconds limit, const char* what, const std::function<void()>& fn) {
    auto done = std::async(std::launch::async, fn);
    if (done.wait_for(limit) == std::future_status::ready) return done.get();
    std::fprintf(stderr, "FAILED: the program hung: %s took longer than %lds\n", what,
                 static_cast<long>(limit.count()));
    std::fflush(nullptr);
    std::_Exit(1);
}

// A device image whose every item is ticked, with thousands of files that no Clean can remove,
// so that every refresh has real work to do.
std::unique_ptr<test::TempDevice> BusyDevice() {
    auto dev =
        std::make_unique<test::TempDevice>("",
                                           "Windows Registry Editor Version 5.00\n\n"
                                           "[HKEY_CURRENT_USER\\Software\\Norvane\\Tidymatic]\n"
                                           "\"Options\"=\"7FFFFFFF\"\n");
    dev->MakeDir("\\Windows\\Start Menu\\Programs");
    for (int i = 0; i < 1500; ++i)
        dev->WriteFile("\\Temp\\Keep\\d" + std::to_string(i % 30) + "\\f" + std::to_string(i),
                       "data");
    for (int i = 0; i < 300; ++i)
        dev->WriteFile("\\Windows\\Cookies\\Keep\\c" + std::to_string(i) + ".txt", "cookie");
    return dev;
}

// The program as a person runs it, in this process: the main window with the web front end on
// this thread (the user-interface thread). The body runs on a thread of its own and talks to
// the program over loopback only, as a page does; then the window is closed through its "Exit"
// command.
class Session {
  public:
    Session(ui::UiThread& ui, int port, std::string token)
        : ui_(ui), port_(port), token_(std::move(token)), client_("127.0.0.1", port) {
        client_.set_read_timeout(10, 0);
    }
    ui::UiThread& Ui() { return ui_; }
    int Port() const { return port_; }
    const std::string& Token() const { return token_; }
    uint64_t Main() const { return main_; }
    std::string Query() const { return "?token=" + token_; }
    httplib::Client& Client() { return client_; }

    json State() {
        auto r = client_.Get("/state" + Query());
        return r && r->status == 200 ? json::parse(r->body, nullptr, false) : json();
    }
    int Post(const json& body) {
        auto r = client_.Post("/input" + Query(), body.dump(), "application/json");
        return r ? r->status : -1;
    }
    // Waits until every input posted so far is done and no refresh runs.
    void Settle(const char* what) {
        WithDeadline(60s, what, [&] { ui_.WaitAllDone(); });
    }
    // Waits for the start-up refresh and learns the main window.
    bool Start() {
        Settle("start-up");
        json s = State();
        if (!s.is_object() || s["model"]["windows"].empty()) return false;
        main_ = s["model"]["windows"][0]["handle"];
        return true;
    }
    // Answers (Enter) or dismisses whatever is open above the main window until it is on top
    // again; returns the state then (null after 30 seconds).
    json BackToMain() {
        for (auto end = Clock::now() + 30s; Clock::now() < end;) {
            json s = State();
            if (!s.is_object()) break;
            json top = Top(s);
            if (top["handle"] == main_) return s;
            if (top["kind"] == "messagebox")
                Post({{"window", top["handle"]}, {"action", "key"}, {"key", "enter"}});
            else if (top["kind"] == "popup")
                Post({{"window", top["handle"]}, {"action", "dismiss"}});
            else
                std::this_thread::sleep_for(20ms);
            Settle("closing a window");
        }
        ADD_FAILURE() << "the main window never came back on top";
        return json();
    }
    // Ends the program through "Exit" (once the main window is on top again).
    void Exit() {
        if (!main_) return;
        BackToMain();
        EXPECT_EQ(Post({{"window", main_}, {"action", "menu"}, {"command", kCmdExit}}), 202);
    }

  private:
    ui::UiThread& ui_;
    int port_;
    std::string token_;
    httplib::Client client_;
    uint64_t main_ = 0;
};

// Runs the program on dev through the recording device and body as above; the counts of the
// recording device at the end.
RecordingPlatform::Counts RunMainWindow(test::TempDevice& dev, int uiWriteDelayMs,
                                        const std::function<void(Session&)>& body) {
    auto image = dev.Open();
    if (!image) return {};
    RecordingPlatform device(*image);
    device.uiWriteDelayMs = uiWriteDelayMs;
    ui::UiThread ui(app::ScreenOf(*image));
    app::RunState run(device, &ui);
    std::ostringstream announce;
    std::string error;
    auto web = web::MakeWebFrontEnd(ui, 0, announce, error);
    if (!web) {
        ADD_FAILURE() << error;
        return {};
    }
    std::atomic<bool> closed{false};
    std::thread driver([&] {
        Session session(ui, web->Port(), web->Token());
        if (session.Start())
            body(session);
        else
            ADD_FAILURE() << "the main window did not come up";
        session.Exit();
        for (auto end = Clock::now() + 60s; !closed; std::this_thread::sleep_for(20ms)) {
            if (Clock::now() > end) {
                std::fprintf(stderr, "FAILED: the program did not close\n");
                std::fflush(nullptr);
                std::_Exit(1);
            }
        }
    });
    app::CMainApp application(run, ui);
    application.InitInstance();
    closed = true;
    driver.join();
    ui.Finish();
    web->Stop();
    ui.WaitForWorkers();
    return device.Get();
}

TEST(WebLoad, AnswersEveryRequestAndNeverRunsACommandInsideARefresh) {
    auto dev = BusyDevice();
    std::map<std::string, std::string> figures;
    std::string wrkOutput;
    bool wrkRan = false;
    int eventsDuringLoad = 0;
    long drainMs = -1;
    std::unique_ptr<StreamReader> stream;

    RecordingPlatform::Counts c = RunMainWindow(*dev, 0, [&](Session& p) {
        stream = std::make_unique<StreamReader>(p.Port(), p.Token());
        ASSERT_TRUE(stream->WaitFor([](const json&) { return true; }, 10s));
        const int eventsBefore = stream->Events();

        // The load: a second process, bounded in time.
        test::ProgramResult wrk = test::RunCommand(
            {"wrk", "-t2", "-c24", "-d4s", "--timeout", "10s", "-s",
             std::string(TM_SOURCE_DIR) + "/bench/webload.lua",
             "http://127.0.0.1:" + std::to_string(p.Port()) + "/", "--", "mix", p.Token()},
            "", 90);
        wrkRan = wrk.exitCode == 0;
        wrkOutput = wrk.out + wrk.err;
        figures = Figures(wrkOutput);
        eventsDuringLoad = stream->Events() - eventsBefore;

        // Afterwards: what the load left queued is done soon; a person's next tap does not wait
        // behind a flood.
        auto start = Clock::now();
        p.Settle("the input left by the load");
        drainMs = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
        EXPECT_LT(drainMs, 30000) << "the input left by the load took too long to be done";

        // A page loads as before.
        auto page = p.Client().Get("/" + p.Query());
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200);
        EXPECT_NE(page->body.find(p.Token()), std::string::npos);

        // A tap goes through, and the stream that was open through the load delivers it.
        json s = p.BackToMain();
        ASSERT_TRUE(s.is_object());
        bool was = false;
        json top = Top(s);
        for (const json& k : top["controls"])
            if (k["id"] == kList) was = k["rows"][5]["checked"] == true;
        EXPECT_EQ(p.Post({{"window", p.Main()},
                          {"action", "check"},
                          {"control", kList},
                          {"row", 5},
                          {"checked", !was}}),
                  202);
        EXPECT_TRUE(stream->WaitFor(
            [&](const json& st) {
                json t = Top(st);
                if (t["handle"] != p.Main()) return false;
                for (const json& k : t["controls"])
                    if (k["id"] == kList) return k["rows"][5]["checked"] == !was;
                return false;
            },
            30s))
            << "the state stream did not deliver the tap";
        EXPECT_FALSE(stream->Ended());
    });
    stream.reset();  // the server has stopped: the stream has ended

    // Every request was answered, with nothing refused that should not be.
    EXPECT_TRUE(wrkRan) << wrkOutput;
    ASSERT_FALSE(figures.empty()) << wrkOutput;
    std::cout << wrkOutput.substr(wrkOutput.find("WEBLOAD")) << "drained in " << drainMs
              << " ms; stream events during the load: " << eventsDuringLoad << "\n"
              << "refreshes " << c.refreshes << " (mean "
              << c.refreshTime.count() / 1000 / std::max<uint64_t>(c.refreshes, 1)
              << " ms), device calls by refreshes " << c.workerCalls << ", by commands "
              << c.uiCalls << ", soft resets " << dev->Resets() << "\n";
    EXPECT_GT(Num(figures, "requests"), 200) << wrkOutput;
    EXPECT_EQ(Num(figures, "bad"), 0) << wrkOutput;
    for (const char* e : {"connect_errors", "read_errors", "write_errors", "timeouts"})
        EXPECT_EQ(Num(figures, e), 0) << e << "\n" << wrkOutput;
    for (const char* kind : {"sent_page", "sent_asset", "sent_state", "sent_input"})
        EXPECT_GT(Num(figures, kind), 0) << kind << "\n" << wrkOutput;
    EXPECT_GT(Num(figures, "status_202"), 0) << wrkOutput;
    EXPECT_GT(eventsDuringLoad, 0);

    // Refreshes ran in the background while commands arrived, and none overlapped a command.
    EXPECT_GE(c.refreshes, 2u) << "no background refresh ran during the load";
    EXPECT_GT(c.uiCalls, 0u);
    EXPECT_EQ(c.overlaps, 0u) << c.firstOverlap;
}

// Answering the soft-reset question reactivates the main window. On Yes the settings are saved
// and the device resets with no refresh running beside them; on No the reactivation refreshes
// the list as any other does. Saving is made slow here (as on a handheld's flash), so that a
// refresh started by the reactivation would be caught inside it.
TEST(WebLoad, SoftResetSavesWithNoRefreshBesideIt) {
    auto dev = BusyDevice();
    for (int button : {6, 7}) {  // Yes, then No
        RecordingPlatform::Counts c = RunMainWindow(*dev, 30, [&](Session& p) {
            ASSERT_EQ(p.Post({{"window", p.Main()}, {"action", "menu"}, {"command", 1025}}), 202);
            p.Settle("the soft-reset question");
            json top = Top(p.State());
            ASSERT_EQ(top["kind"], "messagebox");
            EXPECT_EQ(top["text"], "Are you sure you want to soft reset now?");
            ASSERT_EQ(p.Post({{"window", top["handle"]}, {"action", "answer"}, {"button", button}}),
                      202);
            p.Settle("the soft reset");
        });
        EXPECT_EQ(c.overlaps, 0u) << "button " << button << ": " << c.firstOverlap;
        // The start-up refresh; on No also the one of the reactivation, as on any activation.
        EXPECT_EQ(c.refreshes, button == 6 ? 1u : 2u) << "button " << button;
    }
    EXPECT_EQ(dev->Resets(), 1);
}

// A flood of input while the user-interface thread cannot take any: a bounded number waits in
// the queue, the rest is refused at once (429), and once the thread is free again everything
// accepted is done and new input is taken as before.
TEST(WebLoad, InputBeyondTheQueueBoundIsRefused) {
    auto dev = BusyDevice();
    RunMainWindow(*dev, 0, [&](Session& p) {
        const int flood = web::WebFrontEnd::kMaxWaitingInputs + 16;
        std::map<int, int> statuses;
        p.Ui().Send([&] { p.Ui().HoldInput(); });  // as a refresh holds it
        for (int i = 0; i < flood; ++i)
            ++statuses[p.Post(
                {{"window", p.Main()}, {"action", "select"}, {"control", kList}, {"row", i % 31}})];
        p.Ui().ReleaseInput();
        EXPECT_EQ(statuses[202], web::WebFrontEnd::kMaxWaitingInputs);
        EXPECT_EQ(statuses[429], flood - web::WebFrontEnd::kMaxWaitingInputs);
        p.Settle("the accepted input");
        // The last accepted selection is the one shown; new input is taken again.
        json top = Top(p.State());
        for (const json& k : top["controls"]) {
            if (k["id"] == kList) {
                EXPECT_EQ(k["mark"], (web::WebFrontEnd::kMaxWaitingInputs - 1) % 31);
            }
        }
        EXPECT_EQ(
            p.Post({{"window", p.Main()}, {"action", "select"}, {"control", kList}, {"row", 3}}),
            202);
    });
}

}  // namespace
}  // namespace tidy
