// A print job against the virtual printer through the running poll thread: the bytes every kind
// of job sends, pause, resume and cancel at a chosen pass, a printer that stalls, drops off or
// never answers ending the job instead of hanging it, the speed byte and the debug files.
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

class PrintJobTest : public test::JobFixture {};

// A cancel (at once or during a pause) stops the job with a resume line, and the resumed job
// finishes; a pause holds the sender until resume; a pass that never finishes, a printer that
// never answers the sync or drops off ends the job instead of hanging it, and the next job runs.
TEST_F(PrintJobTest, EachFaultEndsTheJobAsItShouldAndTheNextJobRuns)
{
    using test::Fault;
    struct Case {
        Fault fault;
        int at;  // passes sent when it happens
        bool completes;
        bool stopped;  // by the operator, with a resume line
        int stopLine;  // -1 where the stop comes whenever the poll thread notices
    };
    // The fault comes from the sender's own report of a pass, so the next pass is held at
    // once: the resume line is the lines of the passes sent, 16 each, less the head's 32, not
    // below 0. A stalled pass was sent but never finished; a mute printer got no pass.
    const Case cases[] = {
        {Fault::Cancel, 1, false, true, 0},
        {Fault::Cancel, 5, false, true, 5 * 16 - 32},
        {Fault::PauseResume, 3, true, false, -1},
        {Fault::PauseCancel, 4, false, true, 4 * 16 - 32},
        {Fault::Stall, 2, false, false, 3 * 16 - 32},
        {Fault::Mute, 0, false, false, 0},
        {Fault::Unplug, 3, false, false, -1},
    };
    const auto file = Image(24, 90, 5, "fault.prn");
    for (const Case& c : cases) {
        const std::string name = "fault " + std::to_string(static_cast<int>(c.fault));
        machine->Set(MachineState::Printing);
        printer->ClearCommands();
        auto task = Task(file, 2, 1);
        test::CopyObserver observer;
        const bool pause = c.fault == Fault::PauseResume || c.fault == Fault::PauseCancel;
        observer.onPass = [&](int sent, int) {
            if (sent != c.at) {
                return;
            }
            EXPECT_TRUE(Inject(c.fault));
        };
        // The printer takes the commands but drops every reply.
        printer->SetMute(c.fault == Fault::Mute);
        std::thread operatorThread([&] {
            if (!pause) {
                return;
            }
            // Answer once the printer was told to pause and the job held.
            ASSERT_TRUE(Eventually([&] { return IndexOf(wire::cmd::kPausePrint) >= 0; }));
            if (c.fault == Fault::PauseCancel) {
                EXPECT_TRUE(RequestCancel(*machine));
                return;
            }
            // A pass already past the hold may still go out; after that nothing moves.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const int sentAtPause = printer->PassesDone();
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            EXPECT_EQ(printer->PassesDone(), sentAtPause) << "passes went on while paused";
            EXPECT_TRUE(RequestResume(*machine, *device));
        });
        CPrintJob job(Env(), task, 0, random, &observer);
        JobLimits limits = Limits();
        limits.passMs = c.fault == Fault::Stall || c.fault == Fault::Unplug ? 300 : limits.passMs;
        limits.syncMs = c.fault == Fault::Mute ? 100 : limits.syncMs;
        job.SetLimits(limits);
        const bool ok = job.Run();
        operatorThread.join();
        if (c.fault == Fault::Mute) {
            // The poll thread finds the printer silent before it speaks again.
            ASSERT_TRUE(Eventually([&] { return machine->Get() == MachineState::Offline; }));
        }
        printer->SetMute(false);
        EXPECT_EQ(ok, c.completes) << name << ": " << job.ErrorText();
        EXPECT_EQ(job.PassesSent() == job.TotalPasses(), c.completes) << name;
        EXPECT_EQ(job.PassesSent() == 0, c.fault == Fault::Mute) << name;
        if (c.fault != Fault::Unplug) {
            EXPECT_EQ(job.Stopped(), c.stopped) << name;
            EXPECT_EQ(job.Aborted(), !c.completes && !c.stopped) << name << ": " << job.ErrorText();
        }
        EXPECT_EQ(IndexOf(wire::cmd::kResumePrint) >= 0, c.fault == Fault::PauseResume) << name;
        if (c.fault == Fault::Stall) {
            // The operator reads why, in the program's language.
            EXPECT_EQ(job.ErrorText(), LoadResString(ids::kJobPassTimeout));
        }
        if (c.fault == Fault::Unplug) {
            printer->Replug();
        }
        if (c.fault == Fault::Unplug || c.fault == Fault::Mute) {
            // As the operator must, the next job waits until the printer is back: a job started
            // while the poll thread still reconnects would have its replies cleared by the reset.
            ASSERT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
        }
        if (c.stopLine >= 0) {
            EXPECT_EQ(job.StopLine(), c.stopLine) << name;
        }
        if (c.stopped) {
            EXPECT_GE(IndexOf(wire::cmd::kStopPrint), 0) << name;
            EXPECT_EQ(observer.suspendedAt.load(), job.StopLine()) << name;
            task.resume = true;
            task.resumeLine = job.StopLine();
        }
        machine->Set(MachineState::Printing);
        CPrintJob next(Env(), task, 0, random);
        next.SetLimits(Limits());
        ASSERT_TRUE(next.Run()) << name << ": " << next.ErrorText();
        EXPECT_EQ(next.PassesSent(), next.TotalPasses());
    }
}

