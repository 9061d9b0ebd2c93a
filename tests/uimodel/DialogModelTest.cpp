// The dialog layer: waits that end by the answer or by the limit on a manual clock, with the
// controls disabled meanwhile; timers on the clock; range-checked reads of edit fields.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/AutoResetEvent.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "uimodel/DialogModel.h"
#include "uimodel/UiDispatcher.h"

namespace tavolux::test {

namespace {

constexpr int kEdit = 1000;
constexpr int kButton = 1001;
constexpr int kOff = 1002;  // a control that was disabled before the wait

// A model that lets the test reach the protected layer.
class ProbeModel final : public CDialogModel {
public:
    using CDialogModel::BeginWait;
    using CDialogModel::CancelWait;
    using CDialogModel::CDialogModel;
    using CDialogModel::ReadInt;
    using CDialogModel::ReadNumber;
    using CDialogModel::SetWaitControls;
    using CDialogModel::StartTimer;
    using CDialogModel::StopTimer;
};

struct DialogRig {
    DialogRig()
    {
        controls.Add({kEdit, kButton, kOff});
        controls.Enable(kOff, false);
        model.SetWaitControls({kEdit, kButton, kOff});
    }
    // Runs the dispatcher's batches (the UI thread's part) until f holds; bounded.
    template <class F>
    bool RunUntil(F f)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!f() && std::chrono::steady_clock::now() < deadline) {
            if (dispatcher.RunPending() == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return f();
    }

    CFakeDialogControls controls;
    CUiDispatcher dispatcher;
    CManualClock clock;
    AutoResetEvent answer;
    ProbeModel model{controls, dispatcher, clock};
};

}  // namespace

TEST(DialogWait, EndsByAnswerOrByLimit)
{
    struct Case {
        const char* name;
        bool answer;    // another thread sets the answer
        int advanceMs;  // then the clock moves on this far
        bool expected;  // what done hears
    };
    const Case cases[] = {
        {"answer", true, 0, true},
        {"answer before the limit", true, 4999, true},
        {"limit", false, 5000, false},
        {"long past the limit", false, 60000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DialogRig rig;
        std::vector<bool> outcomes;
        ASSERT_TRUE(rig.model.BeginWait(rig.answer, 5000,
                                        [&](bool answered) { outcomes.push_back(answered); }));
        // Waiting: the controls are disabled, the dialog cannot close, no second wait begins.
        EXPECT_TRUE(rig.model.IsWaiting());
        EXPECT_FALSE(rig.controls.IsEnabled(kEdit));
        EXPECT_FALSE(rig.controls.IsEnabled(kButton));
        EXPECT_FALSE(rig.model.OnClose());
        EXPECT_FALSE(rig.model.BeginWait(rig.answer, 1, [](bool) {}));
        std::thread printer([&] {
            if (c.answer) {
                rig.answer.Set();
            }
        });
        printer.join();
        rig.clock.Advance(c.advanceMs);
        ASSERT_TRUE(rig.RunUntil([&] { return !outcomes.empty(); }));
        EXPECT_EQ(outcomes, std::vector<bool>{c.expected});
        EXPECT_FALSE(rig.model.IsWaiting());
        // The controls are given back as they were.
        EXPECT_TRUE(rig.controls.IsEnabled(kEdit));
        EXPECT_TRUE(rig.controls.IsEnabled(kButton));
        EXPECT_FALSE(rig.controls.IsEnabled(kOff));
        EXPECT_TRUE(rig.model.OnClose());
        // An answer after the end is nobody's: the watcher is gone and does not take it.
        rig.answer.Set();
        rig.dispatcher.RunPending();
        EXPECT_EQ(outcomes.size(), 1u);
        EXPECT_TRUE(rig.answer.IsSet());
    }
}

TEST(DialogWait, CancelledOrDestroyedModelsHearNothing)
{
    DialogRig rig;
    int calls = 0;
    ASSERT_TRUE(rig.model.BeginWait(rig.answer, 100, [&](bool) { ++calls; }));
    rig.model.CancelWait();
    EXPECT_TRUE(rig.controls.IsEnabled(kEdit));
    EXPECT_FALSE(rig.controls.IsEnabled(kOff));
    rig.clock.Advance(1000);
    rig.answer.Set();
    rig.dispatcher.RunPending();
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(rig.answer.IsSet());

    // A model that goes away with its completion still queued: the completion does nothing.
    rig.answer.Reset();
    auto doomed = std::make_unique<ProbeModel>(rig.controls, rig.dispatcher, rig.clock);
    ASSERT_TRUE(doomed->BeginWait(rig.answer, 100, [&](bool) { ++calls; }));
    rig.answer.Set();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (rig.dispatcher.PendingCount() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(rig.dispatcher.PendingCount(), 1u);
    doomed.reset();
    EXPECT_EQ(rig.dispatcher.RunPending(), 1);
    EXPECT_EQ(calls, 0);
}

TEST(DialogTimers, FireOnTheClock)
{
    DialogRig rig;
    std::string fired;
    rig.model.StartTimer(3000, true, [&] { fired += "v"; });
    const int once = rig.model.StartTimer(1000, false, [&] { fired += "o"; });
    int stopper = 0;
    stopper = rig.model.StartTimer(500, true, [&] {
        fired += "s";
        rig.model.StopTimer(stopper);
    });
    EXPECT_EQ(rig.model.NextDueMs(), 500);
    // Steps of the clock and what fires at each.
    const std::pair<int, const char*> steps[] = {
        {499, ""}, {1, "s"}, {500, "o"}, {1999, ""}, {1, "v"}, {3000, "v"}, {9000, "v"},
    };
    for (const auto& [advance, expected] : steps) {
        fired.clear();
        rig.clock.Advance(advance);
        rig.model.Tick();
        EXPECT_EQ(fired, expected) << "at " << rig.clock.NowMs();
    }
    // The repeating timer that fell behind went on from now.
    EXPECT_EQ(rig.model.NextDueMs(), rig.clock.NowMs() + 3000);
    rig.model.StopTimer(once);  // already gone: nothing happens
}

TEST(DialogRead, NumbersInRange)
{
    struct Case {
        const char* text;
        bool whole;  // ReadInt, else ReadNumber
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"5", true, true, 5},
        {" 7 ", true, true, 7},
        {"+3", true, true, 3},
        {"-10", true, true, -10},
        {"10", true, true, 10},
        {"11", true, false, 0},
        {"-11", true, false, 0},
        {"", true, false, 0},
        {"4x", true, false, 0},
        {"4.5", true, false, 0},
        {"99999999999", true, false, 0},
        {"2.5", false, true, 2.5},
        {"-0.25", false, true, -0.25},
        {"1e1", false, true, 10},
        {"10.01", false, false, 0},
        {"nan", false, false, 0},
        {"inf", false, false, 0},
        {"1,5", false, false, 0},
        {".", false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        DialogRig rig;
        rig.controls.SetText(kEdit, c.text);
        bool ok = false;
        double value = 42;
        if (c.whole) {
            int v = 42;
            ok = rig.model.ReadInt(kEdit, -10, 10, v);
            value = v;
        } else {
            ok = rig.model.ReadNumber(kEdit, -10, 10, value);
        }
        EXPECT_EQ(ok, c.ok);
        EXPECT_DOUBLE_EQ(value, c.ok ? c.value : 42);
        if (c.ok) {
            EXPECT_TRUE(rig.controls.Messages().empty());
        } else {
            const int id = c.whole ? ids::kDialogWholeNumberRange : ids::kDialogNumberRange;
            EXPECT_EQ(rig.controls.Messages(),
                      std::vector<std::string>{FormatResString(id, {"-10", "10"})});
            EXPECT_EQ(rig.controls.Focus(), kEdit);
        }
    }
}

}  // namespace tavolux::test
