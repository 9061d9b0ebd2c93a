// The UI dispatcher: order per posting thread, one wake per batch, closing, and no closure or
// wake run under the queue's lock. Runs under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "uimodel/UiDispatcher.h"

namespace tavolux::test {

TEST(UiDispatcher, OneWakePerBatch)
{
    // Script: 'p' posts, 'r' runs the pending batch on the UI thread.
    struct Case {
        const char* script;
        int wakes;
        int ran;
    };
    const Case cases[] = {
        {"", 0, 0},     {"p", 1, 0},  {"ppp", 1, 0},    {"pppr", 1, 3}, {"prp", 2, 1},
        {"prpr", 2, 2}, {"rr", 0, 0}, {"pprppr", 2, 4}, {"prrp", 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        int wakes = 0;
        int ran = 0;
        CUiDispatcher dispatcher([&wakes] { ++wakes; });
        for (const char* s = c.script; *s; ++s) {
            if (*s == 'p') {
                EXPECT_TRUE(dispatcher.Post([&ran] { ++ran; }));
            } else {
                dispatcher.RunPending();
            }
        }
        EXPECT_EQ(wakes, c.wakes);
        EXPECT_EQ(ran, c.ran);
    }
}

TEST(UiDispatcher, PostsFromSeveralThreadsKeepTheirOrder)
{
    constexpr int kThreads = 4;
    constexpr int kPosts = 500;
    std::atomic<int> wakes{0};
    CUiDispatcher dispatcher([&wakes] { wakes.fetch_add(1); });
    // Touched only by the closures, which all run on this (the UI) thread.
    std::vector<int> next(kThreads, 0);
    int outOfOrder = 0;
    int ran = 0;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPosts; ++i) {
                dispatcher.Post([&, t, i] {
                    outOfOrder += next[t] == i ? 0 : 1;
                    next[t] = i + 1;
                    ++ran;
                });
            }
        });
    }
    int batches = 0;
    while (ran < kThreads * kPosts) {
        batches += dispatcher.RunPending() > 0 ? 1 : 0;
        std::this_thread::yield();
    }
    for (auto& p : posters) {
        p.join();
    }
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_EQ(dispatcher.RunPending(), 0);
    // A wake is asked for each batch at most, and for the first post at least.
    EXPECT_GE(wakes.load(), 1);
    EXPECT_LE(wakes.load(), batches);
}

TEST(UiDispatcher, CloseDropsTasksAndLaterPosts)
{
    auto token = std::make_shared<int>(0);
    int ran = 0;
    int wakes = 0;
    CUiDispatcher dispatcher([&wakes] { ++wakes; });
    dispatcher.Post([token, &ran] { ++ran; });
    EXPECT_EQ(token.use_count(), 2);
    dispatcher.Close();
    // The queued task is gone, with what it held.
    EXPECT_EQ(token.use_count(), 1);
    EXPECT_TRUE(dispatcher.IsClosed());
    EXPECT_FALSE(dispatcher.Post([token, &ran] { ++ran; }));
    EXPECT_EQ(token.use_count(), 1);
    EXPECT_EQ(dispatcher.RunPending(), 0);
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(dispatcher.PendingCount(), 0u);
}

// A new window of the same application takes posts again; what was dropped stays dropped, and
// the next post wakes the UI, since the dropped batch's wake was never taken.
TEST(UiDispatcher, ReopenTakesPostsAndWakesAgain)
{
    int ran = 0;
    int wakes = 0;
    CUiDispatcher dispatcher([&wakes] { ++wakes; });
    dispatcher.Post([&ran] { ran += 1; });
    dispatcher.Close();
    dispatcher.Reopen();
    EXPECT_FALSE(dispatcher.IsClosed());
    EXPECT_TRUE(dispatcher.Post([&ran] { ran += 10; }));
    EXPECT_EQ(wakes, 2);
    EXPECT_EQ(dispatcher.RunPending(), 1);
    EXPECT_EQ(ran, 10);
}

TEST(UiDispatcher, ATaskThatClosesEndsTheBatch)
{
    std::string trace;
    CUiDispatcher dispatcher;
    dispatcher.Post([&] { trace += "a"; });
    dispatcher.Post([&] {
        trace += "b";
        dispatcher.Close();
    });
    dispatcher.Post([&] { trace += "c"; });
    EXPECT_EQ(dispatcher.RunPending(), 2);
    EXPECT_EQ(trace, "ab");
}

TEST(UiDispatcher, NothingRunsUnderTheLock)
{
    // Each of these calls back into the dispatcher; under its lock they would deadlock.
    std::string trace;
    CUiDispatcher dispatcher;
    dispatcher.SetWakeHook([&] { trace += "w" + std::to_string(dispatcher.PendingCount()); });
    dispatcher.Post([&] {
        trace += "a";
        dispatcher.Post([&] { trace += "n"; });  // posted while running: the next batch
    });
    EXPECT_EQ(dispatcher.RunPending(), 1);
    EXPECT_EQ(dispatcher.RunPending(), 1);
    EXPECT_EQ(trace, "w1aw1n");

    // A task's destructor that posts, run when Close drops it.
    struct PostsWhenDropped {
        PostsWhenDropped(CUiDispatcher* dispatcher, std::shared_ptr<bool> flag)
            : d(dispatcher), posted(std::move(flag))
        {
        }
        PostsWhenDropped(const PostsWhenDropped&) = delete;
        PostsWhenDropped& operator=(const PostsWhenDropped&) = delete;
        ~PostsWhenDropped()
        {
            *posted = d->Post([] {});
        }
        CUiDispatcher* d;
        std::shared_ptr<bool> posted;
    };
    auto posted = std::make_shared<bool>(true);
    auto holder = std::make_shared<PostsWhenDropped>(&dispatcher, posted);
    dispatcher.Post([holder] {});
    holder.reset();
    dispatcher.Close();
    EXPECT_FALSE(*posted);
}

TEST(UiDispatcher, CloseWhileOthersPost)
{
    std::atomic<int> accepted{0};
    std::atomic<bool> go{false};
    int ran = 0;
    CUiDispatcher dispatcher([] {});
    std::vector<std::thread> posters;
    for (int t = 0; t < 3; ++t) {
        posters.emplace_back([&] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            for (int i = 0; i < 200; ++i) {
                accepted += dispatcher.Post([&ran] { ++ran; }) ? 1 : 0;
            }
        });
    }
    go = true;
    dispatcher.RunPending();
    dispatcher.Close();
    const int ranBeforeClose = ran;
    for (auto& p : posters) {
        p.join();
    }
    EXPECT_EQ(dispatcher.RunPending(), 0);
    EXPECT_EQ(ran, ranBeforeClose);
    EXPECT_LE(ran, accepted.load());
}

}  // namespace tavolux::test
