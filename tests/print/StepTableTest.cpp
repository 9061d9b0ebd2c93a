// Step tables, pass counts, feather line rounding and the feed conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "print/FeedConverter.h"
#include "print/PrintFixture.h"
#include "print/StepTable.h"

using namespace tavolux;

namespace {

std::vector<int> Steps(int h, int p, int k, int groups = 2, int feather = 0)
{
    CStepTable t;
    StepTableInput in;
    in.headLines = h;
    in.passes = p;
    in.interlace = k;
    in.groupNo = groups;
    in.featherLines = feather;
    in.feathering = feather > 0;
    EXPECT_TRUE(t.Build(in));
    return t.Entries();
}

int Sum(const std::vector<int>& v)
{
    return std::accumulate(v.begin(), v.end(), 0);
}

class StepSettings : public test::PrintFixture {};

}  // namespace

TEST(StepTable, InterlaceCorrectionsOnTheLastSubPassOfEachCycle)
{
    const auto four = Steps(512, 4, 4);
    ASSERT_EQ(four.size(), 16u);
    EXPECT_EQ((std::vector<int>{four[3], four[7], four[11], four[15]}),
              (std::vector<int>{126, 129, 130, 127}));
    EXPECT_EQ(four[0], 128);
    EXPECT_EQ(four[14], 128);
    EXPECT_EQ(Sum(four), 2048);
    EXPECT_EQ(Steps(512, 2, 2), (std::vector<int>{256, 255, 256, 257}));
    EXPECT_EQ(Steps(600, 3, 1), (std::vector<int>{200, 200, 200}));
    // Not divisible by k: k = 6 has its own corrections by group count; 5 and 3 keep base.
    const auto six = Steps(500, 2, 6, 2);
    EXPECT_EQ(Sum(six), 6 * 2 * 250);
    EXPECT_EQ(six[1], 249);
    EXPECT_EQ(six[7], 251);
    const auto sixThree = Steps(500, 2, 6, 3);
    EXPECT_EQ(Sum(sixThree), 6 * 2 * 250);
    EXPECT_EQ(sixThree[1], 248);
    EXPECT_EQ(Steps(512, 2, 3), std::vector<int>(6, 256));
    // Feathering steps over the effective lines.
    EXPECT_EQ(Steps(512, 2, 2, 2, 16), (std::vector<int>{248, 247, 248, 249}));
    EXPECT_EQ(Steps(512, 4, 3, 2, 12), std::vector<int>(12, 125));
}

TEST(StepTable, PassesBeyondTheHeadHeightHaveNoTable)
{
    CStepTable t;
    StepTableInput in;
    in.headLines = 3;
    in.passes = 4;
    EXPECT_FALSE(t.Build(in));
    EXPECT_TRUE(t.Entries().empty());
    in.passes = 0;
    EXPECT_FALSE(t.Build(in));
}

TEST(StepTable, PassCountFeedsTheLastLinesOutFromUnderTheHead)
{
    EXPECT_EQ(CStepTable::TotalPasses(1000, 0, 512, 1, 128), 13);   // ceil(1512 / 128) + 1
    EXPECT_EQ(CStepTable::TotalPasses(1000, 488, 512, 1, 128), 9);  // 1024 / 128 + 1
    EXPECT_EQ(CStepTable::TotalPasses(0, 0, 512, 2, 256), 5);
    EXPECT_EQ(CStepTable::TotalPasses(10, 0, 512, 1, 0), 0);
}

TEST_F(StepSettings, FeatherLinesAreRoundedAndOutOfRangeEntriesIgnored)
{
    auto& p = config.params;
    p.FeatherLinesList = {0, 50, 200};
    p.FeatherMode = 1;
    EXPECT_EQ(CStepTable::FeatherLines(config, 4, 3), 48);
    EXPECT_EQ(CStepTable::FeatherLines(config, 4, 1), 48);
    EXPECT_EQ(CStepTable::FeatherLines(config, 7, 1), 49);
    p.FeatherMode = 2;
    EXPECT_EQ(CStepTable::FeatherLines(config, 2, 1), 0) << "200 lines count as none";
    p.FeatherMode = 3;
    EXPECT_EQ(CStepTable::FeatherMode(config), 0);
    EXPECT_EQ(CStepTable::FeatherLines(config, 2, 1), 0);
    p.FeatherMode = 1;
    p.FeatherLinesList = {0, -4, 0};
    EXPECT_EQ(CStepTable::FeatherLines(config, 2, 1), 0);
}

