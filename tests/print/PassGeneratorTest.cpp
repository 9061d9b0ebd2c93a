// Pass generation end to end on small images: every image pixel is printed as often as the
// mask mode says, pinned passes, blank passes skipped with their feed carried, descriptors,
// copy gaps, and whole passes of the fast merge equal those of the literal one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>

#include "platform/ProgramDir.h"
#include "platform/RandomSource.h"
#include "print/LiteralMerge.h"
#include "print/PassGenerator.h"
#include "print/PrintFixture.h"

using namespace tavolux;

namespace {

constexpr std::array<int, 4> kPlaneOfChannel = {3, 2, 1, 0};

struct Pass {
    PassDescriptor d;
    PassOutcome o;
    std::vector<uint16_t> words;
};

class PassGeneratorTest : public test::PrintFixture {
protected:
    static PassTask Task(const std::filesystem::path& file, int passes, int maskMode)
    {
        return test::MakeTask(file, passes, maskMode, 1);
    }

    std::vector<Pass> Run(const PassTask& task, CChannelMerger* merger = nullptr, uint64_t seed = 5)
    {
        CRandomSource random(seed);
        CPassGenerator gen(config, random, merger);
        EXPECT_TRUE(gen.Setup(task)) << gen.ErrorText();
        EXPECT_TRUE(gen.BuildMasks());
        gen.Prepare();
        std::vector<Pass> passes;
        std::vector<uint16_t> buffer(static_cast<size_t>(gen.MaxTransferWords()));
        while (!gen.Done()) {
            Pass p;
            p.o = gen.BuildNextPass(buffer, p.d);
            EXPECT_TRUE(p.o.built);
            p.words.assign(buffer.begin(), buffer.begin() + p.o.transferWords);
            passes.push_back(std::move(p));
        }
        EXPECT_EQ(static_cast<int>(passes.size()), gen.TotalPasses());
        lastGap = gen.CopyGap();
        return passes;
    }

    // Decodes the 4x2 words of 16-nozzle heads (PrintVer 0: word n is nozzle n) back onto
    // the image: dot(pass, channel, head row, line, x) for every drop. The nozzle rows of a job
    // of `interlace` times the nozzle resolution are that many lines apart, and the window they
    // span ends at the lines fed so far. A pass printed right to left starts at the right end
    // of the whole-byte row. Ink outside the image fails.
    template <typename Dot>
    void ForEachDot(const std::vector<Pass>& passes, const CRipImage& image, Dot dot)
    {
        const int baseStart = 1 + static_cast<int>(config.params.MaxAccDist * 300 / 25.4);
        const int rowPixels = 8 * ((image.Width() + 7) / 8);
        int fed = 0;
        for (size_t i = 0; i < passes.size(); ++i) {
            const Pass& p = passes[i];
            fed += p.o.step;
            const int shift = p.d[PassDescriptor::kDataStart] - baseStart;
            const int length = p.d[PassDescriptor::kWidth];
            for (int j = 0; j < length && !p.words.empty(); ++j) {
                for (int n = 0; n < 16; ++n) {
                    const uint16_t word = p.words[static_cast<size_t>(j * 16 + n)];
                    for (int slot = 0; slot < 8; ++slot) {
                        if ((word & (1 << slot)) == 0) {
                            continue;
                        }
                        const int row = (slot / 4) * 16 + n;
                        const int line = fed - 32 * interlace + row * interlace;
                        const int x = p.d[PassDescriptor::kDirection] == 1
                                          ? shift + j
                                          : rowPixels - 1 - shift - j;
                        if (line < 0 || line >= image.Height() || x < 0 || x >= image.Width()) {
                            ADD_FAILURE() << "ink outside the image: line " << line << " x " << x;
                            continue;
                        }
                        dot(static_cast<int>(i), slot % 4, row, line, x);
                    }
                }
            }
        }
    }

    // How often each pixel of each channel was fired.
    std::vector<int> Fired(const std::vector<Pass>& passes, const CRipImage& image)
    {
        const int w = image.Width();
        const int h = image.Height();
        std::vector<int> count(static_cast<size_t>(4 * w * h), 0);
        ForEachDot(passes, image, [&](int, int c, int, int line, int x) {
            ++count[static_cast<size_t>((c * h + line) * w + x)];
        });
        return count;
    }

