// Whole jobs printed onto the virtual printer's sheet: what lands on the media must be the
// image, drop for drop, for every head arrangement, direction, interlace, copy and stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "job/JobControl.h"
#include "job/JobFixture.h"
#include "job/JobRunner.h"
#include "print/RipImage.h"
#include "sim/setup/HeadsFromConfig.h"

using namespace tavolux;

namespace {

struct Arrangement {
    const char* name;
    int colours;
    int groups;
    int nozzles;
    int printVer;
    int level;  // highest vertical head level
    bool halves;
    int white = 0;  // IfPrintWhite, with the white data taken from the file's extra plane
    int style = 0;  // WhiteHeadPrintStyle
    int whiteColours = 0;
    int inUse = 0;   // white channels in use
    int forbid = 0;  // ForbidHolesNum
};

// One of each routing of the layout table, on both board generations where they differ.
constexpr Arrangement kArrangements[] = {
    {"4x2 board 0", 4, 2, 16, 0, 0, false},
    {"4x2 board 1", 4, 2, 16, 1, 0, false},
    {"4x2 halves", 4, 2, 16, 1, 0, true},
    {"4x2 128 nozzles", 4, 2, 128, 1, 0, false},
    {"4x1", 4, 1, 16, 1, 0, false},
    {"6x2 board 1", 6, 2, 16, 1, 0, false},
    {"6x2 128 nozzles", 6, 2, 128, 1, 0, false},
    {"4x3 board 1", 4, 3, 16, 1, 0, false},
    {"4x3 128 nozzles", 4, 3, 128, 1, 0, false},
    {"5x2 board 1", 5, 2, 16, 1, 0, false},
    {"5x2 128 nozzles", 5, 2, 128, 1, 0, false},
    {"8x2 board 3", 8, 2, 16, 3, 0, false},
    {"4x4 board 3", 4, 4, 16, 3, 0, false},
    {"4x4 wiring halves", 4, 2, 16, 3, 2, true},
    {"4x2 board 3 level 2", 4, 2, 16, 3, 2, false},
    {"6x2 board 3", 6, 2, 16, 3, 0, false},
    {"5x2 white under", 5, 2, 16, 1, 0, false, 1, 0, 1, 1, 4},
    {"5x2 white reversed", 5, 2, 16, 1, 0, false, 1, 1, 1, 1, 0},
    {"8x2 white one of two", 8, 2, 16, 3, 0, false, 1, 0, 2, 1, 0},
    {"8x2 white reversed", 8, 2, 16, 3, 0, false, 1, 1, 2, 2, 0},
};

// The file plane printed by a head channel, -1 for a white channel that is not in use.
int PlaneOf(int channel, const Arrangement& a = kArrangements[0])
{
    static constexpr int kMap[6] = {3, 2, 1, 0, 4, 5};
    const int colours = a.colours - a.whiteColours;
    if (a.white == 0 || channel < colours) {
        return channel < 6 ? kMap[channel] : channel;
    }
    return channel < colours + a.inUse ? colours : -1;
}

class SheetJobTest : public test::JobFixture {
protected:
    void Configure(CPrinterConfig& config) override
    {
        auto& p = config.params;
        test::SetHeads(config, arrangement.colours, arrangement.groups, arrangement.nozzles,
                       arrangement.printVer);
        const auto slots = p.HeadArrayOrder.size();
        for (size_t s = 0; s < slots; ++s) {
            // Heads a few whole pixels apart, as a carriage holds them.
            p.HeadHoriPosList[s] = static_cast<double>((s * 7) % 5) * 5 * 25.4 / 300;
            if (arrangement.halves) {
                p.MergeBit[s] = static_cast<int>(2 * s);
            }
        }
        if (arrangement.level > 0) {
            p.HeadLevelList.back() = arrangement.level;
        }
        p.IfPrintWhite = arrangement.white;
        p.WhiteHeadPrintStyle = arrangement.style;
        p.WhiteColorNo = arrangement.whiteColours;
        p.NumOfWhiteInUse = arrangement.inUse;
        p.ForbidHolesNum = arrangement.forbid;
        p.WhiteHeadDataSource = arrangement.white;
        p.TaskGap = 0;
    }

