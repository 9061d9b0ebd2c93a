// The colour of one preview pixel from the drops counted in its block of file pixels.
#pragma once

#include <array>
#include <cstdint>

namespace tavolux {

// Channels of the head order: black, cyan, magenta, yellow, light cyan, light magenta.
inline constexpr int kPreviewChannels = 6;
// File plane of each channel: the file holds yellow, magenta, cyan, black, then the light inks.
inline constexpr std::array<int, kPreviewChannels> kPreviewPlaneMap = {3, 2, 1, 0, 4, 5};

// The set samples of each channel in a block, and the number of samples taken per channel.
struct PixelCounts {
    std::array<int64_t, kPreviewChannels> set{};
    int64_t samples = 0;
};

// Blue, green, red. A light-ink drop weighs 0.4 of a full one; each ink's coverage is
// set / samples of 255, capped at 255 (cyan plus light cyan could exceed full coverage);
// blue = (255 - K)(255 - Y) / 255, green = (255 - K)(255 - M) / 255,
// red = (255 - K)(255 - C) / 255, each truncated. Computed exactly, without rounding error.
std::array<uint8_t, 3> PreviewPixelColour(const PixelCounts& counts);

}  // namespace tavolux
