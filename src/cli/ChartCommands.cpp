// "chart" command: lists the test charts of the configured printer, prints one through the
// test runner on the chosen printer with the print command's progress line and exit codes, or
// lists a chart's passes without a printer. Ctrl+C becomes a cancel request.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include <unistd.h>

#include "chart/GlyphFiles.h"
#include "chart/HeadSlant.h"
#include "chart/Patterns.h"
#include "chart/TestRunner.h"
#include "cli/CliContext.h"
#include "cli/PrinterConnection.h"
#include "device/MachineState.h"
#include "device/PrinterStatusBlock.h"
#include "device/ReplyEvents.h"
#include "job/JobControl.h"
#include "platform/RandomSource.h"
#include "platform/ProgramDir.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/setup/HeadsFromConfig.h"
#include "uimodel/PrintProgress.h"
#include "uimodel/PrinterSession.h"

namespace tavolux::cli {

namespace {

std::atomic<bool> g_chartCancel{false};
constexpr auto kChartCancelGrace = std::chrono::seconds(3);

extern "C" void OnChartInterrupt(int /*signal*/)
{
    g_chartCancel = true;
}

// The chart's planning runner, of the variant that prints it on this printer.
std::unique_ptr<chart::CTestRunner> PlanningRunner(const CPrinterConfig& config, int index,
                                                   chart::RunnerKind& kind)
{
    kind = chart::RunnerKindFor(config, index);
    return chart::MakePlanningRunner(kind, config);
}

int ListCharts(CliContext& ctx, const CPrinterConfig& config)
{
    *ctx.out << LoadResString(ids::kCliChartListHead) << "\n";
    for (const auto& entry : chart::kChartNames) {
        chart::RunnerKind kind{};
        auto runner = PlanningRunner(config, entry.index, kind);
        const auto pattern = runner->PlanChart(entry.index);
        if (!pattern) {
            continue;  // not drawn yet on this printer
        }
        *ctx.out << entry.name << "  " << entry.index << "  " << pattern->PassCount() << "  "
                 << chart::RunnerName(kind) << "\n";
    }
    return kExitOk;
}

// Rows with a drop in each channel after a pass was drawn, as "0:256 1:256 ...".
std::string DrawnRows(const std::vector<CHeadChannel>& channels)
{
    std::ostringstream s;
    for (const auto& channel : channels) {
        int rows = 0;
        for (const uint8_t* row : channel.Rows()) {
            rows += std::any_of(row, row + channel.RowBytes(), [](uint8_t b) { return b != 0; })
                        ? 1
                        : 0;
        }
        s << (channel.Index() == 0 ? "" : " ") << channel.Index() << ":" << rows;
    }
    return s.str();
}

int DryRun(CliContext& ctx, chart::CTestPattern& pattern)
{
    if (!pattern.Setup(chart::ChartPassTask(pattern.Job()))) {
        return Fail(ctx, kExitFailed, pattern.ErrorText());
    }
    std::vector<uint16_t> transfer(static_cast<size_t>(pattern.MaxTransferWords()));
    while (!pattern.Done()) {
        PassDescriptor d;
        const PassOutcome out = pattern.BuildNextPass(transfer, d);
        if (!out.built) {
            return Fail(ctx, kExitFailed, LoadResString(ids::kChartFailed));
        }
        *ctx.out << FormatResString(
                        ids::kCliChartDryPass,
                        {std::to_string(d[PassDescriptor::kPassIndex]), std::to_string(out.step),
                         std::to_string(pattern.FeedToSteps(out.step)),
                         DrawnRows(pattern.Channels())})
                 << "\n";
    }
    return kExitOk;
}

}  // namespace

int RunChartCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (args.empty()) {
        return UsageError(ctx, "chart", "");
    }
    const std::string& name = args[0];
    int speed = -1;
    int passMode = -1;
    int xRes = -1;
    bool dryRun = false;
    std::string mediaOutText;
    COptionParser parser({OptionSpec{"--speed", &speed, 0}, OptionSpec{"--pass-mode", &passMode, 0},
                          OptionSpec{"--xres", &xRes, 1}, OptionSpec{"--dry-run", &dryRun},
                          OptionSpec{"--media-out", &mediaOutText}});
    if (const OptionError error = parser.Parse(args, 1)) {
        return ReportOptionError(ctx, "chart", error);
    }
    PrinterConnection c;
    if (!MakePrinterConnection(ctx, c)) {
        return kExitUsage;
    }
    CPrinterConfig& config = *c.config;
    if (name == "list") {
        if (args.size() > 1) {
            return UsageError(ctx, "chart", args[1]);
        }
        return ListCharts(ctx, config);
    }
    const auto* entry = std::find_if(std::begin(chart::kChartNames), std::end(chart::kChartNames),
                                     [&](const auto& e) { return name == e.name; });
    if (entry == std::end(chart::kChartNames)) {
        return UsageFailure(ctx, "chart", FormatResString(ids::kCliChartUnknown, {name}));
    }
    const int passModes = static_cast<int>(config.lists.ToTalPassList.size());
    if (passMode >= passModes) {
        return UsageFailure(
            ctx, "chart", FormatResString(ids::kCliChartPassMode, {std::to_string(passModes - 1)}));
    }
    chart::RunnerKind kind{};
    auto planner = PlanningRunner(config, entry->index, kind);
    auto pattern = planner->PlanChart(entry->index, passMode, speed, xRes);
    if (!pattern) {
        return Fail(ctx, kExitFailed,
                    FormatResString(ids::kChartUnknownIndex,
                                    {std::to_string(entry->index), chart::RunnerName(kind)}));
    }
    if (dryRun) {
        const int code = DryRun(ctx, *pattern);
        if (code == kExitOk && entry->index == chart::kHeadSlantIndex) {
            std::string values;
            for (const int slant : chart::kSlantParameters) {
                values += (values.empty() ? "" : ", ") + std::to_string(slant);
            }
            const int rows = pattern->Job().height + chart::kSlantGapRows;
            *ctx.out << FormatResString(ids::kCliChartSlantRepeat,
                                        {values, std::to_string(rows),
                                         std::to_string(pattern->FeedToSteps(rows))})
                     << "\n";
        }
        return code;
    }
    const std::filesystem::path mediaOut = mediaOutText;
    if (!mediaOut.empty() && !c.virtualPrinter) {
        return Fail(ctx, kExitUsage, LoadResString(ids::kCliMediaOutVirtual));
    }
    // A chart that would stop at a missing glyph file is refused before the printer is reached.
    // Beside a built program, or in the data folder of an installed one.
    const std::filesystem::path glyphDir =
        FindDataFile(chart::kDigitFileName, ctx.programDir).parent_path();
    std::filesystem::path badFile;
    if (const int problem = chart::CheckGlyphFiles(glyphDir, &badFile); problem != 0) {
        return Fail(ctx, kExitFailed, chart::GlyphFileProblemText(problem, badFile));
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
        !LoadVirtualMedia(ctx, c, pattern->Job().xResolution, pattern->Job().yResolution)) {
        session.Shutdown();
        return kExitUsage;
    }

