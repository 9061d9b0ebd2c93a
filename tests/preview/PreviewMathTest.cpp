// Stride choice, scaling and the colour of a preview pixel.
#include <gtest/gtest.h>

#include "preview/PreviewLayout.h"
#include "preview/PreviewPixel.h"

using namespace tavolux;

TEST(PreviewStride, AutomaticModeFollowsTheFileSize)
{
    EXPECT_EQ(PreviewStride(kPreviewAuto, 250000000ULL), 2);
    EXPECT_EQ(PreviewStride(kPreviewAuto, 299999999ULL), 2);
    EXPECT_EQ(PreviewStride(kPreviewAuto, 300000000ULL), 3);
    EXPECT_EQ(PreviewStride(kPreviewAuto, 999999999ULL), 3);
    EXPECT_EQ(PreviewStride(kPreviewAuto, 1000000000ULL), 4);
    EXPECT_EQ(PreviewStride(kPreviewAuto, 1500000000ULL), 4);
    EXPECT_EQ(PreviewStride(kPreviewAuto, 1999999999ULL), 4);
    EXPECT_EQ(PreviewStride(kPreviewAuto, 2000000000ULL), 8);
    EXPECT_EQ(PreviewStride(kPreviewAuto, 3000000000ULL), 8);
    EXPECT_EQ(PreviewStride(kPreviewAuto, 1ULL << 32), 8);
    EXPECT_EQ(PreviewStride(kPreviewAuto, (1ULL << 32) + 5), 8);
    // A chosen mode holds whatever the size.
    EXPECT_EQ(PreviewStride(2, 3000000000ULL), 2);
    EXPECT_EQ(PreviewStride(8, 10), 8);
}

TEST(PreviewLayout, ScalesToTheViewAndTrimsThePadding)
{
    // 800 pixels of which 790 are image, 1000 lines at 720 dpi: 9 file pixels per 85-dpi pixel.
    const auto h = RipHeader::Of(720, 720, 100, 1000, 790, 6);
    // 89 x 112 pixels at 85 dpi into 100 x 100: the height needs a factor 2.
    PreviewLayout l = ComputePreviewLayout(h, 100, 100, 1, 0);
    EXPECT_EQ(l.sourceLines, 1000);
    EXPECT_EQ(l.xStep, 18);
    EXPECT_EQ(l.yStep, 18);
    EXPECT_EQ(l.usableWidth, 774);  // 792 exceeds 790 by a step's part: one step less
    EXPECT_EQ(l.previewWidth, 43);
    EXPECT_EQ(l.rowFill, 1);
    EXPECT_EQ(l.previewHeight, 55);

    // Different resolutions across and down; the width decides.
    const auto wide = RipHeader::Of(300, 600, 1000, 200, 8000, 4);  // 4 and 8 file pixels per pixel
    l = ComputePreviewLayout(wide, 500, 400, 1, 0);
    EXPECT_EQ(l.xStep, 16);  // 2000 pixels into 500: factor 4
    EXPECT_EQ(l.yStep, 32);
    EXPECT_EQ(l.previewWidth, 500);
    EXPECT_EQ(l.rowFill, 0);
    EXPECT_EQ(l.previewHeight, 6);

    // Unzoomed: one file pixel per preview pixel, padding trimmed by at most 8 steps.
    l = ComputePreviewLayout(h, 100, 100, 0, 0);
    EXPECT_EQ(l.xStep, 1);
    EXPECT_EQ(l.yStep, 1);
    EXPECT_EQ(l.usableWidth, 792);
    EXPECT_EQ(l.previewWidth, 792);
    EXPECT_EQ(l.previewHeight, 1000);

    // MaxScanLines limits the lines used; 0 or less sets no limit.
    EXPECT_EQ(ComputePreviewLayout(h, 100, 100, 0, 300).sourceLines, 300);
    EXPECT_EQ(ComputePreviewLayout(h, 100, 100, 0, 3000).sourceLines, 1000);
    EXPECT_EQ(ComputePreviewLayout(h, 100, 100, 0, -1).sourceLines, 1000);
}

TEST(PreviewLayout, NarrowImagesKeepAtLeastOnePixel)
{
    // One byte wide and a million lines: the factor from the height exceeds the width.
    const auto h = RipHeader::Of(720, 720, 1, 1000000, 8, 4);
    const PreviewLayout l = ComputePreviewLayout(h, 800, 600, 1, 0);
    EXPECT_EQ(l.previewWidth, 1);
    EXPECT_GE(l.previewHeight, 1);
}

TEST(PreviewPixel, InkCoverageGivesTheColour)
{
    PixelCounts all;
    all.samples = 16;
    all.set[0] = 16;  // black everywhere
    EXPECT_EQ(PreviewPixelColour(all), (std::array<uint8_t, 3>{0, 0, 0}));

    PixelCounts cyan;
    cyan.samples = 16;
    cyan.set[1] = 16;
    EXPECT_EQ(PreviewPixelColour(cyan), (std::array<uint8_t, 3>{255, 255, 0}));  // blue, green, red

    PixelCounts lightCyan;
    lightCyan.samples = 16;
    lightCyan.set[4] = 8;  // half the samples, at 0.4 of a drop
    EXPECT_EQ(PreviewPixelColour(lightCyan), (std::array<uint8_t, 3>{255, 255, 204}));

    PixelCounts lightMagenta;
    lightMagenta.samples = 10;
    lightMagenta.set[5] = 10;  // 0.4 x 255 = 102 of magenta
    EXPECT_EQ(PreviewPixelColour(lightMagenta), (std::array<uint8_t, 3>{255, 153, 255}));

    PixelCounts yellowHalfBlack;
    yellowHalfBlack.samples = 4;
    yellowHalfBlack.set[3] = 4;
    yellowHalfBlack.set[0] = 2;  // K = 127.5: (127.5)(255)/255
    EXPECT_EQ(PreviewPixelColour(yellowHalfBlack), (std::array<uint8_t, 3>{0, 127, 127}));

    // Cyan and light cyan together would pass full coverage: the colour stays cyan, not a
    // wrapped byte.
    PixelCounts both;
    both.samples = 3;
    both.set[1] = 3;
    both.set[4] = 3;
    EXPECT_EQ(PreviewPixelColour(both), (std::array<uint8_t, 3>{255, 255, 0}));

    PixelCounts none;
    none.samples = 7;
    EXPECT_EQ(PreviewPixelColour(none), (std::array<uint8_t, 3>{255, 255, 255}));
}
