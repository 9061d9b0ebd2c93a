// Feed conversion with the carried fraction.
#include "print/FeedConverter.h"

#include <cmath>

#include "config/PrinterConfig.h"

namespace tavolux {

CFeedConverter::CFeedConverter(const CPrinterConfig& config, int printType, int yResolution)
    : m_realResolution(config.params.RealPrinterResolution),
      m_pulse(config.params.MmPerPulseY),
      m_yResolution(yResolution)
{
    const auto& p = config.params;
    if (printType >= 0 && static_cast<size_t>(printType) < p.StepPass.size()) {
        m_stepPass = p.StepPass[static_cast<size_t>(printType)];
    }
    if (printType >= 0 && static_cast<size_t>(printType) < p.StepPassMicro.size()) {
        m_stepPassMicro = p.StepPassMicro[static_cast<size_t>(printType)];
    }
}

int CFeedConverter::ToPulses(int lines)
{
    // Without a pulse size or a resolution nothing can be converted; never divide by zero.
    if (m_pulse <= 0.0 || m_yResolution <= 0) {
        return 0;
    }
    double mm =
        lines / static_cast<double>(m_yResolution) * 25.4 + m_stepPassMicro * 0.05 * m_pulse;
    if (m_realResolution > 0.0) {
        mm += m_stepPass / m_realResolution * 25.4;
    }
    const double x = mm / m_pulse + m_carry;
    const double whole = std::trunc(x);
    m_carry = x - whole;
    return whole < 1.0 ? 0 : static_cast<int>(whole);
}

}  // namespace tavolux
