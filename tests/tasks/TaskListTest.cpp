// The task list model: rows, saving and loading, deletion, damaged files and crashes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <thread>

#include "config/ConfigFixture.h"
#include "platform/AtomicFile.h"
#include "platform/RandomSource.h"
#include "platform/BmpFile.h"
#include "platform/FileLock.h"
#include "res/StringIds.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskList.h"

using namespace tavolux;

namespace {

class TaskListTest : public ::testing::Test {
protected:
    TaskListTest()
    {
        cfg.Set("P", "PrintTypeID", "1");
        cfg.Set("P", "Speed", "1");
        cfg.Set("P", "Direction", "1");
        cfg.Set("P", "PrinterResolution", "50");
        cfg.Set("P", "RealPrinterResolution", "50");
        cfg.Set("L", "PassList", "1&2&4");
        cfg.Set("L", "PrintTypeDisplayList", "Fast&Fine 4 pass");
        cfg.Set("L", "DirectionList", "Bi&Uni");
        cfg.config.LoadConfig();
        preview.Allocate(4, 2, 24, 0x80);
    }

    std::filesystem::path Works() const { return cfg.dir.Path() / "Works"; }

    // 135 bytes per plane line = 1080 pixels; 1200 lines.
    static RipHeader Info() { return RipHeader::Of(720, 600, 135, 1200, 1080, 4); }

    int Add(CTaskList& list, const std::string& name)
    {
        return list.AddTask((cfg.dir.Path() / name).string(), Info(), preview);
    }

    test::ConfigFixture cfg;
    test::RecordingUi ui;
    DibImage preview;
};

std::string FileBytes(const std::filesystem::path& p)
{
    std::string s;
    ReadWholeFile(p, s);
    return s;
}

int CountFiles(const std::filesystem::path& dir, const std::string& extension)
{
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        n += e.path().extension() == extension ? 1 : 0;
    }
    return n;
}

}  // namespace

TEST_F(TaskListTest, AddedTaskShowsItsSettingsInTheRow)
{
    CTaskList list(cfg.config, Works());
    ASSERT_EQ(Add(list, "job.prn"), 0);
    const TaskRowTexts row = list.RowTexts(0);
    EXPECT_EQ(row[kColNumber], "1");
    EXPECT_EQ(row[kColName], "job.prn");
    EXPECT_EQ(row[kColState], "就绪");
    EXPECT_EQ(row[kColPlanes], "4");
    // Print type 1 is "1,2,0": 540*600 dpi, pass list entry 2.
    // 1080 pixels at 540 dpi = 2 in = 50.8 mm; 1200 lines at 12 x 50 rows per inch = 2 in.
    EXPECT_EQ(row[kColSize], "50 * 50");
    EXPECT_EQ(row[kColFileRes], "720 * 600");
    EXPECT_EQ(row[kColPrintType], "Fine 4 pass");
    EXPECT_EQ(row[kColSpeed], "M");
    EXPECT_EQ(row[kColDirection], "Uni");
    EXPECT_EQ(row[kColPasses], "4");
    EXPECT_EQ(row[kColRemaining], "");
    EXPECT_EQ(row[kColCopies], "1");
    EXPECT_EQ(list.GetSelectedTask(), 0);

    const TaskRecord t = list.GetTask(0);
    EXPECT_EQ(t.m_stateId, 187);
    EXPECT_EQ(t.m_printTypeId, 1);
    EXPECT_EQ(t.m_passes, 4);
    EXPECT_EQ(t.m_printTypeCode, 2);  // ToTalPassList 1&2&4 holds 4 at index 2
    EXPECT_EQ(t.m_maskMode, 1);
    EXPECT_EQ(t.m_xResolution, 540);
    EXPECT_EQ(t.m_yResolution, 600);
    EXPECT_EQ(t.m_speed, 1);
    EXPECT_EQ(t.m_direction, 1);
    EXPECT_EQ(t.m_copies, 1);
    EXPECT_EQ(t.m_resumeLine, 0);
    EXPECT_TRUE(t.m_name.empty());
    EXPECT_EQ(t.m_saved, 0);
}

