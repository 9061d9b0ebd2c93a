// Bitmap files: the headers of thumbnails and one-bit pictures, and the files refused on loading.
#include <gtest/gtest.h>

#include <cstdint>

#include "support/TempDir.h"
#include "platform/BmpFile.h"

using namespace tavolux;

namespace {

uint32_t U32(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    }
    return v;
}

DibImage Gradient(int w, int h)
{
    DibImage image;
    image.Allocate(w, h, 24, 0);
    for (int y = 0; y < h; ++y) {
        for (size_t x = 0; x < image.RowBytes(); ++x) {
            image.Row(y)[x] = static_cast<uint8_t>(y * 31 + x);
        }
    }
    return image;
}

}  // namespace

TEST(BmpFile, HeadersDescribeTheTopDownRows)
{
    const DibImage image = Gradient(8, 3);  // 24 bytes per row, no padding
    const std::string bytes = EncodeBmp(image);
    ASSERT_EQ(bytes.size(), 54u + 3 * 24);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    // File size, reserved, pixel offset, info size, width, height (negative: top-down), then
    // planes and bits per pixel (16 bits each), no compression, pixel bytes.
    const std::pair<size_t, uint32_t> fields[] = {{2, 126u},
                                                  {6, 0u},
                                                  {10, 54u},
                                                  {14, 40u},
                                                  {18, 8u},
                                                  {22, static_cast<uint32_t>(-3)},
                                                  {26, 1u | 24u << 16},
                                                  {30, 0u},
                                                  {34, 72u}};
    for (const auto& [at, value] : fields) {
        EXPECT_EQ(U32(bytes, at), value) << "at " << at;
    }
    // The first stored row is the top row.
    EXPECT_EQ(static_cast<unsigned char>(bytes[54]), image.Row(0)[0]);
    EXPECT_EQ(static_cast<unsigned char>(bytes[54 + 24]), image.Row(1)[0]);
}

TEST(BmpFile, RoundTripAndBottomUpFiles)
{
    const DibImage image = Gradient(5, 4);  // 15 bytes of pixels, 16 per row
    DibImage back;
    ASSERT_TRUE(DecodeBmp(EncodeBmp(image), back));
    EXPECT_EQ(back.width, 5);
    EXPECT_EQ(back.height, 4);
    EXPECT_EQ(back.pixels, image.pixels);

    // The same picture stored bottom-up, as most writers do.
    std::string bottomUp = EncodeBmp(image);
    bottomUp[22] = 4;
    bottomUp[23] = bottomUp[24] = bottomUp[25] = 0;
    for (int y = 0; y < 4; ++y) {
        const auto* row = reinterpret_cast<const char*>(image.Row(3 - y));
        bottomUp.replace(54 + static_cast<size_t>(y) * 16, 16, row, 16);
    }
    DibImage flipped;
    ASSERT_TRUE(DecodeBmp(bottomUp, flipped));
    EXPECT_EQ(flipped.pixels, image.pixels);
}

TEST(BmpFile, MalformedFilesAreRefusedWithAMessage)
{
    const std::string good = EncodeBmp(Gradient(4, 4));
    auto with = [&](size_t at, std::initializer_list<uint8_t> values) {
        std::string b = good;
        for (uint8_t v : values) {
            b[at++] = static_cast<char>(v);
        }
        return b;
    };
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"not BM", with(0, {'B', 'A'})},
        {"headers cut", good.substr(0, 40)},
        {"rows missing", good.substr(0, good.size() - 1)},
        {"8 bits per pixel", with(28, {8, 0})},
        {"compressed", with(30, {1})},
        {"zero width", with(18, {0, 0, 0, 0})},
        {"negative width", with(18, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"huge height", with(22, {0, 0, 0, 0x40})},
        {"zero height", with(22, {0, 0, 0, 0})},
        {"two planes", with(26, {2})},
        {"pixels past the end", with(10, {0xFF, 0xFF, 0, 0})},
        {"info header too short", with(14, {12})},
    };
    test::TempDir dir;
    test::RecordingUi ui;
    for (const auto& [what, bytes] : cases) {
        DibImage image;
        image.width = 77;
        EXPECT_FALSE(DecodeBmp(bytes, image)) << what;
        EXPECT_EQ(image.width, 77) << what << ": a refused file leaves the image alone";
        ui.messages.clear();
        EXPECT_FALSE(LoadBmpFile(dir.Write("t.BMP", bytes), image)) << what;
        ASSERT_EQ(ui.messages.size(), 1u) << what;
        EXPECT_EQ(ui.messages[0], "Error Load BMP!");
    }
    ui.messages.clear();
    DibImage image;
    EXPECT_FALSE(LoadBmpFile(dir.Path() / "missing.BMP", image));
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(LoadBmpFile(dir.Write("ok.BMP", good), image));
    EXPECT_EQ(image.width, 4);
}

TEST(BmpFile, OneBitPicturesKeepTheBitsAndPadEveryRow)
{
    // Ten pixels: two bytes of bits, padded to four; the second row is short and ends white.
    const std::vector<uint8_t> full = {0xFF, 0xC0, 0xAA};
    const std::vector<uint8_t> shortRow = {0x81};
    const std::string b = EncodeMonoBmp(10, {full, shortRow});
    ASSERT_EQ(b.size(), 14u + 40u + 8u + 2u * 4u);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 10), 62u) << "the rows follow the two palette colours";
    EXPECT_EQ(U32(b, 18), 10u);
    EXPECT_EQ(static_cast<int32_t>(U32(b, 22)), -2) << "top-down";
    EXPECT_EQ(U32(b, 28) & 0xFFFFU, 1u) << "one bit a pixel";
    EXPECT_EQ(U32(b, 46), 2u);
    EXPECT_EQ(U32(b, 54), 0x00FFFFFFU) << "a clear bit is white";
    EXPECT_EQ(U32(b, 58), 0u) << "a set bit is black";
    EXPECT_EQ(b.substr(62, 4), std::string("\xFF\xC0\0\0", 4)) << "bytes past the width dropped";
    EXPECT_EQ(b.substr(66, 4), std::string("\x81\0\0\0", 4));
}
