// The task list model: rows, saving and loading, deletion, damaged files, crashes, and
// Tasks.dat shared by several programs.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <set>
#include <thread>
#include <tuple>

#include "config/ConfigFixture.h"
#include "platform/AtomicFile.h"
#include "platform/RandomSource.h"
#include "platform/BmpFile.h"
#include "platform/FileLock.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskList.h"
#include "tasks/ThumbnailImage.h"

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

int Thumbnails(const std::filesystem::path& dir)
{
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        n += e.path().extension() == ".BMP" ? 1 : 0;
    }
    return n;
}

std::vector<TaskRecord> Records(const CTaskList& list)
{
    std::vector<TaskRecord> r;
    for (int i = 0; i < list.TaskCount(); ++i) {
        r.push_back(list.GetTask(i));
    }
    return r;
}

// Counts the row events; the changes with the row's state and remaining time.
struct Observer : ITaskListObserver {
    void OnRowInserted(int row) override { events.push_back("insert " + std::to_string(row)); }
    void OnRowRemoved(int row) override { events.push_back("remove " + std::to_string(row)); }
    void OnRowChanged(int row) override
    {
        const TaskRowTexts texts = list->RowTexts(row);
        events.push_back("change " + std::to_string(row) + " " + texts[kColState] + " " +
                         texts[kColRemaining]);
    }
    void OnSelectionChanged(int row) override { events.push_back("select " + std::to_string(row)); }
    const CTaskList* list = nullptr;
    std::vector<std::string> events;
};

}  // namespace

TEST_F(TaskListTest, AddedTaskShowsItsSettingsInTheRow)
{
    CTaskList list(cfg.config, Works());
    ASSERT_EQ(Add(list, "job.prn"), 0);
    // Print type 1 is "1,2,0": 540*600 dpi, pass list entry 2. 1080 pixels at 540 dpi = 2 in =
    // 50.8 mm; 1200 lines at 12 x 50 rows per inch = 2 in.
    const TaskRowTexts row = {"1",           "job.prn", "就绪", "4", "50 * 50", "720 * 600",
                              "Fine 4 pass", "M",       "Uni",  "4", "",        "1"};
    EXPECT_EQ(list.RowTexts(0), row);
    EXPECT_EQ(list.GetSelectedTask(), 0);
    const TaskRecord t = list.GetTask(0);
    // ToTalPassList 1&2&4 holds 4 at index 2.
    EXPECT_EQ(std::tuple(t.m_stateId, t.m_printTypeId, t.m_passes, t.m_printTypeCode, t.m_maskMode,
                         t.m_xResolution, t.m_yResolution, t.m_speed, t.m_direction, t.m_copies,
                         t.m_resumeLine, t.m_name, t.m_saved),
              std::tuple(187, 1, 4, 2, 1, 540, 600, 1, 1, 1, 0, std::string(), uint8_t{0}));
}

