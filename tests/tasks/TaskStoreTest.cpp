// Tasks.dat shared by several programs: the merge under the lock, hostile files, large lists
// and bounded thumbnails.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <thread>

#include "config/ConfigFixture.h"
#include "platform/AtomicFile.h"
#include "platform/BmpFile.h"
#include "platform/FileLock.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskList.h"
#include "tasks/ThumbnailImage.h"

using namespace tavolux;

namespace {

class TaskStoreTest : public ::testing::Test {
protected:
    TaskStoreTest()
    {
        cfg.config.LoadConfig();
        preview.Allocate(4, 2, 24, 0x80);
    }

    std::filesystem::path Works() const { return cfg.dir.Path() / "Works"; }
    std::filesystem::path TasksDat() const { return Works() / kTasksFileName; }

    int Add(CTaskList& list, const std::string& name)
    {
        return list.AddTask((cfg.dir.Path() / name).string(),
                            RipHeader::Of(720, 600, 10, 100, 80, 4), preview);
    }

    // The tasks on disk, as a fresh program would load them.
    std::vector<TaskRecord> OnDisk()
    {
        CTaskList list(cfg.config, Works());
        list.LoadTasks();
        std::vector<TaskRecord> records;
        for (int i = 0; i < list.TaskCount(); ++i) {
            records.push_back(list.GetTask(i));
        }
        return records;
    }

    int Thumbnails() const
    {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(Works())) {
            n += e.path().extension() == ".BMP" ? 1 : 0;
        }
        return n;
    }

    test::ConfigFixture cfg;
    test::RecordingUi ui;
    DibImage preview;
};

struct LockWait {
    explicit LockWait(int ms) { SetFileLockWaitMs(ms); }
    ~LockWait() { SetFileLockWaitMs(kFileLockWaitMs); }
};

// A record named by its thumbnail ("" for none) and file, in a state.
TaskRecord Rec(const std::string& thumbnail, const std::string& file = "f.prn", int state = 187)
{
    TaskRecord r;
    r.m_thumbnailPath = thumbnail.empty() ? "" : "/w/" + thumbnail + ".BMP";
    r.m_filePath = file;
    r.m_stateId = state;
    return r;
}

std::string Names(const std::vector<TaskRecord>& records)
{
    std::string s;
    for (const TaskRecord& r : records) {
        s += r.m_thumbnailPath.empty() ? "(" + r.m_filePath + ")" : r.m_thumbnailPath.substr(3, 1);
        s += r.m_stateId == 189 ? "*" : "";
    }
    return s;
}

