// Pass masks and feather masks: every pixel goes to exactly one pass, the fixed patterns, the
// debug dump.
#include <gtest/gtest.h>

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
