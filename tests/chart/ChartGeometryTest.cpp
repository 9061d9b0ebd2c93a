// Band overlap, head columns and step block printed onto the virtual printer's sheet and compared
// drop for drop with the sheet their geometry describes; and the vernier charts' numerals and
// labels, whose ink must survive the glyphs placed beside them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "chart/ChartFixture.h"
#include "print/NozzleMap.h"
#include "print/TransferLayout.h"

using namespace tavolux;
using chart::RunnerKind;

namespace {

// One glyph record read straight from its file: numerals 20 + m (flag set) or 20 - m, labels
// c + 6v, the white channel's from 24 + v.
std::vector<uint8_t> Record(const char* file, int index, int bytes)
{
    std::ifstream in(std::filesystem::path(TAVOLUX_BIN_DIR) / file, std::ios::binary);
    std::vector<uint8_t> record(static_cast<size_t>(bytes));
    in.seekg(static_cast<std::streamoff>(index) * bytes);
    in.read(reinterpret_cast<char*>(record.data()), bytes);
    EXPECT_TRUE(in) << file << " record " << index;
    return record;
}

std::vector<uint8_t> Digit(bool flag, int magnitude)
{
    return Record("DiGi.bin", flag ? 20 + magnitude : 20 - magnitude, 300);
}

std::vector<uint8_t> Label(const CPrinterConfig& config, int channel, int variant)
{
    const int c = config.params.ColorNo;
    const bool white = (c == 5 && channel == 4) || (c == 7 && channel == 6);
    return Record("ZiMo.bin", white ? 24 + variant : channel + 6 * variant, 1200);
}

// The sheet a chart should leave, pass by pass: what each pass sets in each channel's rows (a
// pixel set twice in one pass is one drop), laid onto the sheet lines its feeds bring it to.
class CExpectedSheet {
public:
    CExpectedSheet(const CPrinterConfig& config, int width)
        : m_layout(LayoutParams::FromConfig(config)),
          m_width(width),
          m_sheet(static_cast<size_t>(config.params.ColorNo))
    {
        Clear();
    }

    // Ends the pass and feeds the media by `rows` rows.
    void EndPass(int rows)
    {
        for (size_t c = 0; c < m_pass.size(); ++c) {
            for (const auto& [row, pixels] : m_pass[c]) {
                auto& line = m_sheet[c][m_line + row];
                line.resize(static_cast<size_t>(m_width), 0);
                for (int x = 0; x < m_width; ++x) {
                    line[static_cast<size_t>(x)] += pixels[static_cast<size_t>(x)];
                }
            }
        }
        m_line += rows;
        Clear();
    }

    void Span(int c, int g, int n, int x0, int x1)
    {
        for (int x = std::max(x0, 0); x <= x1 && x < m_width; ++x) {
            Set(c, g, n, x, 1);
        }
    }
    void Column(int c, int g, int x, int first, int last)
    {
        for (int n = first; n <= last; ++n) {
            Set(c, g, n, x, 1);
        }
    }
    // A glyph replaces what its byte columns held: it starts at the byte at or left of x.
    void Glyph(int c, int g, int x, int n, const std::vector<uint8_t>& bits, int widthBytes)
    {
        const int rows = static_cast<int>(bits.size()) / widthBytes;
        const int left = (x >= 0 ? x / 8 : -((-x + 7) / 8)) * 8;
        // Heads mounted upside down get the glyph's rows in reverse, so that it reads upright.
        const bool reversed = NozzleRow(m_layout, g, 1) < NozzleRow(m_layout, g, 0);
        for (int r = 0; r < rows; ++r) {
            const int source = reversed ? rows - 1 - r : r;
            for (int b = 0; b < widthBytes * 8; ++b) {
                const uint8_t byte =
                    bits[static_cast<size_t>(source) * static_cast<size_t>(widthBytes) +
                         static_cast<size_t>(b / 8)];
                Set(c, g, n + r, left + b, (byte >> (7 - b % 8)) & 1);
            }
        }
    }

