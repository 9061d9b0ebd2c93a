// Whole jobs printed onto the virtual printer's sheet: what lands on the media must be the
// image, drop for drop, for every head arrangement and direction.
#include <gtest/gtest.h>

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
    // sheet line `top`) differ from `times` x the image bit; the first few are described.
    int Mismatches(const sim::CMediaSheet& sheet, const CRipImage& image, int top, int from, int to,
                   int times, std::string* where = nullptr) const
    {
        int bad = 0;
        for (int c = 0; c < arrangement.colours; ++c) {
            const int plane = PlaneOf(c, arrangement);
            for (int y = from; y < to; ++y) {
                for (int x = 0; x < image.Width(); ++x) {
                    const int want = plane >= 0 && image.Pixel(x, y, plane) ? times : 0;
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

}  // namespace
