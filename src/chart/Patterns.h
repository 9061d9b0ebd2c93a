// The concrete test charts and the table of which runner variant draws which chart.
#pragma once

#include <filesystem>
#include <memory>

#include "chart/TestPattern.h"

namespace tavolux::chart {

// The three runner variants.
enum class RunnerKind {
    Standard,   // heads one above the other
    Staggered,  // staggered head pairs (highest HeadLevelList entry 1, 2 or 4 groups)
    White,      // four white channels
};

const char* RunnerName(RunnerKind kind);

// The chart of a test index as the variant draws it, its width and pass count set; null when
// the variant has no such chart or the job's pass mode is outside the pass list. job's width
// is replaced where the chart fixes its own.
std::unique_ptr<CTestPattern> MakePattern(RunnerKind kind, int index, const CPrinterConfig& config,
                                          const ChartJob& job, double scale,
                                          const std::filesystem::path& glyphDir);

}  // namespace tavolux::chart