// A printer that drops off the link during a job (the poll thread shows it offline, or
// starting again) fails the job with the reason, unlike a cancel: the job resumes where it
// failed and the operator reads why.
TEST_F(PrintJobTest, APrinterDroppingOffDuringTheJobFailsItWithTheReason)
{
    struct Case {
        MachineState state;
        int at;        // passes sent when it happens
        int stopLine;  // the lines of those passes less the head's 32
    };
    const Case cases[] = {{MachineState::Offline, 3, 3 * 16 - 32},
                          {MachineState::Starting, 5, 5 * 16 - 32}};
    const auto file = Image(24, 90, 9, "offline.prn");
    for (const Case& c : cases) {
        const std::string name = "state " + std::to_string(static_cast<int>(c.state));
        machine->Set(MachineState::Printing);
        printer->ClearCommands();
        test::CopyObserver observer;
        observer.onPass = [&](int sent, int) {
            if (sent == c.at) {
                machine->Set(c.state);
            }
        };
        CPrintJob job(Env(), Task(file, 2, 1), 0, random, &observer);
        job.SetLimits(Limits());
        EXPECT_FALSE(job.Run()) << name;
        EXPECT_EQ(job.ErrorText(), LoadResString(ids::kJobPrinterOffline)) << name;
        EXPECT_FALSE(job.Stopped()) << name << ": not the operator's stop";
        EXPECT_LT(job.PassesSent(), job.TotalPasses()) << name;
        EXPECT_EQ(IndexOf(wire::cmd::kStopPrint), -1) << name << ": no one to tell";
        EXPECT_EQ(observer.suspendedAt.load(), job.StopLine()) << name;
        EXPECT_EQ(job.StopLine(), c.stopLine) << name;
    }
}

// A printer whose link checks fail for as long as the poll thread's whole reconnect and then
// answers again is reset and made ready: the machine does not stay offline, which would keep
// the operator from printing.
TEST_F(PrintJobTest, APrinterAnsweringAgainAfterAFailedReconnectIsMadeReady)
{
    // The ready download is done once the poll loop asks for status again; from then on the
    // poll thread is the only one writing.
    const int requests = printer->StatusRequests();
    ASSERT_TRUE(Eventually([&] { return printer->StatusRequests() >= requests + 2; }));
    const int resets = CountOf(wire::cmd::kReset);
    // The link check of one poll, then the reconnect's first check, its three attempts and
    // its last check: the next check is the first to get through.
    const size_t pauses = Pauses().size();
    printer->ShortenNextWrites(6);
    EXPECT_TRUE(Eventually([&] {
        return CountOf(wire::cmd::kReset) == resets + 1 && machine->Get() == MachineState::Ready;
    })) << "state "
        << static_cast<int>(machine->Get());
    EXPECT_GE(Pauses().size(), pauses + 3) << "the reconnect ran its attempts";
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
        const CRipImage image = test::RandomImage(40, 3 * 32 * j.k + 9, 60 + j.k, 32 * j.k,
                                                  32 * j.k + (j.skipBlank ? (j.k + 2) * 32 : 0));
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
        // The start protocol comes first: sync, the feed to the start, the job's begin, then
        // the pass headers; one-way printing returns the carriage after every pass.
        const int sync = IndexOf(wire::cmd::kSyncRequest);
        const int feed = IndexOf(wire::cmd::kFeedMedia);
        const auto commands = printer->Commands();
        ASSERT_GE(sync, 0);
        EXPECT_LT(sync, feed);
        EXPECT_LT(feed, IndexOf(wire::cmd::kBeginJob));
        EXPECT_LT(IndexOf(wire::cmd::kBeginJob), IndexOf(wire::cmd::kPassDataStart));
        ASSERT_EQ(commands[static_cast<size_t>(feed)].size(), 4u);
        EXPECT_EQ(wire::U24(commands[static_cast<size_t>(feed)].data() + 1), 500);
        const auto count = [&](uint8_t code, size_t size) {
            return std::count_if(commands.begin(), commands.end(),
                                 [&](const auto& c) { return c.size() == size && c[0] == code; });
        };
        const auto headers = count(wire::cmd::kPassDataStart, 3);
        EXPECT_GT(headers, 4);
        if (j.direction == 1) {
            EXPECT_GE(count(wire::cmd::kPassBackward, 4), headers);
        }
        // Each packet's length and bytes.
        test::Digest digest;
        for (const auto& packet : commands) {
            digest.Mix(packet.size());
            // The speed byte's value is left out: it was the speed's index before.
            const bool speed = packet.size() == 2 && packet[0] == wire::cmd::kJobByte88;
            for (size_t b = 0; b < (speed ? 1 : packet.size()); ++b) {
                digest.Mix(packet[b]);
            }
        }
        const int64_t raster = printer->RasterBytes() - rasterBefore;
        for (int shift = 0; shift < 64; shift += 8) {
            digest.Mix(static_cast<uint64_t>(raster >> shift) & 0xFF);
        }
        EXPECT_EQ(digest.value, j.digest)
            << std::hex << "k " << j.k << ", feather " << j.feather << ", blank " << j.skipBlank
            << ", copies " << j.copies << ", direction " << j.direction << ", mode " << j.mode
            << ", resume " << std::dec << j.resumeLine << ": 0x" << std::hex << digest.value;
    }
}

