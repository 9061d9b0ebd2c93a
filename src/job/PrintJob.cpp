// The three threads of a print job and their hand-overs.
#include "job/PrintJob.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "config/PrinterConfig.h"
#include "device/KtUSB.h"
#include "device/MachineState.h"
#include "device/Protocol.h"
#include "device/ReplyEvents.h"
#include "job/PassSnapshot.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"
#include "platform/ProgramDir.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {

std::string RemainingText(int64_t seconds)
{
    if (seconds <= 0) {
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%02lld: %02lld: %02lld",
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

// The job set-up's speed byte: the value of entry `index` of the speeds allowed at the job's
// horizontal resolution (the first list when that resolution has none). An index outside the
// list takes its first entry. An entry that is not a number a byte can carry (a speed name)
// sends the entry's index: it is the only number such a list gives.
uint8_t SpeedByte(const CPrinterConfig& config, int resolutionX, int index)
{
    const auto& lists = config.lists.TotalSpeedList;
    const auto list = static_cast<size_t>(std::max(config.FindHoriResIndex(resolutionX), 0));
    const std::vector<std::string> speeds =
        list < lists.size() ? SplitItems(lists[list], ",") : std::vector<std::string>{};
    const int entry = index >= 0 && index < static_cast<int>(speeds.size()) ? index : 0;
    if (static_cast<size_t>(entry) < speeds.size()) {
        const std::string& text = speeds[static_cast<size_t>(entry)];
        const auto first = text.find_first_not_of(" \t");
        const auto last = text.find_last_not_of(" \t");
        const bool digits =
            first != std::string::npos && text.find_first_not_of("0123456789", first) > last;
        const int value = digits ? ParseLeadingInt(text) : -1;
        if (value >= 0 && value <= 255) {
            return static_cast<uint8_t>(value);
        }
    }
    return static_cast<uint8_t>(entry);
}

}  // namespace

CPrintJob::CPrintJob(const JobDevice& env, const PassTask& task, int startPosition,
                     CRandomSource& random, IJobObserver* observer)
    : m_env(env),
      m_task(task),
      m_startPosition(std::max(startPosition, 0)),
      m_stopLine(task.resume ? std::max(task.resumeLine, 0) : 0),
      m_observer(observer),
      m_generator(env.config, random),
      m_source(&m_ripSource)
{
}

CPrintJob::CPrintJob(const JobDevice& env, const PassTask& task, int startPosition,
                     CRandomSource& random, CPassSource& source, IJobObserver* observer)
    : CPrintJob(env, task, startPosition, random, observer)
{
    m_source = &source;
}

CPrintJob::~CPrintJob()
{
    // Run joins its threads; this only guards against an exception between start and join.
    m_abort = true;
    m_queueChanged.notify_all();
    if (m_feeder.joinable()) {
        m_feeder.join();
    }
}

std::string CPrintJob::ErrorText() const
{
    std::lock_guard lock(m_errorMutex);
    return m_error;
}

void CPrintJob::Fail(int messageId)
{
    Fail(LoadResString(messageId));
}

void CPrintJob::Fail(const std::string& text)
{
    {
        std::lock_guard lock(m_errorMutex);
        if (m_error.empty()) {
            m_error = text;
        }
    }
    m_abort = true;
    m_queueChanged.notify_all();
}

int CPrintJob::PassTimeoutMs() const
{
    if (m_limits.passMs > 0) {
        return m_limits.passMs;
    }
    return m_task.direction != 0 ? m_env.device.DataTimeoutUnbidiMs()
                                 : m_env.device.DataTimeoutBidiMs();
}

bool CPrintJob::WaitEvent(AutoResetEvent& event, int timeoutMs, bool stopOnRequest)
{
    // Waits in slices so that an abort (or a stop) ends the wait at once.
    const int64_t deadline = GetClock().NowMs() + timeoutMs;
    for (;;) {
        if (m_abort || (stopOnRequest && m_runState == kStop)) {
            return false;
        }
        const int64_t left = deadline - GetClock().NowMs();
        if (left <= 0) {
            return event.Wait(0);
        }
        if (event.Wait(static_cast<int>(std::min<int64_t>(left, m_limits.sliceMs)))) {
            return true;
        }
    }
}

bool CPrintJob::Run()
{
    m_abort = false;
    m_producerDone = false;
    m_stopped = false;
    m_passesSent = 0;
    m_lastAcknowledged = false;
    if (!m_source->Setup(m_task)) {
        Fail(m_source->ErrorText());
        return false;
    }
    for (auto& buffer : m_transfer) {
        buffer.assign(static_cast<size_t>(m_source->MaxTransferWords()), 0);
    }
    if (!m_source->BuildMasks()) {
        Fail(ids::kMaskWrong);
        return false;
    }
    m_source->Prepare();
    m_snapshotDir = PassSnapshotsWanted(m_env.config) ? PassSnapshotDir() : std::filesystem::path();

    m_runState = kRun;
    m_jobEnd.Reset();
    m_bufferFree.Reset();
    m_passReady.Reset();
    m_jobBegun.Reset();
    m_env.events.PassDone.Reset();
    m_feeder = std::thread([this] { Feeder(); });
    m_bufferFree.Set();

    const bool produced = RunPasses();
    m_producerDone = true;
    if (produced) {
        // Draining: the operator may still pause or cancel the passes already queued.
        while (!m_jobEnd.Wait(m_limits.progressSliceMs)) {
            if (m_stopped || m_abort) {
                continue;  // the sender is ending; StopPrint went out once
            }
            bool stopped = false;
            if (!CheckRequest(stopped) && stopped) {
                m_stopped = true;
                ComputeStopLine(true);
            }
        }
    } else {
        // Every wait of the feeder and sender is bounded, so the end always comes.
        m_jobEnd.Wait(AutoResetEvent::kInfinite);
    }
    m_feeder.join();
    if (m_abort && !m_stopped) {
        // A failed job resumes where it failed, like a stopped one, not at the top.
        ComputeStopLine(true);
    }
    m_env.device.SendCommand(wire::op::kSyncRequest, wire::op::kNoArgument);
    m_bufferFree.Reset();
    m_passReady.Reset();
    return produced && !m_abort && !m_stopped && m_lastAcknowledged && m_passesSent == m_handedOver;
}

void CPrintJob::ComputeStopLine(bool notify)
{
    const int start = m_task.resume ? std::max(m_task.resumeLine, 0) : 0;
    // The producer runs ahead of the printer: only the passes sent count.
    const int fed = m_fedSent.load();
    // The lines under the head may be only partly printed: they are printed again.
    const int line = std::max(fed - m_source->ResumeOverlapLines(), 0);
    m_stopLine = std::min(start + line, std::max(m_source->ImageHeight(), 0));
    if (notify && m_observer) {
        m_observer->Suspended(m_stopLine);
    }
}

bool CPrintJob::RunPasses()
{
    auto& device = m_env.device;
    m_env.events.SyncAck.Reset();
    if (device.SendCommand(wire::op::kSyncRequest, wire::op::kNoArgument) < 0) {
        Fail(ids::kJobNoCommands);
        return false;
    }
    if (!WaitEvent(m_env.events.SyncAck, m_limits.syncMs, false)) {
        Fail(ids::kJobNoSync);
        return false;
    }
    m_started = false;
    m_handedOver = 0;
    m_fillIndex = 0;
    while (!m_source->Done()) {
        bool stopped = false;
        if (!CheckRequest(stopped)) {
            if (stopped) {
                m_stopped = true;
                ComputeStopLine(true);
            }
            return false;  // a failure: Run computes the stop line once the threads are done
        }
        // The pass is built while the feeder still transfers the one before, into the other
        // buffer: that one was freed before the previous hand-over.
        PassDescriptor d;
        auto& buffer = m_transfer[m_fillIndex];
        const int64_t buildStart = GetClock().NowMs();
        const PassOutcome out = m_source->BuildNextPass(buffer, d);
        const int64_t buildMs = GetClock().NowMs() - buildStart;
        if (!out.built) {
            Fail(ids::kJobPassNotBuilt);
            return false;
        }
        if (!out.handOver) {
            // Blank: the buffer was not used and the feed goes with the next pass.
            continue;
        }
        if (!m_snapshotDir.empty()) {
            // A snapshot that cannot be written is logged; the job does not depend on it.
            WritePassSnapshot(m_snapshotDir, d[PassDescriptor::kPassIndex], m_source->Channels());
        }
        // The feeder frees a buffer once it has transferred the one before; its transfer has
        // the data time-out, so this wait ends.
        while (!m_bufferFree.Wait(m_limits.sliceMs)) {
            if (m_abort) {
                return false;
            }
        }
        if (m_abort) {
            return false;
        }
        {
            std::lock_guard lock(m_handMutex);
            m_hand = HandOver{
                d, out.transferWords, m_fillIndex, m_source->PrintedLines(), buildStart, buildMs};
        }
        device.SetCurrentPass(d);
        m_passReady.Set();
        m_fillIndex ^= 1;
        ++m_handedOver;
        if (!m_started && (m_handedOver >= 2 || out.last)) {
            if (!StartJob()) {
                return false;
            }
        }
    }
    return true;
}

bool CPrintJob::StartJob()
{
    auto& device = m_env.device;
    const auto& p = m_env.config.params;
    m_started = true;
    if (m_startFeed) {
        m_env.events.MoveDone.Reset();
        m_env.events.MoveDone2.Reset();
        if (device.SendCommand(wire::op::kFeedMedia, m_startPosition) < 0) {
            Fail(ids::kJobStartFeedNotSent);
            return false;
        }
        if (!WaitEvent(m_env.events.MoveDone, m_limits.moveMs, false)) {
            Fail(ids::kJobStartFeedTimeout);
            return false;
        }
    }
    JobParameters job;
    job.Unidirectional = m_task.direction != 0 ? 1 : 0;
    job.FireDivisor = m_task.resolutionX;
    job.FlashByte = static_cast<uint8_t>(p.FlashFrequency & 0xFF);
    job.JobByte88 =
        SpeedByte(m_env.config, m_task.resolutionX, m_task.speed >= 0 ? m_task.speed : p.Speed);
    job.JobByte89 = 4;
    job.FlashAlternationByte = static_cast<uint8_t>(p.FlashAlternation & 0xFF);
    job.PurgeFrequencyByte = static_cast<uint8_t>(p.PurgeFrequency & 0xFF);
    job.PurgeAlternation = p.PurgeAlternation;
    job.JobWord2 = m_source->ImageHeight();
    device.SetJobParameters(job);
    if (device.SendJobSetup() != 1 ||
        device.SendCommand(wire::op::kBeginJob, wire::op::kNoArgument) != 1) {
        Fail(ids::kJobSetupNotSent);
        return false;
    }
    m_jobBegun.Set();
    return true;
}

void CPrintJob::Feeder()
{
    m_env.events.PassDone.Set();  // the first pass does not wait
    m_feederDone = false;
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.clear();
    }
    m_fedSent = 0;
    m_senderFinished.Reset();
    m_sender = std::thread([this] { Sender(); });
    for (;;) {
        bool ready = m_passReady.Wait(m_limits.sliceMs);
        if (!ready && m_producerDone) {
            // The last pass may have been handed over just before the producer finished.
            ready = m_passReady.Wait(0);
            if (!ready) {
                break;
            }
        }
        if (m_abort) {
            break;
        }
        if (!ready) {
            continue;
        }
        HandOver hand;
        {
            std::lock_guard lock(m_handMutex);
            hand = m_hand;
        }
        const int64_t transferStart = GetClock().NowMs();
        if (hand.descriptor[PassDescriptor::kTravel] != 0) {
            const auto bytes = static_cast<int>(2 * hand.words);
            const auto* data = reinterpret_cast<const uint8_t*>(m_transfer[hand.buffer].data());
            if (m_env.device.SendData(data, bytes) != bytes) {
                Fail(ids::kJobRasterNotSent);
                m_bufferFree.Set();
                break;
            }
        }
        {
            std::lock_guard lock(m_queueMutex);
            m_queue.push_back(QueuedPass{hand.descriptor, hand.fedLines, hand.buildStartMs,
                                         hand.buildMs, GetClock().NowMs() - transferStart});
        }
        m_queueChanged.notify_all();
        m_bufferFree.Set();
    }
    m_feederDone = true;
    m_queueChanged.notify_all();
    m_sender.join();
    if (m_observer) {
        m_observer->RemainingTime({});
    }
    m_jobEnd.Set();
}

