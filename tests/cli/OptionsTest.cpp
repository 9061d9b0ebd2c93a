// The option walk of the command-line tool: what it stores, and the word it stops at.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "cli/Options.h"

using namespace tavolux::cli;
using Kind = OptionError::Kind;

TEST(OptionParser, StoresValuesAndStopsAtTheFirstWordItCannotTake)
{
    constexpr int kRangeMessage = 77;
    struct Case {
        std::vector<std::string> args;
        size_t first;
        Kind kind;
        std::string option;  // the option or unknown word it stopped at
        std::string word;    // the word it names
        std::string stored;  // what the walk stored, when it went through
    };
    // clang-format off
    const Case cases[] = {
        {{"--copies", "3", "--fast", "--out", "o", "--mode", "b"}, 0, Kind::None, "", "", "1 3 0 1 0 o b -"},
        {{"F", "--mask", "2", "--big", "99999999999"}, 1, Kind::None, "", "", "0 1 2 1 99999999999   -"},
        // A value is the next word whatever it looks like; FILE may stand anywhere, once.
        {{"--out", "--copies", "F"}, 0, Kind::None, "", "", "0 1 0 1 0 --copies  F"},
        {{"F", "G"}, 0, Kind::Unknown, "G", "G", ""},
        {{"--bogus", "--copies", "2"}, 0, Kind::Unknown, "--bogus", "--bogus", ""},
        // An unknown last word is unknown, not an option short of its value.
        {{"--copies", "3", "--bogus"}, 0, Kind::Unknown, "--bogus", "--bogus", ""},
        {{"F", "--fast", "--copies"}, 0, Kind::NoValue, "--copies", "--copies", ""},
        {{"--copies", "3x"}, 0, Kind::BadValue, "--copies", "3x", ""},
        {{"--copies", " 3"}, 0, Kind::BadValue, "--copies", " 3", ""},
        {{"--copies", ""}, 0, Kind::BadValue, "--copies", "", ""},
        {{"--copies", "99999999999"}, 0, Kind::BadValue, "--copies", "99999999999", ""},
        {{"--mode", "c"}, 0, Kind::BadValue, "--mode", "c", ""},
        // Outside the range: its own message when it has one, else a bad value; checked where
        // the option stands, before later words.
        {{"--mask", "3", "--bogus"}, 0, Kind::OutOfRange, "--mask", "3", ""},
        {{"--mask", "-1"}, 0, Kind::OutOfRange, "--mask", "-1", ""},
        {{"--step", "0"}, 0, Kind::BadValue, "--step", "0", ""},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        bool fast = false;
        int copies = 1, mask = 0, step = 1;
        long long big = 0;
        std::string out, mode, file;
        COptionParser parser({OptionSpec{"--fast", &fast}, OptionSpec{"--copies", &copies},
                              OptionSpec{"--mask", &mask, 0, 2, kRangeMessage},
                              OptionSpec{"--step", &step, 1, INT_MAX, 0}, OptionSpec{"--big", &big},
                              OptionSpec{"--out", &out},
                              OptionSpec{"--mode", [&mode](const std::string& v) {
                                             mode = v;
                                             return v == "a" || v == "b";
                                         }}});
        parser.Positional([&file](const std::string& w) {
            const bool take = !w.starts_with("--") && file.empty();
            file = take ? w : file;
            return take;
        });
        const OptionError error = parser.Parse(c.args, c.first);
        EXPECT_EQ(error.kind, c.kind);
        EXPECT_EQ(error.option, c.option);
        EXPECT_EQ(error.Word(), c.word);
        EXPECT_EQ(error.rangeMessage, c.kind == Kind::OutOfRange ? kRangeMessage : 0);
        if (c.kind == Kind::None) {
            EXPECT_EQ(std::to_string(fast) + " " + std::to_string(copies) + " " +
                          std::to_string(mask) + " " + std::to_string(step) + " " +
                          std::to_string(big) + " " + out + " " + mode + " " +
                          (file.empty() ? "-" : file),
                      c.stored);
        }
    }
}

TEST(OptionParser, RemembersWhatCameInOrderForEachWalk)
{
    bool fast = false;
    int copies = 0;
    COptionParser parser({OptionSpec{"--fast", &fast}, OptionSpec{"--copies", &copies}});
    ASSERT_FALSE(parser.Parse({"--fast", "--copies", "1", "--fast", "--copies", "2"}));
    EXPECT_EQ(parser.FlagsGiven(), (std::vector<std::string>{"--fast", "--fast"}));
    EXPECT_EQ(parser.ValuesGiven(), (std::vector<std::string>{"--copies", "--copies"}));
    EXPECT_EQ(copies, 2);
    EXPECT_TRUE(parser.Given("--fast"));
    // A second walk forgets the first.
    ASSERT_FALSE(parser.Parse({"--copies", "1"}));
    EXPECT_FALSE(parser.Given("--fast"));
    EXPECT_TRUE(parser.Given("--copies"));
}
