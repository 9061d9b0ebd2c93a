// The option walk of the command-line tool: what it stores, and the word it stops at.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "cli/Options.h"

using namespace tavolux::cli;
using Kind = OptionError::Kind;

namespace {

constexpr int kMaskRangeMessage = 77;

// Every kind of option once, and what the walk stored, as one line to compare.
struct Targets {
    bool fast = false;
    int copies = 1;
    int mask = 0;
    int step = 1;
    long long big = 0;
    std::string out;
    std::string mode;

    std::vector<OptionSpec> Options()
    {
        return {FlagOption("--fast", &fast),
                IntOption("--copies", &copies),
                IntOption("--mask", &mask, 0, 2, kMaskRangeMessage),
                IntOption("--step", &step, 1, INT_MAX, 0),
                LongOption("--big", &big),
                TextOption("--out", &out),
                ValueOption("--mode", [this](const std::string& v) {
                    mode = v;
                    return v == "a" || v == "b";
                })};
    }
    std::string Stored() const
    {
        return "fast=" + std::to_string(fast) + " copies=" + std::to_string(copies) +
               " mask=" + std::to_string(mask) + " step=" + std::to_string(step) +
               " big=" + std::to_string(big) + " out=" + out + " mode=" + mode;
    }
};

const std::string kDefaults = "fast=0 copies=1 mask=0 step=1 big=0 out= mode=";

struct WalkCase {
    std::vector<std::string> args;
    size_t first;
    Kind kind;
    std::string word;    // the word it stopped at
    std::string stored;  // empty: nothing checked beyond the stop
};

}  // namespace

TEST(OptionParser, StoresValuesAndStopsAtTheFirstWordItCannotTake)
{
    const WalkCase cases[] = {
        {{"--copies", "3", "--fast", "--out", "o.png", "--mode", "b"},
         0,
         Kind::None,
         "",
         "fast=1 copies=3 mask=0 step=1 big=0 out=o.png mode=b"},
        {{}, 0, Kind::None, "", kDefaults},
        {{"FILE", "--mask", "2"},
         1,
         Kind::None,
         "",
         "fast=0 copies=1 mask=2 step=1 big=0 out= mode="},
        {{"--big", "99999999999"},
         0,
         Kind::None,
         "",
         "fast=0 copies=1 mask=0 step=1 big=99999999999 out= mode="},
        // A value is the next word whatever it looks like.
        {{"--out", "--copies"},
         0,
         Kind::None,
         "",
         "fast=0 copies=1 mask=0 step=1 big=0 out=--copies mode="},
        {{"FILE"}, 0, Kind::Unknown, "FILE", kDefaults},
        {{"--bogus", "--copies", "2"}, 0, Kind::Unknown, "--bogus", kDefaults},
        // An unknown last word is unknown, not an option short of its value.
        {{"--copies", "3", "--bogus"}, 0, Kind::Unknown, "--bogus", ""},
        {{"--fast", "--copies"}, 0, Kind::NoValue, "--copies", ""},
        {{"--mode"}, 0, Kind::NoValue, "--mode", ""},
        {{"--copies", "x"}, 0, Kind::BadValue, "x", ""},
        {{"--copies", "3x"}, 0, Kind::BadValue, "3x", ""},
        {{"--copies", " 3"}, 0, Kind::BadValue, " 3", ""},
        {{"--copies", ""}, 0, Kind::BadValue, "", ""},
        {{"--copies", "99999999999"}, 0, Kind::BadValue, "99999999999", ""},
        {{"--mode", "c"}, 0, Kind::BadValue, "c", ""},
        // Outside the range: its own message when it has one, else a bad value.
        {{"--mask", "3"}, 0, Kind::OutOfRange, "3", ""},
        {{"--mask", "-1"}, 0, Kind::OutOfRange, "-1", ""},
        {{"--step", "0"}, 0, Kind::BadValue, "0", ""},
        // The range is checked where the option stands, before later words.
        {{"--mask", "5", "--bogus"}, 0, Kind::OutOfRange, "5", ""},
    };
    for (const WalkCase& c : cases) {
        std::string words;
        for (const std::string& a : c.args) {
            words += "[" + a + "]";
        }
        SCOPED_TRACE(words);
        Targets t;
        COptionParser parser(t.Options());
        const OptionError error = parser.Parse(c.args, c.first);
        EXPECT_EQ(error.kind, c.kind);
        EXPECT_EQ(error.Word(), c.word);
        EXPECT_EQ(error.rangeMessage, c.kind == Kind::OutOfRange ? kMaskRangeMessage : 0);
        if (!c.stored.empty()) {
            EXPECT_EQ(t.Stored(), c.stored);
        }
    }
}

TEST(OptionParser, NamesTheOptionThatLacksOrRefusesItsValue)
{
    Targets t;
    COptionParser parser(t.Options());
    const OptionError missing = parser.Parse({"--copies"});
    EXPECT_EQ(missing.option, "--copies");
    const OptionError bad = parser.Parse({"--fast", "--mask", "9"});
    EXPECT_EQ(bad.option, "--mask");
    EXPECT_EQ(bad.value, "9");
}

TEST(OptionParser, RemembersWhatCameInOrderForEachWalk)
{
    Targets t;
    COptionParser parser(t.Options());
    ASSERT_FALSE(
        parser.Parse({"--fast", "--copies", "1", "--fast", "--copies", "2", "--out", "o"}));
    EXPECT_EQ(parser.FlagsGiven(), (std::vector<std::string>{"--fast", "--fast"}));
    EXPECT_EQ(parser.ValuesGiven(), (std::vector<std::string>{"--copies", "--copies", "--out"}));
    EXPECT_EQ(t.copies, 2);
    EXPECT_TRUE(parser.Given("--fast"));
    EXPECT_TRUE(parser.Given("--out"));
    EXPECT_FALSE(parser.Given("--mask"));
    // A second walk forgets the first.
    ASSERT_FALSE(parser.Parse({"--mask", "1"}));
    EXPECT_FALSE(parser.Given("--fast"));
    EXPECT_EQ(parser.ValuesGiven(), (std::vector<std::string>{"--mask"}));
}

TEST(OptionParser, PositionalWordsStandAnywhereAndMayBeRefused)
{
    struct Case {
        std::vector<std::string> args;
        Kind kind;
        std::string word;
        std::string file;
    };
    // One FILE that does not start with dashes, as preview takes it.
    const Case cases[] = {
        {{"a.prn", "--copies", "2"}, Kind::None, "", "a.prn"},
        {{"--copies", "2", "a.prn"}, Kind::None, "", "a.prn"},
        {{"a.prn", "b.prn"}, Kind::Unknown, "b.prn", "a.prn"},
        {{"--bogus", "a.prn"}, Kind::Unknown, "--bogus", ""},
        // A known option is never a positional word, even when it lacks its value.
        {{"a.prn", "--copies"}, Kind::NoValue, "--copies", "a.prn"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        Targets t;
        std::string file;
        COptionParser parser(t.Options());
        parser.Positional([&file](const std::string& w) {
            if (w.starts_with("--") || !file.empty()) {
                return false;
            }
            file = w;
            return true;
        });
        const OptionError error = parser.Parse(c.args);
        EXPECT_EQ(error.kind, c.kind);
        EXPECT_EQ(error.Word(), c.word);
        EXPECT_EQ(file, c.file);
    }
}
