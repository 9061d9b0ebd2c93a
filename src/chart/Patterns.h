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

// The head slant check's test index: its own print sequence, with the slant parameters.
inline constexpr int kHeadSlantIndex = 16;

// The charts by the names the tools give them, in the order they are listed.
struct ChartName {
    const char* name;
    int index;  // the test index
};
inline constexpr ChartName kChartNames[] = {
    {"nozzle-check", 6}, {"vertical-check", 5}, {"head-offset", 9},   {"platform-check", 8},
    {"horizontal", 0},   {"band-overlap", 1},   {"head-columns", 14}, {"step-vernier", 2},
    {"step-block", 3},   {"pass-step", 4},      {"step-width", 15},   {"vertical-vernier", 10},
    {"head-slant", 16},
};

// The chart of a test index as the variant draws it, its width and pass count set; null when
// the variant has no such chart or the job's pass mode is outside the pass list. job's width
// is replaced where the chart fixes its own.
std::unique_ptr<CTestPattern> MakePattern(RunnerKind kind, int index, const CPrinterConfig& config,
                                          const ChartJob& job, double scale,
                                          const std::filesystem::path& glyphDir);

}  // namespace tavolux::chart
