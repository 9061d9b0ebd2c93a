// Copies, copy gap, resume line and end-of-job state of the job thread against the virtual
// printer.
#include <gtest/gtest.h>

#include "device/Protocol.h"
#include "job/JobControl.h"
#include "job/JobFixture.h"
#include "job/JobRunner.h"

using namespace tavolux;

namespace {

class JobRunnerTest : public test::JobFixture {
protected:
    // Runs the request as the job thread does, from the printing state.
    JobResult Run(const JobRequest& request, IJobRunnerObserver* observer = nullptr,
                  JobLimits limits = Limits())
    {
        machine->Set(MachineState::Printing);
        CJobRunner runner(Env(), random, observer);
        runner.SetLimits(limits);
        EXPECT_TRUE(runner.Start(request));
        EXPECT_FALSE(runner.Start(request)) << "one job at a time";
        return runner.Wait();
    }

    JobRequest Request(const std::string& name, int lines, int copies)
    {
        JobRequest request;
        request.task = Task(Image(24, lines, 21, name), 2, 1);
        request.copies = copies;
        return request;
    }

    // The value of each lone 0x8C (a feed outside a pass header) and 0xE1 packet, in order,
    // with the number of job starts (0x92) seen before it.
    struct Feed {
        uint8_t code;
        int32_t value;
        int job;
    };
    std::vector<Feed> Feeds()
    {
        std::vector<Feed> out;
        int jobs = 0;
        uint8_t previous = 0;
        for (const auto& c : printer->Commands()) {
            if (c.empty()) {
                continue;
            }
            jobs += c[0] == wire::cmd::kBeginJob ? 1 : 0;
            const bool lone = c[0] == wire::cmd::kPassOffset &&
                              previous != wire::cmd::kPassForward &&
                              previous != wire::cmd::kPassBackward;
            if (c.size() == 4 && (lone || c[0] == wire::cmd::kPassControlE1)) {
                out.push_back({c[0], wire::U24(c.data() + 1), jobs});
            }
            previous = c[0];
        }
        return out;
    }
};

TEST_F(JobRunnerTest, TwoCopiesShowTheirNumberAndTheSecondStartsAfterTheCopyGap)
{
    for (int taskGap : {200, 0}) {
        cfg.config.params.TaskGap = taskGap;
        printer->ClearCommands();
        test::CopyObserver observer;
        const JobResult result = Run(Request("two.prn", 50, 2), &observer);
        ASSERT_TRUE(result.completed) << result.error;
        EXPECT_EQ(result.copiesDone, 2);
        EXPECT_EQ(observer.copies, (std::vector<std::string>{"2(1)", "2(2)"}));
        EXPECT_EQ(CountOf(wire::cmd::kBeginJob), 2);
        EXPECT_EQ(machine->Get(), MachineState::Ready);

        // The first feed of each copy: none for the first; the gap for the second, forward
        // when the task gap is longer than the head, backward when it is shorter.
        const auto feeds = Feeds();
        int32_t forward2 = -1;
        int32_t backward2 = 0;
        for (const auto& f : feeds) {
            if (f.job == 1 && f.code == wire::cmd::kPassOffset) {
                EXPECT_EQ(f.value, 0) << "the first copy starts without a gap";
            }
            if (f.job == 2 && f.code == wire::cmd::kPassOffset && forward2 < 0) {
                forward2 = f.value;
            }
            if (f.job == 2 && f.code == wire::cmd::kPassControlE1) {
                backward2 = f.value;
            }
        }
        // The gap less the head's 32 lines (270.93 pulses of 0.01 mm), plus the last feed (7
        // passes of 16 lines, 135.47 pulses, feed 948 pulses, the last 136), cut to a whole
        // pulse: 19865.07 forward, or 134.93 back without a gap.
        EXPECT_EQ(forward2, taskGap > 0 ? 19865 : 0);
        EXPECT_EQ(backward2, taskGap > 0 ? 0 : 134);
    }
}

TEST_F(JobRunnerTest, AResumedTaskStartsItsFirstCopyAtTheResumeLineOnly)
{
    test::CopyObserver observer;
    std::vector<int> totals;
    std::mutex totalsMutex;
    observer.onPass = [&](int sent, int total) {
        if (sent == 1) {
            std::lock_guard lock(totalsMutex);
            totals.push_back(total);
        }
    };
    JobRequest request = Request("r.prn", 90, 2);
    request.task.resume = true;
    request.task.resumeLine = 60;
    const JobResult result = Run(request, &observer);
    ASSERT_TRUE(result.completed) << result.error;
    EXPECT_FALSE(result.resume);
    EXPECT_EQ(result.resumeLine, 60);
    // 2 passes of 16 lines under a 32-line head: the 30 lines from 60 on and the head's
    // height take 4 steps and one more pass, the whole 90 lines 8 and one.
    EXPECT_EQ(totals, (std::vector<int>{5, 9})) << "the resumed copy prints fewer passes";
}

// The progress a pass reports counts the blank passes skipped before it as done. Ink in lines
// 0..31 and 112..149 of 150: of the 13 passes of 16 lines, 3..6 see a blank head and 11..12 lie
// past the ink, the last of them handed over without data to end the job.
TEST_F(JobRunnerTest, ProgressCountsTheBlankPassesSkippedBeforeAPassAsDone)
{
    cfg.config.params.IgnoreBlank = 1;
    const auto file = cfg.dir.Path() / "gap.prn";
    ASSERT_TRUE(test::RandomImage(24, 150, 23, 32, 112).Write(file));
    std::mutex mutex;
    std::vector<std::pair<int, int>> reports;
    test::CopyObserver observer;
    observer.onPass = [&](int sent, int total) {
        std::lock_guard lock(mutex);
        reports.emplace_back(sent, total);
    };
    JobRequest request;
    request.task = Task(file, 2, 1);
    const JobResult result = Run(request, &observer);
    ASSERT_TRUE(result.completed) << result.error;
    std::vector<std::pair<int, int>> expected;
    for (const int sent : {1, 2, 3, 8, 9, 10, 11, 13}) {
        expected.emplace_back(sent, 13);
    }
    EXPECT_EQ(reports, expected);
}

// A cancelled copy ends the request; it resumes at the lines fed by the passes sent less the
// head's height, which spans k lines per nozzle row, or, for one pass without interlace, at the
// lines fed. Steps on the 32 head rows: P = 1 feeds 32 (k = 1, 3) or 31, 33 (k = 2); P = 2
// feeds 16 (k = 1) or 16, 15, 16, 17 (k = 2).
TEST_F(JobRunnerTest, ACancelledCopyEndsTheRequestWithItsResumeLineAndTheMachineReady)
{
    struct Case {
        int k;
        int passes;
        int after;  // passes sent when the operator cancels
        int resumeLine;
    };
    constexpr Case kCases[] = {
        {1, 1, 5, 5 * 32},
        {1, 2, 4, 4 * 16 - 32},
        {2, 1, 5, 31 + 33 + 31 + 33 + 31 - 2 * 32},            // 95
        {2, 2, 7, 16 + 15 + 16 + 17 + 16 + 15 + 16 - 2 * 32},  // 47
        {3, 1, 4, 4 * 32 - 3 * 32},                            // 32
    };
    for (const Case& c : kCases) {
        cfg.config.params.PrinterResolution = 300 / c.k;
        test::CopyObserver observer;
        observer.onPass = [&](int sent, int) {
            if (sent == c.after) {
                RequestCancel(*machine);
            }
        };
        JobRequest request = Request("x.prn", 300, 3);
        request.task.passes = c.passes;
        const JobResult result = Run(request, &observer);
        const std::string name =
            "k " + std::to_string(c.k) + ", " + std::to_string(c.passes) + " passes";
        EXPECT_FALSE(result.completed) << name;
        EXPECT_TRUE(result.stopped) << name;
        EXPECT_TRUE(result.resume) << name;
        EXPECT_EQ(result.copiesDone, 0) << name;
        EXPECT_EQ(observer.copies.size(), 1u) << name;
        EXPECT_EQ(result.resumeLine, c.resumeLine) << name;
        EXPECT_EQ(machine->Get(), MachineState::Ready) << name;
    }
}

// Automatic flash: during the job the printer sprays before every 2n-th pass (n being the
// flash alternation) and the job waits for it; after the job it sprays on at the flash
// frequency and the machine shows flashing. The 90-line job prints 9 passes (0..8).
class AutoFlashJobTest : public JobRunnerTest {
protected:
    // The printer-ready download sends the frequency too: set before the poll thread starts.
    void Configure(CPrinterConfig& config) override { config.params.FlashFrequency = 37; }
};

TEST_F(AutoFlashJobTest, SpraysBeforeEvery2NthPassAndAfterTheJob)
{
    struct Row {
        int autoFlash;
        int alternation;
        std::vector<int> headersBefore;  // pass headers sent before each in-print flash
    };
    const Row rows[] = {
        {1, 1, {2, 4, 6, 8}}, {1, 2, {4, 8}}, {1, 3, {6}}, {1, 0, {}}, {0, 2, {}},
    };
    for (const Row& row : rows) {
        auto& p = cfg.config.params;
        p.AutoFlash = row.autoFlash;
        p.FlashAlternation = row.alternation;
        printer->ClearCommands();
        const JobResult result = Run(Request("flash.prn", 90, 1));
        const std::string name = "auto flash " + std::to_string(row.autoFlash) + ", every " +
                                 std::to_string(row.alternation);
        ASSERT_TRUE(result.completed) << name << ": " << result.error;
        std::vector<int> flashes;
        int headers = 0;
        std::vector<std::vector<uint8_t>> after;  // the commands after the last pass header
        for (const auto& c : printer->Commands()) {
            if (c.empty()) {
                continue;
            }
            after.push_back(c);
            if (c[0] == wire::cmd::kPassDataStart && c.size() == 3) {
                ++headers;
                after.clear();
            }
            if (c[0] == wire::cmd::kInPrintFlash) {
                flashes.push_back(headers);
            }
        }
        EXPECT_EQ(headers, 9) << name;
        EXPECT_EQ(flashes, row.headersBefore) << name;
        const auto sent = [&](uint8_t code) {
            return std::find_if(after.begin(), after.end(),
                                [&](const auto& c) { return c[0] == code; });
        };
        const auto frequency = sent(wire::cmd::kSetFlashFrequency);
        const auto start = sent(wire::cmd::kStartFlash);
        if (row.autoFlash == 1) {
            ASSERT_NE(frequency, after.end()) << name;
            EXPECT_EQ(*frequency, (std::vector<uint8_t>{wire::cmd::kSetFlashFrequency, 37}))
                << name;
            ASSERT_NE(start, after.end()) << name;
            EXPECT_LT(frequency - after.begin(), start - after.begin()) << name;
            EXPECT_EQ(machine->Get(), MachineState::Flash) << name;
        } else {
            EXPECT_EQ(frequency, after.end()) << name;
            EXPECT_EQ(start, after.end()) << name;
            EXPECT_EQ(machine->Get(), MachineState::Ready) << name;
        }
    }
}

// Even boards (the small test printer's 0) feed back to the start at the end; odd boards end
// the job instead.
class JobEndTest : public JobRunnerTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        printVer = GetParam();
        JobRunnerTest::SetUp();
    }
};

