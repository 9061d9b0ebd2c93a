// Builds merge inputs for one channel by hand: random or hand-set head rows, groups at chosen
// carriage offsets, a pass and its masks.
#pragma once

#include <vector>

#include "platform/RandomSource.h"
#include "print/MergeInput.h"
#include "print/PassMasks.h"

namespace tavolux::test {

struct MergeHarness {
    LayoutParams layout;
    int groupCount = 2;
    int rowBytes = 3;
    int passLength = 0;
    std::vector<std::vector<uint8_t>> store;
    std::vector<uint8_t*> rows;
    std::vector<HeadGroup> groups;
    CPassMasks masks;

    // Blank rows for the groups; group g sits `offsets[g]` pixels right of the leftmost one.
    void Init(const std::vector<int>& offsets)
    {
        const int count = layout.groupRows * groupCount;
        store.assign(static_cast<size_t>(count),
                     std::vector<uint8_t>(static_cast<size_t>(rowBytes), 0));
        rows.clear();
        for (auto& r : store) {
            rows.push_back(r.data());
        }
        int spread = 0;
        for (int o : offsets) {
            spread = std::max(spread, o);
        }
        passLength = rowBytes * 8 + spread;
        groups.clear();
        for (int g = 0; g < groupCount; ++g) {
            HeadGroup h;
            h.group = g;
            h.slot = g;
            h.printed = true;
            h.start = -offsets[static_cast<size_t>(g)];
            h.end = h.start + passLength - 1;
            h.bit = static_cast<uint16_t>(1U << (2 * g));
            h.secondBit = static_cast<uint16_t>(1U << (2 * g + 1));
            groups.push_back(h);
        }
    }

    void Randomize(CRandomSource& random)
    {
        for (auto& r : store) {
            for (auto& b : r) {
                b = static_cast<uint8_t>(random.Next32());
            }
        }
    }

    MergeInput Input(int channel, bool leftToRight, int pass, int passes, int maskMode,
                     int maskRowOffset)
    {
        MergeInput in;
        in.layout = layout;
        in.channel = channel;
        in.rows = rows;
        in.rowBytes = rowBytes;
        in.groups = groups;
        in.leftToRight = leftToRight;
        in.passLength = passLength;
        in.windowStart = 0;
        in.windowEnd = rowBytes * 8 - 1;
        in.passIndex = pass;
        in.passes = passes;
        in.maskMode = maskMode;
        in.useMasks = maskMode == kMaskPass && passes >= 2;
        if (in.useMasks) {
            masks.BuildFixed(passes);
            in.masks = &masks;
        }
        in.maskRowOffset = maskRowOffset;
        return in;
    }

    std::vector<uint16_t> Merge(CChannelMerger& merger, const MergeInput& in) const
    {
        std::vector<uint16_t> words(static_cast<size_t>(in.layout.TransferWords(in.passLength)), 0);
        merger.Merge(in, words);
        return words;
    }
};

}  // namespace tavolux::test