bool Contains(const std::vector<std::string>& texts, const std::string& part)
{
    for (const std::string& t : texts) {
        if (t.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(TaskMerge, OursAndTheirsAddsRemovalsAndUpdates)
{
    struct Case {
        const char* what;
        std::vector<TaskRecord> disk;
        std::vector<std::string> known;    // thumbnails on disk when we last read it
        std::vector<std::string> removed;  // thumbnails we removed since
        std::vector<TaskRecord> ours;
        const char* expect;
    };
    auto keys = [](const std::vector<std::string>& thumbs) {
        std::set<std::string> out;
        for (const std::string& t : thumbs) {
            out.insert(TaskKeys({Rec(t)})[0]);
        }
        return out;
    };
    const Case cases[] = {
        {"their add survives ours", {Rec("a"), Rec("x")}, {"a"}, {}, {Rec("a"), Rec("b")}, "axb"},
        {"our removal applies", {Rec("a"), Rec("b")}, {"a", "b"}, {"b"}, {Rec("a")}, "a"},
        {"their removal stays", {Rec("b")}, {"a", "b"}, {}, {Rec("a"), Rec("b")}, "b"},
        {"our update wins", {Rec("a"), Rec("b")}, {"a", "b"}, {}, {Rec("b", "f", 189)}, "ab*"},
        {"a new file", {}, {}, {}, {Rec("a"), Rec("b")}, "ab"},
        {"pictureless twins", {Rec("", "t")}, {""}, {}, {Rec("", "t"), Rec("", "t")}, "(t)(t)"},
    };
    for (const Case& c : cases) {
        std::set<std::string> known;
        for (const std::string& k : c.known) {
            known.insert(k.empty() ? TaskKeys({Rec("", "t")})[0] : TaskKeys({Rec(k)})[0]);
        }
        EXPECT_EQ(Names(MergeTasks(c.disk, known, keys(c.removed), c.ours)), c.expect) << c.what;
    }
}

TEST_F(TaskStoreTest, ListsAddingInSeveralThreadsLoseNoTaskAndLeaveNoStrayPicture)
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
                const int index = Add(list, "w" + std::to_string(w) + ".prn");
                if (index < 0 || !list.SaveTasks()) {
                    ++failures;
                }
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures.load(), 0);
    const std::vector<TaskRecord> tasks = OnDisk();
    EXPECT_EQ(tasks.size(), static_cast<size_t>(kWriters * kRounds));
    EXPECT_EQ(Thumbnails(), kWriters * kRounds);
    for (const TaskRecord& t : tasks) {
        EXPECT_TRUE(std::filesystem::exists(t.m_thumbnailPath)) << t.m_thumbnailPath;
    }
}

TEST_F(TaskStoreTest, AHeldLockFailsTheSaveWithAMessageAndKeepsTheFile)
{
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    ASSERT_TRUE(list.SaveTasks());
    const std::string before = cfg.dir.Read("Works/Tasks.dat");
    LockWait wait(100);
    CFileLock other(TasksDat(), 0);
    ASSERT_TRUE(other.Locked());
    Add(list, "b.prn");
    EXPECT_FALSE(list.SaveTasks());
    EXPECT_TRUE(Contains(ui.messages, LoadResString(ids::kFileBusy)));
    EXPECT_EQ(cfg.dir.Read("Works/Tasks.dat"), before);
}

TEST_F(TaskStoreTest, AFifoIsRefusedAtOnceAndLeftInPlace)
{
    std::filesystem::create_directories(Works());
    ASSERT_EQ(mkfifo(TasksDat().c_str(), 0644), 0);
    CTaskList list(cfg.config, Works());
    EXPECT_FALSE(list.LoadTasks());
    EXPECT_TRUE(Contains(ui.messages, LoadResString(ids::kNotRegularFile)));
    Add(list, "a.prn");
    EXPECT_FALSE(list.SaveTasks());
    EXPECT_TRUE(std::filesystem::is_fifo(TasksDat()));
}

TEST_F(TaskStoreTest, AHundredThousandTasksLoadAndAreNumbered)
{
    constexpr int kTasks = 100000;
    std::vector<TaskRecord> records(kTasks, Rec("", "job.prn"));
    std::string bytes;
    ASSERT_TRUE(EncodeTasksFile(records, bytes));
    std::filesystem::create_directories(Works());
    ASSERT_TRUE(AtomicWriteFile(TasksDat(), bytes));
    CTaskList list(cfg.config, Works());
    ASSERT_TRUE(list.LoadTasks());
    ASSERT_EQ(list.TaskCount(), kTasks);
    EXPECT_EQ(list.RowTexts(0)[kColNumber], "1");
    EXPECT_EQ(list.RowTexts(kTasks - 1)[kColNumber], std::to_string(kTasks));
}

TEST_F(TaskStoreTest, AnUnzoomedPreviewGivesABoundedThumbnail)
{
    preview.Allocate(20000, 3000, 24, 0x40);
    CTaskList list(cfg.config, Works());
    ASSERT_EQ(Add(list, "wide.prn"), 0);
    DibImage stored;
    ASSERT_TRUE(LoadBmpFile(list.GetTask(0).m_thumbnailPath, stored));
    EXPECT_LE(stored.width, kMaxThumbnailSide);
    EXPECT_LE(stored.height, kMaxThumbnailSide);
    EXPECT_GT(stored.width, kMaxThumbnailSide / 2);
    EXPECT_EQ(list.Thumbnail(0)->width, stored.width);
}

TEST(ThumbnailImage, ScalesByTheSmallestWholeFactorAndSamples)
{
    struct Case {
        int width, height, maxSide, expectWidth, expectHeight;
    };
    const Case cases[] = {
        {4, 2, 8, 4, 2},         {8, 8, 8, 8, 8},      {9, 3, 8, 4, 1},
        {30, 300, 100, 10, 100}, {3, 1000, 10, 1, 10}, {1001, 1, 1000, 500, 1},
    };
    for (const Case& c : cases) {
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
}
