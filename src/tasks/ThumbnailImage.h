// The picture a task keeps: the preview, scaled down to a bounded size.
#pragma once

#include "platform/DibImage.h"

namespace tavolux {

// The longest side of a thumbnail, in pixels. An unzoomed preview of a large file holds one
// pixel per file pixel; its thumbnail must not take gigabytes on disk.
inline constexpr int kMaxThumbnailSide = 1024;

// The image itself when both sides are within maxSide; otherwise every n-th pixel of every
// n-th row, n the smallest whole factor that brings both sides within maxSide.
DibImage BoundedThumbnail(const DibImage& image, int maxSide = kMaxThumbnailSide);

}  // namespace tavolux
