// One running instance: the second start is refused and raises the first; locks of killed
// instances do not block; release lets the next start in.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/FileLock.h"
#include "platform/SingleInstance.h"
#include "support/TempDir.h"

using namespace tavolux;
using Result = CSingleInstance::Result;

namespace {

// Counts raise requests and lets a test wait for one, with a limit.
struct RaiseCounter {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
    std::function<void()> Callback()
    {
        return [this] {
            std::lock_guard<std::mutex> lock(mutex);
            ++count;
            changed.notify_all();
        };
    }
    bool WaitFor(int n)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return count >= n; });
    }
};

}  // namespace

TEST(SingleInstance, SecondStartIsRefusedAndRaisesTheFirst)
{
    test::TempDir dir;
    CSingleInstance first(dir.Path(), "tavolux");
    ASSERT_EQ(first.Acquire(), Result::First) << first.Error();
    RaiseCounter raised;
    ASSERT_TRUE(first.Listen(raised.Callback()));

    for (int start = 1; start <= 2; ++start) {
        CSingleInstance second(dir.Path(), "tavolux");
        EXPECT_EQ(second.Acquire(), Result::RaisedOther) << second.Error();
        EXPECT_FALSE(second.Held());
        EXPECT_TRUE(raised.WaitFor(start)) << "start " << start;
    }
    EXPECT_TRUE(first.Held());
}

TEST(SingleInstance, RequestBeforeListeningIsNotLost)
{
    test::TempDir dir;
    CSingleInstance first(dir.Path(), "tavolux");
    ASSERT_EQ(first.Acquire(), Result::First);
    CSingleInstance second(dir.Path(), "tavolux");
    EXPECT_EQ(second.Acquire(), Result::RaisedOther);
    RaiseCounter raised;
    ASSERT_TRUE(first.Listen(raised.Callback()));
    EXPECT_TRUE(raised.WaitFor(1));
}

TEST(SingleInstance, LockOfAKilledInstanceDoesNotBlock)
{
    test::TempDir dir;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        CSingleInstance held(dir.Path(), "tavolux");
        const char result = held.Acquire() == Result::First ? 'F' : 'x';
        if (write(ready[1], &result, 1) != 1) {
            _exit(2);
        }
        for (;;) {
            pause();  // holds the lock until killed
        }
    }
    close(ready[1]);
    char result = 0;
    ASSERT_EQ(read(ready[0], &result, 1), 1);
    close(ready[0]);
    ASSERT_EQ(result, 'F');
    {
        CSingleInstance later(dir.Path(), "tavolux");
        EXPECT_EQ(later.Acquire(), Result::RaisedOther) << later.Error();
    }
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    // The killed instance left its lock file and socket behind.
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "tavolux.lock"));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "tavolux.sock"));

    CSingleInstance next(dir.Path(), "tavolux");
    EXPECT_EQ(next.Acquire(), Result::First) << next.Error();
    RaiseCounter raised;
    ASSERT_TRUE(next.Listen(raised.Callback()));
    CSingleInstance another(dir.Path(), "tavolux");
    EXPECT_EQ(another.Acquire(), Result::RaisedOther);
    EXPECT_TRUE(raised.WaitFor(1));
}

TEST(SingleInstance, ReleaseLetsTheNextStartIn)
{
    test::TempDir dir;
    CSingleInstance first(dir.Path(), "tavolux");
    ASSERT_EQ(first.Acquire(), Result::First);
    RaiseCounter raised;
    ASSERT_TRUE(first.Listen(raised.Callback()));
    first.Release();
    EXPECT_FALSE(first.Held());
    EXPECT_FALSE(std::filesystem::exists(first.SocketPath()));
    first.Release();  // twice is harmless

    CSingleInstance restarted(dir.Path(), "tavolux");
    EXPECT_EQ(restarted.Acquire(), Result::First) << restarted.Error();
    EXPECT_EQ(first.Acquire(), Result::RaisedOther);
    restarted.Release();
    EXPECT_EQ(first.Acquire(), Result::First);
    EXPECT_EQ(raised.count, 0);
}

TEST(SingleInstance, HolderWithoutSocketIsReportedAsNotAnswering)
{
    test::TempDir dir;
    CFileLock lock(dir.Path() / "tavolux", 0);
    ASSERT_TRUE(lock.Locked());
    CSingleInstance later(dir.Path(), "tavolux");
    EXPECT_EQ(later.Acquire(), Result::OtherNotAnswering);
    EXPECT_FALSE(later.Error().empty());
    EXPECT_FALSE(later.Held());
}

TEST(SingleInstance, SetUpFailuresAreReported)
{
    test::TempDir dir;
    CSingleInstance tooLong(dir.Path() / std::string(120, 'd'), "tavolux");
    EXPECT_EQ(tooLong.Acquire(), Result::Failed);
    EXPECT_NE(tooLong.Error().find("too long"), std::string::npos);
    CSingleInstance noFolder(dir.Path() / "missing", "tavolux");
    EXPECT_EQ(noFolder.Acquire(), Result::Failed);
    EXPECT_FALSE(noFolder.Error().empty());
    EXPECT_FALSE(noFolder.Listen([] {}));
}

TEST(SingleInstance, EachDesktopHasItsOwnInstance)
{
    const struct {
        const char* wayland;  // null: unset
        const char* x11;
        const char* name;
    } cases[] = {{nullptr, ":1", "tavolux@:1"},
                 {"wayland-0", ":1", "tavolux@wayland-0"},
                 {"", ":0.0", "tavolux@:0.0"},
                 {"/run/w/sock", nullptr, "tavolux@_run_w_sock"},
                 {nullptr, nullptr, "tavolux"}};
    const std::string oldWayland =
        std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "";
    const std::string oldX = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    const bool hadWayland = std::getenv("WAYLAND_DISPLAY") != nullptr;
    const bool hadX = std::getenv("DISPLAY") != nullptr;
    auto put = [](const char* key, const char* value) {
        value != nullptr ? setenv(key, value, 1) : unsetenv(key);
    };
    for (const auto& c : cases) {
        put("WAYLAND_DISPLAY", c.wayland);
        put("DISPLAY", c.x11);
        EXPECT_EQ(CSingleInstance::InstanceName("tavolux"), c.name);
    }
    put("WAYLAND_DISPLAY", hadWayland ? oldWayland.c_str() : nullptr);
    put("DISPLAY", hadX ? oldX.c_str() : nullptr);
}

TEST(SingleInstance, DefaultFolderIsPrivate)
{
    test::TempDir dir;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old != nullptr ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    std::string error;
    const auto folder = CSingleInstance::DefaultDir(&error);
    EXPECT_EQ(folder, dir.Path() / "tavolux") << error;
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    if (old != nullptr) {
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    } else {
        unsetenv("XDG_RUNTIME_DIR");
    }
}
