// How a RIP file maps onto the preview bitmap: the sampling stride chosen by mode or file size,
// the file pixels per preview pixel, and the bitmap's size.
#pragma once

#include <cstdint>

#include "print/RipHeader.h"

namespace tavolux {

// Preview modes: 0 chooses by file size; 2, 4 and 8 are the fixed strides of the menu.
inline constexpr int kPreviewAuto = 0;

// The sampling stride: the mode itself, or for automatic mode 2 under 300,000,000 bytes, 3 under
// 1,000,000,000, 4 under 2,000,000,000 and 8 for anything larger.
int PreviewStride(int mode, uint64_t fileLength);

struct PreviewLayout {
    int sourceLines = 0;    // lines used: the height, limited by MaxScanLines
    int xStep = 1;          // file pixels per preview pixel, across
    int yStep = 1;          // file lines per preview line
    int usableWidth = 0;    // file pixels used across: a multiple of xStep
    int previewWidth = 0;   // bitmap pixels per row, fill excluded
    int rowFill = 0;        // white pixels that pad each row to a multiple of 4
    int previewHeight = 0;  // bitmap rows
};

// The resolution the preview is drawn at, dots per inch.
inline constexpr int kBaseResolution = 85;

// The layout for a view of viewWidth x viewHeight pixels. isZoom 0 keeps one file pixel per
// preview pixel. maxScanLines <= 0 sets no limit. The header must have no bad field and at least
// one line.
PreviewLayout ComputePreviewLayout(const RipHeader& header, int viewWidth, int viewHeight,
                                   int isZoom, int maxScanLines);

}  // namespace tavolux
