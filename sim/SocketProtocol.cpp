// Framing and whole-message I/O of the virtual printer's socket.
#include "sim/SocketProtocol.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tavolux::sim {

namespace {

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

}  // namespace

bool SendAll(int fd, const void* data, size_t length)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        const ssize_t n = ::send(fd, p, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
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

bool ReceiveAll(int fd, void* data, size_t length, int timeoutMs)
{
    auto* p = static_cast<uint8_t*>(data);
    while (length > 0) {
        if (timeoutMs >= 0) {
            pollfd pfd{fd, POLLIN, 0};
            const int r = ::poll(&pfd, 1, timeoutMs);
            if (r < 0 && errno == EINTR) {
                continue;
            }
            if (r <= 0) {
                return false;
            }
        }
        const ssize_t n = ::recv(fd, p, length, 0);
        if (n < 0 && errno == EINTR) {
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

bool SendRequest(int fd, const RequestHeader& h, const uint8_t* payload)
{
    uint8_t head[10] = {h.type, h.endpoint};
    Put32(head + 2, h.length);
    Put32(head + 6, h.timeout);
    const bool hasPayload = h.type == static_cast<uint8_t>(SocketRequest::Write) ||
                            h.type == static_cast<uint8_t>(SocketRequest::Control);
    return SendAll(fd, head, sizeof head) &&
           (!hasPayload || h.length == 0 || SendAll(fd, payload, h.length));
}

bool ReceiveRequest(int fd, RequestHeader& h, std::vector<uint8_t>& payload)
{
    uint8_t head[10];
    if (!ReceiveAll(fd, head, sizeof head, -1)) {
        return false;
    }
    h.type = head[0];
    h.endpoint = head[1];
    h.length = Get32(head + 2);
    h.timeout = Get32(head + 6);
    if (h.length > kMaxSocketPayload) {
        return false;
    }
    payload.clear();
    if (h.type == static_cast<uint8_t>(SocketRequest::Write) ||
        h.type == static_cast<uint8_t>(SocketRequest::Control)) {
        payload.resize(h.length);
        return h.length == 0 || ReceiveAll(fd, payload.data(), h.length, -1);
    }
    return true;
}

bool SendResponse(int fd, const ResponseHeader& h, const uint8_t* payload)
{
    uint8_t head[9] = {h.error};
    Put32(head + 1, h.value);
    Put32(head + 5, h.length);
    return SendAll(fd, head, sizeof head) && (h.length == 0 || SendAll(fd, payload, h.length));
}

bool ReceiveResponse(int fd, ResponseHeader& h, std::vector<uint8_t>& payload, int timeoutMs)
{
    uint8_t head[9];
    if (!ReceiveAll(fd, head, sizeof head, timeoutMs)) {
        return false;
    }
    h.error = head[0];
    h.value = Get32(head + 1);
    h.length = Get32(head + 5);
    if (h.length > kMaxSocketPayload) {
        return false;
    }
    payload.resize(h.length);
    return h.length == 0 || ReceiveAll(fd, payload.data(), h.length, timeoutMs);
}

int ConnectUnixSocket(const std::string& path)
{
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) {
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace tavolux::sim
