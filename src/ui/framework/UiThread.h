#pragma once
// The user-interface thread: its message queue, modal loops, message boxes, pop-up menus, the
// wait cursor, background workers and the input gate.
//
// The thread that constructs the UiThread is the user-interface thread. Every window and
// control is used on it only. Other threads reach it with:
//   Post(fn)       fn runs later on the user-interface thread;
//   Send(fn)       fn runs on the user-interface thread and the caller waits for it (on the
//                  user-interface thread itself fn runs at once). Exceptions of fn reach the
//                  caller. Send works while any number of modal loops are nested: every modal
//                  loop (dialog, message box, pop-up menu) pumps the same queue;
//   PostInput(fn)  a person's input (front ends only): fn runs on the user-interface thread
//                  when input is accepted (see the input gate).
//
// The input gate. HoldInput() says "no user input now": from then until the matching
// ReleaseInput(), input messages stay in the queue, in order and unprocessed, while Post and
// Send messages still run. A window that must never run a user command while background work
// runs (the main window's refresh, say) holds input on the user-interface thread before it
// starts the worker, and the worker releases it (ReleaseInput may be called from any thread)
// when it is done; the worker reaches the controls through Send meanwhile, which runs even
// though input is held, so the two never overlap and never deadlock. A modal loop opened while
// input is held (a message box shown by a Send from the worker) takes input posted after it
// opened, so such a box can be answered; earlier input still waits for the release. Holds nest.
//
// Workers: StartWorker(fn) runs fn on a new thread at normal priority and counts it while it
// runs. WaitForWorkers() waits until none runs, still running Send and Post messages (not
// input) when called on the user-interface thread, so a worker's last Send cannot deadlock.
// The destructor waits for the workers the same way.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "ui/framework/FrontEnd.h"
#include "ui/framework/Geometry.h"
#include "ui/framework/Menu.h"
#include "ui/framework/Resources.h"
#include "ui/framework/UiServices.h"
#include "ui/framework/Window.h"

namespace tidy::ui {

// A message box on the window stack. Buttons are answered with their ids.
class MessageBoxWindow : public Window {
  public:
    Window* Owner() const { return owner_; }
    const std::u16string& Caption() const { return caption_; }
    std::u16string Text() const { return GetWindowText(); }
    unsigned Type() const { return type_; }
    // The buttons in the order shown: IDOK; IDOK, IDCANCEL; IDYES, IDNO; IDYES, IDNO, IDCANCEL.
    std::vector<int> Buttons() const;
    static std::u16string ButtonText(int id);  // "OK", "Cancel", "Yes", "No"
    // The safe answer at the end of input: No, else Cancel, else OK.
    int SafeAnswer() const;
    // The answer Escape gives: Cancel when offered, OK for an OK-only box, else 0 (no effect).
    int EscapeAnswer() const;
    // A person answers; false (nothing happens) for a button the box does not offer.
    bool Answer(int id);
    bool Answered() const { return result_ != 0; }
    int Result() const { return result_; }

  private:
    friend class UiThread;
    MessageBoxWindow(Window* owner, const std::u16string& text, const std::u16string& caption,
                     unsigned type);
    Window* owner_;
    std::u16string caption_;
    unsigned type_;
    int result_ = 0;
};

// A pop-up menu on the window stack.
class PopupMenuWindow : public Window {
  public:
    Window* Owner() const { return owner_; }
    const std::vector<MenuItem>& Items() const { return items_; }
    Point At() const { return at_; }  // screen coordinates
    // A person chooses an entry by command id (separators, pop-ups and grayed entries refused).
    bool Choose(int id);
    // A person taps elsewhere: the menu closes without a command.
    void Dismiss();
    bool Done() const { return done_; }
    int Chosen() const { return chosen_; }

  private:
    friend class UiThread;
    PopupMenuWindow(Window* owner, std::vector<MenuItem> items, Point at);
    Window* owner_;
    std::vector<MenuItem> items_;
    Point at_;
    bool done_ = false;
    int chosen_ = 0;
};

class UiThread : public UiServices {
  public:
    explicit UiThread(ScreenMetrics screen = {},
                      const Resources& resources = Resources::Embedded());
    ~UiThread() override;
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    bool IsUiThread() const { return std::this_thread::get_id() == thread_; }
    const Resources& Res() const { return resources_; }
    const ScreenMetrics& Screen() const { return screen_; }
    // A new screen size (rotation): every open dialog fills the new area and gets OnSize.
    void SetScreen(const ScreenMetrics& screen);

