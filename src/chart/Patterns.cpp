// The charts: what each pass draws, with which geometry, and the feed after each pass.
#include "chart/Patterns.h"

#include <algorithm>
#include <array>
#include <utility>

#include "chart/HeadSlant.h"
#include "config/PrinterConfig.h"

namespace tavolux::chart {

namespace {

// Width in bytes by colour count; 0 keeps the job's.
int WidthFor(int colorNo, int c4, int c5, int c6, int c7)
{
    switch (colorNo) {
        case 4:
            return c4;
        case 5:
            return c5;
        case 6:
            return c6;
        case 7:
            return c7;
        default:
            return 0;
    }
}

// The pass count of the job's pass mode; 0 when the index is outside ToTalPassList.
int PassModeOf(const CPrinterConfig& config, const ChartJob& job)
{
    const auto& list = config.lists.ToTalPassList;
    const int k = job.printTypeCode;
    return k >= 0 && static_cast<size_t>(k) < list.size() ? 1 : 0;
}

int WidthOr(int width, int fallback)
{
    return width > 0 ? width : fallback;
}

// Nozzle check: every nozzle of a head draws one dash in one of four staggered columns (a
// staircase), then all nozzles draw a solid block with the head's label cut out of it.
class CNozzleCheckPattern final : public CTestPattern {
public:
    CNozzleCheckPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                        const std::filesystem::path& glyphDir, RunnerKind kind)
        : CTestPattern(config, job, scale, glyphDir), m_kind(kind)
    {
        const int g = G();
        switch (kind) {
            case RunnerKind::Standard:
                m_passCount = g == 1 ? 1 : g == 3 ? 3 : 2;
                m_job.bytesPerPlaneLine = WidthOr(WidthFor(C(), S(650), S(800), S(950), S(1100)),
                                                  m_job.bytesPerPlaneLine);
                break;
            case RunnerKind::Staggered:
                m_passCount = g == 4 ? 4 : 2;
                m_job.bytesPerPlaneLine = WidthOr(WidthFor(C(), S(650), S(800), S(950), S(1100)),
                                                  m_job.bytesPerPlaneLine);
                break;
            case RunnerKind::White:
                m_passCount = 4;
                m_job.bytesPerPlaneLine = C() == 6 ? S(950) : S(650);
                break;
        }
    }

    void DrawPass(int pass, int c) override
    {
        const auto& p = m_config.params;
        int group = pass;
        if (m_kind == RunnerKind::White) {
            // Colour heads in passes 0 and 1, the white heads in passes 2 and 3.
            const int colours = C() - std::max(p.WhiteColorNo, 0);
            const bool white = c >= colours;
            if (white != (pass >= 2)) {
                return;
            }
            group = pass % 2;
        } else if (p.WhiteColorNo >= 2 && c >= C() - p.WhiteColorNo) {
            return;
        }
        if (group >= G()) {
            return;
        }
        DrawHead(c, group);
    }

    int PassFeed(int pass) const override
    {
        const int h = H();
        switch (m_kind) {
            case RunnerKind::Standard:
                return pass <= 1 ? N() + 40 : 0;
            case RunnerKind::Staggered:
                if (G() == 4) {
                    return pass == 0 || pass == 2 ? 2 * h + 40 : pass == 1 ? 4 * h + 40 : 0;
                }
                return G() == 2 && pass == 0 ? 2 * h + 40 : 0;
            case RunnerKind::White:
                return pass == 0 || pass == 2 ? 2 * h + 40 : pass == 1 ? 4 * h + 40 : 0;
        }
        return 0;
    }

private:
    void DrawHead(int c, int g)
    {
        const int w = S(120);
        const int s = S(8);
        const int l = S(240);
        const int a = S(480);
        const int x0 = (3 * s + 4 * w + l + a) * c;
        CHeadChannel& ch = Channel(c);
        for (int n = 0; n < H(); ++n) {
            const int column = 3 - n % 4;
            const int x = x0 + column * (w + s);
            ch.DrawNozzleSpan(g, n, x, x + w - 1);
        }
        const int block = x0 + 4 * w + 3 * s;
        for (int n = 0; n < H(); ++n) {
            ch.DrawNozzleSpan(g, n, block, block + 4 * w - 1);
        }
        DrawLabel(c, g, block + (4 * w - 8 * m_labelWidth) / 2, H() / 2 - m_labelHeight / 2, c, g);
    }

    RunnerKind m_kind;
};

// Head offset check: a full-height column per head, in passes of alternating direction, so
// that the heads' horizontal offsets and the two directions show side by side.
class CHeadOffsetPattern final : public CTestPattern {
public:
    CHeadOffsetPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                       const std::filesystem::path& glyphDir, RunnerKind kind)
        : CTestPattern(config, job, scale, glyphDir), m_kind(kind)
    {
        m_passCount = 3;
        if (kind == RunnerKind::Staggered) {
            m_job.bytesPerPlaneLine =
                WidthOr(WidthFor(C(), S(650), S(800), S(900), S(1100)), m_job.bytesPerPlaneLine);
        }
    }

