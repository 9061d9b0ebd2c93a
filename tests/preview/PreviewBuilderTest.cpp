// The preview builder against a literal reading of the sampling rule, on generated RIP files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "preview/PreviewBuilder.h"
#include "preview/PreviewLayout.h"
#include "res/StringTable.h"
#include "support/TempDir.h"
#include "RipFileMaker.h"

using namespace tavolux;

namespace {

// The slow reading: every sample of every block, straight from the file's bytes, with the
// colour formula in floating point.
DibImage Oracle(const std::string& file, const test::RipGeometry& r, const PreviewLayout& l, int s)
{
    static const int planeMap[6] = {3, 2, 1, 0, 4, 5};
    const size_t lineBytes = static_cast<size_t>(r.planes) * r.bytesPerPlaneLine;
    auto bit = [&](int line, int plane, int x) {
        const size_t at = 48 + static_cast<size_t>(line) * lineBytes +
                          static_cast<size_t>(plane) * r.bytesPerPlaneLine + x / 8;
        if (at >= file.size()) {
            return 0;
        }
        return (static_cast<unsigned char>(file[at]) >> (7 - x % 8)) & 1;
    };
    int channels = r.planes == 5 || r.planes == 7 ? r.planes - 1 : r.planes;
    channels = std::min(channels, 6);
    DibImage out;
    out.Allocate(l.previewWidth + l.rowFill, l.previewHeight, 24, 0);
    for (int y = 0; y < l.previewHeight; ++y) {
        for (int x = 0; x < out.width; ++x) {
            uint8_t* p = out.Row(y) + 3 * x;
            if (x >= l.previewWidth) {
                p[0] = p[1] = p[2] = 0xFF;
                continue;
            }
            double ink[6] = {};
            int samples = 0;
            for (int dy = 0; dy < l.yStep; dy += s) {
                for (int dx = 0; dx < l.xStep; dx += s) {
                    ++samples;
                    for (int c = 0; c < channels; ++c) {
                        if (planeMap[c] < r.planes) {
                            ink[c] += bit(y * l.yStep + dy, planeMap[c], x * l.xStep + dx);
                        }
                    }
                }
            }
            const double k = ink[0] * 255 / samples;
            const double cy = std::min(255.0, (ink[1] + 0.4 * ink[4]) * 255 / samples);
            const double m = std::min(255.0, (ink[2] + 0.4 * ink[5]) * 255 / samples);
            const double ye = ink[3] * 255 / samples;
            // A hair above the exact value, so that a product meant to be whole is not cut below.
            p[0] = static_cast<uint8_t>((255 - k) * (255 - ye) / 255 + 1e-9);
            p[1] = static_cast<uint8_t>((255 - k) * (255 - m) / 255 + 1e-9);
            p[2] = static_cast<uint8_t>((255 - k) * (255 - cy) / 255 + 1e-9);
        }
    }
    return out;
}

struct Case {
    const char* name;
    test::RipGeometry rip;
    int viewWidth;
    int viewHeight;
    int mode;
    PreviewSettings settings;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class PreviewBuilderTest : public ::testing::TestWithParam<Case> {
protected:
    test::TempDir dir;
};

}  // namespace

TEST_P(PreviewBuilderTest, MatchesTheLiteralSampling)
{
    const Case& c = GetParam();
    const std::string bytes = test::RipBytes(c.rip, 7);
    const auto path = test::WriteRip(dir.Path() / "job.prn", bytes);
    CPreviewBuilder builder(path, false, c.viewWidth, c.viewHeight, c.mode, c.settings);
    ASSERT_EQ(builder.Build(), kPreviewOk);
    EXPECT_EQ(builder.Header().PlaneCount(), c.rip.planes);
    EXPECT_EQ(builder.Header().Height(), c.rip.height);
    EXPECT_EQ(builder.FileLength(), bytes.size());
    const PreviewLayout& l = builder.Layout();
    ASSERT_GT(l.previewHeight, 0);
    const DibImage expected = Oracle(bytes, c.rip, l, builder.Stride());
    const DibImage& got = builder.Bitmap();
    ASSERT_EQ(got.width, expected.width);
    ASSERT_EQ(got.height, expected.height);
    for (int y = 0; y < got.height; ++y) {
        ASSERT_EQ(std::memcmp(got.Row(y), expected.Row(y), got.RowBytes()), 0)
            << c.name << ": row " << y << " of " << got.height;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PreviewBuilderTest,
    ::testing::Values(
        // 120 preview lines: two chunks for the workers and 20 lines for the tail worker.
        Case{"unzoomed", {6, 120, 13, 100, 720, 720, -1}, 800, 600, 2, {0, 0}},
        // Steps that are no multiple of 8 or of the stride, stride 3, columns sharing bytes.
        Case{"zoomed", {6, 3000, 37, 290, 300, 600, -1}, 40, 30, 3, {1, 0}},
        // White in the fifth plane is not drawn; the file ends before its announced height.
        Case{"white plane, short file", {5, 900, 24, 190, 720, 360, 500}, 30, 40, 0, {1, 0}},
        Case{"seven planes", {7, 400, 16, 128, 360, 360, -1}, 50, 50, 4, {1, 0}},
        // Two planes: only the channels whose plane exists are drawn.
        Case{"two planes", {2, 300, 9, 70, 720, 720, -1}, 20, 20, 8, {1, 0}},
        Case{"limited lines", {4, 5000, 10, 80, 720, 720, -1}, 100, 100, 2, {1, 700}},
        // 6 pixels: 2 white fill pixels end every row.
        Case{"fill pixels", {4, 60, 1, 6, 720, 720, -1}, 800, 600, 2, {0, 0}}),
    [](const auto& param) {
        std::string n = param.param.name;
        std::replace_if(
            n.begin(), n.end(), [](char ch) { return !std::isalnum(ch); }, '_');
        return n;
    });

TEST(PreviewBuilder, FailuresReturnTheirCodesAndTexts)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir.Path() / "folder.prn");
    auto header = [&](const char* name, const test::RipGeometry& r) {
        return test::WriteRip(dir.Path() / name, test::RipHeaderBytes(r));
    };
    const struct {
        std::filesystem::path file;
        int code;
        const char* text;
    } cases[] = {
        {dir.Path() / "none.prn", kPreviewOpenError, "打开Rip文件错误"},
        // A folder named like a RIP file cannot be opened as one.
        {dir.Path() / "folder.prn", kPreviewOpenError, "打开Rip文件错误"},
        {dir.Write("short.prn", std::string(47, '\0')), kPreviewHeaderError, "Rip文件头错误"},
        // A header that describes no raster is a header error, not a picture of nonsense.
        {header("planes.prn", {0, 100, 10, 80, 720, 720, 0}), kPreviewHeaderError, nullptr},
        {header("lines.prn", {4, 0, 10, 80, 720, 720, 0}), kPreviewHeaderError, nullptr},
        // Unzoomed, 1 Mi bytes per plane line and 1000 lines would be a 24 GB bitmap.
        {header("huge.prn", {4, 1000, 1 << 20, 8 << 20, 720, 720, 0}), kPreviewHeaderError,
         nullptr},
    };
    for (const auto& c : cases) {
        CPreviewBuilder builder(c.file, false, 800, 600, 2, {0, 0});
        EXPECT_EQ(builder.Build(), c.code) << c.file;
        if (c.text != nullptr) {
            EXPECT_EQ(PreviewErrorText(c.code), c.text);
        }
    }
    CPreviewBuilder other(dir.Write("a.tiff", "II*"), IsOtherPreviewFormat("a.tiff"), 800, 600, 0,
                          {});
    EXPECT_EQ(other.Build(), kPreviewOtherFormat);
    EXPECT_FALSE(IsOtherPreviewFormat("/x/A.PRN"));
    EXPECT_FALSE(IsOtherPreviewFormat("b.Prt"));
    EXPECT_EQ(PreviewErrorText(kPreviewThreadSplit), "缓冲区大小不能被线程数整除");
}
