#include "ui/framework/UiThread.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "platform/Text.h"
#include "ui/framework/Dialog.h"

namespace tidy::ui {

// ================================================================ message box

MessageBoxWindow::MessageBoxWindow(Window* owner, const std::u16string& text,
                                   const std::u16string& caption, unsigned type)
    : Window(WindowKind::MessageBox), owner_(owner), caption_(caption), type_(type) {
    SetWindowText(text);
}

std::vector<int> MessageBoxWindow::Buttons() const {
    switch (type_ & 0xF) {
        case MB_OKCANCEL:
            return {IDOK, IDCANCEL};
        case MB_YESNOCANCEL:
            return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO:
            return {IDYES, IDNO};
        default:
            return {IDOK};
    }
}

std::u16string MessageBoxWindow::ButtonText(int id) {
    switch (id) {
        case IDOK:
            return u"OK";
        case IDCANCEL:
            return u"Cancel";
        case IDYES:
            return u"Yes";
        case IDNO:
            return u"No";
        default:
            return u"?";
    }
}

int MessageBoxWindow::SafeAnswer() const {
    auto b = Buttons();
    for (int id : {IDNO, IDCANCEL})
        if (std::find(b.begin(), b.end(), id) != b.end()) return id;
    return IDOK;
}

int MessageBoxWindow::EscapeAnswer() const {
    auto b = Buttons();
    if (std::find(b.begin(), b.end(), IDCANCEL) != b.end()) return IDCANCEL;
    if (b.size() == 1 && b[0] == IDOK) return IDOK;
    return 0;
}

bool MessageBoxWindow::Answer(int id) {
    if (result_ != 0) return false;
    auto b = Buttons();
    if (std::find(b.begin(), b.end(), id) == b.end()) return false;
    result_ = id;
    Changed();
    return true;
}

// ================================================================ pop-up menu

PopupMenuWindow::PopupMenuWindow(Window* owner, std::vector<MenuItem> items, Point at)
    : Window(WindowKind::PopupMenu), owner_(owner), items_(std::move(items)), at_(at) {}

namespace {
bool Offers(const std::vector<MenuItem>& items, int id) {
    for (const auto& m : items) {
        if (m.popup) {
            if (Offers(m.items, id)) return true;
        } else if (!m.separator && m.id == id && !(m.flags & MF_GRAYED)) {
            return true;
        }
    }
    return false;
}
}  // namespace

bool PopupMenuWindow::Choose(int id) {
    if (done_ || id == 0 || !Offers(items_, id)) return false;
    chosen_ = id;
    done_ = true;
    Changed();
    return true;
}

void PopupMenuWindow::Dismiss() {
    if (done_) return;
    done_ = true;
    Changed();
}

// ================================================================ the thread

UiThread::UiThread(ScreenMetrics screen, const Resources& resources)
    : thread_(std::this_thread::get_id()), screen_(screen), resources_(resources) {
    loopEntrySeq_.assign(1, 0);
}

UiThread::~UiThread() {
    WaitForWorkers();
    std::vector<std::thread> rest;
    {
        std::lock_guard lk(mutex_);
        rest.swap(threads_);
    }
    for (auto& t : rest)
        if (t.joinable()) t.join();
}

void UiThread::SetScreen(const ScreenMetrics& screen) {
    screen_ = screen;
    MarkChanged();
    auto stack = stack_;
    for (Window* w : stack)
        if (auto* d = dynamic_cast<CDialog*>(w); d && d->IsWindow())
            d->MoveWindow(screen.DialogArea());
}

void UiThread::Post(std::function<void()> fn) {
    std::lock_guard lk(mutex_);
    queue_.push_back({Message::Call, 0, std::move(fn)});
    wake_.notify_all();
}

void UiThread::Send(std::function<void()> fn) {
    if (IsUiThread()) {
        fn();
        return;
    }
    auto task = std::make_shared<std::packaged_task<void()>>(std::move(fn));
    auto done = task->get_future();
    Post([task] { (*task)(); });
    done.get();  // rethrows what fn threw
}

uint64_t UiThread::PostInput(std::function<void()> fn) {
    std::lock_guard lk(mutex_);
    if (finished_) return 0;
    uint64_t seq = nextInputSeq_++;
    queue_.push_back({Message::Input, seq, std::move(fn)});
    idle_ = false;  // until the thread has looked at the queue again
    wake_.notify_all();
    return seq;
}

bool UiThread::RunnableLocked(const Message& m, bool allowInput) const {
    if (m.kind == Message::Call) return true;
    if (!allowInput) return false;
    if (holds_ == 0) return true;
    // Held: only a loop opened inside the hold takes input, and only input posted after the
    // first such loop began.
    int d = depth_.load();
    return d > gateDepth_ && m.seq >= loopEntrySeq_[gateDepth_ + 1];
}

void UiThread::NotifyChanges() {
    uint64_t v = version_.load();
    if (v == notifiedVersion_) return;
    notifiedVersion_ = v;
    ForFrontEnds([v](FrontEnd& f) { f.ModelChanged(v); });
}

bool UiThread::PumpOne(bool block, bool allowInput) {
    std::unique_lock lk(mutex_);
    bool drew = false;
    for (;;) {
        auto it = std::find_if(queue_.begin(), queue_.end(),
                               [&](const Message& m) { return RunnableLocked(m, allowInput); });
        if (it != queue_.end()) {
            Message m = std::move(*it);
            queue_.erase(it);
            if (m.kind == Message::Input) startedInputSeq_ = std::max(startedInputSeq_, m.seq);
            lk.unlock();
            m.fn();
            if (m.kind == Message::Input) {
                std::lock_guard g(mutex_);
                handledInputSeq_ = std::max(handledInputSeq_, m.seq);
                state_.notify_all();
            }
            NotifyChanges();
            return true;
        }
        if (!block) return false;
        if (!drew) {
            // Nothing to do: let the front ends catch up before sleeping.
            lk.unlock();
            NotifyChanges();
            ForFrontEnds([](FrontEnd& f) { f.Idle(); });
            lk.lock();
            drew = true;
            continue;
        }
        idle_ = true;
        state_.notify_all();
        wake_.wait(lk);
        idle_ = false;
        drew = false;
    }
}

void UiThread::RunModalLoop(const std::function<bool()>& done) {
    if (!IsUiThread()) throw std::logic_error("modal loop off the user-interface thread");
    {
        std::lock_guard lk(mutex_);
        int d = depth_.fetch_add(1) + 1;
        loopEntrySeq_.resize(d + 1);
        loopEntrySeq_[d] = nextInputSeq_;
        started_ = true;
        state_.notify_all();
    }
    struct Leave {
        UiThread* ui;
        ~Leave() {
            std::lock_guard lk(ui->mutex_);
            int d = ui->depth_.fetch_sub(1) - 1;
            ui->loopEntrySeq_.resize(d + 1);
            ui->state_.notify_all();
        }
    } leave{this};
    while (!done()) PumpOne(true, true);
}

void UiThread::HoldInput() {
    std::lock_guard lk(mutex_);
    if (holds_++ == 0) gateDepth_ = depth_.load();
}

void UiThread::ReleaseInput() {
    std::lock_guard lk(mutex_);
    if (holds_ > 0) --holds_;
    wake_.notify_all();
    state_.notify_all();
}

bool UiThread::InputHeld() const {
    std::lock_guard lk(mutex_);
    return holds_ > 0;
}

void UiThread::StartWorker(std::function<void()> fn) {
    ReapWorkers();
    std::lock_guard lk(mutex_);
    workers_.fetch_add(1);
    threads_.emplace_back([this, fn = std::move(fn)] {
        try {
            fn();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tidymatic: background work failed: %s\n", e.what());
        } catch (...) {
            std::fprintf(stderr, "tidymatic: background work failed\n");
        }
        std::lock_guard g(mutex_);
        doneThreads_.push_back(std::this_thread::get_id());
        workers_.fetch_sub(1);
        state_.notify_all();
        wake_.notify_all();
    });
}

void UiThread::ReapWorkers() {
    std::vector<std::thread> finished;
    {
        std::lock_guard lk(mutex_);
        for (auto id : doneThreads_) {
            auto it = std::find_if(threads_.begin(), threads_.end(),
                                   [&](const std::thread& t) { return t.get_id() == id; });
            if (it != threads_.end()) {
                finished.push_back(std::move(*it));
                threads_.erase(it);
            }
        }
        doneThreads_.clear();
    }
    for (auto& t : finished) t.join();
}

void UiThread::WaitForWorkers() {
    if (IsUiThread()) {
        // Keep running the workers' Send and Post messages (never input) until they end.
        std::unique_lock lk(mutex_);
        while (workers_.load() > 0) {
            auto it = std::find_if(queue_.begin(), queue_.end(),
                                   [](const Message& m) { return m.kind == Message::Call; });
            if (it == queue_.end()) {
                wake_.wait(lk);
                continue;
            }
            Message m = std::move(*it);
            queue_.erase(it);
            lk.unlock();
            m.fn();
            NotifyChanges();
            lk.lock();
        }
    } else {
        std::unique_lock lk(mutex_);
        state_.wait(lk, [&] { return workers_.load() == 0; });
    }
    ReapWorkers();
}

bool UiThread::WaitIdle(uint64_t seq) {
    std::unique_lock lk(mutex_);
    state_.wait(lk, [&] {
        if (finished_) return true;
        // Idle after seq began: it is done, or it opened a loop that waits for more input.
        if (idle_ && startedInputSeq_ >= seq) return true;
        if (depth_.load() == 0 && started_ && handledInputSeq_ >= seq) return true;
        // Waiting for input that seq cannot be: a loop opened inside an input hold.
        return idle_ && holds_ > 0 && depth_.load() > gateDepth_;
    });
    return !finished_;
}

bool UiThread::WaitAllDone() {
    for (;;) {
        {
            std::unique_lock lk(mutex_);
            state_.wait(lk, [&] { return finished_ || workers_.load() == 0; });
            if (finished_) return false;
        }
        uint64_t seq = PostInput([] {});
        if (seq == 0 || !WaitIdle(seq)) return false;
        if (workers_.load() == 0) return true;
    }
}

bool UiThread::WaitStarted() {
    std::unique_lock lk(mutex_);
    state_.wait(lk, [&] { return started_ || finished_; });
    return !finished_;
}

void UiThread::Finish() {
    std::lock_guard lk(mutex_);
    finished_ = true;
    std::erase_if(queue_, [](const Message& m) { return m.kind == Message::Input; });
    state_.notify_all();
    wake_.notify_all();
}

bool UiThread::Finished() const {
    std::lock_guard lk(mutex_);
    return finished_;
}

int UiThread::MessageBox(Window* owner, const std::u16string& text, const std::u16string& caption,
                         unsigned type) {
    if (!IsUiThread()) return Call([&] { return MessageBox(owner, text, caption, type); });
    MessageBoxWindow box(owner, text, caption, type);
    box.Attach(*this, nullptr, 0);
    box.style_ |= WS_VISIBLE;
    PushWindow(&box, true);
    ForFrontEnds([&](FrontEnd& f) { f.MessageBoxShown(box); });
    RunModalLoop([&] { return box.Answered(); });
    PopWindow(&box, true);
    box.Detach();
    return box.Result();
}

int UiThread::TrackPopup(std::vector<MenuItem> items, Point at, Window* owner) {
    if (!IsUiThread()) return Call([&] { return TrackPopup(items, at, owner); });
    PopupMenuWindow menu(owner, std::move(items), at);
    menu.Attach(*this, nullptr, 0);
    menu.style_ |= WS_VISIBLE;
    PushWindow(&menu, false);
    ForFrontEnds([&](FrontEnd& f) { f.PopupMenuShown(menu); });
    RunModalLoop([&] { return menu.Done(); });
    PopWindow(&menu, false);
    menu.Detach();
    return menu.Chosen();
}

void UiThread::BeginWaitCursor() {
    waitCursor_.fetch_add(1);
    MarkChanged();
}

void UiThread::EndWaitCursor() {
    int n = waitCursor_.load();
    while (n > 0 && !waitCursor_.compare_exchange_weak(n, n - 1)) {
    }
    MarkChanged();
}

Window* UiThread::TopWindow() const {
    for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
        if ((*it)->IsWindowVisible()) return *it;
    return nullptr;
}

CDialog* UiThread::TopDialogBelow(Window* w) const {
    auto it = std::find(stack_.rbegin(), stack_.rend(), w);
    if (it == stack_.rend())
        it = stack_.rbegin();
    else
        ++it;
    for (; it != stack_.rend(); ++it)
        if (auto* d = dynamic_cast<CDialog*>(*it); d && d->IsWindow()) return d;
    return nullptr;
}

void UiThread::PushWindow(Window* w, bool activate) {
    CDialog* below = activate ? TopDialogBelow(nullptr) : nullptr;
    stack_.push_back(w);
    MarkChanged();
    ForFrontEnds([&](FrontEnd& f) { f.WindowOpened(*w); });
    if (below && below->IsWindowVisible()) below->OnActivate(WA_INACTIVE);
}

void UiThread::PopWindow(Window* w, bool activate) {
    auto it = std::find(stack_.begin(), stack_.end(), w);
    if (it == stack_.end()) return;
    bool wasTop = it + 1 == stack_.end();
    ForFrontEnds([&](FrontEnd& f) { f.WindowClosed(*w); });
    stack_.erase(std::find(stack_.begin(), stack_.end(), w));
    MarkChanged();
    if (activate && wasTop) {
        CDialog* below = TopDialogBelow(nullptr);
        if (below && below->IsWindowVisible()) below->OnActivate(WA_ACTIVE);
    }
}

void UiThread::AddFrontEnd(FrontEnd* frontEnd) {
    if (std::find(frontEnds_.begin(), frontEnds_.end(), frontEnd) == frontEnds_.end())
        frontEnds_.push_back(frontEnd);
}

void UiThread::RemoveFrontEnd(FrontEnd* frontEnd) {
    std::erase(frontEnds_, frontEnd);
}

}  // namespace tidy::ui
