// The test runner: job description per test index, checks, the print and the end of the job.
#include "chart/TestRunner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iterator>
#include <thread>

#include "chart/GlyphFiles.h"
#include "chart/HeadSlant.h"
#include "config/PrinterConfig.h"
#include "device/KtUSB.h"
#include "device/MachineState.h"
#include "device/Protocol.h"
#include "device/ReplyEvents.h"
#include "job/PrintChecks.h"
#include "platform/Clock.h"
#include "platform/ProgramDir.h"
#include "platform/UiFacade.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux::chart {

namespace {

// The head slant check prints its chart in one job per slant parameter; its progress counts the
// passes of all of them.
class CSlantProgress final : public IJobObserver {
public:
    CSlantProgress(IJobObserver* inner, int jobs) : m_inner(inner), m_jobs(jobs) {}
    // The passes of the jobs before the one that starts next.
    void SetBefore(int passes) { m_before = passes; }

    void PassSent(int sent, int total) override
    {
        if (m_inner) {
            m_inner->PassSent(m_before + sent, total * m_jobs);
        }
    }
    void RemainingTime(const std::string& text) override
    {
        if (m_inner) {
            m_inner->RemainingTime(text);
        }
    }
    void Suspended(int resumeLine) override
    {
        if (m_inner) {
            m_inner->Suspended(resumeLine);
        }
    }

private:
    IJobObserver* m_inner;
    int m_jobs;
    std::atomic<int> m_before{0};
};

}  // namespace

RunnerKind ChooseRunnerKind(const CPrinterConfig& config)
{
    const auto& p = config.params;
    const int level = p.HeadLevelList.empty()
                          ? 0
                          : *std::max_element(p.HeadLevelList.begin(), p.HeadLevelList.end());
    if (level != 1) {
        return RunnerKind::Standard;
    }
    if (p.GroupNo == 4 || p.GroupNo == 2) {
        return RunnerKind::Staggered;
    }
    return p.WhiteColorNo == 4 ? RunnerKind::White : RunnerKind::Standard;
}

RunnerKind RunnerKindFor(const CPrinterConfig& config, int index)
{
    const RunnerKind own = ChooseRunnerKind(config);
    for (const auto candidate : {own, RunnerKind::Standard, RunnerKind::Staggered}) {
        if (MakePlanningRunner(candidate, config)->PlanChart(index)) {
            return candidate;
        }
    }
    return own;
}

CTestRunner::CTestRunner(const JobDevice& env, CRandomSource& random, IJobObserver* observer)
    : m_config(env.config),
      m_env(env),
      m_random(&random),
      m_observer(observer),
      m_glyphDir(GetProgramDir())
{
}

CTestRunner::CTestRunner(const CPrinterConfig& config)
    : m_config(config), m_observer(nullptr), m_glyphDir(GetProgramDir())
{
}

std::unique_ptr<CTestPattern> CTestRunner::PlanChart(int index, int passMode, int speed, int xRes)
{
    m_passMode = passMode;
    m_speed = speed;
    m_xRes = xRes;
    m_job = ChartJob{};
    m_job.planeCount = m_config.params.ColorNo;
    m_job.passes = 1;
    m_job.copies = 1;
    if (!SetupJob(index)) {
        return nullptr;
    }
    return BuildPattern(index);
}

void CTestRunner::SetCommon(int height, int widthAtCali, int xRes, int passMode)
{
    const auto& p = m_config.params;
    m_job.height = height;
    m_job.xResolution = xRes;
    m_job.yResolution = p.PrinterResolution;
    m_job.printTypeCode = passMode;
    m_job.printTypeId = 0;
    // Every chart prints in both directions: the alignment charts read the two directions
    // against each other, and the others do not mind.
    m_job.direction = 0;
    m_job.speed = m_speed >= 0 ? m_speed : p.Speed;
    m_scale = p.CaliResolutionX > 0 ? static_cast<double>(xRes) / p.CaliResolutionX : 1.0;
    m_job.bytesPerPlaneLine = static_cast<int>(widthAtCali * m_scale);
}

