// Framing and whole-message I/O of the virtual printer's socket.
#include "sim/SocketProtocol.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace tavolux::sim {

namespace {

using Clock = std::chrono::steady_clock;

// A payload's buffer grows by at most this much ahead of the bytes that arrived.
constexpr size_t kReceivePiece = size_t{1} << 20;

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

uint32_t Get32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool HasPayload(uint8_t type)
{
    return type == static_cast<uint8_t>(SocketRequest::Write) ||
           type == static_cast<uint8_t>(SocketRequest::Control);
}

// The end of a limited transfer, fixed when it starts.
struct Deadline {
    explicit Deadline(IoLimit l)
        : limit(l), end(Clock::now() + std::chrono::milliseconds(std::max(l.timeoutMs, 0)))
    {
    }
    IoLimit limit;
    Clock::time_point end;
};

// Waits until fd is ready for events (or hung up: the transfer call then says so). False when
// the deadline passed, the transfer was interrupted, or poll failed.
bool WaitReady(int fd, short events, const Deadline& d)
{
    for (;;) {
        if (d.limit.interrupted && d.limit.interrupted->load()) {
            return false;
        }
        int wait = -1;
        if (d.limit.timeoutMs >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(d.end - Clock::now()).count();
            wait = static_cast<int>(std::max<int64_t>(left, 0));
        }
        if (d.limit.interrupted && (wait < 0 || wait > kInterruptSliceMs)) {
            wait = kInterruptSliceMs;
        }
        pollfd pfd{fd, events, 0};
        const int r = ::poll(&pfd, 1, wait);
        if (r < 0 && errno != EINTR) {
            return false;
        }
        if (r > 0) {
            return true;
        }
        if (d.limit.timeoutMs >= 0 && Clock::now() >= d.end) {
            return false;
        }
    }
}

bool SendUntil(int fd, const void* data, size_t length, const Deadline& d)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        if (!WaitReady(fd, POLLOUT, d)) {
            return false;
        }
        const ssize_t n = ::send(fd, p, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool ReceiveUntil(int fd, void* data, size_t length, const Deadline& d)
{
    auto* p = static_cast<uint8_t*>(data);
    while (length > 0) {
        if (!WaitReady(fd, POLLIN, d)) {
            return false;
        }
        const ssize_t n = ::recv(fd, p, length, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// length bytes into payload, which grows only as they arrive.
bool ReceivePayload(int fd, std::vector<uint8_t>& payload, uint32_t length, const Deadline& d)
{
    payload.clear();
    size_t got = 0;
    while (got < length) {
        const size_t piece = std::min<size_t>(length - got, kReceivePiece);
        payload.resize(got + piece);
        if (!ReceiveUntil(fd, payload.data() + got, piece, d)) {
            return false;
        }
        got += piece;
    }
    return true;
}

}  // namespace

bool SendAll(int fd, const void* data, size_t length, IoLimit limit)
{
    return SendUntil(fd, data, length, Deadline(limit));
}

bool ReceiveAll(int fd, void* data, size_t length, IoLimit limit)
{
    return ReceiveUntil(fd, data, length, Deadline(limit));
}

bool SendRequest(int fd, const RequestHeader& h, const uint8_t* payload, IoLimit limit)
{
    const Deadline d(limit);
    uint8_t head[10] = {h.type, h.endpoint};
    Put32(head + 2, h.length);
    Put32(head + 6, h.timeout);
    return SendUntil(fd, head, sizeof head, d) &&
           (!HasPayload(h.type) || h.length == 0 || SendUntil(fd, payload, h.length, d));
}

bool ReceiveRequest(int fd, RequestHeader& h, std::vector<uint8_t>& payload, IoLimit limit)
{
    const Deadline d(limit);
    uint8_t head[10];
    if (!ReceiveUntil(fd, head, sizeof head, d)) {
        return false;
    }
    h.type = head[0];
    h.endpoint = head[1];
    h.length = Get32(head + 2);
    h.timeout = Get32(head + 6);
    payload.clear();
    if (!HasPayload(h.type)) {
        return true;
    }
    const uint32_t most = h.type == static_cast<uint8_t>(SocketRequest::Control)
                              ? kMaxControlLine
                              : kMaxSocketPayload;
    return h.length <= most && ReceivePayload(fd, payload, h.length, d);
}

bool SendResponse(int fd, const ResponseHeader& h, const uint8_t* payload, IoLimit limit)
{
    const Deadline d(limit);
    uint8_t head[9] = {h.error};
    Put32(head + 1, h.value);
    Put32(head + 5, h.length);
    return SendUntil(fd, head, sizeof head, d) &&
           (h.length == 0 || SendUntil(fd, payload, h.length, d));
}

bool ReceiveResponse(int fd, ResponseHeader& h, std::vector<uint8_t>& payload, uint32_t maxPayload,
                     IoLimit limit)
{
    const Deadline d(limit);
    uint8_t head[9];
    if (!ReceiveUntil(fd, head, sizeof head, d)) {
        return false;
    }
    h.error = head[0];
    h.value = Get32(head + 1);
    h.length = Get32(head + 5);
    return h.length <= maxPayload && ReceivePayload(fd, payload, h.length, d);
}

int ConnectUnixSocket(const std::string& path)
{
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    // Non-blocking: a server whose queue of connections is full refuses at once (EAGAIN)
    // instead of holding the caller; every transfer waits in poll anyway.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        const int why = errno;
        ::close(fd);
        errno = why;
        return -1;
    }
    return fd;
}

}  // namespace tavolux::sim