    void DrawPass(int pass, int c) override
    {
        const int x0 = S(300);
        const int b = S(285);
        const int gap = S(8);
        const int x = x0 + 2 * c * (gap + b);
        CHeadChannel& ch = Channel(c);
        if (pass <= 1) {
            ch.DrawColumn(0, x, 0, H() - 1);
            if (G() > 1) {
                ch.DrawColumn(1, x + gap + b, 0, H() - 1);
            }
        } else if (pass == 2) {
            const int n = H() / 2 - m_labelHeight / 2;
            DrawLabel(c, 0, x - 8 * m_labelWidth / 2 + gap / 2, n, c, 0);
            if (G() > 1) {
                DrawLabel(c, 1, x + gap + b - 8 * m_labelWidth / 2 + gap / 2, n, c, 1);
            }
        }
    }

    int PassFeed(int pass) const override
    {
        const int n = N();
        const int r = H() / 10;
        if (m_kind == RunnerKind::Staggered) {
            switch (pass) {
                case 0:
                    return n / 2 - r;
                case 1:
                    return n / G();
                case 2:
                    return n / 2;
                case 3:
                case 4:
                    return n - G();
                default:
                    return n;
            }
        }
        switch (pass) {
            case 0:
                return n - r;
            case 1:
                return n / G();
            case 3:
            case 4:
                return n - G();
            default:
                return n;
        }
    }

private:
    RunnerKind m_kind;
};

// Platform check: short columns across the whole printable width, group 1 above group 0, each
// channel a little to the right of the one before.
class CPlatformCheckPattern final : public CTestPattern {
public:
    CPlatformCheckPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                          const std::filesystem::path& glyphDir)
        : CTestPattern(config, job, scale, glyphDir)
    {
        m_passCount = 1;
    }

    void DrawPass(int pass, int c) override
    {
        if (pass != 0) {
            return;
        }
        const int t = H() / 3;
        const int step = std::max(S(400), 1);
        const int widthPixels = m_job.bytesPerPlaneLine * 8;
        CHeadChannel& ch = Channel(c);
        for (int x = 0; x < widthPixels; x += step) {
            const int at = S(20) * c + x;
            // A printer with one group has no group 1: its segment is left out.
            ch.DrawColumn(1, at, 0, t - 1);
            ch.DrawColumn(0, at, t + 1, 2 * t - 1);
        }
    }

    int PassFeed(int /*pass*/) const override { return N(); }
};

// Vertical check: dash blocks of each channel overlapping the reference channel's blocks on
// both sides (a vertical offset between heads shows as a step in the dashes), stripes of head
// group 1 between those of group 0, and a staircase of every nozzle row per channel.
class CVerticalCheckPattern final : public CTestPattern {
public:
    CVerticalCheckPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                          const std::filesystem::path& glyphDir, RunnerKind kind)
        : CTestPattern(config, job, scale, glyphDir), m_kind(kind)
    {
        if (kind == RunnerKind::Staggered) {
            m_passCount = 2;
            m_job.bytesPerPlaneLine =
                WidthOr(WidthFor(C(), S(480), S(720), S(720), 0), m_job.bytesPerPlaneLine);
            return;
        }
        m_passCount = WhitePrinter() ? 3 : G() == 1 ? 1 : 2;
        const int width =
            WidthOr(WidthFor(C(), S(900), S(1200), S(1250), 0), m_job.bytesPerPlaneLine);
        m_job.bytesPerPlaneLine = G() == 1 ? width / 2 : width;
    }

    void DrawPass(int pass, int c) override
    {
        const bool white = WhitePrinter();
        if (pass == 0) {
            if (white && c == WhiteChannel()) {
                DrawMarkers(c);
                return;
            }
            if (m_kind == RunnerKind::Staggered) {
                DrawStripes(c, C() + 1);
            } else if (G() == 1 && !white) {
                DrawDashes(c, 0, 0, C(), 0);
            } else {
                const int blocks = white ? C() - 1 : C();
                DrawStripes(c, white ? C() : C() + 1);
                const int x2 = S(250) * (2 * C() + 1) + S(450);
                const int w2 = (2 * C() - 1) * S(250) + S(150);
                DrawDashes(c, 0, x2, blocks, 0);
                DrawDashes(c, 1, x2 + S(300) + w2, blocks, 1);
            }
            if (white) {
                DrawMarkers(c);
            }
            return;
        }
        if (m_kind == RunnerKind::Staggered) {
            if (pass == 1) {
                DrawStaircase(c);
            }
            return;
        }
        const bool whitePass = white && pass == 2;
        if (pass > 2 || (white && (c == WhiteChannel()) != whitePass) || (!white && pass != 1)) {
            return;
        }
        DrawStaircase(c);
    }

    int PassFeed(int pass) const override { return pass == 0 ? N() + 10 : N(); }