TEST_F(TaskListTest, TitleWithTwoDotsKeepsItsNameAndNamesTheThumbnailByItsStart)
{
    CTaskList list(cfg.config, Works());
    ASSERT_EQ(Add(list, "poster.v2.final.prn"), 0);
    EXPECT_EQ(list.RowTexts(0)[kColName], "poster.v2.final.prn");
    const std::filesystem::path thumb = list.GetTask(0).m_thumbnailPath;
    EXPECT_EQ(thumb.parent_path(), Works());
    const std::string name = thumb.filename().string();
    EXPECT_EQ(name.rfind("poster", 0), 0u) << name;
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(name[6]))) << name;
    EXPECT_EQ(std::count(name.begin(), name.end(), '&'), 2) << name;
    EXPECT_EQ(thumb.extension(), ".BMP");
    DibImage back;
    ASSERT_TRUE(LoadBmpFile(thumb, back));
    EXPECT_EQ(back.pixels, preview.pixels);

    // The same file added again gets a thumbnail of its own.
    ASSERT_EQ(Add(list, "poster.v2.final.prn"), 1);
    EXPECT_NE(list.GetTask(1).m_thumbnailPath, list.GetTask(0).m_thumbnailPath);
    EXPECT_EQ(list.RowTexts(1)[kColNumber], "2");
}

TEST_F(TaskListTest, OnlySavedTasksAreWrittenAndLoadBackIdentically)
{
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    ASSERT_TRUE(list.SaveTasks());  // a is selected: saved
    Add(list, "b.prn");
    Add(list, "c.prn");
    ASSERT_TRUE(list.SaveTasks());  // c is selected; b never was when saving
    const std::string bytes = FileBytes(Works() / "Tasks.dat");
    ASSERT_EQ(bytes.size(), 4 + 2 * 624u);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_STREQ(bytes.c_str() + 4 + 364, (cfg.dir.Path() / "a.prn").c_str());
    EXPECT_STREQ(bytes.c_str() + 4 + 624 + 364, (cfg.dir.Path() / "c.prn").c_str());

    CTaskList loaded(cfg.config, Works());
    ASSERT_TRUE(loaded.LoadTasks());
    ASSERT_EQ(loaded.TaskCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const int original = i == 0 ? 0 : 2;
        TaskRecord expected = list.GetTask(original);
        expected.m_saved = 1;
        EXPECT_EQ(loaded.GetTask(i), expected) << i;
        TaskRowTexts row = list.RowTexts(original);
        row[kColNumber] = std::to_string(i + 1);
        EXPECT_EQ(loaded.RowTexts(i), row) << i;
        ASSERT_NE(loaded.Thumbnail(i), nullptr);
        EXPECT_EQ(loaded.Thumbnail(i)->pixels, preview.pixels);
    }
    EXPECT_TRUE(ui.messages.empty());

    ASSERT_TRUE(list.SaveAllTasks());
    EXPECT_EQ(FileBytes(Works() / "Tasks.dat").size(), 4 + 3 * 624u);
}

TEST_F(TaskListTest, EmptyAndMissingListsLoadNothingQuietly)
{
    CTaskList list(cfg.config, Works());
    EXPECT_TRUE(list.LoadTasks());
    ASSERT_TRUE(AtomicWriteFile(Works() / "Tasks.dat", std::string(4, '\0')));
    EXPECT_TRUE(list.LoadTasks());
    EXPECT_EQ(list.TaskCount(), 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TaskListTest, DamagedListLoadsWholeRecordsAndSaysSo)
{
    {
        CTaskList list(cfg.config, Works());
        Add(list, "a.prn");
        Add(list, "b.prn");
        ASSERT_TRUE(list.SaveAllTasks());
    }
    std::string bytes = FileBytes(Works() / "Tasks.dat");
    bytes[0] = 5;                     // announces five
    bytes.resize(bytes.size() - 10);  // and the second is cut short
    ASSERT_TRUE(AtomicWriteFile(Works() / "Tasks.dat", bytes));
    CTaskList list(cfg.config, Works());
    EXPECT_FALSE(list.LoadTasks());
    ASSERT_EQ(list.TaskCount(), 1);
    EXPECT_EQ(list.RowTexts(0)[kColName], "a.prn");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "装载打印任务错误");
}

