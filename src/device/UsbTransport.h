// The printer over libusb: found by vendor and product id, interface 0 claimed, synchronous
// bulk transfers.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "device/Transport.h"

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

namespace tavolux {

class CUsbTransport final : public ITransport {
public:
    CUsbTransport(int vendorId, int productId);
    ~CUsbTransport() override;
    CUsbTransport(const CUsbTransport&) = delete;
    CUsbTransport& operator=(const CUsbTransport&) = delete;

    TransportError Open() override;
    bool IsOpen() const override;
    std::vector<EndpointInfo> Endpoints() const override;
    TransportError BulkWrite(uint8_t endpoint, const uint8_t* data, int length, int timeoutMs,
                             int& transferred) override;
    TransportError BulkRead(uint8_t endpoint, uint8_t* data, int length, int timeoutMs,
                            int& transferred) override;
    // libusb submits a large transfer whole; the size is kept for the record only.
    void SetTransferSize(uint8_t endpoint, int bytes) override;
    void ResetPort() override;
    void Close() override;
    // Cancels the transfers under way (within kInterruptSliceUs) and refuses later ones.
    void Interrupt() override;

    // The libusb error code as the transport's error.
    static TransportError FromLibusb(int code);

private:
    static constexpr int kInterruptSliceUs = 50000;  // how often a transfer looks for an interrupt

    // One bulk transfer in either direction, cancelled by Interrupt.
    TransportError Transfer(uint8_t endpoint, uint8_t* data, int length, int timeoutMs,
                            int& transferred);
    void CloseLocked();  // caller holds m_mutex
    // Opens one device and claims interface 0, taking its endpoints; caller holds m_mutex.
    TransportError OpenDevice(libusb_device* device, libusb_device_handle*& handle);

    const int m_vendorId;
    const int m_productId;
    libusb_context* m_context = nullptr;  // null when libusb could not start
    // Open and Close change the handle; transfers run on it concurrently without the mutex
    // (libusb is thread-safe), the device layer keeps them apart from Open and Close.
    mutable std::mutex m_mutex;
    std::atomic<libusb_device_handle*> m_handle{nullptr};
    std::vector<EndpointInfo> m_endpoints;  // guarded by m_mutex
    int m_transferSize = 0;                 // guarded by m_mutex
    std::atomic<bool> m_interrupted{false};
};

}  // namespace tavolux
