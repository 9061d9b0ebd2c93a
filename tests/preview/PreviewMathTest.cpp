// Stride choice, scaling and the colour of a preview pixel.
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "preview/PreviewLayout.h"
#include "preview/PreviewPixel.h"

using namespace tavolux;

TEST(PreviewStride, AutomaticModeFollowsTheFileSize)
{
    const std::tuple<int, uint64_t, int> cases[] = {
        {kPreviewAuto, 250000000, 2},
        {kPreviewAuto, 299999999, 2},
        {kPreviewAuto, 300000000, 3},
        {kPreviewAuto, 999999999, 3},
        {kPreviewAuto, 1000000000, 4},
        {kPreviewAuto, 1999999999, 4},
        {kPreviewAuto, 2000000000, 8},
        {kPreviewAuto, (1ULL << 32) + 5, 8},
        // A chosen mode holds whatever the size.
        {2, 3000000000, 2},
        {8, 10, 8},
    };
    for (const auto& [mode, length, stride] : cases) {
        EXPECT_EQ(PreviewStride(mode, length), stride) << mode << " " << length;
    }
}

TEST(PreviewLayout, ScalesToTheViewAndTrimsThePadding)
{
    // 800 pixels of which 790 are image, 1000 lines at 720 dpi: 9 file pixels per 85-dpi pixel.
    const auto h = RipHeader::Of(720, 720, 100, 1000, 790, 6);
    const auto wide = RipHeader::Of(300, 600, 1000, 200, 8000, 4);  // 4 and 8 pixels per pixel
    const auto narrow = RipHeader::Of(720, 720, 1, 1000000, 8, 4);  // one byte, a million lines
    const struct {
        const char* what;
        RipHeader header;
        int viewWidth, viewHeight, isZoom, maxScanLines;
        // sourceLines, xStep, yStep, usableWidth, previewWidth, rowFill, previewHeight
        std::array<int, 7> layout;
    } cases[] = {
        // 89 x 112 pixels at 85 dpi into 100 x 100: the height needs a factor 2; 792 exceeds 790
        // by a step's part: one step less.
        {"zoomed", h, 100, 100, 1, 0, {1000, 18, 18, 774, 43, 1, 55}},
        {"the width decides", wide, 500, 400, 1, 0, {200, 16, 32, 8000, 500, 0, 6}},
        // One file pixel per preview pixel, padding trimmed by at most 8 steps.
        {"unzoomed", h, 100, 100, 0, 0, {1000, 1, 1, 792, 792, 0, 1000}},
        {"limited lines", h, 100, 100, 0, 300, {300, 1, 1, 792, 792, 0, 300}},
        {"limit above the height", h, 100, 100, 0, 3000, {1000, 1, 1, 792, 792, 0, 1000}},
        {"no limit", h, 100, 100, 0, -1, {1000, 1, 1, 792, 792, 0, 1000}},
        // The factor from the height, ceil(ceil(1000000 / 9) / 600) = 186, exceeds the width:
        // one pixel of 8 stays; 1674 lines per preview line.
        {"narrow", narrow, 800, 600, 1, 0, {1000000, 8, 1674, 8, 1, 3, 597}},
    };
    for (const auto& c : cases) {
        const PreviewLayout l =
            ComputePreviewLayout(c.header, c.viewWidth, c.viewHeight, c.isZoom, c.maxScanLines);
        EXPECT_EQ((std::array<int, 7>{l.sourceLines, l.xStep, l.yStep, l.usableWidth,
                                      l.previewWidth, l.rowFill, l.previewHeight}),
                  c.layout)
            << c.what;
    }
}

TEST(PreviewPixel, InkCoverageGivesTheColour)
{
    // Samples, the set count of each channel (K, C, M, Y, light C, light M), blue-green-red.
    const std::tuple<int, std::array<int, 6>, std::array<uint8_t, 3>> cases[] = {
        {16, {16, 0, 0, 0, 0, 0}, {0, 0, 0}},        // black everywhere
        {16, {0, 16, 0, 0, 0, 0}, {255, 255, 0}},    // cyan
        {16, {0, 0, 0, 0, 8, 0}, {255, 255, 204}},   // half the samples at 0.4 of a drop
        {10, {0, 0, 0, 0, 0, 10}, {255, 153, 255}},  // 0.4 x 255 = 102 of magenta
        {4, {2, 0, 0, 4, 0, 0}, {0, 127, 127}},      // K = 127.5: (127.5)(255)/255
        // Cyan and light cyan together pass full coverage: cyan, not a wrapped byte.
        {3, {0, 3, 0, 0, 3, 0}, {255, 255, 0}},
        {7, {0, 0, 0, 0, 0, 0}, {255, 255, 255}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [samples, set, colour] = cases[i];
        PixelCounts counts;
        counts.samples = samples;
        for (size_t c = 0; c < set.size(); ++c) {
            counts.set[c] = set[c];
        }
        EXPECT_EQ(PreviewPixelColour(counts), colour) << "case " << i;
    }
}
