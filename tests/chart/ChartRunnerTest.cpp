// The test runner and the chart framework: job descriptions per test index and variant, the
// runner rule, pass counts and feeds, feed conversion, the checks before a chart, and charts
// that are cancelled, unplugged or met by a silent printer.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "chart/ChartFixture.h"
#include "chart/Patterns.h"
#include "job/JobControl.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "support/TempDir.h"

using namespace tavolux;
using chart::RunnerKind;

namespace {

class ChartRunnerTest : public test::ChartFixture {};

TEST_F(ChartRunnerTest, JobDescriptionOfEveryIndex)
{
    Start(1);  // TX6: CaliResolutionX 600, PrinterResolution 100, MaxPrintWidth 3200
    auto& p = cfg.config.params;
    p.Speed = 2;
    struct Case {
        RunnerKind kind;
        int index;
        int passMode;  // requested
        int xRes;      // requested
        int height;
        int width;
        int jobXRes;
        int jobPassMode;
    };
    const int w8 = static_cast<int>((p.MaxPrintWidth - p.OriginPos - 100) * 600 * 0.125 / 25.4);
    const int w15 = static_cast<int>((p.MaxPrintWidth - 100) * 600 * 0.125 / 25.4);
    const Case cases[] = {
        {RunnerKind::Standard, 0, 3, 300, 960, 400, 300, 0},
        {RunnerKind::Standard, 1, -1, -1, 512, 960, 600, 0},
        {RunnerKind::Standard, 2, 3, 300, 2048, 700, 600, 3},
        {RunnerKind::Standard, 2, -1, -1, 2048, 700, 600, 0},
        {RunnerKind::Standard, 3, 2, -1, 512, 500, 600, 2},
        {RunnerKind::Standard, 4, 1, -1, 1024, 650, 600, 1},
        {RunnerKind::Standard, 5, 2, 1200, 1536, 1200, 600, 0},
        {RunnerKind::Standard, 6, 2, 1200, 1024, 650, 600, 0},
        {RunnerKind::Standard, 8, -1, -1, 512, w8, 600, 0},
        {RunnerKind::Standard, 9, -1, -1, 512, 800, 600, 0},
        {RunnerKind::Standard, 14, -1, 1200, 1280, 1600, 1200, 0},
        {RunnerKind::Standard, 15, 1, -1, 512, w15, 600, 1},
        {RunnerKind::Staggered, 6, -1, -1, 1024, 650, 600, 1},
        {RunnerKind::Staggered, 10, -1, 300, 2560, 325, 300, 1},
        {RunnerKind::Staggered, 0, 3, -1, 960, 800, 600, 1},
        {RunnerKind::White, 6, -1, -1, 1024, 650, 600, 1},
        {RunnerKind::White, 14, -1, -1, 1280, 800, 600, 1},
    };
    for (const Case& c : cases) {
        auto runner = chart::MakePlanningRunner(c.kind, cfg.config);
        runner->PlanChart(c.index, c.passMode, -1, c.xRes);
        ASSERT_TRUE(runner->SetupJob(c.index)) << c.index;
        const auto& job = runner->Job();
        EXPECT_EQ(job.height, c.height) << chart::RunnerName(c.kind) << " " << c.index;
        EXPECT_EQ(job.bytesPerPlaneLine, c.width) << chart::RunnerName(c.kind) << " " << c.index;
        EXPECT_EQ(job.xResolution, c.jobXRes) << c.index;
        EXPECT_EQ(job.yResolution, 100) << c.index;
        EXPECT_EQ(job.printTypeCode, c.jobPassMode) << chart::RunnerName(c.kind) << " " << c.index;
        EXPECT_EQ(job.speed, 2);
        EXPECT_DOUBLE_EQ(runner->Scale(), c.jobXRes / 600.0);
        EXPECT_EQ(job.printTypeId, c.index == 10 ? p.Resolution : 0);
    }
    // Indices no variant knows, and those a variant leaves out.
    for (const auto& [kind, index] :
         {std::pair{RunnerKind::Standard, 7}, std::pair{RunnerKind::Standard, 10},
          std::pair{RunnerKind::Standard, 16}, std::pair{RunnerKind::Standard, -1},
          std::pair{RunnerKind::Staggered, 8}, std::pair{RunnerKind::Staggered, 2},
          std::pair{RunnerKind::White, 9}, std::pair{RunnerKind::White, 0}}) {
        EXPECT_FALSE(chart::MakePlanningRunner(kind, cfg.config)->SetupJob(index)) << index;
        EXPECT_FALSE(chart::MakePlanningRunner(kind, cfg.config)->PlanChart(index)) << index;
    }
}

TEST_F(ChartRunnerTest, RunnerRuleFollowsTheHeadArrangement)
{
    Start(0);
    auto& p = cfg.config.params;
    struct Case {
        int level;
        int groups;
        int whiteColours;
        RunnerKind kind;
    };
    for (const Case c :
         {Case{1, 2, 0, RunnerKind::Staggered}, Case{1, 4, 4, RunnerKind::Staggered},
          Case{1, 3, 4, RunnerKind::White}, Case{1, 1, 0, RunnerKind::Standard},
          Case{0, 2, 4, RunnerKind::Standard}, Case{2, 4, 0, RunnerKind::Standard}}) {
        p.HeadLevelList = {0, c.level, 0};
        p.GroupNo = c.groups;
        p.WhiteColorNo = c.whiteColours;
        EXPECT_EQ(chart::ChooseRunnerKind(cfg.config), c.kind)
            << c.level << " " << c.groups << " " << c.whiteColours;
    }
}

std::unique_ptr<chart::CTestPattern> Pattern(const CPrinterConfig& config, RunnerKind kind,
                                             int index, int passMode = 0)
{
    chart::ChartJob job;
    job.planeCount = config.params.ColorNo;
    job.xResolution = config.params.CaliResolutionX;
    job.yResolution = config.params.PrinterResolution;
    job.bytesPerPlaneLine = 650;
    job.printTypeCode = passMode;
    return chart::MakePattern(kind, index, config, job, 1.0, TAVOLUX_BIN_DIR);
}

std::vector<int> Feeds(const chart::CTestPattern& pattern, int passes)
{
    std::vector<int> feeds;
    for (int i = 0; i < passes; ++i) {
        feeds.push_back(pattern.PassFeed(i));
    }
    return feeds;
}

TEST_F(ChartRunnerTest, PassCountsAndFeeds)
{
    Start(1);  // 256 nozzles
    auto& p = cfg.config.params;
    struct Case {
        RunnerKind kind;
        int index;
        int groups;
        int passes;
        std::vector<int> feeds;  // after passes 0, 1, ...
    };
    const std::vector<Case> cases = {
        {RunnerKind::Standard, 6, 1, 1, {296, 296, 0}},
        {RunnerKind::Standard, 6, 2, 2, {552, 552, 0}},
        {RunnerKind::Standard, 6, 3, 3, {808, 808, 0}},
        {RunnerKind::Staggered, 6, 2, 2, {552, 0, 0}},
        {RunnerKind::Staggered, 6, 4, 4, {552, 1064, 552, 0}},
        {RunnerKind::White, 6, 2, 4, {552, 1064, 552, 0}},
        // 256 nozzles in 2 groups: N - R, N / G, N, then N - G twice, then N.
        {RunnerKind::Standard, 9, 2, 3, {487, 256, 512, 510, 510, 512}},
        {RunnerKind::Staggered, 9, 2, 3, {231, 256, 256, 510, 510, 512}},
        {RunnerKind::Standard, 8, 2, 1, {512, 512}},
    };
    for (const Case& c : cases) {
        p.GroupNo = c.groups;
        const auto pattern = Pattern(cfg.config, c.kind, c.index);
        ASSERT_TRUE(pattern) << c.index;
        EXPECT_EQ(pattern->PassCount(), c.passes) << chart::RunnerName(c.kind) << " " << c.index;
        EXPECT_EQ(Feeds(*pattern, static_cast<int>(c.feeds.size())), c.feeds)
            << chart::RunnerName(c.kind) << " " << c.index << " G " << c.groups;
    }
    EXPECT_FALSE(Pattern(cfg.config, RunnerKind::Staggered, 8));
    EXPECT_FALSE(Pattern(cfg.config, RunnerKind::Standard, 7));
}

TEST_F(ChartRunnerTest, FeedConversionKeepsEveryPulse)
{
    Start(1);  // 100 rows per inch, 0.00635 mm a pulse
    auto& p = cfg.config.params;
    p.StepPass = {0, 0, 4};
    p.StepPassMicro = {0, 20, 0};
    struct Case {
        double mmPerPulse;
        int passMode;
        int rows;
        int steps;
    };
    // 552 rows are 140.208 mm, exactly 22080 pulses, though the division gives 22079.99...
    for (const Case c :
         {Case{0.00635, 0, 552, 22080}, Case{0.00635, 0, 0, 0}, Case{0.01, 1, 0, 1},
          Case{0.01, 1, 100, 2541}, Case{0.00635, 2, 0, 160}, Case{0.0127, 0, 1104, 22080}}) {
        p.MmPerPulseY = c.mmPerPulse;
        const auto pattern = Pattern(cfg.config, RunnerKind::Standard, 6, c.passMode);
        ASSERT_TRUE(pattern);
        EXPECT_EQ(pattern->FeedToSteps(c.rows), c.steps) << c.rows << " rows at " << c.mmPerPulse;
    }
}

TEST_F(ChartRunnerTest, RefusedChartsSendNothingAndLeaveTheMachineAlone)
{
    Start(1);
    printer->ClearCommands();
    auto runner = Runner(RunnerKind::Standard, Limits());
    EXPECT_FALSE(runner->RunTest(11));
    EXPECT_NE(runner->ErrorText().find("11"), std::string::npos);

    test::TempDir empty;
    runner->SetGlyphDir(empty.Path());
    EXPECT_FALSE(runner->RunTest(6));
    EXPECT_EQ(runner->ErrorText(),
              FormatResString(ids::kChartGlyphMissing, {(empty.Path() / "DiGi.bin").string()}));
    EXPECT_TRUE(printer->Commands().empty());
    EXPECT_EQ(machine->Get(), MachineState::Ready);

    // The gate refuses a chart while the printer cleans.
    machine->Set(MachineState::Flash);
    runner->SetGlyphDir(TAVOLUX_BIN_DIR);
    EXPECT_FALSE(runner->RunTest(6));
    EXPECT_TRUE(printer->Commands().empty());
    machine->Set(MachineState::Ready);

    // Too wide for the printable range: the message, ready again, nothing printed.
    cfg.config.params.MaxPrintWidth = 20;
    EXPECT_FALSE(runner->RunTest(6));
    EXPECT_EQ(runner->ErrorText(), LoadResString(ids::kJobTooWide));
    EXPECT_EQ(machine->Get(), MachineState::Ready);
    EXPECT_TRUE(printer->Commands().empty());
}

// Brings a fault about after the first pass was sent.
class FaultObserver : public IJobObserver {
public:
    void PassSent(int sent, int /*total*/) override
    {
        if (sent == 1 && !fired.exchange(true)) {
            onFirst();
        }
    }
    std::function<void()> onFirst;
    std::atomic<bool> fired{false};
};

enum class Fault { Cancel, Unplug, Mute };

class ChartFaultTest : public test::ChartFixture, public ::testing::WithParamInterface<Fault> {};

TEST_P(ChartFaultTest, AStoppedChartReportsFailure)
{
    Start(1);
    FaultObserver observer;
    observer.onFirst = [this] {
        switch (GetParam()) {
            case Fault::Cancel:
                EXPECT_TRUE(RequestCancel(*machine));
                break;
            case Fault::Unplug:
                printer->Unplug();
                break;
            case Fault::Mute:
                printer->SetMute(true);
                break;
        }
    };
    printer->LoadMedia(sim::HeadsFromConfig(cfg.config), 600, 100);
    auto runner = chart::MakeTestRunner(RunnerKind::Standard, Env(), random, &observer);
    JobLimits limits = Limits();
    limits.passMs = 1000;
    limits.moveMs = 1000;
    runner->SetLimits(limits);
    runner->SetGlyphDir(TAVOLUX_BIN_DIR);
    EXPECT_FALSE(runner->RunTest(9));
    EXPECT_TRUE(observer.fired);
    EXPECT_FALSE(runner->ErrorText().empty());
    EXPECT_EQ(runner->Stopped(), GetParam() == Fault::Cancel);
}

INSTANTIATE_TEST_SUITE_P(Faults, ChartFaultTest,
                         ::testing::Values(Fault::Cancel, Fault::Unplug, Fault::Mute));

}  // namespace
