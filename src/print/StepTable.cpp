// Step table: the media advance per pass, with the corrections that keep interlaced
// sub-positions apart and make each cycle sum to k head heights.
#include "print/StepTable.h"

#include <array>
#include <cmath>

#include "config/PrinterConfig.h"

namespace tavolux {

bool CStepTable::Build(const StepTableInput& in)
{
    m_entries.clear();
    m_base = 0;
    const int p = in.passes;
    const int k = in.interlace;
    if (p < 1 || k < 1) {
        return false;
    }
    const int lines = in.feathering ? in.headLines - in.featherLines : in.headLines;
    const int base = lines / p;
    if (base < 1) {
        return false;
    }
    m_base = base;
    const int count = k * p;
    m_entries.assign(static_cast<size_t>(count), base);
    const auto last = [&](int cycle) -> int& {
        return m_entries[static_cast<size_t>(cycle * p + p - 1)];
    };
    // The last sub-pass of each cycle steps one line short so that the next cycle lands on the
    // next interlace position; the last cycle makes up for it.
    const auto shortCycles = [&] {
        for (int r = 0; r < k; ++r) {
            last(r) = base - 1;
        }
        last(k - 1) = base - 1 + k;
    };
    if (in.feathering) {
        if (lines % k == 0) {
            shortCycles();
        }
        return true;
    }
    const int h = in.headLines;
    if (h % k == 0) {
        if (k == 4) {
            static constexpr std::array<int, 4> kFour = {-2, 1, 2, -1};
            for (int r = 0; r < k; ++r) {
                last(r) = base + kFour[static_cast<size_t>(r)];
            }
        } else {
            shortCycles();
        }
    } else if (k == 6 && (in.groupNo >= 1 && in.groupNo <= 3)) {
        static constexpr std::array<int, 6> kTwoGroups = {-1, 0, 0, 1, 0, 0};
        static constexpr std::array<int, 6> kThreeGroups = {-2, -2, -1, 2, 2, 1};
        const auto& table = in.groupNo == 3 ? kThreeGroups : kTwoGroups;
        for (int r = 0; r < k; ++r) {
            last(r) = base + table[static_cast<size_t>(r)];
        }
    }
    return true;
}

int CStepTable::TotalPasses(int height, int resumeLine, int headLines, int interlace, int base)
{
    if (base < 1) {
        return 0;
    }
    const double lines =
        static_cast<double>(height) - resumeLine + static_cast<double>(headLines) * interlace;
    return static_cast<int>(std::ceil(lines / base)) + 1;
}

int CStepTable::FeatherMode(const CPrinterConfig& config)
{
    const int mode = config.params.FeatherMode;
    return mode == 1 || mode == 2 ? mode : 0;
}

int CStepTable::FeatherLines(const CPrinterConfig& config, int passes, int interlace)
{
    const int mode = FeatherMode(config);
    const auto& list = config.params.FeatherLinesList;
    if (mode == 0 || static_cast<size_t>(mode) >= list.size()) {
        return 0;
    }
    const int lines = list[static_cast<size_t>(mode)];
    if (lines < 0 || lines > 120) {
        return 0;
    }
    const int unit = passes * interlace;
    return unit > 0 ? lines / unit * unit : 0;
}

}  // namespace tavolux