    // Prints the file on a fresh sheet; the request's copies and resume line are kept.
    // passMs: how long a pass may take, generous unless a stalled pass is to end the job.
    JobResult Print(JobRequest request, IJobRunnerObserver* observer = nullptr,
                    int passMs = test::kGenerousMs)
    {
        printer->LoadMedia(sim::HeadsFromConfig(cfg.config), 300, 300);
        CJobRunner runner(Env(), random, observer);
        JobLimits limits = ShortLimits();
        limits.syncMs = test::kGenerousMs;
        limits.passMs = passMs;
        runner.SetLimits(limits);
        return runner.RunCopies(request);
    }

    // Whole bytes wide: the random fill sets the padding bits of a row too, and they print.
    // Lines [blankFrom, blankTo) are left blank.
    CRipImage MakeImage(int width, int height, uint64_t seed, int blankFrom = 0, int blankTo = 0)
    {
        const int planes = arrangement.white != 0
                               ? arrangement.colours - arrangement.whiteColours + 1
                               : arrangement.colours;
        CRipImage image = test::RandomImage(width, height, seed, blankFrom, blankTo, planes);
        file = cfg.dir.Path() / "sheet.prn";
        EXPECT_TRUE(image.Write(file));
        return image;
    }

    int HeadRows() const
    {
        const int rows = arrangement.white == 1 && arrangement.style == 0
                             ? arrangement.nozzles - arrangement.forbid
                             : arrangement.nozzles;
        return rows * arrangement.groups;
    }

    // The first image line of the job's first pass lies under the head's last rows, which
    // span k lines each.
    int Top(const sim::CMediaSheet& sheet, const PassTask& task)
    {
        CRandomSource r(1);
        CPassGenerator gen(cfg.config, r);
        EXPECT_TRUE(gen.Setup(task));
        return sheet.FirstPassLine() + gen.HeadLines() * gen.Interlace() - gen.StepTable().front();
    }

    // How many nozzles of the job's passes pass over each of its first `lines` image lines.
    std::vector<int> Coverage(const PassTask& task, int lines)
    {
        CRandomSource r(1);
        CPassGenerator gen(cfg.config, r);
        EXPECT_TRUE(gen.Setup(task)) << gen.ErrorText();
        std::vector<int> fed;
        const auto& steps = gen.StepTable();
        for (int p = 0, sum = 0; p < gen.TotalPasses(); ++p) {
            sum += steps[static_cast<size_t>(p) % steps.size()];
            fed.push_back(sum);
        }
        return test::NozzlesOver(fed, gen.HeadLines(), gen.Interlace(), lines);
    }

    // The first pixels of image lines [from, to) (line `from` on sheet line `top`) whose drops
    // are not `times` x the image bit, empty when there are none. With `under` (nozzles over
    // each line from `from` on), an inked pixel of a line under more than `passes` nozzles
    // may take more drops, but never none.
    std::string Compare(const sim::CMediaSheet& sheet, const CRipImage& image, int top, int from,
                        int to, int times, const std::vector<int>& under = {}, int passes = 0) const
    {
        std::ostringstream s;
        int bad = 0;
        for (int c = 0; c < arrangement.colours; ++c) {
            const int plane = PlaneOf(c, arrangement);
            for (int y = from; y < to; ++y) {
                const bool more = !under.empty() && under[static_cast<size_t>(y - from)] > passes;
                for (int x = 0; x < image.Width(); ++x) {
                    const bool ink = plane >= 0 && image.Pixel(x, y, plane);
                    const int got = sheet.DropsAt(c, x, top + y - from);
                    const bool good = ink && more ? got > 0 : got == (ink ? times : 0);
                    if (!good && bad++ < 3) {
                        s << " channel " << c << " line " << y << " x " << x << ": " << got
                          << " drops;";
                    }
                }
            }
        }
        if (bad > 0) {
            s << " " << bad << " pixels";
        }
        return s.str();
    }

    // Drops on pixels of image lines [from, to) that carry no ink.
    int64_t DropsOnBlank(const sim::CMediaSheet& sheet, const CRipImage& image, int top, int from,
                         int to) const
    {
        int64_t n = 0;
        for (int c = 0; c < arrangement.colours; ++c) {
            for (int y = from; y < to; ++y) {
                for (int x = 0; x < image.Width(); ++x) {
                    n += image.Pixel(x, y, PlaneOf(c, arrangement)) ? 0
                                                                    : sheet.DropsAt(c, x, top + y);
                }
            }
        }
        return n;
    }

