// The pass masks: one 1024 x 180-byte tile per pass of a head height, disjoint, together
// setting every bit, so that each pixel is printed by exactly one pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace tavolux {

class CRandomSource;

class CPassMasks {
public:
    static constexpr int kRows = 1024;
    static constexpr int kBytes = 180;
    static constexpr int kMaxMasks = 32;

    // Fixed patterns: checkerboards for 2 passes, diagonal bit lines for 4, diagonal whole
    // bytes for any other count. False when n is outside 1..kMaxMasks.
    bool BuildFixed(int n);
    // Every bit goes to a randomly chosen mask.
    bool BuildRandom(int n, CRandomSource& random);

    int Count() const { return m_count; }
    const uint8_t* Row(int mask, int row) const
    {
        return m_data.data() +
               (static_cast<size_t>(mask) * kRows + static_cast<size_t>(row)) * kBytes;
    }
    uint8_t Byte(int mask, int row, int byte) const { return Row(mask, row)[byte]; }

    // True when the masks are disjoint and cover every bit.
    bool Verify() const;
    // Writes Mask<i>_OF_<n>.txt into dir for each mask: "Mask<i>:", three CR LF, then every
    // row's raw bytes followed by CR LF. False when a file cannot be written.
    bool Dump(const std::filesystem::path& dir) const;

private:
    uint8_t* MutableRow(int mask, int row)
    {
        return m_data.data() +
               (static_cast<size_t>(mask) * kRows + static_cast<size_t>(row)) * kBytes;
    }
    bool Allocate(int n);

    int m_count = 0;
    std::vector<uint8_t> m_data;
};

}  // namespace tavolux
