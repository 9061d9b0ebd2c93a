// "print" command: prints a RIP file, or a saved task of the task list with its row kept up to
// date, through the program's print command on the chosen printer, with a progress line; Ctrl+C
// becomes a cancel request.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <ostream>
#include <memory>
#include <thread>

#include <unistd.h>

#include "cli/CliContext.h"
#include "cli/FileRequest.h"
#include "cli/PrinterConnection.h"
#include "device/MachineState.h"
#include "device/PrinterStatusBlock.h"
#include "device/Protocol.h"
#include "device/ReplyEvents.h"
#include "job/JobControl.h"
#include "job/JobRunner.h"
#include "platform/RandomSource.h"
#include "print/RipReader.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/setup/HeadsFromConfig.h"
#include "platform/UiFacade.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskList.h"
#include "uimodel/PrintProgress.h"
#include "uimodel/PrintTask.h"
#include "uimodel/PrinterSession.h"

namespace tavolux::cli {

namespace {

std::atomic<bool> g_cancel{false};
// How long a cancelled job may take to stop before the printer is given up.
constexpr auto kCancelGrace = std::chrono::seconds(3);

extern "C" void OnPrintInterrupt(int /*signal*/)
{
    g_cancel = true;
}

// Writes the sheet and says where its picture is.
void WriteVirtualMedia(CliContext& ctx, const PrinterConnection& c,
                       const std::filesystem::path& dir)
{
    std::string error;
    if (c.virtualPrinter->WriteMedia(dir, error)) {
        *ctx.out << FormatResString(ids::kCliSheetWritten,
                                    {(dir / "sheet.png").string(), (dir / "summary.json").string()})
                 << std::endl;
    } else {
        Fail(ctx, kExitFailed, WithEnglishDetail(LoadResString(ids::kCliSheetNotWritten), error));
    }
}

// Messages of the print command on the tool's error stream, for as long as the command runs.
class CCliUi final : public CConsoleUiFacade {
public:
    explicit CCliUi(CliContext& ctx) : m_ctx(ctx) { SetUi(this); }
    ~CCliUi() override { SetUi(nullptr); }
    CCliUi(const CCliUi&) = delete;
    CCliUi& operator=(const CCliUi&) = delete;
    void ShowMessage(const std::string& text, MessageIcon /*icon*/) override
    {
        std::lock_guard lock(m_mutex);
        Fail(m_ctx, kExitFailed, text);
    }

private:
    CliContext& m_ctx;
    std::mutex m_mutex;  // the job's threads may report too
};

// The command that prints the rest of a stopped print of a file: the same settings, from the
// line where the rest starts, and the copies that are still to come.
std::string RestCommand(const CliContext& ctx, const PassTask& task, const FileJobOptions& options,
                        bool maskGiven, const std::vector<std::string>& flags, int copiesLeft,
                        int line)
{
    // Absolute paths, so that the command works from any folder.
    std::error_code ec;
    const auto absolute = [&ec](const std::filesystem::path& p) {
        return ShellWord(std::filesystem::absolute(p, ec).string());
    };
    std::string command = "tavolux-cli --program-dir " + absolute(ctx.programDir);
    if (!ctx.printer.empty()) {
        command += " --printer " + ShellWord(ctx.printer);
    }
    command +=
        " print " + absolute(task.file) + " --print-type " + std::to_string(options.printType);
    if (maskGiven) {
        command += " --mask-mode " + std::to_string(task.maskMode);
    }
    if (copiesLeft > 1) {
        command += " --copies " + std::to_string(copiesLeft);
    }
    for (const std::string& flag : flags) {
        command += " " + flag;
    }
    return command + " --from-line " + std::to_string(line);
}

}  // namespace

int RunPrintCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (args.empty()) {
        return UsageError(ctx, "print", "");
    }
    // FILE comes first; a saved task is named by --task instead.
    const size_t first = args[0].starts_with("--") ? 0 : 1;
    const std::filesystem::path file = first == 1 ? args[0] : std::string();
    FileJobOptions options;
    int copies = 1;
    int taskNumber = 0;
    bool forceResolution = false;
    bool allowIncomplete = false;
    std::string mediaOutText;
    COptionParser parser(
        {OptionSpec{"--force-resolution", &forceResolution},
         OptionSpec{"--allow-incomplete", &allowIncomplete}, OptionSpec{"--copies", &copies},
         OptionSpec{"--print-type", &options.printType},
         OptionSpec{"--mask-mode", &options.maskMode}, OptionSpec{"--from-line", &options.fromLine},
         OptionSpec{"--task", &taskNumber}, OptionSpec{"--media-out", &mediaOutText}});
    if (const OptionError error = parser.Parse(args, first)) {
        return ReportOptionError(ctx, "print", error);
    }
    const std::filesystem::path mediaOut = mediaOutText;
    const std::vector<std::string>& flags = parser.FlagsGiven();
    options.printTypeGiven = parser.Given("--print-type");
    options.fromLineGiven = parser.Given("--from-line");
    const bool byTask = parser.Given("--task");
    const bool maskGiven = parser.Given("--mask-mode");
    if (byTask && first == 1) {
        return UsageFailure(ctx, "print", LoadResString(ids::kCliFileOrTask));
    }
    if (!byTask && first == 0) {
        return UsageError(ctx, "print", "");
    }
    if (byTask && parser.ValuesGiven().size() > 1 + (mediaOut.empty() ? 0U : 1U)) {
        return UsageFailure(ctx, "print", LoadResString(ids::kCliTaskKeepsSettings));
    }
    if (maskGiven && (options.maskMode < 0 || options.maskMode > 2)) {
        return UsageFailure(ctx, "print", LoadResString(ids::kCliMaskModeRange));
    }
    PrinterConnection c;
    if (!MakePrinterConnection(ctx, c)) {
        return kExitUsage;
    }
    if (!mediaOut.empty() && !c.virtualPrinter) {
        return Fail(ctx, kExitUsage, LoadResString(ids::kCliMediaOutVirtual));
    }
    CPrinterConfig& config = *c.config;
    CCliUi ui(ctx);

