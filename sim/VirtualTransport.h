// The in-process transport to a virtual printer: what tests and the CLI use in place of USB.
#pragma once

#include <atomic>
#include <memory>

#include "device/Transport.h"
#include "sim/VirtualPrinter.h"

namespace tavolux::sim {

class CVirtualTransport final : public ITransport {
public:
    explicit CVirtualTransport(std::shared_ptr<CVirtualPrinter> printer);

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

    // Bytes per second the data endpoint moves, like a real bus; 0 (the default): no limit.
    void SetLinkRate(double bytesPerSecond) { m_linkRate.store(bytesPerSecond); }

    int TransferSize() const { return m_transferSize.load(); }
    int ResetCount() const { return m_resets.load(); }
    int OpenCount() const { return m_opens.load(); }

private:
    bool Alive() const;  // open, and the printer has not been unplugged since

    std::shared_ptr<CVirtualPrinter> m_printer;
    std::atomic<uint64_t> m_generation{0};  // 0: closed
    std::atomic<int> m_transferSize{0};
    std::atomic<int> m_resets{0};
    std::atomic<int> m_opens{0};
    std::atomic<double> m_linkRate{0.0};
};

}  // namespace tavolux::sim