    // Pixels whose fire count differs from `times` x the image bit.
    static int Mismatches(const std::vector<int>& fired, const CRipImage& image, int times)
    {
        int bad = 0;
        for (int c = 0; c < 4; ++c) {
            for (int y = 0; y < image.Height(); ++y) {
                for (int x = 0; x < image.Width(); ++x) {
                    const bool ink = image.Pixel(x, y, kPlaneOfChannel[static_cast<size_t>(c)]);
                    bad +=
                        fired[static_cast<size_t>((c * image.Height() + y) * image.Width() + x)] !=
                        (ink ? times : 0);
                }
            }
        }
        return bad;
    }

    int lastGap = 0;
    int interlace = 1;
};

}  // namespace

// Every pixel is fired once, or P times without masks; the sheet tests print the same jobs with
// every interlace, seam and pass count.
TEST_F(PassGeneratorTest, EveryPixelIsFiredAsOftenAsTheMaskModeSays)
{
    const auto image = test::RandomImage(40, 50, 1);
    const auto file = WriteImage(image);
    for (int randomMasks : {0, 1}) {
        config.IsAutoMaskGen = randomMasks;
        for (int passes : {2, 4}) {
            for (int mode : {kMaskNone, kMaskPass, kMaskInterleave}) {
                const auto run = Run(Task(file, passes, mode));
                EXPECT_EQ(Mismatches(Fired(run, image), image, mode == kMaskNone ? passes : 1), 0)
                    << passes << " passes, mode " << mode << ", random masks " << randomMasks;
            }
        }
    }
}

// Jobs at the nozzle resolution build the same passes as before the head window learned to
// span k lines per nozzle row: the digests of every pass's words and descriptor were taken
// from the program before that change.
TEST_F(PassGeneratorTest, PassesWithoutInterlaceAreUnchanged)
{
    struct Row {
        int passes;
        int mode;
        int feather;
        int ignoreBlank;
        int strip;
        int direction;
        uint64_t digest;
    };
    constexpr Row kRows[] = {
        {2, kMaskPass, 0, 0, 0, 1, 0x6022802e0be95666ULL},
        {2, kMaskPass, 4, 0, 0, 0, 0xd54c98903e0775e5ULL},
        {4, kMaskInterleave, 0, 1, 0, 0, 0xed840c9f174b8a32ULL},
        {2, kMaskNone, 0, 0, 1, 0, 0x69286cabd898605dULL},
        {3, kMaskPass, 6, 1, 0, 0, 0x6b902e081eb52797ULL},
        {1, kMaskNone, 0, 1, 1, 1, 0xb97125bbc19da10ULL},
    };
    const auto file = WriteImage(test::RandomImage(40, 150, 21, 50, 110));
    auto& p = config.params;
    config.lists.StripWidthList = {2};
    p.StripPos = 2;
    p.StripWidth = 1;
    for (const Row& row : kRows) {
        p.FeatherMode = row.feather > 0 ? 1 : 0;
        p.FeatherLinesList = {0, row.feather, 0};
        p.IgnoreBlank = row.ignoreBlank;
        p.Strip = row.strip;
        PassTask task = Task(file, row.passes, row.mode);
        task.direction = row.direction;
        test::Digest digest;
        for (const Pass& pass : Run(task, nullptr, 12)) {
            for (const int32_t word : pass.d.words) {
                digest.Mix(static_cast<uint32_t>(word));
            }
            digest.Mix(pass.words.size());
            for (const uint16_t w : pass.words) {
                digest.Mix(w);
            }
        }
        EXPECT_EQ(digest.value, row.digest)
            << row.passes << " passes, mode " << row.mode << ", feather " << row.feather
            << ", blank skipping " << row.ignoreBlank << ", strip " << row.strip << ": 0x"
            << std::hex << digest.value;
    }
}

