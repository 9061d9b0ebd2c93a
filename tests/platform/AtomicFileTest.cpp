// Atomic replacement: the old content survives a crash before the rename.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/AtomicFile.h"
#include "support/TempDir.h"

using namespace tavolux;

// The new content replaces the old with its permissions and no temporary file left; a crash
// before the rename keeps the old file; a folder that cannot be written is named.
TEST(AtomicFile, ReplacesContentOrKeepsTheOldFile)
{
    test::TempDir dir;
    auto path = dir.Write("a.ini", "old");
    chmod(path.c_str(), 0600);
    std::string error;
    ASSERT_TRUE(AtomicWriteFile(path, "new content", &error)) << error;
    EXPECT_EQ(dir.Read("a.ini"), "new content");
    const auto files = std::distance(std::filesystem::directory_iterator(dir.Path()), {});
    EXPECT_EQ(files, 1);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the file keeps its permissions";
    EXPECT_FALSE(AtomicWriteFile(path, "newer", nullptr, AtomicWriteStep::TempWritten));
    EXPECT_EQ(dir.Read("a.ini"), "new content");
    EXPECT_FALSE(AtomicWriteFile("/nonexistent_folder_xyz/a.ini", "x", &error));
    EXPECT_NE(error.find("nonexistent_folder_xyz"), std::string::npos);
}

TEST(AtomicFile, ReadingTellsFilesFromEverythingElseWithoutBlocking)
{
    test::TempDir dir;
    dir.Write("small", "12345");
    std::filesystem::create_directories(dir.Path() / "folder");
    ASSERT_EQ(mkfifo((dir.Path() / "fifo").c_str(), 0644), 0);
    std::filesystem::create_symlink("fifo", dir.Path() / "link-to-fifo");
    struct Case {
        const char* name;
        uint64_t limit;
        bool cut;
        FileReadResult expect;
        const char* content;
    };
    const Case cases[] = {
        {"small", 5, false, FileReadResult::Ok, "12345"},
        {"small", 4, false, FileReadResult::TooLarge, ""},
        {"small", 4, true, FileReadResult::Ok, "1234"},
        {"missing", 10, false, FileReadResult::Missing, ""},
        {"folder", 10, false, FileReadResult::NotRegular, ""},
        {"fifo", 10, false, FileReadResult::NotRegular, ""},
        {"link-to-fifo", 10, false, FileReadResult::NotRegular, ""},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(ReadRegularFile(dir.Path() / c.name, out, c.limit, c.cut), c.expect) << c.name;
        EXPECT_EQ(out, c.content) << c.name;
    }
}

TEST(AtomicFile, ALinkIsWrittenThroughAndAnythingButAFileIsRefused)
{
    test::TempDir dir;
    const auto target = dir.Write("target.ini", "old");
    chmod(target.c_str(), 0640);
    const auto link = dir.Path() / "a.ini";
    std::filesystem::create_symlink("target.ini", link);
    ASSERT_TRUE(AtomicWriteFile(link, "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(dir.Read("target.ini"), "new");
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the target keeps its mode";

    const auto fifo = dir.Path() / "fifo.dat";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    std::string error;
    EXPECT_FALSE(AtomicWriteFile(fifo, "x", &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(AtomicFile, OnlyStaleTemporariesOfTheSameFileAreRemoved)
{
    test::TempDir dir;
    const auto path = dir.Write("a.ini", "old");
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    struct Case {
        const char* name;
        bool aged;
        bool removedByWrite;    // the write's own clean-up, by age
        bool removedUnderLock;  // a lock holder's clean-up, any age
    };
    const Case cases[] = {
        {".a.ini.Xy12Zw", true, true, true},   {".a.ini.Fresh1", false, false, true},
        {".b.ini.Xy12Zw", true, false, false}, {".a.ini.toolong", true, false, false},
        {"a.ini.Xy12Zw", true, false, false},
    };
    for (const Case& c : cases) {
        dir.Write(c.name, "left");
        if (c.aged) {
            std::filesystem::last_write_time(dir.Path() / c.name, old);
        }
    }
    ASSERT_TRUE(AtomicWriteFile(path, "new"));
    for (const Case& c : cases) {
        EXPECT_EQ(std::filesystem::exists(dir.Path() / c.name), !c.removedByWrite) << c.name;
    }
    RemoveStaleTemporaries(path, std::chrono::seconds(0));
    for (const Case& c : cases) {
        EXPECT_EQ(std::filesystem::exists(dir.Path() / c.name), !c.removedUnderLock) << c.name;
    }
}
