// What each record of the two glyph files shows: the text of every numeral record and every
// label record, shared by the generator that renders the files and by the tests that read them.
#pragma once

#include <string>

namespace tavolux::chart {

inline constexpr int kDigitRecords = 41;  // numerals -20 to +20
inline constexpr int kLabelRecords = 28;  // 24 channel labels, then 4 white-channel labels

// Numeral record k: record 20 is "0"; record 20 + m is "-m" (ticks left of the centre) and
// record 20 - m is "+m" (ticks right of it), m = 1 to 20.
std::string DigitText(int record);

// Label record k, UTF-8. Records 0 to 23 are channel c = k mod 6 of head group k / 6 + 1,
// written as the colour's Chinese name and its letter ("黑 K1"); the channels run K, C, M, Y,
// Lc, Lm as the planes of a RIP file reach them. Records 24 to 27 are the white channel's
// groups 1 to 4 ("白 W1").
std::string LabelText(int record);

}  // namespace tavolux::chart

namespace tavolux::chart {

// How the texts are rendered: the font file of the Debian package fonts-wqy-microhei, the em
// size in nozzle rows of each kind, and the widening along the carriage, whose pixels are
// finer than the nozzle pitch.
inline constexpr const char* kGlyphFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
inline constexpr int kDigitEm = 18;
inline constexpr int kLabelEm = 28;
inline constexpr int kGlyphStretch = 2;

}  // namespace tavolux::chart
