// libusb-1.0 access to the printer.
#include "device/UsbTransport.h"

#include <libusb.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>

#include "device/DeviceDiagnostics.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

CUsbTransport::CUsbTransport(int vendorId, int productId)
    : m_vendorId(vendorId), m_productId(productId)
{
    if (libusb_init(&m_context) != 0) {
        m_context = nullptr;
        DeviceDiagnostic(LoadResString(ids::kDiagUsbNoStart));
    }
}

CUsbTransport::~CUsbTransport()
{
    Close();
    if (m_context) {
        libusb_exit(m_context);
    }
}

namespace {

// A libusb result (or transfer status) and the transport error it stands for; anything not
// listed is an I/O error.
struct ErrorMapping {
    int code;
    TransportError error;
};

template <size_t N>
TransportError Mapped(const ErrorMapping (&table)[N], int code)
{
    for (const ErrorMapping& m : table) {
        if (m.code == code) {
            return m.error;
        }
    }
    return TransportError::Io;
}

constexpr ErrorMapping kLibusbErrors[] = {
    {LIBUSB_SUCCESS, TransportError::None},
    {LIBUSB_ERROR_NO_DEVICE, TransportError::NoDevice},
    {LIBUSB_ERROR_NOT_FOUND, TransportError::NoDevice},
    {LIBUSB_ERROR_ACCESS, TransportError::Access},
    {LIBUSB_ERROR_TIMEOUT, TransportError::Timeout},
    {LIBUSB_ERROR_PIPE, TransportError::Pipe},
    {LIBUSB_ERROR_BUSY, TransportError::Busy},
    {LIBUSB_ERROR_OVERFLOW, TransportError::Overflow},
};

constexpr ErrorMapping kTransferStatuses[] = {
    {LIBUSB_TRANSFER_COMPLETED, TransportError::None},
    {LIBUSB_TRANSFER_TIMED_OUT, TransportError::Timeout},
    {LIBUSB_TRANSFER_CANCELLED, TransportError::Interrupted},
    {LIBUSB_TRANSFER_STALL, TransportError::Pipe},
    {LIBUSB_TRANSFER_NO_DEVICE, TransportError::NoDevice},
    {LIBUSB_TRANSFER_OVERFLOW, TransportError::Overflow},
};

}  // namespace

TransportError CUsbTransport::FromLibusb(int code)
{
    return Mapped(kLibusbErrors, code);
}

TransportError CUsbTransport::Open()
{
    std::lock_guard lock(m_mutex);
    CloseLocked();  // reopening starts from a fresh handle
    if (m_interrupted) {
        return TransportError::Interrupted;
    }
    if (!m_context) {
        // Without USB access at all (no usbfs, a container) no printer can be found.
        return TransportError::NoDevice;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(m_context, &list);
    if (count < 0) {
        return FromLibusb(static_cast<int>(count));
    }
    // Of several printers with the ids, the one the host enumerated first: the lowest bus and
    // address (addresses are handed out in plug-in order), whatever order libusb lists them in.
    std::vector<libusb_device*> candidates;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor d{};
        if (libusb_get_device_descriptor(list[i], &d) == 0 && d.idVendor == m_vendorId &&
            d.idProduct == m_productId) {
            candidates.push_back(list[i]);
        }
    }
    const auto place = [](libusb_device* dev) {
        return std::pair(libusb_get_bus_number(dev), libusb_get_device_address(dev));
    };
    std::sort(candidates.begin(), candidates.end(),
              [&](libusb_device* a, libusb_device* b) { return place(a) < place(b); });
    TransportError result = TransportError::NoDevice;
    libusb_device_handle* handle = nullptr;
    for (libusb_device* dev : candidates) {
        result = OpenDevice(dev, handle);
        // A printer pulled a moment ago may stay listed until its removal is processed: it
        // is not there any more, and the next one is taken.
        if (result != TransportError::NoDevice) {
            break;
        }
    }
    libusb_free_device_list(list, 1);
    m_handle = handle;
    return result;
}