private:
    bool Big() const { return H() >= 256; }

    // The dash chart of one head group from x: reference blocks at x + 500s j, the block of
    // channel c at x + 250s (2c - 1), labels under them, a base dash below.
    void DrawDashes(int c, int g, int x, int blocks, int variant)
    {
        const int count = Big() ? 10 : 7;
        const int pitch = Big() ? 13 : 8;
        const int length = S(400);
        const int labelNozzle = Big() ? 135 : 61;
        CHeadChannel& ch = Channel(c);
        auto block = [&](int at) {
            for (int k = 0; k < count; ++k) {
                ch.DrawNozzleSpan(g, 5 + pitch * k, at, at + length - 1);
            }
            DrawLabel(c, g, at + (length - 8 * m_labelWidth) / 2, labelNozzle, c, variant);
        };
        if (c == 0) {
            for (int j = 0; j < blocks; ++j) {
                block(x + S(500) * j);
            }
        } else if (c < blocks) {
            block(x + S(250) * (2 * c - 1));
        }
        const int base = Big() ? 188 : 109;
        ch.DrawNozzleSpan(g, base, x, x + (2 * C() - 1) * S(250) + S(150) - 1);
    }

    // Group 0 stripes of the reference, three nozzles thick, in `blocks` blocks; group 1 stripes
    // of every channel, two thick, between them.
    void DrawStripes(int c, int blocks)
    {
        const int count = Big() ? 6 : 4;
        const int pitch = Big() ? 25 : 15;
        const int length = S(400);
        const int labelNozzle = Big() ? 155 : 65;
        CHeadChannel& ch = Channel(c);
        const int labelX = (length - 8 * m_labelWidth) / 2;
        if (c == 0) {
            for (int i = 0; i < blocks; ++i) {
                const int x = S(500) * i;
                for (int k = 0; k < count; ++k) {
                    for (int t = 0; t < 3; ++t) {
                        ch.DrawNozzleSpan(0, 3 + pitch * k + t, x, x + length - 1);
                    }
                }
                DrawLabel(c, 0, x + labelX, labelNozzle, c, 0);
            }
        }
        if (G() < 2) {
            return;
        }
        const int x = S(250) * (2 * c + 1);
        for (int k = 0; k < count; ++k) {
            for (int t = 0; t < 2; ++t) {
                ch.DrawNozzleSpan(1, 3 + pitch * k + t, x, x + length - 1);
            }
        }
        DrawLabel(c, 1, x + labelX, labelNozzle, c, 1);
    }

    // Every row of the channel: a short dash stepping right over eight rows, and a solid dash.
    void DrawStaircase(int c)
    {
        CHeadChannel& ch = Channel(c);
        const bool narrow = m_kind == RunnerKind::Staggered;
        const int x0 = (narrow ? S(950) : S(1600)) * c;
        for (int r = 0; r < N(); ++r) {
            const int x = x0 + S(100) * (r % 8);
            ch.DrawRowSpan(r, x, x + S(150) - 1);
            if (!narrow) {
                ch.DrawRowSpan(r, x0 + S(800), x0 + S(800) + S(600) - 1);
            }
        }
    }

    // The top of each head: colour heads on their last nozzle, the white heads on nozzle 0.
    // These positions are pixels at any scale.
    void DrawMarkers(int c)
    {
        CHeadChannel& ch = Channel(c);
        if (c == WhiteChannel()) {
            ch.DrawNozzleSpan(0, 0, 0, 2100);
            ch.DrawNozzleSpan(1, 0, 2500, 4600);
            return;
        }
        if (c > 3) {
            return;
        }
        ch.DrawNozzleSpan(0, H() - 1, 100 + 500 * c, 500 + 500 * c);
        ch.DrawNozzleSpan(1, H() - 1, 2600 + 500 * c, 3000 + 500 * c);
    }

    RunnerKind m_kind;
};

