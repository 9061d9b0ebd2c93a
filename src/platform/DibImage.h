// A device-independent bitmap held in memory: top-down rows of 24- or 32-bit pixels, the
// picture that the preview draws into and the task list keeps as a thumbnail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavolux {

struct DibImage {
    int width = 0;          // pixels per row, fill pixels included
    int height = 0;         // rows, top row first
    int bitsPerPixel = 24;  // 24 (blue, green, red) or 32 (blue, green, red, unused)
    std::vector<uint8_t> pixels;

    // Bytes of one row; rows are padded to a multiple of 4 bytes, as in a bitmap file.
    size_t RowBytes() const
    {
        const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel / 8);
        return (bytes + 3) / 4 * 4;
    }
    uint8_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * RowBytes(); }
    const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * RowBytes(); }
    bool Empty() const { return width <= 0 || height <= 0; }

    // Sizes the image and fills every byte with fill.
    void Allocate(int w, int h, int bpp, uint8_t fill)
    {
        width = w;
        height = h;
        bitsPerPixel = bpp;
        pixels.assign(RowBytes() * static_cast<size_t>(h > 0 ? h : 0), fill);
    }
};

}  // namespace tavolux
