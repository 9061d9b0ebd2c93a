// The fast merge of channels into nozzle words. Each printed row is masked and shifted into
// carriage order once. A whole pass is then built word position by word position: the rows of
// up to eight heads that share a word go into one 64-bit lane word per eight columns, an 8x8 bit
// transpose turns them into the eight columns' word values and an 8x8 byte transpose writes
// eight columns of eight words at a time, each word once. Where two nozzles would share a word
// and a bit (or a single channel is ORed in), blocks of eight nozzles are transposed and
// expanded through tables instead.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "print/MergeInput.h"
#include "print/NozzleMap.h"

namespace tavolux {

class CFastMerge final : public CChannelMerger {
public:
    void Merge(const MergeInput& in, std::span<uint16_t> transfer) override;
    void MergeChannels(std::span<const MergeInput> inputs, std::span<uint16_t> transfer) override;

private:
    static constexpr size_t kWindow = 16;  // words one table entry covers

    // Eight nozzles' relative word positions and bits: the key of an expansion table.
    struct Shape {
        std::array<uint8_t, 8> offset{};
        std::array<uint16_t, 8> bit{};
        bool operator==(const Shape&) const = default;
    };
    // Consecutive nozzle entries merged together; table -1: scattered bit by bit.
    struct Block {
        size_t first = 0;
        int base = 0;  // first word of the window
        int table = -1;
        bool wide = false;       // the words span more than 8: OR all 16 of the window
        uint16_t mask = 0xFFFF;  // the head's bit when the table holds whole-word masks
    };

    // One channel ready for the sweep.
    struct ChannelState {
        std::vector<NozzleEntry> entries;      // whole blocks of eight once packed
        std::vector<const HeadGroup*> groups;  // the group of each entry, null for padding
        std::vector<Block> blocks;
        std::vector<uint64_t> packed;  // per byte column, one word per block
        int length = 0;
        int columnWords = 0;
        bool mirrored = false;
    };

    static uint64_t Transpose8x8(uint64_t x);
#if defined(__SSE2__)
    // Writes eight columns of eight words from the transposed lane words of eight positions.
    static void StoreColumns(const uint64_t* xl, const uint64_t* xh, uint16_t* words, bool mirrored,
                             int length, int j0, size_t cw, size_t p0);
#endif
    static void OrWords(uint16_t* dst, const uint16_t* add, bool wide, uint16_t mask);
    // Merges the channels column by column; clear: the words are cleared first.
    void Sweep(std::span<const MergeInput> inputs, std::span<uint16_t> transfer, bool clear);
    // Builds every word once from the nozzles grouped by word position; false when two nozzles
    // share a word and a bit, or the channels differ in shape (then the block sweep runs).
    bool SweepByPosition(std::span<const MergeInput> inputs, std::span<uint16_t> transfer);
    bool Prepare(const MergeInput& in, ChannelState& st);
    // The row masks and padding of an input; false when it prints nothing.
    bool SetupRow(const MergeInput& in, ChannelState& st);
    bool CollectEntries(const MergeInput& in, ChannelState& st);
    void PackBlocks(const MergeInput& in, ChannelState& st);
    void BuildBlocks(ChannelState& st);
    void ScatterColumn(const ChannelState& st, size_t c, uint16_t* words) const;
    int TableFor(const Shape& shape);
    // Masks row `row` of the window into m_masked (pixel-aligned with the image row).
    void MaskRow(const MergeInput& in, int row);
    // Fills out with the bits of carriage columns 0..L-1 of a group (MSB first).
    void ToCarriageOrder(const MergeInput& in, const HeadGroup& group, uint8_t* out) const;

    std::vector<uint8_t> m_masked;      // masked row with zero padding on both sides
    std::vector<uint8_t> m_interleave;  // column-interleave pattern of the pass
    std::vector<uint8_t> m_row8;        // carriage-order rows of the eight nozzles of a block
    std::vector<uint64_t> m_lanes;      // per word position and byte column: bits 0-7 (then 8-15)
    std::vector<uint16_t> m_used;       // bits already taken at each word position
    std::vector<ChannelState> m_states;
    std::vector<Shape> m_shapes;  // kept across passes: a job uses a handful
    std::vector<std::array<uint16_t, kWindow>>
        m_tables;   // 256 per shape, indexed by the nozzle bits
    int m_pad = 0;  // padding bytes in front of the image in m_masked
};

}  // namespace tavolux