// Horizontal vernier: per block, a numbered scale of the reference channel and vernier rows of
// one channel whose ticks are a pixel closer together, in a pass of each direction; the tick
// that lines up with the scale reads the channel's horizontal offset.
class CHorizontalVernierPattern final : public CTestPattern {
public:
    CHorizontalVernierPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                              const std::filesystem::path& glyphDir, RunnerKind kind)
        : CTestPattern(config, job, scale, glyphDir), m_staggered(kind == RunnerKind::Staggered)
    {
        m_passCount = WhitePrinter() ? 18 : G() == 1 ? 8 : G() == 3 ? 24 : 16;
        if (m_staggered) {
            // Staggered pairs draw the same sections; the printer's white heads get none.
            m_passCount = G() == 4 ? 26 : 16;
        }
        m_job.bytesPerPlaneLine =
            WidthOr(WidthFor(C(), S(800), 0, S(1200), 0), m_job.bytesPerPlaneLine);
        const bool big = H() >= 256;
        m_rowA = big ? std::pair{24, 48} : std::pair{5, 20};
        m_rowB = big ? std::pair{72, 96} : std::pair{30, 45};
        m_numbered = big ? std::pair{36, 84} : std::pair{10, 40};
        m_numeralNozzle = big ? 101 : 50;
    }

    void DrawPass(int pass, int c) override
    {
        if (WhitePrinter() && !m_staggered) {
            if (pass == 0) {
                if (c == ChannelMap()[0]) {
                    DrawNumbered(0, WhiteChannel(), 0);
                    DrawNumbered(1, WhiteChannel(), 0);
                }
                return;
            }
            if (pass == 1) {
                return;
            }
            if ((pass == 4 || pass == 5) && c == WhiteChannel()) {
                const auto rows = pass == 4 ? m_rowA : m_rowB;
                DrawVernier(c, 0, 0, rows);
                DrawVernier(c, 1, 1, rows);
            }
            pass -= 2;
        }
        if (pass >= 16) {
            return;
        }
        const int section = pass / 4;  // sections 2 and 3 repeat 0 and 1 for head group 1
        const int g = section / 2;
        const int step = pass % 4;
        if (g >= G()) {
            return;
        }
        // The channel slots calibrated in blocks 1, 2 and 3.
        const std::array<int, 3> slots =
            section % 2 == 0 ? std::array{0, 1, 4} : std::array{2, 3, 5};
        for (int b = 0; b < Blocks(); ++b) {
            const int channel = ChannelMap()[static_cast<size_t>(slots[static_cast<size_t>(b)])];
            if (step == 0 && c == ChannelMap()[0]) {
                DrawNumbered(b, channel, g);
            } else if ((step == 2 || step == 3) && c == channel) {
                // The reference needs no row A against itself in group 0.
                if (step == 2 && g == 0 && slots[static_cast<size_t>(b)] == 0) {
                    continue;
                }
                DrawVernier(c, g, b, step == 2 ? m_rowA : m_rowB);
            }
        }
    }

    int PassFeed(int pass) const override
    {
        if (m_staggered) {
            if (G() == 4) {
                return (pass % 4 == 3 && pass <= 15) || (pass >= 17 && pass % 2 == 1) ? 512 : 0;
            }
            return G() == 2 && (pass == 3 || pass == 7 || pass == 9 || pass == 13) ? 256 : 0;
        }
        if (WhitePrinter()) {
            if (pass <= 1) {
                return pass == 0 ? 0 : N();
            }
            pass -= 2;
        }
        return pass % 4 == 3 ? (m_rowB.second + 40) * G() : 0;
    }

    static constexpr int kHalf = 10;  // ticks each side of the centre

    int Pitch() const { return S(140); }
    int BlockStart(int b) const { return S(50) + b * (S(300) + 2 * kHalf * Pitch()); }
    int Blocks() const { return C() == 6 ? 3 : 2; }
    std::pair<int, int> RowA() const { return m_rowA; }
    std::pair<int, int> RowB() const { return m_rowB; }
    std::pair<int, int> NumberedRow() const { return m_numbered; }

private:
    // The reference's numbered scale of block b, with the label of the calibrated channel.
    void DrawNumbered(int b, int labelChannel, int variant)
    {
        const int c = ChannelMap()[0];
        CHeadChannel& ch = Channel(c);
        const int x0 = BlockStart(b);
        for (int i = 0; i <= 2 * kHalf; ++i) {
            const int x = x0 + i * Pitch();
            ch.DrawColumn(0, x, m_numbered.first, m_numbered.second);
            ch.DrawColumn(0, x + S(60), m_numbered.first, m_numbered.second);
            if (i != kHalf) {
                DrawDigit(c, 0, x + S(30) - 60, m_numeralNozzle, i < kHalf,
                          i < kHalf ? kHalf - i : i - kHalf, GlyphInk::Merge);
            }
        }
        // The label is wider than the gap between the numerals beside it: merged, its blank
        // margin leaves their ink alone (stored, it cut into the "-1").
        DrawLabel(c, 0, x0 + kHalf * Pitch() + S(15) - 120, m_numeralNozzle, labelChannel, variant,
                  GlyphInk::Merge);
    }

    // Channel c's vernier row of group g in block b: ticks of two columns joined at the top.
    void DrawVernier(int c, int g, int b, std::pair<int, int> rows)
    {
        CHeadChannel& ch = Channel(c);
        for (int i = 0; i <= 2 * kHalf; ++i) {
            const int x = BlockStart(b) + kHalf + i * (Pitch() - 1);
            ch.DrawColumn(g, x, rows.first, rows.second);
            ch.DrawColumn(g, x + S(60), rows.first, rows.second);
            ch.DrawNozzleSpan(g, rows.first, x, x + S(60));
        }
    }

    bool m_staggered;
    std::pair<int, int> m_rowA;
    std::pair<int, int> m_rowB;
    std::pair<int, int> m_numbered;
    int m_numeralNozzle = 0;
};

