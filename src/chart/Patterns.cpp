// The charts: what each pass draws, with which geometry, and the feed after each pass.
#include "chart/Patterns.h"

#include <algorithm>

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
        default:
            return nullptr;
    }
}

}  // namespace tavolux::chart
