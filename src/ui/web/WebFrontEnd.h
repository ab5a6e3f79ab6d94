#pragma once
// The web front end: serves the program's windows to a browser on this machine.
//
//   auto web = tidy::web::MakeWebFrontEnd(ui, port, std::cout, error);   // on the UI thread
//   if (!web) { report error; exit non-zero; }
//   ... run the main dialog modally ...
//   web->Stop();                                                          // before ~UiThread
//
// Start prints one line, "Tidymatic is running at http://127.0.0.1:PORT/?token=T", on the
// announce stream. The page draws the windows from the state this front end publishes after
// every change (see WebModel.h) and posts a person's input, which goes into the user-interface
// thread's queue through UiThread::PostInput (see WebInput.h).

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

#include "ui/framework/FrontEnd.h"
#include "ui/framework/UiThread.h"
#include "ui/web/StateHub.h"
#include "ui/web/WebServer.h"

namespace tidy::web {

class WebFrontEnd : public ui::FrontEnd {
  public:
    // Inputs accepted but not yet taken up by the user-interface thread. A page sends one input
    // at a time; beyond this a script is flooding the queue, and every later tap would wait
    // behind the flood (and the queue would grow without end): such input is refused with 429.
    static constexpr int kMaxWaitingInputs = 64;

    WebFrontEnd(ui::UiThread& ui, int port, std::ostream& announce);
    ~WebFrontEnd() override;
    WebFrontEnd(const WebFrontEnd&) = delete;
    WebFrontEnd& operator=(const WebFrontEnd&) = delete;

    // Joins the user-interface thread's front ends, binds 127.0.0.1:port (0: a free one),
    // starts serving and prints the address. Called on the user-interface thread. False with
    // a reason when the port cannot be had; nothing is left running then.
    bool Start(std::string& error);
    // Tells open pages that the program ended, stops serving and leaves the front ends.
    // Called on the user-interface thread; does nothing the second time.
    void Stop();

    int Port() const { return server_.Port(); }
    std::string Url() const { return server_.Url(); }
    const std::string& Token() const { return server_.Token(); }
    StateHub& Hub() { return hub_; }
    const WebServer& Server() const { return server_; }

    // FrontEnd: every change of the windows republishes the state.
    void WindowClosed(ui::Window& window) override;
    void MessageBoxShown(ui::MessageBoxWindow& box) override;
    void PopupMenuShown(ui::PopupMenuWindow& menu) override;
    void ModelChanged(uint64_t version) override;
    void Idle() override;

  private:
    void Publish(const ui::Window* leaving = nullptr);
    InputReply HandleInput(const std::string& body);
    void WatchWaitCursor();

    ui::UiThread& ui_;
    int port_;
    std::ostream& announce_;
    StateHub hub_;
    WebServer server_;
    bool started_ = false;
    // Inputs posted and not yet begun (see kMaxWaitingInputs); shared with the queued inputs.
    std::shared_ptr<std::atomic<int>> waiting_ = std::make_shared<std::atomic<int>>(0);

    std::thread watcher_;
    std::mutex watchMutex_;
    std::condition_variable watchWake_;
    bool watchStop_ = false;
};

// Creates and starts the web front end; null with a reason when it cannot start.
std::unique_ptr<WebFrontEnd> MakeWebFrontEnd(ui::UiThread& ui, int port, std::ostream& announce,
                                             std::string& error);

}  // namespace tidy::web
