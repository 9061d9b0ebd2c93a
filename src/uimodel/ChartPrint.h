// The main frame's test prints: one chart at a time on a thread of its own, so that the window
// stays live (and can cancel, pause, resume) while the chart's passes go out.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "job/PrintJob.h"

namespace tavolux {

class CRandomSource;

// How a chart ended.
struct ChartOutcome {
    bool printed = false;  // every pass was printed
    bool stopped = false;  // the operator stopped it (or the printer dropped off)
    // What the operator is still to be told: the runner's reason, or empty when there is none
    // or it was shown already (the gate's notice, the too-wide message of the runner).
    std::string message;
};

class CChartPrinter {
public:
    using DoneFn = std::function<void(const ChartOutcome&)>;

    // env and random outlive this object.
    CChartPrinter(const JobDevice& env, CRandomSource& random);
    ~CChartPrinter();  // joins the chart thread
    CChartPrinter(const CChartPrinter&) = delete;
    CChartPrinter& operator=(const CChartPrinter&) = delete;

    void SetLimits(const JobLimits& limits) { m_limits = limits; }
    // Runs on the chart thread after a chart that was stopped or failed mid-print.
    void SetOnStopped(std::function<void()> onStopped) { m_onStopped = std::move(onStopped); }

    // Starts test index with the runner of the configured head arrangement and the glyph files
    // beside the program; done is called on the chart thread when it ends. False, and nothing
    // starts, while a chart still runs. UI thread.
    bool Start(int index, DoneFn done);
    // True from Start until the chart thread has ended (done called included).
    bool Running() const { return m_running.load(); }
    // Waits at most limitMs for the chart thread to end; true when it has ended and is joined.
    bool Wait(int limitMs);
    // Waits for the chart thread, however long its bounded waits take.
    void Join();

private:
    JobDevice m_env;
    CRandomSource& m_random;
    JobLimits m_limits;
    std::function<void()> m_onStopped;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::mutex m_endMutex;  // guards nothing but the end notice below
    std::condition_variable m_ended;
};

}  // namespace tavolux
