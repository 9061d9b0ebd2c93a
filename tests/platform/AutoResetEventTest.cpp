// Auto-reset event: one Set releases one waiter; time-outs expire.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/AutoResetEvent.h"

using tavolux::AutoResetEvent;

TEST(AutoResetEvent, SetBeforeWaitIsConsumedOnceAndResetDropsIt)
{
    AutoResetEvent ev;
    ev.Set();
    ev.Set();  // two Sets without a waiter count as one
    EXPECT_TRUE(ev.Wait(0));
    EXPECT_FALSE(ev.Wait(0));
    EXPECT_FALSE(ev.Wait(20));
    ev.Set();
    EXPECT_TRUE(ev.IsSet());
    ev.Reset();
    EXPECT_FALSE(ev.Wait(0));
}

TEST(AutoResetEvent, OneSetReleasesExactlyOneOfSeveralWaiters)
{
    AutoResetEvent ev;
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            if (ev.Wait(AutoResetEvent::kInfinite)) {
                ++released;
            }
        });
    }
    ev.Set();
    // Give a wrongly released second waiter time to show up.
    for (int i = 0; i < 100 && released.load() < 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(released.load(), 1);
    ev.Set();
    ev.Set();
    // Sets may coalesce while nobody waits, so keep setting until everybody is out.
    for (int i = 0; i < 200 && released.load() < 3; ++i) {
        ev.Set();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (auto& t : waiters) {
        t.join();
    }
    EXPECT_EQ(released.load(), 3);
}
