// The desktop program's start-up choices and its id table, without a display: the start options
// it takes and refuses, and a window id for every command.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "res/StringTable.h"
#include "ui/Startup.h"
#include "ui/WxIds.h"
#include "uimodel/Commands.h"

namespace tavolux::test {

TEST(StartOptions, TakesTheProgramFolderAndThePrinterAndRefusesOtherWords)
{
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::string dir;
        std::string printer;
        std::string named;  // the word the refusal names
    };
    const Case cases[] = {
        {{}, true, "", "", ""},
        {{"--program-dir", "/p", "--printer", "virtual"}, true, "/p", "virtual", ""},
        {{"--printer=socket:/tmp/s", "--program-dir=/q"}, true, "/q", "socket:/tmp/s", ""},
        {{"--printer"}, false, "", "", "--printer"},
        {{"--program-dir="}, false, "", "", "--program-dir="},
        {{"--verbose"}, false, "", "", "--verbose"},
        {{"virtual"}, false, "", "", "virtual"},
    };
    for (const Case& c : cases) {
        ui::StartOptions options;
        std::string error;
        const bool ok = ui::ParseStartOptions(c.args, options, error);
        const std::string label = c.args.empty() ? "(none)" : c.args.front();
        EXPECT_EQ(ok, c.ok) << label;
        if (ok) {
            EXPECT_EQ(options.programDir.string(), c.dir) << label;
            EXPECT_EQ(options.printer, c.printer) << label;
            EXPECT_TRUE(error.empty()) << label;
        } else {
            EXPECT_NE(error.find(c.named), std::string::npos) << label << ": " << error;
        }
    }
}

TEST(WindowIds, EveryCommandHasItsOwnWindowIdBothWays)
{
    std::set<int> seen;
    for (const CommandRow& row : CommandTable()) {
        const int wx = ui::WxIdOf(row.id);
        ASSERT_NE(wx, 0) << "command " << row.id << " has no window id";
        EXPECT_GE(wx, ui::kFirstWxId);
        EXPECT_LE(wx, ui::kLastWxId);
        EXPECT_EQ(ui::CoreIdOf(wx), row.id);
        EXPECT_TRUE(seen.insert(wx).second) << wx;
    }
    // Nothing maps to a number that is not a command.
    for (const ui::IdPair& p : ui::kIdTable) {
        EXPECT_NE(FindCommand(p.core), nullptr) << p.core;
    }
    EXPECT_EQ(ui::CoreIdOf(cmd::kReset), 0) << "a command id is no window id";
}

}  // namespace tavolux::test
