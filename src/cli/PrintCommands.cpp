// "print" command: checks the file as the print command does, prints all copies on the chosen
// printer with a progress line, and turns Ctrl+C into a cancel request.
#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <ostream>
#include <thread>

#include "cli/CliContext.h"
#include "cli/PrinterConnection.h"
#include "device/MachineState.h"
#include "device/PrinterStatusBlock.h"
#include "device/Protocol.h"
#include "device/ReplyEvents.h"
#include "job/JobControl.h"
#include "job/JobRunner.h"
#include "job/PrintChecks.h"
#include "platform/RandomSource.h"
#include "print/RipReader.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/setup/HeadsFromConfig.h"
#include "uimodel/PrinterSession.h"

namespace tavolux::cli {

namespace {

constexpr const char* kUsage =
    "usage: tavolux-cli print FILE [--copies N] [--print-type I] [--mask-mode M] "
    "[--media-out DIR]";

std::atomic<bool> g_cancel{false};

extern "C" void OnPrintInterrupt(int /*signal*/)
{
    g_cancel = true;
}

// The progress line on the terminal: copy, a bar, passes and remaining time.
class CProgressLine : public IJobRunnerObserver {
public:
    explicit CProgressLine(std::ostream& out) : m_out(out) {}
    void CopyStarted(const std::string& text) override
    {
        std::lock_guard lock(m_mutex);
        m_copy = text;
        m_sent = 0;
        Draw();
    }
    void PassSent(int sent, int total) override
    {
        std::lock_guard lock(m_mutex);
        m_sent = sent;
        m_total = total;
        Draw();
    }
    void RemainingTime(const std::string& text) override
    {
        std::lock_guard lock(m_mutex);
        m_remaining = text;
    }
    void Suspended(int line) override
    {
        std::lock_guard lock(m_mutex);
        m_out << "\n" << LoadResString(ids::kTaskSuspended) << " (line " << line << ")";
    }
    void Finish()
    {
        std::lock_guard lock(m_mutex);
        m_out << std::endl;
    }

private:
    void Draw()
    {
        constexpr int kBar = 30;
        const int filled = m_total > 0 ? m_sent * kBar / m_total : 0;
        m_out << "\r" << m_copy << " [" << std::string(static_cast<size_t>(filled), '#')
              << std::string(static_cast<size_t>(kBar - filled), '.') << "] pass " << m_sent << "/"
              << m_total;
        if (!m_remaining.empty()) {
            m_out << " remaining " << m_remaining;
        }
        m_out << "   " << std::flush;
    }

