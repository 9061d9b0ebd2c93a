// The printer on an emulated USB bus, reached through the real libusb: the device object, poll
// thread and print job of the job fixture, over CUsbTransport instead of the in-process one.
#pragma once

#include <memory>

#include "device/UsbTransport.h"
#include "job/JobFixture.h"
#include "sim/usbmock/EmulatedUsbBus.h"
#include "usb/UsbEmulation.h"

namespace tavolux::test {

class UsbFixture : public JobFixture {
protected:
    UsbFixture()
    {
        makeTransport = [this] {
            auto t =
                std::make_unique<CUsbTransport>(cfg.config.UsbVendorId, cfg.config.UsbProductId);
            usb = t.get();
            return t;
        };
    }
    ~UsbFixture() override
    {
        // libusb lets the device go before the bus that emulates it ends.
        poller.reset();
        device.reset();
    }

    void SetUp() override
    {
        if (!UsbEmulationProblem().empty()) {
            GTEST_SKIP() << UsbEmulationProblem();
        }
    }
    void TearDown() override
    {
        if (poller) {
            poller->Stop();
        }
    }

    // The fixture's printer at the configured ids (the defaults unless a test set others).
    void PlugPrinter() { plugged = bus->Plug(printer, kDefaultUsbVendorId, kDefaultUsbProductId); }
    // The job fixture's set-up over USB: device object, poll thread, printer ready.
    void StartPolling()
    {
        PlugPrinter();
        JobFixture::SetUp();
    }

    std::unique_ptr<sim::CEmulatedUsbBus> bus = BusIfUsable();
    int plugged = -1;
    CUsbTransport* usb = nullptr;  // owned by the device object
};

}  // namespace tavolux::test
