// The print command: checks, gate, media measurement, placement, job thread.
#include "uimodel/PrintTask.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "config/PrinterConfig.h"
#include "device/DeviceDiagnostics.h"
#include "device/KtUSB.h"
#include "device/MachineState.h"
#include "device/PrinterStatusBlock.h"
#include "device/ReplyEvents.h"
#include "job/PrintChecks.h"
#include "platform/Clock.h"
#include "platform/UiFacade.h"
#include "print/RipReader.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "tasks/TaskList.h"
#include "tasks/TaskRecord.h"
#include "uimodel/TaskRowFeedback.h"

namespace tavolux {

namespace {

PrintCheckInput CheckInput(const PrintTaskRequest& request)
{
    PrintCheckInput check;
    check.selected = request.selected;
    check.file = request.task.file;
    check.copies = request.copies;
    check.planeCount = request.planeCount;
    check.bytesPerPlaneLine = request.bytesPerPlaneLine;
    check.xResolution = request.task.resolutionX;
    return check;
}

std::string ResolutionText(int x, int y)
{
    return std::to_string(x) + "*" + std::to_string(y);
}

}  // namespace

bool IsPrintType(const CPrinterConfig& config, int printTypeId)
{
    int r = 0;
    int a = 0;
    int b = 0;
    return printTypeId >= 0 && config.ParsePrintType(printTypeId, r, a, b);
}

std::string UnknownPrintTypeText(const CPrinterConfig& config, int printTypeId)
{
    std::string text = FormatResString(ids::kPrintTypeUnknown, {std::to_string(printTypeId)});
    const auto& names = config.lists.PrintTypeDisplayList;
    const int count = static_cast<int>(config.lists.PrintTypeParamList.size());
    for (int i = 0; i < count; ++i) {
        if (IsPrintType(config, i)) {
            text += "\n  " + std::to_string(i) + "  ";
            text += static_cast<size_t>(i) < names.size() ? names[static_cast<size_t>(i)] : "";
        }
    }
    return text;
}

PrintTaskRequest MakeFileRequest(const CPrinterConfig& config, const std::filesystem::path& path,
                                 const CRipReader& file, int printTypeId)
{
    PrintTaskRequest request;
    request.task.file = path;
    request.planeCount = file.PlaneCount();
    request.bytesPerPlaneLine = file.BytesPerPlaneLine();
    request.copies = 1;
    const PrintTypeChoice choice = DerivePrintType(config, printTypeId);
    PassTask& task = request.task;
    // A print type without a usable resolution prints the file at its own, as a task does.
    const bool typed = choice.xResolution > 0 && choice.yResolution > 0;
    task.resolutionX = typed ? choice.xResolution : file.XResolution();
    task.resolutionY = typed ? choice.yResolution : file.YResolution();
    task.passes = choice.passes;
    task.maskMode = choice.maskMode;
    task.printType = choice.printTypeCode;
    task.direction = config.params.Direction;
    task.speed = config.params.Speed;
    return request;
}

FilePrintWarnings CheckFileForPrint(const CRipReader& file, const PrintTaskRequest& request)
{
    FilePrintWarnings warnings;
    const PassTask& task = request.task;
    if (file.XResolution() != task.resolutionX || file.YResolution() != task.resolutionY) {
        warnings.resolution = FormatResString(
            ids::kResolutionDiffers, {ResolutionText(file.XResolution(), file.YResolution()),
                                      ResolutionText(task.resolutionX, task.resolutionY)});
    }
    if (const int64_t missing = file.MissingLines(); missing > 0) {
        warnings.incomplete = FormatResString(
            ids::kFileIncomplete, {std::to_string(missing), std::to_string(file.Height())});
    }
    return warnings;
}

int CheckPrintRequest(const CPrinterConfig& config, const PrintTaskRequest& request)
{
    return CheckPrintTask(config, CheckInput(request));
}

PrintTaskRequest MakeTaskRequest(CTaskList& list, int index)
{
    PrintTaskRequest request;
    if (index < 0 || index >= list.TaskCount()) {
        request.selected = false;
        return request;
    }
    const TaskRecord record = list.GetTask(index);
    request.list = &list;
    request.taskIndex = index;
    request.copies = record.m_copies;
    request.planeCount = record.m_planeCount;
    request.bytesPerPlaneLine = record.m_bytesPerPlaneLine;
    PassTask& task = request.task;
    task.file = record.m_filePath;
    // The print type's resolution; a type the configuration no longer knows prints the file
    // at its own.
    task.resolutionX = record.m_xResolution > 0 ? record.m_xResolution : record.m_fileXResolution;
    task.resolutionY = record.m_yResolution > 0 ? record.m_yResolution : record.m_fileYResolution;
    task.passes = record.m_passes;
    task.maskMode = record.m_maskMode;
    task.direction = record.m_direction;
    task.speed = record.m_speed;
    task.printType = record.m_printTypeCode;  // the step correction of the task's pass mode
    task.resume = record.m_resume != 0;
    task.resumeLine = record.m_resumeLine;
    return request;
}

CTaskPrinter::CTaskPrinter(const PrintTaskDevice& env, CRandomSource& random,
                           IJobRunnerObserver* progress)
    : m_env(env), m_random(random), m_progress(progress)
{
}

CTaskPrinter::~CTaskPrinter()
{
    m_runner.reset();  // joins the job thread before the row it reports to goes
}

void CTaskPrinter::SetLimits(const JobLimits& limits, int measureMs)
{
    m_limits = limits;
    m_measureMs = measureMs;
}

bool CTaskPrinter::Running() const
{
    return m_runner && m_runner->Running();
}

JobResult CTaskPrinter::Wait()
{
    return m_runner ? m_runner->Wait() : JobResult{};
}

PrintTaskResult CTaskPrinter::PrintTask(CTaskList& list, int index)
{
    return PrintTask(MakeTaskRequest(list, index));
}

bool CTaskPrinter::MeasureMedia()
{
    auto& block = m_env.block;
    auto& ready = m_env.events.ReplyReady;
    // The event does not count, so two edges that arrive together set it once; a 24-bit reply
    // is never negative, so the edge words themselves tell which replies came.
    constexpr int32_t kNotYet = -1;
    constexpr int kSliceMs = 10;
    block.Set(PrinterStatusBlock::kMediaEdge1, kNotYet);
    block.Set(PrinterStatusBlock::kMediaEdge2, kNotYet);
    ready.Reset();
    if (m_env.device.SendCommand(wire::op::kMeasureMedia, wire::op::kNoArgument) < 0) {
        return false;
    }
    auto arrived = [&] {
        return (block.MediaEdge1() != kNotYet ? 1 : 0) + (block.MediaEdge2() != kNotYet ? 1 : 0);
    };
    for (int reply = 1; reply <= 2; ++reply) {
        const int64_t deadline = GetClock().NowMs() + m_measureMs;
        while (arrived() < reply) {
            const int64_t left = deadline - GetClock().NowMs();
            if (left <= 0) {
                return false;
            }
            ready.Wait(static_cast<int>(std::min<int64_t>(left, kSliceMs)));
        }
    }
    const int32_t width = block.MediaEdge1();
    const int32_t position = block.MediaEdge2();
    if (width <= 0 || position <= 0) {
        return false;
    }
    auto& p = m_env.config.params;
    p.MediaWidth = static_cast<int>(width * p.MmPerPulseX);
    p.MediaPos =
        static_cast<int>(position * p.MmPerPulseX) - p.MediaSensorToUvDist + p.SensorToUvDist;
    if (!m_env.config.SaveConfig()) {
        // The print goes on with the measured media; only the file keeps the old values (a
        // configuration that did not load is never saved over).
        DeviceDiagnostic(FormatResString(ids::kDiagMediaNotSaved, {m_env.config.SaveErrorText()}));
    }
    return true;
}

PrintTaskResult CTaskPrinter::PrintTask(const PrintTaskRequest& request)
{
    const CPrinterConfig& config = m_env.config;
    const auto& p = config.params;
    auto& machine = m_env.machine;
    auto refuse = [&](int messageId, bool backToReady) {
        GetUi().ShowMessage(LoadResString(messageId), MessageIcon::Information);
        if (backToReady) {
            machine.Set(MachineState::Ready);
        }
        return PrintTaskResult{messageId};
    };

    const PrintCheckInput check = CheckInput(request);
    if (const int message = CheckPrintTask(config, check); message != 0) {
        return refuse(message, false);
    }
    if (!machine.Gate(gate::kPrint)) {
        return PrintTaskResult{ids::kFunctionInvalid};  // the gate showed its notice
    }
    if (p.OriginPrintStyle == 1 && p.AutoEdgeBeforePrint == 1 && !MeasureMedia()) {
        return refuse(ids::kMeasureNoReply, true);
    }
    // A job without a horizontal resolution has no width the carriage could be placed by.
    if (request.task.resolutionX <= 0) {
        return refuse(ids::kJobTooWide, true);
    }
    const double widthMm = PrintedWidthBytes(config, check) * 8.0 / request.task.resolutionX * 25.4;
    if (p.MaxPrintWidth > 0 && widthMm > p.MaxPrintWidth) {
        return refuse(ids::kJobTooWide, true);
    }
    int start = 0;
    if (!ComputeStartPosition(config, widthMm, m_env.block.Position(), start)) {
        return refuse(ids::kJobTooWide, true);
    }

    m_env.events.SyncAck.Reset();
    if (p.PrintVer % 2 == 1 && p.MmPerPulseY > 0.0) {
        // These boards take the distance before the print as a feed offset up front.
        m_env.device.SendCommand(wire::op::kSetPassOffset,
                                 static_cast<int32_t>(p.DisBeforePrint / p.MmPerPulseY));
    }
    // The gate let the print through, so a previous job has at most its last steps to go.
    m_runner.reset();
    m_row.reset();
    IJobRunnerObserver* observer = m_progress;
    if (request.list != nullptr) {
        m_row = std::make_unique<CTaskRowFeedback>(*request.list, request.taskIndex, m_progress);
        m_row->Started();
        observer = m_row.get();
    }
    m_runner = std::make_unique<CJobRunner>(
        JobDevice{config, m_env.device, m_env.machine, m_env.events}, m_random, observer);
    m_runner->SetLimits(m_limits);
    JobRequest job;
    job.task = request.task;
    job.copies = request.copies;
    job.startPosition = start;
    m_runner->Start(job);
    return PrintTaskResult{};
}

}  // namespace tavolux
