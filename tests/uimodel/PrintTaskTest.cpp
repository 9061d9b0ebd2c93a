// The print command without a window: the checks and their messages, the gate, the media
// measurement, the placement, and the task row that follows the job, saved across restarts.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <tuple>

#include "device/Protocol.h"
#include "job/JobControl.h"
#include "job/JobFixture.h"
#include "platform/DibImage.h"
#include "print/RipReader.h"
#include "support/TempDir.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "tasks/TaskList.h"
#include "uimodel/PrintTask.h"

using namespace tavolux;

namespace {

// Calls onPass for each pass (on the sender thread) and keeps the pass count of each job.
class PassHook : public IJobRunnerObserver {
public:
    std::function<void(int sent)> onPass;
    std::mutex mutex;
    std::vector<int> totals;
    void PassSent(int sent, int total) override
    {
        if (sent == 1) {
            std::lock_guard lock(mutex);
            totals.push_back(total);
        }
        if (onPass) {
            onPass(sent);
        }
    }
};

class PrintTaskTest : public test::JobFixture {
protected:
    void SetUp() override
    {
        JobFixture::SetUp();
        auto& p = cfg.config.params;
        // Placement on a machine whose printable range is wide enough for every test image.
        p.OriginPrintStyle = 0;
        p.Origin = 0;
        p.AutoEdgeBeforePrint = 0;
        p.HeadToSensorDist = 0;
        p.SensorToUvDist = 50;
        p.MaxOrigin = 0;
        p.MaxPrintWidth = 1000;
        // The settings sent when the printer became ready end with the flash frequency; a test
        // sees only what the print sends.
        ASSERT_TRUE(Eventually([&] {
            const auto commands = printer->Commands();
            return !commands.empty() && !commands.back().empty() &&
                   commands.back()[0] == wire::cmd::kFlashFrequency;
        }));
        printer->ClearCommands();
    }

    PrintTaskDevice Device()
    {
        return PrintTaskDevice{cfg.config, *device, *machine, block, events};
    }

    JobLimits Limits()
    {
        JobLimits l = ShortLimits();
        l.syncMs = test::kGenerousMs;
        l.passMs = test::kGenerousMs;
        return l;
    }

    // A request for a file of 24 pixels by height lines, four planes at 300 dpi.
    PrintTaskRequest FileRequest(int height, uint64_t seed, const std::string& name)
    {
        PrintTaskRequest r;
        r.task = Task(Image(24, height, seed, name), 2, 1);
        r.planeCount = 4;
        r.bytesPerPlaneLine = 3;
        return r;
    }

    // Adds the file as a task with the configuration's print type.
    int AddTask(CTaskList& list, int height, uint64_t seed, const std::string& name)
    {
        const auto file = Image(24, height, seed, name);
        const auto info = RipHeader::Of(300, 300, 3, height, 24, 4);
        return list.AddTask(file.string(), info, DibImage{});
    }

    std::vector<uint8_t> Codes()
    {
        std::vector<uint8_t> out;
        for (const auto& c : printer->Commands()) {
            out.push_back(c.empty() ? 0 : c[0]);
        }
        return out;
    }

