// Decoding of damaged Command.txt lines: what a line shows is made of the packet's bytes only.
#include <gtest/gtest.h>

#include <string>

#include "device/CommandLogDecoder.h"

using namespace tavolux;

TEST(CommandLogDecoder, DamagedFieldsShowOnlyTheirLowByte)
{
    const struct {
        const char* line;
        const char* start;  // the decoded line starts with this
        const char* end;    // and ends with this
    } cases[] = {
        {"Command: 91 ,len: 2, buf[0]: -91. buf[1]:3, buf[2]:0 ", "command 91 ", " argument 111"},
        {"Command: 91 ,len: 3, buf[0]: 1ff. buf[1]:102, buf[2]:0 ", "command 91 ", " argument 767"},
        {"Command: 91 ,len: 4, buf[0]: 100. buf[1]:200, buf[2]:3ff ", "command 91 ",
         " argument 16711680"},
        {"Command: 191 ,len: 2, buf[0]: 7. buf[1]:0, buf[2]:0 ", "command 91 ", " argument 7"},
        {"Command: 91 ,len: 2, buf[0]: ffffffff. buf[1]:0, buf[2]:0 ", "command 91 ",
         " argument 255"},
    };
    for (const auto& c : cases) {
        const std::string out = DecodeCommandLogLine(c.line);
        EXPECT_TRUE(out.starts_with(c.start)) << c.line << " -> " << out;
        EXPECT_TRUE(out.ends_with(c.end)) << c.line << " -> " << out;
    }
}