TEST_F(TaskListTest, TitleWithTwoDotsKeepsItsNameAndNamesTheThumbnailByItsStart)
{
    CTaskList list(cfg.config, Works());
    ASSERT_EQ(Add(list, "poster.v2.final.prn"), 0);
    EXPECT_EQ(list.RowTexts(0)[kColName], "poster.v2.final.prn");
    const std::filesystem::path thumb = list.GetTask(0).m_thumbnailPath;
    EXPECT_EQ(thumb.parent_path(), Works());
    const std::string name = thumb.filename().string();
    EXPECT_TRUE(name.starts_with("poster") && std::isdigit(static_cast<unsigned char>(name[6])))
        << name;
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
    EXPECT_EQ(FileBytes(Works() / "Tasks.dat").size(), 4 + 2 * 624u);

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

TEST_F(TaskListTest, OnlyADamagedListIsReportedAndItsWholeRecordsLoad)
{
    std::string two;
    {
        CTaskList list(cfg.config, Works());
        Add(list, "a.prn");
        Add(list, "b.prn");
        ASSERT_TRUE(list.SaveAllTasks());
        two = FileBytes(Works() / "Tasks.dat");
    }
    std::string damaged = two;
    damaged[0] = 5;                       // announces five
    damaged.resize(damaged.size() - 10);  // and the second is cut short
    const struct {
        const char* file;  // null: no file
        std::string bytes;
        bool loaded;
        int tasks;
    } cases[] = {
        {nullptr, "", true, 0}, {"", std::string(4, '\0'), true, 0}, {"", damaged, false, 1}};
    for (const auto& c : cases) {
        std::filesystem::remove(Works() / "Tasks.dat");
        if (c.file != nullptr) {
            ASSERT_TRUE(AtomicWriteFile(Works() / "Tasks.dat", c.bytes));
        }
        ui.messages.clear();
        CTaskList list(cfg.config, Works());
        EXPECT_EQ(list.LoadTasks(), c.loaded);
        ASSERT_EQ(list.TaskCount(), c.tasks);
        EXPECT_EQ(ui.messages, c.loaded ? std::vector<std::string>{}
                                        : std::vector<std::string>{"装载打印任务错误"});
        if (c.tasks > 0) {
            EXPECT_EQ(list.RowTexts(0)[kColName], "a.prn");
        }
    }
    // A hundred thousand tasks load and are numbered (once: per record it would take the square).
    TaskRecord job;
    job.m_filePath = "job.prn";
    std::string many;
    ASSERT_TRUE(EncodeTasksFile(std::vector<TaskRecord>(100000, job), many));
    ASSERT_TRUE(AtomicWriteFile(Works() / "Tasks.dat", many));
    CTaskList list(cfg.config, Works());
    ASSERT_TRUE(list.LoadTasks());
    EXPECT_EQ(list.RowTexts(99999)[kColNumber], "100000");
}

TEST_F(TaskListTest, PathTooLongForItsFieldIsRefused)
{
    CTaskList list(cfg.config, Works());
    const std::string longPath = "/" + std::string(259, 'x') + ".prn";
    EXPECT_EQ(list.AddTask(longPath, Info(), preview), -1);
    EXPECT_EQ(list.TaskCount(), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find(longPath), std::string::npos);
    EXPECT_EQ(Thumbnails(Works()), 0) << "no thumbnail for a refused task";
    // A Works folder so deep that the thumbnail path would not fit.
    CTaskList deep(cfg.config, cfg.dir.Path() / std::string(250, 'd'));
    EXPECT_EQ(deep.AddTask("/short.prn", Info(), preview), -1);
    EXPECT_EQ(deep.TaskCount(), 0);
}

TEST_F(TaskListTest, DeletingRemovesOnlyItsOwnThumbnailAndSaves)
{
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    Add(list, "b.prn");
    Add(list, "c.prn");
    ASSERT_TRUE(list.SaveAllTasks());
    const std::string thumbB = list.GetTask(1).m_thumbnailPath;
    ASSERT_TRUE(list.DeleteTask(1));
    EXPECT_FALSE(std::filesystem::exists(thumbB));
    EXPECT_EQ(list.TaskCount(), 2);
    EXPECT_EQ(list.RowTexts(1)[kColName], "c.prn");
    EXPECT_EQ(list.RowTexts(1)[kColNumber], "2");
    EXPECT_EQ(FileBytes(Works() / "Tasks.dat").size(), 4 + 2 * 624u);
    ASSERT_TRUE(list.DeleteAllTasks());
    EXPECT_EQ(list.TaskCount(), 0);
    EXPECT_EQ(Thumbnails(Works()), 0);
    EXPECT_EQ(FileBytes(Works() / "Tasks.dat"), std::string(4, '\0'));

    // A file outside the Works folder named as a task's thumbnail is never removed.
    const auto precious = cfg.dir.Write("precious.BMP", "keep me");
    TaskRecord r;
    r.m_filePath = "/x.prn";
    r.m_thumbnailPath = precious.string();
    std::string bytes;
    ASSERT_TRUE(EncodeTasksFile({r}, bytes));
    ASSERT_TRUE(AtomicWriteFile(Works() / "Tasks.dat", bytes));
    CTaskList other(cfg.config, Works());
    other.LoadTasks();
    ASSERT_TRUE(other.DeleteTask(0));
    EXPECT_EQ(cfg.dir.Read("precious.BMP"), "keep me");
}

TEST_F(TaskListTest, JobThreadUpdatesReachTheObserverAndAnIndexOutsideTouchesNoRow)
{
    CTaskList list(cfg.config, Works());
    Observer observer;
    observer.list = &list;
    list.SetObserver(&observer);
    Add(list, "a.prn");
    Add(list, "b.prn");
    ASSERT_TRUE(list.SaveAllTasks());
    const std::string saved = FileBytes(Works() / "Tasks.dat");
    std::thread([&] {
        list.SetTaskStatus(0, 188);
        list.SetRemainingTime(0, "00:05");
    }).join();
    const TaskRowTexts rows[] = {list.RowTexts(0), list.RowTexts(1)};
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
    EXPECT_EQ(list.RowTexts(0), rows[0]);
    EXPECT_EQ(list.RowTexts(1), rows[1]);
    EXPECT_EQ(list.GetTask(1).m_resume, 0);
    EXPECT_EQ(FileBytes(Works() / "Tasks.dat"), saved);
    // The last row is inside the list.
    list.SetResumePoint(1, true, 40);
    EXPECT_EQ(list.GetTask(1).m_resumeLine, 40);
    EXPECT_NE(list.Thumbnail(1), nullptr);
    EXPECT_TRUE(list.DeleteTask(1));
    std::vector<std::string> expected = {"insert 0", "select 0",       "insert 1",
                                         "select 1", "change 0 打印 ", "change 0 打印 00:05"};
    expected.insert(expected.end(), 5, "select -1");
    expected.push_back("remove 1");
    EXPECT_EQ(observer.events, expected);
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
    }
    CTaskList again(cfg.config, Works());
    ASSERT_TRUE(again.LoadTasks());
    ASSERT_EQ(again.TaskCount(), 1) << "only the printed task was saved";
    const TaskRecord t = again.GetTask(0);
    EXPECT_EQ(t.m_filePath, (cfg.dir.Path() / "b.prn").string());
    EXPECT_EQ(std::tuple(t.m_stateId, t.m_resumeLine, t.m_resume),
              std::tuple(ids::kTaskSuspended, 345, uint8_t{1}));
    EXPECT_EQ(again.RowTexts(0)[kColState], "挂起");
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

TEST_F(TaskListTest, ACrashOrKillDuringSavesLeavesOneWholeList)
{
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    Add(list, "b.prn");
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
    const std::vector<TaskRecord> expectA = Records(list);
    const std::string before = FileBytes(Works() / "Tasks.dat");
    stateB();
    const std::vector<TaskRecord> expectB = Records(list);
    // A crash between writing the new file and putting it in place keeps the old one.
    list.SimulateCrashOnSave(AtomicWriteStep::TempWritten);
    EXPECT_FALSE(list.SaveAllTasks());
    EXPECT_EQ(FileBytes(Works() / "Tasks.dat"), before);
    list.SimulateCrashOnSave(AtomicWriteStep::None);
    ui.messages.clear();

    // A child saves the two states in turn until it is killed at a random moment, perhaps
    // holding the lock: the file loads as exactly one of them, and the next writer gets the lock.
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
        const std::vector<TaskRecord> got = Records(loaded);
        EXPECT_TRUE(got == expectA || got == expectB) << "round " << round;
        CFileLock lock(loaded.TasksFilePath(), 0);
        EXPECT_TRUE(lock.Locked()) << "round " << round << ": " << lock.Error();
    }
    EXPECT_TRUE(ui.messages.empty());
}

