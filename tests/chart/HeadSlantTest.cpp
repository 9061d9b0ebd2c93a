// The head slant check on the virtual printer: each head's column on the sheet once per slant
// parameter, the order of its commands, the start outside the printable range, and a cancel
// during its pause.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "chart/ChartFixture.h"
#include "device/Operations.h"
#include "job/JobControl.h"
#include "print/TransferLayout.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

using namespace tavolux;
using chart::kHeadSlantIndex;

namespace {

// Runs of consecutive sheet lines on which channel c has a drop at pixel x.
struct ColumnRun {
    int first = 0;
    int length = 0;
    int drops = 0;  // drops over the run (one per line when each nozzle fired once)
};

std::vector<ColumnRun> ColumnRuns(const sim::CMediaSheet& sheet, int c, int x)
{
    std::vector<ColumnRun> runs;
    for (int y = 0; y < sheet.Height(); ++y) {
        const int d = sheet.DropsAt(c, x, y);
        if (d == 0) {
            continue;
        }
        if (runs.empty() || runs.back().first + runs.back().length != y) {
            runs.push_back({y, 0, 0});
        }
        ++runs.back().length;
        runs.back().drops += d;
    }
    return runs;
}

class HeadSlantTest : public test::ChartFixture {
protected:
    static JobLimits SlantLimits(int pauseMs)
    {
        JobLimits l = Limits();
        l.slantPauseMs = pauseMs;
        return l;
    }

    bool PrintSlant(int pauseMs = 5)
    {
        runner = Runner(chart::ChooseRunnerKind(cfg.config), SlantLimits(pauseMs));
        EXPECT_TRUE(runner->PlanChart(kHeadSlantIndex));
        printer->LoadMedia(sim::HeadsFromConfig(cfg.config), runner->Job().xResolution,
                           runner->Job().yResolution);
        printer->ClearCommands();
        const bool ok = runner->RunTest(kHeadSlantIndex);
        error = runner->ErrorText();
        return ok;
    }

    // The check's own commands in order: "feed", "slant 900", "sync", "offset" (a feed on its
    // own: a pass header ends in the same byte, but never right after a sync), "end", "flash".
    std::vector<std::string> Sequence() const
    {
        const std::pair<uint8_t, const char*> names[] = {
            {wire::cmd::kFeedMedia, "feed"},   {wire::cmd::kSetSlantParameter, "slant "},
            {wire::cmd::kSyncRequest, "sync"}, {wire::cmd::kSetPassOffset, "offset"},
            {wire::cmd::kEndJob, "end"},       {wire::cmd::kStartFlash, "flash"}};
        const auto packets = printer->Commands();
        std::vector<std::string> seq;
        for (size_t i = 0; i < packets.size(); ++i) {
            const auto& p = packets[i];
            for (const auto& [code, name] : names) {
                if (p.empty() || p[0] != code ||
                    (code == wire::cmd::kSetPassOffset &&
                     (i == 0 || packets[i - 1].empty() ||
                      packets[i - 1][0] != wire::cmd::kSyncRequest))) {
                    continue;
                }
                seq.emplace_back(name);
                if (code == wire::cmd::kSetSlantParameter && p.size() >= 4) {
                    seq.back() += std::to_string(p[1] | (p[2] << 8) | (p[3] << 16));
                }
            }
        }
        return seq;
    }

