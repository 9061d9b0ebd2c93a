// The device object over libusb to printers on the emulated bus: which device it takes, the
// endpoint check, time-outs, a pulled cable, the reconnect and the port reset.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "device/Protocol.h"
#include "usb/UsbFixture.h"

using namespace tavolux;

namespace {

class UsbDeviceTest : public test::UsbFixture {
protected:
    // A device object of its own over libusb, with the configuration's ids.
    std::unique_ptr<CKtUSB> NewDevice()
    {
        cfg.config.LoadConfig();
        return std::make_unique<CKtUSB>(
            cfg.config,
            std::make_unique<CUsbTransport>(cfg.config.UsbVendorId, cfg.config.UsbProductId));
    }
};

struct IdCase {
    const char* name;
    const char* vendorKey;  // UsbVendorId and UsbProductId in the file; empty: not set
    const char* productKey;
    int vendor;  // the ids the printer is plugged in with
    int product;
    bool found;
};

constexpr IdCase kIdCases[] = {
    {"default ids", "", "", kDefaultUsbVendorId, kDefaultUsbProductId, true},
    {"configured ids", "1A2B", "3C4D", 0x1A2B, 0x3C4D, true},
    {"printer at the default ids, others configured", "1A2B", "3C4D", kDefaultUsbVendorId,
     kDefaultUsbProductId, false},
    {"another vendor", "", "", kDefaultUsbVendorId + 1, kDefaultUsbProductId, false},
    {"another product", "", "", kDefaultUsbVendorId, kDefaultUsbProductId + 1, false},
    {"ids swapped", "", "", kDefaultUsbProductId, kDefaultUsbVendorId, false},
};

TEST_F(UsbDeviceTest, ThePrinterIsFoundByTheConfiguredIdsOnly)
{
    for (const IdCase& c : kIdCases) {
        cfg.Set("SYSTEM", "UsbVendorId", c.vendorKey);
        cfg.Set("SYSTEM", "UsbProductId", c.productKey);
        auto p = std::make_shared<sim::CVirtualPrinter>();
        const int at = bus->Plug(p, c.vendor, c.product);
        auto dev = NewDevice();
        EXPECT_EQ(dev->Open(), c.found ? 1 : 0) << c.name;
        EXPECT_EQ(dev->CheckLink(), c.found ? wire::kLinkUp : wire::kLinkDown) << c.name;
        EXPECT_EQ(p->StatusRequests(), c.found ? 1 : 0) << c.name;
        EXPECT_EQ(dev->LastOpenError(), c.found ? TransportError::None : TransportError::NoDevice)
            << c.name;
        dev.reset();
        bus->Unplug(at);
    }
}

// The printer taken is the one the host enumerated first (the lowest address), as the driver's
// device 0; the other one with the same ids is left alone.
TEST_F(UsbDeviceTest, OfTwoPrintersWithTheSameIdsTheFirstEnumeratedIsTakenAndTheOtherLeftAlone)
{
    for (const bool firstPluggedFirst : {true, false}) {
        auto first = std::make_shared<sim::CVirtualPrinter>();
        auto second = std::make_shared<sim::CVirtualPrinter>();
        const int a = firstPluggedFirst
                          ? bus->Plug(first, kDefaultUsbVendorId, kDefaultUsbProductId, 20)
                          : bus->Plug(second, kDefaultUsbVendorId, kDefaultUsbProductId, 40);
        const int b = firstPluggedFirst
                          ? bus->Plug(second, kDefaultUsbVendorId, kDefaultUsbProductId, 40)
                          : bus->Plug(first, kDefaultUsbVendorId, kDefaultUsbProductId, 20);
        const int at = firstPluggedFirst ? a : b;
        const int other = firstPluggedFirst ? b : a;
        auto dev = NewDevice();
        ASSERT_EQ(dev->Open(), 1);
        EXPECT_EQ(dev->CheckLink(), wire::kLinkUp);
        EXPECT_EQ(first->StatusRequests(), 1) << "plugged in first: " << firstPluggedFirst;
        EXPECT_EQ(second->StatusRequests(), 0) << "plugged in first: " << firstPluggedFirst;
        EXPECT_GE(bus->Claims(at), 1);
        EXPECT_EQ(bus->Claims(other), 0);
        dev.reset();
        bus->Unplug(a);
        bus->Unplug(b);
    }
}

struct EndpointCase {
    const char* name;
    std::vector<EndpointInfo> endpoints;
    int open;  // Open's result
    int link;  // CheckLink's after it
};

const EndpointCase kEndpointCases[] = {
    {"the printer's", {{0x02, 2}, {0x04, 2}, {0x86, 2}, {0x88, 2}}, 1, wire::kLinkUp},
    {"another order", {{0x04, 2}, {0x02, 2}, {0x86, 2}, {0x88, 2}}, 1, wire::kLinkDown},
    {"auxiliary endpoint missing", {{0x02, 2}, {0x04, 2}, {0x86, 2}}, 1, wire::kLinkDown},
    {"command endpoint an interrupt one",
     {{0x02, 2}, {0x04, 3}, {0x86, 2}, {0x88, 2}},
     1,
     wire::kLinkDown},
    {"other addresses", {{0x01, 2}, {0x03, 2}, {0x81, 2}, {0x82, 2}}, 1, wire::kLinkDown},
    {"no bulk in endpoint", {{0x02, 2}, {0x04, 2}, {0x86, 3}}, 0, wire::kLinkDown},
};

TEST_F(UsbDeviceTest, TheEndpointCheckRefusesADeviceWhoseEndpointsDiffer)
{
    for (const EndpointCase& c : kEndpointCases) {
        auto p = std::make_shared<sim::CVirtualPrinter>();
        p->SetEndpoints(c.endpoints);
        const int at = bus->Plug(p, kDefaultUsbVendorId, kDefaultUsbProductId);
        auto dev = NewDevice();
        EXPECT_EQ(dev->Open(), c.open) << c.name;
        EXPECT_EQ(dev->CheckLink(), c.link) << c.name;
        const bool usable = c.link == wire::kLinkUp;
        const uint8_t raster[4] = {1, 2, 3, 4};
        EXPECT_EQ(dev->WriteDataBytes(raster, 4, 1000), usable ? 4 : 0) << c.name;
        uint8_t reply[512];
        EXPECT_EQ(dev->ReadReplyBytes(reply, 512, 1000), usable ? 1 : 0) << c.name;
        // A refused transfer never reaches the bus.
        EXPECT_EQ(bus->Transfers(at), usable ? 3 : 0) << c.name;
        dev.reset();
        bus->Unplug(at);
    }
}

TEST_F(UsbDeviceTest, ATransferToAPrinterThatTakesNothingTimesOut)
{
    cfg.Set("P", "CommandTimeout", "200");
    PlugPrinter();
    ASSERT_NO_FATAL_FAILURE(Build());
    ASSERT_EQ(device->CheckLink(), wire::kLinkUp);
    printer->SetMute(true);
    EXPECT_EQ(device->CheckLink(), wire::kLinkDown);
    EXPECT_EQ(device->SendCommand(wire::op::kFeedMedia, 100), -1);
    uint8_t reply[512];
    EXPECT_EQ(device->ReadReplyBytes(reply, 512, 200), 0);
    EXPECT_EQ(bus->Waiting(plugged), 0) << "a timed-out transfer stays on the bus";
    // It answers again once it takes the request.
    printer->SetMute(false);
    EXPECT_EQ(device->CheckLink(), wire::kLinkUp);
    EXPECT_EQ(device->ReadReplyBytes(reply, 512, 1000), 1);
}

// A read waiting for the printer ends with "no device" when the cable is pulled, not after its
// time-out; the device comes back at a new address and is found there.
TEST_F(UsbDeviceTest, APulledCableEndsTheTransferUnderWayAndTheReturningPrinterIsFoundAgain)
{
    PlugPrinter();
    CUsbTransport t(kDefaultUsbVendorId, kDefaultUsbProductId);
    ASSERT_EQ(t.Open(), TransportError::None);
    auto read = std::async(std::launch::async, [&] {
        uint8_t buffer[512];
        int moved = 0;
        // Nothing was asked: the printer stays silent and the read waits.
        return t.BulkRead(wire::kReplyIn, buffer, 512, 120000, moved);
    });
    ASSERT_TRUE(Eventually([&] { return bus->Waiting(plugged) == 1; }));
    const int oldAddress = bus->Address(plugged);
    bus->Unplug(plugged);
    ASSERT_EQ(read.wait_for(std::chrono::milliseconds(test::kGenerousMs)),
              std::future_status::ready);
    EXPECT_EQ(read.get(), TransportError::NoDevice);
    uint8_t request = wire::cmd::kStatusRequest;
    int moved = 0;
    EXPECT_EQ(t.BulkWrite(wire::kCommandOut, &request, 1, 100, moved), TransportError::NoDevice);
    EXPECT_EQ(t.Open(), TransportError::NoDevice);
    bus->Replug(plugged);
    EXPECT_NE(bus->Address(plugged), oldAddress);
    ASSERT_EQ(t.Open(), TransportError::None);
    EXPECT_EQ(t.BulkWrite(wire::kCommandOut, &request, 1, 100, moved), TransportError::None);
    EXPECT_EQ(moved, 1);
}

// A program that is stopping cuts a transfer waiting for the printer short: libusb discards it
// on the bus instead of waiting out its time-out.
TEST_F(UsbDeviceTest, AnInterruptEndsATransferThatWaitsForThePrinter)
{
    PlugPrinter();
    CUsbTransport t(kDefaultUsbVendorId, kDefaultUsbProductId);
    ASSERT_EQ(t.Open(), TransportError::None);
    auto read = std::async(std::launch::async, [&] {
        uint8_t buffer[512];
        int moved = 0;
        return t.BulkRead(wire::kReplyIn, buffer, 512, 120000, moved);
    });
    ASSERT_TRUE(Eventually([&] { return bus->Waiting(plugged) == 1; }));
    t.Interrupt();
    ASSERT_EQ(read.wait_for(std::chrono::milliseconds(test::kGenerousMs)),
              std::future_status::ready);
    EXPECT_EQ(read.get(), TransportError::Interrupted);
    EXPECT_EQ(bus->Waiting(plugged), 0);
    EXPECT_EQ(t.Open(), TransportError::Interrupted);
}

// libusb may still list a printer that was pulled a moment ago (its removal not processed yet)
// beside the same printer come back at a new address: the one that is there is taken.
TEST_F(UsbDeviceTest, APulledPrinterStillListedIsPassedOverForTheOneThatIsThere)
{
    PlugPrinter();
    CUsbTransport t(kDefaultUsbVendorId, kDefaultUsbProductId);
    ASSERT_EQ(t.Open(), TransportError::None);
    t.Close();
    bus->Unplug(plugged, false);
    bus->Replug(plugged);
    // The arrival reaches libusb's list on its own thread.
    EXPECT_TRUE(Eventually([&] { return t.Open() == TransportError::None; }));
    uint8_t request = wire::cmd::kStatusRequest;
    int moved = 0;
    EXPECT_EQ(t.BulkWrite(wire::kCommandOut, &request, 1, 100, moved), TransportError::None);
    EXPECT_EQ(printer->StatusRequests(), 1);
}

TEST_F(UsbDeviceTest, ThePollThreadReconnectsWhenThePulledPrinterReturns)
{
    ASSERT_NO_FATAL_FAILURE(StartPolling());
    const int resetsBefore = printer->LoneCommands(wire::cmd::kReset);
    bus->Unplug(plugged);
    EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::Offline; }));
    bus->Replug(plugged);
    EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
    // Back through the reconnect routine, which resets the printer.
    EXPECT_GT(printer->LoneCommands(wire::cmd::kReset), resetsBefore);
}

TEST_F(UsbDeviceTest, ClosingResetsThePortAndThePrinterStaysUsable)
{
    PlugPrinter();
    ASSERT_NO_FATAL_FAILURE(Build());
    EXPECT_EQ(bus->Resets(plugged), 0);
    ASSERT_EQ(device->Reopen(), 1);
    EXPECT_EQ(bus->Resets(plugged), 1);
    EXPECT_EQ(device->CheckLink(), wire::kLinkUp);
    device->Close();
    EXPECT_EQ(bus->Resets(plugged), 2);
    EXPECT_EQ(device->CheckLink(), wire::kLinkDown);
    ASSERT_EQ(device->Open(), 1);
    EXPECT_EQ(device->CheckLink(), wire::kLinkUp);
}

}  // namespace