void CPrintJob::Sender()
{
    const auto& p = m_env.config.params;
    bool beamDown = false;
    int64_t beamDistance = 0;
    bool headerSent = false;
    for (int i = 0;; ++i) {
        PassDescriptor d;
        QueuedPass queued;
        {
            std::unique_lock lock(m_queueMutex);
            const size_t need = static_cast<size_t>(i) + (m_noLookAhead ? 1U : 2U);
            while (!m_abort && m_runState != kStop && !m_feederDone && m_queue.size() < need) {
                m_queueChanged.wait_for(lock, std::chrono::milliseconds(m_limits.sliceMs));
            }
            if (m_abort || m_runState == kStop || m_queue.size() <= static_cast<size_t>(i)) {
                break;
            }
            queued = m_queue[static_cast<size_t>(i)];
            d = queued.descriptor;
        }
        while (Held()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(m_limits.sliceMs));
        }
        if (m_abort || m_runState == kStop) {
            break;
        }
        auto& device = m_env.device;
        const int n = p.FlashAlternation;
        if (p.AutoFlash == 1 && n > 0 && i > 0 && i % (2 * n) == 0) {
            if (device.SendCommand(wire::op::kInPrintFlash, wire::op::kNoArgument) < 0 ||
                !WaitEvent(m_env.events.PassAck, m_limits.flashMs, false)) {
                Fail(ids::kJobFlashTimeout);
                break;
            }
        }
        if (i == 0) {
            if ((m_startFeed && !WaitEvent(m_env.events.MoveDone2, m_limits.moveMs, true)) ||
                !WaitEvent(m_jobBegun, m_limits.moveMs, true)) {
                if (!m_abort && m_runState != kStop) {
                    Fail(ids::kJobStartNotReached);
                }
                break;
            }
            m_pass0Ms = GetClock().NowMs();
        }
        // A later copy that starts closer than the head's height backs the media up first.
        if (d[PassDescriptor::kBackFeed] > 0 &&
            device.SendCommand(wire::op::kPassControlE1, d[PassDescriptor::kBackFeed]) < 0) {
            Fail(ids::kJobBackFeedNotSent);
            break;
        }
        if (i == 0) {
            const int32_t first = d[PassDescriptor::kFirstFeed] + d[PassDescriptor::kFeedBefore];
            if (device.SendPassValue(first) < 0) {
                Fail(ids::kJobFirstFeedNotSent);
                break;
            }
        }
        if (d[PassDescriptor::kSendSkipped] != 0 &&
            device.SendPassValue(d[PassDescriptor::kSkippedFeed]) < 0) {
            Fail(ids::kJobSkippedFeedNotSent);
            break;
        }
        const bool hasData = d[PassDescriptor::kTravel] != 0;
        if (p.IfAutoControl != 0 && !beamDown) {
            beamDistance += d[PassDescriptor::kFeedAfter];
            const double needed = std::max(p.DisBetweenBeamAndMedia - p.DisBeforePrint, 0);
            if (static_cast<double>(beamDistance) * p.MmPerPulseY > needed && hasData) {
                device.SendCommand(wire::op::kBeamLower, wire::op::kNoArgument);
                beamDown = true;
            }
        }
        int64_t waitMs = 0;
        if (hasData) {
            const int64_t waitStart = GetClock().NowMs();
            if (!WaitEvent(m_env.events.PassDone, PassTimeoutMs(), true)) {
                if (!m_abort && m_runState != kStop) {
                    Fail(ids::kJobPassTimeout);
                }
                break;
            }
            while (Held()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(m_limits.sliceMs));
            }
            if (m_abort || m_runState == kStop) {
                break;
            }
            if (device.SendPassHeader(&d) != 1 ||
                (m_task.direction != 0 && device.SendReturnMove(&d) < 0)) {
                Fail(ids::kJobHeaderNotSent);
                break;
            }
            waitMs = GetClock().NowMs() - waitStart;
            headerSent = true;
        }
        if (m_env.config.IsDebug != 0) {
            LogPassTime(i, queued, waitMs);
        }
        m_fedSent = queued.fedLines;
        ++m_passesSent;
        const int total = m_source->TotalPasses();
        if (m_observer) {
            // Progress counts the blank passes skipped before this one as done.
            m_observer->PassSent(std::max(d[PassDescriptor::kPassIndex] + 1, m_passesSent.load()),
                                 total);
            if (i >= 1) {
                // The passes so far, on average, time the rest.
                const int64_t elapsed = GetClock().NowMs() - m_pass0Ms;
                m_observer->RemainingTime(RemainingText((total - i) * elapsed / i / 1000));
            }
        }
    }
    // The job is finished only when the printer reports its last pass done.
    if (!m_abort && m_runState != kStop && m_feederDone) {
        if (!headerSent || WaitEvent(m_env.events.PassDone, PassTimeoutMs(), true)) {
            m_lastAcknowledged = true;
        } else if (!m_abort && m_runState != kStop) {
            Fail(ids::kJobLastPassTimeout);
        }
    }
    m_senderFinished.Set();
}

