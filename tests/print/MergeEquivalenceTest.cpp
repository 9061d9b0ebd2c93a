// The fast merge equals the literal one on random images for every layout, nozzle count, word
// form, print version, white style, mask mode and direction.
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "print/FastMerge.h"
#include "print/LiteralMerge.h"
#include "print/MergeHarness.h"

using namespace tavolux;

namespace {

using Param = std::tuple<TransferLayout, int, bool>;  // layout, HeadHoleNo, halves

class MergeEquivalence : public ::testing::TestWithParam<Param> {};

int GroupsOf(TransferLayout layout)
{
    switch (layout) {
        case TransferLayout::k4x3:
            return 3;
        case TransferLayout::k4x4:
            return 4;
        default:
            return 2;
    }
}

}  // namespace

TEST_P(MergeEquivalence, FastEqualsLiteral)
{
    const auto [layout, holes, halves] = GetParam();
    CRandomSource random(static_cast<uint64_t>(holes) * 31 + static_cast<uint64_t>(layout) * 7 +
                         halves);
    CFastMerge fast;
    test::CLiteralMerge literal;
    int compared = 0;
    int nonEmpty = 0;
    for (int printVer : {1, 3}) {
        for (int white : {0, 1, 2}) {  // none, style 0, style 1
            test::MergeHarness h;
            h.layout.layout = layout;
            h.layout.headHoleNo = holes;
            h.layout.halves = halves;
            h.layout.printVer = printVer;
            h.layout.colorNo = 5;
            h.layout.whiteColorNo = 1;
            h.layout.numWhiteInUse = 1;
            h.layout.ifPrintWhite = white > 0 ? 1 : 0;
            h.layout.whiteStyle = white == 2 ? 1 : 0;
            h.layout.forbidHoles = 6;
            h.layout.groupRows = white == 1 ? holes - 6 : holes;
            h.groupCount = GroupsOf(layout);
            h.rowBytes = 3 + white;
            std::vector<int> offsets;
            for (int g = 0; g < h.groupCount; ++g) {
                offsets.push_back(static_cast<int>(random.Next32() % 13));
            }
            h.Init(offsets);
            if (white == 0) {
                h.groups.back().printed = false;  // a head that does not print ink
            }
            h.Randomize(random);
            // The same heads with their bits moved up by 8, or left in place.
            std::array<std::vector<HeadGroup>, 2> shifted = {h.groups, h.groups};
            for (auto& g : shifted[1]) {
                g.bit = static_cast<uint16_t>(g.bit << 8);
                g.secondBit = static_cast<uint16_t>(g.secondBit << 8);
            }
            for (int maskMode : {0, 1, 2}) {
                for (bool leftToRight : {true, false}) {
                    for (int channel : {0, 4}) {
                        const int passes = 2 + static_cast<int>(random.Next32() % 3);
                        const int pass = static_cast<int>(random.Next32() % 9);
                        const int offset = static_cast<int>(random.Next32() % 1024);
                        const auto in =
                            h.Input(channel, leftToRight, pass, passes, maskMode, offset);
                        const auto a = h.Merge(fast, in);
                        const auto b = h.Merge(literal, in);
                        ASSERT_EQ(a, b)
                            << "PrintVer " << printVer << " white " << white << " mask " << maskMode
                            << " dir " << leftToRight << " channel " << channel;
                        // Two channels of one pass merged in one call: by word position when
                        // their bits differ, block by block when they collide.
                        for (size_t moved : {1U, 0U}) {
                            auto second = in;
                            second.channel = 1;
                            second.groups = shifted[moved];
                            const std::array<MergeInput, 2> both = {in, second};
                            std::vector<uint16_t> x(a.size(), 0xEEEE);
                            std::vector<uint16_t> y(a.size(), 0x1111);
                            fast.MergeChannels(both, x);
                            literal.MergeChannels(both, y);
                            ASSERT_EQ(x, y) << "two channels, bits moved " << moved;
                        }
                        ++compared;
                        nonEmpty +=
                            std::any_of(b.begin(), b.end(), [](uint16_t w) { return w != 0; });
                    }
                }
            }
        }
    }
    EXPECT_EQ(compared, 2 * 3 * 3 * 2 * 2);
    if (layout == TransferLayout::k8x2 && halves) {
        EXPECT_EQ(nonEmpty, 0) << "8x2 has no two-halves form";
    } else {
        EXPECT_GT(nonEmpty, 0);
    }
}

namespace {

std::string CaseName(const ::testing::TestParamInfo<Param>& param)
{
    static const char* const kNames[] = {"L4x2", "L6x2", "L4x3", "L5x2", "L8x2", "L4x4"};
    return std::string(kNames[static_cast<int>(std::get<0>(param.param))]) + "_H" +
           std::to_string(std::get<1>(param.param)) +
           (std::get<2>(param.param) ? "_Halves" : "_Words");
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(
    AllLayouts, MergeEquivalence,
    ::testing::Combine(::testing::Values(TransferLayout::k4x2, TransferLayout::k6x2,
                                         TransferLayout::k4x3, TransferLayout::k5x2,
                                         TransferLayout::k8x2, TransferLayout::k4x4),
                       ::testing::Values(128, 256), ::testing::Bool()),
    CaseName);
