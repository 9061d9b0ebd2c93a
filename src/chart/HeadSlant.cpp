// The head slant chart's layout.
#include "chart/HeadSlant.h"

#include <algorithm>

#include "config/PrinterConfig.h"

namespace tavolux::chart {

CHeadSlantPattern::CHeadSlantPattern(const CPrinterConfig& config, const ChartJob& job,
                                     double scale, const std::filesystem::path& glyphDir)
    : CTestPattern(config, job, scale, glyphDir)
{
    m_passCount = 1;
    // The last head's label ends within its pitch: the chart is as wide as its heads.
    m_job.bytesPerPlaneLine = (X0() + C() * G() * Q() + 7) / 8;
    m_job.height = N();
}

void CHeadSlantPattern::DrawPass(int /*pass*/, int c)
{
    const int reference = ChannelMap()[0];
    for (int g = 0; g < G(); ++g) {
        Channel(c).DrawColumn(g, ColumnX(c, g), 0, H() - 1);
        // Labels of group 1 and beyond take the second glyph variant, as elsewhere.
        DrawLabel(c, g, ColumnX(c, g) + LabelGap(), (H() - m_labelHeight) / 2, c, std::min(g, 1));
    }
    if (c != reference) {
        return;
    }
    // Beside every other head a column of the first head of its group, on the same media
    // lines; the first heads of the further groups get the very first head's, in the band
    // above. The very first head needs none beside its own.
    for (int other = 0; other < C(); ++other) {
        for (int g = 0; g < G(); ++g) {
            if (other == reference && g == 0) {
                continue;
            }
            Channel(reference).DrawColumn(other == reference ? 0 : g, ColumnX(other, g) + RefGap(),
                                          0, H() - 1);
        }
    }
}

}  // namespace tavolux::chart
