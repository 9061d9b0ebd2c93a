// The operation table's rows, every operation's packet and result from the script
// tests/data/device/commands.txt, and the multi-packet operations byte for byte.
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "device/DeviceFixture.h"
#include "device/Protocol.h"

namespace tavolux::test {

namespace {

struct CommandCase {
    int line;
    int operation;
    int32_t argument;
    std::string bytes;
    int result;
};

std::vector<CommandCase> LoadCommandScript()
{
    std::ifstream in(std::string(TAVOLUX_SOURCE_DIR) + "/tests/data/device/commands.txt");
    std::vector<CommandCase> cases;
    static const std::regex form(R"(^(\d+) (-?\d+) -> ([-0-9a-f ]+) = (-?\d+)$)");
    int n = 0;
    for (std::string text; std::getline(in, text);) {
        ++n;
        std::smatch m;
        if (text.empty() || text[0] == '#') {
            continue;
        }
        if (!std::regex_match(text, m, form)) {
            ADD_FAILURE() << "line " << n << ": " << text;
            continue;
        }
        cases.push_back(
            {n, std::stoi(m[1]), static_cast<int32_t>(std::stol(m[2])), m[3], std::stoi(m[4])});
    }
    return cases;
}

// Packets joined by "|".
std::string Joined(const std::vector<std::string>& packets)
{
    std::string out;
    for (const std::string& p : packets) {
        out += (out.empty() ? "" : "|") + p;
    }
    return out;
}

}  // namespace

// The reply each operation waits for and how long: every other operation expects none.
TEST(OperationRows, RepliesWaitsAndUniqueness)
{
    const std::map<int, std::pair<uint8_t, int>> expected = {
        {3000, {0xC0, 0}},    {3009, {0xCA, 0}},    {3011, {0x90, 0}},     {3012, {0xCD, 0}},
        {3017, {0xC7, 0}},    {3018, {0x99, 0}},    {3019, {0xC1, 30000}}, {3042, {0xB1, 0}},
        {3043, {0xB2, 0}},    {3044, {0xB3, 0}},    {3045, {0xC9, 0}},     {3046, {0xE0, 500}},
        {3060, {0x77, 5000}}, {3063, {0xF1, 1500}}, {5001, {0x71, 2000}},
    };
    std::set<int> numbers;
    std::set<std::string_view> names;
    for (const wire::Operation& row : wire::kOperations) {
        EXPECT_TRUE(names.insert(row.name).second) << row.name;
        ASSERT_NE(wire::FindReply(row.reply), nullptr) << row.name;
        const auto it = expected.find(row.number);
        const std::pair<uint8_t, int> want =
            it == expected.end() ? std::pair<uint8_t, int>{0, 0} : it->second;
        EXPECT_EQ(row.reply, want.first) << row.name;
        EXPECT_EQ(row.waitMs, want.second) << row.name;
        if (row.number == 0) {
            continue;
        }
        EXPECT_TRUE(numbers.insert(row.number).second) << row.number;
        EXPECT_EQ(wire::FindOperation(row.number), &row);
        // Only the second head-value set repeats a byte, and then a byte of the first set.
        const wire::Operation* first = wire::FindCommand(row.code);
        if (first != &row) {
            EXPECT_EQ(row.number - first->number, 30) << row.name;
        }
    }
    EXPECT_EQ(wire::FindOperation(0), nullptr);
    EXPECT_EQ(wire::wait::kMediaEdgeMs, 30000);
    std::set<uint8_t> replies;
    for (const wire::Reply& row : wire::kReplies) {
        EXPECT_TRUE(replies.insert(row.code).second) << int{row.code};
    }
}

class CommandTable : public DeviceFixture {};

TEST_F(CommandTable, EveryOperationSendsItsPacketAndResult)
{
    Connect();
    const auto cases = LoadCommandScript();
    ASSERT_GT(cases.size(), 80u);
    std::set<int> pinned;
    for (const CommandCase& c : cases) {
        printer->ClearCommands();
        const int result = device->SendCommand(c.operation, c.argument);
        const auto sent = Sent();
        EXPECT_EQ(sent.empty() ? "-" : sent.at(0), c.bytes) << "line " << c.line;
        EXPECT_LE(sent.size(), 1u) << "line " << c.line;
        EXPECT_EQ(result, c.result) << "line " << c.line << ": " << c.operation;
        pinned.insert(c.operation);
    }
    // A new row needs its line in the script: the script is what catches a wrong byte.
    for (const wire::Operation& row : wire::kOperations) {
        EXPECT_TRUE(row.number == 0 || pinned.count(row.number)) << row.name;
    }
}

TEST_F(CommandTable, WithoutAPrinterEverySendFailsAtOnce)
{
    printer->Unplug();
    Connect(false);
    EXPECT_EQ(device->Open(), 0);
    EXPECT_EQ(device->CheckLink(), wire::kLinkDown);
    for (const CommandCase& c : LoadCommandScript()) {
        if (c.bytes != "-") {
            EXPECT_EQ(device->SendCommand(c.operation, c.argument), -1) << c.operation;
        }
    }
    const uint8_t data[3] = {1, 2, 3};
    EXPECT_EQ(device->SendBlock(wire::op::kSetHeadVoltages, data, 3), -1);
    EXPECT_EQ(device->SendData(data, 3), -1);
    EXPECT_EQ(device->SendPassHeader(nullptr), -1);
    PrinterStatusBlock block;
    EXPECT_EQ(device->ReadReply(block), wire::status::kLinkDown);
}

TEST_F(CommandTable, FailingWriteStopsAMultiPacketOperation)
{
    Connect();
    JobParameters job;
    job.FireDivisor = 360;
    device->SetJobParameters(job);
    printer->ShortenNextWrites(1);
    EXPECT_EQ(device->SendJobSetup(), -1);
    EXPECT_TRUE(Sent().empty());  // the shortened first packet was not whole, nothing followed
    printer->ShortenNextWrites(1);
    EXPECT_EQ(device->SendCommand(wire::op::kFeedMedia, 10), -1);
    EXPECT_EQ(device->SendCommand(wire::op::kReset, -1), 1);
}

TEST_F(CommandTable, BlocksCarryTheirDataAfterTheCode)
{
    Connect();
    std::vector<uint8_t> data(600);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i + 1);
    }
    EXPECT_EQ(device->SendBlock(wire::op::kSetHeadVoltages, data.data(), 24), 25);
    EXPECT_EQ(device->SendBlock(wire::op::kBlock5C, data.data(), 2), 3);
    EXPECT_EQ(device->SendBlock(wire::op::kBlock5D, data.data(), 1), 2);
    EXPECT_EQ(device->SendBlock(wire::op::kReset, data.data(), 1), -1);      // not a block
    EXPECT_EQ(device->SendBlock(wire::op::kBlock5C, data.data(), 600), -1);  // not one packet
    EXPECT_EQ(Joined(Sent()),
              "f0 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 "
              "16 17 18|5c 01 02|5d 01");
}

