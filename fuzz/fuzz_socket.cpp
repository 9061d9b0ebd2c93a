// Fuzzes the virtual printer's socket framing and its control lines. The first byte chooses:
// the rest as a request stream, as a response stream, or as control lines. An accepted
// request or response is within the size limits, holds exactly the payload it announced, and
// sends and receives back the same; a control line's answer fits an answer payload.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/SocketProtocol.h"
#include "sim/VirtualPrinter.h"

namespace {

namespace sim = tavolux::sim;

void Require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

// A connected pair; the first end is written, the second read.
struct SocketPair {
    int fd[2] = {-1, -1};
    SocketPair()
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fd) != 0) {
            __builtin_trap();
        }
    }
    ~SocketPair()
    {
        ::close(fd[0]);
        ::close(fd[1]);
    }
    SocketPair(const SocketPair&) = delete;
    SocketPair& operator=(const SocketPair&) = delete;
    // Writes the bytes and ends the stream, so that a reader wanting more sees the end at once.
    void Feed(const uint8_t* data, size_t size) const
    {
        Require(sim::SendAll(fd[0], data, size, {1000, nullptr}));
        ::shutdown(fd[0], SHUT_WR);
    }
};

constexpr sim::IoLimit kLimit{1000, nullptr};

bool CarriesPayload(uint8_t type)
{
    return type == static_cast<uint8_t>(sim::SocketRequest::Write) ||
           type == static_cast<uint8_t>(sim::SocketRequest::Control);
}

void FuzzRequests(const uint8_t* data, size_t size)
{
    SocketPair in;
    in.Feed(data, size);
    sim::RequestHeader h;
    std::vector<uint8_t> payload;
    size_t consumed = 0;
    while (sim::ReceiveRequest(in.fd[1], h, payload, kLimit)) {
        if (CarriesPayload(h.type)) {
            Require(h.length <= sim::kMaxSocketPayload);
            if (h.type == static_cast<uint8_t>(sim::SocketRequest::Control)) {
                Require(h.length <= sim::kMaxControlLine);
            }
            Require(payload.size() == h.length);
        } else {
            Require(payload.empty());
        }
        consumed += 10 + payload.size();
        Require(consumed <= size);

        SocketPair echo;
        Require(sim::SendRequest(echo.fd[0], h, payload.data(), kLimit));
        sim::RequestHeader back;
        std::vector<uint8_t> backPayload;
        Require(sim::ReceiveRequest(echo.fd[1], back, backPayload, kLimit));
        Require(back.type == h.type && back.endpoint == h.endpoint && back.length == h.length &&
                back.timeout == h.timeout && backPayload == payload);
    }
}

void FuzzResponses(const uint8_t* data, size_t size)
{
    SocketPair in;
    in.Feed(data, size);
    sim::ResponseHeader h;
    std::vector<uint8_t> payload;
    size_t consumed = 0;
    while (sim::ReceiveResponse(in.fd[1], h, payload, sim::kMaxSocketAnswer, kLimit)) {
        Require(h.length <= sim::kMaxSocketAnswer);
        Require(payload.size() == h.length);
        consumed += 9 + payload.size();
        Require(consumed <= size);

        SocketPair echo;
        Require(sim::SendResponse(echo.fd[0], h, payload.data(), kLimit));
        sim::ResponseHeader back;
        std::vector<uint8_t> backPayload;
        Require(sim::ReceiveResponse(echo.fd[1], back, backPayload, sim::kMaxSocketAnswer, kLimit));
        Require(back.error == h.error && back.value == h.value && back.length == h.length &&
                backPayload == payload);
    }
}

void FuzzControlLines(const uint8_t* data, size_t size)
{
    auto printer = std::make_shared<sim::CVirtualPrinter>();
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line =
            text.substr(start, std::min<size_t>(end - start, sim::kMaxControlLine));
        const std::string answer = printer->Control(line);
        Require(!answer.empty());
        Require(answer.size() <= sim::kMaxSocketAnswer);
        start = end + 1;
    }
    // Whatever the lines did, the printer still answers its status line.
    Require(!printer->Describe().empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    switch (data[0] % 3) {
        case 0:
            FuzzRequests(data + 1, size - 1);
            break;
        case 1:
            FuzzResponses(data + 1, size - 1);
            break;
        default:
            FuzzControlLines(data + 1, size - 1);
            break;
    }
    return 0;
}