// Head columns: full-height reference columns of the reference channel and, between them,
// columns of each channel's heads in parts (lower, middle, upper), so that a head's rotation
// or vertical offset shows against the reference.
class CHeadColumnPattern final : public CTestPattern {
public:
    CHeadColumnPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                       const std::filesystem::path& glyphDir, RunnerKind kind)
        : CTestPattern(config, job, scale, glyphDir), m_kind(kind)
    {
        m_passCount = WhitePrinter() ? 9 : 7;
        if (kind == RunnerKind::Staggered) {
            m_passCount = 11;
            const int width = WidthFor(C(), S(750), S(850), S(1000), 0);
            m_job.bytesPerPlaneLine =
                WidthOr(G() == 2 ? width / 2 : width, m_job.bytesPerPlaneLine);
            return;
        }
        if (kind == RunnerKind::White) {
            m_passCount = 7;
            m_job.bytesPerPlaneLine = S(500);
            return;
        }
        const int width = C() == 6 ? S(500) : C() == 5 ? S(450) : C() == 4 || C() == 8 ? S(350) : 0;
        m_job.bytesPerPlaneLine = WidthOr(width, m_job.bytesPerPlaneLine);
    }

    void DrawPass(int pass, int c) override
    {
        if (WhitePrinter() && m_kind == RunnerKind::Standard) {
            if (pass == 0) {
                // The white heads' own columns, where the reference columns would be.
                if (c == WhiteChannel()) {
                    for (int g = 0; g < G(); ++g) {
                        Channel(c).DrawColumn(g, X0() + (WhiteChannel() * G() + g) * Q(), 0,
                                              H() - 1);
                    }
                }
                return;
            }
            if (pass == 1 || pass == 3) {
                return;
            }
            pass = pass == 2 ? 0 : pass - 2;
        }
        if (pass == 0) {
            if (c == ChannelMap()[0]) {
                DrawReference();
            }
        } else if (pass >= 2 && pass <= 5) {
            DrawParts(c, pass % 2 == 0);
        } else if (pass == 6) {
            DrawLabels(c);
        }
    }

    int PassFeed(int pass) const override
    {
        if (m_kind == RunnerKind::Staggered) {
            return pass == 5 ? N() / 2 : 0;
        }
        if (m_kind == RunnerKind::White) {
            return pass == 1 || pass == 5 ? N() : 0;
        }
        if (WhitePrinter()) {
            return pass == 1 || pass == 7 ? N() : 0;
        }
        return pass == 5 ? N() : 0;
    }

    int X0() const { return S(200); }
    int Q() const { return S(300); }

private:
    bool Drawn(int c) const
    {
        if (WhitePrinter() && c == WhiteChannel()) {
            return false;
        }
        return !(C() == 8 && c >= C() - m_config.params.WhiteColorNo);
    }

    void DrawReference()
    {
        int count = G() * C();
        if (WhitePrinter()) {
            count -= G();
        } else if (C() == 8) {
            count -= G() * m_config.params.WhiteColorNo;
        }
        const bool oneGroup = G() == 1;
        if (oneGroup) {
            count *= 2;
        }
        for (int k = 0; k < count; ++k) {
            if (!oneGroup || k % 2 == 0) {
                Channel(ChannelMap()[0]).DrawColumn(0, X0() + k * Q(), 0, H() - 1);
            }
        }
    }

    void DrawParts(int c, bool lowerAndMiddle)
    {
        if (!Drawn(c)) {
            return;
        }
        const bool big = H() >= 256;
        const std::pair<int, int> lower = big ? std::pair{14, 64} : std::pair{5, 20};
        const std::pair<int, int> middle = big ? std::pair{78, 178} : std::pair{30, 95};
        const std::pair<int, int> upper = big ? std::pair{192, 242} : std::pair{105, 120};
        for (int g = 0; g < std::min(G(), 2); ++g) {
            const int x = X0() + (2 * c + g) * Q();
            for (const auto& part :
                 {lowerAndMiddle ? lower : middle, lowerAndMiddle ? middle : upper}) {
                Channel(c).DrawColumn(g, x, part.first, part.second);
            }
        }
    }

    void DrawLabels(int c)
    {
        if (!Drawn(c)) {
            return;
        }
        for (int g = 0; g < std::min(G(), 2); ++g) {
            DrawLabel(c, g, X0() + (2 * c + g) * Q() - S(20) - 120, H() - 45, c, g);
        }
    }

    RunnerKind m_kind;
};

