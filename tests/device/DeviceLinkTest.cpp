// Opening, the endpoint position check, the time-out rules and the command log and its decoding.
#include <fstream>

#include "device/CommandLog.h"
#include "device/CommandLogDecoder.h"
#include "device/DeviceFixture.h"
#include "device/Protocol.h"

namespace tavolux::test {

class DeviceLink : public DeviceFixture {};

TEST_F(DeviceLink, TimeoutsAreReplacedBelowTheirLimits)
{
    cfg.Set("P", "CommandTimeout", "-1");
    cfg.Set("P", "DataTimeoutUnbidi", "5999");
    cfg.Set("P", "DataTimeoutBidi", "2999");
    Connect(false);
    EXPECT_EQ(device->CommandTimeoutMs(), 10000);
    EXPECT_EQ(device->DataTimeoutUnbidiMs(), 30000);
    EXPECT_EQ(device->DataTimeoutBidiMs(), 30000);

    cfg.Set("P", "CommandTimeout", "0");
    cfg.Set("P", "DataTimeoutUnbidi", "6000");
    cfg.Set("P", "DataTimeoutBidi", "3000");
    Connect(false);
    EXPECT_EQ(device->CommandTimeoutMs(), 0);
    EXPECT_EQ(device->DataTimeoutUnbidiMs(), 6000);
    EXPECT_EQ(device->DataTimeoutBidiMs(), 3000);
}

TEST_F(DeviceLink, EndpointsOutOfOrderRefuseEveryTransfer)
{
    printer->SetEndpoints({{0x04, 2}, {0x02, 2}, {0x86, 2}, {0x88, 2}});
    Connect(false);
    EXPECT_EQ(device->Open(), 1);
    EXPECT_EQ(device->CheckLink(), wire::kLinkDown);
    EXPECT_EQ(device->SendCommand(wire::op::kReset, -1), -1);
    const uint8_t b = 1;
    EXPECT_EQ(device->WriteDataBytes(&b, 1, 10), 0);
    PrinterStatusBlock block;
    EXPECT_EQ(device->ReadReply(block), wire::status::kLinkDown);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(printer->StatusRequests(), 0);
}

TEST_F(DeviceLink, MissingEndpointsLeaveTheDeviceOpenButUnusable)
{
    printer->SetEndpoints({{0x02, 2}, {0x04, 2}, {0x86, 2}});  // no 0x88
    Connect(false);
    EXPECT_EQ(device->Open(), 1);
    EXPECT_EQ(device->CheckLink(), wire::kLinkDown);
    EXPECT_EQ(transport->TransferSize(), 0);

    printer->SetEndpoints({{0x02, 2}, {0x04, 2}, {0x06, 3}});  // no bulk in at all
    EXPECT_EQ(device->Reopen(), 0);
    EXPECT_FALSE(transport->IsOpen());
}

TEST_F(DeviceLink, ReopenResetsThePortAndFindsAReplugggedPrinter)
{
    Connect();
    EXPECT_EQ(device->CheckLink(), wire::kLinkUp);
    printer->Unplug();
    printer->Replug();
    EXPECT_EQ(device->CheckLink(), wire::kLinkDown);  // the old handle is dead
    EXPECT_EQ(device->Reopen(), 1);
    EXPECT_EQ(transport->ResetCount(), 1);
    EXPECT_EQ(device->CheckLink(), wire::kLinkUp);
    device->Close();
    device->Close();  // closing twice is harmless
    EXPECT_EQ(transport->ResetCount(), 2);
    EXPECT_EQ(device->CheckLink(), wire::kLinkDown);
}

// The log has three line forms, and each line decodes into names, arguments and meanings.
TEST_F(DeviceLink, CommandLogLinesAndTheirDecoding)
{
    cfg.Set("SYSTEM", "IsDebug", "1");
    Connect();
    EXPECT_EQ(device->CheckLink(), wire::kLinkUp);  // status request: not logged
    EXPECT_EQ(device->SendCommand(wire::op::kStartFlash, -1), 1);
    EXPECT_EQ(device->SendCommand(wire::op::kFeedMedia, 70000), 0);
    EXPECT_EQ(device->SendCommand(wire::op::kSetFlashFrequency, 300), 0);
    std::vector<uint8_t> volts(24, 1);
    EXPECT_EQ(device->SendBlock(wire::op::kSetHeadVoltages, volts.data(), 24), 25);
    const uint8_t raster[2] = {0x3C, 0x00};
    EXPECT_EQ(device->SendData(raster, 2), 2);
    PrinterStatusBlock block;
    EXPECT_EQ(device->ReadReply(block), wire::status::kFeedDone);
    for (const std::vector<uint8_t>& reply :
         {std::vector<uint8_t>{0xC1, 0x10, 0x27, 0x00}, {0x77, 0xFF}, {0xE0, 30, 31, 32}, {0x42}}) {
        printer->QueueReply(reply);
        device->ReadReply(block);
    }
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Command: 8d ,len: 1, buf[0]: 0. buf[1]:0, buf[2]:0 ", "command 8d StartFlash [3008]"},
        {"Command: 91 ,len: 4, buf[0]: 70. buf[1]:11, buf[2]:1 ",
         "command 91 FeedMedia [3012] argument 70000"},
        {"Command: 96 ,len: 2, buf[0]: 2c. buf[1]:0, buf[2]:0 ",
         "command 96 SetFlashFrequency [3048] argument 44"},
        {"Command: f0 ,len: 25, buf[0]: 1. buf[1]:1, buf[2]:1 ",
         "command f0 SetHeadVoltages [3062] block of 24 bytes"},
        {"Data Command: 3c ", "raster data starting with 3c"},
        {"Received Command: buf[0]: cd. buf[1]:ff, buf[2]:ff , buf[3]:ff",
         "reply cd feed done [status 4022]"},
        {"Received Command: buf[0]: c1. buf[1]:10, buf[2]:27 , buf[3]:0",
         "reply c1 media edge 1 [status 4003] value 10000"},
        {"Received Command: buf[0]: 77. buf[1]:ff, buf[2]:ff , buf[3]:ff",
         "reply 77 beam state [status 5003] value 255"},
        {"Received Command: buf[0]: e0. buf[1]:1e, buf[2]:1f , buf[3]:20",
         "reply e0 head temperatures [status 4006] first bytes 1e 1f 20"},
        {"Received Command: buf[0]: 42. buf[1]:ff, buf[2]:ff , buf[3]:ff", "reply 42 (unknown)"},
    };
    std::ifstream in(cfg.dir.Path() / "Command.txt");
    std::vector<std::pair<std::string, std::string>> lines;
    for (std::string l; std::getline(in, l);) {
        lines.emplace_back(l, DecodeCommandLogLine(l));
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(DecodeCommandLogLine("garbage"), "? garbage");

    // Without debugging there is no log at all.
    std::filesystem::remove(cfg.dir.Path() / "Command.txt");
    cfg.Set("SYSTEM", "IsDebug", "2");
    Connect();
    EXPECT_EQ(device->SendCommand(wire::op::kStartFlash, -1), 1);
    EXPECT_FALSE(std::filesystem::exists(cfg.dir.Path() / "Command.txt"));
}

}  // namespace tavolux::test
