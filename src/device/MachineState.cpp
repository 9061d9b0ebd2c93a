// The gate lists, the gate and the state texts.
#include "device/MachineState.h"

#include <algorithm>

#include "device/StateDisplay.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {

// The state each gated operation enters; -1: unchanged.
constexpr std::array<int, 16> kNewState = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 1, -1, -1, -1, -1};
// Gate's note that the operation was refused.
constexpr int kRefused = -2;

}  // namespace

CMachineState::CMachineState(IStateDisplay* display) : m_display(display) {}

void CMachineState::BuildGate(int intercommunication)
{
    std::lock_guard lock(m_gateMutex);
    for (auto& list : m_gate) {
        list.clear();
    }
    if (intercommunication <= 0) {
        return;
    }
    const std::array<std::vector<int>, kStates> lists = {{
        {11},                                    // 0 offline
        {11},                                    // 1 starting
        {0, 1, 2, 5, 7, 11, 12, 13, 14, 15, 2},  // 2 ready
        {11},                                    // 3
        {11},                                    // 4
        {11},                                    // 5
        {3, 4, 11},                              // 6 purging
        {11},                                    // 7
        {6, 11, 0},                              // 8 flash: a move may start and return here
        {11},                                    // 9
        {8, 10, 11},                             // 10 printing
        {9, 10, 11},                             // 11 paused
        {11},                                    // 12
        {11},                                    // 13
        {11},                                    // 14
    }};
    m_gate = lists;
}

const std::vector<int>& CMachineState::OperationGate(MachineState state) const
{
    return m_gate[static_cast<size_t>(state)];
}

int CMachineState::StatusTextId(MachineState state)
{
    switch (state) {
        case MachineState::Offline:
        case MachineState::Starting:
            return ids::kStateOffline;
        case MachineState::Ready:
            return ids::kStateReady;
        case MachineState::Moving:
            return ids::kStateMoving;
        case MachineState::MeasuringMedia:
            return ids::kStateMeasuring;
        case MachineState::CleaningRequested:
        case MachineState::Purging:
        case MachineState::PurgeStep:
            return ids::kStateFlushing;
        case MachineState::Flash:
        case MachineState::FlashReturning:
            return ids::kStateFlash;
        case MachineState::Printing:
        case MachineState::CancelRequested:
            return ids::kStatePrinting;
        case MachineState::PauseRequested:
        case MachineState::ResumeRequested:
            return ids::kStatePaused;
        case MachineState::Unused:
            return 0;
    }
    return 0;
}

void CMachineState::ShowState(int stringId)
{
    if (m_display && stringId != 0) {
        m_display->SetState(LoadResString(stringId));
    }
}

void CMachineState::ShowMessage(int stringId)
{
    if (m_display) {
        m_display->ShowNotice(LoadResString(stringId));
    }
}

void CMachineState::SetObserver(std::function<void(MachineState)> observer)
{
    std::lock_guard lock(m_observerMutex);
    m_observer = std::move(observer);
}

void CMachineState::Announce(MachineState state)
{
    // No lock is held here: an observer may call back into the machine, or wait for a thread
    // that does, without a deadlock.
    for (;;) {
        std::function<void(MachineState)> observer;
        {
            std::lock_guard lock(m_observerMutex);
            observer = m_observer;
        }
        if (observer) {
            observer(state);
        }
        ShowState(StatusTextId(state));
        // A thread that set another state meanwhile may have shown it before this one: the
        // newest state is shown last.
        const MachineState now = m_state.load();
        if (now == state) {
            return;
        }
        state = now;
    }
}

void CMachineState::Set(MachineState state)
{
    {
        std::lock_guard lock(m_gateMutex);
        m_state.store(state);
    }
    Announce(state);
}

bool CMachineState::Gate(int operation)
{
    int next = -1;
    {
        std::lock_guard lock(m_gateMutex);
        const auto& list = m_gate[static_cast<size_t>(m_state.load())];
        const bool permitted = operation >= 0 && operation <= gate::kUvLamp &&
                               std::find(list.begin(), list.end(), operation) != list.end();
        if (permitted) {
            next = kNewState[static_cast<size_t>(operation)];
            if (operation == gate::kMove && m_returnToFlash.load()) {
                next = static_cast<int>(MachineState::Flash);
            }
            if (next >= 0) {
                m_state.store(static_cast<MachineState>(next));
            }
        } else {
            next = kRefused;
        }
    }
    if (next == kRefused) {
        ShowMessage(ids::kFunctionInvalid);
        return false;
    }
    if (next >= 0) {
        Announce(static_cast<MachineState>(next));
    }
    return true;
}

void CMachineState::EndMove()
{
    MachineState next = MachineState::Ready;
    {
        std::lock_guard lock(m_gateMutex);
        if (m_returnToFlash.exchange(false)) {
            next = MachineState::Flash;
        }
        m_state.store(next);
    }
    Announce(next);
}

}  // namespace tavolux