    test::RecordingUi ui;
};

TEST_F(PrintTaskTest, ARefusedTaskShowsItsMessageInOrderAndSendsNothing)
{
    using Change = std::function<void(PrintTaskRequest&, CPrinterParams&)>;
    struct Case {
        const char* what;
        Change change;
        int message;
        bool busy = false;  // the machine is flashing: the gate refuses with a notice only
    };
    const Change fileGone = [](auto& r, auto&) { r.task.file = "/no/such/file.prn"; };
    const std::vector<Case> cases = {
        {"nothing selected", [](auto& r, auto&) { r.selected = false; }, ids::kSelectJobFirst},
        {"file gone", fileGone, ids::kJobFileMissing},
        {"no copies", [](auto& r, auto&) { r.copies = 0; }, ids::kBadCopies},
        {"blank skipping with strips",
         [](auto&, auto& p) {
             p.IgnoreBlank = 1;
             p.Strip = 1;
         },
         ids::kBlankAndStrip},
        {"three planes", [](auto& r, auto&) { r.planeCount = 3; }, ids::kColourCountMismatch},
        // The file check comes before the copies check.
        {"file gone and no copies",
         [&](auto& r, auto& p) {
             fileGone(r, p);
             r.copies = 0;
         },
         ids::kJobFileMissing},
        {"machine busy", [](auto&, auto&) {}, ids::kFunctionInvalid, true},
        // Past the gate: 24 pixels at 300 dpi are 2 mm; the machine returns to ready.
        {"wider than the machine", [](auto&, auto& p) { p.MaxPrintWidth = 1; }, ids::kJobTooWide},
        {"placed left of the first printable point",
         [](auto&, auto& p) {
             p.OriginPrintStyle = 1;
             p.MaxOrigin = 100;
         },
         ids::kJobTooWide},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CPrinterParams saved = cfg.config.params;
        PrintTaskRequest request = FileRequest(20, 1, "ok.prn");
        c.change(request, cfg.config.params);
        machine->Set(c.busy ? MachineState::Flash : MachineState::Ready);
        ui.messages.clear();
        printer->ClearCommands();
        CTaskPrinter printerOp(Device(), random);
        const PrintTaskResult result = printerOp.PrintTask(request);
        cfg.config.params = saved;
        EXPECT_EQ(result.messageId, c.message);
        EXPECT_FALSE(result.Started());
        EXPECT_FALSE(printerOp.Running());
        EXPECT_TRUE(printer->Commands().empty());
        if (c.busy) {
            EXPECT_EQ(line.Notice(), "功能无效");
            EXPECT_TRUE(ui.messages.empty()) << "a notice, not a message box";
            EXPECT_EQ(machine->Get(), MachineState::Flash);
        } else {
            EXPECT_EQ(ui.messages, std::vector<std::string>{LoadResString(c.message)});
            EXPECT_EQ(machine->Get(), MachineState::Ready);
            EXPECT_EQ(line.StateText(), "就绪");
        }
    }
}

TEST_F(PrintTaskTest, TheMediaIsMeasuredBeforeTheJobAndOnlyBothEdgesAreSaved)
{
    auto& p = cfg.config.params;
    p.OriginPrintStyle = 1;
    p.AutoEdgeBeforePrint = 1;
    p.MediaSensorToUvDist = 30;
    // Edges of 0.01 mm pulses; silent (last: the poll thread stays stopped): no reply comes.
    const struct {
        int width, position;
        bool silent;
    } cases[] = {{0, 20000, false}, {1500, 20000, false}, {1500, 20000, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        p.MediaWidth = 7;
        p.MediaPos = 9;
        ui.messages.clear();
        printer->ClearCommands();
        printer->SetMediaEdges(c.width, c.position);
        if (c.silent) {
            poller->Stop();
        }
        CTaskPrinter printerOp(Device(), random);
        printerOp.SetLimits(Limits(), c.silent ? 200 : test::kGenerousMs);
        const PrintTaskResult result = printerOp.PrintTask(FileRequest(30, 4, "media.prn"));
        if (c.width == 0 || c.silent) {
            EXPECT_EQ(result.messageId, ids::kMeasureNoReply);
            EXPECT_EQ(ui.messages, std::vector<std::string>{"测料错误,没有返回值"});
            EXPECT_EQ(machine->Get(), MachineState::Ready);
            EXPECT_EQ(std::tuple(p.MediaWidth, p.MediaPos), std::tuple(7, 9));
            EXPECT_EQ(Codes(), std::vector<uint8_t>{wire::cmd::kMeasureMedia}) << "no job";
            continue;
        }
        ASSERT_TRUE(result.Started()) << LoadResString(result.messageId);
        const JobResult job = printerOp.Wait();
        EXPECT_TRUE(job.completed) << job.error;
        // The position is taken from the media sensor to the lamp.
        EXPECT_EQ(std::tuple(p.MediaWidth, p.MediaPos), std::tuple(15, 200 - 30 + 50));
        EXPECT_EQ(std::tuple(cfg.Get("P", "MediaWidth"), cfg.Get("P", "MediaPos")),
                  std::tuple("15", "220"));
        const auto codes = Codes();
        ASSERT_FALSE(codes.empty());
        EXPECT_EQ(codes.front(), wire::cmd::kMeasureMedia) << "measured before the job starts";
    }
}

class OddBoardPrintTaskTest : public PrintTaskTest {
protected:
    void SetUp() override
    {
        printVer = 1;
        PrintTaskTest::SetUp();
    }
};

TEST_F(OddBoardPrintTaskTest, OddBoardsGetTheDistanceBeforeThePrintFirst)
{
    auto& p = cfg.config.params;
    p.DisBeforePrint = 5;
    CTaskPrinter printerOp(Device(), random);
    printerOp.SetLimits(Limits());
    ASSERT_TRUE(printerOp.PrintTask(FileRequest(20, 6, "odd.prn")).Started());
    EXPECT_TRUE(printerOp.Wait().completed);
    const auto commands = printer->Commands();
    ASSERT_GE(commands.size(), 2u);
    ASSERT_EQ(commands.front().size(), 4u);
    EXPECT_EQ(commands.front()[0], wire::cmd::kPassOffset);
    EXPECT_EQ(wire::U24(commands.front().data() + 1), 500) << "5 mm of 0.01 mm pulses";
    EXPECT_EQ(commands[1][0], wire::cmd::kSyncRequest) << "then the job";
}

TEST_F(PrintTaskTest, TheTaskRowFollowsTheJobAndAStoppedTaskResumesAfterARestart)
{
    const auto works = cfg.dir.Path() / "Works";
    int full = 0;
    {
        CTaskList list(cfg.config, works);
        const int index = AddTask(list, 400, 8, "row.prn");
        ASSERT_EQ(index, 0);
        PassHook hook;
        std::string stateWhilePrinting;
        hook.onPass = [&](int sent) {
            if (sent == 1) {
                stateWhilePrinting = list.RowTexts(index)[kColState];
            }
            if (sent == 12) {
                RequestCancel(*machine);
            }
        };
        CTaskPrinter printerOp(Device(), random, &hook);
        printerOp.SetLimits(Limits());
        ASSERT_TRUE(printerOp.PrintTask(list, index).Started());
        const JobResult stopped = printerOp.Wait();
        ASSERT_TRUE(stopped.stopped) << stopped.error;
        EXPECT_EQ(stateWhilePrinting, "打印");
        const TaskRowTexts row = list.RowTexts(index);
        EXPECT_EQ(row[kColState], "挂起");
        EXPECT_EQ(row[kColCopies], "1(1)");
        EXPECT_EQ(row[kColRemaining], "");
        ASSERT_GT(stopped.resumeLine, 0) << "twelve passes fed past the head";
        EXPECT_EQ(list.GetTask(index).m_resumeLine, stopped.resumeLine);
        EXPECT_EQ(list.GetTask(index).m_resume, 1);
        EXPECT_EQ(machine->Get(), MachineState::Ready);
        full = hook.totals.at(0);
    }
    // After a restart the saved task goes on where it stopped, and ends ready.
    CTaskList list(cfg.config, works);
    ASSERT_TRUE(list.LoadTasks());
    ASSERT_EQ(list.TaskCount(), 1);
    EXPECT_EQ(list.RowTexts(0)[kColState], "挂起");
    PassHook hook;
    CTaskPrinter printerOp(Device(), random, &hook);
    printerOp.SetLimits(Limits());
    ASSERT_TRUE(printerOp.PrintTask(list, 0).Started());
    const JobResult done = printerOp.Wait();
    ASSERT_TRUE(done.completed) << done.error;
    ASSERT_EQ(hook.totals.size(), 1u);
    EXPECT_LT(hook.totals[0], full) << "the resumed print leaves out what was printed";
    EXPECT_EQ(list.RowTexts(0)[kColState], "就绪");
    EXPECT_EQ(list.GetTask(0).m_resume, 0);

    CTaskList reloaded(cfg.config, works);
    ASSERT_TRUE(reloaded.LoadTasks());
    EXPECT_EQ(reloaded.GetTask(0).m_stateId, ids::kTaskReady);
    EXPECT_EQ(reloaded.GetTask(0).m_resume, 0);
}

}  // namespace

namespace {

// The sample configuration in a program folder of its own.
class SampleFileRequestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUiLanguage(UiLanguage::Chinese);
        std::filesystem::copy_file(
            std::filesystem::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini",
            dir.Path() / kConfigFileName);
        ASSERT_TRUE(config.LoadConfig());
    }