// Printing both ways with blank skipping: a skipped pass keeps the direction, so the printed
// passes alternate across every blank gap; the feeds of the skipped passes go with the next
// printed one, and the margins trim each printed pass to its ink.
TEST_F(PassGeneratorTest, BlankPassesAreSkippedTheirFeedCarriedAndTheDirectionKept)
{
    // Ink only in bytes 3..4 of 8, in lines 40..59 and 130..139 of 150. Each pass reads a
    // chunk of 16 lines (chunk c: lines 16c..16c+15) and is blank when its two chunks under
    // the 32-line head are: chunks 2, 3 and 8 hold ink, so of the 13 passes 2..4 and 8..9 print.
    // The margins come from the chunks under the head and the next one: 3 bytes each side,
    // the right one left out when the head's chunks past the first are blank (passes 4 and 9).
    CRipImage image(64, 150, 4, 300, 300);
    CRandomSource random(9);
    for (int y = 0; y < image.Height(); ++y) {
        for (int p = 0; p < 4 && ((y >= 40 && y < 60) || (y >= 130 && y < 140)); ++p) {
            image.PlaneLine(y, p)[3] = static_cast<uint8_t>(random.Next32() | 1);
            image.PlaneLine(y, p)[4] = static_cast<uint8_t>(random.Next32() | 0x80);
        }
    }
    const auto file = WriteImage(image);
    config.params.IgnoreBlank = 1;
    auto task = Task(file, 2, kMaskPass);
    task.direction = 0;
    const auto run = Run(task);
    EXPECT_EQ(Mismatches(Fired(run, image), image, 1), 0);
    struct Expected {
        int width;      // 0: skipped
        int direction;  // 1 left to right
        int skippedFeed;
    };
    // The first printed pass goes left to right and each printed pass turns the carriage; the
    // three skipped passes before pass 8 must not. Feeds: 16 lines are 135.47 pulses, the
    // fraction carried (n passes feed trunc(135.47 n) in all): passes 0..1 feed 270, passes
    // 5..7 1083 - 677 = 406, and passes 10..11 1625 - 1354 = 271, which the last pass, handed
    // over though blank, carries.
    constexpr Expected kPasses[] = {
        {0, 0, 0}, {0, 0, 0},    {16, 1, 270}, {16, 0, 0}, {40, 1, 0}, {0, 0, 0},   {0, 0, 0},
        {0, 0, 0}, {16, 0, 406}, {40, 1, 0},   {0, 0, 0},  {0, 0, 0},  {0, 0, 271},
    };
    ASSERT_EQ(run.size(), std::size(kPasses));
    const int baseStart = 1 + static_cast<int>(10 * 300 / 25.4);
    for (size_t i = 0; i < run.size(); ++i) {
        const auto& p = run[i];
        const Expected& e = kPasses[i];
        const bool printed = e.width > 0;
        EXPECT_EQ(p.o.skipped, !printed) << "pass " << i;
        EXPECT_EQ(p.o.handOver, printed || i + 1 == run.size()) << "pass " << i;
        EXPECT_EQ(p.d[PassDescriptor::kWidth], e.width) << "pass " << i;
        EXPECT_EQ(p.o.transferWords, e.width * 16) << "pass " << i;
        EXPECT_EQ(p.d[PassDescriptor::kSkippedFeed], e.skippedFeed) << "pass " << i;
        EXPECT_EQ(p.d[PassDescriptor::kSendSkipped], e.skippedFeed > 0 ? 1 : 0) << "pass " << i;
        if (printed) {
            EXPECT_EQ(p.d[PassDescriptor::kDirection], e.direction) << "pass " << i;
            // The data starts past the 3 blank bytes on the side the carriage comes from.
            EXPECT_EQ(p.d[PassDescriptor::kDataStart], baseStart + 24) << "pass " << i;
        } else {
            EXPECT_EQ(p.d[PassDescriptor::kTravel], 0) << "pass " << i;
        }
    }
}

