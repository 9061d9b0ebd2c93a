// One contract for every transport: the virtual printer's (with and without a printer) and
// libusb's with no printer attached.
#include <gtest/gtest.h>

#include <memory>

#include "device/Protocol.h"
#include "device/TransportContract.h"
#include "device/UsbTransport.h"
#include "sim/SocketTransport.h"
#include "sim/VirtualPrinterServer.h"
#include "sim/VirtualTransport.h"
#include "support/TempDir.h"

namespace tavolux::test {

namespace {

// Each kind makes a transport and says whether a printer is behind it.
struct VirtualPrinterPresent {
    static constexpr bool kPresent = true;
    std::shared_ptr<sim::CVirtualPrinter> printer = std::make_shared<sim::CVirtualPrinter>();
    std::unique_ptr<ITransport> Make() { return std::make_unique<sim::CVirtualTransport>(printer); }
};

struct VirtualPrinterUnplugged {
    static constexpr bool kPresent = false;
    std::shared_ptr<sim::CVirtualPrinter> printer = std::make_shared<sim::CVirtualPrinter>();
    std::unique_ptr<ITransport> Make()
    {
        printer->Unplug();
        return std::make_unique<sim::CVirtualTransport>(printer);
    }
};

// The virtual printer as its own server, reached over its socket.
struct SocketPrinterPresent {
    static constexpr bool kPresent = true;
    TempDir dir;
    std::shared_ptr<sim::CVirtualPrinter> printer = std::make_shared<sim::CVirtualPrinter>();
    sim::CVirtualPrinterServer server{printer, (dir.Path() / "vp.sock").string()};
    std::unique_ptr<ITransport> Make()
    {
        EXPECT_EQ(server.Start(), sim::ServerStartError::None);
        return std::make_unique<sim::CSocketTransport>((dir.Path() / "vp.sock").string());
    }
};

// A socket path where no virtual printer listens.
struct SocketNobodyListening {
    static constexpr bool kPresent = false;
    TempDir dir;
    std::unique_ptr<ITransport> Make()
    {
        return std::make_unique<sim::CSocketTransport>((dir.Path() / "none.sock").string());
    }
};

// A vendor and product id that no printer uses, so the test machine's USB bus has no match.
struct LibusbNoPrinter {
    static constexpr bool kPresent = false;
    std::unique_ptr<ITransport> Make() { return std::make_unique<CUsbTransport>(0xFFFF, 0xFFFE); }
};

}  // namespace

using TransportKinds =
    ::testing::Types<VirtualPrinterPresent, VirtualPrinterUnplugged, SocketPrinterPresent,
                     SocketNobodyListening, LibusbNoPrinter>;
INSTANTIATE_TYPED_TEST_SUITE_P(Every, TransportContract, TransportKinds);

}  // namespace tavolux::test
