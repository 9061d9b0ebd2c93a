// A transport wrapper that remembers the bytes each write moved, so a tool can show exactly
// what went to the printer.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "device/Transport.h"

namespace tavolux {

class CRecordingTransport final : public ITransport {
public:
    struct Write {
        uint8_t endpoint;
        std::vector<uint8_t> bytes;  // what was moved, not what was offered
    };

    explicit CRecordingTransport(std::unique_ptr<ITransport> inner);

    TransportError Open() override { return m_inner->Open(); }
    bool IsOpen() const override { return m_inner->IsOpen(); }
    std::vector<EndpointInfo> Endpoints() const override { return m_inner->Endpoints(); }
    TransportError BulkWrite(uint8_t endpoint, const uint8_t* data, int length, int timeoutMs,
                             int& transferred) override;
    TransportError BulkRead(uint8_t endpoint, uint8_t* data, int length, int timeoutMs,
                            int& transferred) override
    {
        return m_inner->BulkRead(endpoint, data, length, timeoutMs, transferred);
    }
    void SetTransferSize(uint8_t endpoint, int bytes) override
    {
        m_inner->SetTransferSize(endpoint, bytes);
    }
    void ResetPort() override { m_inner->ResetPort(); }
    void Close() override { m_inner->Close(); }
    void Interrupt() override { m_inner->Interrupt(); }

    std::vector<Write> Writes() const;
    void Clear();

private:
    std::unique_ptr<ITransport> m_inner;
    mutable std::mutex m_mutex;  // guards m_writes
    std::vector<Write> m_writes;
};

}  // namespace tavolux