// Fire divisor (raster resolution x 4 / the job's divisor), flash byte, direction (only exactly
// 1 means one way), the two job bytes; a divisor of 0 sends nothing.
TEST_F(CommandTable, JobSetupSendsFivePacketsInOrder)
{
    struct Case {
        int32_t fireDivisor;
        int32_t unidirectional;
        const char* packets;
        int result;
    };
    cfg.Set("P", "RasterRes", "720");
    for (const Case& c : {Case{360, 1, "e8 08 00|96 2c|94|88 03|89 04", 1},
                          Case{540, 2, "e8 05 00|96 2c|93|88 03|89 04", 1}, Case{0, 1, "", -1}}) {
        Connect();
        JobParameters job;
        job.FireDivisor = c.fireDivisor;
        job.FlashByte = 0x2C;
        job.JobByte88 = 3;
        job.Unidirectional = c.unidirectional;
        device->SetJobParameters(job);
        EXPECT_EQ(device->SendJobSetup(), c.result);
        EXPECT_EQ(Joined(Sent()), c.packets);
    }
}

// One pass sent every way there is: header, pass value (current pass, then 5), offset and
// return move. The direction and white-ink settings decide the travel and the feed bytes.
TEST_F(CommandTable, PassOperationsUseTheirWordsAndCodes)
{
    struct Case {
        const char* whiteStyle;  // "": no separate white handling
        int32_t unidirectional;
        int32_t direction;
        const char* travelAndFeeds;  // packets 3, 4, 5 and 6 of the eight
    };
    const Case cases[] = {
        {"", 0, 0x100, "8b 66 55 44|8c 33 22 11|8c 0c 0b 0a|8c 05 00 00"},  // low byte 0: back
        {"", 0, 1, "8a 66 55 44|8c 33 22 11|8c 0c 0b 0a|8c 05 00 00"},
        {"", 1, 0, "8a 66 55 44|8c 33 22 11|8c 0c 0b 0a|8c 05 00 00"},   // one way: forward
        {"", 2, 0, "8a 66 55 44|8c 33 22 11|8c 0c 0b 0a|8c 05 00 00"},   // any non-zero setting
        {"1", 0, 0, "8b 66 55 44|e1 33 22 11|e1 0c 0b 0a|e1 05 00 00"},  // white in its own pass
        {"2", 0, 0, "8b 66 55 44|8c 33 22 11|8c 0c 0b 0a|8c 05 00 00"},
    };
    for (const Case& c : cases) {
        if (*c.whiteStyle != '\0') {
            cfg.Set("P", "WhiteColorNo", "4");
            cfg.Set("P", "IfPrintWhite", "1");
            cfg.Set("P", "WhiteHeadPrintStyle", c.whiteStyle);
        }
        Connect();
        JobParameters job;
        job.Unidirectional = c.unidirectional;
        device->SetJobParameters(job);
        PassDescriptor d;
        d[PassDescriptor::kWidth] = 0x030201;
        d[PassDescriptor::kDataStart] = 0x1234;
        d[PassDescriptor::kFeedBefore] = 0x0A0B0C;
        d[PassDescriptor::kFeedAfter] = 0x112233;
        d[PassDescriptor::kTravel] = 0x445566;
        d[PassDescriptor::kReturnMove] = 0x778899;
        d[PassDescriptor::kDirection] = c.direction;
        device->SetCurrentPass(d);
        EXPECT_EQ(device->SendPassHeader(c.direction == 1 ? &d : nullptr), 1);
        EXPECT_EQ(device->SendPassValue(-1), 4);
        EXPECT_EQ(device->SendPassValue(5), 4);
        EXPECT_EQ(device->SendPassOffset(&d), 4);  // the offset itself is never e1
        EXPECT_EQ(device->SendReturnMove(&d), 4);
        EXPECT_EQ(Joined(Sent()), std::string("b0 34 12|95 01 02 03|") + c.travelAndFeeds +
                                      "|8c 0c 0b 0a|8b 99 88 77")
            << c.whiteStyle << " " << c.unidirectional << " " << c.direction;
    }
}

