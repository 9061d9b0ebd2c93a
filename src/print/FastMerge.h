// The fast merge of a channel into nozzle words: each printed row is masked, shifted to carriage
// order once, and then scattered eight columns at a time through 8x8 bit transposes, column
// tile by column tile so that the words being written stay in the cache.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "print/MergeInput.h"
#include "print/NozzleMap.h"

namespace tavolux {

class CFastMerge final : public CChannelMerger {
public:
    void Merge(const MergeInput& in, std::span<uint16_t> transfer) override;

private:
    // Masks row `row` of the window into m_masked (pixel-aligned with the image row).
    void MaskRow(const MergeInput& in, int row);
    // Fills out with the bits of carriage columns 0..L-1 of a group (MSB first).
    void ToCarriageOrder(const MergeInput& in, const HeadGroup& group, uint8_t* out) const;

    std::vector<uint8_t> m_masked;      // masked row with zero padding on both sides
    std::vector<uint8_t> m_interleave;  // column-interleave pattern of the pass
    std::vector<uint8_t> m_carriage;    // carriage-order rows of the channel, one per nozzle
    std::vector<NozzleEntry> m_entries;
    int m_pad = 0;  // padding bytes in front of the image in m_masked
};

}  // namespace tavolux
