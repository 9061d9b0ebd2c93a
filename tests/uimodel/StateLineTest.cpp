// The state line: a notice lasts one second on the clock, a new state clears it at once.
#include <gtest/gtest.h>

#include "uimodel/StateLine.h"

namespace tavolux::test {

TEST(StateLine, ANoticeLastsOneSecondAndANewStateClearsIt)
{
    CManualClock clock;
    CStateLine line(clock);
    int changes = 0;
    line.SetObserver([&] { ++changes; });
    line.SetState("ready");
    line.ShowNotice("function not available");
    clock.Advance(999);
    line.Tick();
    EXPECT_EQ(line.Notice(), "function not available");
    clock.Advance(1);
    line.Tick();
    EXPECT_EQ(line.Notice(), "");
    EXPECT_EQ(line.StateText(), "ready");
    EXPECT_EQ(line.NoticeDeadline(), -1);
    line.Tick();  // nothing left to expire
    EXPECT_EQ(changes, 3);

    line.ShowNotice("x");
    line.SetState("printing");
    EXPECT_EQ(line.Notice(), "");
    EXPECT_EQ(line.StateText(), "printing");
    // A later notice gets its own full second.
    clock.Advance(500);
    line.ShowNotice("y");
    clock.Advance(900);
    line.Tick();
    EXPECT_EQ(line.Notice(), "y");
}

}  // namespace tavolux::test