TransportError CUsbTransport::OpenDevice(libusb_device* device, libusb_device_handle*& handle)
{
    handle = nullptr;
    TransportError result = FromLibusb(libusb_open(device, &handle));
    if (result != TransportError::None) {
        handle = nullptr;
        return result;
    }
    // Endpoints of interface 0, setting 0, in descriptor order.
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) == 0 && config &&
        config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
        const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
        for (int e = 0; e < alt.bNumEndpoints; ++e) {
            m_endpoints.push_back({alt.endpoint[e].bEndpointAddress,
                                   static_cast<uint8_t>(alt.endpoint[e].bmAttributes & 3)});
        }
    }
    if (config) {
        libusb_free_config_descriptor(config);
    }
    libusb_set_auto_detach_kernel_driver(handle, 1);
    result = FromLibusb(libusb_claim_interface(handle, 0));
    if (result != TransportError::None) {
        libusb_close(handle);
        handle = nullptr;
        m_endpoints.clear();
    }
    return result;
}

bool CUsbTransport::IsOpen() const
{
    return m_handle.load() != nullptr;
}

std::vector<EndpointInfo> CUsbTransport::Endpoints() const
{
    std::lock_guard lock(m_mutex);
    return m_endpoints;
}

TransportError CUsbTransport::BulkWrite(uint8_t endpoint, const uint8_t* data, int length,
                                        int timeoutMs, int& transferred)
{
    // libusb takes a non-const buffer for both directions; an out transfer does not write it.
    return Transfer(endpoint, const_cast<uint8_t*>(data), length, timeoutMs, transferred);
}

TransportError CUsbTransport::BulkRead(uint8_t endpoint, uint8_t* data, int length, int timeoutMs,
                                       int& transferred)
{
    return Transfer(endpoint, data, length, timeoutMs, transferred);
}

namespace {

// Whichever thread handles libusb's events runs the callback, often not the one waiting for
// the transfer: the flag is handed over atomically, and with it the transfer's status.
extern "C" void LIBUSB_CALL TransferDone(libusb_transfer* transfer)
{
    std::atomic_ref<int>(*static_cast<int*>(transfer->user_data))
        .store(1, std::memory_order_release);
}

bool Completed(int& completed)
{
    return std::atomic_ref<int>(completed).load(std::memory_order_acquire) != 0;
}

}  // namespace

TransportError CUsbTransport::Transfer(uint8_t endpoint, uint8_t* data, int length, int timeoutMs,
                                       int& transferred)
{
    transferred = 0;
    if (m_interrupted) {
        return TransportError::Interrupted;
    }
    libusb_device_handle* h = m_handle.load();
    if (!h) {
        return TransportError::NotOpen;
    }
    // The synchronous call of libusb, spelled out so that an interrupt can cancel the transfer:
    // events are handled in short slices and the flag is looked at between them.
    libusb_transfer* transfer = libusb_alloc_transfer(0);
    if (!transfer) {
        return TransportError::Io;
    }
    alignas(std::atomic_ref<int>::required_alignment) int completed = 0;
    // libusb reads a time-out of 0 as "wait for ever"; the shortest bounded wait stands in.
    libusb_fill_bulk_transfer(transfer, h, endpoint, data, length, TransferDone, &completed,
                              static_cast<unsigned>(std::max(timeoutMs, 1)));
    if (const int rc = libusb_submit_transfer(transfer); rc != 0) {
        libusb_free_transfer(transfer);
        return FromLibusb(rc);
    }
    bool cancelled = false;
    while (!Completed(completed)) {
        if (m_interrupted && !cancelled) {
            libusb_cancel_transfer(transfer);
            cancelled = true;
        }
        timeval slice{0, kInterruptSliceUs};
        if (libusb_handle_events_timeout_completed(m_context, &slice, &completed) < 0 &&
            !cancelled) {
            libusb_cancel_transfer(transfer);
            cancelled = true;
        }
    }
    transferred = transfer->actual_length;
    const TransportError e = Mapped(kTransferStatuses, transfer->status);
    libusb_free_transfer(transfer);
    return e;
}

void CUsbTransport::SetTransferSize(uint8_t /*endpoint*/, int bytes)
{
    std::lock_guard lock(m_mutex);
    m_transferSize = bytes;
}

void CUsbTransport::ResetPort()
{
    std::lock_guard lock(m_mutex);
    if (libusb_device_handle* h = m_handle.load()) {
        libusb_reset_device(h);
    }
}

void CUsbTransport::Interrupt()
{
    m_interrupted = true;
}

void CUsbTransport::Close()
{
    std::lock_guard lock(m_mutex);
    CloseLocked();
}

void CUsbTransport::CloseLocked()
{
    if (libusb_device_handle* h = m_handle.exchange(nullptr)) {
        libusb_release_interface(h, 0);
        libusb_close(h);
    }
    m_endpoints.clear();
}

}  // namespace tavolux
