// Stride and scaling of the preview.
#include "preview/PreviewLayout.h"

#include <algorithm>

namespace tavolux {

namespace {

int64_t CeilDiv(int64_t a, int64_t b)
{
    return b <= 0 ? 0 : (a + b - 1) / b;
}

}  // namespace

int PreviewStride(int mode, uint64_t fileLength)
{
    if (mode > 0) {
        return mode;
    }
    if (fileLength < 300000000ULL) {
        return 2;
    }
    if (fileLength < 1000000000ULL) {
        return 3;
    }
    if (fileLength < 2000000000ULL) {
        return 4;
    }
    return 8;
}

bool IsUsablePreviewHeader(const PreviewHeader& h)
{
    // A line of more than 1 GB or more than 64 planes is no RIP output of this printer.
    constexpr int64_t kMaxLineBytes = 1LL << 30;
    return h.planeCount > 0 && h.planeCount <= 64 && h.height > 0 && h.bytesPerPlaneLine > 0 &&
           h.bytesPerPlaneLine <= (1 << 27) && h.xResolution > 0 && h.yResolution > 0 &&
           static_cast<int64_t>(h.planeCount) * h.bytesPerPlaneLine <= kMaxLineBytes;
}

PreviewLayout ComputePreviewLayout(const PreviewHeader& h, int viewWidth, int viewHeight,
                                   int isZoom, int maxScanLines)
{
    PreviewLayout l;
    l.sourceLines = maxScanLines > 0 ? std::min(h.height, maxScanLines) : h.height;
    const int64_t pixels = static_cast<int64_t>(h.bytesPerPlaneLine) * 8;
    if (isZoom != 0) {
        const int64_t x0 = CeilDiv(h.xResolution, kBaseResolution);
        const int64_t y0 = CeilDiv(h.yResolution, kBaseResolution);
        const int64_t w0 = CeilDiv(pixels, x0);
        const int64_t h0 = CeilDiv(l.sourceLines, y0);
        const int64_t f = std::max<int64_t>(
            {CeilDiv(h0, std::max(viewHeight, 1)), CeilDiv(w0, std::max(viewWidth, 1)), 1});
        l.xStep = static_cast<int>(std::min<int64_t>(x0 * f, pixels));
        l.yStep = static_cast<int>(std::min<int64_t>(y0 * f, std::max(l.sourceLines, 1)));
    }
    int64_t usable = pixels / l.xStep * l.xStep;
    // The raster lines are padded to whole bytes; drop padding steps beyond the image width.
    for (int i = 0; i < 8 && usable > h.width && usable >= l.xStep; ++i) {
        usable -= l.xStep;
    }
    l.usableWidth = static_cast<int>(usable);
    l.previewWidth = l.usableWidth / l.xStep;
    l.rowFill = (4 - l.previewWidth % 4) % 4;
    l.previewHeight = l.sourceLines / l.yStep;
    return l;
}

}  // namespace tavolux
