// One print job: the calling thread builds the passes, a feeder thread transfers their raster
// and queues their descriptors, and a sender thread issues each pass header in step with the
// printer's pass-done replies. Pause, resume and cancel come through the machine state.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/PassDescriptor.h"
#include "job/PassSource.h"
#include "platform/AutoResetEvent.h"
#include "print/PassGenerator.h"

namespace tavolux {

class CKtUSB;
class CMachineState;
class CPrinterConfig;
class CRandomSource;
struct ReplyEvents;

// What the job talks to; all of it outlives the job.
struct JobDevice {
    const CPrinterConfig& config;
    CKtUSB& device;
    CMachineState& machine;
    ReplyEvents& events;
};

// How long the job waits for each answer of the printer before it gives up on the job.
struct JobLimits {
    int syncMs = 10000;         // SyncAck after SyncRequest
    int moveMs = 60000;         // MoveDone of the feed to the start position
    int flashMs = 30000;        // PassAck of an in-print flash
    int passMs = 0;             // PassDone of a pass; 0: the device's data time-out
    int sliceMs = 10;           // granularity at which waits notice a stop
    int progressSliceMs = 500;  // the job thread's check of the machine state while draining
    int slantPauseMs = 1950;    // the head slant check's pause after each slant parameter
};

// Told about the job's progress, never on the UI thread and with no lock of the job held: PassSent
// and RemainingTime on the sender thread (the final empty RemainingTime on the feeder), Suspended
// on the thread that runs the job. A view hands what it shows over to the UI thread.
class IJobObserver {
public:
    virtual ~IJobObserver() = default;
    // sent: passes done so far, blank passes skipped before the one just sent included.
    virtual void PassSent(int /*sent*/, int /*total*/) {}
    virtual void RemainingTime(const std::string& /*text, empty when unknown*/) {}
    virtual void Suspended(int /*resumeLine*/) {}
};

class CPrintJob {
public:
    // startPosition: carriage pulses of the feed to the start (negative counts as 0).
    CPrintJob(const JobDevice& env, const PassTask& task, int startPosition, CRandomSource& random,
              IJobObserver* observer = nullptr);
    // A job whose passes come from source (a test chart) instead of the task's file; source
    // outlives the job.
    CPrintJob(const JobDevice& env, const PassTask& task, int startPosition, CRandomSource& random,
              CPassSource& source, IJobObserver* observer = nullptr);
    ~CPrintJob();
    CPrintJob(const CPrintJob&) = delete;
    CPrintJob& operator=(const CPrintJob&) = delete;

    void SetLimits(const JobLimits& limits) { m_limits = limits; }
    // The sender may start a pass as soon as it is queued (test patterns).
    void SetNoLookAhead(bool on) { m_noLookAhead = on; }
    // Off: the carriage is where the caller put it, and the job sends no feed to the start
    // before its set-up (the head slant check moves it itself, and only to a fixed origin).
    void SetStartFeed(bool on) { m_startFeed = on; }

    // Runs the whole job on the calling thread. True when every pass was sent and the printer
    // reported the last one finished; false when stopped or failed (ErrorText, Stopped).
    bool Run();

    // Consults the machine state: true to go on. On a pause it holds the job until the
    // operator resumes or cancels. stopped is set when the operator stopped the job; false
    // without it is a failure (ErrorText).
    bool CheckRequest(bool& stopped);

    bool Stopped() const { return m_stopped.load(); }
    bool Aborted() const { return m_abort.load(); }
    // The image line at which a stopped or failed job resumes.
    int StopLine() const { return m_stopLine; }
    int PassesSent() const { return m_passesSent.load(); }
    int TotalPasses() const { return m_source->TotalPasses(); }
    int CopyGap() const { return m_source->CopyGap(); }
    std::string ErrorText() const;

private:
    struct HandOver {
        PassDescriptor descriptor;
        int64_t words = 0;
        int buffer = 0;
        int fedLines = 0;  // image lines fed once this pass is printed
        int64_t buildStartMs = 0;
        int64_t buildMs = 0;
    };
    // A pass in the queue, with what the pass-time log needs.
    struct QueuedPass {
        PassDescriptor descriptor;
        int fedLines = 0;
        int64_t buildStartMs = 0;
        int64_t buildMs = 0;
        int64_t transferMs = 0;
    };
    enum RunState : int { kHold = 0, kStop = 1, kRun = 2 };

    bool RunPasses();
    bool StartJob();
    void Feeder();
    void Sender();
    bool SendPass(int index, const PassDescriptor& d);
    bool WaitEvent(AutoResetEvent& event, int timeoutMs, bool stopOnRequest);
    bool Held() const;  // the sender must not start the next pass yet
    bool WaitForState(std::initializer_list<int> states, int timeoutMs);
    void Fail(const std::string& text);
    void Fail(int messageId);  // the text of a string resource, in the current language
    void ComputeStopLine(bool notify);
    // With IsDebug: one line per pass in passtime.txt beside the program (sender only).
    void LogPassTime(int index, const QueuedPass& pass, int64_t waitMs) const;
    int PassTimeoutMs() const;

    JobDevice m_env;
    PassTask m_task;
    int m_startPosition;
    int m_stopLine;
    IJobObserver* m_observer;
    JobLimits m_limits;
    bool m_noLookAhead = false;
    bool m_startFeed = true;  // see SetStartFeed
    CPassGenerator m_generator;
    CRipPassSource m_ripSource{m_generator};
    CPassSource* m_source;                // m_ripSource, or the chart's passes
    std::filesystem::path m_snapshotDir;  // where the debug pass snapshots go; empty: none

    std::vector<uint16_t> m_transfer[2];
    int m_fillIndex = 0;

    // Events between the three threads.
    AutoResetEvent m_bufferFree;
    AutoResetEvent m_passReady;
    AutoResetEvent m_senderFinished;
    AutoResetEvent m_jobEnd;
    AutoResetEvent m_jobBegun;  // job set-up and begin-job were sent

    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_producerDone{false};
    std::atomic<bool> m_feederDone{false};
    std::atomic<int> m_runState{kRun};
    std::atomic<bool> m_stopped{false};
    std::atomic<int> m_passesSent{0};
    std::atomic<bool> m_lastAcknowledged{false};

    std::mutex m_handMutex;  // guards m_hand
    HandOver m_hand;

    std::mutex m_queueMutex;  // guards m_queue; m_queueChanged tells the sender
    std::condition_variable m_queueChanged;
    std::deque<QueuedPass> m_queue;
    std::atomic<int> m_fedSent{0};  // lines fed by the passes the printer was sent

    mutable std::mutex m_errorMutex;  // guards m_error
    std::string m_error;

    bool m_started = false;
    int m_handedOver = 0;
    int64_t m_pass0Ms = 0;  // sender only
    std::thread m_feeder;
    std::thread m_sender;
};

}  // namespace tavolux