    std::ostream& m_out;
    std::mutex m_mutex;  // guards everything below and the stream
    std::string m_copy;
    std::string m_remaining;
    int m_sent = 0;
    int m_total = 0;
};

// Loads the configured heads onto the in-process virtual printer so that it prints onto a
// sheet at the job's resolution. False with a message when the heads cannot print.
bool LoadVirtualMedia(CliContext& ctx, PrinterConnection& c, const PassTask& task)
{
    const sim::PrinterHeads heads = sim::HeadsFromConfig(*c.config);
    if (const std::string problem = heads.Problem(); !problem.empty()) {
        *ctx.err << "tavolux-cli: the virtual printer cannot print: " << problem << "\n";
        return false;
    }
    c.virtualPrinter->LoadMedia(heads, task.resolutionX, task.resolutionY);
    return true;
}

// Writes the sheet and says where its picture is.
void WriteVirtualMedia(CliContext& ctx, const PrinterConnection& c,
                       const std::filesystem::path& dir)
{
    std::string error;
    if (c.virtualPrinter->WriteMedia(dir, error)) {
        *ctx.out << "printed sheet: " << (dir / "sheet.png").string() << " (summary in "
                 << (dir / "summary.json").string() << ")" << std::endl;
    } else {
        *ctx.err << "tavolux-cli: the sheet was not written: " << error << "\n";
    }
}

}  // namespace

int RunPrintCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (args.empty()) {
        return Fail(ctx, kExitUsage, kUsage);
    }
    PassTask task;
    task.file = args[0];
    int copies = 1;
    int printType = -1;
    int maskMode = kMaskPass;
    std::filesystem::path mediaOut;
    for (size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return Fail(ctx, kExitUsage, args[i] + " needs a value\n" + kUsage);
        }
        const std::string& key = args[i];
        const std::string& value = args[i + 1];
        int* target = key == "--copies"       ? &copies
                      : key == "--print-type" ? &printType
                      : key == "--mask-mode"  ? &maskMode
                                              : nullptr;
        if (key == "--media-out") {
            mediaOut = value;
        } else if (target == nullptr || !ParseWholeNumber(value, *target)) {
            std::string text = "bad option ";
            text.append(key).append(" ").append(value).append("\n").append(kUsage);
            return Fail(ctx, kExitUsage, text);
        }
    }
    if (maskMode < 0 || maskMode > 2) {
        return Fail(ctx, kExitUsage, "--mask-mode is 0, 1 or 2");
    }
    PrinterConnection c;
    if (!MakePrinterConnection(ctx, c)) {
        return kExitUsage;
    }
    if (!mediaOut.empty() && !c.virtualPrinter) {
        return Fail(ctx, kExitUsage,
                    "--media-out needs --printer virtual; a virtual printer program writes its "
                    "own sheets (tavolux-vprinter --media-out DIR)");
    }
    const CPrinterConfig& config = *c.config;

    PrintCheckInput check;
    check.file = task.file;
    check.copies = copies;
    CRipReader probe;
    std::error_code ec;
    if (std::filesystem::is_regular_file(task.file, ec)) {
        if (probe.OpenForPreview(task.file) != kRipOk) {
            return Fail(ctx, kExitFailed, task.file.string() + ": " + probe.ErrorText());
        }
        check.planeCount = probe.PlaneCount();
        check.bytesPerPlaneLine = probe.BytesPerPlaneLine();
        check.xResolution = probe.XResolution();
        task.resolutionX = probe.XResolution();
        task.resolutionY = probe.YResolution();
        probe.Close();
    }
    if (const int message = CheckPrintTask(config, check); message != 0) {
        return Fail(ctx, kExitFailed, LoadResString(message));
    }
    const double widthMm = PrintedWidthBytes(config, check) * 8.0 / task.resolutionX * 25.4;
    if (config.params.MaxPrintWidth > 0 && widthMm > config.params.MaxPrintWidth) {
        return Fail(ctx, kExitFailed, LoadResString(ids::kJobTooWide));
    }
    task.printType = printType >= 0 ? printType : config.params.PrintTypeID;
    task.passes = ConfiguredPasses(config);
    task.maskMode = maskMode;
    task.direction = config.params.Direction;

    if (config.params.Intercommunication <= 0) {
        return Fail(ctx, kExitFailed,
                    "Intercommunication is 0 in tavolux.ini: the program cannot print without "
                    "the printer's replies");
    }
    CPrinterSession session(config, std::move(c.transport), GetPrinterStatusBlock(),
                            GetReplyEvents());
    session.Device().Open();
    session.StartPolling();
    // The printer reports ready after its reset; a printer that never does is not printed on.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (session.Machine().Get() != MachineState::Ready &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (session.Machine().Get() != MachineState::Ready || !session.Machine().Gate(gate::kPrint)) {
        session.Shutdown();
        return Fail(ctx, kExitFailed, LoadResString(ids::kFunctionInvalid));
    }
    int start = 0;
    if (!ComputeStartPosition(config, widthMm, 0, start)) {
        session.Machine().Set(MachineState::Ready);
        session.Shutdown();
        return Fail(ctx, kExitFailed, LoadResString(ids::kJobTooWide));
    }

    if (config.params.PrintVer % 2 == 1 && config.params.MmPerPulseY > 0.0) {
        // These boards take the distance before the print as a feed offset up front.
        session.Device().SendCommand(
            wire::op::kSetPassOffset,
            static_cast<int32_t>(config.params.DisBeforePrint / config.params.MmPerPulseY));
    }
    if (!mediaOut.empty() && !LoadVirtualMedia(ctx, c, task)) {
        session.Machine().Set(MachineState::Ready);
        session.Shutdown();
        return kExitUsage;
    }
    CProgressLine progress(*ctx.out);
    JobDevice env{config, session.Device(), session.Machine(), GetReplyEvents()};
    CJobRunner runner(env, GetRandomSource(), &progress);
    JobRequest request;
    request.task = task;
    request.copies = copies;
    request.startPosition = start;
    g_cancel = false;
    auto oldInt = std::signal(SIGINT, OnPrintInterrupt);
    auto oldTerm = std::signal(SIGTERM, OnPrintInterrupt);
    runner.Start(request);
    bool cancelSent = false;
    while (runner.Running()) {
        if (g_cancel && !cancelSent) {
            // Cancel is allowed while printing or paused; keep asking until it is taken.
            cancelSent = RequestCancel(session.Machine());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const JobResult result = runner.Wait();
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    progress.Finish();
    session.Shutdown();
    if (!mediaOut.empty()) {
        WriteVirtualMedia(ctx, c, mediaOut);
    }
    if (result.completed) {
        *ctx.out << "printed " << result.copiesDone << " of " << copies << " copies" << std::endl;
        return kExitOk;
    }
    std::string text = result.stopped ? "stopped" : "failed";
    if (!result.error.empty()) {
        text += ": " + result.error;
    }
    text += "; it resumes at line " + std::to_string(result.resumeLine);
    return Fail(ctx, kExitFailed, text);
}

}  // namespace tavolux::cli
