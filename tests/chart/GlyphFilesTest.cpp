// The glyph files: which record each numeral and label is, reading a record, the check before a
// chart starts, and the files the build renders, record by record against the font.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "chart/GlyphFiles.h"
#include "chart/GlyphText.h"
#include "res/StringIds.h"
#include "support/TempDir.h"

using namespace tavolux;
using namespace tavolux::chart;

namespace {

TEST(GlyphRecordTest, RecordsAndTheirByteOffsets)
{
    struct Case {
        bool flag;
        int magnitude;
        int firstByte;
    };
    // Ticks left of the centre ask with the flag set, right of it without.
    for (const Case c : {Case{true, 3, 6900}, Case{false, 3, 5100}, Case{true, 20, 12000},
                         Case{false, 20, 0}, Case{true, 0, 6000}}) {
        EXPECT_EQ(DigitRecord(c.flag, c.magnitude) * kDigitRecordBytes, c.firstByte)
            << c.flag << " " << c.magnitude;
    }
    struct LabelCase {
        int colorNo;
        int channel;
        int variant;
        int whiteChannel;
        int record;
    };
    for (const LabelCase c :
         {LabelCase{6, 2, 1, 6, 8}, LabelCase{7, 6, 1, 6, 25}, LabelCase{5, 4, 0, 4, 24},
          LabelCase{5, 3, 1, 4, 9}, LabelCase{4, 0, 0, 6, 0}, LabelCase{6, 5, 3, 6, 23},
          // Only 5- and 7-colour printers have a white channel of their own.
          LabelCase{6, 4, 0, 4, 4}, LabelCase{8, 6, 0, 6, 6}}) {
        EXPECT_EQ(LabelRecord(c.channel, c.variant, c.colorNo, c.whiteChannel), c.record)
            << c.colorNo << " " << c.channel << " " << c.variant;
    }
    EXPECT_EQ(LabelRecord(2, 1, 6, 6) * kLabelRecordBytes, 9600);
}

// A file whose byte i is i mod 251, so that every record has its own bytes.
void WritePatternFile(const std::filesystem::path& path, size_t bytes)
{
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < bytes; ++i) {
        out.put(static_cast<char>(i % 251));
    }
}

TEST(GlyphRecordTest, ReadsTheRecordAfreshAndNothingWhenMissingOrShort)
{
    test::TempDir dir;
    const auto file = dir.Path() / kDigitFileName;
    EXPECT_TRUE(ReadGlyphRecord(file, 0, kDigitRecordBytes).empty());  // missing

    WritePatternFile(file, 41 * 300);
    const auto record = ReadGlyphRecord(file, 23, kDigitRecordBytes);
    ASSERT_EQ(record.size(), 300U);
    for (size_t i = 0; i < record.size(); ++i) {
        ASSERT_EQ(record[i], static_cast<uint8_t>((6900 + i) % 251)) << i;
    }
    EXPECT_TRUE(ReadGlyphRecord(file, 41, kDigitRecordBytes).empty());  // past the end
    EXPECT_TRUE(ReadGlyphRecord(file, -1, kDigitRecordBytes).empty());

    // Nothing is kept between reads: a file cut short is seen at the next read.
    WritePatternFile(file, 23 * 300 + 299);
    EXPECT_TRUE(ReadGlyphRecord(file, 23, kDigitRecordBytes).empty());
    EXPECT_EQ(ReadGlyphRecord(file, 22, kDigitRecordBytes).size(), 300U);
}

TEST(GlyphRecordTest, CheckBeforeAChartNamesTheMissingOrShortFile)
{
    test::TempDir dir;
    std::filesystem::path bad;
    EXPECT_EQ(CheckGlyphFiles(dir.Path(), &bad), ids::kChartGlyphMissing);
    EXPECT_EQ(bad.filename(), kDigitFileName);
    WritePatternFile(dir.Path() / kDigitFileName, 41 * 300);
    EXPECT_EQ(CheckGlyphFiles(dir.Path(), &bad), ids::kChartGlyphMissing);
    EXPECT_EQ(bad.filename(), kLabelFileName);
    WritePatternFile(dir.Path() / kLabelFileName, 28 * 1200 - 1);
    EXPECT_EQ(CheckGlyphFiles(dir.Path(), &bad), ids::kChartGlyphShort);
    WritePatternFile(dir.Path() / kLabelFileName, 28 * 1200);
    EXPECT_EQ(CheckGlyphFiles(dir.Path()), 0);
    WritePatternFile(dir.Path() / kDigitFileName, 40 * 300);
    EXPECT_EQ(CheckGlyphFiles(dir.Path(), &bad), ids::kChartGlyphShort);
    EXPECT_EQ(bad.filename(), kDigitFileName);
    EXPECT_NE(GlyphFileProblemText(ids::kChartGlyphShort, bad).find(bad.string()),
              std::string::npos);
}

// A one-bit picture cut down to its ink: rows of '#' and '.'.
using Ink = std::vector<std::string>;

