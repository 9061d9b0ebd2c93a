// The status poll thread: the only reader of printer replies. It keeps the link up, turns
// replies into machine states and reply events, and downloads the head settings on ready.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/AutoResetEvent.h"

namespace tavolux {

class CMachineState;
class CPrinterConfig;
class CVemoDeviceInterface;
struct PrinterStatusBlock;
struct ReplyEvents;

class CStatusPoller {
public:
    static constexpr int kReconnectPauseMs = 2000;  // between reopen attempts
    static constexpr int kReconnectAttempts = 3;
    static constexpr int kReadySettleMs = 1000;  // after ready, before the download
    static constexpr int kIdlePaceMs = 5;        // after an empty reply
    static constexpr int kNoJog = -1;

    // Waits ms milliseconds or until woken by StopPolling; returns early when woken.
    using WaitFunction = std::function<void(int ms)>;

    CStatusPoller(CVemoDeviceInterface& device, CMachineState& machine,
                  const CPrinterConfig& config, PrinterStatusBlock& block, ReplyEvents& events);
    ~CStatusPoller();  // stops the thread
    CStatusPoller(const CStatusPoller&) = delete;
    CStatusPoller& operator=(const CStatusPoller&) = delete;

    // Replaces the 2000 ms and 1000 ms pauses (tests: no real seconds).
    void SetWaitFunction(WaitFunction wait);
    // Called with every status code acted on, before the action: on the poll thread (off the UI
    // thread), or on the caller of PollOnce/Act. No lock is held: it may replace the hooks.
    void SetStatusObserver(std::function<void(int status)> observer);

    // Starts the poll thread (once).
    void Start();
    // Sets StopPolling and waits for PollThreadExited (bounded: timeoutMs, then a log line and
    // the join waits for the transfer under way, at most one reply read). Safe to call twice.
    void Stop(int timeoutMs = 5000);

    // The reconnect routine; also the reset command of the main frame (any thread). Returns at
    // once when another thread is already running it.
    void ReconnectRoutine();
    // One reply read and its action, as the thread does it; false when a reconnect is due.
    bool PollOnce();
    // The action for one status code; false when a reconnect is due.
    bool Act(int status);

    bool StopPolling() const { return m_stopPolling.load(); }
    AutoResetEvent& PollThreadExited() { return m_exited; }
    int PendingJog() const { return m_pendingJog.load(); }

private:
    void Run();
    void Pause(int ms);
    // The routine itself; caller holds m_reconnectMutex. False when the link stayed down.
    bool Reconnect();

    CVemoDeviceInterface& m_device;
    CMachineState& m_machine;
    const CPrinterConfig& m_config;
    PrinterStatusBlock& m_block;
    ReplyEvents& m_events;

    std::atomic<bool> m_stopPolling{false};
    AutoResetEvent m_exited;  // PollThreadExited
    AutoResetEvent m_wake;    // cuts a pause short when polling stops
    std::atomic<int> m_pendingJog{kNoJog};
    std::mutex m_reconnectMutex;  // the UI's reset and the poll thread never reopen together
    std::mutex m_hookMutex;       // guards the two hooks
    WaitFunction m_wait;
    std::function<void(int)> m_statusObserver;
    std::thread m_thread;
};

}  // namespace tavolux
