// The virtual printer's sheet, driven packet by packet as the printer's side sees the wire:
// where a nozzle word's bit lands, how feeds move the sheet, and what is written out.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "device/Protocol.h"
#include "sim/VirtualPrinter.h"
#include "support/TempDir.h"

using namespace tavolux;
using namespace tavolux::sim;

namespace {

// One channel, two groups of four nozzles at 254 dpi: a pulse is 0.1 mm (one line) in both
// directions, with no run-up, so that pixels and pulses are easy to count.
PrinterHeads SmallHeads(BoardWiring wiring = BoardWiring::k4x2, int board = 0)
{
    PrinterHeads h;
    h.wiring = wiring;
    h.boardVersion = board;
    h.nozzles = 4;
    h.groupRows = 4;
    h.channels = 1;
    h.groups = 2;
    h.heads = {HeadMount{0, 0, 0, -1, 0.0}, HeadMount{0, 1, 1, -1, 0.0}};
    h.inks = {{{0, 0, 0}}};
    h.mmPerPulseX = 0.1;
    h.mmPerPulseY = 0.1;
    h.rasterResolution = 254;
    h.printerResolution = 254;
    return h;
}

class MediaSheetTest : public ::testing::Test {
protected:
    void SetUp() override { printer.LoadMedia(SmallHeads(), 254, 254); }

    void Command(std::vector<uint8_t> bytes)
    {
        int moved = 0;
        ASSERT_EQ(
            printer.Write(wire::kCommandOut, bytes.data(), static_cast<int>(bytes.size()), moved),
            TransportError::None);
    }
    void U24(uint8_t code, int32_t v)
    {
        Command({code, static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                 static_cast<uint8_t>(v >> 16)});
    }
    // Sends `columns` columns of 4 words; word (column, nozzle) carries bits.
    void Raster(const std::vector<std::array<uint16_t, 4>>& columns)
    {
        std::vector<uint8_t> bytes;
        for (const auto& column : columns) {
            for (const uint16_t w : column) {
                bytes.push_back(static_cast<uint8_t>(w));
                bytes.push_back(static_cast<uint8_t>(w >> 8));
            }
        }
        int moved = 0;
        ASSERT_EQ(
            printer.Write(wire::kDataOut, bytes.data(), static_cast<int>(bytes.size()), moved),
            TransportError::None);
    }
    // A pass header: data start 1 (no run-up), width, direction, travel, feed after.
    void Header(int width, bool forward, int feedAfter)
    {
        Command({wire::cmd::kPassDataStart, 1, 0});
        U24(wire::cmd::kPassWidth, width);
        U24(forward ? wire::cmd::kPassForward : wire::cmd::kPassBackward, width);
        U24(wire::cmd::kPassOffset, feedAfter);
    }

