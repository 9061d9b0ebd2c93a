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

// One report of the job: a copy starts (text), a pass is sent (sent, total), or the remaining
// time arrives (text).
struct Event {
    enum Kind { Copy, Pass, Remaining } kind;
    int sent = 0;
    int total = 0;
    std::string text;
};

Event Copy(const std::string& text)
{
    return {Event::Copy, 0, 0, text};
}
Event Pass(int sent, int total)
{
    return {Event::Pass, sent, total, {}};
}
Event Left(const std::string& text)
{
    return {Event::Remaining, 0, 0, text};
}

std::string Play(bool inPlace, const std::vector<Event>& events, bool finish)
{
    std::ostringstream out;
    CPrintProgress progress(out, inPlace);
    for (const Event& e : events) {
        switch (e.kind) {
            case Event::Copy:
                progress.CopyStarted(e.text);
                break;
            case Event::Pass:
                progress.PassSent(e.sent, e.total);
                break;
            case Event::Remaining:
                progress.RemainingTime(e.text);
                break;
        }
    }
    if (finish) {
        progress.Finish();
    }
    return out.str();
}

class PrintProgressTest : public ::testing::Test {
protected:
    void SetUp() override { SetUiLanguage(UiLanguage::Chinese); }
};

}  // namespace

TEST_F(PrintProgressTest, ALogGetsOneLinePerPassCountingPrintedAndSkippedPasses)
{
    struct Case {
        const char* what;
        std::vector<Event> events;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"every pass printed",
         {Copy("1(1)"), Pass(1, 3), Pass(2, 3), Pass(3, 3)},
         "1(1) [##########....................] 第 1/3 遍\n"
         "1(1) [####################..........] 第 2/3 遍\n"
         "1(1) [##############################] 第 3/3 遍\n"},
        {"blank passes skipped before a pass count as done, not as printed",
         {Copy("1(1)"), Pass(1, 10), Pass(5, 10), Pass(6, 10)},
         "1(1) [###...........................] 第 1/10 遍\n"
         "1(1) [###############...............] 第 2/10 遍, 跳过空白 3 遍\n"
         "1(1) [##################............] 第 3/10 遍, 跳过空白 3 遍\n"},
        {"the remaining time reads as a clock",
         {Copy("2(1)"), Pass(1, 2), Left("00: 00: 07"), Pass(2, 2)},
         "2(1) [###############...............] 第 1/2 遍\n"
         "2(1) [##############################] 第 2/2 遍, 剩余 00:00:07\n"},
        {"a new copy starts its count and its time afresh",
         {Copy("2(1)"), Pass(3, 3), Left("01: 02: 03"), Copy("2(2)"), Pass(1, 3)},
         "2(1) [##############################] 第 1/3 遍, 跳过空白 2 遍\n"
         "2(2) [##########....................] 第 1/3 遍\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Play(false, c.events, true), c.expected) << c.what;
    }
}

TEST_F(PrintProgressTest, ATerminalLineIsRedrawnInPlaceAndEndedOnce)
{
    const std::string out =
        Play(true, {Copy("1(1)"), Pass(1, 2), Left("00: 01: 00"), Pass(2, 2), Copy("1(2)")}, false);
    EXPECT_EQ(out.find('\n'), std::string::npos) << out;
    const std::string first = "\r1(1) [..............................] 第 0/? 遍";
    ASSERT_EQ(out.rfind(first, 0), 0u) << out;
    const std::string longest = "\r1(1) [##############################] 第 2/2 遍, 剩余 00:01:00";
    EXPECT_NE(out.find(longest), std::string::npos) << out;
    // The next copy's shorter line wipes what the longer one left.
    const std::string shorter = "\r1(2) [..............................] 第 0/? 遍";
    const size_t at = out.find(shorter);
    ASSERT_NE(at, std::string::npos) << out;
    const std::string tail = out.substr(at + shorter.size());
    EXPECT_EQ(tail, std::string(longest.size() - shorter.size(), ' '));

    EXPECT_EQ(Play(true, {Copy("1(1)"), Pass(1, 1)}, true).back(), '\n');
    EXPECT_EQ(Play(true, {}, true), "");
}

TEST_F(PrintProgressTest, TheTaskRowTimeBecomesAClock)
{
    const std::pair<const char*, const char*> cases[] = {
        {"00: 00: 07", "00:00:07"},
        {"12: 34: 56", "12:34:56"},
        {"100: 00: 00", "100:00:00"},
        {"", ""},
    };
    for (const auto& [row, clock] : cases) {
        EXPECT_EQ(CPrintProgress::ClockText(row), clock) << row;
    }
}