    // ---- Messages.
    void Post(std::function<void()> fn);
    void Send(std::function<void()> fn);
    template <class F>
    auto Call(F fn) -> std::invoke_result_t<F> {
        using R = std::invoke_result_t<F>;
        if constexpr (std::is_void_v<R>) {
            Send(std::move(fn));
        } else {
            std::optional<R> out;
            Send([&] { out.emplace(fn()); });
            return std::move(*out);
        }
    }
    // Posts a person's input; returns its sequence number (for WaitIdle).
    uint64_t PostInput(std::function<void()> fn);

    // ---- Modal loops.
    // Runs the queue on the user-interface thread until done() holds (checked after every
    // message). Loops nest.
    void RunModalLoop(const std::function<bool()>& done);
    int ModalDepth() const { return depth_; }

    // ---- The input gate (see above).
    void HoldInput();
    void ReleaseInput();
    bool InputHeld() const;

    // ---- Workers.
    void StartWorker(std::function<void()> fn);
    int RunningWorkers() const { return workers_.load(); }
    void WaitForWorkers();

    // ---- Waiting for the user-interface thread (front ends, from their own threads).
    // Waits until input `seq` has run and the thread waits for input again (also when seq
    // itself opened a modal loop that waits for the next input), or until
    // the thread waits for input that `seq` cannot be (a modal loop opened while input is
    // held). Returns false once Finish() was called.
    bool WaitIdle(uint64_t seq);
    // Waits until no worker runs and the thread is idle with all input handled.
    bool WaitAllDone();
    // Waits until a modal loop runs for the first time; false once Finish() was called.
    bool WaitStarted();
    // The program's windows are done: waiting front ends are released and input is dropped.
    void Finish();
    bool Finished() const;

    // ---- Message boxes, pop-up menus, the wait cursor (UiServices).
    // Shows a modal message box; from another thread it is shown through Send.
    int MessageBox(Window* owner, const std::u16string& text, const std::u16string& caption,
                   unsigned type) override;
    // Shows items at a screen point and waits for the choice; returns the command or 0.
    int TrackPopup(std::vector<MenuItem> items, Point at, Window* owner);
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    bool WaitCursorShown() const { return waitCursor_.load() > 0; }

    // ---- The window stack and front ends.
    // Top-level windows from the bottom (the main dialog) to the top.
    const std::vector<Window*>& TopLevelWindows() const { return stack_; }
    // The topmost visible top-level window, or null.
    Window* TopWindow() const;
    void AddFrontEnd(FrontEnd* frontEnd);
    void RemoveFrontEnd(FrontEnd* frontEnd);

    // ---- Model version: bumped by every change of what a window shows.
    void MarkChanged() { version_.fetch_add(1); }
    uint64_t Version() const { return version_.load(); }

  private:
    friend class CDialog;
    friend class Window;
    struct Message {
        enum Kind { Call, Input } kind = Call;
        uint64_t seq = 0;
        std::function<void()> fn;
    };

    // Top-level windows.
    // activate: the dialog below is deactivated on push and activated again on pop (dialogs
    // and message boxes; pop-up menus leave activation alone).
    void PushWindow(Window* w, bool activate);
    void PopWindow(Window* w, bool activate);
    CDialog* TopDialogBelow(Window* w) const;
    void Activate(Window* w, int state);
    template <class F>
    void ForFrontEnds(F f) {
        auto copy = frontEnds_;
        for (FrontEnd* fe : copy) f(*fe);
    }
    // Runs one message; blocks for one when block is set. Returns false when none ran.
    bool PumpOne(bool block, bool allowInput);
    bool RunnableLocked(const Message& m, bool allowInput) const;
    void NotifyChanges();
    void ReapWorkers();

    std::thread::id thread_;
    ScreenMetrics screen_;
    const Resources& resources_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;   // the user-interface thread waits here
    std::condition_variable state_;  // front ends and WaitForWorkers wait here
    std::deque<Message> queue_;
    uint64_t nextInputSeq_ = 1;
    uint64_t startedInputSeq_ = 0;  // highest input seq begun
    uint64_t handledInputSeq_ = 0;  // highest input seq finished
    int holds_ = 0;
    int gateDepth_ = 0;
    std::vector<uint64_t> loopEntrySeq_;  // per depth: next input seq when the loop began
    std::atomic<int> depth_{0};
    bool idle_ = false;
    bool started_ = false;
    bool finished_ = false;

    std::atomic<int> workers_{0};
    std::vector<std::thread> threads_;
    std::vector<std::thread::id> doneThreads_;

    std::atomic<int> waitCursor_{0};
    std::atomic<uint64_t> version_{0};
    uint64_t notifiedVersion_ = 0;
    std::vector<Window*> stack_;
    std::vector<FrontEnd*> frontEnds_;
};

// The UiThread behind a run's UiServices, or null when the services are something else.
inline UiThread* AsUiThread(UiServices* services) {
    return dynamic_cast<UiThread*>(services);
}

}  // namespace tidy::ui
