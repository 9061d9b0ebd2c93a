// The drawing operations of a head channel: spans, columns, row spans and glyph copies, with
// the left margin, the nozzle routing and clipping at every edge.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "print/HeadChannel.h"

using namespace tavolux;

namespace {

using Pixels = std::set<std::pair<int, int>>;  // (head-window row, pixel of the whole row)

// A channel of `groups` groups of 8 nozzle rows, a 2-byte left strip, 8 image bytes and a
// 1-byte right strip; group 1 has no head when `missingGroup1`.
CHeadChannel MakeChannel(int groups = 2, bool missingGroup1 = false, int groupRows = 8)
{
    CHeadChannel channel(0, true, false);
    std::vector<HeadGroup> list;
    for (int g = 0; g < groups; ++g) {
        HeadGroup group;
        group.group = g;
        group.slot = missingGroup1 && g == 1 ? -1 : g;
        group.printed = group.slot >= 0;
        group.bit = static_cast<uint16_t>(1U << g);
        list.push_back(group);
    }
    StripSettings strips;
    strips.leftBytes = 2;
    strips.rightBytes = 1;
    channel.Init(groupRows * groups, 1, 8, strips, groupRows, list, 11 * 8);
    return channel;
}

Pixels SetPixels(const CHeadChannel& channel)
{
    Pixels out;
    const auto rows = channel.Rows();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        for (int x = 0; x < channel.RowBytes() * 8; ++x) {
            if ((rows[static_cast<size_t>(r)][x / 8] & (0x80 >> (x % 8))) != 0) {
                out.insert({r, x});
            }
        }
    }
    return out;
}

Pixels Span(int row, int from, int to)
{
    Pixels p;
    for (int x = from; x <= to; ++x) {
        p.insert({row, x});
    }
    return p;
}

Pixels Join(std::initializer_list<Pixels> parts)
{
    Pixels out;
    for (const auto& p : parts) {
        out.insert(p.begin(), p.end());
    }
    return out;
}

struct DrawCase {
    const char* name;
    std::function<void(CHeadChannel&)> draw;
    Pixels expected;  // pixels of the whole row: image pixel x is row pixel x + 16
};

const std::vector<uint8_t> kFull(3, 0xFF);

TEST(HeadChannelDrawTest, DrawsWhatFallsInsideAndNothingElse)
{
    const std::vector<DrawCase> cases = {
        {"span", [](CHeadChannel& c) { c.DrawNozzleSpan(0, 3, 5, 9); }, Span(3, 21, 25)},
        {"span of group 1", [](CHeadChannel& c) { c.DrawNozzleSpan(1, 0, 0, 0); }, Span(8, 16, 16)},
        {"empty span", [](CHeadChannel& c) { c.DrawNozzleSpan(0, 3, 9, 5); }, {}},
        {"span left of the image", [](CHeadChannel& c) { c.DrawNozzleSpan(0, 1, -20, 2); },
         Span(1, 16, 18)},
        {"span past the image", [](CHeadChannel& c) { c.DrawNozzleSpan(0, 1, 60, 500); },
         Span(1, 76, 79)},
        {"nozzle the head lacks",
         [](CHeadChannel& c) {
             c.DrawNozzleSpan(0, 8, 0, 5);
             c.DrawNozzleSpan(0, -1, 0, 5);
         },
         {}},
        {"group the arrangement lacks", [](CHeadChannel& c) { c.DrawNozzleSpan(2, 0, 0, 5); }, {}},
        {"column", [](CHeadChannel& c) { c.DrawColumn(1, 4, 6, 7); },
         Join({Span(14, 20, 20), Span(15, 20, 20)})},
        {"column past the head", [](CHeadChannel& c) { c.DrawColumn(0, 0, 6, 40); },
         Join({Span(6, 16, 16), Span(7, 16, 16)})},
        {"row span counts rows directly", [](CHeadChannel& c) { c.DrawRowSpan(15, 0, 1); },
         Span(15, 16, 17)},
        {"row span outside the window",
         [](CHeadChannel& c) {
             c.DrawRowSpan(16, 0, 1);
             c.DrawRowSpan(-1, 0, 1);
         },
         {}},
        // A tick and its base line share one pixel.
        {"crossing lines",
         [](CHeadChannel& c) {
             c.DrawColumn(0, 10, 0, 7);
             c.DrawNozzleSpan(0, 4, 5, 15);
         },
         Join({Span(0, 26, 26), Span(1, 26, 26), Span(2, 26, 26), Span(3, 26, 26), Span(4, 21, 31),
               Span(5, 26, 26), Span(6, 26, 26), Span(7, 26, 26)})},
        // x = 13 with a margin of 2 bytes: row pixel 29, in byte 3; the glyph starts at 24.
        {"glyph starts at the byte of x",
         [](CHeadChannel& c) { c.BlitGlyph(0, 13, 2, kFull.data(), 1, 2); },
         Join({Span(2, 24, 31), Span(3, 24, 31)})},
        {"glyph rows past the head are dropped",
         [](CHeadChannel& c) { c.BlitGlyph(1, 0, 6, kFull.data(), 1, 3); },
         Join({Span(14, 16, 23), Span(15, 16, 23)})},
        {"glyph bytes past the image are dropped",
         [](CHeadChannel& c) { c.BlitGlyph(0, 56, 0, kFull.data(), 3, 1); }, Span(0, 72, 79)},
    };
    for (const auto& c : cases) {
        CHeadChannel channel = MakeChannel();
        c.draw(channel);
        EXPECT_EQ(SetPixels(channel), c.expected) << c.name;
    }
}