    test::TempDir dir;
    test::RecordingUi ui;
    CPrinterConfig config{dir.Path()};
};

}  // namespace

TEST_F(SampleFileRequestTest, AFileGetsTheSettingsOfATaskAddedNowForEveryPrintType)
{
    const auto path = dir.Path() / "f.prn";
    ASSERT_TRUE(CRipImage(64, 60, 4, 720, 360).Write(path));
    CRipReader probe;
    ASSERT_EQ(probe.OpenForPreview(path), kRipOk);
    CTaskList list(config, dir.Path() / "Works");
    const int types = static_cast<int>(config.lists.PrintTypeParamList.size());
    ASSERT_GE(types, 5);
    for (int type = 0; type < types; ++type) {
        // The configured direction and speed go with the task, so try others for each type.
        config.params.PrintTypeID = type;
        config.params.Direction = type % 3;
        config.params.Speed = (type + 1) % 3;
        const RipHeader& info = probe.Header();
        const int index = list.AddTask(path.string(), info, DibImage{});
        ASSERT_GE(index, 0);
        const PrintTaskRequest task = MakeTaskRequest(list, index);
        // The configured print type must not leak into the file's settings.
        config.params.PrintTypeID = (type + 1) % types;
        const PrintTaskRequest file = MakeFileRequest(config, path, probe, type);
        const auto settings = [](const PrintTaskRequest& r) {
            const PassTask& t = r.task;
            return std::tuple(t.file, t.resolutionX, t.resolutionY, t.passes, t.maskMode,
                              t.printType, t.direction, t.speed, t.resume, r.copies, r.planeCount,
                              r.bytesPerPlaneLine);
        };
        EXPECT_EQ(settings(file), settings(task)) << "print type " << type;
        EXPECT_EQ(task.task.speed, (type + 1) % 3) << "print type " << type;
    }
}
