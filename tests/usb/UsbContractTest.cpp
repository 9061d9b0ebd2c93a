// The transport contract over the real libusb, against printers on the emulated USB bus.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/TransportContract.h"
#include "device/UsbTransport.h"
#include "sim/usbmock/EmulatedUsbBus.h"
#include "usb/UsbEmulation.h"

namespace tavolux::test {

namespace {

constexpr int kVendor = 0x04B4;
constexpr int kProduct = 0x1004;

// What every libusb kind shares: the bus (null where it cannot work) and the printer.
struct LibusbKind {
    static bool Unavailable(std::string& why)
    {
        why = UsbEmulationProblem();
        return !why.empty();
    }
    std::unique_ptr<sim::CEmulatedUsbBus> bus = BusIfUsable();
    std::shared_ptr<sim::CVirtualPrinter> printer = std::make_shared<sim::CVirtualPrinter>();
};

// The printer plugged in at the ids the transport looks for.
struct LibusbPrinterPresent : LibusbKind {
    static constexpr bool kPresent = true;
    std::unique_ptr<ITransport> Make()
    {
        if (bus) {
            bus->Plug(printer, kVendor, kProduct);
        }
        return std::make_unique<CUsbTransport>(kVendor, kProduct);
    }
};

// The printer was plugged in and pulled out again before the transport looked.
struct LibusbPrinterPulled : LibusbKind {
    static constexpr bool kPresent = false;
    std::unique_ptr<ITransport> Make()
    {
        if (bus) {
            bus->Unplug(bus->Plug(printer, kVendor, kProduct));
        }
        return std::make_unique<CUsbTransport>(kVendor, kProduct);
    }
};

// A printer on the bus, but with another product id than the one looked for.
struct LibusbOtherProduct : LibusbKind {
    static constexpr bool kPresent = false;
    std::unique_ptr<ITransport> Make()
    {
        if (bus) {
            bus->Plug(printer, kVendor, kProduct + 1);
        }
        return std::make_unique<CUsbTransport>(kVendor, kProduct);
    }
};

using LibusbKinds = ::testing::Types<LibusbPrinterPresent, LibusbPrinterPulled, LibusbOtherProduct>;

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Libusb, TransportContract, LibusbKinds);

}  // namespace tavolux::test