// Band overlap: a lower and an upper band of each head in two passes, overlapping by a few
// nozzles, so that the seam between two head heights shows as a darker or lighter band.
class CBandOverlapPattern final : public CTestPattern {
public:
    CBandOverlapPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                        const std::filesystem::path& glyphDir, RunnerKind kind)
        : CTestPattern(config, job, scale, glyphDir), m_staggered(kind == RunnerKind::Staggered)
    {
        m_passCount = WhitePrinter() ? 8 : G() == 1 ? 2 : G() == 3 ? 6 : 4;
        if (m_staggered) {
            m_passCount = G() == 2 ? 6 : 10;
        }
        m_job.bytesPerPlaneLine =
            WidthOr(WidthFor(C(), S(400), 0, S(600), 0), m_job.bytesPerPlaneLine);
    }

    void DrawPass(int pass, int c) override
    {
        int g = pass / 2;
        bool upper = pass % 2 == 1;
        bool whiteOnly = false;
        if (WhitePrinter() && !m_staggered) {
            g = pass / 4;
            upper = pass % 2 == 1;
            whiteOnly = pass % 4 >= 2;
            if ((c == WhiteChannel()) != whiteOnly) {
                return;
            }
        }
        if (g >= G()) {
            return;
        }
        const int e = H() / 5;
        const int n = N();
        const int first = upper ? 2 * n / 3 - e : 0;
        const int last = upper ? n - 1 : n / 3 + e;
        const int x = S(700) * c;
        // The band spans the group's nozzles in nozzle numbers of the whole channel / G.
        for (int k = first / G(); k <= last / G(); ++k) {
            Channel(c).DrawNozzleSpan(g, k, x, x + S(600) - 1);
        }
        if (!upper && !whiteOnly && c == ChannelMap()[0]) {
            // The reference marks each channel's block with its label.
            for (int j = 0; j < C(); ++j) {
                const int slot = ChannelMap()[static_cast<size_t>(j)];
                if (slot >= C() || (WhitePrinter() && slot == WhiteChannel())) {
                    continue;
                }
                const int bx = S(700) * slot;
                for (int k = n / 4 / G(); k <= 3 * n / 4 / G(); ++k) {
                    Channel(c).DrawNozzleSpan(g, k, bx, bx + S(600) - 1);
                }
                const int y0 = n / 4 / G();
                const int y1 = 3 * n / 4 / G();
                DrawLabel(c, g, bx + (S(600) - 8 * m_labelWidth) / 2,
                          y0 + (y1 - y0 - m_labelHeight) / 2, slot, g);
            }
        }
    }

    int PassFeed(int pass) const override
    {
        if (m_staggered) {
            if (G() == 2) {
                return pass == 1 || pass == 3 ? N() / 2 : 0;
            }
            return pass % 2 == 1 && pass <= 7 ? N() / 2 : 0;
        }
        if (WhitePrinter()) {
            static constexpr std::array<int, 8> kWhite = {0, -1, 0, 40, 0, -1, 0, 40};
            const int f = pass < 8 ? kWhite[static_cast<size_t>(pass)] : 0;
            return f < 0 ? N() : f;
        }
        if (pass == 1 || pass == 3) {
            return N() + 40;
        }
        return pass == 4 || pass == 5 ? N() : 0;
    }

private:
    bool m_staggered;
};

// Step block: a block before the feed and two after it that meet it without gap or overlap
// when the feed is right.
class CStepBlockPattern final : public CTestPattern {
public:
    CStepBlockPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                      const std::filesystem::path& glyphDir)
        : CTestPattern(config, job, scale, glyphDir)
    {
        m_passCount = 2;
        m_job.bytesPerPlaneLine =
            WidthOr(WidthFor(C(), S(800), 0, S(1200), 0), m_job.bytesPerPlaneLine);
        const int m = std::max(PassModeCount(), 1);
        m_feedRows = (H() + m / 2) / m;
    }

    void DrawPass(int pass, int c) override
    {
        const int w = S(500);
        const int x = S(20) + (3 * w + S(200)) * c;
        const int h2 = H() / 2;
        const int f = m_feedRows;
        CHeadChannel& ch = Channel(c);
        if (pass == 0) {
            for (int n = H() - f - h2; n <= H() - f - 2; ++n) {
                ch.DrawNozzleSpan(0, n, x, x + w - 1);
            }
        } else if (pass == 1) {
            for (int n = H() - h2; n <= H() - 1; ++n) {
                ch.DrawNozzleSpan(0, n, x + w + S(200), x + 2 * w + S(200) - 1);
            }
            for (int n = 0; n <= H() - h2 - 1; ++n) {
                ch.DrawNozzleSpan(0, n, x, x + 2 * w + S(200) - 1);
            }
        }
    }

    int PassFeed(int /*pass*/) const override
    {
        const auto& levels = m_config.params.HeadLevelList;
        const int level = levels.empty() ? 0 : *std::max_element(levels.begin(), levels.end());
        return level == 1 ? m_feedRows * G() / 2 : m_feedRows * G();
    }

    int FeedRows() const { return m_feedRows; }

private:
    int m_feedRows = 0;
};

