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

// Without intercommunication the gate lists stay empty and everything is refused.
TEST(MachineStateGate, EveryStateLetsThroughExactlyItsOperations)
{
    for (const int intercommunication : {1, 0}) {
        RecordedStateDisplay line;
        CMachineState machine(&line);
        machine.BuildGate(intercommunication);
        for (int s = 0; s < CMachineState::kStates; ++s) {
            for (int op = -1; op <= 16; ++op) {
                machine.Set(static_cast<MachineState>(s));
                line.SetState("before");
                const bool permitted = intercommunication == 1 && op >= 0 && op < 16 &&
                                       kPermitted[static_cast<size_t>(s)].count(op) > 0;
                const std::string at = "state " + std::to_string(s) + " op " + std::to_string(op);
                EXPECT_EQ(machine.Gate(op), permitted) << at;
                const int enters = permitted ? kEnters[op] : -1;
                EXPECT_EQ(static_cast<int>(machine.Get()), enters >= 0 ? enters : s) << at;
                if (!permitted) {
                    EXPECT_EQ(line.Notice(), LoadResString(ids::kFunctionInvalid)) << at;
                }
                EXPECT_EQ(line.StateText(), enters >= 0 ? LoadResString(kText[enters]) : "before")
                    << at;
                EXPECT_EQ(line.Notice().empty(), permitted) << at;
            }
        }
    }
}

}  // namespace tavolux::test
