// The virtual printer's socket as a printer link: a printer that stops reading or answering
// costs a time-out (or an interrupt), never a hang; passes of any printable width go through;
// the server reaps and limits its connections and never takes a path that is not its own.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "device/Protocol.h"
#include "sim/SocketProtocol.h"
#include "sim/SocketTransport.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualPrinterServer.h"
#include "support/TempDir.h"

namespace tavolux::test {

namespace {

using namespace std::chrono_literals;

// Far beyond every time-out used below; a call still running then is taken as hung.
constexpr auto kHangBound = 20s;

// How the stand-in printer stops.
enum class Fault {
    Deaf,      // accepts and never reads
    DeafData,  // serves until a raster write, then reads nothing more (its send fills up)
    MuteData,  // serves until a raster write, reads it, and never answers
};

// A printer program that speaks the socket protocol until its fault strikes.
class CStuckPrinter {
public:
    CStuckPrinter(const std::filesystem::path& path, Fault fault) : m_fault(fault)
    {
        m_listen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        EXPECT_EQ(::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        EXPECT_EQ(::listen(m_listen, 4), 0);
        m_thread = std::thread([this] { Run(); });
    }
    ~CStuckPrinter()
    {
        m_stop = true;
        m_thread.join();
        if (m_client >= 0) {
            ::close(m_client);
        }
        ::close(m_listen);
    }
    CStuckPrinter(const CStuckPrinter&) = delete;
    CStuckPrinter& operator=(const CStuckPrinter&) = delete;

    // True once the fault struck (waited for, with a generous bound).
    bool WaitStuck() const
    {
        const auto end = std::chrono::steady_clock::now() + kHangBound;
        while (!m_stuck && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(10ms);
        }
        return m_stuck;
    }

private:
    void Run()
    {
        pollfd pfd{m_listen, POLLIN, 0};
        while (!m_stop && ::poll(&pfd, 1, 10) <= 0) {
        }
        if (m_stop) {
            return;
        }
        m_client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        const sim::IoLimit limit{-1, &m_stop};
        while (!m_stuck && m_fault != Fault::Deaf) {
            uint8_t head[10];
            if (!sim::ReceiveAll(m_client, head, sizeof head, limit)) {
                return;
            }
            uint32_t length = 0;
            std::memcpy(&length, head + 2, 4);  // little-endian hosts only, as the tests run
            const bool write = head[0] == static_cast<uint8_t>(sim::SocketRequest::Write);
            if (write && head[1] == wire::kDataOut && m_fault == Fault::DeafData) {
                break;
            }
            std::vector<uint8_t> payload(write ? length : 0);
            if (!payload.empty() && !sim::ReceiveAll(m_client, payload.data(), length, limit)) {
                return;
            }
            if (write && head[1] == wire::kDataOut) {
                break;  // MuteData: read, never answered
            }
            sim::ResponseHeader answer;
            std::vector<uint8_t> out;
            if (head[0] == static_cast<uint8_t>(sim::SocketRequest::Endpoints)) {
                out = {wire::kDataOut, 2, wire::kCommandOut, 2, wire::kReplyIn, 2, wire::kAuxIn, 2};
            }
            answer.value = write ? length : 0;
            answer.length = static_cast<uint32_t>(out.size());
            sim::SendResponse(m_client, answer, out.data(), limit);
        }
        m_stuck = true;
        while (!m_stop) {
            std::this_thread::sleep_for(10ms);
        }
    }

    const Fault m_fault;
    int m_listen = -1;
    int m_client = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_stuck{false};
    std::thread m_thread;
};

struct StuckCase {
    const char* name;
    Fault fault;
    int rasterBytes;  // 0: the case is the Open itself
    TransportError expected;
};

class StuckPrinter : public ::testing::TestWithParam<StuckCase> {};

}  // namespace

// Every call ends by its time-out and says so; the connection is given up with it.
TEST_P(StuckPrinter, CallEndsByItsTimeout)
{
    const StuckCase& c = GetParam();
    TempDir dir;
    const auto path = dir.Path() / "stuck.sock";
    CStuckPrinter printer(path, c.fault);
    sim::CSocketTransport link(path.string());
    auto call = std::async(std::launch::async, [&] {
        if (c.rasterBytes == 0) {
            return link.Open();
        }
        EXPECT_EQ(link.Open(), TransportError::None);
        std::vector<uint8_t> raster(static_cast<size_t>(c.rasterBytes), 0x5A);
        int moved = -1;
        const TransportError e =
            link.BulkWrite(wire::kDataOut, raster.data(), c.rasterBytes, 300, moved);
        EXPECT_EQ(moved, 0);
        return e;
    });
    ASSERT_EQ(call.wait_for(kHangBound), std::future_status::ready) << c.name << " hangs";
    EXPECT_EQ(call.get(), c.expected) << c.name;
    EXPECT_FALSE(link.IsOpen()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, StuckPrinter,
    ::testing::Values(
        StuckCase{"accepts, never reads", Fault::Deaf, 0, TransportError::Timeout},
        // Larger than any socket buffer: the send itself blocks.
        StuckCase{"stops reading a pass", Fault::DeafData, 8 << 20, TransportError::Timeout},
        StuckCase{"takes a pass, never answers", Fault::MuteData, 1024, TransportError::Timeout}),
    [](const ::testing::TestParamInfo<StuckCase>& p) { return std::to_string(p.index); });

// A link check queued behind a stuck raster write waits for that write's deadline, then its
// own; with minute-long time-outs only an interrupt ends both, at once and for good.
TEST(StuckPrinterLink, QueuedCallsAreBoundedAndInterruptEndsEverything)
{
    const std::vector<uint8_t> raster(8 << 20, 0x5A);
    const uint8_t request = wire::cmd::kStatusRequest;
    for (const bool interrupt : {false, true}) {
        TempDir dir;
        CStuckPrinter printer(dir.Path() / "stuck.sock", Fault::DeafData);
        sim::CSocketTransport link((dir.Path() / "stuck.sock").string());
        ASSERT_EQ(link.Open(), TransportError::None);
        auto call = [&link](uint8_t endpoint, const uint8_t* bytes, size_t length, int ms) {
            return std::async(std::launch::async, [=, &link] {
                int moved = 0;
                return link.BulkWrite(endpoint, bytes, static_cast<int>(length), ms, moved);
            });
        };
        auto write = call(wire::kDataOut, raster.data(), raster.size(), interrupt ? 60000 : 500);
        ASSERT_TRUE(printer.WaitStuck());
        auto queued =
            call(wire::kCommandOut, &request, 1, interrupt ? 60000 : wire::kLinkCheckTimeoutMs);
        if (interrupt) {
            link.Interrupt();
        }
        ASSERT_EQ(queued.wait_for(kHangBound), std::future_status::ready);
        const TransportError check = queued.get();
        EXPECT_TRUE(interrupt ? check == TransportError::Interrupted
                              : check != TransportError::None)
            << TransportErrorText(check);
        ASSERT_EQ(write.wait_for(kHangBound), std::future_status::ready);
        EXPECT_EQ(write.get(), interrupt ? TransportError::Interrupted : TransportError::Timeout);
        if (interrupt) {
            EXPECT_EQ(link.Open(), TransportError::Interrupted);  // for good
        }
    }
}

// The widest pass of the sample printer (about 51,000 pixels, 4 colours at 720 dpi, some
// 37 MB) goes through whole, as one write; a length beyond any pass is refused by the server
// before it allocates anything, and the server goes on serving.
TEST(VirtualPrinterSocket, WidestPassGoesThroughAndHostileLengthIsRefused)
{
    TempDir dir;
    const std::string path = (dir.Path() / "vp.sock").string();
    auto printer = std::make_shared<sim::CVirtualPrinter>(true);
    sim::CVirtualPrinterServer server(printer, path);
    ASSERT_EQ(server.Start(), sim::ServerStartError::None);

    sim::CSocketTransport link(path);
    ASSERT_EQ(link.Open(), TransportError::None);
    for (const int bytes : {5770 * 727 + 1, 40 << 20}) {
        std::vector<uint8_t> pass(static_cast<size_t>(bytes), 0x33);
        int moved = 0;
        EXPECT_EQ(link.BulkWrite(wire::kDataOut, pass.data(), bytes, 30000, moved),
                  TransportError::None)
            << bytes;
        EXPECT_EQ(moved, bytes);
    }
    EXPECT_EQ(printer->RasterBytes(), int64_t{5770 * 727 + 1} + (40 << 20));

    const int raw = sim::ConnectUnixSocket(path);
    ASSERT_GE(raw, 0);
    // A write request of 0xFFFFFFF0 bytes.
    uint8_t hostile[10] = {static_cast<uint8_t>(sim::SocketRequest::Write), wire::kDataOut};
    std::fill_n(hostile + 2, 4, 0xFF);
    hostile[2] = 0xF0;
    ASSERT_TRUE(sim::SendAll(raw, hostile, sizeof hostile, {1000, nullptr}));
    uint8_t byte = 0;
    // The server hangs up instead of answering or waiting for 4 GB.
    EXPECT_FALSE(sim::ReceiveAll(raw, &byte, 1, {static_cast<int>(kHangBound / 1ms), nullptr}));
    ::close(raw);
    EXPECT_EQ(link.Control("status").rfind("plugged", 0), 0u);
}

// Connections are reaped when they end and limited while they last: one too many is told
// "busy" and the printer serves the others on.
TEST(VirtualPrinterSocket, ConnectionsAreReapedAndLimited)
{
    TempDir dir;
    const std::string path = (dir.Path() / "vp.sock").string();
    auto printer = std::make_shared<sim::CVirtualPrinter>(true);
    sim::CVirtualPrinterServer server(printer, path);
    ASSERT_EQ(server.Start(), sim::ServerStartError::None);

    for (int i = 0; i < 3 * sim::CVirtualPrinterServer::kMaxClients; ++i) {
        sim::CSocketTransport link(path);
        ASSERT_EQ(link.Open(), TransportError::None) << "connection " << i;
    }
    // A connection's thread may still be ending when the next one comes; the next connections
    // reap it. Without reaping every attempt would add a thread and the count never comes down.
    const auto reapEnd = std::chrono::steady_clock::now() + kHangBound;
    while (server.ClientThreads() > 2 && std::chrono::steady_clock::now() < reapEnd) {
        sim::CSocketTransport link(path);
        ASSERT_EQ(link.Open(), TransportError::None);
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_LE(server.ClientThreads(), 2);

    std::vector<std::unique_ptr<sim::CSocketTransport>> links;
    for (int i = 0; i < sim::CVirtualPrinterServer::kMaxClients; ++i) {
        links.push_back(std::make_unique<sim::CSocketTransport>(path));
        ASSERT_EQ(links.back()->Open(), TransportError::None) << "connection " << i;
    }
    sim::CSocketTransport extra(path);
    EXPECT_EQ(extra.Open(), TransportError::Busy);
    EXPECT_LE(server.ClientThreads(), sim::CVirtualPrinterServer::kMaxClients);

    links.pop_back();  // one lets go: its place is free again
    TransportError e = TransportError::Busy;
    const auto end = std::chrono::steady_clock::now() + kHangBound;
    while (e == TransportError::Busy && std::chrono::steady_clock::now() < end) {
        sim::CSocketTransport again(path);
        e = again.Open();
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(e, TransportError::None);
}

namespace {

// What is at the socket path before a server starts.
enum class AtPath { Nothing, RegularFile, LiveServer, StaleSocket, MissingFolder, LongPath };

struct PathCase {
    AtPath at;
    sim::ServerStartError expected;
};

class ServerPath : public ::testing::TestWithParam<PathCase> {};

// A socket bound and closed without being removed, as a killed server leaves it.
void MakeStaleSocket(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
}

}  // namespace

TEST_P(ServerPath, OnlyAStaleSocketIsReplaced)
{
    const PathCase& c = GetParam();
    TempDir dir;
    std::string path = (dir.Path() / "vp.sock").string();
    auto printer = std::make_shared<sim::CVirtualPrinter>(true);
    auto first = std::make_unique<sim::CVirtualPrinterServer>(printer, path);
    switch (c.at) {
        case AtPath::RegularFile:
            dir.Write("vp.sock", "keep me");
            break;
        case AtPath::LiveServer:
            ASSERT_EQ(first->Start(), sim::ServerStartError::None);
            break;
        case AtPath::StaleSocket:
            MakeStaleSocket(path);
            break;
        case AtPath::MissingFolder:
            path = (dir.Path() / "no" / "vp.sock").string();
            break;
        case AtPath::LongPath:
            path = (dir.Path() / std::string(120, 'x')).string();
            break;
        case AtPath::Nothing:
            break;
    }
    sim::CVirtualPrinterServer second(printer, path);
    EXPECT_EQ(second.Start(), c.expected);
    if (c.at == AtPath::RegularFile) {
        EXPECT_EQ(dir.Read("vp.sock"), "keep me");
    }
    if (c.at == AtPath::LiveServer) {
        second.Stop();  // a refused server removes nothing
        sim::CSocketTransport link(path);
        EXPECT_EQ(link.Open(), TransportError::None);
    }
    if (c.expected == sim::ServerStartError::None) {
        sim::CSocketTransport link(path);
        EXPECT_EQ(link.Open(), TransportError::None);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ServerPath,
    ::testing::Values(PathCase{AtPath::Nothing, sim::ServerStartError::None},
                      PathCase{AtPath::RegularFile, sim::ServerStartError::NotASocket},
                      PathCase{AtPath::LiveServer, sim::ServerStartError::InUse},
                      PathCase{AtPath::StaleSocket, sim::ServerStartError::None},
                      PathCase{AtPath::MissingFolder, sim::ServerStartError::NoDirectory},
                      PathCase{AtPath::LongPath, sim::ServerStartError::PathTooLong}));

}  // namespace tavolux::test