TEST(HeadChannelDrawTest, GlyphReplacesWhatItCoversInItsByteColumns)
{
    CHeadChannel channel = MakeChannel();
    channel.DrawNozzleSpan(0, 0, 0, 63);
    channel.DrawNozzleSpan(0, 1, 0, 63);
    const uint8_t glyph[2] = {0x81, 0x00};
    channel.BlitGlyph(0, 17, 0, glyph, 2, 1);  // image bytes 2 and 3
    EXPECT_EQ(SetPixels(channel), Join({Span(0, 16, 31), Span(0, 32, 32), Span(0, 39, 39),
                                        Span(0, 48, 79), Span(1, 16, 79)}));
    // Merged, the glyph's blank bits leave a line through its byte columns whole.
    CHeadChannel merged = MakeChannel();
    merged.DrawNozzleSpan(0, 0, 20, 40);
    merged.BlitGlyph(0, 17, 0, glyph, 2, 1, GlyphInk::Merge);
    EXPECT_EQ(SetPixels(merged), Join({Span(0, 32, 32), Span(0, 36, 56)}));
}

TEST(HeadChannelDrawTest, NumeralAtANegativeXKeepsItsVisiblePart)
{
    // At half scale a numeral centred under a tick near the left edge starts left of the image:
    // its bytes left of the image are dropped and the rest lands where it belongs, at the byte
    // at or left of x (x = -45 is byte -6 of the image, so image byte 0 takes glyph byte 6).
    std::vector<uint8_t> glyph(15);
    for (size_t i = 0; i < glyph.size(); ++i) {
        glyph[i] = static_cast<uint8_t>(1U << (i % 8));
    }
    CHeadChannel channel = MakeChannel();
    channel.BlitGlyph(0, -45, 0, glyph.data(), 15, 1);
    const uint8_t* row = channel.Rows()[0];
    EXPECT_EQ(row[0], 0) << "the left strip is not the image";
    EXPECT_EQ(row[1], 0);
    for (int b = 0; b < 8; ++b) {
        EXPECT_EQ(row[2 + b], glyph[static_cast<size_t>(6 + b)]) << b;
    }
    EXPECT_EQ(row[10], 0) << "the right strip";
}

TEST(HeadChannelDrawTest, ClearingBlanksTheRows)
{
    CHeadChannel channel = MakeChannel();
    channel.DrawColumn(0, 3, 0, 7);
    channel.ClearRows();
    EXPECT_TRUE(SetPixels(channel).empty());
}

TEST(HeadChannelDrawTest, MissingHeadsAndForbiddenNozzlesDrawNothing)
{
    CHeadChannel missing = MakeChannel(2, true);
    missing.DrawColumn(1, 0, 0, 7);
    missing.BlitGlyph(1, 0, 0, kFull.data(), 1, 3);
    EXPECT_TRUE(SetPixels(missing).empty());

    // Heads of 8 nozzles of which 6 rows print: nozzles 6 and 7 are blocked off.
    CHeadChannel forbidden = MakeChannel(2, false, 6);
    LayoutParams layout;
    layout.headHoleNo = 8;
    layout.groupRows = 6;
    forbidden.SetNozzleLayout(layout);
    forbidden.DrawColumn(0, 0, 0, 7);
    forbidden.DrawColumn(1, 1, 5, 7);
    Pixels expected;
    for (int r = 0; r < 6; ++r) {
        expected.insert({r, 16});
    }
    expected.insert({11, 17});
    EXPECT_EQ(SetPixels(forbidden), expected);
}

TEST(HeadChannelDrawTest, ReversedHeadsDrawNozzleZeroOnTheirLastRow)
{
    CHeadChannel channel = MakeChannel(2);
    LayoutParams layout;
    layout.layout = TransferLayout::k4x4;  // odd groups mounted upside down
    layout.headHoleNo = 8;
    layout.groupRows = 8;
    channel.SetNozzleLayout(layout);
    channel.DrawNozzleSpan(0, 0, 0, 0);
    channel.DrawNozzleSpan(1, 0, 1, 1);
    // Nozzles 6 and 7 of the reversed group lie on rows 9 and 8: the glyph's first row goes to
    // nozzle 7, the upper row on the media, so that the glyph reads upright.
    const uint8_t glyph[2] = {0xF0, 0x0F};
    channel.BlitGlyph(1, 8, 6, glyph, 1, 2);
    channel.BlitGlyph(0, 16, 6, glyph, 1, 2);
    EXPECT_EQ(SetPixels(channel), Join({Span(0, 16, 16), Span(15, 17, 17), Span(8, 24, 27),
                                        Span(9, 28, 31), Span(6, 32, 35), Span(7, 36, 39)}));
}

}  // namespace
