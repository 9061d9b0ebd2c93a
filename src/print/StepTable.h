// The media steps of a job (one entry per pass of an interlace cycle), the pass count and the
// feather line count.
#pragma once

#include <vector>

namespace tavolux {

class CPrinterConfig;

struct StepTableInput {
    int headLines = 0;     // H: raster lines under the head
    int passes = 1;        // P: passes per head height
    int interlace = 1;     // k: interlaced sub-positions
    int groupNo = 1;       // head groups per channel
    int featherLines = 0;  // F: 0 without feathering
    bool feathering = false;
};

class CStepTable {
public:
    // Builds the k x P entries; false (and an empty table) when P, k or the base step is < 1.
    bool Build(const StepTableInput& in);

    const std::vector<int>& Entries() const { return m_entries; }
    // Lines per pass before corrections: H / P, or (H - F) / P when feathering.
    int Base() const { return m_base; }

    // Passes of a job: ceil((height - resumeLine + H x k) / base) + 1; 0 when base < 1.
    static int TotalPasses(int height, int resumeLine, int headLines, int interlace, int base);
    // The feather lines of the configured mode, rounded down to a multiple of P x k.
    static int FeatherLines(const CPrinterConfig& config, int passes, int interlace);
    // The configured feather mode, 0 for anything but 1 and 2.
    static int FeatherMode(const CPrinterConfig& config);

private:
    std::vector<int> m_entries;
    int m_base = 0;
};

}  // namespace tavolux
