// The head slant chart: every head fires each of its nozzles once in one short column beside a
// column of the first head of its group, so a head mounted at an angle draws a line that leans
// against its neighbour. The check prints it once per slant parameter.
#pragma once

#include <filesystem>

#include "chart/TestPattern.h"

namespace tavolux::chart {

// The slant parameters the check prints with, in order, and the pause the printer gets after
// each before the chart follows.
inline constexpr int kSlantParameters[] = {900, 600};
inline constexpr int kSlantPauseMs = 1950;
// The longest the check waits for the carriage to reach a fixed origin.
inline constexpr int kSlantMoveMs = 10000;
// Nozzle rows of blank media between the chart of one slant parameter and the next; the chart
// is as high as the heads (its job's height).
inline constexpr int kSlantGapRows = 40;

class CHeadSlantPattern final : public CTestPattern {
public:
    CHeadSlantPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                      const std::filesystem::path& glyphDir);

    void DrawPass(int pass, int c) override;

    // Where head k (channel c, group g: k = c x groups + g) draws its column; the reference
    // column lies RefGap() to the right, the head's label LabelGap() to the right.
    int ColumnX(int c, int g) const { return X0() + (c * G() + g) * Q(); }
    int X0() const { return S(100); }
    int Q() const { return S(400); }
    int RefGap() const { return S(40); }
    int LabelGap() const { return S(100); }
};

}  // namespace tavolux::chart