// Step vernier: for each of three channels a row of dashes before the feed and a second row
// after it, each tick of the second row one row further off; the tick at which the two rows
// line up reads the feed error in rows.
class CStepVernierPattern final : public CTestPattern {
public:
    CStepVernierPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                        const std::filesystem::path& glyphDir)
        : CTestPattern(config, job, scale, glyphDir)
    {
        m_passCount = 6;
        const int m = std::max(PassModeCount(), 1);
        m_feedRows = (N() + m / 2) / m;
        const bool big = H() >= 256;
        m_step = big ? (G() > 1 ? 20 : 15) : 12;
        m_dashes = big ? (G() > 1 ? 10 : 6) : 8;
    }

    void DrawPass(int pass, int c) override
    {
        const int slot = pass / 2;
        if (pass >= 6 || c != ChannelMap()[static_cast<size_t>(slot)] || c >= ChannelCount()) {
            return;
        }
        CHeadChannel& ch = Channel(c);
        const int d = S(80);
        const int r = ReferenceRow();
        for (int i = 0; i <= 2 * kHalf; ++i) {
            const int x = TickX(i);
            for (int j = 0; j < m_dashes; ++j) {
                if (pass % 2 == 0) {
                    ch.DrawRowSpan(r - 20 - m_step * j, x, x + d);
                } else {
                    ch.DrawRowSpan(r - m_feedRows - 20 - m_step * j + (kHalf - i), x + d - S(5),
                                   x + 2 * d - S(5));
                }
            }
            if (pass % 2 == 0 && i != kHalf) {
                DrawDigit(c, 0, x + d / 2 - 60, 2, i < kHalf, i < kHalf ? kHalf - i : i - kHalf);
            }
        }
    }

    int PassFeed(int pass) const override { return pass % 2 == 0 ? m_feedRows : N() - m_feedRows; }

    static constexpr int kHalf = 10;
    int TickX(int i) const { return i * (100 + 2 * S(80) - S(5)); }
    int FeedRows() const { return m_feedRows; }
    int Step() const { return m_step; }
    int Dashes() const { return m_dashes; }

private:
    int m_feedRows = 0;
    int m_step = 0;
    int m_dashes = 0;
};

// Pass step: one dash row per pass, each a feed higher up the head and a little further right;
// with an exact feed all dashes lie on one line.
class CPassStepPattern final : public CTestPattern {
public:
    CPassStepPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                     const std::filesystem::path& glyphDir)
        : CTestPattern(config, job, scale, glyphDir)
    {
        m_m = std::max(PassModeCount(), 2);
        m_passCount = m_m;
        m_job.bytesPerPlaneLine =
            WidthOr(WidthFor(C(), S(750), S(850), S(950), S(1100)), m_job.bytesPerPlaneLine);
        const auto& p = config.params;
        int feather = 0;
        if (p.FeatherMode > 0 && static_cast<size_t>(p.FeatherMode) < p.FeatherLinesList.size()) {
            feather = p.FeatherLinesList[static_cast<size_t>(p.FeatherMode)];
        }
        m_feedRows = std::max(N() / m_m - feather, 0);
    }

    void DrawPass(int pass, int c) override
    {
        if (c > 2 || c >= ChannelCount()) {
            return;
        }
        const auto& p = m_config.params;
        const int f = m_feedRows;
        int row = ReferenceRow() - f * pass;
        if (p.PrintVer > 2) {
            const int slot = m_config.FindHeadSlot(c, 0);
            const int v = slot >= 0 && static_cast<size_t>(slot) < p.VerErr.size()
                              ? std::min(p.VerErr[static_cast<size_t>(slot)], f / 10)
                              : 0;
            row = ReferenceRow() + v - f * pass - f / 10;
        }
        const int shift = S(330 / (m_m - 1));
        const int x = shift * pass + S(1600) * c;
        Channel(c).DrawRowSpan(row, x, x + S(500) - 1);
        Channel(c).DrawRowSpan(row, x + S(800), x + S(800) + S(500) - 1);
    }

    int PassFeed(int pass) const override { return pass < m_m ? m_feedRows : N(); }

private:
    int m_m = 2;
    int m_feedRows = 0;
};

// Step width: long dashes across the whole printable width, one row per pass a feed apart;
// with an exact feed they form one line over the width.
class CStepWidthPattern final : public CTestPattern {
public:
    CStepWidthPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                      const std::filesystem::path& glyphDir)
        : CTestPattern(config, job, scale, glyphDir)
    {
        m_m = std::max(PassModeCount(), 2);
        m_passCount = m_m;
        m_feedRows = N() / m_m;
    }

    void DrawPass(int pass, int c) override
    {
        if (c != ChannelMap()[1] || c >= ChannelCount()) {
            return;
        }
        const double x = m_job.xResolution * m_scale;
        const int length = static_cast<int>(x * 40 / 25.4);
        const int period = std::max(static_cast<int>(x * 160 / 25.4), 1);
        const int shift = S(200 / (m_m - 1));
        const int count = (m_job.bytesPerPlaneLine * 8 - 200) / period;
        const int row = ReferenceRow() - m_feedRows * pass;
        for (int i = 0; i < count; ++i) {
            const int from = period * i + shift * pass;
            Channel(c).DrawRowSpan(row, from, from + length);
        }
    }

    int PassFeed(int pass) const override { return pass < m_m ? m_feedRows : N(); }

private:
    int m_m = 2;
    int m_feedRows = 0;
};

