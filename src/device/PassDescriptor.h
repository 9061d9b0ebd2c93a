// The fifteen words that describe one pass to the printer: filled by pass generation, queued by
// the feeder and sent by the pass header.
#pragma once

#include <array>
#include <cstdint>

namespace tavolux {

struct PassDescriptor {
    static constexpr int kWords = 15;

    // Word indices.
    static constexpr int kFirstFeed = 0;    // feed sent once before the first pass
    static constexpr int kWidth = 1;        // printed width of the pass in pixels
    static constexpr int kDataStart = 2;    // start of the print data in pixels
    static constexpr int kFeedBefore = 3;   // paper feed before the pass, in pulses
    static constexpr int kSkippedFeed = 4;  // feed of the blank passes skipped just before
    static constexpr int kSendSkipped = 5;  // (byte) word 4 is to be sent
    static constexpr int kFeedAfter = 6;    // feed after the pass, in pulses
    static constexpr int kZero = 7;         // always 0
    static constexpr int kTravel = 8;       // carriage travel in pulses; 0: no raster data
    static constexpr int kReturnMove = 9;   // return move in pulses (one-way printing)
    static constexpr int kPassIndex = 10;   // pass index
    static constexpr int kOne = 11;         // always 1
    static constexpr int kDirection = 12;   // (byte) direction flag of the pass
    static constexpr int kBackFeed = 13;    // backward feed before a later copy's first pass
    static constexpr int kSpare = 14;       // unused

    std::array<int32_t, kWords> words{};

    int32_t& operator[](int i) { return words[static_cast<size_t>(i)]; }
    int32_t operator[](int i) const { return words[static_cast<size_t>(i)]; }
    bool operator==(const PassDescriptor&) const = default;
};

static_assert(sizeof(PassDescriptor) == 60, "a pass descriptor is 60 bytes on the wire side");

}  // namespace tavolux