// Tasks.dat shared by several programs: the merge under the lock, hostile files, thumbnails.
TEST(TaskMerge, OursAndTheirsAddsRemovalsAndUpdates)
{
    // A record named by its thumbnail ("" for none) and file, in a state; "*" marks suspended.
    auto rec = [](const std::string& thumbnail, const std::string& file = "f", int state = 187) {
        TaskRecord r;
        r.m_thumbnailPath = thumbnail.empty() ? "" : "/w/" + thumbnail + ".BMP";
        r.m_filePath = file;
        r.m_stateId = state;
        return r;
    };
    auto names = [](const std::vector<TaskRecord>& records) {
        std::string s;
        for (const TaskRecord& r : records) {
            s += r.m_thumbnailPath.empty() ? "(" + r.m_filePath + ")"
                                           : r.m_thumbnailPath.substr(3, 1);
            s += r.m_stateId == 189 ? "*" : "";
        }
        return s;
    };
    auto keys = [&](const std::vector<std::string>& thumbs) {
        std::set<std::string> out;
        for (const std::string& t : thumbs) {
            out.insert(TaskKeys({rec(t, "t")})[0]);
        }
        return out;
    };
    const struct {
        const char* what;
        std::vector<TaskRecord> disk;
        std::vector<std::string> known;    // thumbnails on disk when we last read it
        std::vector<std::string> removed;  // thumbnails we removed since
        std::vector<TaskRecord> ours;
        const char* expect;
    } cases[] = {
        {"their add survives ours", {rec("a"), rec("x")}, {"a"}, {}, {rec("a"), rec("b")}, "axb"},
        {"our removal applies", {rec("a"), rec("b")}, {"a", "b"}, {"b"}, {rec("a")}, "a"},
        {"their removal stays", {rec("b")}, {"a", "b"}, {}, {rec("a"), rec("b")}, "b"},
        {"our update wins", {rec("a"), rec("b")}, {"a", "b"}, {}, {rec("b", "f", 189)}, "ab*"},
        {"a new file", {}, {}, {}, {rec("a"), rec("b")}, "ab"},
        {"pictureless twins", {rec("", "t")}, {""}, {}, {rec("", "t"), rec("", "t")}, "(t)(t)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(names(MergeTasks(c.disk, keys(c.known), keys(c.removed), c.ours)), c.expect)
            << c.what;
    }
}

TEST_F(TaskListTest, ListsAddingInSeveralThreadsLoseNoTaskAndLeaveNoStrayPicture)
{
    constexpr int kWriters = 3;
    constexpr int kRounds = 12;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] {
            // Each round a program starts, loads the list, adds one task and saves.
            for (int round = 0; round < kRounds; ++round) {
                CTaskList list(cfg.config, Works());
                list.LoadTasks();
                if (Add(list, "w" + std::to_string(w) + ".prn") < 0 || !list.SaveTasks()) {
                    ++failures;
                }
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures.load(), 0);
    CTaskList list(cfg.config, Works());
    list.LoadTasks();
    EXPECT_EQ(list.TaskCount(), kWriters * kRounds);
    EXPECT_EQ(Thumbnails(Works()), kWriters * kRounds);
    for (const TaskRecord& t : Records(list)) {
        EXPECT_TRUE(std::filesystem::exists(t.m_thumbnailPath)) << t.m_thumbnailPath;
    }
}

TEST_F(TaskListTest, AHeldLockOrAFifoFailsWithAMessageAndLeavesTheFile)
{
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    ASSERT_TRUE(list.SaveTasks());
    const std::string before = FileBytes(list.TasksFilePath());
    SetFileLockWaitMs(100);
    {
        CFileLock other(list.TasksFilePath(), 0);
        ASSERT_TRUE(other.Locked());
        Add(list, "b.prn");
        EXPECT_FALSE(list.SaveTasks());
    }
    SetFileLockWaitMs(kFileLockWaitMs);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find(LoadResString(ids::kFileBusy)), std::string::npos);
    EXPECT_EQ(FileBytes(list.TasksFilePath()), before);

    // A fifo is refused at once, not waited on, and stays in place.
    ui.messages.clear();
    std::filesystem::remove(list.TasksFilePath());
    ASSERT_EQ(mkfifo(list.TasksFilePath().c_str(), 0644), 0);
    CTaskList fifo(cfg.config, Works());
    EXPECT_FALSE(fifo.LoadTasks());
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(ui.messages[0].find(LoadResString(ids::kNotRegularFile)), std::string::npos);
    Add(fifo, "a.prn");
    EXPECT_FALSE(fifo.SaveTasks());
    EXPECT_TRUE(std::filesystem::is_fifo(list.TasksFilePath()));
}