    CPrintProgress progress(*ctx.out, ctx.out == &std::cout && isatty(STDOUT_FILENO) == 1);
    const JobDevice env{config, session.Device(), session.Machine(), GetReplyEvents()};
    auto runner = chart::MakeTestRunner(kind, env, GetRandomSource(), &progress);
    runner->SetGlyphDir(glyphDir);
    // The runner waits on the printer; this thread watches for Ctrl+C meanwhile.
    std::atomic<bool> done{false};
    bool printed = false;
    std::thread worker([&] {
        printed = runner->RunTest(entry->index, passMode, speed, xRes);
        done = true;
    });
    g_chartCancel = false;
    auto oldInt = std::signal(SIGINT, OnChartInterrupt);
    auto oldTerm = std::signal(SIGTERM, OnChartInterrupt);
    bool cancelSent = false;
    bool givenUp = false;
    std::chrono::steady_clock::time_point cancelledAt;
    while (!done) {
        if (g_chartCancel && !cancelSent) {
            if (cancelledAt == std::chrono::steady_clock::time_point()) {
                cancelledAt = std::chrono::steady_clock::now();
            }
            cancelSent = RequestCancel(session.Machine());
        }
        if (g_chartCancel && !givenUp &&
            std::chrono::steady_clock::now() - cancelledAt > kChartCancelGrace) {
            session.Device().Interrupt();
            givenUp = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    worker.join();
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    progress.Finish();
    session.Shutdown();
    if (givenUp) {
        Fail(ctx, kExitFailed, LoadResString(ids::kPrinterGivenUp));
    }
    if (!mediaOut.empty()) {
        std::string error;
        if (c.virtualPrinter->WriteMedia(mediaOut, error)) {
            *ctx.out << FormatResString(ids::kCliSheetWritten,
                                        {(mediaOut / "sheet.png").string(),
                                         (mediaOut / "summary.json").string()})
                     << std::endl;
        } else {
            Fail(ctx, kExitFailed,
                 WithEnglishDetail(LoadResString(ids::kCliSheetNotWritten), error));
            printed = false;
        }
    }
    if (printed) {
        *ctx.out << FormatResString(ids::kCliChartPrinted, {name}) << std::endl;
        return kExitOk;
    }
    std::string text = LoadResString(runner->Stopped() ? ids::kCliStopped : ids::kCliFailed);
    if (!runner->ErrorText().empty()) {
        text += ": " + runner->ErrorText();
    }
    return Fail(ctx, kExitFailed, text);
}

}  // namespace tavolux::cli
