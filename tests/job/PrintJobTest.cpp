// A print job against the virtual printer through the running poll thread: the start protocol,
// every pass handed over and acknowledged, pause, resume and cancel at a chosen pass, and a
// printer that stalls, drops off or never answers ending the job instead of hanging it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <regex>

#include "device/Protocol.h"
#include "job/JobControl.h"
#include "job/JobFixture.h"
#include "job/JobRunner.h"
#include "platform/AtomicFile.h"
#include "platform/NumberText.h"
#include "print/RipImage.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

using namespace tavolux;

namespace {

class PrintJobTest : public test::JobFixture {
protected:
    JobLimits Limits()
    {
        JobLimits l = ShortLimits();
        l.syncMs = test::kGenerousMs;
        l.passMs = test::kGenerousMs;
        return l;
    }

    // Index of the first command packet starting with code, or -1.
    int IndexOf(uint8_t code, int from = 0)
    {
        const auto commands = printer->Commands();
        for (size_t i = static_cast<size_t>(from); i < commands.size(); ++i) {
            if (!commands[i].empty() && commands[i][0] == code) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
};

TEST_F(PrintJobTest, EveryPassIsTransferredHeadedAndAcknowledgedAfterTheStartProtocol)
{
    for (int direction : {0, 1}) {
        printer->ClearCommands();
        const int passesBefore = printer->PassesDone();
        const int64_t rasterBefore = printer->RasterBytes();
        machine->Set(MachineState::Printing);
        const auto task = Task(Image(40, 70, 3, "a.prn"), 2, 1, direction);
        test::HookObserver observer;
        int64_t words = 0;
        {
            // The raster each pass should carry, from a generator of its own.
            CRandomSource r(7);
            CPassGenerator gen(cfg.config, r);
            ASSERT_TRUE(gen.Setup(task));
            ASSERT_TRUE(gen.BuildMasks());
            gen.Prepare();
            std::vector<uint16_t> buffer(static_cast<size_t>(gen.MaxTransferWords()));
            PassDescriptor d;
            while (!gen.Done()) {
                words += gen.BuildNextPass(buffer, d).transferWords;
            }
        }
        CPrintJob job(Env(), task, 1234, random, &observer);
        job.SetLimits(Limits());
        ASSERT_TRUE(job.Run()) << job.ErrorText();
        EXPECT_GT(job.TotalPasses(), 4);
        EXPECT_EQ(job.PassesSent(), job.TotalPasses());
        EXPECT_EQ(printer->PassesDone() - passesBefore, job.TotalPasses());
        EXPECT_EQ(printer->RasterBytes() - rasterBefore, 2 * words);

        const int sync = IndexOf(wire::cmd::kSyncRequest);
        const int feed = IndexOf(wire::cmd::kFeedMedia);
        const int begin = IndexOf(wire::cmd::kBeginJob);
        const int firstHeader = IndexOf(wire::cmd::kPassDataStart);
        ASSERT_GE(sync, 0);
        EXPECT_LT(sync, feed);
        EXPECT_LT(feed, begin);
        EXPECT_LT(begin, firstHeader);
        const auto commands = printer->Commands();
        ASSERT_EQ(commands[static_cast<size_t>(feed)].size(), 4u);
        EXPECT_EQ(wire::U24(commands[static_cast<size_t>(feed)].data() + 1), 1234);
        // One-way printing returns the carriage after every pass.
        const auto returns = std::count_if(commands.begin(), commands.end(), [](const auto& c) {
            return c.size() == 4 && c[0] == wire::cmd::kPassBackward;
        });
        if (direction == 1) {
            EXPECT_GE(returns, job.TotalPasses());
        }
    }
}

TEST_F(PrintJobTest, CancelAtARandomPassStopsWithAResumeLineAndTheResumedJobFinishes)
{
    CRandomSource pick(11);
    for (int round = 0; round < 3; ++round) {
        machine->Set(MachineState::Printing);
        const auto file = Image(24, 90, 5 + static_cast<uint64_t>(round), "c.prn");
        auto task = Task(file, 2, 1);
        test::HookObserver observer;
        const int at = 1 + static_cast<int>(pick.Next32() % 6);
        observer.onPass = [&](int sent, int) {
            if (sent == at) {
                EXPECT_TRUE(RequestCancel(*machine));
            }
        };
        printer->ClearCommands();
        CPrintJob job(Env(), task, 0, random, &observer);
        job.SetLimits(Limits());
        EXPECT_FALSE(job.Run());
        EXPECT_TRUE(job.Stopped());
        EXPECT_FALSE(job.Aborted()) << job.ErrorText();
        EXPECT_LT(job.PassesSent(), job.TotalPasses());
        EXPECT_GE(IndexOf(wire::cmd::kStopPrint), 0);
        EXPECT_EQ(observer.suspendedAt.load(), job.StopLine());
        EXPECT_LT(job.StopLine(), 90);

        machine->Set(MachineState::Printing);
        task.resume = true;
        task.resumeLine = job.StopLine();
        CPrintJob rest(Env(), task, 0, random);
        rest.SetLimits(Limits());
        ASSERT_TRUE(rest.Run()) << rest.ErrorText();
        EXPECT_EQ(rest.PassesSent(), rest.TotalPasses());
    }
}

TEST_F(PrintJobTest, PauseHoldsTheSenderUntilResumeThenTheJobFinishes)
{
    machine->Set(MachineState::Printing);
    const auto task = Task(Image(24, 80, 9, "p.prn"), 2, 1);
    test::HookObserver observer;
    std::atomic<int> sentAtPause{-1};
    observer.onPass = [&](int sent, int) {
        if (sent == 3) {
            EXPECT_TRUE(RequestPause(*machine));
        }
    };
    std::thread operatorThread([&] {
        // Resume once the printer was told to pause and the job held.
        ASSERT_TRUE(Eventually([&] { return IndexOf(wire::cmd::kPausePrint) >= 0; }));
        // A pass already past the hold may still go out; after that nothing moves.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        sentAtPause = printer->PassesDone();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(printer->PassesDone(), sentAtPause.load()) << "passes went on while paused";
        EXPECT_TRUE(RequestResume(*machine, *device));
    });
    CPrintJob job(Env(), task, 0, random, &observer);
    job.SetLimits(Limits());
    const bool ok = job.Run();
    operatorThread.join();
    ASSERT_TRUE(ok) << job.ErrorText();
    EXPECT_EQ(job.PassesSent(), job.TotalPasses());
    EXPECT_GE(IndexOf(wire::cmd::kResumePrint), 0);
}

TEST_F(PrintJobTest, CancelDuringPauseStopsTheJob)
{
    machine->Set(MachineState::Printing);
    const auto task = Task(Image(24, 80, 10, "q.prn"), 2, 1);
    test::HookObserver observer;
    observer.onPass = [&](int sent, int) {
        if (sent == 2) {
            RequestPause(*machine);
        }
    };
    std::thread operatorThread([&] {
        ASSERT_TRUE(Eventually([&] { return IndexOf(wire::cmd::kPausePrint) >= 0; }));
        EXPECT_TRUE(RequestCancel(*machine));
    });
    CPrintJob job(Env(), task, 0, random, &observer);
    job.SetLimits(Limits());
    EXPECT_FALSE(job.Run());
    operatorThread.join();
    EXPECT_TRUE(job.Stopped());
    EXPECT_GE(IndexOf(wire::cmd::kStopPrint), 0);
    EXPECT_GE(observer.suspendedAt.load(), 0);
}

TEST_F(PrintJobTest, AStalledPassEndsTheJobAfterThePassTimeOut)
{
    machine->Set(MachineState::Printing);
    const auto task = Task(Image(24, 80, 12, "s.prn"), 2, 1);
    test::HookObserver observer;
    observer.onPass = [&](int sent, int) {
        if (sent == 2) {
            printer->StallNextPass();
        }
    };
    CPrintJob job(Env(), task, 0, random, &observer);
    JobLimits l = Limits();
    l.passMs = 200;
    job.SetLimits(l);
    EXPECT_FALSE(job.Run());
    EXPECT_TRUE(job.Aborted());
    // The operator reads why, in the program's language.
    EXPECT_EQ(job.ErrorText(), LoadResString(ids::kJobPassTimeout));
    EXPECT_LT(job.PassesSent(), job.TotalPasses());
}

TEST_F(PrintJobTest, APrinterThatNeverAnswersTheSyncEndsTheJob)
{
    machine->Set(MachineState::Printing);
    const auto task = Task(Image(24, 40, 13, "m.prn"), 1, 0);
    // The printer takes the commands but drops every reply.
    printer->SetMute(true);
    CPrintJob job(Env(), task, 0, random);
    JobLimits l = Limits();
    l.syncMs = 100;
    job.SetLimits(l);
    EXPECT_FALSE(job.Run());
    EXPECT_TRUE(job.Aborted());
    EXPECT_EQ(job.PassesSent(), 0);
    printer->SetMute(false);
}

TEST_F(PrintJobTest, UnplugMidJobEndsItAndAfterReplugAJobRunsAgain)
{
    machine->Set(MachineState::Printing);
    const auto task = Task(Image(24, 80, 14, "u.prn"), 2, 1);
    test::HookObserver observer;
    observer.onPass = [&](int sent, int) {
        if (sent == 3) {
            printer->Unplug();
        }
    };
    {
        CPrintJob job(Env(), task, 0, random, &observer);
        JobLimits l = Limits();
        l.passMs = 300;
        job.SetLimits(l);
        EXPECT_FALSE(job.Run());
        EXPECT_LT(job.PassesSent(), job.TotalPasses());
    }
    printer->Replug();
    ASSERT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
    machine->Set(MachineState::Printing);
    CPrintJob again(Env(), task, 0, random);
    again.SetLimits(Limits());
    EXPECT_TRUE(again.Run()) << again.ErrorText();
}

// The job set-up's speed byte is the value of the speed entry chosen for the job, from the
// speeds of the job's horizontal resolution.
TEST_F(PrintJobTest, TheSpeedByteCarriesTheValueOfTheChosenSpeedEntry)
{
    struct Row {
        const char* speeds;       // TotalSpeedList, one entry per horizontal resolution
        const char* resolutions;  // HoriPrintResolutionList
        int configured;           // Speed
        int task;                 // the task's speed entry, -1: the configured one
        int expected;
    };
    const Row rows[] = {
        {"30,20,10&25,15", "300&150", 1, -1, 20},
        {"25,15&30,20,10", "150&300", 2, -1, 10},  // the list of the job's 300 dpi
        {"30,20,10", "600", 1, -1, 20},            // no list for 300 dpi: the first one
        {"30,20,10", "300", 0, 2, 10},             // the task's entry wins
        {"30,20,10", "300", 3, -1, 30},            // past the list: its first entry
        {"30,20,10", "300", -1, -1, 30},           // no speed at all: the first entry
        {"High,Middle,Low", "300", 2, -1, 2},      // names carry no value: the entry's index
        {"300,200", "300", 0, -1, 0},              // too large for a byte: the index
    };
    const auto file = Image(24, 40, 15, "speed.prn");
    for (const Row& row : rows) {
        auto& l = cfg.config.lists;
        l.TotalSpeedList = SplitItems(row.speeds, "&");
        l.HoriPrintResolutionList = SplitItems(row.resolutions, "&");
        cfg.config.params.Speed = row.configured;
        printer->ClearCommands();
        machine->Set(MachineState::Printing);
        PassTask task = Task(file, 1, 0);
        task.speed = row.task;
        CPrintJob job(Env(), task, 0, random);
        job.SetLimits(Limits());
        ASSERT_TRUE(job.Run()) << job.ErrorText();
        const int at = IndexOf(wire::cmd::kJobByte88);
        ASSERT_GE(at, 0) << row.speeds;
        const auto packet = printer->Commands()[static_cast<size_t>(at)];
        ASSERT_EQ(packet.size(), 2u);
        EXPECT_EQ(packet[1], row.expected) << row.speeds << " at " << row.resolutions << ", entry "
                                           << row.configured << "/" << row.task;
    }
}

// The bytes every kind of job sends, pinned: the command packets in order (pass headers, lone
// feeds, the start and end protocol) and the raster's length. The expected digests were
// computed by the program as it was before the feeds of a pass header could be paired with the
// next pass, so any change of the default pairing on the wire fails here. The raster's words
// come from merging, which that change left alone; their count is part of the digest. The rows
// of interlaced jobs that skip blank passes were taken again when the head window of such a job
// grew to k lines per nozzle row, which makes other passes blank; every other row is as it was.
TEST_F(PrintJobTest, TheDefaultPairingSendsTheSameBytesAsBefore)
{
    struct Job {
        int k;
        bool feather;
        bool skipBlank;
        int copies;
        int direction;
        int mode;
        int resumeLine;  // 0: from the top
        uint64_t digest;
    };
    const Job jobs[] = {
        {1, false, false, 1, 0, 1, 0, 0x964c3d5cead6c5fULL},
        {2, false, false, 1, 0, 1, 0, 0x424dae9d9c6a5866ULL},
        {2, true, true, 2, 1, 2, 0, 0x20570f84c86287bULL},
        {3, false, true, 1, 0, 1, 0, 0xc69a5f5425b92e3aULL},
        {4, false, false, 2, 0, 2, 0, 0x8877cdd7dbee88e0ULL},
        {4, true, false, 1, 1, 1, 0, 0xc3ae20262c44882aULL},
        {6, false, true, 2, 0, 1, 0, 0x61466911af49b2e5ULL},
        {6, true, true, 1, 0, 2, 0, 0x7095a70d811cf28eULL},
        {2, false, false, 1, 0, 1, 57, 0xa71637ff98944b31ULL},
        {4, false, true, 1, 0, 2, 41, 0x614a44dde655934bULL},
    };
    auto& p = cfg.config.params;
    p.TaskGap = 20;
    for (const Job& j : jobs) {
        p.PrinterResolution = 300 / j.k;
        p.FeatherMode = j.feather ? 1 : 0;
        p.FeatherLinesList = {0, j.feather ? 4 * j.k : 0, 0};
        p.IgnoreBlank = j.skipBlank ? 1 : 0;
        // Random lines with a blank band taller than the head in the middle.
        CRipImage image(40, 3 * 32 * j.k + 9, 4, 300, 300);
        CRandomSource pixels(60 + j.k);
        image.Fill("random", pixels);
        for (int y = 32 * j.k; y < 32 * j.k + (j.skipBlank ? (j.k + 2) * 32 : 0); ++y) {
            for (int plane = 0; plane < 4; ++plane) {
                std::fill_n(image.PlaneLine(y, plane), image.BytesPerPlaneLine(), 0);
            }
        }
        const auto file = cfg.dir.Path() / "pinned.prn";
        ASSERT_TRUE(image.Write(file));
        JobRequest request;
        request.task = Task(file, 2, j.mode, j.direction);
        request.task.resume = j.resumeLine > 0;
        request.task.resumeLine = j.resumeLine;
        request.copies = j.copies;
        request.startPosition = 500;
        printer->ClearCommands();
        const int64_t rasterBefore = printer->RasterBytes();
        CRandomSource seeded(99);
        CJobRunner runner(Env(), seeded);
        runner.SetLimits(Limits());
        machine->Set(MachineState::Printing);
        ASSERT_TRUE(runner.RunCopies(request).completed);
        // FNV-1a over each packet's length and bytes.
        uint64_t digest = 0xcbf29ce484222325ULL;
        auto mix = [&](uint64_t byte) { digest = (digest ^ byte) * 0x100000001b3ULL; };
        for (const auto& packet : printer->Commands()) {
            mix(packet.size());
            // The speed byte's value is left out: it was the speed's index before.
            const bool speed = packet.size() == 2 && packet[0] == wire::cmd::kJobByte88;
            for (size_t b = 0; b < (speed ? 1 : packet.size()); ++b) {
                mix(packet[b]);
            }
        }
        const int64_t raster = printer->RasterBytes() - rasterBefore;
        for (int shift = 0; shift < 64; shift += 8) {
            mix(static_cast<uint64_t>(raster >> shift) & 0xFF);
        }
        EXPECT_EQ(digest, j.digest)
            << std::hex << "k " << j.k << ", feather " << j.feather << ", blank " << j.skipBlank
            << ", copies " << j.copies << ", direction " << j.direction << ", mode " << j.mode
            << ", resume " << std::dec << j.resumeLine << ": 0x" << std::hex << digest;
    }
}

}  // namespace

namespace {

class DebugPrintJobTest : public PrintJobTest {
protected:
    void SetUp() override
    {
        debugMode = true;
        PrintJobTest::SetUp();
    }
};

TEST_F(DebugPrintJobTest, EveryPassLeavesATimingLine)
{
    machine->Set(MachineState::Printing);
    CPrintJob job(Env(), Task(Image(24, 50, 15, "d.prn"), 2, 1), 0, random);
    job.SetLimits(Limits());
    ASSERT_TRUE(job.Run()) << job.ErrorText();
    std::ifstream in(cfg.dir.Path() / "passtime.txt");
    std::string text;
    int lines = 0;
    const std::regex format(
        R"(Pass (\d+) of (\d+) : \d+\.\d{3} sec , \d+\.\d{3} sec, \d+\.\d{3} sec, \d+\.\d{3} sec)");
    while (std::getline(in, text)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(text, m, format)) << text;
        EXPECT_EQ(std::stoi(m[1]), lines + 1);
        EXPECT_EQ(std::stoi(m[2]), job.TotalPasses());
        ++lines;
    }
    EXPECT_EQ(lines, job.TotalPasses());
}

// The snapshot files of pass i: raw rows and picture.
struct Snapshot {
    std::string prn;
    std::string bmp;
};

Snapshot ReadSnapshot(const std::filesystem::path& grf, int pass)
{
    Snapshot s;
    const std::string name = "TestSnap" + std::to_string(pass);
    ReadWholeFile(grf / (name + ".prn"), s.prn);
    ReadWholeFile(grf / (name + ".bmp"), s.bmp);
    return s;
}

int32_t Le32(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) {
        v |= static_cast<uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
    }
    return static_cast<int32_t>(v);
}

TEST_F(DebugPrintJobTest, EveryPrintedPassLeavesItsRowsAsFileAndPictureUnlessZoomed)
{
    const auto grf = cfg.dir.Path() / "GRF";
    for (int zoom : {0, 1}) {
        cfg.config.IsZoom = zoom;
        std::filesystem::remove_all(grf);
        machine->Set(MachineState::Printing);
        // 24 pixels: three bytes a row, no strips.
        CPrintJob job(Env(), Task(Image(24, 50, 16, "snap.prn"), 2, 1), 0, random);
        job.SetLimits(Limits());
        ASSERT_TRUE(job.Run()) << job.ErrorText();
        if (zoom == 1) {
            EXPECT_FALSE(std::filesystem::exists(grf)) << "a zoomed job writes no snapshots";
            continue;
        }
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(grf)) {
            files += entry.is_regular_file();
        }
        EXPECT_EQ(files, 2 * job.TotalPasses()) << "one .prn and one .bmp a pass";
        bool inked = false;
        for (int i = 0; i < job.TotalPasses(); ++i) {
            const Snapshot s = ReadSnapshot(grf, i);
            ASSERT_FALSE(s.prn.empty()) << "pass " << i;
            ASSERT_EQ(s.prn.size() % 3, 0u);
            const size_t rows = s.prn.size() / 3;
            ASSERT_GE(s.bmp.size(), 62 + rows * 4);
            EXPECT_EQ(s.bmp.substr(0, 2), "BM");
            EXPECT_EQ(Le32(s.bmp, 18), 24) << "width in pixels";
            EXPECT_EQ(Le32(s.bmp, 22), -static_cast<int32_t>(rows)) << "one picture row a row";
            // Each picture row shows the same bits as the raw row, padded to four bytes.
            const size_t offset = static_cast<size_t>(Le32(s.bmp, 10));
            for (size_t r = 0; r < rows; ++r) {
                EXPECT_EQ(s.bmp.substr(offset + r * 4, 3), s.prn.substr(r * 3, 3))
                    << "pass " << i << " row " << r;
            }
            inked = inked || s.prn.find_first_not_of('\0') != std::string::npos;
        }
        EXPECT_TRUE(inked) << "a random image puts ink into some pass";
    }
}

TEST_F(DebugPrintJobTest, ASnapshotThatCannotBeWrittenIsLoggedAndTheJobGoesOn)
{
    // A file where the folder should be: nothing can be written into it.
    cfg.dir.Write("GRF", "in the way");
    cfg.config.IsZoom = 0;
    machine->Set(MachineState::Printing);
    CPrintJob job(Env(), Task(Image(24, 40, 17, "blocked.prn"), 2, 1), 0, random);
    job.SetLimits(Limits());
    EXPECT_TRUE(job.Run()) << job.ErrorText();
    EXPECT_EQ(job.PassesSent(), job.TotalPasses());
    const auto lines = Diagnostics();
    const std::string logged = FormatResString(ids::kDiagSnapshotNotWritten, {""});
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.find(logged) != std::string::npos;
    }));
    EXPECT_EQ(cfg.dir.Read("GRF"), "in the way") << "the file in the way is left alone";
}

}  // namespace