    std::unique_ptr<CTaskList> list;
    PrintTaskRequest request;
    CRipReader probe;
    if (byTask) {
        list = std::make_unique<CTaskList>(config, ctx.programDir / kWorksFolderName);
        // A damaged list has said so; its whole records can still be printed.
        list->LoadTasks();
        if (taskNumber < 1 || taskNumber > list->TaskCount()) {
            return Fail(ctx, kExitUsage,
                        FormatResString(ids::kCliNoTask, {std::to_string(taskNumber),
                                                          std::to_string(list->TaskCount())}));
        }
        request = MakeTaskRequest(*list, taskNumber - 1);
        std::error_code ec;
        if (std::filesystem::exists(request.task.file, ec) &&
            probe.OpenForPreview(request.task.file) != kRipOk) {
            return Fail(ctx, kExitFailed, request.task.file.string() + ": " + probe.ErrorText());
        }
        probe.Close();
    } else {
        // The file prints as a task added now would, with the print type's settings.
        if (const int code = SettleFileJob(ctx, config, file, options, true, probe, request);
            code != kExitOk) {
            return code;
        }
        request.copies = copies;
    }
    // A job that cannot print is refused before the printer is reached; the print command
    // checks again and shows the same message.
    if (const int message = CheckPrintRequest(config, request); message != 0) {
        return Fail(ctx, kExitFailed, LoadResString(message));
    }
    // Before ink is spent the operator accepts a stretched or partly blank print.
    if (!AcceptFileWarnings(ctx, CheckFileForPrint(probe, request), forceResolution,
                            allowIncomplete)) {
        return kExitFailed;
    }

    if (config.params.Intercommunication <= 0) {
        return Fail(ctx, kExitFailed, LoadResString(ids::kCliNoPrintWithoutReplies));
    }
    CPrinterSession session(config, std::move(c.transport), GetPrinterStatusBlock(),
                            GetReplyEvents());
    if (const int code = StartReadyPrinter(ctx, c, session); code != 0) {
        return code;
    }

