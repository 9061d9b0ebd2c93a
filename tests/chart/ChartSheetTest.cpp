// Charts printed through the print job onto the virtual printer's sheet, on each sample
// printer, read back from the sheet: where the drops landed, that nothing fell off the sheet
// and that no pixel took two drops where the chart draws it once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "chart/ChartFixture.h"
#include "print/NozzleMap.h"
#include "print/TransferLayout.h"

using namespace tavolux;
using chart::RunnerKind;

namespace {

// Runs of consecutive sheet lines [first, first + length).
struct LineRun {
    int first = 0;
    int length = 0;
};

std::vector<LineRun> Runs(const std::vector<int>& lines)
{
    std::vector<LineRun> runs;
    for (const int y : lines) {
        if (!runs.empty() && runs.back().first + runs.back().length == y) {
            ++runs.back().length;
        } else {
            runs.push_back({y, 1});
        }
    }
    return runs;
}

// Drops of channel c on line y over pixels [x, x + width).
int InkOver(const sim::CMediaSheet& sheet, int c, int y, int x, int width, int* twice = nullptr)
{
    int n = 0;
    for (int i = x; i < x + width; ++i) {
        const int d = sheet.DropsAt(c, i, y);
        n += d > 0 ? 1 : 0;
        if (twice != nullptr && d > 1) {
            ++*twice;
        }
    }
    return n;
}

// Nothing fell off the sheet, and (unless the chart overlaps passes on purpose) no pixel took
// two drops.
void ExpectCleanSheet(const sim::CMediaSheet& sheet, bool once = true)
{
    EXPECT_EQ(sheet.OutsideDrops(), 0);
    EXPECT_FALSE(sheet.Overflowed());
    for (const auto& t : sheet.Tally()) {
        EXPECT_TRUE(!once || t.pixelsMore == 0) << "channel " << t.index << ": " << t.pixelsMore;
    }
}

class ChartSheetTest : public test::ChartFixture, public ::testing::WithParamInterface<int> {};

TEST_P(ChartSheetTest, NozzleCheckFiresEveryNozzleOnceInTheStaircase)
{
    Start(GetParam());
    const auto kind = chart::ChooseRunnerKind(cfg.config);
    ASSERT_TRUE(Print(kind, 6)) << error;
    const sim::CMediaSheet sheet = printer->Sheet();
    ExpectCleanSheet(sheet);

    const auto& p = cfg.config.params;
    const LayoutParams layout = LayoutParams::FromConfig(cfg.config);
    const int h = layout.groupRows;
    // Scale 1: the chart prints at the calibration resolution.
    const int w = 120;
    const int s = 8;
    const int groupsDrawn = std::min(p.GroupNo, 2);
    for (int c = 0; c < p.ColorNo; ++c) {
        const int x0 = (3 * s + 4 * w + 240 + 480) * c;
        const int blockX = x0 + 4 * w + 3 * s;
        std::vector<int> lines;
        std::vector<int> columns;
        int twice = 0;
        for (int y = 0; y < sheet.Height(); ++y) {
            int inked = -1;
            for (int k = 0; k < 4; ++k) {
                const int ink = InkOver(sheet, c, y, x0 + k * (w + s), w, &twice);
                if (ink == 0) {
                    continue;
                }
                EXPECT_EQ(ink, w) << "channel " << c << " line " << y << " column " << k;
                EXPECT_EQ(inked, -1) << "two columns on channel " << c << " line " << y;
                inked = k;
            }
            if (inked >= 0) {
                lines.push_back(y);
                columns.push_back(inked);
                // The solid block beside the staircase, left of the cut-out label.
                EXPECT_EQ(InkOver(sheet, c, y, blockX, 100), 100) << c << " " << y;
            }
        }
        EXPECT_EQ(twice, 0);
        const auto runs = Runs(lines);
        ASSERT_EQ(static_cast<int>(runs.size()), groupsDrawn) << "channel " << c;
        size_t at = 0;
        for (int g = 0; g < groupsDrawn; ++g) {
            ASSERT_EQ(runs[static_cast<size_t>(g)].length, h) << "channel " << c << " group " << g;
            // Line i of the head is printed by the nozzle that the head's mounting puts there.
            std::vector<int> nozzleOfRow(static_cast<size_t>(h), -1);
            for (int n = 0; n < p.HeadHoleNo; ++n) {
                const int r = NozzleRow(layout, g, n);
                if (r >= 0 && r < h) {
                    nozzleOfRow[static_cast<size_t>(r)] = n;
                }
            }
            for (int i = 0; i < h; ++i, ++at) {
                EXPECT_EQ(columns[at], 3 - nozzleOfRow[static_cast<size_t>(i)] % 4)
                    << "channel " << c << " group " << g << " row " << i;
            }
        }
        // The label is cut out of the blockX: the block is not solid everywhere.
        int blockInk = 0;
        for (const LineRun& run : runs) {
            for (int y = run.first; y < run.first + run.length; ++y) {
                blockInk += InkOver(sheet, c, y, blockX, 4 * w);
            }
        }
        EXPECT_LT(blockInk, groupsDrawn * h * 4 * w) << "no label on channel " << c;
        EXPECT_GT(blockInk, groupsDrawn * h * 4 * w - 240 * 40 * groupsDrawn);
    }
}

TEST_P(ChartSheetTest, HeadOffsetCheckDrawsAFullColumnPerHeadInBothDirections)
{
    Start(GetParam());
    const auto kind = chart::ChooseRunnerKind(cfg.config);
    ASSERT_TRUE(Print(kind, 9)) << error;
    const sim::CMediaSheet sheet = printer->Sheet();
    // Staggered heads feed less than a head after the first pass: the two directions' columns
    // overlap on purpose, so that an offset between them shows as a kink.
    ExpectCleanSheet(sheet, false);
    const auto& p = cfg.config.params;
    const int h = LayoutParams::FromConfig(cfg.config).groupRows;
    auto runner = Runner(kind, Limits());
    ASSERT_TRUE(runner->SetupJob(9));
    const auto pattern = runner->BuildPattern(9);
    ASSERT_TRUE(pattern);
    // The sheet's lines between the first two passes.
    const int fed = static_cast<int>(std::lround(pattern->FeedToSteps(pattern->PassFeed(0)) *
                                                 p.MmPerPulseY / 25.4 * p.PrinterResolution));
    for (int c = 0; c < p.ColorNo; ++c) {
        for (int g = 0; g < p.GroupNo; ++g) {
            const int x = 300 + 2 * c * (8 + 285) + g * (8 + 285);
            int first = -1;
            for (int y = 0; y < sheet.Height() && first < 0; ++y) {
                first = sheet.DropsAt(c, x, y) > 0 ? y : -1;
            }
            ASSERT_GE(first, 0) << "channel " << c << " group " << g;
            // Every nozzle once in pass 0 and once in pass 1, one pixel wide.
            for (int y = first; y < first + fed + h; ++y) {
                const int expected = (y < first + h ? 1 : 0) + (y >= first + fed ? 1 : 0);
                ASSERT_EQ(sheet.DropsAt(c, x, y), expected)
                    << "channel " << c << " group " << g << " line " << y - first;
                EXPECT_EQ(sheet.DropsAt(c, x - 1, y) + sheet.DropsAt(c, x + 1, y), 0)
                    << "channel " << c << " group " << g << " line " << y - first;
            }
        }
    }
}

// The sheet lines a feed of `rows` rows moves the media, as the printer is sent it.
int FedLines(const chart::CTestPattern& pattern, const CPrinterConfig& config, int rows)
{
    const auto& p = config.params;
    return static_cast<int>(
        std::lround(pattern.FeedToSteps(rows) * p.MmPerPulseY / 25.4 * p.PrinterResolution));
}

// Sheet lines of channel c with a drop at pixel x, between lines from and to.
std::vector<int> LinesAt(const sim::CMediaSheet& sheet, int c, int x, int from, int to)
{
    std::vector<int> lines;
    for (int y = from; y < to; ++y) {
        if (sheet.DropsAt(c, x, y) > 0) {
            lines.push_back(y - from);
        }
    }
    return lines;
}

TEST_P(ChartSheetTest, VerticalCheckDashesStripesAndEveryNozzleRow)
{
    Start(GetParam());
    const auto kind = chart::ChooseRunnerKind(cfg.config);
    ASSERT_TRUE(Print(kind, 5)) << error;
    const sim::CMediaSheet sheet = printer->Sheet();
    ExpectCleanSheet(sheet);
    const auto& p = cfg.config.params;
    auto runner = Runner(kind, Limits());
    const auto pattern = runner->PlanChart(5);
    ASSERT_TRUE(pattern);
    const int h = p.HeadHoleNo;
    const int n = h * p.GroupNo;
    const bool big = h >= 256;
    const bool white = p.ColorNo == 5 || p.ColorNo == 7;
    const int whiteChannel = p.ColorNo == 5 ? 4 : 6;
    const int top = sheet.FirstPassLine();
    // The rows of group 0's nozzles, as the heads are mounted.
    const LayoutParams layout = LayoutParams::FromConfig(cfg.config);
    const auto rowsOf = [&](std::vector<int> nozzles) {
        for (int& nozzle : nozzles) {
            nozzle = NozzleRow(layout, 0, nozzle);
        }
        std::sort(nozzles.begin(), nozzles.end());
        return nozzles;
    };

    // Pass 0, the reference channel's first block: its head group 0 rows.
    std::vector<int> expected;
    if (kind == RunnerKind::Staggered) {
        // Stripes three nozzles thick.
        for (int k = 0; k < (big ? 6 : 4); ++k) {
            for (int t = 0; t < 3; ++t) {
                expected.push_back(3 + (big ? 25 : 15) * k + t);
            }
        }
        EXPECT_EQ(LinesAt(sheet, 0, 10, top, top + h), rowsOf(expected));
    } else {
        // The dash chart of group 0 (beside the stripes when there are two groups): dashes and
        // the base dash under them.
        for (int k = 0; k < (big ? 10 : 7); ++k) {
            expected.push_back(5 + (big ? 13 : 8) * k);
        }
        expected.push_back(big ? 188 : 109);
        const int x2 = p.GroupNo == 1 && !white ? 0 : 250 * (2 * p.ColorNo + 1) + 450;
        EXPECT_EQ(LinesAt(sheet, 0, x2 + 10, top, top + h), expected);
        // Channel 1's block overlaps the reference's first two by 150 pixels each.
        EXPECT_EQ(LinesAt(sheet, 1, x2 + 250 + 10, top, top + h), expected);
        EXPECT_EQ(LinesAt(sheet, 1, x2 + 250 - 1, top, top + h), std::vector<int>{big ? 188 : 109});
    }

    // Passes 1 (and 2 for the white channel): every row of every channel, stepping right.
    const bool narrow = kind == RunnerKind::Staggered;
    const int pass1 = top + FedLines(*pattern, cfg.config, pattern->PassFeed(0));
    const int pass2 = pass1 + FedLines(*pattern, cfg.config, pattern->PassFeed(1));
    for (int c = 0; c < p.ColorNo; ++c) {
        const int first = white && !narrow && c == whiteChannel ? pass2 : pass1;
        const int x0 = (narrow ? 950 : 1600) * c;
        for (int r = 0; r < n; ++r) {
            const int x = x0 + 100 * (r % 8);
            const int y = first + r;
            ASSERT_EQ(InkOver(sheet, c, y, x, 150), 150) << "channel " << c << " row " << r;
            ASSERT_EQ(InkOver(sheet, c, y, x0, x - x0), 0) << "channel " << c << " row " << r;
            const int solid = narrow ? 0 : 600;
            const int right = std::max(x + 150, x0 + 800 + solid);
            ASSERT_EQ(InkOver(sheet, c, y, x0, right - x0 + 100),
                      150 + solid - std::max(0, x + 150 - (x0 + 800)) * (narrow ? 0 : 1))
                << "channel " << c << " row " << r;
        }
    }
}

// The x of every drop of channel c on line y, left of `width`.
std::vector<int> InkedColumns(const sim::CMediaSheet& sheet, int c, int y, int width)
{
    std::vector<int> xs;
    for (int x = 0; x < width; ++x) {
        if (sheet.DropsAt(c, x, y) > 0) {
            xs.push_back(x);
        }
    }
    return xs;
}

// TX6 Printer: six colours, heads one above the other (the standard runner).
class CalibrationSheetTest : public test::ChartFixture {
protected:
    void Configure(CPrinterConfig& config) override { PlainFeedsNoStrips(config); }
};

TEST_F(CalibrationSheetTest, HorizontalVernierTicksAndScale)
{
    Start(1);
    ASSERT_TRUE(Print(RunnerKind::Standard, 0)) << error;
    const sim::CMediaSheet sheet = printer->Sheet();
    ExpectCleanSheet(sheet, false);
    const int top = sheet.FirstPassLine();
    const int width = 1200 * 8;
    // The reference's numbered scales: ticks 140 apart, two columns 60 apart, in three blocks
    // 3100 apart (nozzles 36 to 84).
    std::vector<int> scale;
    for (int b = 0; b < 3; ++b) {
        for (int i = 0; i <= 20; ++i) {
            scale.push_back(50 + 3100 * b + 140 * i);
            scale.push_back(50 + 3100 * b + 140 * i + 60);
        }
    }
    std::sort(scale.begin(), scale.end());
    EXPECT_EQ(InkedColumns(sheet, 0, top + 40, width), scale);
    // Row B of the reference channel in block 1 (nozzles 72 to 96): ticks 139 apart from 60,
    // so that only the centre tick lies on the scale's.
    std::vector<int> vernier;
    for (int i = 0; i <= 20; ++i) {
        vernier.push_back(60 + 139 * i);
        vernier.push_back(60 + 139 * i + 60);
    }
    EXPECT_EQ(InkedColumns(sheet, 0, top + 90, width), vernier);
    EXPECT_EQ(vernier[20], scale[20]);
    // The dash joining each tick's columns on the row's first nozzle.
    const auto dash = InkedColumns(sheet, 0, top + 72, width);
    for (int i = 0; i <= 20; ++i) {
        for (int x = 60 + 139 * i; x <= 120 + 139 * i; ++x) {
            EXPECT_TRUE(std::binary_search(dash.begin(), dash.end(), x)) << i << " " << x;
        }
    }
}

TEST_F(CalibrationSheetTest, StepVernierSecondRowStepsOneRowPerTick)
{
    Start(1);
    ASSERT_TRUE(Print(RunnerKind::Standard, 2, 2)) << error;  // 4 passes: a feed of N / 4
    const sim::CMediaSheet sheet = printer->Sheet();
    ExpectCleanSheet(sheet, false);
    // Only where the centre tick's two rows meet, over the 5 pixels by which the second row's
    // dashes start inside the first's, is a pixel printed twice: 10 dashes of 6 pixels.
    for (const auto& t : sheet.Tally()) {
        EXPECT_EQ(t.pixelsMore, t.index < 3 ? 60 : 0) << "channel " << t.index;
    }
    const int top = sheet.FirstPassLine();
    for (int slot = 0; slot < 3; ++slot) {
        // Each channel's two passes lie a head (512 rows) below the previous channel's; its
        // dashes in the lower half, its numerals at the top.
        const int from = top + 512 * slot + 200;
        const int to = top + 512 * slot + 512;
        for (int i = 0; i <= 20; ++i) {
            const int x = i * (100 + 160 - 5);
            // Left of the second row's dashes only the first row prints, right of the first
            // row's only the second.
            const auto first = LinesAt(sheet, slot, x + 2, from, to);
            const auto second = LinesAt(sheet, slot, x + 160 - 7, from, to);
            ASSERT_EQ(first.size(), 10U) << slot << " " << i;
            ASSERT_EQ(second.size(), 10U) << slot << " " << i;
            for (size_t j = 0; j < first.size(); ++j) {
                EXPECT_EQ(second[j] - first[j], 10 - i) << "slot " << slot << " tick " << i;
            }
        }
    }
}

TEST_F(CalibrationSheetTest, PassStepAndStepWidthDashesLieOnOneLine)
{
    Start(1);
    // Pass mode 2: 4 passes, each a feed of N / 4 (less the feather lines for the pass step)
    // higher up the head: with the feed exact every pass's dashes land on one sheet line, each
    // pass's a shift further right, so that the dashes of neighbouring passes overlap.
    for (const int index : {4, 15}) {
        ASSERT_TRUE(Print(RunnerKind::Standard, index, 2)) << error;
        const sim::CMediaSheet sheet = printer->Sheet();
        ExpectCleanSheet(sheet, false);
        const int width =
            Runner(RunnerKind::Standard, Limits())->PlanChart(index, 2)->Job().bytesPerPlaneLine *
            8;
        // Drops each pixel of the line takes: the dashes [from, to] of every pass over it.
        std::vector<std::vector<int>> expected(3, std::vector<int>(static_cast<size_t>(width), 0));
        const auto dash = [&](int c, int from, int to) {
            for (int x = std::max(from, 0); x <= to && x < width; ++x) {
                ++expected[static_cast<size_t>(c)][static_cast<size_t>(x)];
            }
        };
        for (int p = 0; p < 4; ++p) {
            if (index == 4) {
                for (int c = 0; c < 3; ++c) {
                    dash(c, 110 * p + 1600 * c, 110 * p + 1600 * c + 499);
                    dash(c, 110 * p + 1600 * c + 800, 110 * p + 1600 * c + 1299);
                }
            } else {
                // 40 mm dashes every 160 mm at 600 dpi, 66 pixels further per pass.
                for (int k = 0; k < (width - 200) / 3779; ++k) {
                    dash(1, 3779 * k + 66 * p, 3779 * k + 66 * p + 944);
                }
            }
        }
        for (int c = 0; c < 3; ++c) {
            std::vector<int> lines;
            for (int y = 0; y < sheet.Height(); ++y) {
                if (InkOver(sheet, c, y, 0, width) > 0) {
                    lines.push_back(y);
                }
            }
            const bool drawn = index == 4 || c == 1;
            ASSERT_EQ(lines.size(), drawn ? 1U : 0U) << "chart " << index << " channel " << c;
            for (int x = 0; drawn && x < width; ++x) {
                ASSERT_EQ(sheet.DropsAt(c, x, lines[0]),
                          expected[static_cast<size_t>(c)][static_cast<size_t>(x)])
                    << "chart " << index << " channel " << c << " x " << x;
            }
        }
    }
}

class StaggeredSheetTest : public test::ChartFixture {
protected:
    void Configure(CPrinterConfig& config) override { config.params.Strip = 0; }
};

TEST_F(StaggeredSheetTest, VerticalVernierChannelDashesStepOneRowPerTick)
{
    Start(0);  // four colours, staggered pairs: three channels against the reference
    ASSERT_TRUE(Print(RunnerKind::Staggered, 10)) << error;
    const sim::CMediaSheet sheet = printer->Sheet();
    ExpectCleanSheet(sheet);
    for (int slot = 1; slot <= 3; ++slot) {
        for (int i = 0; i <= 20; ++i) {
            const int x = i * (60 + 200 - 20);
            // The reference's dashes from x to x + 100, the channel's from x + 80 to x + 180:
            // each read where the other draws nothing.
            auto reference = LinesAt(sheet, 0, x + 10, 0, sheet.Height());
            const auto channel = LinesAt(sheet, slot, x + 150, 0, sheet.Height());
            // The reference draws the same ticks in every pass; take this pass's five.
            ASSERT_EQ(channel.size(), 5U) << slot << " " << i;
            std::vector<int> mine;
            for (const int y : reference) {
                if (y >= channel.front() - 20 && y <= channel.back() + 20) {
                    mine.push_back(y);
                }
            }
            ASSERT_EQ(mine.size(), 5U) << slot << " " << i;
            for (size_t j = 0; j < 5; ++j) {
                EXPECT_EQ(channel[j] - mine[j], 10 - i) << "slot " << slot << " tick " << i;
            }
        }
    }
}

std::string PrinterName(const ::testing::TestParamInfo<int>& info)
{
    const char* names[] = {"TX", "TX6", "TXWhite"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(SamplePrinters, ChartSheetTest, ::testing::Values(0, 1, 2), PrinterName);

// The platform check is a standard-runner chart; TX6 Printer is the sample printer that uses
// it, and a one-group printer has no group 1 to draw.
class PlatformCheckTest : public test::ChartFixture, public ::testing::WithParamInterface<int> {
protected:
    void Configure(CPrinterConfig& config) override
    {
        if (GetParam() == 1) {
            auto& p = config.params;
            p.GroupNo = 1;
            p.HeadArrayOrder.resize(static_cast<size_t>(p.ColorNo));
            p.HeadLevelList.resize(static_cast<size_t>(p.ColorNo));
        }
    }
};

TEST_P(PlatformCheckTest, ColumnsAcrossThePrintableWidth)
{
    Start(1);
    ASSERT_TRUE(Print(RunnerKind::Standard, 8)) << error;
    const sim::CMediaSheet sheet = printer->Sheet();
    ExpectCleanSheet(sheet);
    const auto& p = cfg.config.params;
    const int t = p.HeadHoleNo / 3;
    const int widthPixels =
        static_cast<int>((p.MaxPrintWidth - p.OriginPos - 100) * p.CaliResolutionX * 0.125 / 25.4) *
        8;
    for (int c = 0; c < p.ColorNo; ++c) {
        int columns = 0;
        for (int x = 0; x < widthPixels; x += 400) {
            std::vector<int> lines;
            for (int y = 0; y < sheet.Height(); ++y) {
                if (sheet.DropsAt(c, 20 * c + x, y) > 0) {
                    lines.push_back(y);
                }
                EXPECT_EQ(sheet.DropsAt(c, 20 * c + x + 1, y), 0);
            }
            const auto runs = Runs(lines);
            if (p.GroupNo == 1) {
                ASSERT_EQ(runs.size(), 1U);
                EXPECT_EQ(runs[0].length, t - 1);
            } else {
                // Group 0's segment over nozzles T + 1 to 2T - 1, group 1's in its own rows.
                ASSERT_EQ(runs.size(), 2U) << "channel " << c << " x " << x;
                EXPECT_EQ(runs[0].length, t - 1);
                EXPECT_EQ(runs[1].length, t);
                // Where the heads' mounting puts group 1's nozzles 0 to T - 1 and group 0's
                // nozzles T + 1 on.
                const LayoutParams layout = LayoutParams::FromConfig(cfg.config);
                int first1 = p.HeadHoleNo;
                for (int n = 0; n < t; ++n) {
                    first1 = std::min(first1, NozzleRow(layout, 1, n));
                }
                EXPECT_EQ(runs[1].first - runs[0].first, layout.groupRows + first1 - (t + 1));
            }
            ++columns;
        }
        EXPECT_EQ(columns, (widthPixels + 399) / 400);
    }
}

INSTANTIATE_TEST_SUITE_P(Groups, PlatformCheckTest, ::testing::Values(2, 1));

}  // namespace