bool CTestRunner::SetupJob(int index)
{
    const auto& p = m_config.params;
    const int cali = p.CaliResolutionX;
    const int requested = m_xRes > 0 ? m_xRes : cali;
    const int mode = m_passMode >= 0 ? m_passMode : 0;
    const auto printable = [&](int mm) {
        return static_cast<int>(mm * static_cast<double>(cali) * 0.125 / 25.4);
    };
    switch (index) {
        case 0:
            SetCommon(960, 800, requested, 0);
            return true;
        case 1:
            SetCommon(512, 960, requested, 0);
            return true;
        case 2:
            SetCommon(2048, 700, cali, mode);
            return true;
        case 3:
            SetCommon(512, 500, cali, mode);
            return true;
        case 4:
            SetCommon(1024, 650, cali, mode);
            return true;
        case 5:
            SetCommon(1536, 1200, cali, 0);
            return true;
        case 6:
            SetCommon(1024, 650, cali, 0);
            return true;
        case 8:
            SetCommon(512, printable(p.MaxPrintWidth - p.OriginPos - 100), cali, 0);
            return true;
        case 9:
            SetCommon(512, 800, cali, 0);
            return true;
        case 14:
            SetCommon(1280, 800, requested, 0);
            return true;
        case 15:
            SetCommon(512, printable(p.MaxPrintWidth - 100), cali, mode);
            return true;
        case kHeadSlantIndex:
            // The chart sets its own width and height from the heads.
            SetCommon(p.HeadHoleNo * p.GroupNo, 0, cali, 0);
            return true;
        default:
            return false;
    }
}

bool CTestRunnerStaggered::SetupJob(int index)
{
    const int cali = m_config.params.CaliResolutionX;
    if (index == 10) {
        SetCommon(2560, 650, m_xRes > 0 ? m_xRes : cali, 1);
        m_job.printTypeId = m_config.params.Resolution;
        return true;
    }
    if (index != 0 && index != 1 && index != 5 && index != 6 && index != 9 && index != 14 &&
        index != kHeadSlantIndex) {
        return false;
    }
    if (!CTestRunner::SetupJob(index)) {
        return false;
    }
    m_job.printTypeCode = 1;
    return true;
}

bool CTestRunnerWhite::SetupJob(int index)
{
    if ((index != 6 && index != 14 && index != kHeadSlantIndex) || !CTestRunner::SetupJob(index)) {
        return false;
    }
    m_job.printTypeCode = 1;
    return true;
}

std::unique_ptr<CTestPattern> CTestRunner::BuildPattern(int index) const
{
    return MakePattern(Kind(), index, m_config, m_job, m_scale, m_glyphDir);
}

bool CTestRunner::Refuse(const std::string& text)
{
    m_error = text;
    return false;
}