void CPrintJob::LogPassTime(int index, const QueuedPass& pass, int64_t waitMs) const
{
    // Build, transfer and the wait for the printer, then the whole pass from the start of its
    // build to its header.
    const int64_t whole = GetClock().NowMs() - pass.buildStartMs;
    std::FILE* file = std::fopen((GetProgramDir() / "passtime.txt").string().c_str(), "a");
    if (file == nullptr) {
        return;
    }
    std::fprintf(file, "Pass %d of %d : %.3f sec , %.3f sec, %.3f sec, %.3f sec\n", index + 1,
                 m_source->TotalPasses(), static_cast<double>(pass.buildMs) / 1000.0,
                 static_cast<double>(pass.transferMs) / 1000.0,
                 static_cast<double>(waitMs) / 1000.0, static_cast<double>(whole) / 1000.0);
    std::fclose(file);
}

bool CPrintJob::Held() const
{
    if (m_abort || m_runState == kStop) {
        return false;
    }
    if (m_runState == kHold) {
        return true;
    }
    // A request the job thread has not taken up yet holds the next pass, so that a pause or
    // cancel acts at once instead of at the job thread's next look.
    const auto state = m_env.machine.Get();
    return state == MachineState::PauseRequested || state == MachineState::CancelRequested ||
           state == MachineState::Offline || state == MachineState::Starting;
}