    int64_t Ink(const CRipImage& image) const
    {
        int64_t n = 0;
        for (int c = 0; c < arrangement.colours; ++c) {
            const int plane = PlaneOf(c, arrangement);
            for (int y = 0; y < image.Height() && plane >= 0; ++y) {
                for (int x = 0; x < image.Width(); ++x) {
                    n += image.Pixel(x, y, plane) ? 1 : 0;
                }
            }
        }
        return n;
    }

    static int64_t SheetDrops(const sim::CMediaSheet& sheet)
    {
        int64_t n = sheet.OutsideDrops();
        for (const auto& t : sheet.Tally()) {
            n += t.drops;
        }
        return n;
    }

    // The sheet line from `from` on where the image lies: most drops on its inked pixels and
    // fewest beside them (a line under too few masked passes misses some); -1 when nowhere.
    static int FindCopy(const sim::CMediaSheet& sheet, const CRipImage& image, int from)
    {
        int best = -1;
        int64_t bestScore = 0;
        for (int top = from; top + image.Height() <= sheet.Height(); ++top) {
            int64_t score = 0;
            // Its first lines tell: elsewhere about as many drops land beside ink as on it.
            for (int y = 0; y < std::min(image.Height(), 16); ++y) {
                for (int x = 0; x < image.Width(); ++x) {
                    if (sheet.DropsAt(0, x, top + y) > 0) {
                        score += image.Pixel(x, y, PlaneOf(0)) ? 1 : -2;
                    }
                }
            }
            if (score > bestScore) {
                best = top;
                bestScore = score;
            }
        }
        return best;
    }

