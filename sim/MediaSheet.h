// The media under the virtual printer's carriage: every drop the heads fire lands on a sheet at
// the job's resolution, the sheet advancing by the feeds the printer is sent. The sheet can be
// written out as one bitmap per channel, a colour picture and a summary.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "sim/PrinterHeads.h"

namespace tavolux::sim {

// One pass as its header described it.
struct PassHeader {
    int32_t dataStart = 0;  // pixels from the carriage's start to the first printed column
    int32_t width = 0;      // carriage columns
    int32_t travel = 0;     // carriage pulses of the pass
    bool forward = true;    // left to right
};

struct ChannelTally {
    int index = 0;
    int64_t drops = 0;       // drops that landed on the sheet
    int64_t pixelsOnce = 0;  // sheet pixels wetted by exactly one drop
    int64_t pixelsMore = 0;  // by more than one
};

class CMediaSheet {
public:
    explicit CMediaSheet(PrinterHeads heads);

    // Resolution of the sheet; 0 keeps the default: the job's horizontal resolution from the
    // fire divisor of its set-up, and the printer's nozzle rows vertically.
    void SetResolution(int xDpi, int yDpi);
    // The job set-up's fire divisor.
    void SetFireDivisor(int fire);
    // Moves the media by pulses (negative: backwards).
    void Feed(int64_t pulses);
    // Fires one pass: raster holds the pass's nozzle words, little-endian.
    void PrintPass(const PassHeader& pass, std::span<const uint8_t> raster);
    // A blank sheet at the present media position.
    void Clear();

    const PrinterHeads& Heads() const { return m_heads; }
    int Passes() const { return m_passes; }
    int Width() const { return m_width; }
    int Height() const { return static_cast<int>(m_lines.size()); }
    int XResolution() const;
    int YResolution() const;
    // Sheet lines between two nozzle rows: the vertical resolution over the printer's nozzle
    // resolution, rounded (1 without a job resolution).
    int Interlace() const;
    int64_t OutsideDrops() const { return m_outside; }
    // The sheet ran out of room (it would have exceeded its memory): later drops are lost.
    bool Overflowed() const { return m_overflow; }
    // Drops on the pixel; the sheet's top line is 0 (the media line under the first nozzle row
    // at the first pass, unless the media was fed back before that).
    int DropsAt(int channel, int x, int y) const;
    // Sheet line of the first nozzle row at the first pass.
    int FirstPassLine() const { return static_cast<int>(-m_top); }
    std::vector<ChannelTally> Tally() const;
    std::string SummaryJson() const;
    // channel_C.pbm for each channel, sheet.png and summary.json in dir (created when missing).
    bool Write(const std::filesystem::path& dir, std::string& error) const;

private:
    // The counts of one media line, one row per channel.
    using Line = std::vector<std::vector<uint8_t>>;
    Line* LineAt(int64_t line);  // grows the sheet; nullptr when it may not grow any more
    int64_t LinesOf(int64_t pulses) const;  // a feed in lines of the sheet, rounded

    PrinterHeads m_heads;
    bool m_usable = false;  // the heads can print (PrinterHeads::Problem is empty)
    int m_xDpi = 0;
    int m_yDpi = 0;
    int m_fireDpi = 0;
    int64_t m_pulses = 0;  // media fed since the printer started
    std::vector<int64_t> m_feeds;
    bool m_started = false;      // a pass was printed: the sheet's lines are fixed
    int64_t m_originPulses = 0;  // media position of the first pass, in pulses
    int64_t m_top = 0;           // sheet line of m_lines.front()
    std::deque<Line> m_lines;
    int m_width = 0;
    int64_t m_cells = 0;
    bool m_overflow = false;
    int m_passes = 0;
    int64_t m_outside = 0;
    std::vector<int64_t> m_drops;
};

}  // namespace tavolux::sim
