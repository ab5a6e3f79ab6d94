#include "ui/web/StateHub.h"

namespace tidy::web {

StateHub::StateHub() {
    state_.model = std::make_shared<const nlohmann::json>(nlohmann::json::object());
    ComposeLocked();
}

void StateHub::ComposeLocked() {
    ++state_.version;
    nlohmann::json doc = {{"version", state_.version},
                          {"busy", state_.busy},
                          {"closed", state_.closed},
                          {"model", *state_.model}};
    // Texts come from the device and may hold anything; never let a bad byte stop the stream.
    state_.json = doc.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void StateHub::PublishModel(nlohmann::json model) {
    std::lock_guard lock(mutex_);
    if (state_.closed) return;
    if (*state_.model == model) return;
    state_.model = std::make_shared<const nlohmann::json>(std::move(model));
    ComposeLocked();
    changed_.notify_all();
}

void StateHub::SetBusy(bool busy) {
    std::lock_guard lock(mutex_);
    if (state_.busy == busy || state_.closed) return;
    state_.busy = busy;
    ComposeLocked();
    changed_.notify_all();
}

void StateHub::SetClosed() {
    std::lock_guard lock(mutex_);
    if (state_.closed) return;
    state_.closed = true;
    state_.busy = false;
    state_.model = std::make_shared<const nlohmann::json>(nlohmann::json::object());
    ComposeLocked();
    changed_.notify_all();
}

StateHub::State StateHub::Current() const {
    std::lock_guard lock(mutex_);
    return state_;
}

bool StateHub::WaitChange(uint64_t after, std::chrono::milliseconds timeout, State& out) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return shutdown_ || state_.version > after; });
    if (state_.version <= after) return false;
    out = state_;
    return true;
}

void StateHub::Shutdown() {
    std::lock_guard lock(mutex_);
    shutdown_ = true;
    changed_.notify_all();
}

bool StateHub::IsShutDown() const {
    std::lock_guard lock(mutex_);
    return shutdown_;
}

}  // namespace tidy::web
