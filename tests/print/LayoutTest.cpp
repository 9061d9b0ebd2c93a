// Transfer layouts: the routing table, and where each layout puts a nozzle's pixel (checked
// through both merges).
#include <gtest/gtest.h>

#include "print/FastMerge.h"
#include "print/LiteralMerge.h"
#include "print/MergeHarness.h"

using namespace tavolux;

TEST(TransferLayout, RoutingByHeadArrangement)
{
    using L = TransferLayout;
    EXPECT_EQ(SelectLayout(4, 2, 1, 0), L::k4x2);
    EXPECT_EQ(SelectLayout(6, 2, 2, 0), L::k6x2);
    EXPECT_EQ(SelectLayout(4, 3, 1, 0), L::k4x3);
    EXPECT_EQ(SelectLayout(5, 2, 0, 0), L::k5x2);
    EXPECT_EQ(SelectLayout(4, 4, 3, 0), L::k4x4);
    EXPECT_EQ(SelectLayout(8, 2, 4, 0), L::k8x2);
    EXPECT_EQ(SelectLayout(4, 2, 3, 0), L::k4x4);
    EXPECT_EQ(SelectLayout(4, 2, 3, 1), L::k4x2);
    EXPECT_EQ(SelectLayout(6, 2, 3, 0), L::k4x4);
    EXPECT_EQ(SelectLayout(6, 1, 3, 0), L::k4x2);
    EXPECT_EQ(SelectLayout(4, 1, 1, 0), L::k4x2);
}

TEST(TransferLayout, TransferSizes)
{
    LayoutParams l;
    l.headHoleNo = 256;
    EXPECT_EQ(l.TransferWords(10), 2560);
    l.headHoleNo = 128;
    EXPECT_EQ(l.TransferWords(10), 2560);
    EXPECT_EQ(l.ColumnWords(), 256);
    l.halves = true;
    EXPECT_EQ(l.ColumnWords(), 64);
    l.headHoleNo = 256;
    EXPECT_EQ(l.TransferWords(10), 1280);
}

namespace {

struct Hit {
    size_t index;
    uint16_t bits;
};

// The words set when only pixel x of head-window row `row` is inked.
std::vector<Hit> Hits(test::MergeHarness& h, CChannelMerger& merger, int row, int x,
                      bool leftToRight = true, int channel = 0)
{
    for (auto& r : h.store) {
        std::fill(r.begin(), r.end(), uint8_t{0});
    }
    h.store[static_cast<size_t>(row)][static_cast<size_t>(x / 8)] =
        static_cast<uint8_t>(0x80 >> (x % 8));
    const auto words = h.Merge(merger, h.Input(channel, leftToRight, 0, 1, kMaskNone, 0));
    std::vector<Hit> hits;
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] != 0) {
            hits.push_back({i, words[i]});
        }
    }
    return hits;
}

struct Case {
    const char* what;
    TransferLayout layout;
    int holes;
    int printVer;
    bool halves;
    int groups;
    int white;  // 0 none, 1 style 0, 2 style 1
    int row;    // head-window row inked
    int x;
    size_t index;   // expected word
    uint16_t bits;  // expected bits (group g owns bit 2g, its second half bit 2g+1)
};

}  // namespace

