// The job thread: prints every copy of a task one after the other, carries the copy gap and
// the resume line from copy to copy, and sends the end-of-job commands.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "job/PrintJob.h"

namespace tavolux {

struct JobRequest {
    PassTask task;  // task.resume / task.resumeLine: the first copy starts there
    int copies = 1;
    int startPosition = 0;  // carriage pulses of the feed to the start
};

// What a finished request leaves for the task.
struct JobResult {
    bool completed = false;  // every copy: every pass sent and acknowledged
    bool stopped = false;    // the operator stopped it (or the printer dropped off)
    bool resume = false;     // the next print of the task starts at resumeLine
    int resumeLine = 0;
    int copiesDone = 0;
    std::string error;  // why it failed, empty when it did not
};

// The job runner's reports add to those of each copy, on the thread that runs the copies (the job
// thread of Start, or the caller of RunCopies), with no lock held.
class IJobRunnerObserver : public IJobObserver {
public:
    // "copies(copy)" as the task row shows it, at the start of each copy.
    virtual void CopyStarted(const std::string& /*text*/) {}
    // The copies are over (printed, stopped or failed), before the end-of-job commands and
    // before the machine returns to ready; on the job thread.
    virtual void JobFinished(const JobResult& /*result*/) {}
};

class CJobRunner {
public:
    CJobRunner(const JobDevice& env, CRandomSource& random, IJobRunnerObserver* observer = nullptr);
    ~CJobRunner();  // waits for the job thread
    CJobRunner(const CJobRunner&) = delete;
    CJobRunner& operator=(const CJobRunner&) = delete;

    void SetLimits(const JobLimits& limits) { m_limits = limits; }

    // Prints all copies on the calling thread.
    JobResult RunCopies(const JobRequest& request);
    // The same on the job thread; false when a job is still running.
    bool Start(const JobRequest& request);
    bool Running() const { return m_running.load(); }
    // Waits for the job thread and gives its result.
    JobResult Wait();

private:
    void EndOfJob(const JobRequest& request);

    JobDevice m_env;
    CRandomSource& m_random;
    IJobRunnerObserver* m_observer;
    JobLimits m_limits;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::mutex m_resultMutex;  // guards m_result
    JobResult m_result;
};

}  // namespace tavolux
