// The usbdevfs side of an emulated printer: URBs submitted by libusb are handed to the virtual
// printer, and completed ones wait for libusb to reap them, as the kernel would keep them.
#include "sim/usbmock/EmulatedUsbBus.h"

#include <link.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>

namespace tavolux::sim {

namespace {

constexpr int kBus = 1;
// What the emulated host controller can do: one URB per bulk transfer of any size, and URBs
// reaped after a disconnect.
constexpr uint32_t kCapabilities = USBDEVFS_CAP_BULK_SCATTER_GATHER |
                                   USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                   USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
constexpr const char* kGenerationKey = "tavolux-printer-generation";

// One submitted URB: the client's URB and its buffer, resolved into local copies.
struct Urb {
    UMockdevIoctlClient* client = nullptr;  // the handle that submitted it
    UMockdevIoctlData* urb = nullptr;       // holds a reference
    UMockdevIoctlData* buffer = nullptr;    // owned by urb
    int status = 0;                         // errno of the finished transfer, negated
    int actual = 0;
    bool finished = false;
};

usbdevfs_urb& UrbOf(const Urb& u)
{
    return *reinterpret_cast<usbdevfs_urb*>(u.urb->data);
}

std::string Hex(const std::vector<uint8_t>& bytes)
{
    std::string s;
    char b[3];
    for (const uint8_t byte : bytes) {
        std::snprintf(b, sizeof b, "%02x", byte);
        s += b;
    }
    return s;
}

void PushLe16(std::vector<uint8_t>& v, int value)
{
    v.push_back(static_cast<uint8_t>(value & 0xFF));
    v.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// Device descriptor, then the one configuration: interface 0 (vendor class) with the endpoints.
std::vector<uint8_t> Descriptors(int vendorId, int productId,
                                 const std::vector<EndpointInfo>& endpoints)
{
    std::vector<uint8_t> d = {18, 1, 0x00, 0x02, 0, 0, 0, 64};
    PushLe16(d, vendorId);
    PushLe16(d, productId);
    PushLe16(d, 0x0100);
    d.insert(d.end(), {0, 0, 0, 1});  // no strings, one configuration
    const int total = 9 + 9 + 7 * static_cast<int>(endpoints.size());
    d.insert(d.end(), {9, 2});
    PushLe16(d, total);
    d.insert(d.end(), {1, 1, 0, 0x80, 50});
    d.insert(d.end(), {9, 4, 0, 0, static_cast<uint8_t>(endpoints.size()), 0xFF, 0, 0, 0});
    for (const EndpointInfo& ep : endpoints) {
        d.insert(d.end(), {7, 5, ep.address, ep.attributes});
        PushLe16(d, 512);
        d.push_back(0);
    }
    return d;
}

}  // namespace

struct CEmulatedUsbBus::Testbed {
    UMockdevTestbed* bed = nullptr;
    std::vector<UMockdevIoctlBase*> handlers;  // one per enumeration, kept until the end
    std::vector<std::string> nodes;            // device nodes that got a handler
};

struct CEmulatedUsbBus::Device {
    std::shared_ptr<CVirtualPrinter> printer;
    int vendorId = 0;
    int productId = 0;
    int address = 0;
    int sysIndex = 0;  // its sysfs entry is /sys/devices/usb<sysIndex>
    std::mutex mutex;  // guards everything below; libusb's requests arrive on umockdev's thread
    bool present = true;
    std::deque<Urb> urbs;       // submitted, in order; finished ones wait to be reaped
    std::deque<Urb> discarded;  // cancelled by libusb, not yet reaped
    int resets = 0;
    int claims = 0;
    int transfers = 0;

    std::string SysPath() const { return "/sys/devices/usb" + std::to_string(sysIndex); }
    std::string Node() const
    {
        char b[32];
        std::snprintf(b, sizeof b, "/dev/bus/usb/%03d/%03d", kBus, address);
        return b;
    }

