// The virtual printer answers as a printer would: in mechanical time or at once, with faults
// on request, in process and over its socket.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cctype>
#include <fstream>
#include <sstream>

#include "device/Protocol.h"
#include "sim/SocketTransport.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualPrinterServer.h"
#include "support/TempDir.h"

namespace tavolux::test {

namespace {

// Sends a packet and answers one status request, as the host does.
std::vector<uint8_t> Ask(sim::CVirtualPrinter& p)
{
    int moved = 0;
    const uint8_t request = 0xFF;
    p.Write(wire::kCommandOut, &request, 1, moved);
    uint8_t buffer[512];
    p.Read(wire::kReplyIn, buffer, 512, moved);
    return {buffer, buffer + moved};
}

// Writes a packet; whole: it must go out whole (a short-write fault may cut it otherwise).
void Send(sim::CVirtualPrinter& p, std::vector<uint8_t> packet,
          uint8_t endpoint = wire::kCommandOut, bool whole = true)
{
    int moved = 0;
    EXPECT_EQ(p.Write(endpoint, packet.data(), static_cast<int>(packet.size()), moved),
              TransportError::None);
    EXPECT_TRUE(!whole || moved == static_cast<int>(packet.size()));
}

using Bytes = std::vector<uint8_t>;

Bytes ParseBytes(const std::string& text)
{
    Bytes out;
    std::istringstream in(text);
    for (std::string b; in >> b;) {
        out.push_back(static_cast<uint8_t>(std::stoul(b, nullptr, 16)));
    }
    return out;
}

std::vector<std::string> Split(const std::string& text, char at)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, at);) {
        parts.push_back(part);
    }
    return parts;
}

// The script tests/data/device/printer-replies.txt: packets in, replies out.
TEST(VirtualPrinter, AnswersEachCommandAsTheScriptSays)
{
    std::ifstream in(std::string(TAVOLUX_SOURCE_DIR) + "/tests/data/device/printer-replies.txt");
    int lines = 0;
    for (std::string text; std::getline(in, text);) {
        const size_t arrow = text.find(" -> ");
        if (text.empty() || text[0] == '#' || arrow == std::string::npos) {
            EXPECT_TRUE(text.empty() || text[0] == '#') << text;
            continue;
        }
        sim::CVirtualPrinter p;
        for (const std::string& part : Split(text.substr(0, arrow), ';')) {
            std::istringstream words(part);
            std::string first;
            words >> first;
            int bytes = 0;
            if (first.size() == 2 && std::isxdigit(static_cast<unsigned char>(first[0]))) {
                Send(p, ParseBytes(part), wire::kCommandOut, false);
            } else if (first == "data" && words >> bytes) {
                Send(p, Bytes(static_cast<size_t>(bytes), 0x11), wire::kDataOut);
            } else {
                EXPECT_EQ(p.Control(part.substr(part.find_first_not_of(' '))), "ok") << text;
            }
        }
        for (const std::string& reply : Split(text.substr(arrow + 4), '|')) {
            EXPECT_EQ(Ask(p), ParseBytes(reply)) << text;
        }
        ++lines;
    }
    EXPECT_GT(lines, 20);
}

}  // namespace

TEST(VirtualPrinter, SpeaksOnlyWhenAskedAndInMechanicalTime)
{
    CManualClock clock;
    sim::CVirtualPrinter p(false, clock);
    uint8_t buffer[16];
    int moved = 0;
    EXPECT_EQ(p.Read(wire::kReplyIn, buffer, 16, moved), TransportError::Timeout);
    Send(p, {0x80});
    EXPECT_EQ(Ask(p), Bytes{0x00});
    clock.Advance(1499);
    EXPECT_EQ(Ask(p), Bytes{0x00});
    clock.Advance(1);
    EXPECT_EQ(Ask(p), Bytes{0xC0});
    Send(p, {0x91, 0x10, 0x27, 0x00});  // feed 10000 pulses
    EXPECT_EQ(Ask(p), Bytes{0x00});
    clock.Advance(1000);
    EXPECT_EQ(Ask(p), Bytes{0xCD});
    // Temperatures move a few degrees a query towards their targets: 25 up to 40, down to 20.
    Send(p, {0xA8, 40});
    Send(p, {0x41, 20});
    Send(p, {0xE0});
    Bytes r = Ask(p);
    ASSERT_EQ(r.size(), 13u);
    EXPECT_EQ((std::array<int, 3>{r[1], r[8], r[2]}), (std::array<int, 3>{28, 22, 25}));
    for (int i = 0; i < 10; ++i) {
        Send(p, {0xE0});
        r = Ask(p);
    }
    EXPECT_EQ((std::array<int, 2>{r[1], r[8]}), (std::array<int, 2>{40, 20}));
    EXPECT_EQ(p.TargetTemperatures()[0], 40);
}

TEST(VirtualPrinter, ControlLinesFaultsAndPlugging)
{
    sim::CVirtualPrinter p;
    EXPECT_EQ(p.Control("reply zz"), "error: bad byte \"zz\"");
    EXPECT_EQ(p.Control("key sideways"), "error: unknown key \"sideways\"");
    EXPECT_EQ(p.Control("explode"), "error: unknown control \"explode\"");
    const uint8_t feed[4] = {0x91, 1, 0, 0};
    int moved = 0;
    EXPECT_EQ(p.Control("unplug"), "ok");
    EXPECT_EQ(p.Write(wire::kCommandOut, feed, 4, moved), TransportError::NoDevice);
    EXPECT_TRUE(p.Endpoints().empty());
    const uint64_t generation = p.Generation();
    EXPECT_EQ(p.Control("replug"), "ok");
    EXPECT_GT(p.Generation(), generation);
    EXPECT_EQ(p.Control("mute"), "ok");
    EXPECT_EQ(p.Write(wire::kCommandOut, feed, 4, moved), TransportError::Timeout);
    EXPECT_EQ(p.Control("unmute"), "ok");
    EXPECT_EQ(p.Control("short 1"), "ok");
    EXPECT_EQ(p.Write(wire::kCommandOut, feed, 4, moved), TransportError::None);
    EXPECT_EQ(moved, 2);
    EXPECT_NE(p.Control("status").find("plugged"), std::string::npos);
}

TEST(VirtualPrinterServer, SocketIsOwnerOnlyAndTakesControlLines)
{
    TempDir dir;
    const std::string path = (dir.Path() / "vp.sock").string();
    auto printer = std::make_shared<sim::CVirtualPrinter>();
    sim::CVirtualPrinterServer server(printer, path);
    ASSERT_EQ(server.Start(), sim::ServerStartError::None);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    sim::CSocketTransport link(path);
    EXPECT_EQ(link.Control("key cancel"), "ok");
    EXPECT_EQ(Ask(*printer), Bytes{0x95});
    server.Stop();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_NE(link.Control("status").find("error"), std::string::npos);
}

}  // namespace tavolux::test