// A feathered seam line passes first under the head's last rows, masked with B, and P passes
// later under its first rows, masked with A. The straight wave seam (no wave length) of 8 rows
// puts seam rows 0 and 1 wholly in B and rows 6 and 7 wholly in A: head rows 0 and 1 and the
// last two rows (30, 31) never fire, head rows 6, 7 and 24, 25 fire all their mask's pixels.
TEST_F(PassGeneratorTest, TheSeamRowsTakeAAtTheTopOfTheHeadAndBAtItsBottom)
{
    CRipImage image(40, 60, 4, 300, 300);
    for (int y = 0; y < image.Height(); ++y) {
        for (int p = 0; p < 4; ++p) {
            std::fill_n(image.PlaneLine(y, p), image.BytesPerPlaneLine(), 0xFF);
        }
    }
    auto& p = config.params;
    p.FeatherMode = 2;
    p.FeatherLinesList = {0, 0, 8};
    p.FeatherWaveLength = 0;
    const auto run = Run(Task(WriteImage(image), 2, kMaskPass));
    EXPECT_EQ(Mismatches(Fired(run, image), image, 1), 0);
    std::map<std::pair<int, int>, int> dots;  // by pass and head row
    ForEachDot(run, image, [&](int pass, int, int row, int, int) { ++dots[{pass, row}]; });
    // 32 rows less the seam's 8 in 2 passes: steps of 12 lines.
    int checked = 0;
    for (int pass = 0, fed = 12; pass < static_cast<int>(run.size()); ++pass, fed += 12) {
        for (const int row : {0, 1, 6, 7, 24, 25, 30, 31}) {
            const int line = fed - 32 + row;
            if (line < 0 || line >= image.Height()) {
                continue;
            }
            // Half of the 40 pixels under each pass mask, in each of the 4 channels.
            const bool fires = row == 6 || row == 7 || row == 24 || row == 25;
            EXPECT_EQ((dots[{pass, row}]), fires ? 80 : 0) << "pass " << pass << " row " << row;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 8 * 5) << "each row lies over the image's 60 lines in 5 of the 9 passes";
}

TEST_F(PassGeneratorTest, DescriptorWords)
{
    const auto image = test::RandomImage(40, 30, 2);
    const auto file = WriteImage(image);
    auto& p = config.params;
    p.MmPerPulseX = 0.05;
    p.MaxAccDist = 10;
    p.IfSpacePrint = 1;
    p.SpaceBeforePic = 2;
    p.SpaceAfterPic = 3;
    auto task = Task(file, 2, kMaskPass);
    task.direction = 0;  // both directions
    task.incomingCopyGap = 77;
    const auto run = Run(task);
    // 30 lines and the head's 32 in steps of 16: 4 steps and one pass more.
    ASSERT_EQ(run.size(), 5u);
    // Travel: 2 x 10 mm acceleration, 40 pixels at 300 dpi (3.387 mm), 2 + 3 mm of space:
    // 28.387 mm in pulses of 0.05 mm, 567.7. Data start: 1 + 118.1 + 23.6 pixels, each cut.
    // Feed: 16 lines at 300 dpi in pulses of 0.01 mm are 135.47, the fraction carried.
    constexpr int kFeeds[] = {135, 135, 136, 135, 136};
    for (size_t i = 0; i < run.size(); ++i) {
        const auto& d = run[i].d;
        EXPECT_EQ(d[PassDescriptor::kPassIndex], static_cast<int>(i));
        EXPECT_EQ(d[PassDescriptor::kOne], 1);
        EXPECT_EQ(d[PassDescriptor::kZero], 0);
        EXPECT_EQ(d[PassDescriptor::kDirection], i % 2 == 0 ? 1 : 0)
            << "bidirectional passes alternate";
        EXPECT_EQ(d[PassDescriptor::kWidth], 40);
        EXPECT_EQ(d[PassDescriptor::kDataStart], 142);
        EXPECT_EQ(d[PassDescriptor::kTravel], 567);
        EXPECT_EQ(d[PassDescriptor::kReturnMove], 567);
        EXPECT_EQ(d[PassDescriptor::kFeedBefore], i == 0 ? 77 : 0);
        EXPECT_EQ(d[PassDescriptor::kFeedAfter], kFeeds[i]) << "pass " << i;
    }

    task.direction = 2;  // right to left only
    for (const auto& pass : Run(task)) {
        EXPECT_EQ(pass.d[PassDescriptor::kDirection], 0);
    }

    // A copy gap: the gap setting less the head height, plus the last feed.
    p.TaskGap = 5;
    task.multiCopy = true;
    task.incomingCopyGap = -12;
    const auto copy = Run(task);
    EXPECT_EQ(copy.front().d[PassDescriptor::kFeedBefore], 0);
    EXPECT_EQ(copy.front().d[PassDescriptor::kBackFeed], 12);
    // 5 mm less the head's 32 lines (2.709 mm) in pulses of 0.01 mm, 229.07, plus the last
    // feed of 136 pulses, cut to a whole pulse.
    EXPECT_EQ(lastGap, 365);
}

TEST_F(PassGeneratorTest, WholePassesOfTheFastMergeEqualTheLiteralOnes)
{
    const auto image = test::RandomImage(45, 40, 3);
    const auto file = WriteImage(image);
    auto& p = config.params;
    p.HeadHoriPosList = {0, 0.3, 0.7, 1.1, 0.2, 0.5, 0.9, 1.3};  // heads a few pixels apart
    p.FeatherMode = 1;
    p.FeatherLinesList = {0, 4, 0};
    config.lists.StripWidthList = {2};
    test::CLiteralMerge literal;
    struct Variant {
        const char* what;
        int ignoreBlank;
        int strip;
        int maskMode;
        int direction;
    };
    for (const Variant& v : {Variant{"feathered masks", 0, 0, kMaskPass, 1},
                             Variant{"strips both sides", 0, 1, kMaskInterleave, 0},
                             Variant{"blank skipping", 1, 0, kMaskNone, 0},
                             Variant{"interlaced feathered masks", 0, 1, kMaskPass, 0}}) {
        // The last variant prints at twice the nozzle resolution: rows two lines apart.
        const bool interlaced = std::string(v.what).starts_with("interlaced");
        p.PrinterResolution = interlaced ? 150 : 300;
        p.IgnoreBlank = v.ignoreBlank;
        p.Strip = v.strip;
        p.StripPos = 2;
        p.StripWidth = 1;
        const auto task = [&] {
            auto t = Task(file, 2, v.maskMode);
            t.direction = v.direction;
            return t;
        }();
        const auto fast = Run(task, nullptr, 8);
        const auto slow = Run(task, &literal, 8);
        ASSERT_EQ(fast.size(), slow.size()) << v.what;
        bool inked = false;
        for (size_t i = 0; i < fast.size(); ++i) {
            EXPECT_EQ(fast[i].words, slow[i].words) << v.what << " pass " << i;
            EXPECT_EQ(fast[i].d, slow[i].d) << v.what << " pass " << i;
            inked = inked || std::any_of(fast[i].words.begin(), fast[i].words.end(),
                                         [](uint16_t w) { return w != 0; });
        }
        EXPECT_TRUE(inked) << v.what;
    }
}

TEST_F(PassGeneratorTest, SetupRefusesWhatCannotBePrinted)
{
    CRandomSource random(1);
    CPassGenerator gen(config, random);
    std::vector<uint16_t> buffer(64);
    PassDescriptor d;
    EXPECT_FALSE(gen.Setup(Task(f.dir.Path() / "missing.prn", 2, 0)));
    EXPECT_FALSE(gen.ErrorText().empty());
    EXPECT_FALSE(gen.BuildNextPass(buffer, d).built);
    const auto file = WriteImage(test::RandomImage(16, 4, 4));
    EXPECT_FALSE(gen.Setup(Task(file, 33, 0))) << "more passes than head lines";
    EXPECT_FALSE(gen.Setup(Task(file, 0, 0)));
    config.params.MmPerPulseY = 0;
    EXPECT_FALSE(gen.Setup(Task(file, 2, 0)));
    // The operator is told which keys to look at.
    EXPECT_NE(gen.ErrorText().find("MmPerPulseX, MmPerPulseY"), std::string::npos)
        << gen.ErrorText();
    config.params.MmPerPulseY = 0.01;
    EXPECT_TRUE(gen.Setup(Task(file, 2, 0)));
    EXPECT_FALSE(gen.BuildNextPass(std::span<uint16_t>(buffer.data(), 1), d).built)
        << "buffer too small";
}

TEST_F(PassGeneratorTest, DebugModeDumpsTheMasksBesideTheProgram)
{
    test::TempDir programDir;
    SetProgramDir(programDir.Path());
    config.IsDebug = 1;
    const auto file = WriteImage(test::RandomImage(16, 4, 4));
    Run(Task(file, 3, kMaskPass));
    SetProgramDir({});
    EXPECT_TRUE(std::filesystem::exists(programDir.Path() / "Mask2_OF_3.txt"));
    EXPECT_FALSE(std::filesystem::exists(programDir.Path() / "Mask3_OF_3.txt"));
}

// Where the media stands, in pulses from the start, when each printed pass is printed: the
// lone feeds before a pass, then its header's feed before it (a printer that feeds before the
// pass) or after it.
std::vector<int64_t> PrintedPositions(const std::vector<Pass>& passes, bool feedAfterPass,
                                      int64_t& fedAfterLast)
{
    std::vector<int64_t> at;
    int64_t media = 0;
    bool first = true;
    for (const Pass& p : passes) {
        if (!p.o.handOver) {
            continue;
        }
        if (first) {
            media += p.d[PassDescriptor::kFirstFeed] + p.d[PassDescriptor::kFeedBefore];
            first = false;
        }
        if (p.d[PassDescriptor::kSendSkipped] != 0) {
            media += p.d[PassDescriptor::kSkippedFeed];
        }
        if (p.d[PassDescriptor::kTravel] == 0) {
            continue;  // no header goes out for a pass without data
        }
        const int64_t before = media;
        media += p.d[PassDescriptor::kFeedAfter];
        at.push_back(feedAfterPass ? before : media);
    }
    fedAfterLast = media - (at.empty() ? 0 : at.back());
    return at;
}

TEST_F(PassGeneratorTest, PassFeedAfterPairsEachHeaderWithTheNextStepAndKeepsThePositions)
{
    // An interlaced job (steps of 16, 15, 16, 17 lines) with a blank band that skips passes in
    // its middle, as the last of several copies.
    config.params.PrinterResolution = 150;
    config.params.IgnoreBlank = 1;
    config.params.TaskGap = 20;
    // The band is several times the head's 64 lines tall.
    PassTask task = Task(WriteImage(test::RandomImage(32, 300, 3, 60, 260)), 2, kMaskPass);
    task.multiCopy = true;
    struct Copy {
        int incomingGap;
        const char* what;
    };
    for (const Copy copy : {Copy{0, "first copy"}, Copy{700, "later copy"}, Copy{-300, "back"},
                            Copy{0, "no blank skipping"}}) {
        task.incomingCopyGap = copy.incomingGap;
        // Without blank skipping the last pass is printed and its header's feed goes out.
        const bool skipping = std::string(copy.what) != "no blank skipping";
        config.params.IgnoreBlank = skipping ? 1 : 0;
        config.params.PassFeedAfter = 0;
        const std::vector<Pass> before = Run(task);
        const int gapBefore = lastGap;
        config.params.PassFeedAfter = 1;
        const std::vector<Pass> after = Run(task);
        const int gapAfter = lastGap;
        ASSERT_EQ(before.size(), after.size());
        int skipped = 0;
        for (size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(before[i].words, after[i].words) << copy.what << ", pass " << i;
            EXPECT_EQ(after[i].d[PassDescriptor::kBackFeed],
                      before[i].d[PassDescriptor::kBackFeed]);
            skipped += before[i].o.handOver ? 0 : 1;
            if (i + 1 < before.size()) {
                EXPECT_EQ(after[i].d[PassDescriptor::kFeedAfter],
                          before[i + 1].d[PassDescriptor::kFeedAfter])
                    << copy.what << ", pass " << i;
            }
        }
        EXPECT_EQ(skipped > 2, skipping) << copy.what;
        EXPECT_EQ(before[0].d[PassDescriptor::kFirstFeed], 0);
        EXPECT_EQ(after[0].d[PassDescriptor::kFirstFeed], before[0].d[PassDescriptor::kFeedAfter]);
        int64_t restBefore = 0;
        int64_t restAfter = 0;
        const auto at = PrintedPositions(before, false, restBefore);
        EXPECT_EQ(PrintedPositions(after, true, restAfter), at) << copy.what;
        // The next copy starts as far on: what the printer fed after the last printed pass
        // plus the gap.
        EXPECT_EQ(restAfter + gapAfter, restBefore + gapBefore) << copy.what;
    }
}
