// Texts of the glyph records.
#include "chart/GlyphText.h"

#include <array>

namespace tavolux::chart {

std::string DigitText(int record)
{
    const int value = 20 - record;  // record 20 + m shows -m
    if (value == 0) {
        return "0";
    }
    return (value > 0 ? "+" : "-") + std::to_string(value > 0 ? value : -value);
}

std::string LabelText(int record)
{
    static constexpr std::array<const char*, 6> kNames = {"黑 K", "青 C",    "品 M",
                                                          "黄 Y", "浅青 Lc", "浅品 Lm"};
    if (record >= 24) {
        return "白 W" + std::to_string(record - 24 + 1);
    }
    return kNames[static_cast<size_t>(record % 6)] + std::to_string(record / 6 + 1);
}

}  // namespace tavolux::chart