Ink Crop(const std::vector<std::vector<bool>>& pixels)
{
    int top = -1;
    int bottom = -1;
    int left = 1 << 30;
    int right = -1;
    for (int y = 0; y < static_cast<int>(pixels.size()); ++y) {
        const auto& row = pixels[static_cast<size_t>(y)];
        for (int x = 0; x < static_cast<int>(row.size()); ++x) {
            if (row[static_cast<size_t>(x)]) {
                top = top < 0 ? y : top;
                bottom = y;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    Ink out;
    for (int y = top; y >= 0 && y <= bottom; ++y) {
        std::string line;
        for (int x = left; x <= right; ++x) {
            line += pixels[static_cast<size_t>(y)][static_cast<size_t>(x)] ? '#' : '.';
        }
        out.push_back(line);
    }
    return out;
}

Ink RecordInk(const std::vector<uint8_t>& record, int widthBytes, int rows)
{
    std::vector<std::vector<bool>> pixels(static_cast<size_t>(rows));
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < widthBytes * 8; ++x) {
            const uint8_t byte = record[static_cast<size_t>(y * widthBytes + x / 8)];
            pixels[static_cast<size_t>(y)].push_back((byte & (0x80 >> (x % 8))) != 0);
        }
    }
    return Crop(pixels);
}

// The text drawn by the font, glyph after glyph on one baseline, on a canvas large enough for
// anything: what a record must show once its blank margins are cut off.
Ink FontInk(FT_Face face, const std::u32string& text, int em)
{
    EXPECT_EQ(FT_Set_Char_Size(face, 0, em * 64, 72 * kGlyphStretch, 72), 0);
    const int width = 1200;
    const int height = 200;
    const int baseline = 150;
    std::vector<std::vector<bool>> canvas(height, std::vector<bool>(width, false));
    int pen = 10;
    for (const char32_t c : text) {
        EXPECT_EQ(FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO), 0);
        const FT_GlyphSlot g = face->glyph;
        for (unsigned y = 0; y < g->bitmap.rows; ++y) {
            for (unsigned x = 0; x < g->bitmap.width; ++x) {
                if ((g->bitmap.buffer[y * static_cast<unsigned>(g->bitmap.pitch) + x / 8] &
                     (0x80 >> (x % 8))) != 0) {
                    canvas[static_cast<size_t>(baseline - g->bitmap_top + static_cast<int>(y))]
                          [static_cast<size_t>(pen + g->bitmap_left + static_cast<int>(x))] = true;
                }
            }
        }
        pen += static_cast<int>(g->advance.x >> 6);
    }
    return Crop(canvas);
}

std::vector<uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class BuiltGlyphFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(FT_Init_FreeType(&lib), 0);
        ASSERT_EQ(FT_New_Face(lib, kGlyphFont, 0, &face), 0) << kGlyphFont;
    }
    void TearDown() override
    {
        FT_Done_Face(face);
        FT_Done_FreeType(lib);
    }
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
};

TEST_F(BuiltGlyphFilesTest, EveryNumeralRecordShowsItsSignedNumber)
{
    const auto bytes = ReadAll(std::filesystem::path(TAVOLUX_BIN_DIR) / kDigitFileName);
    ASSERT_EQ(bytes.size(), 41U * 300U);
    for (int k = 0; k <= 40; ++k) {
        // Record 20 + m is -m (left of the centre), 20 - m is +m.
        const int value = 20 - k;
        const std::string ascii =
            value == 0 ? "0" : (value > 0 ? "+" : "-") + std::to_string(std::abs(value));
        const std::u32string text(ascii.begin(), ascii.end());
        const std::vector<uint8_t> record(bytes.begin() + k * 300, bytes.begin() + (k + 1) * 300);
        EXPECT_EQ(RecordInk(record, 15, 20), FontInk(face, text, kDigitEm)) << "record " << k;
    }
}

TEST_F(BuiltGlyphFilesTest, EveryLabelRecordShowsItsChannelAndGroup)
{
    const auto bytes = ReadAll(std::filesystem::path(TAVOLUX_BIN_DIR) / kLabelFileName);
    ASSERT_EQ(bytes.size(), 28U * 1200U);
    const std::u32string names[] = {U"黑 K", U"青 C", U"品 M", U"黄 Y", U"浅青 Lc", U"浅品 Lm"};
    for (int k = 0; k < 28; ++k) {
        const std::u32string name = k >= 24 ? U"白 W" : names[k % 6];
        const int group = k >= 24 ? k - 24 + 1 : k / 6 + 1;
        const std::u32string text = name + static_cast<char32_t>(U'0' + group);
        const std::vector<uint8_t> record(bytes.begin() + k * 1200, bytes.begin() + (k + 1) * 1200);
        const Ink ink = RecordInk(record, 30, 40);
        EXPECT_EQ(ink, FontInk(face, text, kLabelEm)) << "record " << k;
        // Centred, and clear of the record's edges so that a blit does not bleed.
        ASSERT_FALSE(ink.empty());
        EXPECT_LT(ink.front().size(), 240U - 4U);
        EXPECT_LT(ink.size(), 40U);
    }
}

}  // namespace