    Arrangement arrangement = kArrangements[0];
    std::filesystem::path file;
};

class EveryArrangement : public SheetJobTest, public ::testing::WithParamInterface<Arrangement> {
protected:
    void SetUp() override
    {
        arrangement = GetParam();
        SheetJobTest::SetUp();
    }
};

// Every inked pixel gets one drop, or P without masks, and no drop lands anywhere else.
TEST_P(EveryArrangement, PrintsTheImageWithOneDropPerPixelOrPDropsWithoutMasks)
{
    const CRipImage image = MakeImage(40, 3 * HeadRows() / 2 + 5, 11);
    for (int direction : {0, 1}) {
        for (int mode : {kMaskPass, kMaskInterleave, kMaskNone}) {
            JobRequest request;
            request.task = Task(file, 2, mode, direction);
            const JobResult result = Print(request);
            ASSERT_TRUE(result.completed) << result.error;
            const sim::CMediaSheet sheet = printer->Sheet();
            const int times = mode == kMaskNone ? 2 : 1;
            const std::string name =
                "direction " + std::to_string(direction) + ", mask mode " + std::to_string(mode);
            EXPECT_EQ(Compare(sheet, image, Top(sheet, request.task), 0, image.Height(), times), "")
                << name;
            EXPECT_EQ(SheetDrops(sheet), times * Ink(image)) << name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, EveryArrangement, ::testing::ValuesIn(kArrangements),
                         [](const auto& test) {
                             std::string name = test.param.name;
                             for (char& ch : name) {
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) != 0 ? ch : '_';
                             }
                             return name;
                         });

TEST_F(SheetJobTest, TwoCopiesLieOneAfterTheOtherSeparatedByTheCopyGap)
{
    const CRipImage image = MakeImage(32, 70, 12);
    // A gap of 20 mm between the copies, and a small one that is shorter than the head.
    std::vector<int> blanks;
    for (int gapMm : {20, 2}) {
        cfg.config.params.TaskGap = gapMm;
        test::CopyObserver observer;
        JobRequest request;
        request.task = Task(file, 2, kMaskPass);
        request.copies = 2;
        const JobResult result = Print(request, &observer);
        ASSERT_TRUE(result.completed) << result.error;
        EXPECT_EQ(observer.copies, (std::vector<std::string>{"2(1)", "2(2)"}));
        const sim::CMediaSheet sheet = printer->Sheet();
        const int first = Top(sheet, request.task);
        const int second = FindCopy(sheet, image, first + image.Height());
        ASSERT_GT(second, first) << "the second copy is not on the sheet";
        EXPECT_EQ(Compare(sheet, image, first, 0, image.Height(), 1), "");
        EXPECT_EQ(Compare(sheet, image, second, 0, image.Height(), 1), "");
        EXPECT_EQ(SheetDrops(sheet), 2 * Ink(image));
        blanks.push_back(second - first - image.Height());
    }
    // 18 mm more of gap is 18 / 25.4 x 300 = 212.6 lines more between the copies.
    ASSERT_EQ(blanks.size(), 2u);
    EXPECT_NEAR(blanks[0] - blanks[1], 212.6, 1.5);
}

// Interlaced jobs: the printer's nozzle pitch is k job lines, so a head of H nozzle rows spans
// H x k lines and nozzle n of a pass prints the window's line n x k; the steps of an interlace
// cycle differ from pass to pass. Each case runs once with each pairing of a pass header's feed
// (before or after the pass it belongs to).
class Interlaced : public SheetJobTest, public ::testing::WithParamInterface<int> {
protected:
    void UseInterlace(int k, int feather, bool skipBlank)
    {
        auto& p = cfg.config.params;
        p.PassFeedAfter = GetParam();
        p.PrinterResolution = 300 / k;
        p.TaskGap = 20;
        p.IgnoreBlank = skipBlank ? 1 : 0;
        p.FeatherMode = feather > 0 ? 1 : 0;
        // Rounded down to a multiple of passes x k by the job.
        p.FeatherLinesList = {0, feather, 0};
    }
};

// Without masks every image line lies under exactly P nozzles, one from each of P passes: every
// inked pixel gets P drops. With pass masks or column interleave the P passes over a line print
// complementary parts of it, feathered seams included: exactly one drop. A pass count that does
// not divide the head (less the seam) leaves some lines under one nozzle more than P: those may
// get a second drop, but no inked pixel goes without one. No drop lands beside the ink.
TEST_P(Interlaced, EveryInkedPixelOfEveryCopyGetsItsDropsAndNoOtherPixelAny)
{
    struct Case {
        int k;
        int passes;
        int feather;    // seam rows asked for, 0 for none
        int skipBlank;  // with a blank band taller than the head in the middle of the image
        int copies;
        int direction;
        int mode;  // -1 each (masks only if seamed or uneven), 1 pass masks, 2 interleave
    };
    // On 32 head rows: P = 3 steps 10 lines (8 with a 6-row seam), P = 6 steps 5 (4); with
    // k = 3 every step is the base, so the passes over a line are 3 apart.
    constexpr Case kCases[] = {
        {1, 1, 0, 0, 1, 0, -1},  {1, 4, 0, 0, 1, 0, -1}, {1, 2, 8, 0, 1, 0, 1},
        {1, 2, 8, 0, 1, 1, 1},   {1, 2, 8, 1, 1, 0, 1},  {2, 1, 0, 0, 1, 0, -1},
        {2, 2, 0, 0, 1, 0, -1},  {2, 4, 0, 0, 1, 0, -1}, {2, 2, 8, 1, 2, 0, -1},
        {2, 2, 8, 0, 1, 0, -1},  {3, 2, 0, 1, 2, 0, -1}, {3, 2, 12, 0, 1, 0, -1},
        {3, 2, 12, 1, 2, 0, -1}, {3, 2, 6, 0, 1, 0, 1},  {4, 2, 0, 0, 1, 0, -1},
        {4, 2, 16, 1, 1, 0, -1}, {4, 2, 0, 1, 2, 0, -1}, {6, 2, 0, 0, 2, 0, -1},
        {6, 2, 0, 1, 1, 0, -1},  {1, 3, 0, 0, 1, 0, -1}, {1, 3, 6, 0, 1, 0, -1},
        {1, 6, 0, 0, 1, 0, 2},   {1, 6, 6, 0, 1, 0, 2},  {2, 3, 0, 0, 1, 0, 1},
        {2, 3, 6, 0, 1, 0, -1},  {2, 6, 0, 0, 1, 0, 2},  {3, 3, 0, 0, 1, 0, 1},
        {3, 3, 9, 0, 1, 0, 2},   {3, 6, 0, 0, 1, 0, 2},  {6, 3, 0, 0, 1, 0, 1},
    };
    const int h = HeadRows();
    for (const Case& c : kCases) {
        UseInterlace(c.k, c.feather, c.skipBlank);
        const int band = c.skipBlank ? (c.k + 2) * h : 0;
        const CRipImage image =
            MakeImage(24, 2 * c.k * h + band + 7, 20 + c.k, c.k * h, c.k * h + band);
        const bool even = (h - c.feather) % c.passes == 0;
        for (int mode : {kMaskNone, kMaskPass, kMaskInterleave}) {
            if ((c.mode >= 0 && mode != c.mode) ||
                ((c.feather > 0 || !even) && mode == kMaskNone)) {
                continue;  // seams and uneven passes are for masks
            }
            std::ostringstream name;
            name << "k " << c.k << ", " << c.passes << " passes, seam " << c.feather
                 << (c.skipBlank ? ", blank skipping, " : ", ") << c.copies << " copies, direction "
                 << c.direction << ", mask mode " << mode;
            JobRequest request;
            request.task = Task(file, c.passes, mode, c.direction);
            request.copies = c.copies;
            const std::vector<int> under = Coverage(request.task, image.Height());
            ASSERT_GE(*std::min_element(under.begin(), under.end()), c.passes) << name.str();
            if (mode == kMaskNone) {
                EXPECT_EQ(*std::max_element(under.begin(), under.end()), c.passes) << name.str();
            }
            const int times = mode == kMaskNone ? c.passes : 1;
            const JobResult result = Print(request);
            ASSERT_TRUE(result.completed) << name.str() << ": " << result.error;
            const sim::CMediaSheet sheet = printer->Sheet();
            int top = Top(sheet, request.task);
            for (int copy = 0; copy < request.copies; ++copy) {
                if (copy > 0) {
                    top = FindCopy(sheet, image, top + image.Height());
                    ASSERT_GE(top, 0) << name.str() << ": copy " << copy + 1 << " is missing";
                }
                EXPECT_EQ(Compare(sheet, image, top, 0, image.Height(), times,
                                  even ? std::vector<int>{} : under, c.passes),
                          "")
                    << name.str() << ", copy " << copy + 1;
            }
            if (even) {
                EXPECT_EQ(SheetDrops(sheet), times * request.copies * Ink(image)) << name.str();
            }
            EXPECT_EQ(sheet.OutsideDrops(), 0) << name.str();
        }
    }
}

// A job stopped by the operator, by a pass that never finishes or by a pulled cable resumes at
// the lines fed less the head's k-fold height; the two parts print every line where it belongs.
TEST_P(Interlaced, AStoppedJobResumesAtItsLineAndBothPartsPrintEachLineWhereItBelongs)
{
    using test::Fault;
    struct Case {
        int k;
        Fault fault;
        int after;     // passes acknowledged when it happens
        int stopLine;  // -1: wherever the poll thread notices
    };
    // 32 head rows in 2 passes: k = 1 steps 16; k = 2 steps 16, 15, 16, 17; k = 4 steps 16, 14,
    // 16, 17, 16, 18, 16, 15 (each cycle k x 32 lines); k = 3 steps 16 throughout; k = 6 steps
    // 16, 15, 16, 16, 16, 16, 16, 17, 16, 16, 16, 16. A stalled job has sent one pass more than
    // were acknowledged; a cancelled one stops before the next.
    constexpr Case kCases[] = {
        {1, Fault::Cancel, 3, 3 * 16 - 32},
        {1, Fault::Cancel, 6, 6 * 16 - 32},
        {1, Fault::Stall, 4, 5 * 16 - 32},
        {1, Fault::Unplug, 5, -1},
        {2, Fault::Stall, 7, 16 + 15 + 16 + 17 + 16 + 15 + 16 + 17 - 2 * 32},  // 64
        {4, Fault::Stall, 11,
         16 + 14 + 16 + 17 + 16 + 18 + 16 + 15 + 16 + 14 + 16 + 17 - 128},  // 63
        {3, Fault::Stall, 9, 10 * 16 - 3 * 32},                             // 64
        {6, Fault::Stall, 13, 6 * 32 + 16 + 15 - 6 * 32},                   // 31
        {2, Fault::Stall, 2, 0},  // still within the head's k-fold height: from the top again
    };
    const int h = HeadRows();
    ASSERT_EQ(h, 32);
    for (const Case& c : kCases) {
        UseInterlace(c.k, 0, false);
        const CRipImage image = MakeImage(24, std::max(2 * c.k * h + 7, 5 * h), 40 + c.k);
        for (int mode : {kMaskNone, kMaskPass, kMaskInterleave}) {
            std::ostringstream name;
            name << "k " << c.k << ", fault " << static_cast<int>(c.fault) << " after " << c.after
                 << ", mask mode " << mode;
            JobRequest request;
            request.task = Task(file, 2, mode);
            test::CopyObserver observer;
            observer.onPass = [&](int sent, int /*total*/) {
                if (sent == c.after) {
                    Inject(c.fault);
                }
            };
            machine->Set(MachineState::Printing);
            const bool failure = c.fault != Fault::Cancel;
            const JobResult stopped = Print(request, &observer, failure ? 300 : test::kGenerousMs);
            ASSERT_FALSE(stopped.completed) << name.str();
            ASSERT_TRUE(stopped.resume) << name.str();
            // A pulled cable stops the job as soon as the poll thread finds the printer gone,
            // or fails it when a transfer notices first.
            if (c.fault != Fault::Unplug) {
                EXPECT_EQ(stopped.error.empty(), !failure) << name.str() << ": " << stopped.error;
            }
            const int stop = stopped.resumeLine;
            if (c.stopLine >= 0) {
                ASSERT_EQ(stop, c.stopLine) << name.str();
            } else {
                ASSERT_GT(stop, 0) << name.str();
            }
            ASSERT_LT(stop, image.Height()) << name.str();
            const sim::CMediaSheet first = printer->Sheet();
            const int top1 = Top(first, request.task);
            if (c.fault == Fault::Unplug) {
                // Plugged in again, the printer restarts and the program finds it ready.
                printer->Replug();
                ASSERT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
            }
            machine->Set(MachineState::Ready);
            request.task.resume = true;
            request.task.resumeLine = stop;
            const std::vector<int> coverage = Coverage(request.task, image.Height() - stop);
            const JobResult resumed = Print(request);
            ASSERT_TRUE(resumed.completed) << name.str() << ": " << resumed.error;
            const sim::CMediaSheet second = printer->Sheet();
            const int top2 = Top(second, request.task);
            EXPECT_EQ(*std::max_element(coverage.begin(), coverage.end()), 2) << name.str();
            EXPECT_EQ(*std::min_element(coverage.begin(), coverage.end()), 2) << name.str();
            // Without masks every line from the stop line on lies under P nozzles of the
            // resumed job; with them the lines before it were finished by the stopped one.
            const int times = mode == kMaskNone ? 2 : 1;
            if (mode != kMaskNone) {
                EXPECT_EQ(Compare(first, image, top1, 0, stop, 1), "") << name.str();
            }
            EXPECT_EQ(Compare(second, image, top2, stop, image.Height(), times), "")
                << name.str() << ", resumed";
            EXPECT_EQ(DropsOnBlank(first, image, top1, 0, image.Height()), 0) << name.str();
        }
    }
}

// The printer type's PassFeedAfter: only 1 pairs a header's feed with the next pass; it is
// saved with the printer type, dumped, and the virtual printer takes it from the same place.
TEST_F(SheetJobTest, PassFeedAfterIsReadSavedDumpedAndReachesTheVirtualPrinter)
{
    struct Row {
        const char* text;  // in the file; empty reads as missing
        int value;
    };
    for (const Row row : {Row{"1", 1}, Row{"0", 0}, Row{"", 0}, Row{"2", 0}, Row{"-1", 0}}) {
        cfg.Set("P", "PassFeedAfter", row.text);
        CPrinterConfig loaded(cfg.dir.Path());
        loaded.LoadConfig();
        const std::string text = row.text;
        EXPECT_EQ(loaded.params.PassFeedAfter, row.value) << text;
        EXPECT_EQ(sim::HeadsFromConfig(loaded).feedAfterPass, row.value == 1) << text;
        const auto dump = DescribeConfig(loaded);
        const auto it = std::find_if(dump.begin(), dump.end(), [](const auto& field) {
            return field.first == "PassFeedAfter";
        });
        ASSERT_NE(it, dump.end());
        EXPECT_EQ(it->second, std::to_string(row.value)) << text;
    }
    CPrinterConfig config(cfg.dir.Path());
    config.LoadConfig();
    config.params.PassFeedAfter = 1;
    ASSERT_TRUE(config.SavePrinterType());
    CPrinterConfig reloaded(cfg.dir.Path());
    reloaded.LoadConfig();
    EXPECT_EQ(reloaded.params.PassFeedAfter, 1);
}

INSTANTIATE_TEST_SUITE_P(Pairings, Interlaced, ::testing::Values(0, 1), [](const auto& test) {
    return std::string(test.param == 0 ? "FeedBeforeThePass" : "FeedAfterThePass");
});

}  // namespace
