// The framing between the socket transport and the virtual printer's server: one request, one
// response, each a fixed header followed by its bytes.
#pragma once

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

inline constexpr uint32_t kMaxSocketPayload = 4u << 20;  // larger than any pass

// Whole-message socket I/O; false when the peer went away or timeoutMs passed (-1: no limit).
bool SendAll(int fd, const void* data, size_t length);
bool ReceiveAll(int fd, void* data, size_t length, int timeoutMs);

bool SendRequest(int fd, const RequestHeader& h, const uint8_t* payload);
bool ReceiveRequest(int fd, RequestHeader& h, std::vector<uint8_t>& payload);
bool SendResponse(int fd, const ResponseHeader& h, const uint8_t* payload);
bool ReceiveResponse(int fd, ResponseHeader& h, std::vector<uint8_t>& payload, int timeoutMs);

// A connected Unix-domain socket to path, or -1.
int ConnectUnixSocket(const std::string& path);

}  // namespace tavolux::sim
