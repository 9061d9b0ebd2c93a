// The test runner and the chart framework: job descriptions per test index and variant, the
// runner rule, pass counts and feeds, feed conversion, the checks before a chart, and charts
// that are cancelled, unplugged or met by a silent printer.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <tuple>

#include "chart/ChartFixture.h"
#include "chart/Patterns.h"
#include "job/JobControl.h"
#include "device/Operations.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "support/TempDir.h"

using namespace tavolux;
using chart::RunnerKind;

namespace {

class ChartRunnerTest : public test::ChartFixture {};

TEST_F(ChartRunnerTest, JobDescriptionOfEveryIndex)
{
    LoadOnly(1);  // TX6: CaliResolutionX 600, PrinterResolution 100, MaxPrintWidth 3200
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
          std::pair{RunnerKind::Standard, 17}, std::pair{RunnerKind::Standard, -1},
          std::pair{RunnerKind::Staggered, 8}, std::pair{RunnerKind::Staggered, 2},
          std::pair{RunnerKind::White, 9}, std::pair{RunnerKind::White, 0}}) {
        EXPECT_FALSE(chart::MakePlanningRunner(kind, cfg.config)->SetupJob(index)) << index;
        EXPECT_FALSE(chart::MakePlanningRunner(kind, cfg.config)->PlanChart(index)) << index;
    }
}

TEST_F(ChartRunnerTest, RunnerRuleFollowsTheHeadArrangement)
{
    LoadOnly(0);
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
    LoadOnly(1);  // 256 nozzles
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
        // Sections of four passes; a feed past row B after each.
        {RunnerKind::Standard, 0, 2, 16, {0, 0, 0, 272, 0, 0, 0, 272}},
        {RunnerKind::Standard, 0, 1, 8, {0, 0, 0, 136, 0, 0, 0, 136}},
        {RunnerKind::Standard, 0, 3, 24, {0, 0, 0, 408}},
        {RunnerKind::Standard, 1, 2, 4, {0, 552, 0, 552, 512, 512, 0}},
        {RunnerKind::Standard, 1, 1, 2, {0, 296}},
        {RunnerKind::Standard, 14, 2, 7, {0, 0, 0, 0, 0, 512, 0}},
        {RunnerKind::White, 14, 2, 7, {0, 512, 0, 0, 0, 512, 0}},
        {RunnerKind::Staggered, 14, 2, 11, {0, 0, 0, 0, 0, 256, 0}},
        {RunnerKind::Staggered, 0, 2, 16, {0, 0, 0, 256, 0, 0, 0, 256, 0, 256, 0, 0, 0, 256, 0}},
        {RunnerKind::Staggered, 0, 4, 26, {0, 0,   0, 512, 0, 0,   0, 512, 0, 0,   0, 512, 0, 0,
                                           0, 512, 0, 512, 0, 512, 0, 512, 0, 512, 0, 512}},
        {RunnerKind::Staggered, 1, 2, 6, {0, 256, 0, 256, 0, 0}},
        {RunnerKind::Staggered, 1, 4, 10, {0, 512, 0, 512, 0, 512, 0, 512, 0, 0}},
        // Five dashes 30 rows apart from row 62 up, and 40 rows of room, for each group.
        {RunnerKind::Staggered, 10, 2, 5, {504, 504}},
        {RunnerKind::Standard, 5, 2, 2, {522, 512, 512}},
        {RunnerKind::Standard, 5, 1, 1, {266, 256}},
        {RunnerKind::Staggered, 5, 2, 2, {522, 512}},
        // Pass mode 2 is 4 passes: feeds of N / 4 and the rest of the head, alternately.
        {RunnerKind::Standard, 2, 2, 6, {128, 384, 128, 384, 128, 384}},
        {RunnerKind::Standard, 3, 2, 2, {128, 128}},
        // Less the 32 feather lines of FeatherMode 2.
        {RunnerKind::Standard, 4, 2, 4, {96, 96, 96, 96, 512}},
        {RunnerKind::Standard, 15, 2, 4, {128, 128, 128, 128, 512}},
    };
    for (const Case& c : cases) {
        p.GroupNo = c.groups;
        const auto pattern = Pattern(cfg.config, c.kind, c.index, 2);
        ASSERT_TRUE(pattern) << c.index;
        EXPECT_EQ(pattern->PassCount(), c.passes) << chart::RunnerName(c.kind) << " " << c.index;
        EXPECT_EQ(Feeds(*pattern, static_cast<int>(c.feeds.size())), c.feeds)
            << chart::RunnerName(c.kind) << " " << c.index << " G " << c.groups;
    }
    EXPECT_FALSE(Pattern(cfg.config, RunnerKind::Staggered, 8));
    EXPECT_FALSE(Pattern(cfg.config, RunnerKind::Standard, 7));
    // A pass mode outside the pass list builds no step chart.
    EXPECT_FALSE(Pattern(cfg.config, RunnerKind::Standard, 2, 6));
    EXPECT_FALSE(Pattern(cfg.config, RunnerKind::Standard, 4, -1));
    // One pass counts as two.
    cfg.config.lists.ToTalPassList = {"1"};
    const auto one = Pattern(cfg.config, RunnerKind::Standard, 4, 0);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->PassCount(), 2);
    EXPECT_EQ(Feeds(*one, 3), (std::vector<int>{224, 224, 512}));
}

