// Atomic replacement: the old content survives a crash before the rename.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/AtomicFile.h"
#include "support/TempDir.h"

using namespace tavolux;

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporaryFile)
{
    test::TempDir dir;
    auto path = dir.Write("a.ini", "old");
    chmod(path.c_str(), 0600);
    std::string error;
    ASSERT_TRUE(AtomicWriteFile(path, "new content", &error)) << error;
    EXPECT_EQ(dir.Read("a.ini"), "new content");
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the file keeps its permissions";
}

TEST(AtomicFile, CrashBeforeRenameKeepsTheOldFile)
{
    test::TempDir dir;
    auto path = dir.Write("a.ini", "old");
    EXPECT_FALSE(AtomicWriteFile(path, "new", nullptr, AtomicWriteStep::TempWritten));
    EXPECT_EQ(dir.Read("a.ini"), "old");
}

TEST(AtomicFile, UnwritableFolderFailsWithAReason)
{
    std::string error;
    EXPECT_FALSE(AtomicWriteFile("/nonexistent_folder_xyz/a.ini", "x", &error));
    EXPECT_NE(error.find("nonexistent_folder_xyz"), std::string::npos);
}