TEST_F(TaskListTest, PathTooLongForItsFieldIsRefused)
{
    CTaskList list(cfg.config, Works());
    const std::string longPath = "/" + std::string(259, 'x') + ".prn";
    EXPECT_EQ(list.AddTask(longPath, Info(), preview), -1);
    EXPECT_EQ(list.TaskCount(), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find(longPath), std::string::npos);
    EXPECT_EQ(CountFiles(Works(), ".BMP"), 0) << "no thumbnail for a refused task";

    // A Works folder so deep that the thumbnail path would not fit.
    const std::filesystem::path deep = cfg.dir.Path() / std::string(250, 'd');
    CTaskList deepList(cfg.config, deep);
    EXPECT_EQ(deepList.AddTask("/short.prn", Info(), preview), -1);
    EXPECT_EQ(deepList.TaskCount(), 0);
}

TEST_F(TaskListTest, DeletingRemovesTheThumbnailAndSaves)
{
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    Add(list, "b.prn");
    Add(list, "c.prn");
    ASSERT_TRUE(list.SaveAllTasks());
    const std::string thumbB = list.GetTask(1).m_thumbnailPath;
    ASSERT_TRUE(std::filesystem::exists(thumbB));
    ASSERT_TRUE(list.DeleteTask(1));
    EXPECT_FALSE(std::filesystem::exists(thumbB));
    EXPECT_EQ(list.TaskCount(), 2);
    EXPECT_EQ(list.RowTexts(1)[kColName], "c.prn");
    EXPECT_EQ(list.RowTexts(1)[kColNumber], "2");
    EXPECT_EQ(FileBytes(Works() / "Tasks.dat").size(), 4 + 2 * 624u);
    EXPECT_FALSE(list.DeleteTask(5));

    ASSERT_TRUE(list.DeleteAllTasks());
    EXPECT_EQ(list.TaskCount(), 0);
    EXPECT_EQ(CountFiles(Works(), ".BMP"), 0);
    EXPECT_EQ(FileBytes(Works() / "Tasks.dat"), std::string(4, '\0'));
}

TEST_F(TaskListTest, DeletingNeverRemovesAFileOutsideTheWorksFolder)
{
    const auto precious = cfg.dir.Write("precious.BMP", "keep me");
    TaskRecord r;
    r.m_filePath = "/x.prn";
    r.m_thumbnailPath = precious.string();
    std::string bytes;
    ASSERT_TRUE(EncodeTasksFile({r}, bytes));
    std::filesystem::create_directories(Works());
    ASSERT_TRUE(AtomicWriteFile(Works() / "Tasks.dat", bytes));
    CTaskList list(cfg.config, Works());
    list.LoadTasks();
    ASSERT_EQ(list.TaskCount(), 1);
    ASSERT_TRUE(list.DeleteTask(0));
    EXPECT_EQ(cfg.dir.Read("precious.BMP"), "keep me");
}

TEST_F(TaskListTest, JobThreadUpdatesReachTheObserver)
{
    struct Observer : ITaskListObserver {
        void OnRowInserted(int row) override { events.push_back("insert " + std::to_string(row)); }
        void OnRowRemoved(int row) override { events.push_back("remove " + std::to_string(row)); }
        void OnRowChanged(int row) override
        {
            events.push_back("change " + std::to_string(row) + " " +
                             list->RowTexts(row)[kColState] + " " +
                             list->RowTexts(row)[kColRemaining]);
        }
        void OnSelectionChanged(int row) override
        {
            events.push_back("select " + std::to_string(row));
        }
        CTaskList* list = nullptr;
        std::vector<std::string> events;
    } observer;
    CTaskList list(cfg.config, Works());
    observer.list = &list;
    list.SetObserver(&observer);
    Add(list, "a.prn");
    std::thread job([&] {
        list.SetTaskStatus(0, 188);
        list.SetRemainingTime(0, "00:05");
        list.SetTaskStatus(3, 188);  // a task deleted meanwhile: ignored
    });
    job.join();
    list.DeleteTask(0);
    const std::vector<std::string> expected = {"insert 0", "select 0", "change 0 打印 ",
                                               "change 0 打印 00:05", "remove 0"};
    EXPECT_EQ(observer.events, expected);
}

