#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "TestDialogs.h"

using namespace tidy::ui;
using namespace tidy::ui::test;
using namespace std::chrono_literals;

namespace {

TEST(UiThread, SendRunsAtOnceOnTheUiThreadAndCarriesResultsAndExceptions) {
    UiThread ui;
    int ran = 0;
    ui.Send([&] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(ui.Call([] { return 42; }), 42);
    EXPECT_THROW(ui.Send([] { throw std::runtime_error("x"); }), std::runtime_error);

    // From a worker, the call waits for the user-interface thread and rethrows there.
    bool threw = false;
    std::thread::id where;
    ui.StartWorker([&] {
        where = ui.Call([] { return std::this_thread::get_id(); });
        try {
            ui.Send([] { throw std::runtime_error("worker"); });
        } catch (const std::runtime_error&) {
            threw = true;
        }
    });
    ui.WaitForWorkers();
    EXPECT_EQ(where, std::this_thread::get_id());
    EXPECT_TRUE(threw);
    EXPECT_EQ(ui.RunningWorkers(), 0);
}

TEST(UiThread, NestedModalLoopsDialogChildAndMessageBox) {
    UiThread ui(ScreenMetrics{}, TestResources());
    AutoAnswer yes(ui, IDYES);
    CTestDlg dlg(ui);
    // A person's steps, queued up front: each acts on whatever window is on top when it runs.
    ui.PostInput([&] { dlg.UserMenuCommand(40002); });  // opens the child (a nested loop)
    ui.PostInput([&] {
        auto* child = dynamic_cast<CDialog*>(ui.TopWindow());
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->GetWindowText(), u"Child");
        EXPECT_EQ(ui.ModalDepth(), 2);
        // A message box inside the child inside the dialog: three loops deep.
        int a = ui.MessageBox(child, u"Inner", u"Tidymatic", MB_YESNO);
        EXPECT_EQ(a, IDYES);
        child->UserEscape();
        // The next step is queued once this one is done, as a person taps after looking.
        ui.PostInput([&] { dlg.UserMenuCommand(2); });  // Exit
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(yes.shown, 1);
    EXPECT_EQ(ui.ModalDepth(), 0);
    EXPECT_TRUE(ui.TopLevelWindows().empty());
    std::vector<std::string> want = {"activate 1",     "command 40002", "activate 0",
                                     "child cancel",   "child destroy", "activate 1",
                                     "child result 2", "command 2",     "cancel"};
    EXPECT_EQ(dlg.log, want);
}

TEST(UiThread, SendFromAWorkerRunsWhileAMessageBoxWaits) {
    UiThread ui(ScreenMetrics{}, TestResources());
    CTestDlg dlg(ui);
    ASSERT_TRUE(dlg.Create());
    std::atomic<bool> box{false};
    ui.StartWorker([&] {
        // Wait until the box is up, then reach the list through the user-interface thread.
        while (!ui.Call([&] { return dynamic_cast<MessageBoxWindow*>(ui.TopWindow()) != nullptr; }))
            std::this_thread::sleep_for(1ms);
        box = true;
        ui.Send([&] { dlg.list_.SetItemText(0, 1, u"from worker"); });
        ui.PostInput([&] {
            auto* b = dynamic_cast<MessageBoxWindow*>(ui.TopWindow());
            ASSERT_NE(b, nullptr);
            b->Answer(IDOK);
        });
    });
    EXPECT_EQ(ui.MessageBox(&dlg, u"Wait", u"Tidymatic", MB_OK), IDOK);
    EXPECT_TRUE(box);
    EXPECT_EQ(dlg.list_.GetItemText(0, 1), u"from worker");
    ui.WaitForWorkers();
    dlg.DestroyWindow();
}

TEST(UiThread, InputGateHoldsInputWhileSendStillRuns) {
    UiThread ui;
    std::mutex m;
    std::vector<std::string> order;
    auto note = [&](const std::string& s) {
        std::lock_guard lk(m);
        order.push_back(s);
    };
    bool inputRan = false;
    ui.HoldInput();
    EXPECT_TRUE(ui.InputHeld());
    ui.PostInput([&] {
        note("input");
        inputRan = true;
    });
    ui.StartWorker([&] {
        // Plenty of time for the held input to run if the gate leaked.
        for (int i = 0; i < 5; ++i) {
            ui.Send([&] { note("send"); });
            std::this_thread::sleep_for(5ms);
        }
        ui.ReleaseInput();
    });
    ui.RunModalLoop([&] { return inputRan; });
    ui.WaitForWorkers();
    std::vector<std::string> want = {"send", "send", "send", "send", "send", "input"};
    EXPECT_EQ(order, want);
    EXPECT_FALSE(ui.InputHeld());
}

TEST(UiThread, ABoxShownInsideTheHoldCanBeAnsweredWhileEarlierInputWaits) {
    UiThread ui;
    std::vector<std::string> order;
    bool done = false;
    ui.HoldInput();
    ui.PostInput([&] {
        order.push_back("early input");
        done = true;
    });
    ui.StartWorker([&] {
        int a = ui.Call([&] { return ui.MessageBox(nullptr, u"From refresh", u"T", MB_YESNO); });
        ui.Send([&] { order.push_back("box " + std::to_string(a)); });
        ui.ReleaseInput();
    });
    // The answer comes after the box opened, so the box takes it despite the hold.
    ui.StartWorker([&] {
        while (!ui.Call([&] { return ui.TopWindow() != nullptr; }))
            std::this_thread::sleep_for(1ms);
        ui.PostInput([&] { static_cast<MessageBoxWindow*>(ui.TopWindow())->Answer(IDNO); });
    });
    ui.RunModalLoop([&] { return done; });
    ui.WaitForWorkers();
    std::vector<std::string> want = {"box 7", "early input"};
    EXPECT_EQ(order, want);
}

TEST(UiThread, WaitForWorkersServesTheWorkersLastSend) {
    UiThread ui;
    int value = 0;
    ui.StartWorker([&] {
        std::this_thread::sleep_for(10ms);
        ui.Send([&] { value = 1; });
    });
    ui.WaitForWorkers();  // would deadlock if it did not run the Send
    EXPECT_EQ(value, 1);
}

TEST(UiThread, WaitCursorNestsAndTheModelVersionMoves) {
    UiThread ui;
    uint64_t v = ui.Version();
    ui.BeginWaitCursor();
    ui.BeginWaitCursor();
    ui.EndWaitCursor();
    EXPECT_TRUE(ui.WaitCursorShown());
    ui.EndWaitCursor();
    EXPECT_FALSE(ui.WaitCursorShown());
    ui.EndWaitCursor();  // an extra end does not go below zero
    ui.BeginWaitCursor();
    EXPECT_TRUE(ui.WaitCursorShown());
    EXPECT_GT(ui.Version(), v);
}

TEST(UiThread, MessageBoxButtonsAndSafeAnswers) {
    UiThread ui;
    struct Case {
        unsigned type;
        std::vector<int> buttons;
        int safe, escape;
    } cases[] = {
        {MB_OK, {IDOK}, IDOK, IDOK},
        {MB_OKCANCEL, {IDOK, IDCANCEL}, IDCANCEL, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, {IDYES, IDNO}, IDNO, 0},
        {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}, IDNO, IDCANCEL},
    };
    for (const auto& c : cases) {
        struct Probe : FrontEnd {
            void MessageBoxShown(MessageBoxWindow& box) override {
                buttons = box.Buttons();
                safe = box.SafeAnswer();
                escape = box.EscapeAnswer();
                refused = !box.Answer(4242);  // no such button
                box.Answer(safe);
            }
            std::vector<int> buttons;
            int safe = 0, escape = 0;
            bool refused = false;
        } probe;
        ui.AddFrontEnd(&probe);
        EXPECT_EQ(ui.MessageBox(nullptr, u"t", u"c", c.type), c.safe);
        ui.RemoveFrontEnd(&probe);
        EXPECT_EQ(probe.buttons, c.buttons);
        EXPECT_EQ(probe.escape, c.escape);
        EXPECT_TRUE(probe.refused);
    }
}

TEST(UiThread, ScreenChangeResizesOpenDialogs) {
    UiThread ui(ScreenMetrics{}, TestResources());
    struct Sized : CDialog {
        using CDialog::CDialog;
        void OnSize(int, int cx, int cy) override { sizes.emplace_back(cx, cy); }
        std::vector<std::pair<int, int>> sizes;
    } dlg(ui, 901);
    ASSERT_TRUE(dlg.Create());
    ScreenMetrics vga;
    vga.width = 480;
    vga.height = 640;
    vga.captionHeight = 52;
    vga.menuHeight = 52;
    ui.SetScreen(vga);
    std::vector<std::pair<int, int>> want = {{240, 268}, {480, 536}};
    EXPECT_EQ(dlg.sizes, want);
    // Controls made afterwards use the doubled dialog units.
    EXPECT_EQ(vga.DluToPixels(Rect{0, 0, 4, 8}), (Rect{0, 0, 14, 32}));
    dlg.DestroyWindow();
}

}  // namespace
