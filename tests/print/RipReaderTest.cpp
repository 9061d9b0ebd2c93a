// The RIP reader: open errors, refused headers, short files, chunks, the blank window and the
// plane and white-ink copies.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>

#include "platform/RandomSource.h"
#include "print/PrintFixture.h"
#include "print/RipReader.h"

using namespace tavolux;

namespace {

std::string HeaderBytes(int xres, int yres, int bpl, int height, int width, int planes)
{
    std::string h(48, '\0');
    const int values[12] = {0, xres, yres, bpl, height, width, 0, planes, 0, 0, 0, 0};
    for (int i = 0; i < 12; ++i) {
        const auto v = static_cast<uint32_t>(values[i]);
        for (int b = 0; b < 4; ++b) {
            h[static_cast<size_t>(4 * i + b)] = static_cast<char>((v >> (8 * b)) & 0xFF);
        }
    }
    return h;
}

class RipReaderTest : public test::PrintFixture {
protected:
    // Rows for CopyPlane.
    std::vector<std::vector<uint8_t>> store;
    std::vector<uint8_t*> rows;
    void MakeRows(int count, int bytes)
    {
        store.assign(static_cast<size_t>(count),
                     std::vector<uint8_t>(static_cast<size_t>(bytes), 0x5A));
        rows.clear();
        for (auto& r : store) {
            rows.push_back(r.data());
        }
    }
};

}  // namespace

TEST_F(RipReaderTest, MissingAndShortFilesGiveTheirErrors)
{
    CRipReader reader;
    EXPECT_EQ(reader.OpenForPreview(f.dir.Path() / "none.prn"), kRipOpenFailed);
    EXPECT_FALSE(reader.ErrorText().empty());
    EXPECT_EQ(reader.OpenForPreview(f.dir.Write("short.prn", std::string(47, '\0'))),
              kRipShortHeader);
    EXPECT_FALSE(reader.IsOpen());
}

TEST_F(RipReaderTest, EveryHeaderFieldIsCappedAtWhatAPrinterCanUseBeforeAnythingIsAllocated)
{
    // 5 m at 720 dpi is 141732 pixels, 17717 bytes; 200 m at 360 dpi is 2834645 lines.
    struct Case {
        int xres, yres, bpl, height, width, planes;
        const char* field;  // the field named by the refusal, null: accepted
    };
    const Case cases[] = {
        {720, 360, 8, 10, 64, 4, nullptr},
        {2880, 2880, 70867, 0, 566929, 16, nullptr},
        {720, 360, 17717, 2834645, 141733, 1, nullptr},
        {0, 360, 8, 10, 64, 4, "XResolution"},
        {-720, 360, 8, 10, 64, 4, "XResolution"},
        {2881, 360, 8, 10, 64, 4, "XResolution"},
        {720, 0, 8, 10, 64, 4, "YResolution"},
        // A resolution without bound once made the pass listing scan millions of entries.
        {720, 2000000000, 8, 10, 64, 4, "YResolution"},
        {720, 360, 8, 10, 64, 0, "PlaneCount"},
        {720, 360, 8, 10, 64, 17, "PlaneCount"},
        {720, 360, 0, 10, 64, 4, "BytesPerPlaneLine"},
        {720, 360, -5, 10, 64, 4, "BytesPerPlaneLine"},
        {720, 360, 17718, 10, 64, 4, "BytesPerPlaneLine"},
        // 16 planes of 1 MiB lines once allocated 2.8 GB before the job found them too wide.
        {720, 360, 1 << 20, 10, 8, 16, "BytesPerPlaneLine"},
        {720, 360, 8, 10, 65, 4, "Width"},
        {720, 360, 8, 10, -1, 4, "Width"},
        {720, 360, 8, -1, 64, 4, "Height"},
        {720, 360, 8, 2834646, 64, 4, "Height"},
        // A 48-byte file announcing 2^31 - 1 lines once started an endless print.
        {720, 360, 8, 2147483647, 64, 4, "Height"},
    };
    for (const Case& c : cases) {
        const std::string name = std::to_string(&c - cases) + ".prn";
        const auto path =
            f.dir.Write(name, HeaderBytes(c.xres, c.yres, c.bpl, c.height, c.width, c.planes));
        SCOPED_TRACE(name);
        CRipReader preview;
        CRipReader print(&config);
        if (c.field == nullptr) {
            EXPECT_EQ(preview.OpenForPreview(path), kRipOk) << preview.ErrorText();
            continue;
        }
        ASSERT_EQ(preview.OpenForPreview(path), kRipBadHeader);
        EXPECT_FALSE(preview.IsOpen());
        EXPECT_NE(preview.ErrorText().find(std::string(c.field) + " "), std::string::npos)
            << preview.ErrorText();
        EXPECT_EQ(print.OpenForPrint(path, 0, 10, 0), kRipBadHeader);
        EXPECT_EQ(print.BufferBytes(), 0u);
        EXPECT_EQ(print.ReadChunk(1), 0);
    }
}

