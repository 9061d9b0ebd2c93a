// The main frame's test prints on the virtual printer behind a running poll thread: each menu
// command and side-bar item prints its chart (the sheet the runner itself prints for that
// index), one job at a time, cancel and the reset after it, a failure told later, and the close
// sequence with a chart under way.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "chart/TestRunner.h"
#include "config/ConfigFixture.h"
#include "device/MachineState.h"
#include "device/PrinterStatusBlock.h"
#include "device/Protocol.h"
#include "device/ReplyEvents.h"
#include "platform/RandomSource.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualTransport.h"
#include "sim/setup/HeadsFromConfig.h"
#include "uimodel/ChartPrint.h"
#include "uimodel/MainFrameModel.h"
#include "uimodel/PrintTask.h"
#include "uimodel/PrinterSession.h"
#include "uimodel/UiDispatcher.h"

namespace tavolux::test {

namespace {

using S = MachineState;
namespace fs = std::filesystem;

constexpr int kTestFolder = 1;

JobLimits Limits()
{
    JobLimits l;
    l.syncMs = 10000;
    l.moveMs = 10000;
    l.passMs = 10000;
    l.sliceMs = 2;
    l.progressSliceMs = 5;
    return l;
}

// The sample's first printer (staggered heads), with the glyph files the build rendered beside
// the program (or none).
struct ChartRig {
    explicit ChartRig(bool glyphs = true)
    {
        std::ifstream in(fs::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini");
        std::stringstream text;
        text << in.rdbuf();
        cfg.dir.Write(kConfigFileName, text.str());
        cfg.Set("SYSTEM", "Printer", "0");
        if (glyphs) {
            for (const char* name : {"DiGi.bin", "ZiMo.bin"}) {
                fs::copy_file(fs::path(TAVOLUX_BIN_DIR) / name, cfg.dir.Path() / name);
            }
        }
        EXPECT_TRUE(cfg.config.LoadConfig());
        cfg.config.params.AutoFlash = 0;
        cfg.config.params.IfAutoControl = 0;
        // The charts' own resolution: a sheet at the nozzle pitch would only be slower.
        printer->LoadMedia(sim::HeadsFromConfig(cfg.config), cfg.config.params.CaliResolutionX,
                           cfg.config.params.PrinterResolution);
        session = std::make_unique<CPrinterSession>(
            cfg.config, std::make_unique<sim::CVirtualTransport>(printer), block, events);
        EXPECT_EQ(session->Device().Open(), 1);
        session->Poller().SetWaitFunction([](int) {});
        session->Machine().SetObserver([this](S s) {
            if (s == S::Printing) {
                printingSeen = true;
            }
        });
        EXPECT_TRUE(session->StartPolling());
        EXPECT_TRUE(Run([this] { return State() == S::Ready; }));
        taskPrinter = std::make_unique<CTaskPrinter>(
            PrintTaskDevice{cfg.config, session->Device(), session->Machine(), block, events},
            random);
        charts = std::make_unique<CChartPrinter>(
            JobDevice{cfg.config, session->Device(), session->Machine(), events}, random);
        charts->SetLimits(Limits());
        model = std::make_unique<CMainFrameModel>(MainFrameEnv{.config = cfg.config,
                                                               .dispatcher = dispatcher,
                                                               .session = session.get(),
                                                               .printer = taskPrinter.get(),
                                                               .charts = charts.get()});
        model->SetLateRequestSink([this](const ViewRequest& r) { late.push_back(r); });
        model->SetSideFolder(kTestFolder);
    }
    ~ChartRig()
    {
        model.reset();
        session->Shutdown();
        session->Machine().SetObserver(nullptr);
    }

    S State() const { return session->Machine().Get(); }

    // The UI thread's loop: until f holds, bounded.
    template <class F>
    bool Run(F f)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!f() && std::chrono::steady_clock::now() < deadline) {
            if (dispatcher.RunPending() == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return f();
    }
    bool ChartEnded()
    {
        return Run([this] { return !charts->Running(); });
    }

    ConfigFixture cfg;
    PrinterStatusBlock block;
    ReplyEvents events;
    CRandomSource random{1};
    CUiDispatcher dispatcher;
    std::shared_ptr<sim::CVirtualPrinter> printer = std::make_shared<sim::CVirtualPrinter>();
    std::unique_ptr<CPrinterSession> session;
    std::unique_ptr<CTaskPrinter> taskPrinter;
    std::unique_ptr<CChartPrinter> charts;
    std::vector<ViewRequest> late;
    std::atomic<bool> printingSeen{false};
    std::unique_ptr<CMainFrameModel> model;
};

// The sheet of test index printed by the runner itself on a rig of its own.
std::string RunnerSheet(int index)
{
    ChartRig rig;
    rig.model.reset();
    const CPrinterConfig& config = rig.cfg.config;
    auto runner = chart::MakeTestRunner(
        chart::RunnerKindFor(config, index),
        JobDevice{config, rig.session->Device(), rig.session->Machine(), rig.events}, rig.random);
    runner->SetLimits(Limits());
    runner->SetGlyphDir(rig.cfg.dir.Path());
    EXPECT_TRUE(runner->RunTest(index)) << runner->ErrorText();
    return rig.printer->Sheet().SummaryJson();
}

}  // namespace

TEST(ChartCommands, EachCommandPrintsItsChart)
{
    struct Case {
        int command;
        int index;
        int passes;  // of that chart on this printer
    };
    const Case cases[] = {
        {cmd::kNozzleCheck, 6, 2},
        {cmd::kVerticalCheck, 5, 2},
        {cmd::kHeadOffsetCheck, 9, 3},
        {cmd::kPlatformCheck, 8, 1},  // drawn by the standard runner on staggered heads
    };
    std::vector<std::string> sheets;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        ChartRig rig;
        EXPECT_EQ(rig.model->Execute(c.command).action, ViewAction::None);
        ASSERT_TRUE(rig.ChartEnded());
        rig.dispatcher.RunPending();
        EXPECT_EQ(rig.State(), S::Ready);
        EXPECT_EQ(rig.printer->PassesDone(), c.passes);
        EXPECT_TRUE(rig.late.empty()) << rig.late.front().text;
        EXPECT_TRUE(rig.printingSeen);
        const std::string sheet = rig.printer->Sheet().SummaryJson();
        EXPECT_EQ(sheet, RunnerSheet(c.index));
        sheets.push_back(sheet);
    }
    // The charts differ, so a command routed to another index would have been seen.
    ASSERT_EQ(sheets.size(), 4U);
    for (size_t i = 0; i < sheets.size(); ++i) {
        for (size_t j = i + 1; j < sheets.size(); ++j) {
            EXPECT_NE(sheets[i], sheets[j]) << i << " " << j;
        }
    }
}

// While a chart prints, a second chart and a print are refused as the gate refuses; cancel
// stops it with its message, and the printer is reset after it.
TEST(ChartCommands, OneAtATimeAndCancelStopsWithAMessage)
{
    ChartRig rig;
    rig.printer->StallNextPass();
    ASSERT_EQ(rig.model->Execute(cmd::kNozzleCheck).action, ViewAction::None);
    ASSERT_TRUE(rig.Run([&rig] { return rig.State() == S::Printing; }));
    for (const int second : {cmd::kVerticalCheck, cmd::kNozzleCheck, cmd::kPrint}) {
        SCOPED_TRACE(second);
        rig.session->StateLine().ShowNotice("");
        EXPECT_EQ(rig.model->Execute(second).action, ViewAction::None);
        EXPECT_EQ(rig.session->StateLine().Notice(), LoadResString(ids::kFunctionInvalid));
    }
    EXPECT_EQ(rig.model->ExecuteSideItem(kTestFolder, 5).action, ViewAction::None);
    EXPECT_EQ(rig.State(), S::Printing);

    const int resets = rig.printer->LoneCommands(wire::cmd::kReset);
    EXPECT_EQ(rig.model->Execute(cmd::kCancel).action, ViewAction::None);
    ASSERT_TRUE(rig.ChartEnded());
    ASSERT_TRUE(rig.Run([&rig] { return !rig.late.empty(); }));
    ASSERT_EQ(rig.late.size(), 1U);
    EXPECT_EQ(rig.late[0].action, ViewAction::Message);
    EXPECT_EQ(rig.late[0].command, cmd::kNozzleCheck);
    EXPECT_EQ(rig.late[0].text, LoadResString(ids::kChartStopped));
    EXPECT_LE(rig.printer->PassesDone(), 1);
    EXPECT_EQ(rig.printer->LoneCommands(wire::cmd::kReset), resets + 1);
    EXPECT_TRUE(rig.Run([&rig] { return rig.State() == S::Ready; }));
}

// A chart that cannot start says why, later and once, for the command it came from: the side
// bar's items are those commands. The head slant check asks the runner for its own index
// (printed, or refused by a runner that does not draw it yet).
TEST(ChartCommands, RefusedChartIsToldLaterAndSideItemsAreTheCommands)
{
    ChartRig bare(/*glyphs=*/false);
    const std::pair<int, int> items[] = {{2, cmd::kNozzleCheck},  // "喷孔状态"
                                         {3, cmd::kVerticalCheck},
                                         {4, cmd::kHeadOffsetCheck},
                                         {5, cmd::kPlatformCheck}};
    for (const auto& [item, command] : items) {
        SCOPED_TRACE(item);
        bare.late.clear();
        EXPECT_EQ(bare.model->ExecuteSideItem(kTestFolder, item).action, ViewAction::None);
        ASSERT_TRUE(bare.ChartEnded());
        ASSERT_TRUE(bare.Run([&bare] { return !bare.late.empty(); }));
        ASSERT_EQ(bare.late.size(), 1U);
        EXPECT_EQ(bare.late[0].command, command);
        EXPECT_NE(bare.late[0].text.find("DiGi.bin"), std::string::npos) << bare.late[0].text;
    }
    EXPECT_EQ(bare.printer->PassesDone(), 0);
    EXPECT_EQ(bare.State(), S::Ready);

    ChartRig rig;
    EXPECT_EQ(rig.model->Execute(cmd::kHeadSlantCheck).action, ViewAction::None);
    ASSERT_TRUE(rig.ChartEnded());
    rig.dispatcher.RunPending();
    EXPECT_TRUE(rig.late.empty()) << rig.late[0].text;
    EXPECT_EQ(rig.printer->PassesDone(), 2);  // one chart per slant parameter
}

// The printer drops off mid-chart: the window may close, and the close sequence ends the chart
// within its limit.
TEST(ChartCommands, CloseJoinsTheChartWithinItsLimit)
{
    ChartRig rig;
    rig.printer->StallNextPass();
    ASSERT_EQ(rig.model->Execute(cmd::kNozzleCheck).action, ViewAction::None);
    ASSERT_TRUE(rig.Run([&rig] { return rig.State() == S::Printing; }));
    rig.printer->Unplug();
    ASSERT_TRUE(rig.Run([&rig] { return rig.State() == S::Offline; }));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(rig.model->RequestClose().action, ViewAction::Close);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(rig.charts->Running());
    EXPECT_LT(took, std::chrono::milliseconds(CMainFrameModel::kChartStopLimitMs +
                                              CMainFrameModel::kPollStopLimitMs + 1000));
    EXPECT_TRUE(rig.dispatcher.IsClosed());
}

}  // namespace tavolux::test
