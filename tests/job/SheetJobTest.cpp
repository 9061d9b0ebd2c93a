// Whole jobs printed onto the virtual printer's sheet: what lands on the media must be the
// image, drop for drop, for every head arrangement and direction.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <type_traits>

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
        p.TaskGap = taskGap;
        if (featherLines > 0) {
            p.FeatherMode = 1;
            p.FeatherLinesList = {0, featherLines, 0};
        }
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
    CRipImage MakeImage(int width, int height, uint64_t seed, const std::string& name)
    {
        const int planes = arrangement.white != 0
                               ? arrangement.colours - arrangement.whiteColours + 1
                               : arrangement.colours;
        CRipImage image(width, height, planes, 300, 300);
        CRandomSource pixels(seed);
        image.Fill("random", pixels);
        file = cfg.dir.Path() / name;
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

    // Pixels of lines [from, to) of the image whose drops on the sheet (image line `from` on
    // sheet line `top`) differ from `times` (a count, or a count per image line) x the image
    // bit; the first few are described.
    template <typename Times>
    int Mismatches(const sim::CMediaSheet& sheet, const CRipImage& image, int top, int from, int to,
                   Times times, std::string* where = nullptr) const
    {
        int bad = 0;
        for (int c = 0; c < arrangement.colours; ++c) {
            const int plane = PlaneOf(c, arrangement);
            for (int y = from; y < to; ++y) {
                for (int x = 0; x < image.Width(); ++x) {
                    int want = 0;
                    if (plane >= 0 && image.Pixel(x, y, plane)) {
                        if constexpr (std::is_integral_v<Times>) {
                            want = times;
                        } else {
                            want = times(y);
                        }
                    }
                    const int got = sheet.DropsAt(c, x, top + y - from);
                    if (got != want && bad++ < 3 && where != nullptr) {
                        std::ostringstream s;
                        s << " channel " << c << " line " << y << " x " << x << ": " << got
                          << " drops, want " << want << ";";
                        *where += s.str();
                    }
                }
            }
        }
        return bad;
    }

    // Drops on the sheet outside lines [top, top + lines) and columns [0, width).
    static int64_t DropsOutside(const sim::CMediaSheet& sheet, int channels, int top, int lines,
                                int width)
    {
        int64_t drops = sheet.OutsideDrops();
        for (int c = 0; c < channels; ++c) {
            for (int y = 0; y < sheet.Height(); ++y) {
                for (int x = 0; x < sheet.Width(); ++x) {
                    if (y < top || y >= top + lines || x >= width) {
                        drops += sheet.DropsAt(c, x, y);
                    }
                }
            }
        }
        return drops;
    }

    Arrangement arrangement = kArrangements[0];
    int taskGap = 0;
    int featherLines = 0;
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

TEST_P(EveryArrangement, PrintsTheImageWithOneDropPerPixelOrPDropsWithoutMasks)
{
    const CRipImage image = MakeImage(40, 3 * HeadRows() / 2 + 5, 11, "sheet.prn");
    const int passes = 2;
    const int step = HeadRows() / passes;
    for (int direction : {0, 1}) {
        for (int mode : {kMaskPass, kMaskInterleave, kMaskNone}) {
            JobRequest request;
            request.task = Task(file, passes, mode, direction);
            const JobResult result = Print(request);
            ASSERT_TRUE(result.completed) << result.error;
            const sim::CMediaSheet sheet = printer->Sheet();
            // The first pass prints the image's first lines with the last rows of the head.
            const int top = sheet.FirstPassLine() + HeadRows() - step;
            const int times = mode == kMaskNone ? passes : 1;
            std::string where;
            EXPECT_EQ(Mismatches(sheet, image, top, 0, image.Height(), times, &where), 0)
                << "direction " << direction << ", mask mode " << mode << ":" << where;
            EXPECT_EQ(DropsOutside(sheet, arrangement.colours, top, image.Height(), image.Width()),
                      0)
                << "direction " << direction << ", mask mode " << mode;
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

class Feathered : public SheetJobTest {
protected:
    void SetUp() override
    {
        featherLines = 8;
        SheetJobTest::SetUp();
    }
};

TEST_F(Feathered, SeamsAreSharedAndEveryPixelStillGetsOneDrop)
{
    const CRipImage image = MakeImage(40, 4 * HeadRows() + 3, 14, "feather.prn");
    const int passes = 2;
    const int step = (HeadRows() - featherLines) / passes;
    // With blank skipping too: the rows of a feathered seam stay under the head one pass
    // longer than the others, and the pass that prints their second half is not blank.
    for (int direction : {0, 1, 2}) {
        cfg.config.params.IgnoreBlank = direction == 2 ? 1 : 0;
        JobRequest request;
        request.task = Task(file, passes, kMaskPass, direction % 2);
        const JobResult result = Print(request);
        ASSERT_TRUE(result.completed) << result.error;
        const sim::CMediaSheet sheet = printer->Sheet();
        const int top = sheet.FirstPassLine() + HeadRows() - step;
        std::string where;
        EXPECT_EQ(Mismatches(sheet, image, top, 0, image.Height(), 1, &where), 0)
            << "direction " << direction << ":" << where;
        EXPECT_EQ(DropsOutside(sheet, arrangement.colours, top, image.Height(), image.Width()), 0);
    }
}

// Finds the sheet line where the image starts, searching from `from`; -1 when it is nowhere.
int FindImage(const sim::CMediaSheet& sheet, const CRipImage& image, int from)
{
    for (int top = from; top + image.Height() <= sheet.Height(); ++top) {
        bool match = true;
        for (int x = 0; x < image.Width() && match; ++x) {
            match = sheet.DropsAt(0, x, top) == (image.Pixel(x, 0, PlaneOf(0)) ? 1 : 0) &&
                    sheet.DropsAt(0, x, top + 1) == (image.Pixel(x, 1, PlaneOf(0)) ? 1 : 0);
        }
        if (match) {
            return top;
        }
    }
    return -1;
}

TEST_F(SheetJobTest, TwoCopiesLieOneAfterTheOtherSeparatedByTheCopyGap)
{
    const CRipImage image = MakeImage(32, 70, 12, "copies.prn");
    // A gap of 20 mm between the copies, a small one that is shorter than the head, and none.
    std::vector<int> blanks;
    for (int gapMm : {20, 2}) {
        taskGap = gapMm;
        cfg.config.params.TaskGap = gapMm;
        test::CopyObserver observer;
        JobRequest request;
        request.task = Task(file, 2, kMaskPass);
        request.copies = 2;
        const JobResult result = Print(request, &observer);
        ASSERT_TRUE(result.completed) << result.error;
        EXPECT_EQ(observer.copies, (std::vector<std::string>{"2(1)", "2(2)"}));
        const sim::CMediaSheet sheet = printer->Sheet();
        const int first = FindImage(sheet, image, 0);
        ASSERT_GE(first, 0);
        const int second = FindImage(sheet, image, first + image.Height());
        ASSERT_GT(second, first) << "the second copy is not on the sheet";
        std::string where;
        EXPECT_EQ(Mismatches(sheet, image, first, 0, image.Height(), 1, &where), 0) << where;
        EXPECT_EQ(Mismatches(sheet, image, second, 0, image.Height(), 1, &where), 0) << where;
        blanks.push_back(second - first - image.Height());
    }
    // 18 mm more of gap is 18 / 25.4 x 300 = 212.6 lines more between the copies.
    ASSERT_EQ(blanks.size(), 2u);
    EXPECT_NEAR(blanks[0] - blanks[1], 212.6, 1.5);
}

TEST_F(SheetJobTest, AStoppedJobAndItsResumptionCoverEveryLine)
{
    const CRipImage image = MakeImage(24, 5 * HeadRows(), 13, "resume.prn");
    const int step = HeadRows() / 2;
    // The operator cancels after a few passes, the printer stops finishing a pass, or its
    // cable is pulled.
    enum class Cause { Cancel, Stall, Unplug };
    struct Stop {
        int after;
        Cause cause;
    };
    for (const Stop cause : {Stop{3, Cause::Cancel}, Stop{6, Cause::Cancel}, Stop{4, Cause::Stall},
                             Stop{5, Cause::Unplug}}) {
        const int stopAfter = cause.after;
        JobRequest request;
        request.task = Task(file, 2, kMaskPass);
        test::CopyObserver stop;
        stop.onPass = [&](int sent, int /*total*/) {
            if (sent != stopAfter) {
                return;
            }
            if (cause.cause == Cause::Stall) {
                printer->StallNextPass();
            } else if (cause.cause == Cause::Unplug) {
                printer->Unplug();
            } else {
                RequestCancel(*machine);
            }
        };
        machine->Set(MachineState::Printing);
        const bool failure = cause.cause != Cause::Cancel;
        const JobResult stopped = Print(request, &stop, failure ? 300 : test::kGenerousMs);
        ASSERT_FALSE(stopped.completed);
        ASSERT_TRUE(stopped.resume);
        // A pulled cable stops the job as soon as the poll thread finds the printer gone, or
        // fails it when a transfer notices first.
        if (cause.cause != Cause::Unplug) {
            EXPECT_EQ(stopped.error.empty(), !failure) << stopped.error;
        }
        const int resumeLine = stopped.resumeLine;
        ASSERT_GT(resumeLine, 0);
        ASSERT_LT(resumeLine, image.Height());
        const sim::CMediaSheet first = printer->Sheet();
        const int top1 = first.FirstPassLine() + HeadRows() - step;
        std::string where;
        EXPECT_EQ(Mismatches(first, image, top1, 0, resumeLine, 1, &where), 0)
            << "stopped after " << stopAfter << ":" << where;

        if (cause.cause == Cause::Unplug) {
            // Plugged in again, the printer restarts and the program finds it ready.
            printer->Replug();
            ASSERT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
        }
        machine->Set(MachineState::Ready);
        request.task.resume = true;
        request.task.resumeLine = resumeLine;
        const JobResult resumed = Print(request);
        ASSERT_TRUE(resumed.completed) << resumed.error;
        const sim::CMediaSheet second = printer->Sheet();
        const int top2 = second.FirstPassLine() + HeadRows() - step;
        EXPECT_EQ(Mismatches(second, image, top2, resumeLine, image.Height(), 1, &where), 0)
            << "resumed at " << resumeLine << ":" << where;
    }
}

// Interlaced jobs: the printer's nozzle pitch is k job lines, so a head of H nozzle rows spans
// H x k lines and nozzle n of a pass prints the window's line n x k; the steps of an interlace
// cycle differ from pass to pass. Each case runs once with each pairing of a pass header's feed
// (before or after the pass it belongs to).
struct InterlaceCase {
    int k;
    bool feather;
    bool skipBlank;  // with a blank band taller than the head in the middle of the image
    int copies;
};

constexpr InterlaceCase kInterlaceCases[] = {
    {2, false, false, 1}, {2, true, true, 2},   {2, true, false, 1},  {3, false, true, 2},
    {3, true, false, 1},  {3, true, true, 2},   {4, false, false, 1}, {4, true, true, 1},
    {4, false, true, 2},  {6, false, false, 2}, {6, false, true, 1},
};

class Interlaced : public SheetJobTest, public ::testing::WithParamInterface<int> {
protected:
    void UseInterlace(int k, bool feather, bool skipBlank)
    {
        auto& p = cfg.config.params;
        p.PassFeedAfter = GetParam();
        p.PrinterResolution = 300 / k;
        p.TaskGap = 20;
        p.IgnoreBlank = skipBlank ? 1 : 0;
        p.FeatherMode = feather ? 1 : 0;
        // Rounded down to a multiple of passes x k by the job.
        p.FeatherLinesList = {0, feather ? 2 * 2 * k : 0, 0};
    }

    // Prints the request and checks that every copy on the sheet is the image with `times`
    // drops on each inked pixel, and that no drop lies anywhere else.
    void PrintAndExpectCopies(const JobRequest& request, const CRipImage& image, int times,
                              const std::string& name)
    {
        const JobResult result = Print(request);
        ASSERT_TRUE(result.completed) << name << ": " << result.error;
        const sim::CMediaSheet sheet = printer->Sheet();
        int top = Top(sheet, request.task);
        for (int copy = 0; copy < request.copies; ++copy) {
            if (copy > 0) {
                top = FindCopy(sheet, image, top + image.Height());
                ASSERT_GE(top, 0) << name << ": copy " << copy + 1 << " is missing";
            }
            std::string where;
            EXPECT_EQ(Mismatches(sheet, image, top, 0, image.Height(), times, &where), 0)
                << name << ", copy " << copy + 1 << ":" << where;
        }
        EXPECT_EQ(SheetDrops(sheet), times * request.copies * InkPixels(image, 0, image.Height()))
            << name;
    }

    CRipImage MakeBandedImage(int width, int height, int blankFrom, int blankTo, uint64_t seed)
    {
        CRipImage image(width, height, 4, 300, 300);
        CRandomSource pixels(seed);
        image.Fill("random", pixels);
        for (int y = std::max(blankFrom, 0); y < std::min(blankTo, height); ++y) {
            for (int plane = 0; plane < 4; ++plane) {
                std::fill_n(image.PlaneLine(y, plane), image.BytesPerPlaneLine(), 0);
            }
        }
        file = cfg.dir.Path() / "interlaced.prn";
        EXPECT_TRUE(image.Write(file));
        return image;
    }

    // How many nozzles of the job's passes pass over image line `line` (counted from the job's
    // first line): the window of a pass ends at the lines fed so far, and its H nozzle rows
    // lie k lines apart in it.
    std::vector<int> Coverage(const PassTask& task, int lines)
    {
        CRandomSource r(1);
        CPassGenerator gen(cfg.config, r);
        EXPECT_TRUE(gen.Setup(task)) << gen.ErrorText();
        std::vector<int> count(static_cast<size_t>(std::max(lines, 0)), 0);
        const auto& steps = gen.StepTable();
        const int k = gen.Interlace();
        int fed = 0;
        for (int p = 0; p < gen.TotalPasses(); ++p) {
            fed += steps[static_cast<size_t>(p) % steps.size()];
            for (int n = 0; n < gen.HeadLines(); ++n) {
                const int y = fed - gen.HeadLines() * k + n * k;
                if (y >= 0 && y < lines) {
                    ++count[static_cast<size_t>(y)];
                }
            }
        }
        return count;
    }

    // Whether every image line lies under exactly `passes` windows.
    static bool EvenCoverage(const std::vector<int>& coverage, int passes)
    {
        return std::all_of(coverage.begin(), coverage.end(), [&](int c) { return c == passes; });
    }

    // Drops on pixels that carry no ink in the image: none lands on a wrong line.
    int64_t DropsOnBlank(const sim::CMediaSheet& sheet, const CRipImage& image, int top, int from,
                         int to) const
    {
        int64_t n = 0;
        for (int c = 0; c < 4; ++c) {
            for (int y = from; y < to; ++y) {
                for (int x = 0; x < image.Width(); ++x) {
                    if (!image.Pixel(x, y, PlaneOf(c))) {
                        n += sheet.DropsAt(c, x, top + y - from);
                    }
                }
            }
        }
        return n;
    }

    static int64_t InkPixelsOfLine(const CRipImage& image, int y)
    {
        int64_t n = 0;
        for (int c = 0; c < 4; ++c) {
            for (int x = 0; x < image.Width(); ++x) {
                n += image.Pixel(x, y, PlaneOf(c)) ? 1 : 0;
            }
        }
        return n;
    }

    static int64_t InkPixels(const CRipImage& image, int from, int to)
    {
        int64_t n = 0;
        for (int y = from; y < to; ++y) {
            n += InkPixelsOfLine(image, y);
        }
        return n;
    }

    // Drops of the sheet lines [top, top + lines).
    static int64_t DropsOfLines(const sim::CMediaSheet& sheet, int top, int lines)
    {
        int64_t n = 0;
        for (int c = 0; c < 4; ++c) {
            for (int y = top; y < top + lines; ++y) {
                for (int x = 0; x < sheet.Width(); ++x) {
                    n += sheet.DropsAt(c, x, y);
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

    // The first image line of the job's first pass lies under the head's last rows, which
    // span k lines each.
    int Top(const sim::CMediaSheet& sheet, const PassTask& task)
    {
        CRandomSource r(1);
        CPassGenerator gen(cfg.config, r);
        EXPECT_TRUE(gen.Setup(task));
        return sheet.FirstPassLine() + gen.HeadLines() * gen.Interlace() - gen.StepTable().front();
    }
};

// Without masks every image line lies under exactly P nozzles, one from each of P passes:
// every inked pixel gets P drops, every other none.
TEST_P(Interlaced, EveryLineLiesUnderPNozzlesWithoutMasks)
{
    const int h = HeadRows();
    for (const InterlaceCase& c : kInterlaceCases) {
        if (c.feather) {
            continue;  // feathering thins the seams: the masked test below covers it
        }
        UseInterlace(c.k, false, c.skipBlank);
        const int band = c.skipBlank ? (c.k + 2) * h : 0;
        const CRipImage image =
            MakeBandedImage(24, 2 * c.k * h + band + 7, c.k * h, c.k * h + band, 20 + c.k);
        std::ostringstream name;
        name << "k " << c.k << (c.skipBlank ? ", blank skipping" : "") << ", " << c.copies
             << " copies";
        JobRequest request;
        request.task = Task(file, 2, kMaskNone);
        request.copies = c.copies;
        EXPECT_TRUE(EvenCoverage(Coverage(request.task, image.Height()), 2)) << name.str();
        PrintAndExpectCopies(request, image, 2, name.str());
    }
}

// With pass masks or column interleave the P passes over a line print complementary parts of
// it, feathered seams included: exactly one drop on every inked pixel of every copy, and none
// anywhere else on the sheet.
TEST_P(Interlaced, MaskedJobsDropExactlyOnceOnEveryInkedPixel)
{
    const int h = HeadRows();
    for (const InterlaceCase& c : kInterlaceCases) {
        UseInterlace(c.k, c.feather, c.skipBlank);
        const int band = c.skipBlank ? (c.k + 2) * h : 0;
        const CRipImage image =
            MakeBandedImage(24, 2 * c.k * h + band + 7, c.k * h, c.k * h + band, 20 + c.k);
        for (int mode : {kMaskPass, kMaskInterleave}) {
            std::ostringstream name;
            name << "k " << c.k << (c.feather ? ", feathered" : "")
                 << (c.skipBlank ? ", blank skipping" : "") << ", " << c.copies
                 << " copies, mask mode " << mode;
            JobRequest request;
            request.task = Task(file, 2, mode);
            request.copies = c.copies;
            PrintAndExpectCopies(request, image, 1, name.str());
        }
    }
}

// Feathered with k = 6 on a head of 32 rows in 2 passes, every step is (32 - F) / 2 lines for
// F = 12 or 24, an even number without interlace corrections (32 - F is no multiple of 6): the
// windows never reach the odd lines. What holds: no drop lands beside the ink, the even lines
// get drops, and the odd lines are exactly those no nozzle passes over.
TEST_P(Interlaced, FeatheredSixfoldInterlaceOnThisHeadMissesTheOddLines)
{
    for (const int feather : {12, 24}) {
        UseInterlace(6, true, false);
        cfg.config.params.FeatherLinesList = {0, feather, 0};
        const CRipImage image = MakeBandedImage(24, 3 * 6 * HeadRows(), 0, 0, 70);
        JobRequest request;
        request.task = Task(file, 2, kMaskPass);
        const std::vector<int> coverage = Coverage(request.task, image.Height());
        for (int y = 0; y < image.Height(); ++y) {
            EXPECT_EQ(coverage[static_cast<size_t>(y)] == 0, y % 2 == 1) << "line " << y;
        }
        const JobResult result = Print(request);
        ASSERT_TRUE(result.completed) << result.error;
        const sim::CMediaSheet sheet = printer->Sheet();
        const int top = Top(sheet, request.task);
        EXPECT_EQ(DropsOnBlank(sheet, image, top, 0, image.Height()), 0) << feather;
        int64_t oddDrops = 0;
        for (int y = 1; y < image.Height(); y += 2) {
            oddDrops += DropsOfLines(sheet, top + y, 1);
        }
        EXPECT_EQ(oddDrops, 0) << feather;
        EXPECT_GT(DropsOfLines(sheet, top, image.Height()), InkPixels(image, 0, image.Height()) / 3)
            << feather;
    }
}

// A pass count that does not divide the head's 32 rows (less the feathered seam): P = 3 steps
// 10 lines (8 with a 6-row seam), P = 6 steps 5 (4); with k = 3 every step is the base, so
// the passes over a line are 3 apart. The lines that lie under one nozzle more
// than P may get a second drop; every inked pixel gets at least one, the lines under exactly P
// nozzles exactly one, and no drop lands beside the ink.
TEST_P(Interlaced, PassCountsThatDoNotDivideTheHeadMissNoPixel)
{
    struct Case {
        int k;
        int passes;
        int feather;
        int mode;
    };
    constexpr Case kCases[] = {
        {1, 3, 0, kMaskPass},       {1, 3, 6, kMaskPass},       {1, 3, 6, kMaskInterleave},
        {1, 6, 6, kMaskInterleave}, {2, 3, 6, kMaskPass},       {2, 6, 0, kMaskInterleave},
        {3, 3, 0, kMaskPass},       {6, 3, 0, kMaskInterleave},
    };
    for (const Case& c : kCases) {
        UseInterlace(c.k, c.feather > 0, false);
        cfg.config.params.FeatherLinesList = {0, c.feather, 0};
        const CRipImage image = MakeBandedImage(24, 4 * c.k * HeadRows() + 5, 0, 0, 80 + c.k);
        std::ostringstream name;
        name << "k " << c.k << ", " << c.passes << " passes, seam " << c.feather << ", mask mode "
             << c.mode;
        JobRequest request;
        request.task = Task(file, c.passes, c.mode);
        const std::vector<int> under = Coverage(request.task, image.Height());
        ASSERT_GE(*std::min_element(under.begin(), under.end()), c.passes) << name.str();
        const JobResult result = Print(request);
        ASSERT_TRUE(result.completed) << name.str() << ": " << result.error;
        const sim::CMediaSheet sheet = printer->Sheet();
        const int top = Top(sheet, request.task);
        int missed = 0;
        int doubled = 0;
        for (int ch = 0; ch < 4; ++ch) {
            for (int y = 0; y < image.Height(); ++y) {
                for (int x = 0; x < image.Width(); ++x) {
                    if (!image.Pixel(x, y, PlaneOf(ch))) {
                        continue;
                    }
                    const int drops = sheet.DropsAt(ch, x, top + y);
                    missed += drops == 0 ? 1 : 0;
                    doubled += drops > 1 && under[static_cast<size_t>(y)] == c.passes ? 1 : 0;
                }
            }
        }
        EXPECT_EQ(missed, 0) << name.str();
        EXPECT_EQ(doubled, 0) << name.str();
        EXPECT_EQ(DropsOnBlank(sheet, image, top, 0, image.Height()), 0) << name.str();
        EXPECT_EQ(sheet.OutsideDrops(), 0) << name.str();
    }
}

// Stopped by a pass that never finishes after `after` passes were acknowledged, the job has
// sent one more pass; it resumes at the lines fed less the head's k-fold height.
struct ResumeCase {
    int k;
    int after;
    int stopLine;
};

TEST_P(Interlaced, AStoppedJobResumesAtItsLineAndBothPartsPrintEachLineWhereItBelongs)
{
    // 32 head rows in 2 passes: k = 2 steps 16, 15, 16, 17; k = 4 steps 16, 14, 16, 17, 16,
    // 18, 16, 15 (each cycle k x 32 lines); k = 3 steps 16 throughout; k = 6 steps 16, 15, 16,
    // 16, 16, 16, 16, 17, 16, 16, 16, 16. The head spans 32 x k lines.
    constexpr ResumeCase kCases[] = {
        {2, 7, 16 + 15 + 16 + 17 + 16 + 15 + 16 + 17 - 2 * 32},                    // 64
        {4, 11, 16 + 14 + 16 + 17 + 16 + 18 + 16 + 15 + 16 + 14 + 16 + 17 - 128},  // 63
        {3, 9, 10 * 16 - 3 * 32},                                                  // 64
        {6, 13, 6 * 32 + 16 + 15 - 6 * 32},                                        // 31
        {2, 2, 0},  // still within the head's k-fold height: from the top again
    };
    const int h = HeadRows();
    ASSERT_EQ(h, 32);
    for (const ResumeCase& c : kCases) {
        UseInterlace(c.k, false, false);
        const CRipImage image = MakeBandedImage(24, 2 * c.k * h + 7, 0, 0, 40 + c.k);
        for (int mode : {kMaskNone, kMaskPass, kMaskInterleave}) {
            std::ostringstream name;
            name << "k " << c.k << ", stalled after " << c.after << ", mask mode " << mode;
            JobRequest request;
            request.task = Task(file, 2, mode);
            test::CopyObserver stall;
            stall.onPass = [&](int sent, int /*total*/) {
                if (sent == c.after) {
                    printer->StallNextPass();
                }
            };
            machine->Set(MachineState::Printing);
            const JobResult stopped = Print(request, &stall, 300);
            ASSERT_FALSE(stopped.completed) << name.str();
            ASSERT_TRUE(stopped.resume) << name.str();
            ASSERT_EQ(stopped.resumeLine, c.stopLine) << name.str();
            const sim::CMediaSheet first = printer->Sheet();
            const int top1 = Top(first, request.task);
            const int stop = stopped.resumeLine;
            machine->Set(MachineState::Ready);
            request.task.resume = true;
            request.task.resumeLine = stop;
            const std::vector<int> coverage = Coverage(request.task, image.Height() - stop);
            const JobResult resumed = Print(request);
            ASSERT_TRUE(resumed.completed) << name.str() << ": " << resumed.error;
            const sim::CMediaSheet second = printer->Sheet();
            const int top2 = Top(second, request.task);
            std::string where;
            EXPECT_TRUE(EvenCoverage(coverage, 2)) << name.str();
            if (mode == kMaskNone) {
                // Every line from the stop line on under P nozzles.
                EXPECT_EQ(Mismatches(second, image, top2, stop, image.Height(), 2, &where), 0)
                    << name.str() << ", resumed:" << where;
            } else {
                // The lines before the stop line were finished by the stopped job.
                EXPECT_EQ(Mismatches(first, image, top1, 0, stop, 1, &where), 0)
                    << name.str() << ":" << where;
                EXPECT_EQ(Mismatches(second, image, top2, stop, image.Height(), 1, &where), 0)
                    << name.str() << ", resumed:" << where;
            }
            EXPECT_EQ(DropsOnBlank(first, image, top1, 0, image.Height()), 0) << name.str();
            EXPECT_EQ(DropsOnBlank(second, image, top2, stop, image.Height()), 0) << name.str();
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