    CVirtualPrinter printer{true};
};

// A header's feed moves the media before its pass is printed, or, on a printer set up so,
// after it.
struct Pairing {
    bool feedAfterPass;
    int between;  // lines between the two passes of a test
};

TEST_F(MediaSheetTest, BitsLandUnderTheirNozzleAndTheMediaMovesByTheFeeds)
{
    // The passes' headers carry 2 and 3: the second pass lies 3 lines on when each header
    // feeds before its pass, 2 when it feeds after.
    for (const Pairing pairing : {Pairing{false, 3}, Pairing{true, 2}}) {
        PrinterHeads heads = SmallHeads();
        heads.feedAfterPass = pairing.feedAfterPass;
        printer.LoadMedia(heads, 254, 254);
        // Column 0: nozzle 2 of group 0; column 2: nozzle 1 of group 1.
        Raster({{0, 0, 1, 0}, {0, 0, 0, 0}, {0, 2, 0, 0}});
        Header(3, true, 2);
        // A backward pass of the same width: its first column is the rightmost.
        Raster({{1, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}});
        Header(3, false, 3);
        const CMediaSheet sheet = printer.Sheet();
        const int b = pairing.between;
        EXPECT_EQ(sheet.Passes(), 2);
        EXPECT_EQ(sheet.DropsAt(0, 0, 2), 1) << b;
        EXPECT_EQ(sheet.DropsAt(0, 2, 4 + 1), 1) << b;
        EXPECT_EQ(sheet.DropsAt(0, 2, b + 0), 1) << "the backward pass, " << b << " lines on";
        EXPECT_EQ(sheet.Tally()[0].drops, 3);
        EXPECT_EQ(sheet.Height(), b + 8);
        EXPECT_EQ(sheet.Width(), 3);
        EXPECT_EQ(sheet.OutsideDrops(), 0);
    }
}

// A job of k times the nozzle resolution has its nozzle rows k lines apart on the sheet; a feed
// moves it by lines of the job's resolution.
TEST_F(MediaSheetTest, NozzleRowsLieTheJobsInterlaceApart)
{
    struct Row {
        int yDpi;
        int interlace;
    };
    for (const Row row : {Row{254, 1}, Row{0, 1}, Row{508, 2}, Row{762, 3}, Row{1016, 4},
                          Row{1524, 6}, Row{520, 2}}) {
        printer.LoadMedia(SmallHeads(), 254, row.yDpi);
        // Column 0: nozzle 2 of group 0; column 1: nozzle 1 of group 1; then one pulse on.
        Raster({{0, 0, 1, 0}, {0, 2, 0, 0}});
        Header(2, true, 0);
        Raster({{1, 0, 0, 0}, {0, 0, 0, 0}});
        Header(2, true, 1);
        const CMediaSheet sheet = printer.Sheet();
        const int k = row.interlace;
        EXPECT_EQ(sheet.Interlace(), k) << row.yDpi;
        EXPECT_EQ(sheet.DropsAt(0, 0, 2 * k), 1) << row.yDpi;
        EXPECT_EQ(sheet.DropsAt(0, 1, (4 + 1) * k), 1) << row.yDpi;
        // One pulse of 0.1 mm at the job's resolution.
        const int pulse = static_cast<int>(std::lround(0.1 / 25.4 * sheet.YResolution()));
        EXPECT_EQ(sheet.DropsAt(0, 0, pulse), 1) << row.yDpi;
        EXPECT_EQ(sheet.Tally()[0].drops, 3) << row.yDpi;
    }
}

// Where a pass lands is the feed since the first pass, rounded once: it does not depend on
// where the media stood before the first pass, even where a pulse is a fraction of a line.
TEST_F(MediaSheetTest, APassLandsByTheFeedSinceTheFirstPassWhereverTheMediaStarted)
{
    // A pulse of 0.06 mm is 0.6 lines at 254 dpi: 3 pulses are 1.8 lines, rounded to 2.
    for (const int lead : {0, 1, 2, 3, 4, 7}) {
        PrinterHeads heads = SmallHeads();
        heads.mmPerPulseY = 0.06;
        printer.LoadMedia(heads, 254, 254);
        U24(wire::cmd::kPassOffset, lead);
        Raster({{1, 0, 0, 0}});
        Header(1, true, 0);
        Raster({{1, 0, 0, 0}});
        Header(1, true, 3);
        const CMediaSheet sheet = printer.Sheet();
        EXPECT_EQ(sheet.DropsAt(0, 0, 0), 1) << lead;
        EXPECT_EQ(sheet.DropsAt(0, 0, 2), 1) << lead;
        EXPECT_EQ(sheet.Tally()[0].pixelsOnce, 2) << lead;
    }
}

// Lone feeds between two passes: the offset moves the media on, the back feed moves it back,
// except where the back feed's byte is the pass feed: then it only ever moves on.
TEST_F(MediaSheetTest, LoneFeedsMoveTheMediaByTheirByte)
{
    for (const bool feedCodeE1 : {false, true}) {
        PrinterHeads heads = SmallHeads();
        heads.feedCodeE1 = feedCodeE1;
        printer.LoadMedia(heads, 254, 254);
        Raster({{1, 0, 0, 0}});
        Header(1, true, 0);
        U24(wire::cmd::kPassOffset, 10);
        U24(wire::cmd::kPassControlE1, 15);
        Raster({{1, 0, 0, 0}});
        Header(1, true, 0);
        const CMediaSheet sheet = printer.Sheet();
        // Back 5 lines: the sheet grew upwards; on 25 lines otherwise.
        EXPECT_EQ(sheet.FirstPassLine(), feedCodeE1 ? 0 : 5);
        EXPECT_EQ(sheet.DropsAt(0, 0, feedCodeE1 ? 25 : 0), 1);
        EXPECT_EQ(sheet.DropsAt(0, 0, feedCodeE1 ? 0 : 5), 1);
        EXPECT_EQ(sheet.Tally()[0].pixelsOnce, 2);
    }
}

TEST_F(MediaSheetTest, APassWaitsForItsRasterAndLaterFeedsWaitForThePass)
{
    // The header's 2 lines go before or after its pass; the lone feed of 1 that follows the
    // header comes after the pass either way.
    for (const Pairing pairing : {Pairing{false, 1}, Pairing{true, 3}}) {
        PrinterHeads heads = SmallHeads();
        heads.feedAfterPass = pairing.feedAfterPass;
        printer.LoadMedia(heads, 254, 254);
        Header(1, true, 2);  // the raster comes later
        U24(wire::cmd::kPassOffset, 1);
        EXPECT_EQ(printer.Sheet().Passes(), 0);
        Raster({{0, 1, 0, 0}});
        Raster({{0, 1, 0, 0}});
        Header(1, true, 0);
        const CMediaSheet sheet = printer.Sheet();
        EXPECT_EQ(sheet.Passes(), 2);
        EXPECT_EQ(sheet.DropsAt(0, 0, 1), 1);
        EXPECT_EQ(sheet.DropsAt(0, 0, 1 + pairing.between), 1) << pairing.feedAfterPass;
        EXPECT_EQ(sheet.Tally()[0].drops, 2);
    }
}

TEST_F(MediaSheetTest, BoardWiringDecidesWhichWordANozzleReads)
{
    // Older boards read nozzle 0 from word 1, nozzle 1 from word 3, 2 from 0, 3 from 2.
    printer.LoadMedia(SmallHeads(BoardWiring::k4x2, 1), 254, 254);
    // Word 0: nozzle 2 of group 0; word 1: nozzle 0 of group 1; word 3: nozzle 1 of group 0.
    Raster({{1, 2, 0, 1}});
    Header(1, true, 0);
    const CMediaSheet sheet = printer.Sheet();
    EXPECT_EQ(sheet.DropsAt(0, 0, 2), 1);
    EXPECT_EQ(sheet.DropsAt(0, 0, 1), 1);
    EXPECT_EQ(sheet.DropsAt(0, 0, 4), 1);
    EXPECT_EQ(sheet.Tally()[0].drops, 3);

    // Upside-down odd groups: nozzle 0 of group 1 wets the group's last row.
    printer.LoadMedia(SmallHeads(BoardWiring::k4x4, 3), 254, 254);
    Raster({{2, 0, 0, 0}});
    Header(1, true, 0);
    EXPECT_EQ(printer.Sheet().DropsAt(0, 0, 4 + 3), 1);
}

TEST_F(MediaSheetTest, ItWritesBitmapsPictureAndSummaryAndAResetStartsANewSheet)
{
    test::TempDir dir;
    Raster({{1, 0, 0, 0}, {1, 0, 0, 0}});
    Header(2, true, 0);
    Raster({{1, 0, 0, 0}, {0, 0, 0, 0}});
    Header(2, true, 0);  // the same spot again
    std::string error;
    ASSERT_TRUE(printer.WriteMedia(dir.Path() / "out", error)) << error;
    std::ifstream pbm(dir.Path() / "out/channel_0.pbm", std::ios::binary);
    std::string magic;
    int w = 0;
    int h = 0;
    pbm >> magic >> w >> h;
    pbm.get();
    EXPECT_EQ(magic, "P4");
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 8);
    EXPECT_EQ(pbm.get(), 0xC0) << "both pixels of the first line are inked";
    const std::string summary = dir.Read("out/summary.json");
    EXPECT_NE(summary.find("\"passes\": 2"), std::string::npos) << summary;
    EXPECT_NE(summary.find("{\"index\": 0, \"drops\": 3, \"pixels_once\": 1, \"pixels_more\": 1}"),
              std::string::npos)
        << summary;
    EXPECT_EQ(dir.Read("out/sheet.png").substr(1, 3), "PNG");

