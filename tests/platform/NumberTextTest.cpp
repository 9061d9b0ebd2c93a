// Number and list texts as the configuration stores them.
#include <gtest/gtest.h>

#include <climits>

#include "platform/NumberText.h"

using namespace tavolux;

TEST(NumberText, LeadingIntegerReading)
{
    EXPECT_EQ(ParseLeadingInt("  -42abc"), -42);
    EXPECT_EQ(ParseLeadingInt("+7"), 7);
    EXPECT_EQ(ParseLeadingInt("abc"), 0);
    EXPECT_EQ(ParseLeadingInt(""), 0);
    EXPECT_EQ(ParseLeadingInt("12.9"), 12);
    EXPECT_EQ(ParseLeadingInt("99999999999999"), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("-99999999999999"), INT_MIN);
}

TEST(NumberText, LeadingDoubleReadingIgnoresTheLocale)
{
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("0.0211666667"), 0.0211666667);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(" -3.5mm"), -3.5);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("1e2"), 100.0);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(""), 0.0);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("x1"), 0.0);
}

TEST(NumberText, SplitSkipsEmptyItemsButDoesNotTrim)
{
    EXPECT_EQ(SplitItems("&A&&B&", "&"), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(SplitItems(" a & b", "&"), (std::vector<std::string>{" a ", " b"}));
    EXPECT_EQ(SplitItems("1,2&3", ",&"), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(SplitItems("&&&", "&").empty());
}

TEST(NumberText, FixedPointFormat)
{
    EXPECT_EQ(FormatFixed(0.0, 4), "0");
    EXPECT_EQ(FormatFixed(0.5, 4), "0.5000");
    EXPECT_EQ(FormatFixed(-0.5, 4), "-0.5000");
    EXPECT_EQ(FormatFixed(50.8, 4), "50.8000");
    EXPECT_EQ(FormatFixed(0.0211666667, 10), "0.0211666667");
}