bool CPrintJob::WaitForState(std::initializer_list<int> states, int timeoutMs)
{
    const int64_t deadline = GetClock().NowMs() + timeoutMs;
    for (;;) {
        const int now = static_cast<int>(m_env.machine.Get());
        if (std::find(states.begin(), states.end(), now) != states.end()) {
            return true;
        }
        if (m_abort || (timeoutMs >= 0 && GetClock().NowMs() >= deadline)) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(m_limits.sliceMs));
    }
}

bool CPrintJob::CheckRequest(bool& stopped)
{
    auto& device = m_env.device;
    auto stop = [&](bool sendStop) {
        m_runState = kStop;
        m_queueChanged.notify_all();
        if (sendStop) {
            device.SendCommand(wire::op::kStopPrint, wire::op::kNoArgument);
        }
        stopped = true;
        return false;
    };
    m_runState = kHold;
    auto state = m_env.machine.Get();
    if (state == MachineState::PauseRequested) {
        device.SendCommand(wire::op::kSetFlashFrequency, m_env.config.params.FlashFrequency);
        device.SendCommand(wire::op::kPausePrint, wire::op::kNoArgument);
        // The operator decides how long a pause lasts; a printer that drops off the link
        // (offline, restarting) ends it.
        if (!WaitForState(
                {static_cast<int>(MachineState::CancelRequested),
                 static_cast<int>(MachineState::ResumeRequested),
                 static_cast<int>(MachineState::Starting), static_cast<int>(MachineState::Offline)},
                -1)) {
            m_runState = kStop;
            return false;  // the job failed while paused and said why
        }
        state = m_env.machine.Get();
    }
    switch (state) {
        case MachineState::Offline:
        case MachineState::Starting:
            // Not the operator's stop: the printer dropped off the link, and the job fails
            // with the reason instead of ending like a cancel without one.
            m_runState = kStop;
            Fail(ids::kJobPrinterOffline);
            return false;
        case MachineState::CancelRequested:
            return stop(true);
        case MachineState::ResumeRequested:
            // The resume command went to the printer with the request; the printer does not
            // confirm it, so the job itself returns to printing.
            m_env.machine.Set(MachineState::Printing);
            m_runState = kRun;
            return true;
        default:
            m_runState = kRun;
            return true;
    }
}

}  // namespace tavolux
