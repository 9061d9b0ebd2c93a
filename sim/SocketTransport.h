// The transport to a virtual printer running as its own program, over its Unix-domain socket.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "device/Transport.h"

namespace tavolux::sim {

class CSocketTransport final : public ITransport {
public:
    // The virtual printer answers at once; this covers a busy host. Open, Endpoints, Control
    // and the other short requests wait at most this long for their answer.
    static constexpr int kAnswerMarginMs = 1000;

    explicit CSocketTransport(std::string path);
    ~CSocketTransport() override;
    CSocketTransport(const CSocketTransport&) = delete;
    CSocketTransport& operator=(const CSocketTransport&) = delete;

    // Connects when not connected, then reopens the printer. NoDevice: no socket at the path or
    // nobody listens on it; Access: the socket may not be used; Timeout: nobody answers; Busy:
    // the printer serves as many programs as it can.
    TransportError Open() override;
    bool IsOpen() const override;
    std::vector<EndpointInfo> Endpoints() const override;
    // Both transfers end within their time-out (plus kAnswerMarginMs, plus the time another
    // transfer on the one socket may still take): a printer that stops reading or answering
    // costs a time-out, and the connection, never a hang.
    TransportError BulkWrite(uint8_t endpoint, const uint8_t* data, int length, int timeoutMs,
                             int& transferred) override;
    TransportError BulkRead(uint8_t endpoint, uint8_t* data, int length, int timeoutMs,
                            int& transferred) override;
    void SetTransferSize(uint8_t endpoint, int bytes) override;
    void ResetPort() override;
    void Close() override;
    void Interrupt() override;

    // Sends a control line to the printer ("key pause", ...); its answer, or "error: ..."
    // when the printer cannot be reached.
    std::string Control(const std::string& line);
    // The same, with why the printer could not be reached (None: answer holds its answer).
    TransportError Control(const std::string& line, std::string& answer);

    const std::string& Path() const { return m_path; }

private:
    struct Answer {
        uint8_t error = 0;
        uint32_t value = 0;
        std::vector<uint8_t> payload;
    };
    // One request and its response, within timeoutMs + kAnswerMarginMs in all, the wait for the
    // socket included. None when the printer answered (its own error is in answer); otherwise
    // why not, and the connection is closed (a half-sent request leaves it unusable).
    TransportError Exchange(uint8_t type, uint8_t endpoint, const uint8_t* payload, uint32_t length,
                            int timeoutMs, uint32_t maxAnswer, Answer& answer) const;
    // Takes the socket for one exchange; None, or Timeout or Interrupted when it cannot.
    TransportError TakeSocket(int ownTimeoutMs) const;
    void ReleaseSocket() const;
    TransportError ConnectLocked() const;  // caller holds the socket
    void DisconnectLocked() const;         // caller holds the socket

    const std::string m_path;
    // One exchange at a time on the socket: the caller that set m_busy owns the socket (and
    // m_fd) until it clears it. Waited for with a time-out: a caller waits at most for the
    // holder's deadline and then its own time-out.
    mutable std::mutex m_gate;  // guards m_busy
    mutable std::condition_variable m_gateFree;
    mutable bool m_busy = false;
    mutable int m_fd = -1;                          // owned by the caller that holds the socket
    mutable std::atomic<int64_t> m_busyUntilMs{0};  // when the exchange under way must end
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_interrupted{false};
};

}  // namespace tavolux::sim
