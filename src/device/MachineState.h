// The printer's state as the program sees it, and the gate that lets each operator command
// through only in the states where it makes sense.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace tavolux {

class IStateDisplay;

enum class MachineState : uint8_t {
    Offline = 0,            // no link to the printer
    Starting = 1,           // reset sent, waiting for ready
    Ready = 2,              // idle and answering
    Moving = 3,             // a jog move runs
    MeasuringMedia = 4,     // the media edges are being measured
    CleaningRequested = 5,  // single-colour cleaning asked for
    Purging = 6,            // the purge dialog is open
    PurgeStep = 7,          // one purge step runs
    Flash = 8,              // flash spraying
    FlashReturning = 9,     // returning from flash spraying
    Printing = 10,          // a job runs
    PauseRequested = 11,    // the job is asked to pause
    ResumeRequested = 12,   // the job is asked to resume
    CancelRequested = 13,   // the job is asked to stop
    Unused = 14,            // never entered
};

// Operations asked of the gate, numbered from 0 in this order.
namespace gate {
enum : int {
    kMove,
    kMeasure,
    kClean,
    kPurge,
    kPurgeStep,
    kFlash,
    kFlashReturn,
    kPrint,
    kPause,
    kResume,
    kCancel,
    kReset,
    kSettingsDialog,
    kSaveCalibration,
    kRestoreCalibration,
    kUvLamp,
};
}  // namespace gate

class CMachineState {
public:
    static constexpr int kStates = 15;

    // Texts go to display (which must outlive this object); null shows nothing.
    explicit CMachineState(IStateDisplay* display);

    // Fills OperationGate when the printer talks to the program (intercommunication > 0);
    // otherwise the lists stay empty and every gated command is refused.
    void BuildGate(int intercommunication);
    const std::vector<int>& OperationGate(MachineState state) const;

    // True when operation is permitted now; operations 0 to 11 then switch to their state and
    // show its text. Otherwise shows "function not available" and changes nothing.
    bool Gate(int operation);
    // Ends a jog move: back to ready, or to flash spraying when the move started there.
    void EndMove();

    MachineState Get() const { return m_state.load(); }
    // Sets the state and shows its text.
    void Set(MachineState state);

    bool ReturnToFlash() const { return m_returnToFlash.load(); }
    void SetReturnToFlash(bool on) { m_returnToFlash.store(on); }

    // The state line text of a state (a resource id; 0 for the unused state).
    static int StatusTextId(MachineState state);
    void ShowState(int stringId);
    void ShowMessage(int stringId);

    // Called with each new state on the thread that set it: the poll thread, a job thread or
    // the UI thread, so a view must expect it off the UI thread. No lock is held: the observer
    // may call back into the machine. When threads set states at once, the newest state is the
    // last one passed.
    void SetObserver(std::function<void(MachineState)> observer);

private:
    // Calls the observer and shows the state's text, with no lock held.
    void Announce(MachineState state);

    IStateDisplay* m_display;
    std::atomic<MachineState> m_state{MachineState::Offline};
    std::atomic<bool> m_returnToFlash{false};
    // Makes the gate's check-then-set one step: the UI, poll and print threads all use it.
    std::recursive_mutex m_gateMutex;
    std::array<std::vector<int>, kStates> m_gate;  // written once by BuildGate
    std::mutex m_observerMutex;
    std::function<void(MachineState)> m_observer;  // guarded by m_observerMutex
};

}  // namespace tavolux
