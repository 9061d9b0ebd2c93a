// Whether printers on the emulated USB bus can be reached through libusb in this process; the
// USB tests skip with the reason where they cannot.
#pragma once

#include <libusb.h>

#include <memory>
#include <string>

#include "sim/usbmock/EmulatedUsbBus.h"

namespace tavolux::test {

// Empty when the emulation works here, else why not. Found out once per process.
inline const std::string& UsbEmulationProblem()
{
    static const std::string problem = [] {
        std::string why;
        if (!sim::CEmulatedUsbBus::Available(why)) {
            return "USB emulation unavailable: " + why;
        }
        // libusb must list an emulated device; where it cannot (no udev library, a sandbox that
        // hides the testbed from it), nothing here can be tested.
        sim::CEmulatedUsbBus bus;
        bus.Plug(std::make_shared<sim::CVirtualPrinter>(), 0x1234, 0x5678);
        libusb_context* context = nullptr;
        if (libusb_init(&context) != 0) {
            return std::string("USB emulation unavailable: libusb does not start");
        }
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(context, &list);
        if (count >= 0) {
            libusb_free_device_list(list, 1);
        }
        libusb_exit(context);
        if (count != 1) {
            return "USB emulation unavailable: libusb lists " + std::to_string(count) +
                   " devices on the emulated bus instead of 1";
        }
        return std::string();
    }();
    return problem;
}

// The bus, or null where the emulation does not work (the test is skipped then).
inline std::unique_ptr<sim::CEmulatedUsbBus> BusIfUsable()
{
    return UsbEmulationProblem().empty() ? std::make_unique<sim::CEmulatedUsbBus>() : nullptr;
}

}  // namespace tavolux::test
