#include "ui/web/WebFrontEnd.h"

#include <chrono>

#include "ui/web/WebInput.h"
#include "ui/web/WebModel.h"

namespace tidy::web {

WebFrontEnd::WebFrontEnd(ui::UiThread& ui, int port, std::ostream& announce)
    : ui_(ui),
      port_(port),
      announce_(announce),
      server_(hub_, [this](const std::string& body) { return HandleInput(body); }) {}

WebFrontEnd::~WebFrontEnd() {
    Stop();
}

bool WebFrontEnd::Start(std::string& error) {
    if (started_) return true;
    if (!server_.Start(port_, error)) return false;
    started_ = true;
    ui_.AddFrontEnd(this);
    if (ui_.IsUiThread())
        Publish();
    else
        ui_.Send([this] { Publish(); });
    watchStop_ = false;
    watcher_ = std::thread([this] { WatchWaitCursor(); });
    announce_ << "Tidymatic is running at " << server_.Url() << std::endl;
    return true;
}

void WebFrontEnd::Stop() {
    if (!started_) return;
    started_ = false;
    ui_.RemoveFrontEnd(this);
    {
        std::lock_guard lock(watchMutex_);
        watchStop_ = true;
    }
    watchWake_.notify_all();
    if (watcher_.joinable()) watcher_.join();
    hub_.SetClosed();
    // Open pages are woken at once; give them a moment to receive "closed" before the
    // connections go.
    if (server_.OpenStreams() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(150));
    server_.Stop();
}

void WebFrontEnd::Publish(const ui::Window* leaving) {
    hub_.SetBusy(ui_.WaitCursorShown());
    hub_.PublishModel(BuildModel(ui_, leaving));
}

void WebFrontEnd::WindowClosed(ui::Window& window) {
    Publish(&window);
}
void WebFrontEnd::MessageBoxShown(ui::MessageBoxWindow&) {
    Publish();
}
void WebFrontEnd::PopupMenuShown(ui::PopupMenuWindow&) {
    Publish();
}
void WebFrontEnd::ModelChanged(uint64_t) {
    Publish();
}
void WebFrontEnd::Idle() {
    Publish();
}

// The wait cursor is mostly shown while the user-interface thread is busy and publishes
// nothing, so it is watched from here.
void WebFrontEnd::WatchWaitCursor() {
    std::unique_lock lock(watchMutex_);
    while (!watchStop_) {
        hub_.SetBusy(ui_.WaitCursorShown());
        watchWake_.wait_for(lock, std::chrono::milliseconds(40));
    }
}

InputReply WebFrontEnd::HandleInput(const std::string& body) {
    StateHub::State state = hub_.Current();
    if (state.closed || ui_.Finished())
        return {503, {{"ok", false}, {"error", "the program has ended"}}};
    InputCommand cmd;
    std::string reason;
    if (int status = ParseInput(body, *state.model, cmd, reason))
        return {status, {{"ok", false}, {"error", reason}}};
    if (waiting_->fetch_add(1) >= kMaxWaitingInputs) {
        waiting_->fetch_sub(1);
        return {429,
                {{"ok", false}, {"error", "too many inputs are waiting; send it again shortly"}}};
    }
    // Checked against what the page was shown; the user-interface thread checks again when it
    // gets to it, as the windows may have changed meanwhile.
    ui::UiThread& ui = ui_;
    auto waiting = waiting_;
    uint64_t seq = ui_.PostInput([&ui, cmd, waiting] {
        waiting->fetch_sub(1);
        ApplyInput(ui, cmd);
    });
    if (seq == 0) {  // the program ended meanwhile
        waiting_->fetch_sub(1);
        return {503, {{"ok", false}, {"error", "the program has ended"}}};
    }
    return {202, {{"ok", true}, {"seq", seq}, {"version", state.version}}};
}

std::unique_ptr<WebFrontEnd> MakeWebFrontEnd(ui::UiThread& ui, int port, std::ostream& announce,
                                             std::string& error) {
    auto web = std::make_unique<WebFrontEnd>(ui, port, announce);
    if (!web->Start(error)) return nullptr;
    return web;
}

}  // namespace tidy::web
