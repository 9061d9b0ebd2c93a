// Every reply the program understands, from tests/data/device/replies.txt, and malformed replies.
#include <fstream>
#include <map>

#include "device/DeviceFixture.h"
#include "device/PrinterStatusBlock.h"
#include "device/Protocol.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux::test {

namespace {

const std::map<std::string, int> kWordNames = {
    {"MediaEdge1", PrinterStatusBlock::kMediaEdge1},
    {"MediaEdge2", PrinterStatusBlock::kMediaEdge2},
    {"Position", PrinterStatusBlock::kPosition},
    {"ValueB1", PrinterStatusBlock::kValueB1},
    {"UvLampState", PrinterStatusBlock::kUvLampState},
    {"BeamState", PrinterStatusBlock::kBeamState},
    {"HeadReadings", PrinterStatusBlock::kHeadReadings},
    {"HeadVoltageReadings", PrinterStatusBlock::kHeadVoltageReadings},
};

}  // namespace

class ReplyTable : public DeviceFixture {};

TEST_F(ReplyTable, EveryReplyGivesItsStatusAndWords)
{
    Connect();
    std::ifstream in(std::string(TAVOLUX_SOURCE_DIR) + "/tests/data/device/replies.txt");
    std::string text;
    int n = 0;
    int cases = 0;
    while (std::getline(in, text)) {
        ++n;
        if (text.empty() || text[0] == '#') {
            continue;
        }
        auto arrow = text.find(" -> ");
        ASSERT_NE(arrow, std::string::npos) << "line " << n;
        std::istringstream rest(text.substr(arrow + 4));
        int expected = 0;
        rest >> expected;
        PrinterStatusBlock block;
        for (int i = 0; i < PrinterStatusBlock::kWords; ++i) {
            block.Set(i, 99);
        }
        printer->QueueReply(ParseHex(text.substr(0, arrow)));
        EXPECT_EQ(device->ReadReply(block), expected) << "line " << n << ": " << text;
        std::string check;
        while (rest >> check) {
            auto eq = check.find('=');
            int word = kWordNames.at(check.substr(0, eq));
            std::istringstream values(check.substr(eq + 1));
            std::string v;
            while (std::getline(values, v, ',')) {
                EXPECT_EQ(block.Get(word), std::stoi(v)) << "line " << n << " word " << word;
                ++word;
            }
        }
        EXPECT_EQ(block.Get(0), 99) << "word 0 is never written";
        ++cases;
    }
    EXPECT_GT(cases, 40);
}

TEST_F(ReplyTable, MalformedRepliesAreLoggedAndChangeNothing)
{
    Connect();
    PrinterStatusBlock block;
    EXPECT_EQ(device->ReadReply(block), wire::status::kNothing);  // nothing queued: 00
    EXPECT_EQ(printer->StatusRequests(), 1);                      // each read asks for status first
    EXPECT_TRUE(Sent().empty());  // and that request is not a command
    block.Set(PrinterStatusBlock::kMediaEdge1, 5);

    printer->QueueReply({0xC1, 0x10, 0x27, 0x00});
    printer->GarbleNextReply();  // arrives as c1 4a: too short for its value
    EXPECT_EQ(device->ReadReply(block), wire::status::kNothing);
    EXPECT_EQ(block.MediaEdge1(), 5);

    printer->QueueReply({0xC1, 0x10, 0x27, 0x00});
    printer->OversizeNextReply();  // longer than the 512-byte buffer
    EXPECT_EQ(device->ReadReply(block), wire::status::kNothing);
    EXPECT_EQ(block.MediaEdge1(), 5);

    const auto diag = Diagnostics();
    ASSERT_GE(diag.size(), 2u);
    EXPECT_EQ(diag[0], FormatResString(ids::kDiagReplyTooShort, {"c1", "2"}));
    EXPECT_EQ(diag[1], FormatResString(ids::kDiagReplyOverflow, {"512"}));

    // The link survives and the next good reply is read.
    printer->QueueReply({0xC1, 0x10, 0x27, 0x00});
    EXPECT_EQ(device->ReadReply(block), wire::status::kMediaEdge1);
    EXPECT_EQ(block.MediaEdge1(), 10000);
}

}  // namespace tavolux::test
