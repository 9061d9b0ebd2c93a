// The progress line of a print: printed and skipped passes, the remaining time as a clock, in
// place on a terminal and one line per pass in a log.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "res/StringTable.h"
#include "uimodel/PrintProgress.h"

using namespace tavolux;

namespace {

// Plays reports at the line: "copy TEXT", "time TEXT" or "SENT/TOTAL" for a pass.
std::string Play(bool inPlace, const std::vector<std::string>& reports)
{
    SetUiLanguage(UiLanguage::Chinese);
    std::ostringstream out;
    CPrintProgress progress(out, inPlace);
    for (const std::string& r : reports) {
        if (r.starts_with("copy ")) {
            progress.CopyStarted(r.substr(5));
        } else if (r.starts_with("time ")) {
            progress.RemainingTime(r.substr(5));
        } else {
            progress.PassSent(std::stoi(r), std::stoi(r.substr(r.find('/') + 1)));
        }
    }
    progress.Finish();
    return out.str();
}

}  // namespace

TEST(PrintProgressTest, ALogGetsOneLinePerPassCountingPrintedAndSkippedPasses)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"copy 1(1)", "1/3", "2/3", "3/3"},
         "1(1) [##########....................] 第 1/3 遍\n"
         "1(1) [####################..........] 第 2/3 遍\n"
         "1(1) [##############################] 第 3/3 遍\n"},
        // Blank passes skipped before a pass count as done, not as printed.
        {{"copy 1(1)", "1/10", "5/10", "6/10"},
         "1(1) [###...........................] 第 1/10 遍\n"
         "1(1) [###############...............] 第 2/10 遍, 跳过空白 3 遍\n"
         "1(1) [##################............] 第 3/10 遍, 跳过空白 3 遍\n"},
        // The time reads as a clock; a new copy starts its count and time afresh.
        {{"copy 2(1)", "1/2", "time 00: 00: 07", "2/2", "copy 2(2)", "2/2"},
         "2(1) [###############...............] 第 1/2 遍\n"
         "2(1) [##############################] 第 2/2 遍, 剩余 00:00:07\n"
         "2(2) [##############################] 第 1/2 遍, 跳过空白 1 遍\n"},
    };
    for (const auto& [reports, expected] : cases) {
        EXPECT_EQ(Play(false, reports), expected);
    }
}

TEST(PrintProgressTest, ATerminalLineIsRedrawnInPlaceAndEndedOnce)
{
    const std::string out = Play(true, {"copy 1(1)", "1/2", "time 12: 34: 56", "2/2", "copy 1(2)"});
    const std::string longest = "\r1(1) [##############################] 第 2/2 遍, 剩余 12:34:56";
    const std::string shorter = "\r1(2) [..............................] 第 0/? 遍";
    // Only the end of the print ends the line; a shorter line wipes what a longer one left.
    EXPECT_EQ(out,
              "\r1(1) [..............................] 第 0/? 遍"
              "\r1(1) [###############...............] 第 1/2 遍" +
                  longest + shorter + std::string(longest.size() - shorter.size(), ' ') + "\n");
    EXPECT_EQ(Play(true, {}), "");
}
