// What merging one channel's head rows into a pass's nozzle words needs: the layout, the
// channel's rows and head groups, the pass and its masks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "print/TransferLayout.h"

namespace tavolux {

class CPassMasks;

// One head group of a channel in the pass being built.
struct HeadGroup {
    int group = 0;           // index within the channel, also its vertical position in the head
    int slot = -1;           // slot in HeadArrayOrder, -1 when the arrangement has no such head
    bool printed = false;    // the head prints ink (IsPrinted) and exists
    int start = 0;           // image pixel under the group at carriage column 0 (left to right)
    int end = 0;             // image pixel under the group at the last carriage column
    uint16_t bit = 0;        // the group's bit in the nozzle word
    uint16_t secondBit = 0;  // the bit of the odd nozzles when the heads work as two halves
};

// Mask modes of a task.
enum MaskMode : int {
    kMaskNone = 0,        // every pixel in every pass that covers it
    kMaskPass = 1,        // the pass masks
    kMaskInterleave = 2,  // pass p prints the columns whose offset in the window is p mod P
};

struct MergeInput {
    LayoutParams layout;
    int channel = 0;
    std::span<uint8_t* const> rows;  // the nozzle rows of the head window, row 0 first
    int rowBytes = 0;                // bytes of each row
    std::span<const HeadGroup> groups;
    bool leftToRight = true;  // direction flag of the channel for this pass
    int passLength = 0;       // carriage columns of the pass
    int windowStart = 0;      // first printable pixel of the row
    int windowEnd = -1;       // last printable pixel of the row
    int passIndex = 0;        // picks the mask or columns: numbered among the passes at one
                              // interlace position
    int passes = 1;
    int maskMode = kMaskNone;
    bool useMasks = false;  // pass masks exist (mask mode 1 with 2 or more passes)
    const CPassMasks* masks = nullptr;
    int maskRowOffset = 0;  // advances by each pass's step, modulo the mask height
    int interlace = 1;      // image lines between two nozzle rows: row r takes mask row r x this
};

// Merges one channel into a transfer buffer of layout.TransferWords(passLength) words.
class CChannelMerger {
public:
    virtual ~CChannelMerger() = default;
    // ORs the channel's group bits into transfer; words outside the span are never touched.
    virtual void Merge(const MergeInput& in, std::span<uint16_t> transfer) = 0;
    // Clears transfer and merges several channels of one pass into it; an implementation may
    // interleave the channels and the clearing.
    virtual void MergeChannels(std::span<const MergeInput> inputs, std::span<uint16_t> transfer)
    {
        std::fill(transfer.begin(), transfer.end(), uint16_t{0});
        for (const auto& in : inputs) {
            Merge(in, transfer);
        }
    }
};

}  // namespace tavolux