TEST_F(CommandTable, RasterGoesToTheDataEndpoint)
{
    Connect();
    std::vector<uint8_t> raster(1000, 0x55);
    EXPECT_EQ(device->SendData(raster.data(), 1000), 1000);
    EXPECT_EQ(printer->RasterBytes(), 1000);
    EXPECT_TRUE(Sent().empty());
    printer->ShortenNextWrites(1);
    EXPECT_EQ(device->SendData(raster.data(), 1000), -1);
    EXPECT_EQ(device->SendData(nullptr, 10), -1);
    EXPECT_EQ(transport->TransferSize(), 0x200000);
}

TEST_F(CommandTable, CalibrationBlockGoesOutWithItsLengthAndComesBack)
{
    Connect();
    EXPECT_EQ(device->SendCommand(wire::op::kStoreCalibration, -1), -1);  // nothing to store
    device->SetCalibrationBuilder([](std::array<uint8_t, CKtUSB::kCalibrationBufferSize>& b) {
        b[0] = 0xAA;
        b[299] = 0xBB;
        return 300;
    });
    EXPECT_EQ(device->SendCommand(wire::op::kStoreCalibration, -1), 0);
    ASSERT_EQ(printer->Commands().size(), 1u);
    const auto packet = printer->Commands()[0];
    ASSERT_EQ(packet.size(), 302u);
    EXPECT_EQ(packet[0], 0xAF);
    EXPECT_EQ(packet[1], 300 & 0xFF);  // only the low byte of the length goes out
    EXPECT_EQ(packet[2], 0xAA);
    EXPECT_EQ(packet[301], 0xBB);
    ASSERT_EQ(printer->CalibrationBlock().size(), 300u & 0xFF);  // the printer reads the byte

    device->SetCalibrationBuilder([](auto&) { return -1; });  // does not fit
    printer->ClearCommands();
    EXPECT_EQ(device->SendCommand(wire::op::kStoreCalibration, -1), -1);
    EXPECT_TRUE(Sent().empty());

    std::vector<uint8_t> received;
    device->SetCalibrationReceiver([&](const uint8_t* b, int n) { received.assign(b, b + n); });
    EXPECT_EQ(device->SendCommand(wire::op::kRequestCalibration, -1), 0);
    PrinterStatusBlock block;
    EXPECT_EQ(device->ReadReply(block), wire::status::kCalibrationBlock);
    EXPECT_EQ(received, printer->CalibrationBlock());
    EXPECT_EQ(received.size(), 44u);
}

}  // namespace tavolux::test