TEST_F(RipReaderTest, ALineThatDoesNotFitTheTransferBufferIsRefusedBeforeAllocating)
{
    // 2 Mi words a column: a line of 1000 bytes is 8000 columns, 2^34 words for one pass.
    config.params.HeadHoleNo = 1 << 21;
    const auto path = f.dir.Write("wide.prn", HeaderBytes(720, 360, 1000, 10, 8000, 4));
    CRipReader print(&config);
    EXPECT_EQ(print.OpenForPrint(path, 0, 10, 0), kRipBadHeader);
    EXPECT_NE(print.ErrorText().find("1000"), std::string::npos) << print.ErrorText();
    EXPECT_EQ(print.BufferBytes(), 0u);
    // The heads of the test printer take it.
    config.params.HeadHoleNo = 16;
    EXPECT_EQ(print.OpenForPrint(path, 0, 10, 0), kRipOk) << print.ErrorText();
    EXPECT_EQ(print.BufferBytes(), 2u * 35u * 4u * 1000u);
    // Without the heads only the header's own ranges apply.
    config.params.HeadHoleNo = 1 << 21;
    CRipReader preview;
    EXPECT_EQ(preview.OpenForPreview(path), kRipOk);
}

TEST_F(RipReaderTest, ShortFileReadsWholeLinesAndZeroFillsTheRest)
{
    // 3 planes x 2 bytes per line; the header announces 10 lines, the file holds 3.5.
    std::string body;
    for (int i = 0; i < 21; ++i) {
        body.push_back(static_cast<char>(i + 1));
    }
    auto path = f.dir.Write("short.prn", HeaderBytes(720, 600, 2, 10, 16, 3) + body);
    CRipReader reader;
    ASSERT_EQ(reader.OpenForPrint(path, 1, 4, 0), kRipOk);  // starts at line 1: byte 6
    EXPECT_EQ(reader.BufferLines(), 29);
    EXPECT_EQ(reader.ReadChunk(30), 0);
    EXPECT_EQ(reader.ReadChunk(4), 2);  // lines 1, 2 and half of line 3
    EXPECT_EQ(reader.ReadChunk(4), 0);
    // The first chunk is the one CopyPlane serves now; plane 0 is served to channel 3.
    MakeRows(4, 2);
    reader.CopyPlane(rows, 0, 4, 0, 3, 4);
    EXPECT_EQ(store[0], (std::vector<uint8_t>{7, 8}));
    EXPECT_EQ(store[1], (std::vector<uint8_t>{13, 14}));
    EXPECT_EQ(store[2], (std::vector<uint8_t>{19, 20}));  // the half line that arrived
    EXPECT_EQ(store[3], (std::vector<uint8_t>{0, 0}));
    // A step longer than the head keeps the newest rows of the chunk.
    reader.CopyPlane(rows, 1, 2, 0, 3, 4, 1);
    EXPECT_EQ(store[1], (std::vector<uint8_t>{13, 14}));
    EXPECT_EQ(store[2], (std::vector<uint8_t>{19, 20}));
    reader.CopyPlane(rows, 0, 1, 0, 3, 4);
    reader.CopyPlane(rows, 0, 3, 0, 0, 3);  // channel 0 (black) is file plane 3: absent
    EXPECT_EQ(store[0], (std::vector<uint8_t>{7, 8}));
    reader.CopyPlane(rows, 0, 2, 0, 1, 2);  // channel 1 (cyan) is file plane 2
    EXPECT_EQ(store[0], (std::vector<uint8_t>{11, 12}));
}