    // A client that opened the device before the printer went away (or came back) is dead.
    bool Alive(UMockdevIoctlClient* client)
    {
        // A node of an address the device had before it enumerated again leads nowhere.
        const char* node = umockdev_ioctl_client_get_devnode(client);
        if (!node || Node() != node) {
            return false;
        }
        const uint64_t now = printer->Generation();
        const auto* seen =
            static_cast<const uint64_t*>(g_object_get_data(G_OBJECT(client), kGenerationKey));
        if (!seen) {
            // The first request of a handle: it belongs to the printer as it is now.
            g_object_set_data_full(G_OBJECT(client), kGenerationKey, new uint64_t(now),
                                   [](gpointer p) { delete static_cast<uint64_t*>(p); });
            return present && printer->Plugged();
        }
        return present && printer->Plugged() && *seen == now;
    }

    // Hands a waiting URB to the printer; it stays unfinished while the printer has nothing
    // to say or takes nothing (the bus keeps asking, as the host controller does).
    void Progress(Urb& u, bool alive)
    {
        if (u.finished) {
            return;
        }
        usbdevfs_urb& urb = UrbOf(u);
        const int length = urb.buffer_length;
        uint8_t* data = u.buffer ? u.buffer->data : nullptr;
        int moved = 0;
        TransportError e = TransportError::NoDevice;
        if (alive) {
            e = (urb.endpoint & 0x80) ? printer->Read(urb.endpoint, data, length, moved)
                                      : printer->Write(urb.endpoint, data, length, moved);
        }
        switch (e) {
            case TransportError::Timeout:
                return;
            case TransportError::None:
                u.status = 0;
                break;
            case TransportError::Overflow:
                u.status = -EOVERFLOW;
                break;
            case TransportError::Pipe:
                u.status = -EPIPE;
                break;
            case TransportError::NoDevice:
                u.status = -ENODEV;
                break;
            default:
                u.status = -EPROTO;
                break;
        }
        u.actual = moved;
        u.finished = true;
        ++transfers;
    }

