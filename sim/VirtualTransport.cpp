// The in-process transport: forwards transfers to the virtual printer.
#include "sim/VirtualTransport.h"

#include <chrono>
#include <thread>

#include "device/Protocol.h"

namespace tavolux::sim {

CVirtualTransport::CVirtualTransport(std::shared_ptr<CVirtualPrinter> printer)
    : m_printer(std::move(printer))
{
}

TransportError CVirtualTransport::Open()
{
    ++m_opens;
    if (!m_printer->Plugged()) {
        m_generation = 0;
        return TransportError::NoDevice;
    }
    m_generation = m_printer->Generation();
    return TransportError::None;
}

bool CVirtualTransport::IsOpen() const
{
    return m_generation.load() != 0;
}

bool CVirtualTransport::Alive() const
{
    return IsOpen() && m_generation.load() == m_printer->Generation() && m_printer->Plugged();
}

std::vector<EndpointInfo> CVirtualTransport::Endpoints() const
{
    return IsOpen() ? m_printer->Endpoints() : std::vector<EndpointInfo>{};
}

TransportError CVirtualTransport::BulkWrite(uint8_t endpoint, const uint8_t* data, int length,
                                            int /*timeoutMs*/, int& transferred)
{
    transferred = 0;
    if (!IsOpen()) {
        return TransportError::NotOpen;
    }
    if (!Alive()) {
        return TransportError::NoDevice;
    }
    const auto start = std::chrono::steady_clock::now();
    const TransportError e = m_printer->Write(endpoint, data, length, transferred);
    const double rate = m_linkRate.load();
    if (rate > 0.0 && endpoint == wire::kDataOut && transferred > 0) {
        // The bus is busy for as long as the bytes take on it.
        std::this_thread::sleep_until(start + std::chrono::duration<double>(transferred / rate));
    }
    return e;
}

TransportError CVirtualTransport::BulkRead(uint8_t endpoint, uint8_t* data, int length,
                                           int /*timeoutMs*/, int& transferred)
{
    transferred = 0;
    if (!IsOpen()) {
        return TransportError::NotOpen;
    }
    if (!Alive()) {
        return TransportError::NoDevice;
    }
    return m_printer->Read(endpoint, data, length, transferred);
}

void CVirtualTransport::SetTransferSize(uint8_t /*endpoint*/, int bytes)
{
    m_transferSize = bytes;
}

void CVirtualTransport::ResetPort()
{
    ++m_resets;
}

void CVirtualTransport::Close()
{
    m_generation = 0;
}

}  // namespace tavolux::sim