class DebugPrintJobTest : public PrintJobTest {
protected:
    void SetUp() override
    {
        debugMode = true;
        PrintJobTest::SetUp();
    }
};

int32_t Le32(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) {
        v |= static_cast<uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
    }
    return static_cast<int32_t>(v);
}

// In debug mode every pass leaves a timing line, and every printed pass its rows as a file and
// a picture unless the job is zoomed; a snapshot that cannot be written is logged and the job
// goes on.
TEST_F(DebugPrintJobTest, EveryPassLeavesATimingLineAndItsRowsAsFileAndPicture)
{
    const auto grf = cfg.dir.Path() / "GRF";
    // Zoomed, not zoomed, and with a file where the folder should be.
    for (int round : {0, 1, 2}) {
        cfg.config.IsZoom = round == 0 ? 1 : 0;
        std::filesystem::remove_all(grf);
        std::filesystem::remove(cfg.dir.Path() / "passtime.txt");
        if (round == 2) {
            cfg.dir.Write("GRF", "in the way");
        }
        machine->Set(MachineState::Printing);
        // 24 pixels: three bytes a row, no strips.
        CPrintJob job(Env(), Task(Image(24, 50, 16, "snap.prn"), 2, 1), 0, random);
        job.SetLimits(Limits());
        ASSERT_TRUE(job.Run()) << job.ErrorText();
        EXPECT_EQ(job.PassesSent(), job.TotalPasses());
        std::ifstream in(cfg.dir.Path() / "passtime.txt");
        std::string text;
        int lines = 0;
        const std::regex format(
            R"(Pass (\d+) of (\d+) : \d+\.\d{3} sec , \d+\.\d{3} sec, \d+\.\d{3} sec, \d+\.\d{3} sec)");
        while (std::getline(in, text)) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(text, m, format)) << text;
            EXPECT_EQ(std::stoi(m[1]), ++lines);
            EXPECT_EQ(std::stoi(m[2]), job.TotalPasses());
        }
        EXPECT_EQ(lines, job.TotalPasses());
        if (round == 0) {
            EXPECT_FALSE(std::filesystem::exists(grf)) << "a zoomed job writes no snapshots";
            continue;
        }
        if (round == 2) {
            const auto logged = Diagnostics();
            EXPECT_TRUE(std::any_of(logged.begin(), logged.end(), [](const std::string& l) {
                return l.find(FormatResString(ids::kDiagSnapshotNotWritten, {""})) !=
                       std::string::npos;
            }));
            EXPECT_EQ(cfg.dir.Read("GRF"), "in the way") << "the file in the way is left alone";
            continue;
        }
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(grf)) {
            files += entry.is_regular_file();
        }
        EXPECT_EQ(files, 2 * job.TotalPasses()) << "one .prn and one .bmp a pass";
        bool inked = false;
        for (int i = 0; i < job.TotalPasses(); ++i) {
            std::string prn;
            std::string bmp;
            ReadWholeFile(grf / ("TestSnap" + std::to_string(i) + ".prn"), prn);
            ReadWholeFile(grf / ("TestSnap" + std::to_string(i) + ".bmp"), bmp);
            ASSERT_FALSE(prn.empty()) << "pass " << i;
            ASSERT_EQ(prn.size() % 3, 0u);
            const size_t rows = prn.size() / 3;
            ASSERT_GE(bmp.size(), 62 + rows * 4);
            EXPECT_EQ(bmp.substr(0, 2), "BM");
            EXPECT_EQ(Le32(bmp, 18), 24) << "width in pixels";
            EXPECT_EQ(Le32(bmp, 22), -static_cast<int32_t>(rows)) << "one picture row a row";
            // Each picture row shows the same bits as the raw row, padded to four bytes.
            const size_t offset = static_cast<size_t>(Le32(bmp, 10));
            for (size_t r = 0; r < rows; ++r) {
                EXPECT_EQ(bmp.substr(offset + r * 4, 3), prn.substr(r * 3, 3))
                    << "pass " << i << " row " << r;
            }
            inked = inked || prn.find_first_not_of('\0') != std::string::npos;
        }
        EXPECT_TRUE(inked) << "a random image puts ink into some pass";
    }
}

}  // namespace
