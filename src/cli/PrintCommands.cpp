// "print" command: prints a RIP file, or a saved task of the task list with its row kept up to
// date, through the program's print command on the chosen printer, with a progress line; Ctrl+C
// becomes a cancel request.
#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <ostream>
#include <memory>
#include <thread>

#include "cli/CliContext.h"
#include "cli/Usage.h"
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
#include "uimodel/PrintTask.h"
#include "uimodel/PrinterSession.h"

namespace tavolux::cli {

namespace {

constexpr const char* kUsage = CommandUsage("print");

std::atomic<bool> g_cancel{false};
// How long a cancelled job may take to stop before the printer is given up.
constexpr auto kCancelGrace = std::chrono::seconds(3);

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
              << std::string(static_cast<size_t>(kBar - filled), '.') << "] pass " << m_sent;
        if (m_total > 0) {
            m_out << "/" << m_total;
        }
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

}  // namespace

int RunPrintCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (args.empty()) {
        return Fail(ctx, kExitUsage, kUsage);
    }
    PassTask task;
    // FILE comes first; a saved task is named by --task instead.
    const size_t first = args[0].starts_with("--") ? 0 : 1;
    if (first == 1) {
        task.file = args[0];
    }
    int copies = 1;
    int printType = -1;
    int maskMode = kMaskPass;
    int taskNumber = 0;
    std::vector<std::string> given;
    std::filesystem::path mediaOut;
    for (size_t i = first; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return Fail(ctx, kExitUsage, args[i] + " needs a value\n" + kUsage);
        }
        const std::string& key = args[i];
        const std::string& value = args[i + 1];
        int* target = key == "--copies"       ? &copies
                      : key == "--print-type" ? &printType
                      : key == "--mask-mode"  ? &maskMode
                      : key == "--task"       ? &taskNumber
                                              : nullptr;
        if (key == "--media-out") {
            mediaOut = value;
        } else if (target == nullptr || !ParseWholeNumber(value, *target)) {
            std::string text = "bad option ";
            text.append(key).append(" ").append(value).append("\n").append(kUsage);
            return Fail(ctx, kExitUsage, text);
        }
        given.push_back(key);
    }
    const bool byTask = std::find(given.begin(), given.end(), "--task") != given.end();
    if (byTask && first == 1) {
        return Fail(ctx, kExitUsage,
                    "give either FILE or --task N, not both\n" + std::string(kUsage));
    }
    if (!byTask && first == 0) {
        return Fail(ctx, kExitUsage, kUsage);
    }
    if (byTask && given.size() > 1 + (mediaOut.empty() ? 0U : 1U)) {
        return Fail(ctx, kExitUsage,
                    "--task prints the task with the settings stored with it; --copies, "
                    "--print-type and --mask-mode go with FILE");
    }
    const bool maskGiven = std::find(given.begin(), given.end(), "--mask-mode") != given.end();
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
    CPrinterConfig& config = *c.config;
    CCliUi ui(ctx);

    std::unique_ptr<CTaskList> list;
    PrintTaskRequest request;
    if (byTask) {
        list = std::make_unique<CTaskList>(config, ctx.programDir / kWorksFolderName);
        // A damaged list has said so; its whole records can still be printed.
        list->LoadTasks();
        if (taskNumber < 1 || taskNumber > list->TaskCount()) {
            return Fail(ctx, kExitUsage,
                        "no task " + std::to_string(taskNumber) + ": the list has " +
                            std::to_string(list->TaskCount()) +
                            " tasks, numbered as \"tasks list\" shows them");
        }
        request = MakeTaskRequest(*list, taskNumber - 1);
    } else {
        CRipReader probe;
        std::error_code ec;
        if (std::filesystem::is_regular_file(task.file, ec)) {
            if (probe.OpenForPreview(task.file) != kRipOk) {
                return Fail(ctx, kExitFailed, task.file.string() + ": " + probe.ErrorText());
            }
            request.planeCount = probe.PlaneCount();
            request.bytesPerPlaneLine = probe.BytesPerPlaneLine();
            task.resolutionX = probe.XResolution();
            task.resolutionY = probe.YResolution();
            probe.Close();
        }
        // The file prints as a task added now would: with the print type's resolution, pass
        // count, step correction and masks (unless --mask-mode says otherwise).
        const PrintTypeChoice choice =
            DerivePrintType(config, printType >= 0 ? printType : config.params.PrintTypeID);
        if (choice.xResolution > 0 && choice.yResolution > 0) {
            task.resolutionX = choice.xResolution;
            task.resolutionY = choice.yResolution;
        }
        task.printType = choice.printTypeCode;
        task.passes = choice.passes;
        task.maskMode = maskGiven ? maskMode : choice.maskMode;
        task.direction = config.params.Direction;
        request.task = task;
        request.copies = copies;
    }
    // A job that cannot print is refused before the printer is reached; the print command
    // checks again and shows the same message.
    if (const int message = CheckPrintRequest(config, request); message != 0) {
        return Fail(ctx, kExitFailed, LoadResString(message));
    }

    if (config.params.Intercommunication <= 0) {
        return Fail(ctx, kExitFailed,
                    "Intercommunication is 0 in tavolux.ini: the program cannot print without "
                    "the printer's replies");
    }
    CPrinterSession session(config, std::move(c.transport), GetPrinterStatusBlock(),
                            GetReplyEvents());
    if (!OpenPrinter(ctx, c, session.Device())) {
        session.Shutdown();
        return kExitFailed;
    }
    session.StartPolling();
    // The printer reports ready after its reset; a printer that never does is not printed on.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (session.Machine().Get() != MachineState::Ready &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (session.Machine().Get() != MachineState::Ready) {
        session.Shutdown();
        return Fail(ctx, kExitFailed, LoadResString(ids::kFunctionInvalid));
    }

    if (!mediaOut.empty() && !LoadVirtualMedia(ctx, c, request.task)) {
        session.Machine().Set(MachineState::Ready);
        session.Shutdown();
        return kExitUsage;
    }
    CProgressLine progress(*ctx.out);
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
        *ctx.out << "printed " << result.copiesDone << " of " << request.copies << " copies"
                 << std::endl;
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
