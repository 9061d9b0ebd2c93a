// Pass masks, fixed or random, with their check and their debug dump.
#include "print/PassMasks.h"

#include <array>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/RandomSource.h"

namespace tavolux {

bool CPassMasks::Allocate(int n)
{
    if (n < 1 || n > kMaxMasks) {
        m_count = 0;
        m_data.clear();
        return false;
    }
    m_count = n;
    m_data.assign(static_cast<size_t>(n) * kRows * kBytes, 0);
    return true;
}

bool CPassMasks::BuildFixed(int n)
{
    if (!Allocate(n)) {
        return false;
    }
    for (int r = 0; r < kRows; ++r) {
        if (n == 2) {
            std::memset(MutableRow(r % 2, r), 0xAA, kBytes);
            std::memset(MutableRow((r + 1) % 2, r), 0x55, kBytes);
        } else if (n == 4) {
            static constexpr std::array<uint8_t, 4> kBits = {0x88, 0x44, 0x22, 0x11};
            for (int m = 0; m < 4; ++m) {
                std::memset(MutableRow((r + m) % 4, r), kBits[static_cast<size_t>(m)], kBytes);
            }
        } else {
            for (int c = 0; c < kBytes; ++c) {
                MutableRow((c + r) % n, r)[c] = 0xFF;
            }
        }
    }
    return true;
}

bool CPassMasks::BuildRandom(int n, CRandomSource& random)
{
    if (!Allocate(n)) {
        return false;
    }
    for (int bit = 0x80; bit != 0; bit >>= 1) {
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kBytes; ++c) {
                const int a = random.Rand();
                const int b = random.Rand();
                MutableRow((a + b) % n, r)[c] |= static_cast<uint8_t>(bit);
            }
        }
    }
    return true;
}

bool CPassMasks::Verify() const
{
    if (m_count < 1) {
        return false;
    }
    for (size_t i = 0; i < static_cast<size_t>(kRows) * kBytes; ++i) {
        unsigned seen = 0;
        for (int m = 0; m < m_count; ++m) {
            const unsigned b = m_data[static_cast<size_t>(m) * kRows * kBytes + i];
            if ((seen & b) != 0) {
                return false;
            }
            seen |= b;
        }
        if (seen != 0xFF) {
            return false;
        }
    }
    return true;
}

bool CPassMasks::Dump(const std::filesystem::path& dir) const
{
    for (int m = 0; m < m_count; ++m) {
        const auto name = "Mask" + std::to_string(m) + "_OF_" + std::to_string(m_count) + ".txt";
        std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
        out << "Mask" << m << ":\r\n\r\n\r\n";
        for (int r = 0; r < kRows; ++r) {
            out.write(reinterpret_cast<const char*>(Row(m, r)), kBytes);
            out << "\r\n";
        }
        if (!out) {
            return false;
        }
    }
    return true;
}

}  // namespace tavolux
