// The gate lists, the gate's state changes and texts. (The end of a move: the poller's tests.)
#include <gtest/gtest.h>

#include <set>

#include "device/MachineState.h"
#include "device/RecordedStateDisplay.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux::test {

namespace {

// Permitted operations per state, as the machine must allow them.
const std::vector<std::set<int>> kPermitted = {
    {11},       {11},        {0, 1, 2, 5, 7, 11, 12, 13, 14, 15},
    {11},       {11},        {11},
    {3, 4, 11}, {11},        {0, 6, 11},
    {11},       {8, 10, 11}, {9, 10, 11},
    {11},       {11},        {11}};
// The state each operation enters; -1 unchanged.
const int kEnters[16] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 1, -1, -1, -1, -1};
// The status text of each state.
const int kText[15] = {192, 192, 193, 194, 195, 196, 196, 196, 197, 197, 198, 199, 199, 198, 0};

}  // namespace

TEST(MachineStateGate, EveryStateLetsThroughExactlyItsOperations)
{
    RecordedStateDisplay line;
    CMachineState machine(&line);
    machine.BuildGate(1);
    for (int s = 0; s < CMachineState::kStates; ++s) {
        for (int op = 0; op < 16; ++op) {
            machine.Set(static_cast<MachineState>(s));
            line.SetState("before");
            const bool permitted = kPermitted[static_cast<size_t>(s)].count(op) > 0;
            EXPECT_EQ(machine.Gate(op), permitted) << "state " << s << " op " << op;
            int expected = s;
            if (permitted && kEnters[op] >= 0) {
                expected = kEnters[op];
            }
            EXPECT_EQ(static_cast<int>(machine.Get()), expected) << "state " << s << " op " << op;
            if (!permitted) {
                EXPECT_EQ(line.Notice(), LoadResString(ids::kFunctionInvalid));
                EXPECT_EQ(line.StateText(), "before");
            } else if (kEnters[op] >= 0) {
                EXPECT_EQ(line.StateText(), LoadResString(kText[expected]));
                EXPECT_EQ(line.Notice(), "");
            } else {
                EXPECT_EQ(line.StateText(), "before") << "state " << s << " op " << op;
            }
        }
    }
}

TEST(MachineStateGate, WithoutIntercommunicationEverythingIsRefused)
{
    RecordedStateDisplay line;
    CMachineState machine(&line);
    machine.BuildGate(0);
    machine.Set(MachineState::Ready);
    for (int op = 0; op < 16; ++op) {
        EXPECT_FALSE(machine.Gate(op)) << op;
    }
    EXPECT_EQ(machine.Get(), MachineState::Ready);
    EXPECT_EQ(line.Notice(), "功能无效");
    EXPECT_FALSE(machine.Gate(-1));
    EXPECT_FALSE(machine.Gate(16));
}

}  // namespace tavolux::test