TEST_F(TaskListTest, ThumbnailsAreScaledByTheSmallestWholeFactorAndSampled)
{
    const struct {
        int width, height, maxSide, expectWidth, expectHeight;
    } cases[] = {
        {4, 2, 8, 4, 2},         {8, 8, 8, 8, 8},      {9, 3, 8, 4, 1},
        {30, 300, 100, 10, 100}, {3, 1000, 10, 1, 10}, {1001, 1, 1000, 500, 1},
    };
    for (const auto& c : cases) {
        DibImage image;
        image.Allocate(c.width, c.height, 24, 0);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                image.Row(y)[3 * x] = static_cast<uint8_t>(x);
                image.Row(y)[3 * x + 1] = static_cast<uint8_t>(y);
            }
        }
        const DibImage out = BoundedThumbnail(image, c.maxSide);
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        ASSERT_EQ(out.width, c.expectWidth);
        ASSERT_EQ(out.height, c.expectHeight);
        const int f = (std::max(c.width, c.height) + c.maxSide - 1) / c.maxSide;
        const int x = out.width - 1;
        const int y = out.height - 1;
        EXPECT_EQ(out.Row(y)[3 * x], static_cast<uint8_t>(x * f));
        EXPECT_EQ(out.Row(y)[3 * x + 1], static_cast<uint8_t>(y * f));
    }
    // An unzoomed preview gives a bounded thumbnail, on disk and in the list.
    preview.Allocate(20000, 3000, 24, 0x40);
    CTaskList list(cfg.config, Works());
    ASSERT_EQ(Add(list, "wide.prn"), 0);
    DibImage stored;
    ASSERT_TRUE(LoadBmpFile(list.GetTask(0).m_thumbnailPath, stored));
    EXPECT_EQ(stored.height, 150);
    EXPECT_EQ(stored.width, 1000);  // the factor is 20: 20000 / 1024 rounded up
    EXPECT_EQ(list.Thumbnail(0)->width, stored.width);
}