// Draws pass `pass` of the pattern and returns the rows of channel c as pixel spans, the way
// the chart would send them, without a printer.
std::vector<std::vector<bool>> DrawnRows(chart::CTestPattern& pattern, int pass, int c)
{
    EXPECT_TRUE(pattern.Setup(chart::ChartPassTask(pattern.Job())));
    std::vector<uint16_t> transfer(static_cast<size_t>(pattern.MaxTransferWords()));
    PassDescriptor d;
    for (int p = 0; p <= pass; ++p) {
        EXPECT_TRUE(pattern.BuildNextPass(transfer, d).built);
    }
    const auto& channel = pattern.Channels()[static_cast<size_t>(c)];
    std::vector<std::vector<bool>> rows;
    for (const uint8_t* row : channel.Rows()) {
        std::vector<bool> bits;
        for (int x = 0; x < channel.RowBytes() * 8; ++x) {
            bits.push_back((row[x / 8] & (0x80 >> (x % 8))) != 0);
        }
        rows.push_back(bits);
    }
    return rows;
}

TEST_F(ChartRunnerTest, FourColourVernierHasTwoBlocksAndPlatformColumnsSpanTheWidth)
{
    LoadOnly(0);  // four colours, 128 nozzles
    const auto vernier = Pattern(cfg.config, RunnerKind::Standard, 0);
    ASSERT_TRUE(vernier);
    // Pass 0: the reference's numbered scales of blocks 1 and 2, nothing where block 3 would be.
    const auto rows = DrawnRows(*vernier, 0, 0);
    const int block3 = 50 + 2 * (300 + 2 * 10 * 140);
    int inBlocks = 0;
    for (const auto& row : rows) {
        for (size_t x = 0; x < row.size(); ++x) {
            if (row[x]) {
                EXPECT_LT(static_cast<int>(x), block3);
                ++inBlocks;
            }
        }
    }
    EXPECT_GT(inBlocks, 0);
    // Tick i of the numbered row at 50 + 140 i, two columns 60 apart, on nozzles 10 to 40.
    for (int i = 0; i <= 20; ++i) {
        for (const int x : {50 + 140 * i, 50 + 140 * i + 60}) {
            EXPECT_TRUE(rows[10][static_cast<size_t>(x)] && rows[40][static_cast<size_t>(x)]) << i;
            EXPECT_FALSE(rows[9][static_cast<size_t>(x)] || rows[41][static_cast<size_t>(x)]) << i;
        }
    }

    chart::ChartJob job;
    job.planeCount = 4;
    job.xResolution = 720;
    job.yResolution = 360;
    job.bytesPerPlaneLine = 1000;
    const auto platform =
        chart::MakePattern(RunnerKind::Standard, 8, cfg.config, job, 1.0, TAVOLUX_BIN_DIR);
    ASSERT_TRUE(platform);
    for (int c = 0; c < 4; ++c) {
        const auto drawn = DrawnRows(*platform, 0, c);
        std::vector<int> columns;
        for (size_t x = 0; x < drawn[50].size(); ++x) {
            if (drawn[50][x]) {
                columns.push_back(static_cast<int>(x));
            }
        }
        // Group 0's segment over nozzles 43 to 83, 20 pixels further right per channel.
        ASSERT_EQ(columns.size(), 20U) << c;
        for (int k = 0; k < 20; ++k) {
            EXPECT_EQ(columns[static_cast<size_t>(k)], 400 * k + 20 * c);
        }
    }
}