TEST_P(JobEndTest, EvenBoardsFeedBackToTheStartOddOnesEndTheJob)
{
    JobRequest request = Request("end.prn", 40, 1);
    request.startPosition = 1234;
    const JobResult result = Run(request);
    EXPECT_TRUE(result.completed) << result.error;
    EXPECT_EQ(machine->Get(), MachineState::Ready);
    // The feeds (0x91) and job ends (0xE9) after the last pass header.
    const auto commands = printer->Commands();
    const auto last = std::find_if(commands.rbegin(), commands.rend(), [](const auto& c) {
        return !c.empty() && (c[0] == wire::cmd::kPassForward || c[0] == wire::cmd::kPassBackward);
    });
    ASSERT_NE(last, commands.rend()) << "no pass header";
    std::vector<int32_t> feeds;
    int endJobs = 0;
    for (auto c = commands.begin() + (commands.rend() - last); c != commands.end(); ++c) {
        if (c->size() == 4 && (*c)[0] == wire::cmd::kFeedMedia) {
            feeds.push_back(wire::U24(c->data() + 1));
        }
        endJobs += !c->empty() && (*c)[0] == wire::cmd::kEndJob ? 1 : 0;
    }
    const bool even = GetParam() % 2 == 0;
    EXPECT_EQ(feeds, even ? std::vector<int32_t>{1234} : std::vector<int32_t>{});
    EXPECT_EQ(endJobs, even ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Boards, JobEndTest, ::testing::Values(0, 1));

TEST_F(JobRunnerTest, APrinterThatNeverFinishesTheFeedBackStillLeavesTheMachineReady)
{
    test::CopyObserver observer;
    // Nobody reads the printer's replies once the passes are done: MoveDone never comes.
    observer.onFinished = [&](const JobResult&) { poller->Stop(); };
    JobLimits limits = Limits();
    limits.moveMs = 300;
    JobRequest request = Request("silent.prn", 40, 1);
    request.startPosition = 500;
    const JobResult result = Run(request, &observer, limits);
    EXPECT_TRUE(result.completed) << "every pass was printed: " << result.error;
    EXPECT_EQ(machine->Get(), MachineState::Ready);
    const auto commands = printer->Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back()[0], wire::cmd::kFeedMedia);
}

}  // namespace
