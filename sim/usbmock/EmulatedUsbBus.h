// Virtual printers as USB devices for the real libusb: a umockdev testbed holds their sysfs
// entries and device nodes, and the usbdevfs requests libusb sends to a node are answered by the
// printer behind it. Works only in a process that runs under umockdev's preload library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/VirtualPrinter.h"

namespace tavolux::sim {

class CEmulatedUsbBus {
public:
    // True when this process runs under umockdev's preload library; otherwise why not.
    static bool Available(std::string& why);

    // Starts an empty bus (a fresh testbed). Call only when Available.
    CEmulatedUsbBus();
    ~CEmulatedUsbBus();
    CEmulatedUsbBus(const CEmulatedUsbBus&) = delete;
    CEmulatedUsbBus& operator=(const CEmulatedUsbBus&) = delete;

    // Plugs the printer in as a device with these ids; its configuration lists the printer's
    // endpoints (as the printer reports them now) on interface 0. address 0 takes the next free
    // device address, as the host assigns them. Returns the device's number on this bus.
    int Plug(std::shared_ptr<CVirtualPrinter> printer, int vendorId, int productId,
             int address = 0);
    // Pulls the cable: the printer goes away, transfers under way end with "no device" and the
    // device leaves the bus. Unannounced, the host hears nothing of it, as when its removal
    // event has not come through yet: libusb keeps listing the device.
    void Unplug(int device, bool announced = true);
    // Plugs it back in; it enumerates again at a new address.
    void Replug(int device);

    int Address(int device) const;
    // Port resets the device received, and interface claims.
    int Resets(int device) const;
    int Claims(int device) const;
    // Transfers the printer behind the device finished, and those waiting for it.
    int Transfers(int device) const;
    int Waiting(int device) const;

    struct Device;

private:
    void Enumerate(Device& d);  // adds the device's sysfs entry and node at its address

    struct Testbed;
    std::unique_ptr<Testbed> m_testbed;
    std::vector<std::unique_ptr<Device>> m_devices;
    int m_nextAddress = 2;  // 1 is the root hub
    int m_sysIndex = 0;     // the last sysfs entry made
};

}  // namespace tavolux::sim
