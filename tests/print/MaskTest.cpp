// Pass masks and feather masks: every pixel goes to exactly one pass, the fixed patterns, the
// debug dump.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/RandomSource.h"
#include "print/FeatherMasks.h"
#include "print/PassMasks.h"
#include "support/TempDir.h"

using namespace tavolux;

namespace {

// For every bit of the tile: in how many masks it is set.
void ExpectPartition(const CPassMasks& masks)
{
    int bad = 0;
    for (int r = 0; r < CPassMasks::kRows; ++r) {
        for (int c = 0; c < CPassMasks::kBytes; ++c) {
            for (int bit = 0; bit < 8; ++bit) {
                int owners = 0;
                for (int m = 0; m < masks.Count(); ++m) {
                    owners += (masks.Byte(m, r, c) >> bit) & 1;
                }
                bad += owners != 1;
            }
        }
    }
    EXPECT_EQ(bad, 0) << masks.Count() << " masks";
}

}  // namespace

TEST(PassMasks, FixedPatterns)
{
    CPassMasks m;
    ASSERT_TRUE(m.BuildFixed(2));
    EXPECT_EQ(m.Byte(0, 0, 5), 0xAA);
    EXPECT_EQ(m.Byte(1, 0, 5), 0x55);
    EXPECT_EQ(m.Byte(0, 1, 179), 0x55);
    EXPECT_EQ(m.Byte(1, 1, 0), 0xAA);
    ASSERT_TRUE(m.BuildFixed(3));
    EXPECT_EQ(m.Byte(0, 0, 0), 0xFF);
    EXPECT_EQ(m.Byte(1, 0, 0), 0x00);
    EXPECT_EQ(m.Byte(1, 0, 1), 0xFF);
    EXPECT_EQ(m.Byte(1, 1, 0), 0xFF);
    EXPECT_EQ(m.Byte(2, 1023, 0), 0x00);  // (0 + 1023) mod 3 = 0
    EXPECT_EQ(m.Byte(0, 1023, 0), 0xFF);
    ASSERT_TRUE(m.BuildFixed(4));
    EXPECT_EQ(m.Byte(0, 0, 0), 0x88);
    EXPECT_EQ(m.Byte(1, 0, 0), 0x44);
    EXPECT_EQ(m.Byte(3, 0, 0), 0x11);
    EXPECT_EQ(m.Byte(1, 1, 0), 0x88);
    EXPECT_EQ(m.Byte(0, 1, 0), 0x11);
    EXPECT_FALSE(m.BuildFixed(0));
    EXPECT_FALSE(m.BuildFixed(CPassMasks::kMaxMasks + 1));
}

TEST(PassMasks, FixedAndRandomMasksPartitionEveryBit)
{
    CRandomSource random(11);
    for (int n : {1, 2, 3, 4, 5, 8}) {
        CPassMasks fixed;
        ASSERT_TRUE(fixed.BuildFixed(n));
        ExpectPartition(fixed);
        EXPECT_TRUE(fixed.Verify());
    }
    for (int n : {2, 3, 4}) {
        CPassMasks masks;
        ASSERT_TRUE(masks.BuildRandom(n, random));
        ExpectPartition(masks);
        EXPECT_TRUE(masks.Verify());
        // Each mask gets a fair share of the pixels (sum of two draws: not uniform, but none
        // is starved).
        for (int m = 0; m < n; ++m) {
            int bits = 0;
            for (int r = 0; r < CPassMasks::kRows; ++r) {
                for (int c = 0; c < CPassMasks::kBytes; ++c) {
                    bits += __builtin_popcount(masks.Byte(m, r, c));
                }
            }
            EXPECT_GT(bits, CPassMasks::kRows * CPassMasks::kBytes * 8 / (2 * n));
        }
    }
}

