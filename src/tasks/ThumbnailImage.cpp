// Scaling a preview down to a thumbnail by sampling.
#include "tasks/ThumbnailImage.h"

#include <algorithm>
#include <cstring>

namespace tavolux {

DibImage BoundedThumbnail(const DibImage& image, int maxSide)
{
    maxSide = std::max(maxSide, 1);
    const int longest = std::max(image.width, image.height);
    if (image.Empty() || longest <= maxSide) {
        return image;
    }
    const int factor = (longest + maxSide - 1) / maxSide;
    DibImage out;
    out.Allocate(std::max(image.width / factor, 1), std::max(image.height / factor, 1),
                 image.bitsPerPixel, 0xFF);
    const size_t pixelBytes = static_cast<size_t>(image.bitsPerPixel / 8);
    for (int y = 0; y < out.height; ++y) {
        const uint8_t* from = image.Row(y * factor);
        uint8_t* to = out.Row(y);
        for (int x = 0; x < out.width; ++x) {
            std::memcpy(to + static_cast<size_t>(x) * pixelBytes,
                        from + static_cast<size_t>(x) * static_cast<size_t>(factor) * pixelBytes,
                        pixelBytes);
        }
    }
    return out;
}

}  // namespace tavolux