    if (!mediaOut.empty() &&
        !LoadVirtualMedia(ctx, c, request.task.resolutionX, request.task.resolutionY)) {
        session.Machine().Set(MachineState::Ready);
        session.Shutdown();
        return kExitUsage;
    }
    // Redrawn in place only where a person watches it; a log gets a line per pass.
    CPrintProgress progress(*ctx.out, ctx.out == &std::cout && isatty(STDOUT_FILENO) == 1);
    CTaskPrinter printer(PrintTaskDevice{config, session.Device(), session.Machine(),
                                         GetPrinterStatusBlock(), GetReplyEvents()},
                         GetRandomSource(), &progress);
    const PrintTaskResult started = printer.PrintTask(request);
    if (!started.Started()) {
        session.Shutdown();
        // The gate's refusal is a notice on the state line; everything else was shown.
        if (started.messageId == ids::kFunctionInvalid) {
            return Fail(ctx, kExitFailed, LoadResString(ids::kFunctionInvalid));
        }
        return kExitFailed;
    }
    g_cancel = false;
    auto oldInt = std::signal(SIGINT, OnPrintInterrupt);
    auto oldTerm = std::signal(SIGTERM, OnPrintInterrupt);
    bool cancelSent = false;
    bool givenUp = false;
    std::chrono::steady_clock::time_point cancelledAt;
    while (printer.Running()) {
        if (g_cancel && !cancelSent) {
            // Cancel is allowed while printing or paused; keep asking until it is taken.
            if (cancelledAt == std::chrono::steady_clock::time_point()) {
                cancelledAt = std::chrono::steady_clock::now();
            }
            cancelSent = RequestCancel(session.Machine());
        }
        if (g_cancel && !givenUp && std::chrono::steady_clock::now() - cancelledAt > kCancelGrace) {
            // The job did not stop: a transfer waits on a printer that does not answer. Giving
            // the printer up ends every transfer at once, so Ctrl+C never needs kill -9.
            session.Device().Interrupt();
            givenUp = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (givenUp) {
        Fail(ctx, kExitFailed, LoadResString(ids::kPrinterGivenUp));
    }
    const JobResult result = printer.Wait();
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    progress.Finish();
    session.Shutdown();
    if (!mediaOut.empty()) {
        WriteVirtualMedia(ctx, c, mediaOut);
    }
    if (result.completed) {
        *ctx.out << FormatResString(ids::kCliPrinted, {std::to_string(result.copiesDone),
                                                       std::to_string(request.copies)})
                 << std::endl;
        return kExitOk;
    }
    std::string text = LoadResString(result.stopped ? ids::kCliStopped : ids::kCliFailed);
    if (!result.error.empty()) {
        text += ": " + result.error;
    }
    if (byTask) {
        // The task keeps its resume line: printing it again goes on from there.
        text += "\n" + FormatResString(ids::kPrintStoppedAt, {std::to_string(result.resumeLine)}) +
                "\n  tavolux-cli --program-dir " + ShellWord(ctx.programDir.string()) +
                (ctx.printer.empty() ? "" : " --printer " + ShellWord(ctx.printer)) +
                " print --task " + std::to_string(taskNumber);
        return Fail(ctx, kExitFailed, text);
    }
    // Nothing keeps a file's stop line: the command that prints the rest is the way on. The
    // copy that stopped is printed from the stop line, the copies after it whole.
    const int copiesLeft = std::max(request.copies - result.copiesDone, 1);
    const int line = result.resume ? result.resumeLine : request.task.resumeLine;
    text += "\n" + FormatResString(ids::kPrintStoppedAt, {std::to_string(line)}) + "\n  " +
            RestCommand(ctx, request.task, options, maskGiven, flags, copiesLeft, line);
    return Fail(ctx, kExitFailed, text);
}

}  // namespace tavolux::cli
