// Lock files shared by programs: exclusion, time-out, and no lock outliving a killed holder.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/FileLock.h"
#include "support/TempDir.h"

using namespace tavolux;

TEST(FileLock, ASecondHolderWaitsForTheFirstAndTimesOutWithoutIt)
{
    test::TempDir dir;
    const auto file = dir.Path() / "tavolux.ini";
    {
        CFileLock first(file, 0);
        ASSERT_TRUE(first.Locked()) << first.Error();
        EXPECT_EQ(first.LockPath(), dir.Path() / "tavolux.ini.lock");
        CFileLock second(file, 50);
        EXPECT_FALSE(second.Locked());
        EXPECT_TRUE(second.TimedOut());
        EXPECT_NE(second.Error().find("tavolux.ini.lock"), std::string::npos);
    }
    CFileLock again(file, 0);
    EXPECT_TRUE(again.Locked()) << "released with its holder";
}

TEST(FileLock, AKilledHolderNeverBlocksTheNextWriter)
{
    test::TempDir dir;
    const auto file = dir.Path() / "tavolux.ini";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CFileLock held(file, 0);
        const char c = held.Locked() ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        for (;;) {
            pause();
        }
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_FALSE(CFileLock(file, 0).Locked()) << "the child holds it";
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(ready[1]);
    CFileLock after(file, 0);
    EXPECT_TRUE(after.Locked()) << after.Error();
}
