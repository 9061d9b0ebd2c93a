// The transport to a virtual printer running as its own program, over its Unix-domain socket.
#pragma once

#include <mutex>
#include <string>

#include "device/Transport.h"

namespace tavolux::sim {

class CSocketTransport final : public ITransport {
public:
    explicit CSocketTransport(std::string path);
    ~CSocketTransport() override;
    CSocketTransport(const CSocketTransport&) = delete;
    CSocketTransport& operator=(const CSocketTransport&) = delete;

    // Connects when not connected, then reopens the printer.
    TransportError Open() override;
    bool IsOpen() const override;
    std::vector<EndpointInfo> Endpoints() const override;
    TransportError BulkWrite(uint8_t endpoint, const uint8_t* data, int length, int timeoutMs,
                             int& transferred) override;
    TransportError BulkRead(uint8_t endpoint, uint8_t* data, int length, int timeoutMs,
                            int& transferred) override;
    void SetTransferSize(uint8_t endpoint, int bytes) override;
    void ResetPort() override;
    void Close() override;

    // Sends a control line to the printer ("key pause", ...); its answer, or "error: ..."
    // when the printer cannot be reached.
    std::string Control(const std::string& line);

private:
    // One request and its response; false when the socket failed (it is then closed).
    bool Exchange(uint8_t type, uint8_t endpoint, const uint8_t* payload, uint32_t length,
                  int timeoutMs, uint8_t& error, uint32_t& value,
                  std::vector<uint8_t>& reply) const;
    bool ConnectLocked() const;  // caller holds m_mutex

    const std::string m_path;
    mutable std::mutex m_mutex;  // one exchange at a time on the socket; guards the fields below
    mutable int m_fd = -1;
    bool m_open = false;
};

}  // namespace tavolux::sim