// The two chunk buffers are reused: after a long chunk, a shorter one in the same buffer leaves
// the long one's lines behind it. Rows asked for past the short chunk are blank, never those
// old lines. (A print job never asks for them: each pass copies the step it read; a test can.)
TEST_F(RipReaderTest, RowsPastAShortChunkAreBlankNotTheOlderLinesBehindIt)
{
    // 1 plane x 1 byte per line, 12 lines: line y holds the byte y + 1.
    std::string body;
    for (int y = 0; y < 12; ++y) {
        body.push_back(static_cast<char>(y + 1));
    }
    auto path = f.dir.Write("reuse.prn", HeaderBytes(300, 300, 1, 12, 8, 1) + body);
    CRipReader reader;
    ASSERT_EQ(reader.OpenForPrint(path, 0, 4, 0), kRipOk);
    struct Read {
        int lines;
        int got;
        std::vector<uint8_t> served;  // the rows CopyPlane then gives of the chunk before
    };
    // Buffers alternate: lines 0..3 to the first, 4..7 to the second, then 8..9 to the first
    // over lines 2..3, the file's last 2 lines (10, 11) of 4 asked for to the second over 6..7.
    const Read reads[] = {
        {4, 4, {}},
        {4, 4, {1, 2, 3, 4}},
        {2, 2, {5, 6, 7, 8}},
        {4, 2, {9, 10, 0, 0}},
        {1, 0, {11, 12, 0, 0}},
    };
    for (const Read& r : reads) {
        EXPECT_EQ(reader.ReadChunk(r.lines), r.got) << r.lines << " lines";
        if (r.served.empty()) {
            continue;
        }
        MakeRows(4, 1);
        reader.CopyPlane(rows, 0, 4, 0, 3, 4);  // file plane 0 is served to channel 3
        std::vector<uint8_t> served;
        for (const auto& row : store) {
            served.push_back(row[0]);
        }
        EXPECT_EQ(served, r.served) << "after reading " << r.lines << " lines";
    }
}

TEST_F(RipReaderTest, OffsetsBeyondFourGigabytesAreReached)
{
    // A sparse file: 2 planes of 64 KiB per line (a wide print at 2880 dpi); line 40000 starts
    // beyond 5 GB.
    const int bpl = 1 << 16;
    auto path = f.dir.Write("big.prn", HeaderBytes(2880, 600, bpl, 40001, bpl * 8, 2));
    const int64_t lineBytes = int64_t{2} * bpl;
    const int64_t offset = 48 + 40000 * lineBytes;
    std::error_code ec;
    std::filesystem::resize_file(path, static_cast<uintmax_t>(offset + lineBytes), ec);
    if (ec) {
        GTEST_SKIP() << "no sparse files here: " << ec.message();
    }
    {
        std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(offset + bpl);  // plane 1 of line 40000
        out.write("\x42", 1);
    }
    CRipReader reader;
    ASSERT_EQ(reader.OpenForPrint(path, 40000, 1, 0), kRipOk);
    EXPECT_EQ(reader.FileLength(), static_cast<uint64_t>(offset + lineBytes));
    EXPECT_EQ(reader.AnnouncedLength(), reader.FileLength());
    ASSERT_EQ(reader.ReadChunk(1), 1);
    EXPECT_EQ(reader.ReadChunk(1), 0);  // read ahead: the copy serves the chunk before
    MakeRows(1, bpl);
    reader.CopyPlane(rows, 0, 1, 0, 2, 1);  // channel 2 reads file plane 1
    EXPECT_EQ(store[0][0], 0x42);
}

TEST_F(RipReaderTest, BlankWindowKeepsTheSmallestMarginsOfEachChunk)
{
    CRipImage image(80, 6, 2, 720, 600);  // 10 bytes per plane line
    image.PlaneLine(2, 1)[9] = 0x01;      // chunk 1: only the last byte of one plane line
    image.PlaneLine(4, 0)[3] = 0x10;      // chunk 2: bytes 3 ...
    image.PlaneLine(5, 1)[6] = 0x80;      // ... and 6 set in different lines
    auto path = WriteImage(image);
    CRipReader reader;
    ASSERT_EQ(reader.OpenForPrint(path, 0, 2, 1), kRipOk);
    reader.ResetBlankWindow(2, 1);
    EXPECT_EQ(reader.BlankWindow().size(), 3u);
    EXPECT_TRUE(reader.IsHeadAreaBlank());
    ASSERT_EQ(reader.ReadChunk(2), 2);
    EXPECT_EQ(reader.BlankWindow().back(), (std::pair{10, 10}));
    ASSERT_EQ(reader.ReadChunk(2), 2);
    EXPECT_EQ(reader.BlankWindow().back(), (std::pair{9, 0}));
    EXPECT_TRUE(reader.IsHeadAreaBlank());  // pairs 0 and 1 are still blank
    EXPECT_FALSE(reader.IsHeadAreaBlankAfterFirst());
    ASSERT_EQ(reader.ReadChunk(2), 2);
    EXPECT_EQ(reader.BlankWindow().back(), (std::pair{3, 3}));
    EXPECT_EQ(reader.BlankWindow().size(), 3u);
    int left = 0;
    int right = 0;
    reader.GetBlankMargins(left, right);
    EXPECT_EQ(left, 3);
    EXPECT_EQ(right, 0);
    EXPECT_FALSE(reader.IsHeadAreaBlank());

    CRipReader off;
    ASSERT_EQ(off.OpenForPrint(path, 0, 2, 0), kRipOk);
    off.ResetBlankWindow(2, 1);
    off.ReadChunk(2);
    EXPECT_TRUE(off.BlankWindow().empty());
}