    void ProgressAll(UMockdevIoctlClient* client, bool alive)
    {
        for (Urb& u : urbs) {
            if (u.client == client) {
                Progress(u, alive);
            }
        }
    }
};

namespace {

using Device = CEmulatedUsbBus::Device;

void Complete(UMockdevIoctlClient* client, long result, int error)
{
    umockdev_ioctl_client_complete(client, result, error);
}

// Gives the reaped URB back to the client through the ioctl's pointer argument.
void Reap(UMockdevIoctlClient* client, Urb u)
{
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
    usbdevfs_urb& urb = UrbOf(u);
    urb.status = u.status;
    urb.actual_length = u.actual;
    umockdev_ioctl_data_set_ptr(slot, 0, u.urb);
    Complete(client, 0, 0);
    g_object_unref(u.urb);
}

gboolean HandleSubmit(Device& d, UMockdevIoctlClient* client, bool alive)
{
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    if (!urbData) {
        Complete(client, -1, EFAULT);
        return TRUE;
    }
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
    if (!alive) {
        Complete(client, -1, ENODEV);
        return TRUE;
    }
    bool known = false;
    for (const EndpointInfo& ep : d.printer->Endpoints()) {
        known = known || ep.address == urb->endpoint;
    }
    if (urb->type != USBDEVFS_URB_TYPE_BULK || !known || urb->buffer_length < 0) {
        Complete(client, -1, ENOENT);
        return TRUE;
    }
    Urb u;
    u.client = client;
    u.urb = static_cast<UMockdevIoctlData*>(g_object_ref(urbData));
    u.buffer = urb->buffer_length > 0
                   ? umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                                 static_cast<gsize>(urb->buffer_length), nullptr)
                   : nullptr;
    d.urbs.push_back(u);
    d.Progress(d.urbs.back(), alive);
    Complete(client, 0, 0);
    return TRUE;
}

gboolean HandleReap(Device& d, UMockdevIoctlClient* client, bool alive)
{
    for (auto it = d.discarded.begin(); it != d.discarded.end(); ++it) {
        if (it->client == client) {
            Urb u = *it;
            d.discarded.erase(it);
            u.status = -ENOENT;
            u.actual = 0;
            Reap(client, u);
            return TRUE;
        }
    }
    d.ProgressAll(client, alive);
    for (auto it = d.urbs.begin(); it != d.urbs.end(); ++it) {
        if (it->client == client && it->finished) {
            const Urb u = *it;
            d.urbs.erase(it);
            Reap(client, u);
            return TRUE;
        }
    }
    Complete(client, -1, alive ? EAGAIN : ENODEV);
    return TRUE;
}

gboolean HandleDiscard(Device& d, UMockdevIoctlClient* client)
{
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const auto address = *reinterpret_cast<const gulong*>(arg->data);
    for (auto it = d.urbs.begin(); it != d.urbs.end(); ++it) {
        if (it->client == client && it->urb->client_addr == address && !it->finished) {
            d.discarded.push_back(*it);
            d.urbs.erase(it);
            Complete(client, 0, 0);
            return TRUE;
        }
    }
    // Already finished: libusb reaps it as it finished.
    Complete(client, -1, EINVAL);
    return TRUE;
}

gboolean HandleIoctl(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client, gpointer data)
{
    auto& d = *static_cast<Device*>(data);
    std::lock_guard lock(d.mutex);
    const bool alive = d.Alive(client);
    const gulong request = umockdev_ioctl_client_get_request(client);
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
            UMockdevIoctlData* caps =
                umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
            if (caps) {
                std::memcpy(caps->data, &kCapabilities, sizeof kCapabilities);
            }
            Complete(client, caps ? 0 : -1, caps ? 0 : EFAULT);
            return TRUE;
        }
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_RESET:
            if (!alive) {
                Complete(client, -1, ENODEV);
                return TRUE;
            }
            ++(request == USBDEVFS_RESET ? d.resets : d.claims);
            Complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_RELEASEINTERFACE:
        case USBDEVFS_SETINTERFACE:
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESETEP:
            Complete(client, alive ? 0 : -1, alive ? 0 : ENODEV);
            return TRUE;
        case USBDEVFS_GETDRIVER:
        case USBDEVFS_IOCTL:
            // No kernel driver is bound to the printer's interface: none to name, detach or
            // reattach.
            Complete(client, -1, ENODATA);
            return TRUE;
        case USBDEVFS_SUBMITURB:
            return HandleSubmit(d, client, alive);
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            return HandleReap(d, client, alive);
        case USBDEVFS_DISCARDURB:
            return HandleDiscard(d, client);
        default:
            return FALSE;
    }
}

}  // namespace

namespace {

int FindPreload(dl_phdr_info* info, size_t /*size*/, void* found)
{
    if (info->dlpi_name && std::strstr(info->dlpi_name, "libumockdev-preload.so")) {
        *static_cast<bool*>(found) = true;
    }
    return 0;
}

}  // namespace

bool CEmulatedUsbBus::Available(std::string& why)
{
    // umockdev's own test asks which library provides open(), which is the sanitizer's
    // interceptor in a sanitizer build although the preload library sits right behind it.
    bool loaded = false;
    dl_iterate_phdr(FindPreload, &loaded);
    if (!loaded) {
        why = "not running under umockdev's preload library (libumockdev-preload.so)";
        return false;
    }
    return true;
}

CEmulatedUsbBus::CEmulatedUsbBus() : m_testbed(std::make_unique<Testbed>())
{
    m_testbed->bed = umockdev_testbed_new();
    if (!m_testbed->bed) {
        throw std::runtime_error("umockdev could not create a testbed");
    }
}

CEmulatedUsbBus::~CEmulatedUsbBus()
{
    g_object_unref(m_testbed->bed);
    for (UMockdevIoctlBase* h : m_testbed->handlers) {
        g_object_unref(h);
    }
    for (auto& d : m_devices) {
        for (Urb& u : d->urbs) {
            g_object_unref(u.urb);
        }
        for (Urb& u : d->discarded) {
            g_object_unref(u.urb);
        }
    }
}

int CEmulatedUsbBus::Plug(std::shared_ptr<CVirtualPrinter> printer, int vendorId, int productId,
                          int address)
{
    auto d = std::make_unique<Device>();
    d->printer = std::move(printer);
    d->vendorId = vendorId;
    d->productId = productId;
    d->address = address > 0 ? address : m_nextAddress;
    m_nextAddress = std::max(m_nextAddress, d->address) + 1;
    m_devices.push_back(std::move(d));
    Enumerate(*m_devices.back());
    return static_cast<int>(m_devices.size()) - 1;
}