TEST_F(TaskListTest, CrashDuringSaveLeavesTheLastSavedList)
{
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    ASSERT_TRUE(list.SaveAllTasks());
    const std::string before = FileBytes(Works() / "Tasks.dat");
    Add(list, "b.prn");
    list.SimulateCrashOnSave(AtomicWriteStep::TempWritten);
    EXPECT_FALSE(list.SaveAllTasks());
    EXPECT_EQ(FileBytes(Works() / "Tasks.dat"), before);
    CTaskList loaded(cfg.config, Works());
    EXPECT_TRUE(loaded.LoadTasks());
    ASSERT_EQ(loaded.TaskCount(), 1);
    EXPECT_EQ(loaded.RowTexts(0)[kColName], "a.prn");
}

TEST_F(TaskListTest, KillNineDuringSavesLeavesOneWholeList)
{
    // A child saves two states of one list in turn until it is killed at a random moment,
    // perhaps holding the file's lock; the file must then load as exactly one of them, record
    // for record, and the next writer must get the lock at once.
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    Add(list, "b.prn");
    auto records = [](const CTaskList& l) {
        std::vector<TaskRecord> r;
        for (int i = 0; i < l.TaskCount(); ++i) {
            r.push_back(l.GetTask(i));
        }
        return r;
    };
    auto stateA = [&] {
        list.SetTaskStatus(1, ids::kTaskReady);
        list.SetResumePoint(1, false, 0);
    };
    auto stateB = [&] {
        list.SetTaskStatus(1, ids::kTaskSuspended);
        list.SetResumePoint(1, true, 77);
    };
    stateA();
    ASSERT_TRUE(list.SaveAllTasks());
    const std::vector<TaskRecord> expectA = records(list);
    stateB();
    const std::vector<TaskRecord> expectB = records(list);

    CRandomSource random(42);
    for (int round = 0; round < 8; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                stateA();
                list.SaveAllTasks();
                stateB();
                list.SaveAllTasks();
            }
        }
        usleep(static_cast<useconds_t>(2000 + random.Rand() % 20000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        CTaskList loaded(cfg.config, Works());
        EXPECT_TRUE(loaded.LoadTasks()) << "round " << round;
        const std::vector<TaskRecord> got = records(loaded);
        EXPECT_TRUE(got == expectA || got == expectB)
            << "round " << round << ": " << got.size() << " records";
        CFileLock lock(loaded.TasksFilePath(), 0);
        EXPECT_TRUE(lock.Locked()) << "round " << round << ": " << lock.Error();
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TaskListTest, ASuspendedTaskKeepsItsResumeLineAcrossARestart)
{
    {
        CTaskList list(cfg.config, Works());
        Add(list, "a.prn");
        Add(list, "b.prn");
        list.SelectTask(-1);  // the printed task need not be the selected one
        list.SetTaskStatus(1, ids::kTaskSuspended);
        list.SetResumePoint(1, true, 345);
        list.SetCopiesText(1, "2(1)");
        EXPECT_EQ(list.RowTexts(1)[kColCopies], "2(1)");
        EXPECT_EQ(list.GetTask(1).m_copies, 1) << "the copies shown are not the copies asked";
        ASSERT_TRUE(list.SaveTask(1));
        EXPECT_FALSE(list.SaveTask(7));
    }
    CTaskList again(cfg.config, Works());
    ASSERT_TRUE(again.LoadTasks());
    ASSERT_EQ(again.TaskCount(), 1) << "only the printed task was saved";
    const TaskRecord t = again.GetTask(0);
    EXPECT_EQ(t.m_filePath, (cfg.dir.Path() / "b.prn").string());
    EXPECT_EQ(t.m_stateId, ids::kTaskSuspended);
    EXPECT_EQ(t.m_resumeLine, 345);
    EXPECT_EQ(t.m_resume, 1) << "a suspended task goes on where it stopped";
    EXPECT_EQ(again.RowTexts(0)[kColState], "挂起");

    // Printed to the end: ready, and the next print starts at the top even after a restart.
    again.SetResumePoint(0, false, 345);
    again.SetTaskStatus(0, ids::kTaskReady);
    ASSERT_TRUE(again.SaveTask(0));
    CTaskList third(cfg.config, Works());
    ASSERT_TRUE(third.LoadTasks());
    EXPECT_EQ(third.GetTask(0).m_resume, 0);
}

TEST_F(TaskListTest, SavesFromSeveralThreadsLeaveAWholeFile)
{
    CTaskList list(cfg.config, Works());
    for (int i = 0; i < 4; ++i) {
        Add(list, "t" + std::to_string(i) + ".prn");
    }
    std::vector<std::thread> threads;
    std::atomic<int> failed{0};
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            for (int n = 0; n < 20; ++n) {
                list.SetResumePoint(i, true, n);
                failed += list.SaveTask(i) ? 0 : 1;
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(failed.load(), 0);
    EXPECT_TRUE(ui.messages.empty());
    const DecodedTasks decoded = DecodeTasksFile(FileBytes(list.TasksFilePath()));
    EXPECT_FALSE(decoded.damaged);
    ASSERT_EQ(decoded.records.size(), 4u);
    for (const TaskRecord& r : decoded.records) {
        EXPECT_EQ(r.m_resumeLine, 19);
    }
}

TEST_F(TaskListTest, AnIndexOutsideTheListTouchesNoRow)
{
    struct Observer : ITaskListObserver {
        void OnRowInserted(int /*row*/) override { ++events; }
        void OnRowRemoved(int /*row*/) override { ++events; }
        void OnRowChanged(int /*row*/) override { ++events; }
        void OnSelectionChanged(int /*row*/) override {}
        int events = 0;
    } observer;
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    Add(list, "b.prn");
    ASSERT_TRUE(list.SaveAllTasks());
    const std::string saved = FileBytes(Works() / "Tasks.dat");
    const TaskRowTexts rows[] = {list.RowTexts(0), list.RowTexts(1)};
    list.SetObserver(&observer);
    for (const int index : {-1, 2, 3, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(index);
        EXPECT_FALSE(list.DeleteTask(index));
        EXPECT_FALSE(list.SaveTask(index));
        list.SetTaskStatus(index, 188);
        list.SetRemainingTime(index, "00:01");
        list.SetCopiesText(index, "9(9)");
        list.SetResumePoint(index, true, 40);
        EXPECT_TRUE(list.GetTask(index).m_filePath.empty());
        EXPECT_EQ(list.RowTexts(index), TaskRowTexts{});
        EXPECT_EQ(list.Thumbnail(index), nullptr);
        list.SelectTask(index);
        EXPECT_EQ(list.GetSelectedTask(), -1);
    }
    EXPECT_EQ(observer.events, 0);
    EXPECT_EQ(list.RowTexts(0), rows[0]);
    EXPECT_EQ(list.RowTexts(1), rows[1]);
    EXPECT_EQ(list.GetTask(1).m_resume, 0);
    EXPECT_EQ(FileBytes(Works() / "Tasks.dat"), saved);
    // The last row is inside the list.
    list.SetResumePoint(1, true, 40);
    EXPECT_EQ(list.GetTask(1).m_resumeLine, 40);
    EXPECT_NE(list.Thumbnail(1), nullptr);
    EXPECT_TRUE(list.DeleteTask(1));
    EXPECT_EQ(observer.events, 1);
}