    // A file where the folder should be: a clear refusal.
    dir.Write("taken", "x");
    EXPECT_FALSE(printer.WriteMedia(dir.Path() / "taken", error));
    EXPECT_NE(error.find("taken"), std::string::npos) << error;

    // With a media-out folder, the end of a job writes the sheet and a reset starts a new one.
    printer.SetMediaOut(dir.Path() / "auto");
    Command({wire::cmd::kEndJob});
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "auto/summary.json"));
    Command({wire::cmd::kReset});
    EXPECT_EQ(printer.Sheet().Passes(), 0);
    EXPECT_EQ(printer.Control("sheet status"), "passes=0 width=0 height=0 outside=0");
}

TEST(MediaSheetControl, SheetLinesNeedMediaAndSayWhatIsWrong)
{
    CVirtualPrinter printer(true);
    EXPECT_EQ(printer.Control("sheet status").rfind("error: no media", 0), 0u);
    printer.LoadMedia(SmallHeads(), 254, 254);
    EXPECT_EQ(printer.Control("sheet new"), "ok");
    EXPECT_EQ(printer.Control("sheet write").rfind("error: no folder", 0), 0u);
    EXPECT_EQ(printer.Control("sheet fold").rfind("error:", 0), 0u);
    // Heads the printer cannot print with print nothing, and say so.
    PrinterHeads broken = SmallHeads();
    broken.heads[0].bit = 16;
    EXPECT_FALSE(broken.Problem().empty());
}

}  // namespace