// The debug check must refuse masks that lose a pixel or print one twice, wherever in the tile
// that happens, and keep accepting masks whose bits merely changed owner.
TEST(PassMasks, TheCheckRefusesAMissingOrDoubledBitAnywhere)
{
    struct Edit {
        int mask;
        int row;
        int byte;
        uint8_t flip;  // bits toggled in that byte
    };
    struct Case {
        const char* what;
        int n;
        std::vector<Edit> edits;
        bool good;
    };
    // Fixed masks: for 2 passes row 0 is 0xAA in mask 0 and 0x55 in mask 1, odd rows the other
    // way round; for 3 passes byte c of row r is 0xFF in mask (c + r) mod 3, so byte 179 of row
    // 1023 belongs to mask 2; for 4 passes row 5 is 0x88 in mask 1 and 0x44 in mask 2.
    const std::vector<Case> cases = {
        {"intact", 3, {}, true},
        {"a bit lost at the tile's first byte", 2, {{0, 0, 0, 0x80}}, false},
        {"a bit lost at the tile's last byte", 2, {{1, 1023, 179, 0x02}}, false},
        {"a bit set in both masks", 2, {{1, 0, 0, 0x80}}, false},
        {"the last byte doubled so that the bytes still add up to 0xFF",
         3,
         {{0, 1023, 179, 0xFF}, {1, 1023, 179, 0x01}},
         false},
        {"a bit moved to another mask", 4, {{1, 5, 7, 0x80}, {2, 5, 7, 0x80}}, true},
    };
    for (const Case& c : cases) {
        CPassMasks masks;
        ASSERT_TRUE(masks.BuildFixed(c.n));
        for (const Edit& e : c.edits) {
            // The tile is the masks' own storage; writing it here stands for a faulty generator.
            const_cast<uint8_t*>(masks.Row(e.mask, e.row))[e.byte] ^= e.flip;
        }
        EXPECT_EQ(masks.Verify(), c.good) << c.what;
    }
    EXPECT_FALSE(CPassMasks().Verify()) << "no masks at all";
}

TEST(PassMasks, DumpWritesOneFilePerMask)
{
    test::TempDir dir;
    CPassMasks m;
    ASSERT_TRUE(m.BuildFixed(2));
    ASSERT_TRUE(m.Dump(dir.Path()));
    const std::string text = dir.Read("Mask1_OF_2.txt");
    const std::string head = "Mask1:\r\n\r\n\r\n";
    ASSERT_EQ(text.size(), head.size() + 1024u * 182u);
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(static_cast<uint8_t>(text[head.size()]), 0x55);
    EXPECT_EQ(text.substr(head.size() + 180, 2), "\r\n");
    EXPECT_EQ(static_cast<uint8_t>(text[head.size() + 182]), 0xAA);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "Mask0_OF_2.txt"));
}

TEST(FeatherMasks, RowsAreComplementaryAndTheSeamShifts)
{
    CRandomSource random(3);
    for (int mode : {1, 2}) {
        CFeatherMasks f;
        f.Build(mode, 16, 64, 5.0, 720, random);
        ASSERT_EQ(f.Lines(), 16);
        std::vector<int> share;
        for (int i = 0; i < 16; ++i) {
            int bits = 0;
            for (int q = 0; q < 64; ++q) {
                EXPECT_EQ(f.A(i)[q] ^ f.B(i)[q], 0xFF);
                bits += __builtin_popcount(f.A(i)[q]);
            }
            share.push_back(bits);
        }
        // A takes more of each column the deeper the row lies in the seam.
        EXPECT_LT(share.front(), share.back()) << "mode " << mode;
        EXPECT_LT(share.front(), 64 * 8 / 3);
        EXPECT_GT(share.back(), 64 * 8 * 2 / 3);
    }
    CFeatherMasks none;
    none.Build(3, 16, 64, 5.0, 720, random);
    EXPECT_EQ(none.Lines(), 0);
    none.Build(2, 16, 64, 0.0, 720, random);  // no wave length: a straight seam, no division by 0
    EXPECT_EQ(none.Lines(), 16);
}

// The wave seam is a function of the pixel column, and pixel 0 of a byte is its most
// significant bit. With a period of 8 pixels (8 dpi, 25.4 mm) and 120 rows (q = 30, h = 60)
// column x of every byte has the seam offset s = trunc(sin(x pi / 4) x 30): 0, 21, 30, 21, 0,
// -21, -30, -21. With t = i - s - q, row i goes to B while t < 0, to A from t = h on, and in
// between to A with chance (t + 1) / 61: column x gets, of its 120 rows, about 60 - s to A.
TEST(FeatherMasks, TheWaveSeamFollowsThePixelColumnMostSignificantBitFirst)
{
    CRandomSource random(4);
    constexpr int kBytes = 16;
    CFeatherMasks f;
    f.Build(2, 120, kBytes, 25.4, 8, random);
    ASSERT_EQ(f.Lines(), 120);
    constexpr std::array<int, 8> kToA = {60, 39, 30, 39, 60, 81, 90, 81};
    for (int x = 0; x < 8; ++x) {
        int toA = 0;
        for (int i = 0; i < 120; ++i) {
            for (int q = 0; q < kBytes; ++q) {
                toA += (f.A(i)[q] >> (7 - x)) & 1;
            }
        }
        // The random middle rows add a spread of about 3 rows per column, 1 over 16 bytes.
        EXPECT_NEAR(static_cast<double>(toA) / kBytes, kToA[static_cast<size_t>(x)], 4.0)
            << "column " << x;
    }
}
