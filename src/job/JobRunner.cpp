// Copies, copy gap, resume line and the commands that end a job.
#include "job/JobRunner.h"

#include <cstdio>

#include "config/PrinterConfig.h"
#include "device/KtUSB.h"
#include "device/MachineState.h"
#include "device/Protocol.h"
#include "device/ReplyEvents.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

CJobRunner::CJobRunner(const JobDevice& env, CRandomSource& random, IJobRunnerObserver* observer)
    : m_env(env), m_random(random), m_observer(observer)
{
}

CJobRunner::~CJobRunner()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CJobRunner::Start(const JobRequest& request)
{
    if (m_running.exchange(true)) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_thread = std::thread([this, request] {
        JobResult result = RunCopies(request);
        {
            std::lock_guard lock(m_resultMutex);
            m_result = std::move(result);
        }
        m_running = false;
    });
    return true;
}

JobResult CJobRunner::Wait()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
    std::lock_guard lock(m_resultMutex);
    return m_result;
}

JobResult CJobRunner::RunCopies(const JobRequest& request)
{
    JobResult result;
    result.resume = request.task.resume;
    result.resumeLine = request.task.resumeLine;
    const int copies = request.copies;
    int gap = 0;
    bool ok = copies >= 1;
    for (int c = 1; c <= copies; ++c) {
        PassTask task = request.task;
        task.multiCopy = copies > 1;
        task.incomingCopyGap = c > 1 ? gap : 0;
        // Only the first copy resumes; the later ones start at the top.
        task.resume = c == 1 && request.task.resume;
        if (m_observer) {
            char text[32];
            std::snprintf(text, sizeof text, "%d(%d)", copies, c);
            m_observer->CopyStarted(text);
        }
        CPrintJob job(m_env, task, request.startPosition, m_random, m_observer);
        job.SetLimits(m_limits);
        ok = job.Run();
        gap = job.CopyGap();
        if (ok) {
            ++result.copiesDone;
            if (c == 1) {
                result.resume = false;
                result.resumeLine = request.task.resumeLine;
            }
        } else {
            result.stopped = job.Stopped();
            result.error = job.ErrorText();
            // The copy is printed again from where it stopped.
            result.resume = true;
            result.resumeLine = job.StopLine();
            break;
        }
        if (c < copies && !m_env.events.SyncAck.Wait(m_limits.syncMs)) {
            // The sync that ended the copy was not answered: the printer is gone.
            ok = false;
            result.error = LoadResString(ids::kJobNoSyncBetweenCopies);
            break;
        }
    }
    result.completed = ok && result.copiesDone == copies;
    if (m_observer) {
        // The task row is final before the machine is ready for the next print of it.
        m_observer->JobFinished(result);
    }
    EndOfJob(request);
    return result;
}

void CJobRunner::EndOfJob(const JobRequest& request)
{
    const auto& p = m_env.config.params;
    auto& device = m_env.device;
    if (p.PrintVer % 2 == 1) {
        device.SendCommand(wire::op::kEndJob, wire::op::kNoArgument);
        if (p.IfAutoControl != 0) {
            device.SendCommand(wire::op::kBeamRaise, wire::op::kNoArgument);
        }
    } else {
        // Back from the print position to the start; bounded, a silent printer ends it.
        m_env.events.MoveDone.Reset();
        if (device.SendCommand(wire::op::kFeedMedia, request.startPosition) >= 0) {
            m_env.events.MoveDone.Wait(m_limits.moveMs);
        }
    }
    const auto state = m_env.machine.Get();
    if (state == MachineState::Offline || state == MachineState::Starting) {
        return;  // the printer dropped off; the poll thread owns the state now
    }
    if (p.AutoFlash == 0) {
        m_env.machine.Set(MachineState::Ready);
    } else {
        device.SendCommand(wire::op::kSetFlashFrequency, p.FlashFrequency);
        device.SendCommand(wire::op::kStartFlash, wire::op::kNoArgument);
        m_env.machine.Set(MachineState::Flash);
    }
}

}  // namespace tavolux
