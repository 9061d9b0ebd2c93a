// What a print job writes back into the row of the task it prints: the state, the copy being
// printed, the remaining time, and where the next print starts, saved so that a restart keeps it.
// Its reports arrive on the job's threads; the task list hands the row changes to the UI thread.
#pragma once

#include "job/JobRunner.h"

namespace tavolux {

class CTaskList;

class CTaskRowFeedback : public IJobRunnerObserver {
public:
    // Follows the task at index of list; every report is passed on to next as well (may be null).
    CTaskRowFeedback(CTaskList& list, int index, IJobRunnerObserver* next = nullptr);

    // The job is about to start: the row shows "打印".
    void Started();

    void CopyStarted(const std::string& text) override;
    void PassSent(int sent, int total) override;
    void RemainingTime(const std::string& text) override;
    void Suspended(int resumeLine) override;
    // A complete print shows "就绪" and starts the next print at the top; anything else shows
    // "挂起" and keeps where the job stopped. Either way the list is saved.
    void JobFinished(const JobResult& result) override;

private:
    CTaskList& m_list;
    int m_index;
    IJobRunnerObserver* m_next;
};

}  // namespace tavolux