TEST(TransferLayout, WordPositionsOfEveryLayout)
{
    using L = TransferLayout;
    const std::vector<Case> cases = {
        {"4x2 256 v1 n0", L::k4x2, 256, 1, false, 2, 0, 0, 0, 1, 1},
        {"4x2 256 v1 n1", L::k4x2, 256, 1, false, 2, 0, 1, 0, 3, 1},
        {"4x2 256 v1 n2", L::k4x2, 256, 1, false, 2, 0, 2, 0, 0, 1},
        {"4x2 256 v1 n7 col 2", L::k4x2, 256, 1, false, 2, 0, 7, 2, 6 + 2 * 256, 1},
        {"4x2 256 v3 n5", L::k4x2, 256, 3, false, 2, 0, 5, 0, 5, 1},
        {"4x2 256 group 1", L::k4x2, 256, 3, false, 2, 0, 256 + 9, 1, 9 + 256, 4},
        {"4x2 128 n0", L::k4x2, 128, 1, false, 2, 0, 0, 0, 1, 1},
        {"4x2 128 n1", L::k4x2, 128, 1, false, 2, 0, 1, 0, 0, 1},
        {"4x2 128 n3 col 1", L::k4x2, 128, 3, false, 2, 0, 3, 1, 4 + 256, 1},
        {"6x2 128 g1 n0", L::k6x2, 128, 1, false, 2, 0, 128, 0, 3, 4},
        {"6x2 128 g1 n1", L::k6x2, 128, 1, false, 2, 0, 129, 0, 2, 4},
        {"6x2 128 g1 n127", L::k6x2, 128, 1, false, 2, 0, 255, 0, 254, 4},
        {"6x2 256 v1 n1", L::k6x2, 256, 1, false, 2, 0, 1, 0, 3, 1},
        {"4x3 128 g2 n0", L::k4x3, 128, 1, false, 3, 0, 256, 0, 1, 16},
        {"4x3 128 g1 n2", L::k4x3, 128, 1, false, 3, 0, 130, 0, 7, 4},
        {"4x3 256 v1 n1", L::k4x3, 256, 1, false, 3, 0, 1, 0, 0, 1},
        {"4x3 256 v1 n2", L::k4x3, 256, 1, false, 3, 0, 2, 0, 3, 1},
        {"5x2 256 v3 quads", L::k5x2, 256, 3, false, 2, 0, 2, 0, 0, 1},
        {"5x2 128 g1 n0", L::k5x2, 128, 1, false, 2, 0, 128, 0, 3, 4},
        {"5x2 white style 0 last row", L::k5x2, 256, 3, false, 2, 1, 239, 0, 238, 1},
        {"5x2 white style 0 next group", L::k5x2, 256, 3, false, 2, 1, 240, 0, 1, 4},
        {"5x2 white style 1 reversed mirrored", L::k5x2, 256, 3, false, 2, 2, 0, 0, 254 + 23 * 256,
         1},
        {"8x2 even group", L::k8x2, 256, 3, false, 2, 0, 3, 0, 3, 1},
        {"8x2 odd group reversed", L::k8x2, 256, 3, false, 2, 0, 256, 0, 255, 4},
        {"8x2 128", L::k8x2, 128, 3, false, 2, 0, 1, 0, 0, 1},
        {"8x2 style 1 odd group", L::k8x2, 256, 3, false, 2, 2, 256, 0, 23 * 256, 4},
        {"8x2 style 1 even group", L::k8x2, 256, 3, false, 2, 2, 0, 1, 255 + 22 * 256, 1},
        {"4x4 odd group reversed", L::k4x4, 256, 1, false, 4, 0, 256, 0, 255, 4},
        {"4x4 no v1 reorder", L::k4x4, 256, 1, false, 4, 0, 2, 0, 2, 1},
        {"4x4 group 3", L::k4x4, 256, 3, false, 4, 0, 3 * 256 + 10, 0, 245, 64},
        {"halves even nozzle", L::k4x2, 256, 3, true, 2, 0, 4, 0, 2, 1},
        {"halves odd nozzle", L::k4x2, 256, 3, true, 2, 0, 5, 1, 2 + 128, 2},
        {"halves v1", L::k4x2, 256, 1, true, 2, 0, 5, 0, 3, 2},
        {"halves 6x2 v1 group 1", L::k6x2, 256, 1, true, 2, 0, 256 + 2, 0, 0, 4},
        {"halves 4x4 reversed no reorder", L::k4x4, 256, 1, true, 4, 0, 256, 0, 127, 8},
        {"halves 5x2 no white", L::k5x2, 128, 1, true, 2, 0, 0, 0, 1, 1},
    };
    CFastMerge fast;
    test::CLiteralMerge literal;
    for (const auto& c : cases) {
        test::MergeHarness h;
        h.layout.layout = c.layout;
        h.layout.headHoleNo = c.holes;
        h.layout.printVer = c.printVer;
        h.layout.halves = c.halves;
        h.layout.colorNo = 5;
        h.layout.whiteColorNo = 1;
        h.layout.numWhiteInUse = 1;
        h.layout.ifPrintWhite = c.white > 0 ? 1 : 0;
        h.layout.whiteStyle = c.white == 2 ? 1 : 0;
        h.layout.forbidHoles = 16;
        h.layout.groupRows = c.white == 1 ? c.holes - 16 : c.holes;
        h.groupCount = c.groups;
        h.Init(std::vector<int>(static_cast<size_t>(c.groups), 0));
        for (CChannelMerger* m :
             {static_cast<CChannelMerger*>(&fast), static_cast<CChannelMerger*>(&literal)}) {
            const auto hits = Hits(h, *m, c.row, c.x);
            ASSERT_EQ(hits.size(), 1u) << c.what;
            EXPECT_EQ(hits[0].index, c.index) << c.what;
            EXPECT_EQ(hits[0].bits, c.bits) << c.what;
        }
    }
}

TEST(TransferLayout, SilentChannelsForbiddenNozzlesDirectionAndGroupOffsets)
{
    CFastMerge fast;
    test::CLiteralMerge literal;
    for (CChannelMerger* m :
         {static_cast<CChannelMerger*>(&fast), static_cast<CChannelMerger*>(&literal)}) {
        test::MergeHarness h;
        h.layout.layout = TransferLayout::k8x2;
        h.layout.headHoleNo = 256;
        h.layout.groupRows = 256;
        h.layout.ifPrintWhite = 1;
        h.layout.colorNo = 8;
        h.layout.whiteColorNo = 2;
        h.layout.numWhiteInUse = 1;
        h.Init({0, 0});
        EXPECT_EQ(Hits(h, *m, 3, 0, true, 6).size(), 1u) << "the white channel in use prints";
        EXPECT_TRUE(Hits(h, *m, 3, 0, true, 7).empty()) << "the unused white channel is silent";
        h.layout.ifPrintWhite = 0;
        h.layout.halves = true;
        EXPECT_TRUE(Hits(h, *m, 3, 0).empty()) << "8x2 has no two-halves form";

        // A 4x2 head with forbidden nozzles: the rows of the next group are not printed twice.
        test::MergeHarness f;
        f.layout.headHoleNo = 16;
        f.layout.groupRows = 12;
        f.layout.printVer = 3;
        f.Init({0, 0});
        const auto hits = Hits(f, *m, 12, 0);
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_EQ(hits[0].bits, 4);
        EXPECT_EQ(hits[0].index, 0u);

        // Group 1 sits 5 pixels right: it reaches pixel x 5 columns later; right to left,
        // column j prints pixel end - j.
        test::MergeHarness o;
        o.layout.headHoleNo = 16;
        o.layout.groupRows = 16;
        o.layout.printVer = 3;
        o.Init({0, 5});
        auto placed = Hits(o, *m, 16 + 2, 3);
        ASSERT_EQ(placed.size(), 1u);
        EXPECT_EQ(placed[0].index, 2u + (3 + 5) * 16);
        placed = Hits(o, *m, 2, 3, false);
        ASSERT_EQ(placed.size(), 1u);
        EXPECT_EQ(placed[0].index, 2u + static_cast<size_t>(o.passLength - 1 - 3) * 16);
    }
}
