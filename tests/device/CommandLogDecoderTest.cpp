// The log the device writes decodes back into operation names, arguments and reply meanings.
#include <fstream>

#include "device/CommandLogDecoder.h"
#include "device/DeviceFixture.h"
#include "device/Protocol.h"

namespace tavolux::test {

class CommandLogDecoder : public DeviceFixture {};

TEST_F(CommandLogDecoder, DecodesWhatTheDeviceLogged)
{
    cfg.Set("SYSTEM", "IsDebug", "1");
    Connect();
    device->SendCommand(wire::op::kSetFlashFrequency, 300);
    device->SendCommand(wire::op::kSetSlantParameter, 900);
    std::vector<uint8_t> volts(24, 1);
    device->SendBlock(wire::op::kSetHeadVoltages, volts.data(), 24);
    printer->QueueReply({0x77, 0xFF});
    printer->QueueReply({0xE0, 30, 31, 32});
    PrinterStatusBlock block;
    device->ReadReply(block);
    device->ReadReply(block);

    std::ifstream in(cfg.dir.Path() / "Command.txt");
    std::vector<std::string> decoded;
    for (std::string l; std::getline(in, l);) {
        decoded.push_back(DecodeCommandLogLine(l));
    }
    const std::vector<std::string> expected = {
        "command 96 SetFlashFrequency [3048] argument 44",
        "command 7f SetSlantParameter [3052] argument 900",
        "command f0 SetHeadVoltages [3062] block of 24 bytes",
        "reply 77 beam state [status 5003] value 255",
        "reply e0 head temperatures [status 4006] first bytes 1e 1f 20",
    };
    EXPECT_EQ(decoded, expected);
}

TEST(CommandNames, NamesAndUnknownCodes)
{
    EXPECT_EQ(CommandName(0x91), "FeedMedia");
    EXPECT_EQ(CommandOperation(0xA8), 3034);
    EXPECT_EQ(ReplyStatus(0xEA), 4031);
    EXPECT_EQ(ReplyMeaning(0x42), "");
    EXPECT_EQ(DecodeCommandLogLine("Received Command: buf[0]: 42. buf[1]:0, buf[2]:0 , buf[3]:0"),
              "reply 42 (unknown)");
}

}  // namespace tavolux::test
