// The framing between the socket transport and the virtual printer's server: one request, one
// response, each a fixed header followed by its bytes.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tavolux::sim {

enum class SocketRequest : uint8_t {
    Open = 1,       // reopen the printer
    Endpoints = 2,  // payload of the answer: address, attributes pairs
    Write = 3,      // payload: the bytes; count of the answer: bytes moved
    Read = 4,       // length: the most to read; payload of the answer: the bytes
    Control = 5,    // payload: a control line; payload of the answer: the result text
    ResetPort = 6,
    Close = 7,
};

struct RequestHeader {
    uint8_t type = 0;
    uint8_t endpoint = 0;
    uint32_t length = 0;   // payload bytes (Write, Control) or bytes wanted (Read)
    uint32_t timeout = 0;  // milliseconds
};

struct ResponseHeader {
    uint8_t error = 0;    // a TransportError
    uint32_t value = 0;   // bytes moved (Write)
    uint32_t length = 0;  // payload bytes that follow (Read, Endpoints, Control)
};

// The largest pass the program builds is 2^28 nozzle words: a write of that size goes through
// whole, as one pass's raster. A larger length is refused before anything is allocated, and a
// payload's buffer grows only as its bytes arrive, so a hostile length costs nothing.
inline constexpr uint32_t kMaxSocketPayload = 1u << 29;
// Largest answer payload: a reply read, the endpoint list or a control line's answer.
inline constexpr uint32_t kMaxSocketAnswer = 1u << 16;
// A control line is one line of text.
inline constexpr uint32_t kMaxControlLine = 4096;

// How long a whole-message transfer may take: timeoutMs (-1: no limit), cut short when
// *interrupted becomes true (checked at least every kInterruptSliceMs).
struct IoLimit {
    int timeoutMs = -1;
    const std::atomic<bool>* interrupted = nullptr;
};
inline constexpr int kInterruptSliceMs = 50;

// Whole-message socket I/O; false when the peer went away, the limit passed or the transfer was
// interrupted. The socket may be blocking or not: every wait is a poll.
bool SendAll(int fd, const void* data, size_t length, IoLimit limit = {});
bool ReceiveAll(int fd, void* data, size_t length, IoLimit limit = {});

bool SendRequest(int fd, const RequestHeader& h, const uint8_t* payload, IoLimit limit = {});
// A request and its payload; false on a broken connection or a length over the limits above.
bool ReceiveRequest(int fd, RequestHeader& h, std::vector<uint8_t>& payload, IoLimit limit = {});
bool SendResponse(int fd, const ResponseHeader& h, const uint8_t* payload, IoLimit limit = {});
// A response whose payload is at most maxPayload bytes; false otherwise.
bool ReceiveResponse(int fd, ResponseHeader& h, std::vector<uint8_t>& payload, uint32_t maxPayload,
                     IoLimit limit);

// A connected non-blocking Unix-domain socket to path, or -1 with errno set (ENOENT: no socket
// there, ECONNREFUSED: nobody listens, EAGAIN: the listener's queue is full).
int ConnectUnixSocket(const std::string& path);

}  // namespace tavolux::sim
