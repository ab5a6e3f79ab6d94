#pragma once
// The state the page shows, shared between the user-interface thread (which publishes the
// window model) and the server's threads (which stream it and check input against it).
//
// The page receives one JSON document per change:
//   {"version": V, "busy": B, "closed": C, "model": {...}}
// version grows with every change of the model, the wait cursor or the closed flag, so a page
// that reconnects can tell whether what it shows is current.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

namespace tidy::web {

class StateHub {
  public:
    struct State {
        uint64_t version = 0;
        std::string json;                             // the whole document, one line
        std::shared_ptr<const nlohmann::json> model;  // the model part, for checking input
        bool busy = false;
        bool closed = false;
    };

    StateHub();

    // A new window model (built on the user-interface thread).
    void PublishModel(nlohmann::json model);
    // The wait cursor came or went.
    void SetBusy(bool busy);
    // The program's windows are gone: the page shows that the program ended.
    void SetClosed();
    State Current() const;

    // Waits until the version passes `after`, the hub shuts down, or the timeout passes.
    // Returns true with the new state when it changed.
    bool WaitChange(uint64_t after, std::chrono::milliseconds timeout, State& out) const;
    // Wakes every waiter for good (the server stops).
    void Shutdown();
    bool IsShutDown() const;

  private:
    void ComposeLocked();

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    State state_;
    bool shutdown_ = false;
};

}  // namespace tidy::web
