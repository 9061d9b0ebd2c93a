// The task row during and after a print.
#include "uimodel/TaskRowFeedback.h"

#include "res/StringIds.h"
#include "tasks/TaskList.h"

namespace tavolux {

CTaskRowFeedback::CTaskRowFeedback(CTaskList& list, int index, IJobRunnerObserver* next)
    : m_list(list), m_index(index), m_next(next)
{
}

void CTaskRowFeedback::Started()
{
    m_list.SetTaskStatus(m_index, ids::kTaskPrinting);
}

void CTaskRowFeedback::CopyStarted(const std::string& text)
{
    m_list.SetCopiesText(m_index, text);
    m_list.SetRemainingTime(m_index, {});
    if (m_next) {
        m_next->CopyStarted(text);
    }
}

void CTaskRowFeedback::PassSent(int sent, int total)
{
    if (m_next) {
        m_next->PassSent(sent, total);
    }
}

void CTaskRowFeedback::RemainingTime(const std::string& text)
{
    m_list.SetRemainingTime(m_index, text);
    if (m_next) {
        m_next->RemainingTime(text);
    }
}

void CTaskRowFeedback::Suspended(int resumeLine)
{
    m_list.SetTaskStatus(m_index, ids::kTaskSuspended);
    if (m_next) {
        m_next->Suspended(resumeLine);
    }
}

void CTaskRowFeedback::JobFinished(const JobResult& result)
{
    if (result.completed) {
        m_list.SetResumePoint(m_index, false, result.resumeLine);
        m_list.SetTaskStatus(m_index, ids::kTaskReady);
    } else {
        // Without a resume flag (a later copy failed after the first was printed) the next
        // print starts at the top; a saved suspended task resumes, so the line is the top then.
        m_list.SetResumePoint(m_index, result.resume, result.resume ? result.resumeLine : 0);
        m_list.SetTaskStatus(m_index, ids::kTaskSuspended);
    }
    m_list.SetRemainingTime(m_index, {});
    m_list.SaveTask(m_index);
    if (m_next) {
        m_next->JobFinished(result);
    }
}

}  // namespace tavolux