TEST_F(RipReaderTest, WhiteInkFromTheFileOrGeneratedAtTheConfiguredDensity)
{
    auto& p = config.params;
    p.IfPrintWhite = 1;
    p.ColorNo = 5;
    p.WhiteColorNo = 1;
    CRipImage five(16, 2, 5, 720, 600);
    five.PlaneLine(0, 4)[0] = 0xC3;
    five.PlaneLine(0, 0)[0] = 0x11;  // yellow feeds channel 3
    CRipImage six(16, 2, 6, 720, 600);
    six.PlaneLine(0, 4)[0] = 0xC3;
    auto fivePath = WriteImage(five, "five.prn");
    auto sixPath = WriteImage(six, "six.prn");
    CRandomSource random(7);
    CRipReader reader(&config, &random);
    MakeRows(6, 2);

    p.WhiteHeadDataSource = 1;
    ASSERT_EQ(reader.OpenForPrint(fivePath, 0, 2, 0), kRipOk);
    reader.ReadChunk(2);
    reader.ReadChunk(2);
    reader.CopyPlane(rows, 0, 1, 0, 4, 1);
    EXPECT_EQ(store[0][0], 0xC3);
    reader.CopyPlane(rows, 0, 1, 0, 3, 1);
    EXPECT_EQ(store[0][0], 0x11);
    ASSERT_EQ(reader.OpenForPrint(sixPath, 0, 2, 0), kRipOk);
    reader.ReadChunk(2);
    reader.ReadChunk(2);
    MakeRows(6, 2);
    reader.CopyPlane(rows, 0, 1, 0, 4, 1);
    EXPECT_EQ(store[0][0], 0x5A) << "a six-plane file has no white plane";

    p.WhiteHeadDataSource = 0;
    const auto levelBytes = [&](int level) {
        p.WhiteInkThickness = level;
        std::set<int> seen;
        for (int round = 0; round < 40; ++round) {
            MakeRows(6, 2);
            reader.CopyPlane(rows, 0, 6, 0, 4, 4);
            for (int r = 0; r < 6; ++r) {
                EXPECT_EQ(store[static_cast<size_t>(r)][0], store[static_cast<size_t>(r)][1])
                    << "one byte per row";
                if (r < 4) {
                    seen.insert(store[static_cast<size_t>(r)][0]);
                } else {
                    EXPECT_EQ(store[static_cast<size_t>(r)][0], 0)
                        << "rows past the data are blank";
                }
            }
        }
        return seen;
    };
    EXPECT_EQ(levelBytes(4), (std::set<int>{0xAA, 0x55, 0xCC, 0x99}));
    EXPECT_EQ(levelBytes(1), (std::set<int>{0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}));
    EXPECT_EQ(levelBytes(3), (std::set<int>{0x98, 0x91, 0x49, 0x54}));
    EXPECT_EQ(levelBytes(9), (std::set<int>{0xFF}));
    for (int level = 1; level <= 7; ++level) {
        for (int round = 0; round < 20; ++round) {
            EXPECT_EQ(__builtin_popcount(CRipReader::WhiteByte(level, random)), level);
        }
    }
    MakeRows(6, 2);
    reader.CopyPlane(rows, 0, 6, 0, 4, 0);
    for (const auto& row : store) {
        EXPECT_EQ(row, (std::vector<uint8_t>{0, 0}));
    }
}
