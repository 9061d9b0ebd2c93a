// Feather mask generation for the random and the wave seam.
#include "print/FeatherMasks.h"

#include <cmath>
#include <numbers>

#include "platform/RandomSource.h"

namespace tavolux {

void CFeatherMasks::SetBit(std::vector<uint8_t>& mask, int row, int x)
{
    mask[static_cast<size_t>(row) * static_cast<size_t>(m_width) + static_cast<size_t>(x / 8)] |=
        static_cast<uint8_t>(0x80 >> (x % 8));
}

void CFeatherMasks::Build(int mode, int lines, int widthBytes, double waveLengthMm, int resolutionX,
                          CRandomSource& random)
{
    m_lines = 0;
    m_width = 0;
    m_a.clear();
    m_b.clear();
    if ((mode != 1 && mode != 2) || lines < 1 || widthBytes < 1) {
        return;
    }
    m_lines = lines;
    m_width = widthBytes;
    m_a.assign(static_cast<size_t>(lines) * static_cast<size_t>(widthBytes), 0);
    m_b.assign(m_a.size(), 0);
    const int pixels = widthBytes * 8;
    const int q = (lines + 1) / 4;
    const int h = (lines + 1) / 2;
    const double period = resolutionX * waveLengthMm / 25.4;
    for (int x = 0; x < pixels; ++x) {
        int s = 0;
        if (mode == 2 && period > 0.0) {
            s = static_cast<int>(std::sin(2.0 * x * std::numbers::pi / period) * q);
        }
        for (int i = 0; i < lines; ++i) {
            bool toA = false;
            if (mode == 1) {
                toA = random.Rand() % (lines + 1) <= i;
            } else {
                const int t = -(s + q) + i;
                if (t < 0) {
                    toA = false;
                } else if (t > h) {
                    toA = true;
                } else {
                    toA = !(random.Rand() % (h + 1) > t);
                }
            }
            SetBit(toA ? m_a : m_b, i, x);
        }
    }
}

}  // namespace tavolux