void CEmulatedUsbBus::Enumerate(Device& d)
{
    d.sysIndex = ++m_sysIndex;
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(HandleIoctl), &d);
    m_testbed->handlers.push_back(handler);
    // The node answers before the device is announced, so libusb can open it at once. A node
    // reused by a new device leaves the one that was there before.
    GError* error = nullptr;
    if (std::find(m_testbed->nodes.begin(), m_testbed->nodes.end(), d.Node()) !=
        m_testbed->nodes.end()) {
        umockdev_testbed_detach_ioctl(m_testbed->bed, d.Node().c_str(), nullptr);
    }
    m_testbed->nodes.push_back(d.Node());
    if (umockdev_testbed_attach_ioctl(m_testbed->bed, d.Node().c_str(), handler, &error) == 0) {
        const std::string message = error ? error->message : "attach failed";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message);
    }
    char devnum[8];
    std::snprintf(devnum, sizeof devnum, "%03d", d.address);
    const std::string record =
        "P: /devices/usb" + std::to_string(d.sysIndex) + "\n" + "N: " + d.Node().substr(5) + "\n" +
        "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: BUSNUM=001\n" +
        "E: DEVNUM=" + devnum + "\nE: DEVNAME=" + d.Node() + "\n" +
        "A: busnum=" + std::to_string(kBus) + "\\n\n" + "A: devnum=" + std::to_string(d.address) +
        "\\n\n" + "A: speed=480\\n\nA: bConfigurationValue=1\\n\n" +
        "H: descriptors=" + Hex(Descriptors(d.vendorId, d.productId, d.printer->Endpoints())) +
        "\n";
    if (umockdev_testbed_add_from_string(m_testbed->bed, record.c_str(), &error) == 0) {
        const std::string message = error ? error->message : "add failed";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message);
    }
}

void CEmulatedUsbBus::Unplug(int device, bool announced)
{
    Device& d = *m_devices.at(static_cast<size_t>(device));
    {
        std::lock_guard lock(d.mutex);
        d.present = false;
    }
    d.printer->Unplug();
    // The kernel announces the removal (the testbed alone would not), then the entry goes.
    if (announced) {
        umockdev_testbed_uevent(m_testbed->bed, d.SysPath().c_str(), "remove");
    }
    umockdev_testbed_remove_device(m_testbed->bed, d.SysPath().c_str());
}

void CEmulatedUsbBus::Replug(int device)
{
    Device& d = *m_devices.at(static_cast<size_t>(device));
    d.printer->Replug();
    {
        std::lock_guard lock(d.mutex);
        d.present = true;
        d.address = m_nextAddress++;
    }
    Enumerate(d);
}

int CEmulatedUsbBus::Address(int device) const
{
    Device& d = *m_devices.at(static_cast<size_t>(device));
    std::lock_guard lock(d.mutex);
    return d.address;
}

int CEmulatedUsbBus::Resets(int device) const
{
    Device& d = *m_devices.at(static_cast<size_t>(device));
    std::lock_guard lock(d.mutex);
    return d.resets;
}

int CEmulatedUsbBus::Claims(int device) const
{
    Device& d = *m_devices.at(static_cast<size_t>(device));
    std::lock_guard lock(d.mutex);
    return d.claims;
}

int CEmulatedUsbBus::Transfers(int device) const
{
    Device& d = *m_devices.at(static_cast<size_t>(device));
    std::lock_guard lock(d.mutex);
    return d.transfers;
}

}  // namespace tavolux::sim

namespace tavolux::sim {

int CEmulatedUsbBus::Waiting(int device) const
{
    Device& d = *m_devices.at(static_cast<size_t>(device));
    std::lock_guard lock(d.mutex);
    int n = 0;
    for (const Urb& u : d.urbs) {
        n += u.finished ? 0 : 1;
    }
    return n;
}

}  // namespace tavolux::sim