bool CTestRunner::RunTest(int index, int passMode, int speed, int xRes, int edgePulses)
{
    const auto& p = m_config.params;
    m_passMode = passMode;
    m_speed = speed;
    m_xRes = xRes;
    m_stopped = false;
    m_error.clear();
    m_job = ChartJob{};
    m_job.planeCount = p.ColorNo;
    m_job.passes = 1;
    m_job.copies = 1;
    // Everything that can be known without the printer is refused before the gate, so a
    // refused chart leaves the machine state as it was.
    if (!SetupJob(index)) {
        return Refuse(
            FormatResString(ids::kChartUnknownIndex, {std::to_string(index), RunnerName(Kind())}));
    }
    std::unique_ptr<CTestPattern> pattern = BuildPattern(index);
    if (!pattern) {
        return Refuse(
            FormatResString(ids::kChartUnknownIndex, {std::to_string(index), RunnerName(Kind())}));
    }
    std::filesystem::path badFile;
    if (const int problem = CheckGlyphFiles(m_glyphDir, &badFile); problem != 0) {
        return Refuse(GlyphFileProblemText(problem, badFile));
    }
    if (!m_env->machine.Gate(gate::kPrint)) {
        return Refuse(LoadResString(ids::kFunctionInvalid));
    }
    if (index == kHeadSlantIndex) {
        return RunHeadSlant(*pattern, edgePulses);
    }

    // The chart's width with the colour strips, against the printable range.
    int width = pattern->Job().bytesPerPlaneLine;
    if (p.Strip == 1) {
        const auto& widths = m_config.lists.StripWidthList;
        const int extra =
            p.StripTrueWidth >= 0 && static_cast<size_t>(p.StripTrueWidth) < widths.size()
                ? widths[static_cast<size_t>(p.StripTrueWidth)]
                : 0;
        const int strip = static_cast<int>((p.StripWidth + extra) *
                                           static_cast<double>(m_job.xResolution) / 25.4 / 8.0);
        width += p.StripPos == 2 ? 2 * strip : p.StripPos == 0 || p.StripPos == 1 ? strip : 0;
    }
    const double widthMm = width * 8.0 / std::max(m_job.xResolution, 1) * 25.4;
    int fitStart = 0;
    if (widthMm > p.MaxPrintWidth || !ComputeStartPosition(m_config, widthMm, 0, fitStart)) {
        GetUi().ShowMessage(LoadResString(ids::kJobTooWide), MessageIcon::Information);
        m_env->machine.Set(MachineState::Ready);
        m_env->machine.ShowState(ids::kStateReady);
        return Refuse(LoadResString(ids::kJobTooWide));
    }
    const double origin = p.Origin == 1 ? p.OriginPos : p.SensorToUvDist;
    m_startPosition =
        p.MmPerPulseX > 0.0
            ? static_cast<int>((origin - p.HeadToSensorDist - p.MaxAccDist) / p.MmPerPulseX) +
                  (p.Origin == 1 ? 0 : edgePulses)
            : 0;

    CPrintJob job(*m_env, ChartPassTask(pattern->Job()), m_startPosition, *m_random, *pattern,
                  m_observer);
    job.SetLimits(m_limits);
    job.SetNoLookAhead(true);
    const bool printed = job.Run();
    m_stopped = job.Stopped();
    if (!printed) {
        m_error = job.ErrorText();
        if (m_error.empty()) {
            m_error = LoadResString(m_stopped ? ids::kChartStopped : ids::kChartFailed);
        }
    }
    EndOfJob();
    if (!printed && m_onStopped) {
        m_onStopped();
    }
    return printed;
}

void CTestRunner::EndOfJob()
{
    const auto& p = m_config.params;
    auto& device = m_env->device;
    if (p.PrintVer % 2 == 0) {
        int back = 0;
        if (p.MmPerPulseX > 0.0) {
            back = static_cast<int>((p.HeadToSensorDist - p.SensorToUvDist + p.MaxAccDist) /
                                    p.MmPerPulseX) +
                   m_startPosition;
        }
        // Bounded like the job's own start move: a silent printer ends the wait.
        m_env->events.MoveDone.Reset();
        if (device.SendCommand(wire::op::kFeedMedia, std::max(back, 0)) >= 0) {
            m_env->events.MoveDone.Wait(m_limits.moveMs);
        }
    } else {
        device.SendCommand(wire::op::kEndJob, wire::op::kNoArgument);
        if (p.IfAutoControl != 0) {
            device.SendCommand(wire::op::kBeamRaise, wire::op::kNoArgument);
        }
    }
    ShowEndState();
}

void CTestRunner::ShowEndState()
{
    const auto& p = m_config.params;
    auto& device = m_env->device;
    const auto state = m_env->machine.Get();
    if (state == MachineState::Offline || state == MachineState::Starting) {
        return;  // the printer dropped off; the poll thread owns the state now
    }
    if (p.AutoFlash == 0) {
        m_env->machine.Set(MachineState::Ready);
        m_env->machine.ShowState(ids::kStateReady);
    } else {
        device.SendCommand(wire::op::kSetFlashFrequency, p.FlashFrequency);
        device.SendCommand(wire::op::kStartFlash, wire::op::kNoArgument);
        m_env->machine.Set(MachineState::Flash);
        m_env->machine.ShowState(ids::kStateFlash);
    }
}

bool CTestRunner::SlantPause()
{
    const int64_t end = GetClock().NowMs() + m_limits.slantPauseMs;
    for (;;) {
        const auto state = m_env->machine.Get();
        if (state == MachineState::CancelRequested) {
            m_stopped = true;
            m_error = LoadResString(ids::kChartStopped);
            return false;
        }
        if (state == MachineState::Offline || state == MachineState::Starting) {
            m_error = LoadResString(ids::kJobPrinterOffline);
            return false;
        }
        const int64_t left = end - GetClock().NowMs();
        if (left <= 0) {
            return true;
        }
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::min<int64_t>(left, std::max(m_limits.sliceMs, 1))));
    }
}