TEST_F(ChartRunnerTest, FeedConversionKeepsEveryPulse)
{
    LoadOnly(1);  // 100 rows per inch, 0.00635 mm a pulse
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

// Packets that only a chart's job sends: the sync before its first pass and the feed to the
// start position.
int JobPackets(const sim::CVirtualPrinter& printer)
{
    int n = 0;
    for (const auto& packet : printer.Commands()) {
        n += !packet.empty() &&
                     (packet[0] == wire::cmd::kSyncRequest || packet[0] == wire::cmd::kFeedMedia)
                 ? 1
                 : 0;
    }
    return n;
}

TEST_F(ChartRunnerTest, RefusedChartsSendNothingAndLeaveTheMachineAlone)
{
    Start(1);
    auto runner = Runner(RunnerKind::Standard, Limits());
    EXPECT_FALSE(runner->RunTest(11));
    EXPECT_NE(runner->ErrorText().find("11"), std::string::npos);

    test::TempDir empty;
    runner->SetGlyphDir(empty.Path());
    EXPECT_FALSE(runner->RunTest(6));
    EXPECT_EQ(runner->ErrorText(),
              FormatResString(ids::kChartGlyphMissing, {(empty.Path() / "DiGi.bin").string()}));
    EXPECT_EQ(JobPackets(*printer), 0);
    EXPECT_EQ(machine->Get(), MachineState::Ready);

    // The gate refuses a chart while the printer cleans.
    machine->Set(MachineState::Flash);
    runner->SetGlyphDir(TAVOLUX_BIN_DIR);
    EXPECT_FALSE(runner->RunTest(6));
    EXPECT_EQ(JobPackets(*printer), 0);
    machine->Set(MachineState::Ready);

    // Too wide for the printable range: the message, ready again, nothing printed.
    cfg.config.params.MaxPrintWidth = 20;
    EXPECT_FALSE(runner->RunTest(6));
    EXPECT_EQ(runner->ErrorText(), LoadResString(ids::kJobTooWide));
    EXPECT_EQ(machine->Get(), MachineState::Ready);
    EXPECT_EQ(JobPackets(*printer), 0);
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

// The fault, and the chart it meets: the head offset check, and the head slant check with its
// own sequence around the job.
class ChartFaultTest : public test::ChartFixture,
                       public ::testing::WithParamInterface<std::tuple<Fault, int>> {};

TEST_P(ChartFaultTest, AStoppedChartReportsFailure)
{
    const auto [fault, index] = GetParam();
    Start(1);
    FaultObserver observer;
    observer.onFirst = [this, fault = fault] {
        switch (fault) {
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
    // Short enough that a silent printer ends the test soon, long enough that a loaded machine
    // (sanitizers, a parallel suite) reaches the fault before a wait runs out.
    JobLimits limits = Limits();
    limits.passMs = 3000;
    limits.moveMs = 3000;
    runner->SetLimits(limits);
    runner->SetGlyphDir(TAVOLUX_BIN_DIR);
    EXPECT_FALSE(runner->RunTest(index));
    EXPECT_TRUE(observer.fired);
    EXPECT_FALSE(runner->ErrorText().empty());
    EXPECT_EQ(runner->Stopped(), fault == Fault::Cancel);
}

INSTANTIATE_TEST_SUITE_P(Faults, ChartFaultTest,
                         ::testing::Combine(::testing::Values(Fault::Cancel, Fault::Unplug,
                                                              Fault::Mute),
                                            ::testing::Values(9, chart::kHeadSlantIndex)));

}  // namespace
