// Exact colour conversion of a preview pixel.
#include "preview/PreviewPixel.h"

#include <algorithm>

namespace tavolux {

namespace {

// floor(255 (N - k)(5N - u) / (5 N^2)) with k full-ink samples and u fifths of ink: the exact
// value of (255 - 255 k / N)(255 - 255 u / 5N) / 255.
uint8_t Component(int64_t n, int64_t k, int64_t u)
{
    k = std::clamp<int64_t>(k, 0, n);
    u = std::clamp<int64_t>(u, 0, 5 * n);
    // Exact in 64 bits while 255 * N * 5N fits; larger blocks lose nothing visible in doubles.
    if (n <= (1 << 20)) {
        return static_cast<uint8_t>(255 * (n - k) * (5 * n - u) / (5 * n * n));
    }
    const double v = 255.0 * static_cast<double>(n - k) / static_cast<double>(n) *
                     static_cast<double>(5 * n - u) / static_cast<double>(5 * n);
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
}

}  // namespace

std::array<uint8_t, 3> PreviewPixelColour(const PixelCounts& c)
{
    if (c.samples <= 0) {
        return {255, 255, 255};
    }
    const int64_t n = c.samples;
    // Inks in fifths of a drop: a full drop is 5, a light drop 2.
    const int64_t cyan = 5 * c.set[1] + 2 * c.set[4];
    const int64_t magenta = 5 * c.set[2] + 2 * c.set[5];
    const int64_t yellow = 5 * c.set[3];
    const int64_t black = c.set[0];
    return {Component(n, black, yellow), Component(n, black, magenta), Component(n, black, cyan)};
}

}  // namespace tavolux