    int Width() const { return m_width; }
    // Drops expected on each pixel of channel c's line y; null for a blank line.
    const std::vector<uint8_t>* LineOf(int c, int y) const
    {
        const auto& lines = m_sheet[static_cast<size_t>(c)];
        const auto it = lines.find(y);
        return it == lines.end() ? nullptr : &it->second;
    }
    // The first and last line with a drop expected, over all channels.
    std::pair<int, int> Lines() const
    {
        int first = 0;
        int last = 0;
        for (const auto& lines : m_sheet) {
            if (!lines.empty()) {
                first = std::min(first, lines.begin()->first);
                last = std::max(last, lines.rbegin()->first);
            }
        }
        return {first, last};
    }

private:
    void Clear() { m_pass.assign(m_sheet.size(), {}); }
    void Set(int c, int g, int n, int x, int value)
    {
        const int r = NozzleRow(m_layout, g, n);
        if (r < 0 || r >= m_layout.groupRows || x < 0 || x >= m_width) {
            return;
        }
        auto& row = m_pass[static_cast<size_t>(c)][g * m_layout.groupRows + r];
        row.resize(static_cast<size_t>(m_width), 0);
        row[static_cast<size_t>(x)] = static_cast<uint8_t>(value);
    }

    LayoutParams m_layout;
    int m_width;
    int m_line = 0;
    std::vector<std::map<int, std::vector<uint8_t>>> m_pass;   // channel: row -> pixels set
    std::vector<std::map<int, std::vector<uint8_t>>> m_sheet;  // channel: line -> drops
};

// Every pixel of every channel, on the sheet and beyond it, against the expected sheet; `top`
// is the sheet line of the first pass's row 0.
void ExpectSheet(const sim::CMediaSheet& sheet, const CExpectedSheet& expected, int top)
{
    EXPECT_EQ(sheet.OutsideDrops(), 0);
    EXPECT_FALSE(sheet.Overflowed());
    const auto [first, last] = expected.Lines();
    const int width = std::max(sheet.Width(), expected.Width());
    for (int c = 0; c < static_cast<int>(sheet.Tally().size()); ++c) {
        int wrong = 0;
        for (int y = std::min(0, top + first); y < std::max(sheet.Height(), top + last + 1); ++y) {
            const auto* line = expected.LineOf(c, y - top);
            for (int x = 0; x < width; ++x) {
                const int want =
                    line != nullptr && x < expected.Width() ? (*line)[static_cast<size_t>(x)] : 0;
                const int got = sheet.DropsAt(c, x, y);
                if (got != want && ++wrong <= 5) {
                    ADD_FAILURE() << "channel " << c << " x " << x << " line " << y - top << ": "
                                  << got << " drops, expected " << want;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "channel " << c;
    }
}

// Sheet lines, counted from the first pass's row 0, where channel c has a drop at x.
std::vector<std::pair<int, int>> RunsAt(const sim::CMediaSheet& sheet, int c, int x, int top)
{
    std::vector<std::pair<int, int>> runs;  // first and last line
    for (int y = 0; y < sheet.Height(); ++y) {
        if (sheet.DropsAt(c, x, y) == 0) {
            continue;
        }
        if (!runs.empty() && runs.back().second == y - top - 1) {
            runs.back().second = y - top;
        } else {
            runs.emplace_back(y - top, y - top);
        }
    }
    return runs;
}

// The sample printers and the head arrangements the three charts tell apart.
struct Arrangement {
    const char* name;
    int printer;      // in the sample configuration
    bool oneGroup;    // one head group only
    bool levelHeads;  // every head on one level: no staggered pairs
};

const Arrangement kArrangements[] = {
    {"TX", 0, false, false},           // four colours, staggered pairs of 128 nozzles
    {"TX6", 1, false, false},          // six colours, two groups one above the other
    {"TXWhite", 2, false, false},      // four colours and white, staggered pairs
    {"TX6OneGroup", 1, true, false},   // TX6 without its second group
    {"TXWhiteLevel", 2, false, true},  // the white printer on the standard runner
};

class ChartGeometryTest : public test::ChartFixture,
                          public ::testing::WithParamInterface<Arrangement> {
protected:
    void Configure(CPrinterConfig& config) override
    {
        PlainFeedsNoStrips(config);
        auto& p = config.params;
        if (GetParam().oneGroup) {
            p.GroupNo = 1;
            p.HeadArrayOrder.resize(static_cast<size_t>(p.ColorNo));
            p.HeadLevelList.resize(static_cast<size_t>(p.ColorNo));
        }
        if (GetParam().levelHeads) {
            std::fill(p.HeadLevelList.begin(), p.HeadLevelList.end(), 0);
        }
    }

    // Prints the chart on the runner its printer chooses (the step charts always print on the
    // standard one) and returns the sheet line of the first pass's row 0.
    int PrintChart(int index, bool standard = false, bool staggered = false)
    {
        Start(GetParam().printer);
        m_kind = standard    ? RunnerKind::Standard
                 : staggered ? RunnerKind::Staggered
                             : chart::ChooseRunnerKind(cfg.config);
        EXPECT_TRUE(Print(m_kind, index)) << error;
        m_sheet = printer->Sheet();
        EXPECT_EQ(m_sheet.Interlace(), 1);
        return m_sheet.FirstPassLine();
    }

    RunnerKind m_kind = RunnerKind::Standard;
    sim::CMediaSheet m_sheet{sim::PrinterHeads{}};
};

TEST_P(ChartGeometryTest, BandOverlapBandsAndLabelledBlocks)
{
    const int top = PrintChart(1);
    const auto& p = cfg.config.params;
    const int h = p.HeadHoleNo;
    const int g = p.GroupNo;
    const int c = p.ColorNo;
    const int n = h * g;
    const int e = h / 5;
    const bool staggered = m_kind == RunnerKind::Staggered;
    const bool white = (c == 5 || c == 7) && !staggered;
    const int whiteChannel = c == 5 ? 4 : 6;

    CExpectedSheet expected(cfg.config, (c == 6 ? 600 : c == 4 ? 400 : 960) * 8);
    const auto band = [&](int ch, int group, bool upper) {
        const int first = upper ? 2 * n / 3 - e : 0;
        const int last = upper ? n - 1 : n / 3 + e;
        for (int k = first / g; k <= last / g; ++k) {
            expected.Span(ch, group, k, 700 * ch, 700 * ch + 599);
        }
    };
    // The reference marks every drawn channel's block with a labelled band.
    const auto labels = [&](int group) {
        for (int slot = 0; slot < c; ++slot) {
            if ((c == 5 || c == 7) && slot == whiteChannel) {
                continue;
            }
            for (int k = n / 4 / g; k <= 3 * n / 4 / g; ++k) {
                expected.Span(0, group, k, 700 * slot, 700 * slot + 599);
            }
            const int y0 = n / 4 / g;
            const int y1 = 3 * n / 4 / g;
            expected.Glyph(0, group, 700 * slot + 180, y0 + (y1 - y0 - 40) / 2,
                           Label(cfg.config, slot, group), 30);
        }
    };
    std::vector<int> feeds;
    if (white) {
        for (int group = 0; group < 2; ++group) {
            for (int pass = 0; pass < 4; ++pass) {
                for (int ch = 0; ch < c && group < g; ++ch) {
                    if ((ch == whiteChannel) == (pass >= 2)) {
                        band(ch, group, pass % 2 == 1);
                    }
                }
                if (pass == 0 && group < g) {
                    labels(group);
                }
                expected.EndPass(std::vector{0, n, 0, 40}[static_cast<size_t>(pass)]);
            }
        }
    } else {
        // Staggered pairs draw the standard passes and feed half a channel between groups.
        const int passes = staggered ? (g == 2 ? 6 : 10) : g == 1 ? 2 : g == 3 ? 6 : 4;
        for (int pass = 0; pass < passes; ++pass) {
            if (pass / 2 < g) {
                for (int ch = 0; ch < c; ++ch) {
                    band(ch, pass / 2, pass % 2 == 1);
                }
                if (pass % 2 == 0) {
                    labels(pass / 2);
                }
            }
            int feed = pass == 1 || pass == 3 ? n + 40 : pass == 4 || pass == 5 ? n : 0;
            if (staggered) {
                feed = pass % 2 == 1 && pass <= (g == 2 ? 3 : 7) ? n / 2 : 0;
            }
            expected.EndPass(feed);
        }
    }
    ExpectSheet(m_sheet, expected, top);

    if (p.ColorNo == 6 && g == 2) {
        // By hand (TX6: 256 nozzles, two groups, N 512, E 51): in channel 2's block, the lower
        // band over nozzles 0 to 110, the upper over 145 to 255, group 1's 256 rows further
        // and a feed of 552 later.
        const std::vector<std::pair<int, int>> runs = {
            {0, 110}, {145, 255}, {552 + 256, 552 + 366}, {552 + 401, 552 + 511}};
        EXPECT_EQ(RunsAt(m_sheet, 2, 1410, top), runs);
    }
}

TEST_P(ChartGeometryTest, HeadColumnsAgainstTheReference)
{
    const int top = PrintChart(14);
    const auto& p = cfg.config.params;
    const int h = p.HeadHoleNo;
    const int g = p.GroupNo;
    const int c = p.ColorNo;
    const int n = h * g;
    const bool staggered = m_kind == RunnerKind::Staggered;
    const bool whitePrinter = c == 5 || c == 7;
    const int whiteChannel = c == 5 ? 4 : 6;

    const int q = 300;
    const int x0 = 200;
    int width = c == 6 ? 500 : c == 5 ? 450 : 350;
    if (staggered) {
        width = c == 6 ? 1000 : c == 5 ? 850 : 750;
        width /= g == 2 ? 2 : 1;
    }
    CExpectedSheet expected(cfg.config, width * 8);
    const bool big = h >= 256;
    const std::pair<int, int> lower = big ? std::pair{14, 64} : std::pair{5, 20};
    const std::pair<int, int> middle = big ? std::pair{78, 178} : std::pair{30, 95};
    const std::pair<int, int> upper = big ? std::pair{192, 242} : std::pair{105, 120};
    const int groups = std::min(g, 2);
    const auto reference = [&] {
        const int count = (whitePrinter ? g * c - g : g * c) * (g == 1 ? 2 : 1);
        for (int k = 0; k < count; k += g == 1 ? 2 : 1) {
            expected.Column(0, 0, x0 + k * q, 0, h - 1);
        }
    };
    // The white heads have no channel columns of their own against the reference.
    const auto parts = [&](std::pair<int, int> a, std::pair<int, int> b) {
        for (int ch = 0; ch < c; ++ch) {
            for (int group = 0; group < groups && !(whitePrinter && ch == whiteChannel); ++group) {
                expected.Column(ch, group, x0 + (2 * ch + group) * q, a.first, a.second);
                expected.Column(ch, group, x0 + (2 * ch + group) * q, b.first, b.second);
            }
        }
    };
    const auto labels = [&] {
        for (int ch = 0; ch < c; ++ch) {
            for (int group = 0; group < groups && !(whitePrinter && ch == whiteChannel); ++group) {
                expected.Glyph(ch, group, x0 + (2 * ch + group) * q - 20 - 120, h - 45,
                               Label(cfg.config, ch, group), 30);
            }
        }
    };
    if (whitePrinter && !staggered) {
        for (int group = 0; group < g; ++group) {
            expected.Column(whiteChannel, group, x0 + (whiteChannel * g + group) * q, 0, h - 1);
        }
        expected.EndPass(0);
        expected.EndPass(n);
        reference();
        expected.EndPass(0);
        expected.EndPass(0);
    } else {
        reference();
        expected.EndPass(0);
        expected.EndPass(0);
    }
    for (int k = 0; k < 4; ++k) {
        if (k % 2 == 0) {
            parts(lower, middle);
        } else {
            parts(middle, upper);
        }
        expected.EndPass(k == 3 ? (staggered ? n / 2 : n) : 0);
    }
    labels();
    expected.EndPass(0);
    ExpectSheet(m_sheet, expected, top);

    if (p.ColorNo == 6 && g == 2) {
        // By hand (TX6): the reference's column 7 full height; channel 3's group 1 column at
        // 200 + 7 x 300, on a head mounted upside down (nozzle n on row 511 - n): its upper
        // part (192 to 242) on lines 269 to 319, the middle (78 to 178) on 333 to 433, the
        // lower (14 to 64) on 447 to 497; the middle four times, the others twice.
        EXPECT_EQ(RunsAt(m_sheet, 0, 2300, top), (std::vector<std::pair<int, int>>{{0, 255}}));
        auto runs = RunsAt(m_sheet, 3, 2300, top);
        runs.resize(std::min<size_t>(runs.size(), 3));  // the labels follow a head further on
        EXPECT_EQ(runs, (std::vector<std::pair<int, int>>{{269, 319}, {333, 433}, {447, 497}}));
        for (const auto& [y, drops] : std::vector<std::pair<int, int>>{
                 {269, 2}, {319, 2}, {320, 0}, {333, 4}, {433, 4}, {447, 2}, {497, 2}}) {
            EXPECT_EQ(m_sheet.DropsAt(3, 2300, top + y), drops) << y;
        }
    }
}

TEST_P(ChartGeometryTest, StepBlockMeetsAfterTheFeed)
{
    const int top = PrintChart(3, true);  // pass mode 0
    const auto& p = cfg.config.params;
    const int h = p.HeadHoleNo;
    const int c = p.ColorNo;
    const int m = std::max(std::stoi(cfg.config.lists.ToTalPassList.at(0)), 2);
    const int f = (h + m / 2) / m;
    const int h2 = h / 2;
    const bool staggered = *std::max_element(p.HeadLevelList.begin(), p.HeadLevelList.end()) == 1;
    const int feed = staggered ? f * p.GroupNo / 2 : f * p.GroupNo;
    CExpectedSheet expected(cfg.config, (c == 6 ? 1200 : c == 4 ? 800 : 500) * 8);
    for (int ch = 0; ch < c; ++ch) {
        const int x = 20 + 1700 * ch;
        for (int k = h - f - h2; k <= h - f - 2; ++k) {
            expected.Span(ch, 0, k, x, x + 499);
        }
    }
    expected.EndPass(feed);
    for (int ch = 0; ch < c; ++ch) {
        const int x = 20 + 1700 * ch;
        for (int k = h - h2; k <= h - 1; ++k) {
            expected.Span(ch, 0, k, x + 700, x + 1199);
        }
        for (int k = 0; k <= h - h2 - 1; ++k) {
            expected.Span(ch, 0, k, x, x + 1199);
        }
    }
    expected.EndPass(feed);
    ExpectSheet(m_sheet, expected, top);

    if (p.ColorNo == 6 && p.GroupNo == 2) {
        // By hand (TX6, two passes: F 128, a feed of 256): the first block over nozzles 0 to
        // 126, the second pass's wide block over its nozzles 0 to 127 and the block beside it
        // over 128 to 255.
        EXPECT_EQ(RunsAt(m_sheet, 1, 1730, top),
                  (std::vector<std::pair<int, int>>{{0, 126}, {256, 383}}));
        EXPECT_EQ(RunsAt(m_sheet, 1, 2430, top), (std::vector<std::pair<int, int>>{{256, 511}}));
    }
}

std::string ArrangementName(const ::testing::TestParamInfo<Arrangement>& info)
{
    return info.param.name;
}

// Glyph ink missing from the sheet: set bits of the record, placed at x (from the byte at or
// left of it) and nozzle n of channel c's group 0 in the pass whose row 0 lies on `line`, that
// have no drop there (or fall left of the sheet).
int MissingInk(const sim::CMediaSheet& sheet, const CPrinterConfig& config, int c, int line, int x,
               int n, const std::vector<uint8_t>& bits, int widthBytes)
{
    const LayoutParams layout = LayoutParams::FromConfig(config);
    const bool reversed = NozzleRow(layout, 0, 1) < NozzleRow(layout, 0, 0);
    const int rows = static_cast<int>(bits.size()) / widthBytes;
    const int left = (x >= 0 ? x / 8 : -((-x + 7) / 8)) * 8;
    int missing = 0;
    for (int r = 0; r < rows; ++r) {
        const int source = reversed ? rows - 1 - r : r;
        const int y = line + NozzleRow(layout, 0, n + r);
        for (int b = 0; b < widthBytes * 8; ++b) {
            const uint8_t byte =
                bits[static_cast<size_t>(source) * static_cast<size_t>(widthBytes) +
                     static_cast<size_t>(b / 8)];
            if (((byte >> (7 - b % 8)) & 1) != 0 &&
                (left + b < 0 || sheet.DropsAt(c, left + b, y) == 0)) {
                ++missing;
            }
        }
    }
    return missing;
}

// A vernier's numerals, one under each tick `pitch` apart but the centre, and the label of the
// calibrated channel, as one pass draws them on the reference channel.
struct NumberedScale {
    int pass;
    int firstNumeral;  // x of tick 0's numeral
    int pitch;
    int label;  // x of the label
    int nozzle;
    int labelChannel;
    int variant;
};

class VernierGlyphTest : public ChartGeometryTest {
protected:
    // Every numeral and label of the scales has all its ink on the sheet: a glyph stored over
    // another's byte columns would cut into it.
    void ExpectWholeGlyphs(int index, int top, const std::vector<NumberedScale>& scales)
    {
        const auto& p = cfg.config.params;
        const auto pattern = Runner(m_kind, Limits())->PlanChart(index);
        ASSERT_TRUE(pattern);
        for (const NumberedScale& s : scales) {
            int y = top;
            for (int pass = 0; pass < s.pass; ++pass) {
                y += static_cast<int>(std::lround(pattern->FeedToSteps(pattern->PassFeed(pass)) *
                                                  p.MmPerPulseY / 25.4 * p.PrinterResolution));
            }
            for (int i = 0; i <= 20; ++i) {
                if (i != 10) {
                    EXPECT_EQ(MissingInk(m_sheet, cfg.config, 0, y, s.firstNumeral + s.pitch * i,
                                         s.nozzle, Digit(i < 10, std::abs(i - 10)), 15),
                              0)
                        << "pass " << s.pass << " tick " << i;
                }
            }
            EXPECT_EQ(MissingInk(m_sheet, cfg.config, 0, y, s.label, s.nozzle,
                                 Label(cfg.config, s.labelChannel, s.variant), 30),
                      0)
                << "pass " << s.pass << " label";
        }
    }
};

TEST_P(VernierGlyphTest, HorizontalVernierNumeralsAndLabels)
{
    const int top = PrintChart(0);
    const auto& p = cfg.config.params;
    const bool big = p.HeadHoleNo >= 256;
    std::vector<NumberedScale> scales;
    // Numbered rows in the first pass of each four, blocks 3100 apart, numerals 140 apart
    // centred between a tick's columns 60 apart; the label 15 right of the centre tick.
    for (int section = 0; section < 2 * p.GroupNo && section < 4; ++section) {
        for (int b = 0; b < (p.ColorNo == 6 ? 3 : 2); ++b) {
            const auto slots = section % 2 == 0 ? std::array{0, 1, 4} : std::array{2, 3, 5};
            const int x = 50 + 3100 * b;
            scales.push_back({4 * section, x + 30 - 60, 140, x + 1400 + 15 - 120, big ? 101 : 50,
                              slots[static_cast<size_t>(b)], section / 2});
        }
    }
    ExpectWholeGlyphs(0, top, scales);
}

TEST_P(VernierGlyphTest, VerticalVernierNumeralsAndLabels)
{
    const int top = PrintChart(10, false, true);
    std::vector<NumberedScale> scales;
    // Ticks 240 apart, numerals and label centred 50 into each tick's 100-pixel dashes.
    for (int pass = 0; pass < (cfg.config.params.ColorNo == 6 ? 5 : 3); ++pass) {
        scales.push_back({pass, 50 - 60, 240, 2400 + 50 - 120, 2, pass + 1, 0});
    }
    ExpectWholeGlyphs(10, top, scales);
}

INSTANTIATE_TEST_SUITE_P(SamplePrinters, VernierGlyphTest,
                         ::testing::Values(kArrangements[0], kArrangements[1]), ArrangementName);

INSTANTIATE_TEST_SUITE_P(SamplePrinters, ChartGeometryTest, ::testing::ValuesIn(kArrangements),
                         ArrangementName);

}  // namespace
