// Feather masks: complementary row masks that share the pixels of the seam lines between the
// last rows of one pass and the first rows of a later one, so that band edges blur.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavolux {

class CRandomSource;

class CFeatherMasks {
public:
    // Mode 1: random seam; mode 2: a seam that wanders sinusoidally with the wave length in
    // millimetres at the horizontal resolution. Any other mode or lines < 1 builds nothing.
    void Build(int mode, int lines, int widthBytes, double waveLengthMm, int resolutionX,
               CRandomSource& random);

    int Lines() const { return m_lines; }
    int WidthBytes() const { return m_width; }
    const uint8_t* A(int row) const
    {
        return m_a.data() + static_cast<size_t>(row) * static_cast<size_t>(m_width);
    }
    const uint8_t* B(int row) const
    {
        return m_b.data() + static_cast<size_t>(row) * static_cast<size_t>(m_width);
    }

private:
    void SetBit(std::vector<uint8_t>& mask, int row, int x);

    int m_lines = 0;
    int m_width = 0;
    std::vector<uint8_t> m_a;
    std::vector<uint8_t> m_b;
};

}  // namespace tavolux
