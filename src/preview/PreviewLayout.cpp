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

PreviewLayout ComputePreviewLayout(const RipHeader& h, int viewWidth, int viewHeight, int isZoom,
                                   int maxScanLines)
{
    PreviewLayout l;
    l.sourceLines = maxScanLines > 0 ? std::min(h.Height(), maxScanLines) : h.Height();
    const int64_t pixels = static_cast<int64_t>(h.BytesPerPlaneLine()) * 8;
    if (isZoom != 0) {
        const int64_t x0 = CeilDiv(h.XResolution(), kBaseResolution);
        const int64_t y0 = CeilDiv(h.YResolution(), kBaseResolution);
        const int64_t w0 = CeilDiv(pixels, x0);
        const int64_t h0 = CeilDiv(l.sourceLines, y0);
        const int64_t f = std::max<int64_t>(
            {CeilDiv(h0, std::max(viewHeight, 1)), CeilDiv(w0, std::max(viewWidth, 1)), 1});
        l.xStep = static_cast<int>(std::min<int64_t>(x0 * f, pixels));
        l.yStep = static_cast<int>(std::min<int64_t>(y0 * f, std::max(l.sourceLines, 1)));
    }
    int64_t usable = pixels / l.xStep * l.xStep;
    // The raster lines are padded to whole bytes; drop padding steps beyond the image width.
    for (int i = 0; i < 8 && usable > h.Width() && usable >= l.xStep; ++i) {
        usable -= l.xStep;
    }
    l.usableWidth = static_cast<int>(usable);
    l.previewWidth = l.usableWidth / l.xStep;
    l.rowFill = (4 - l.previewWidth % 4) % 4;
    l.previewHeight = l.sourceLines / l.yStep;
    return l;
}

}  // namespace tavolux
