// The socket transport: each transport call is one request to the virtual printer's server.
#include "sim/SocketTransport.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "sim/SocketProtocol.h"

namespace tavolux::sim {

namespace {

int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The error byte of an answer; a value this side does not know counts as an I/O failure.
TransportError ErrorOf(uint8_t byte)
{
    return byte <= static_cast<uint8_t>(TransportError::Interrupted)
               ? static_cast<TransportError>(byte)
               : TransportError::Io;
}

}  // namespace

CSocketTransport::CSocketTransport(std::string path) : m_path(std::move(path)) {}

CSocketTransport::~CSocketTransport()
{
    // Nobody transfers on a transport that is being destroyed.
    DisconnectLocked();
}

TransportError CSocketTransport::ConnectLocked() const
{
    if (m_fd >= 0) {
        return TransportError::None;
    }
    m_fd = ConnectUnixSocket(m_path);
    if (m_fd >= 0) {
        return TransportError::None;
    }
    switch (errno) {
        case ENOENT:
        case ENOTDIR:
        case ECONNREFUSED:
        case ENOTSOCK:
            return TransportError::NoDevice;
        case EACCES:
        case EPERM:
            return TransportError::Access;
        case EAGAIN:
            // Somebody listens but takes no connection: as good as not answering.
            return TransportError::Timeout;
        default:
            return TransportError::Io;
    }
}

void CSocketTransport::DisconnectLocked() const
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

TransportError CSocketTransport::TakeSocket(int ownTimeoutMs) const
{
    const int64_t start = SteadyMs();
    std::unique_lock lock(m_gate);
    // The socket carries one exchange at a time: wait for the one under way, which ends by its
    // own deadline, then for at most this call's time-out.
    for (;;) {
        if (m_interrupted) {
            return TransportError::Interrupted;
        }
        if (!m_busy) {
            m_busy = true;
            m_busyUntilMs = SteadyMs() + ownTimeoutMs;
            return TransportError::None;
        }
        if (SteadyMs() >= std::max(m_busyUntilMs.load(), start) + ownTimeoutMs) {
            return TransportError::Timeout;
        }
        m_gateFree.wait_for(lock, std::chrono::milliseconds(kInterruptSliceMs));
    }
}

void CSocketTransport::ReleaseSocket() const
{
    {
        std::lock_guard lock(m_gate);
        m_busy = false;
    }
    m_gateFree.notify_one();
}

TransportError CSocketTransport::Exchange(uint8_t type, uint8_t endpoint, const uint8_t* payload,
                                          uint32_t length, int timeoutMs, uint32_t maxAnswer,
                                          Answer& answer) const
{
    const int own = std::max(timeoutMs, 0) + kAnswerMarginMs;
    if (const TransportError e = TakeSocket(own); e != TransportError::None) {
        return e;
    }
    struct Release {
        const CSocketTransport* self;
        ~Release() { self->ReleaseSocket(); }
    } release{this};
    const int64_t begun = SteadyMs();
    if (const TransportError e = ConnectLocked(); e != TransportError::None) {
        return e;
    }
    RequestHeader request;
    request.type = type;
    request.endpoint = endpoint;
    request.length = length;
    request.timeout = static_cast<uint32_t>(std::max(timeoutMs, 0));
    ResponseHeader response;
    const bool sent = SendRequest(m_fd, request, payload, IoLimit{own, &m_interrupted});
    // A printer that hung up may have said why first ("busy"): its answer is read either way.
    const auto left = static_cast<int>(std::max<int64_t>(begun + own - SteadyMs(), 0));
    bool done = ReceiveResponse(m_fd, response, answer.payload, maxAnswer,
                                IoLimit{sent ? left : 0, &m_interrupted});
    if (!sent && done && response.error == static_cast<uint8_t>(TransportError::None)) {
        done = false;  // an answer to a request that did not go out whole means nothing
    }
    if (!done) {
        // Half a request or half an answer may be in the stream: it cannot be used again.
        DisconnectLocked();
        if (m_interrupted) {
            return TransportError::Interrupted;
        }
        return SteadyMs() >= begun + own ? TransportError::Timeout : TransportError::NoDevice;
    }
    answer.error = response.error;
    answer.value = response.value;
    return TransportError::None;
}

TransportError CSocketTransport::Open()
{
    m_open = false;
    Answer answer;
    const TransportError e =
        Exchange(static_cast<uint8_t>(SocketRequest::Open), 0, nullptr, 0, 0, 0, answer);
    if (e != TransportError::None) {
        return e;
    }
    m_open = answer.error == static_cast<uint8_t>(TransportError::None);
    return ErrorOf(answer.error);
}

bool CSocketTransport::IsOpen() const
{
    return m_open;
}

std::vector<EndpointInfo> CSocketTransport::Endpoints() const
{
    std::vector<EndpointInfo> out;
    Answer answer;
    if (m_open && Exchange(static_cast<uint8_t>(SocketRequest::Endpoints), 0, nullptr, 0, 0,
                           kMaxSocketAnswer, answer) == TransportError::None) {
        for (size_t i = 0; i + 1 < answer.payload.size(); i += 2) {
            out.push_back({answer.payload[i], answer.payload[i + 1]});
        }
    }
    return out;
}

TransportError CSocketTransport::BulkWrite(uint8_t endpoint, const uint8_t* data, int length,
                                           int timeoutMs, int& transferred)
{
    transferred = 0;
    if (m_interrupted) {
        return TransportError::Interrupted;
    }
    if (!m_open) {
        return TransportError::NotOpen;
    }
    if (length < 0 || static_cast<uint32_t>(length) > kMaxSocketPayload) {
        return TransportError::Io;
    }
    Answer answer;
    const TransportError e = Exchange(static_cast<uint8_t>(SocketRequest::Write), endpoint, data,
                                      static_cast<uint32_t>(length), timeoutMs, 0, answer);
    if (e != TransportError::None) {
        m_open = false;
        return e;
    }
    transferred = static_cast<int>(std::min<uint32_t>(answer.value, static_cast<uint32_t>(length)));
    return ErrorOf(answer.error);
}

TransportError CSocketTransport::BulkRead(uint8_t endpoint, uint8_t* data, int length,
                                          int timeoutMs, int& transferred)
{
    transferred = 0;
    if (m_interrupted) {
        return TransportError::Interrupted;
    }
    if (!m_open) {
        return TransportError::NotOpen;
    }
    Answer answer;
    const TransportError e =
        Exchange(static_cast<uint8_t>(SocketRequest::Read), endpoint, nullptr,
                 static_cast<uint32_t>(std::max(length, 0)), timeoutMs, kMaxSocketAnswer, answer);
    if (e != TransportError::None) {
        m_open = false;
        return e;
    }
    // Never more than asked for, whatever the other side sent.
    transferred =
        static_cast<int>(std::min<size_t>(answer.payload.size(), static_cast<size_t>(length)));
    std::copy_n(answer.payload.begin(), transferred, data);
    return ErrorOf(answer.error);
}

void CSocketTransport::SetTransferSize(uint8_t /*endpoint*/, int /*bytes*/) {}

void CSocketTransport::ResetPort()
{
    Answer answer;
    if (m_open) {
        Exchange(static_cast<uint8_t>(SocketRequest::ResetPort), 0, nullptr, 0, 0, 0, answer);
    }
}

void CSocketTransport::Close()
{
    Answer answer;
    if (m_open.exchange(false)) {
        Exchange(static_cast<uint8_t>(SocketRequest::Close), 0, nullptr, 0, 0, 0, answer);
    }
}

void CSocketTransport::Interrupt()
{
    m_interrupted = true;
    m_open = false;
}

TransportError CSocketTransport::Control(const std::string& line, std::string& answerText)
{
    answerText.clear();
    if (line.size() > kMaxControlLine) {
        return TransportError::Io;
    }
    Answer answer;
    const TransportError e =
        Exchange(static_cast<uint8_t>(SocketRequest::Control), 0,
                 reinterpret_cast<const uint8_t*>(line.data()), static_cast<uint32_t>(line.size()),
                 0, kMaxSocketAnswer, answer);
    if (e == TransportError::None) {
        answerText.assign(answer.payload.begin(), answer.payload.end());
    }
    return e;
}

std::string CSocketTransport::Control(const std::string& line)
{
    std::string answer;
    if (Control(line, answer) != TransportError::None) {
        return "error: no virtual printer at " + m_path;
    }
    return answer;
}

}  // namespace tavolux::sim