    std::unique_ptr<chart::CTestRunner> runner;
};

class HeadSlantSheetTest : public HeadSlantTest, public ::testing::WithParamInterface<int> {};

TEST_P(HeadSlantSheetTest, EveryHeadDrawsOneColumnPerSlantParameter)
{
    Start(GetParam());
    ASSERT_TRUE(PrintSlant()) << error;
    const sim::CMediaSheet sheet = printer->Sheet();
    EXPECT_EQ(sheet.OutsideDrops(), 0);
    EXPECT_FALSE(sheet.Overflowed());
    for (const auto& t : sheet.Tally()) {
        EXPECT_EQ(t.pixelsMore, 0) << "channel " << t.index;
    }

    const auto& p = cfg.config.params;
    const int h = LayoutParams::FromConfig(cfg.config).groupRows;
    const int n = p.HeadHoleNo * p.GroupNo;
    // Scale 1 (the chart prints at the calibration resolution): head k = c x groups + g draws
    // at 100 + 400k, the reference 40 pixels right of it, the label from 100 on.
    std::vector<int> groupStart(static_cast<size_t>(p.GroupNo), -1);
    int pitch = -1;
    for (int c = 0; c < p.ColorNo; ++c) {
        for (int g = 0; g < p.GroupNo; ++g) {
            const int x = 100 + 400 * (c * p.GroupNo + g);
            const std::string head = "channel " + std::to_string(c) + " group " + std::to_string(g);
            const auto runs = ColumnRuns(sheet, c, x);
            ASSERT_EQ(runs.size(), 2U) << head;
            for (const ColumnRun& run : runs) {
                EXPECT_EQ(run.length, h) << head;
                EXPECT_EQ(run.drops, h) << head;
            }
            // One pixel wide: nothing of the head beside it.
            EXPECT_TRUE(ColumnRuns(sheet, c, x - 1).empty()) << head;
            EXPECT_TRUE(ColumnRuns(sheet, c, x + 1).empty()) << head;
            // The heads of a group print the same lines; the second chart lies below the first,
            // on blank media, the same distance for every head.
            auto& start = groupStart[static_cast<size_t>(g)];
            if (start < 0) {
                start = runs[0].first;
                // The groups one below the other.
                EXPECT_TRUE(g == 0 || start == groupStart[static_cast<size_t>(g - 1)] + h) << head;
            }
            EXPECT_EQ(runs[0].first, start) << head;
            const int apart = runs[1].first - runs[0].first;
            if (pitch < 0) {
                pitch = apart;
            }
            EXPECT_EQ(apart, pitch) << head;
            // 40 rows of gap, give or take the pass mode's step correction of each feed.
            EXPECT_GE(apart, n + 30) << head;
            EXPECT_LE(apart, n + 60) << head;

            const auto ref = ColumnRuns(sheet, 0, x + 40);
            if (c == 0 && g == 0) {
                EXPECT_TRUE(ref.empty());
            } else {
                ASSERT_EQ(ref.size(), 2U) << head;
                // The first head of the group, on the head's own lines; the first heads of
                // further groups take the very first head's.
                const int refGroup = c == 0 ? 0 : g;
                EXPECT_EQ(ref[0].first, groupStart[static_cast<size_t>(refGroup)]) << head;
                EXPECT_EQ(ref[1].first - ref[0].first, pitch) << head;
                EXPECT_EQ(ref[0].drops, h) << head;
                EXPECT_EQ(ref[1].drops, h) << head;
            }
            // The head's label, printed by the head itself beside its column.
            int label = 0;
            for (int y = runs[0].first; y < runs[0].first + h; ++y) {
                for (int lx = x + 92; lx < x + 348; ++lx) {
                    label += sheet.DropsAt(c, lx, y) > 0 ? 1 : 0;
                }
            }
            EXPECT_GT(label, 100) << head;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SamplePrinters, HeadSlantSheetTest, ::testing::Values(0, 1, 2));

struct SequenceCase {
    int printer;
    int origin;
    int autoFlash;
    std::vector<std::string> before;  // ahead of the two charts
    std::vector<std::string> after;   // after them
    MachineState end;
};

class HeadSlantSequenceTest : public HeadSlantTest,
                              public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(HeadSlantSequenceTest, FollowsTheOriginAndTheAutomaticFlash)
{
    const SequenceCase& k = GetParam();
    Start(k.printer);
    auto& p = cfg.config.params;
    p.Origin = k.origin;
    p.AutoFlash = k.autoFlash;
    // The state while each chart's pass went out, and the progress counted over both charts.
    struct Watch : IJobObserver {
        void PassSent(int sent, int total) override
        {
            states.push_back(machine->Get());
            progress.emplace_back(sent, total);
        }
        CMachineState* machine = nullptr;
        std::vector<MachineState> states;
        std::vector<std::pair<int, int>> progress;
    } watch;
    watch.machine = machine.get();
    runner = chart::MakeTestRunner(chart::ChooseRunnerKind(cfg.config), Env(), random, &watch);
    runner->SetLimits(SlantLimits(60));
    runner->SetGlyphDir(TAVOLUX_BIN_DIR);
    ASSERT_TRUE(runner->PlanChart(kHeadSlantIndex));
    printer->LoadMedia(sim::HeadsFromConfig(cfg.config), runner->Job().xResolution,
                       runner->Job().yResolution);
    printer->ClearCommands();
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(runner->RunTest(kHeadSlantIndex)) << runner->ErrorText();
    // Two pauses, after the two slant parameters.
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(120));

    std::vector<std::string> expected = k.before;
    for (const char* step :
         {"slant 900", "sync", "sync", "offset", "slant 600", "sync", "sync", "end"}) {
        expected.emplace_back(step);
    }
    expected.insert(expected.end(), k.after.begin(), k.after.end());
    EXPECT_EQ(Sequence(), expected);
    EXPECT_EQ(watch.states,
              (std::vector<MachineState>{MachineState::Printing, MachineState::Printing}));
    EXPECT_EQ(watch.progress, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
    EXPECT_EQ(machine->Get(), k.end);
}

INSTANTIATE_TEST_SUITE_P(Cases, HeadSlantSequenceTest,
                         ::testing::Values(SequenceCase{0, 0, 0, {}, {}, MachineState::Ready},
                                           SequenceCase{1, 1, 0, {"feed"}, {}, MachineState::Ready},
                                           SequenceCase{
                                               1, 1, 1, {"feed"}, {"flash"}, MachineState::Flash}));

TEST_F(HeadSlantTest, StartOutsideThePrintableRangeIsRefused)
{
    Start(1);  // a fixed origin
    auto& p = cfg.config.params;
    ASSERT_EQ(p.Origin, 1);
    const int origin = p.OriginPos;
    struct Case {
        int originPos;
        bool refused;
    };
    const Case cases[] = {
        {p.MaxOrigin - 1, true},                     // left of the mechanics' smallest origin
        {p.MaxOrigin + p.MaxPrintWidth - 10, true},  // the chart runs past the right end
        {origin, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.originPos);
        p.OriginPos = k.originPos;
        EXPECT_EQ(PrintSlant(), !k.refused) << error;
        EXPECT_EQ(machine->Get(), MachineState::Ready);
        if (k.refused) {
            EXPECT_EQ(error, LoadResString(ids::kJobTooWide));
            EXPECT_EQ(LoadResString(ids::kJobTooWide), "打印作业的宽度越界 ！");
            EXPECT_TRUE(Sequence().empty());
        }
    }
    // Nor does it run where the gate refuses a print.
    machine->Set(MachineState::Flash);
    EXPECT_FALSE(PrintSlant());
    EXPECT_TRUE(Sequence().empty());
}

TEST_F(HeadSlantTest, CancelDuringThePauseEndsTheCheck)
{
    Start(0);
    std::atomic<bool> done{false};
    std::thread canceller([&] {
        // Once the first slant parameter went out the check pauses; the cancel ends it.
        Eventually([&] {
            for (const auto& packet : printer->Commands()) {
                if (!packet.empty() && packet[0] == wire::cmd::kSetSlantParameter) {
                    return true;
                }
            }
            return false;
        });
        EXPECT_TRUE(RequestCancel(*machine));
        done = true;
    });
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(PrintSlant(test::kGenerousMs));
    canceller.join();
    EXPECT_TRUE(done);
    EXPECT_LT(std::chrono::steady_clock::now() - begin,
              std::chrono::milliseconds(test::kGenerousMs));
    EXPECT_TRUE(runner->Stopped());
    EXPECT_EQ(error, LoadResString(ids::kChartStopped));
    EXPECT_EQ(Sequence(), (std::vector<std::string>{"slant 900", "end"}));
    EXPECT_EQ(machine->Get(), MachineState::Ready);
}

}  // namespace