bool CTestRunner::RunHeadSlant(CTestPattern& pattern, int edgePulses)
{
    const auto& p = m_config.params;
    auto& device = m_env->device;
    const auto pulses = [&](double mm) {
        return p.MmPerPulseX > 0.0 ? static_cast<int>(mm / p.MmPerPulseX) : 0;
    };
    const double start = p.HeadToSensorDist + p.MaxAccDist;
    m_startPosition =
        p.Origin == 1 ? pulses(p.OriginPos - start) : pulses(p.SensorToUvDist - start) + edgePulses;
    if (p.Origin == 1) {
        // The chart from a fixed origin must lie within the printable range of the mechanics.
        const double left = m_startPosition * p.MmPerPulseX + start;
        const double widthMm =
            pattern.Job().bytesPerPlaneLine * 8.0 / std::max(pattern.Job().xResolution, 1) * 25.4;
        if (m_startPosition < 0 || left < p.MaxOrigin ||
            left + widthMm > p.MaxOrigin + p.MaxPrintWidth) {
            GetUi().ShowMessage(LoadResString(ids::kJobTooWide), MessageIcon::Information);
            m_env->machine.Set(MachineState::Ready);
            m_env->machine.ShowState(ids::kStateReady);
            return Refuse(LoadResString(ids::kJobTooWide));
        }
    }

    bool printed = true;
    if (p.Origin == 1) {
        m_env->events.MoveDone.Reset();
        if (device.SendCommand(wire::op::kFeedMedia, m_startPosition) < 0 ||
            !m_env->events.MoveDone.Wait(std::min(kSlantMoveMs, m_limits.moveMs))) {
            m_error = LoadResString(ids::kJobStartFeedTimeout);
            printed = false;
        }
    }
    CSlantProgress progress(m_observer, static_cast<int>(std::size(kSlantParameters)));
    int passes = 0;
    bool first = true;
    for (const int slant : kSlantParameters) {
        if (!printed) {
            break;
        }
        // The next chart below the one before, on blank media.
        const int pitch = pattern.Job().height + kSlantGapRows;
        if (!first &&
            device.SendCommand(wire::op::kSetPassOffset, pattern.FeedToSteps(pitch)) < 0) {
            m_error = LoadResString(ids::kChartFailed);
            printed = false;
            break;
        }
        first = false;
        if (device.SendCommand(wire::op::kSetSlantParameter, slant) < 0) {
            m_error = LoadResString(ids::kChartFailed);
            printed = false;
            break;
        }
        if (!SlantPause()) {
            printed = false;
            break;
        }
        progress.SetBefore(passes);
        CPrintJob job(*m_env, ChartPassTask(pattern.Job()), m_startPosition, *m_random, pattern,
                      &progress);
        job.SetLimits(m_limits);
        job.SetNoLookAhead(true);
        job.SetStartFeed(false);
        printed = job.Run();
        passes += job.PassesSent();
        m_stopped = job.Stopped();
        if (!printed) {
            m_error = job.ErrorText();
            if (m_error.empty()) {
                m_error = LoadResString(m_stopped ? ids::kChartStopped : ids::kChartFailed);
            }
        }
    }
    device.SendCommand(wire::op::kEndJob, wire::op::kNoArgument);
    ShowEndState();
    if (!printed && m_onStopped) {
        m_onStopped();
    }
    return printed;
}

std::unique_ptr<CTestRunner> MakeTestRunner(RunnerKind kind, const JobDevice& env,
                                            CRandomSource& random, IJobObserver* observer)
{
    switch (kind) {
        case RunnerKind::Staggered:
            return std::make_unique<CTestRunnerStaggered>(env, random, observer);
        case RunnerKind::White:
            return std::make_unique<CTestRunnerWhite>(env, random, observer);
        case RunnerKind::Standard:
            break;
    }
    return std::make_unique<CTestRunner>(env, random, observer);
}

std::unique_ptr<CTestRunner> MakePlanningRunner(RunnerKind kind, const CPrinterConfig& config)
{
    switch (kind) {
        case RunnerKind::Staggered:
            return std::make_unique<CTestRunnerStaggered>(config);
        case RunnerKind::White:
            return std::make_unique<CTestRunnerWhite>(config);
        case RunnerKind::Standard:
            break;
    }
    return std::make_unique<CTestRunner>(config);
}

}  // namespace tavolux::chart