// Vertical vernier: the reference channel's numbered ticks of five short dashes each, counted
// from the channel's end, and beside each the same dashes of one channel, a row further off
// per tick; the tick where the channel's dashes continue the reference's reads its vertical
// offset in rows.
class CVerticalVernierPattern final : public CTestPattern {
public:
    CVerticalVernierPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                            const std::filesystem::path& glyphDir)
        : CTestPattern(config, job, scale, glyphDir)
    {
        m_passCount = C() == 6 ? 5 : 3;
        m_job.bytesPerPlaneLine = S(650);
        const bool small = G() == 1 || G() == 2;
        m_first = small ? 30 : 40;
        m_step = small ? 15 : 20;
    }

    void DrawPass(int pass, int c) override
    {
        const int slot = pass + 1;
        if (pass >= m_passCount || slot > 6) {
            return;
        }
        const int channel = ChannelMap()[static_cast<size_t>(slot)];
        const int reference = ChannelMap()[0];
        if ((c != channel && c != reference) || channel >= ChannelCount()) {
            return;
        }
        CHeadChannel& ch = Channel(c);
        for (int i = 0; i <= 2 * kHalf; ++i) {
            const int x = TickX(i);
            for (int j = 0; j < 5; ++j) {
                const int row = Row(j);
                if (c == reference) {
                    ch.DrawRowSpan(row, x, x + S(100) - 1);
                } else {
                    ch.DrawRowSpan(row + (kHalf - i), x + S(80), x + S(180) - 1);
                }
            }
            if (c == reference) {
                // Merged like the horizontal vernier's: below three quarters scale the
                // label's margin reaches the numerals beside it.
                if (i != kHalf) {
                    DrawDigit(c, 0, x + S(50) - 60, 2, i < kHalf, i < kHalf ? kHalf - i : i - kHalf,
                              GlyphInk::Merge);
                } else {
                    DrawLabel(c, 0, x + S(50) - 120, 2, channel, 0, GlyphInk::Merge);
                }
            }
        }
    }

    int PassFeed(int /*pass*/) const override
    {
        int rows = (5 * 2 * m_step + 2 + 2 * m_first + 40) * G();
        if (G() == 4) {
            rows /= 2;
        } else if (G() == 1) {
            rows *= 2;
        }
        return rows;
    }

    static constexpr int kHalf = 10;
    int TickX(int i) const { return i * (S(60) + 2 * S(100) - S(20)); }
    // Row of dash j, counted from the channel's end.
    int Row(int j) const { return N() - 2 - 2 * (m_first + m_step * j); }

private:
    int m_first = 40;
    int m_step = 20;
};

}  // namespace

const char* RunnerName(RunnerKind kind)
{
    switch (kind) {
        case RunnerKind::Standard:
            return "standard";
        case RunnerKind::Staggered:
            return "staggered";
        case RunnerKind::White:
            return "white";
    }
    return "standard";
}

std::unique_ptr<CTestPattern> MakePattern(RunnerKind kind, int index, const CPrinterConfig& config,
                                          const ChartJob& job, double scale,
                                          const std::filesystem::path& glyphDir)
{
    switch (index) {
        case 6:
            return std::make_unique<CNozzleCheckPattern>(config, job, scale, glyphDir, kind);
        case 9:
            if (kind == RunnerKind::White) {
                return nullptr;
            }
            return std::make_unique<CHeadOffsetPattern>(config, job, scale, glyphDir, kind);
        case 0:
        case 1:
            if (kind == RunnerKind::White) {
                return nullptr;
            }
            if (index == 0) {
                return std::make_unique<CHorizontalVernierPattern>(config, job, scale, glyphDir,
                                                                   kind);
            }
            return std::make_unique<CBandOverlapPattern>(config, job, scale, glyphDir, kind);
        case 14:
            return std::make_unique<CHeadColumnPattern>(config, job, scale, glyphDir, kind);
        case 10:
            if (kind != RunnerKind::Staggered) {
                return nullptr;
            }
            return std::make_unique<CVerticalVernierPattern>(config, job, scale, glyphDir);
        case 2:
        case 3:
        case 4:
        case 15:
            if (kind != RunnerKind::Standard || PassModeOf(config, job) == 0) {
                return nullptr;
            }
            if (index == 2) {
                return std::make_unique<CStepVernierPattern>(config, job, scale, glyphDir);
            }
            if (index == 4) {
                return std::make_unique<CPassStepPattern>(config, job, scale, glyphDir);
            }
            if (index == 15) {
                return std::make_unique<CStepWidthPattern>(config, job, scale, glyphDir);
            }
            return std::make_unique<CStepBlockPattern>(config, job, scale, glyphDir);
        case 5:
            if (kind == RunnerKind::White) {
                return nullptr;
            }
            return std::make_unique<CVerticalCheckPattern>(config, job, scale, glyphDir, kind);
        case 8:
            if (kind != RunnerKind::Standard) {
                return nullptr;
            }
            return std::make_unique<CPlatformCheckPattern>(config, job, scale, glyphDir);
        case kHeadSlantIndex:
            return std::make_unique<CHeadSlantPattern>(config, job, scale, glyphDir);
        default:
            return nullptr;
    }
}

}  // namespace tavolux::chart
