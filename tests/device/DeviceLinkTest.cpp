// Opening, the endpoint position check, the time-out rules and the command log.
#include <fstream>

#include "device/CommandLog.h"
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

TEST_F(DeviceLink, CommandLogHasThreeLineForms)
{
    cfg.Set("SYSTEM", "IsDebug", "1");
    Connect();
    EXPECT_EQ(device->CheckLink(), wire::kLinkUp);  // status request: not logged
    EXPECT_EQ(device->SendCommand(wire::op::kStartFlash, -1), 1);
    EXPECT_EQ(device->SendCommand(wire::op::kFeedMedia, 70000), 0);
    const uint8_t raster[2] = {0x3C, 0x00};
    EXPECT_EQ(device->SendData(raster, 2), 2);
    PrinterStatusBlock block;
    EXPECT_EQ(device->ReadReply(block), wire::status::kFeedDone);
    printer->QueueReply({0xC1, 0x10, 0x27, 0x00});
    EXPECT_EQ(device->ReadReply(block), wire::status::kMediaEdge1);
    printer->QueueReply({0xC0});
    EXPECT_EQ(device->ReadReply(block), wire::status::kReady);

    std::ifstream in(cfg.dir.Path() / "Command.txt");
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) {
        lines.push_back(l);
    }
    std::vector<std::string> expected = {
        "Command: 8d ,len: 1, buf[0]: 0. buf[1]:0, buf[2]:0 ",
        "Command: 91 ,len: 4, buf[0]: 70. buf[1]:11, buf[2]:1 ",
        "Data Command: 3c ",
        "Received Command: buf[0]: cd. buf[1]:ff, buf[2]:ff , buf[3]:ff",
        "Received Command: buf[0]: c1. buf[1]:10, buf[2]:27 , buf[3]:0",
        "Received Command: buf[0]: c0. buf[1]:ff, buf[2]:ff , buf[3]:ff",
    };
    EXPECT_EQ(lines, expected);

    // Without debugging there is no log at all.
    std::filesystem::remove(cfg.dir.Path() / "Command.txt");
    cfg.Set("SYSTEM", "IsDebug", "2");
    Connect();
    EXPECT_EQ(device->SendCommand(wire::op::kStartFlash, -1), 1);
    EXPECT_FALSE(std::filesystem::exists(cfg.dir.Path() / "Command.txt"));
}

}  // namespace tavolux::test