TEST_F(StepSettings, FeedConversionCarriesTheFractionAcrossPasses)
{
    auto& p = config.params;
    p.MmPerPulseY = 0.03;
    p.StepPass = {0, 3};
    p.StepPassMicro = {0, 2};
    p.RealPrinterResolution = 300.0;
    CFeedConverter feed(config, 0, 600);
    // 7 lines at 600 dpi = 0.29633 mm = 9.877 pulses: the fraction accumulates.
    int total = 0;
    for (int i = 0; i < 30; ++i) {
        total += feed.ToPulses(7);
    }
    EXPECT_EQ(total, static_cast<int>(30 * 7 / 600.0 * 25.4 / 0.03));
    EXPECT_GE(feed.Carry(), 0.0);
    EXPECT_LT(feed.Carry(), 1.0);
    // The print type's step calibration adds its lines and its fine correction.
    CFeedConverter calibrated(config, 1, 600);
    const double x = (3 / 300.0 * 25.4 + 2 * 0.05 * 0.03 + 100 / 600.0 * 25.4) / 0.03;
    EXPECT_EQ(calibrated.ToPulses(100), static_cast<int>(x));
    EXPECT_NEAR(calibrated.Carry(), x - static_cast<int>(x), 1e-9);
    // Below one pulse nothing is sent, but the fraction is kept for the next step.
    CFeedConverter tiny(config, 0, 600);
    EXPECT_EQ(tiny.ToPulses(0), 0);
    p.MmPerPulseY = 1.0;
    CFeedConverter coarse(config, 0, 254);
    EXPECT_EQ(coarse.ToPulses(6), 0);  // 0.6 pulse
    EXPECT_EQ(coarse.ToPulses(6), 1);  // 1.2 pulses
    EXPECT_NEAR(coarse.Carry(), 0.2, 1e-9);
    // An unknown print type or a missing pulse size converts without calibration or to 0.
    CFeedConverter unknown(config, 9, 254);
    EXPECT_EQ(unknown.ToPulses(25), 2);
    p.MmPerPulseY = 0.0;
    CFeedConverter none(config, 0, 254);
    EXPECT_EQ(none.ToPulses(20), 0);
}

// Lines that a step table leaves under fewer than P nozzle rows while printing steadily: no mask
// can make up for those, they miss pixels in every mask mode. Nozzle n of a pass wets the line
// fed - H x k + n x k, fed being the lines fed up to and with the pass. The tables whose steps
// move the passes over every interlace position evenly leave none, whether or not P divides
// the head; the others are those of an odd base with k = 2 (256 / 3 = 85), the k = 4 cycle
// corrections with 3 passes, equal even steps that never reach the odd lines (a feathered
// 512-row or 32-row head at k = 6: (32 - 12) / 2 = 10, (32 - 24) / 2 = 4, no multiple of 6
// gets corrections) and k = 5, 8 or 12 with 3 passes.
TEST(StepTable, WhichTablesLeaveLinesUnderFewerThanPNozzles)
{
    struct Row {
        int h;
        int p;
        int k;
        int feather;
        bool someShort;
    };
    constexpr Row kRows[] = {
        {256, 3, 1, 0, false}, {256, 3, 1, 15, false}, {256, 6, 2, 12, false},
        {256, 3, 3, 0, false}, {512, 6, 12, 0, false}, {32, 3, 2, 0, false},
        {512, 4, 4, 0, false}, {256, 3, 2, 0, true},   {256, 3, 4, 0, true},
        {32, 3, 4, 0, true},   {256, 3, 5, 0, true},   {256, 3, 8, 0, true},
        {512, 3, 12, 0, true}, {512, 3, 6, 18, true},  {512, 2, 6, 24, true},
        {32, 2, 6, 12, true},  {32, 2, 6, 24, true},
    };
    for (const Row& r : kRows) {
        const auto steps = Steps(r.h, r.p, r.k, 2, r.feather);
        const int passes = 8 * r.k * r.p + 16;
        std::vector<int> fed;
        int lines = 0;
        for (int i = 0; i < passes; ++i) {
            lines += steps[static_cast<size_t>(i) % steps.size()];
            fed.push_back(lines);
        }
        // Past the first passes, and before the last lines feed out from under the head.
        const int from = fed[static_cast<size_t>(2 * r.k * r.p)];
        const int to = fed.back() - r.h * r.k;
        ASSERT_LT(from, to);
        const auto under = test::NozzlesOver(fed, r.h, r.k, to);
        const bool someShort =
            std::any_of(under.begin() + from, under.end(), [&](int u) { return u < r.p; });
        EXPECT_EQ(someShort, r.someShort)
            << "H " << r.h << ", " << r.p << " passes, k " << r.k << ", seam " << r.feather;
    }
}
