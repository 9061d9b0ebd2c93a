// The socket transport: each transport call is one request to the virtual printer's server.
#include "sim/SocketTransport.h"

#include <unistd.h>

#include <algorithm>

#include "sim/SocketProtocol.h"

namespace tavolux::sim {

namespace {
constexpr int kAnswerMarginMs = 1000;  // the server answers at once; this covers a busy host

// The error byte of an answer; a value this side does not know counts as an I/O failure.
TransportError ErrorOf(uint8_t byte)
{
    return byte <= static_cast<uint8_t>(TransportError::Io) ? static_cast<TransportError>(byte)
                                                            : TransportError::Io;
}
}  // namespace

CSocketTransport::CSocketTransport(std::string path) : m_path(std::move(path)) {}

CSocketTransport::~CSocketTransport()
{
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool CSocketTransport::ConnectLocked() const
{
    if (m_fd < 0) {
        m_fd = ConnectUnixSocket(m_path);
    }
    return m_fd >= 0;
}

bool CSocketTransport::Exchange(uint8_t type, uint8_t endpoint, const uint8_t* payload,
                                uint32_t length, int timeoutMs, uint8_t& error, uint32_t& value,
                                std::vector<uint8_t>& reply) const
{
    if (!ConnectLocked()) {
        return false;
    }
    RequestHeader request;
    request.type = type;
    request.endpoint = endpoint;
    request.length = length;
    request.timeout = static_cast<uint32_t>(timeoutMs < 0 ? 0 : timeoutMs);
    ResponseHeader response;
    if (!SendRequest(m_fd, request, payload) ||
        !ReceiveResponse(m_fd, response, reply, timeoutMs + kAnswerMarginMs)) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    error = response.error;
    value = response.value;
    return true;
}

TransportError CSocketTransport::Open()
{
    std::lock_guard lock(m_mutex);
    uint8_t error = 0;
    uint32_t value = 0;
    std::vector<uint8_t> reply;
    m_open = false;
    if (!Exchange(static_cast<uint8_t>(SocketRequest::Open), 0, nullptr, 0, 0, error, value,
                  reply)) {
        return TransportError::NoDevice;
    }
    m_open = error == static_cast<uint8_t>(TransportError::None);
    return ErrorOf(error);
}

bool CSocketTransport::IsOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

std::vector<EndpointInfo> CSocketTransport::Endpoints() const
{
    std::lock_guard lock(m_mutex);
    std::vector<EndpointInfo> out;
    uint8_t error = 0;
    uint32_t value = 0;
    std::vector<uint8_t> reply;
    if (m_open && Exchange(static_cast<uint8_t>(SocketRequest::Endpoints), 0, nullptr, 0, 0, error,
                           value, reply)) {
        for (size_t i = 0; i + 1 < reply.size(); i += 2) {
            out.push_back({reply[i], reply[i + 1]});
        }
    }
    return out;
}

TransportError CSocketTransport::BulkWrite(uint8_t endpoint, const uint8_t* data, int length,
                                           int timeoutMs, int& transferred)
{
    std::lock_guard lock(m_mutex);
    transferred = 0;
    if (!m_open) {
        return TransportError::NotOpen;
    }
    if (length < 0 || static_cast<uint32_t>(length) > kMaxSocketPayload) {
        return TransportError::Io;
    }
    uint8_t error = 0;
    uint32_t value = 0;
    std::vector<uint8_t> reply;
    if (!Exchange(static_cast<uint8_t>(SocketRequest::Write), endpoint, data,
                  static_cast<uint32_t>(length), timeoutMs, error, value, reply)) {
        m_open = false;
        return TransportError::NoDevice;
    }
    transferred = static_cast<int>(std::min<uint32_t>(value, static_cast<uint32_t>(length)));
    return ErrorOf(error);
}

TransportError CSocketTransport::BulkRead(uint8_t endpoint, uint8_t* data, int length,
                                          int timeoutMs, int& transferred)
{
    std::lock_guard lock(m_mutex);
    transferred = 0;
    if (!m_open) {
        return TransportError::NotOpen;
    }
    uint8_t error = 0;
    uint32_t value = 0;
    std::vector<uint8_t> reply;
    if (!Exchange(static_cast<uint8_t>(SocketRequest::Read), endpoint, nullptr,
                  static_cast<uint32_t>(length < 0 ? 0 : length), timeoutMs, error, value, reply)) {
        m_open = false;
        return TransportError::NoDevice;
    }
    // Never more than asked for, whatever the other side sent.
    transferred = static_cast<int>(std::min<size_t>(reply.size(), static_cast<size_t>(length)));
    std::copy_n(reply.begin(), transferred, data);
    return ErrorOf(error);
}

void CSocketTransport::SetTransferSize(uint8_t /*endpoint*/, int /*bytes*/) {}

void CSocketTransport::ResetPort()
{
    std::lock_guard lock(m_mutex);
    uint8_t error = 0;
    uint32_t value = 0;
    std::vector<uint8_t> reply;
    if (m_fd >= 0) {
        Exchange(static_cast<uint8_t>(SocketRequest::ResetPort), 0, nullptr, 0, 0, error, value,
                 reply);
    }
}

void CSocketTransport::Close()
{
    std::lock_guard lock(m_mutex);
    uint8_t error = 0;
    uint32_t value = 0;
    std::vector<uint8_t> reply;
    if (m_fd >= 0 && m_open) {
        Exchange(static_cast<uint8_t>(SocketRequest::Close), 0, nullptr, 0, 0, error, value, reply);
    }
    m_open = false;
}

std::string CSocketTransport::Control(const std::string& line)
{
    std::lock_guard lock(m_mutex);
    uint8_t error = 0;
    uint32_t value = 0;
    std::vector<uint8_t> reply;
    if (!Exchange(static_cast<uint8_t>(SocketRequest::Control), 0,
                  reinterpret_cast<const uint8_t*>(line.data()), static_cast<uint32_t>(line.size()),
                  0, error, value, reply)) {
        return "error: no virtual printer at " + m_path;
    }
    return std::string(reply.begin(), reply.end());
}

}  // namespace tavolux::sim
