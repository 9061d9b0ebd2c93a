// The base of every dialog's model: controls by id, range-checked reads, timers on a clock, and
// waits for the printer that never block the user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "uimodel/DialogControls.h"

namespace tavolux {

class AutoResetEvent;
class CUiDispatcher;
class CVemoDeviceInterface;

class CDialogModel {
public:
    // How often the watcher of a wait looks at the clock while no answer has come.
    static constexpr int kWatchSliceMs = 10;

    // controls, dispatcher and clock must outlive the model. UI thread only, except where said.
    CDialogModel(IDialogControls& controls, CUiDispatcher& dispatcher, IClock& clock);
    virtual ~CDialogModel();  // ends a wait without completing it; stops every timer
    CDialogModel(const CDialogModel&) = delete;
    CDialogModel& operator=(const CDialogModel&) = delete;

    // The dialog is shown: fill the controls, start what it starts.
    virtual void OnInit() {}
    // A button was pressed or a control changed.
    virtual void OnCommand(int id) { (void)id; }
    // The window's close box; true when the dialog may close. Never while a wait runs.
    virtual bool OnClose() { return !IsWaiting(); }

    // Fires the timers that are due on the clock; the view calls it from a periodic window
    // timer, tests after moving a manual clock.
    void Tick();
    // When Tick next has work (ms on the clock); -1 when no timer runs.
    int64_t NextDueMs() const;
    bool IsWaiting() const { return m_waiting; }

protected:
    using TimerId = int;

    IDialogControls& Controls() { return m_controls; }
    IClock& Clock() { return m_clock; }

    // Fires fire every periodMs on the clock (once when repeat is false), from Tick. A
    // repeating timer that fell behind fires once and goes on from now.
    TimerId StartTimer(int periodMs, bool repeat, std::function<void()> fire);
    void StopTimer(TimerId id);

    // The controls a wait disables (and afterwards gives back their former state).
    void SetWaitControls(std::vector<int> ids) { m_waitControls = std::move(ids); }

    // Begins waiting for answer, which another thread sets when the printer replies: the wait
    // controls are disabled, and on the UI thread, through the dispatcher, done(true) runs when
    // the answer comes or done(false) once limitMs have passed on the clock without it; the
    // controls are given back first. Returns at once; false (and nothing begins) while another
    // wait runs. The answer event must outlive the wait.
    bool BeginWait(AutoResetEvent& answer, int limitMs, std::function<void(bool answered)> done);
    // A query: answer is cleared (a reply left over from an abandoned request must not answer
    // this one), operation goes out on device, and the wait for answer begins. False, and no
    // wait, when another wait runs (nothing is sent then) or when the send failed.
    bool BeginQuery(CVemoDeviceInterface& device, int operation, int32_t argument,
                    AutoResetEvent& answer, int limitMs, std::function<void(bool answered)> done);
    // Ends a running wait without calling its done.
    void CancelWait();

    // Reads an edit field as a whole number (or any number) from least to greatest. Outside
    // the range or not a number: shows a message saying the range, puts the focus on the
    // field, and returns false with value unchanged.
    bool ReadInt(int id, int least, int greatest, int& value);
    bool ReadNumber(int id, double least, double greatest, double& value);

private:
    struct Timer {
        TimerId id;
        int64_t dueMs;
        int periodMs;
        bool repeat;
        std::function<void()> fire;
    };
    void Complete(uint64_t generation, bool answered);
    void StopWatcher();

    IDialogControls& m_controls;
    CUiDispatcher& m_dispatcher;
    IClock& m_clock;
    // Closures posted to the dispatcher hold it weakly: one that runs after the model is gone
    // does nothing (both run on the UI thread).
    std::shared_ptr<int> m_life = std::make_shared<int>(0);

    std::vector<Timer> m_timers;
    TimerId m_nextTimer = 1;

    std::vector<int> m_waitControls;
    std::vector<std::pair<int, bool>> m_savedEnabled;  // the wait controls' state before it
    bool m_waiting = false;
    uint64_t m_generation = 0;  // tells a late completion of an ended wait from the current one
    std::function<void(bool)> m_done;
    std::shared_ptr<std::atomic<bool>> m_stopWatch;
    std::thread m_watcher;  // waits for the answer or the limit and posts the outcome
};

}  // namespace tavolux
