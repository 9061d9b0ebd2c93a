// One contract for every transport: the virtual printer's (with and without a printer) and
// libusb's with no printer attached.
#include <gtest/gtest.h>

#include <memory>

#include "device/Protocol.h"
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

template <class Kind>
class TransportContract : public ::testing::Test {
protected:
    Kind kind;
    std::unique_ptr<ITransport> transport = kind.Make();
};

using TransportKinds =
    ::testing::Types<VirtualPrinterPresent, VirtualPrinterUnplugged, SocketPrinterPresent,
                     SocketNobodyListening, LibusbNoPrinter>;
TYPED_TEST_SUITE(TransportContract, TransportKinds);

TYPED_TEST(TransportContract, ClosedTransportMovesNothing)
{
    ITransport& t = *this->transport;
    EXPECT_FALSE(t.IsOpen());
    EXPECT_TRUE(t.Endpoints().empty());
    const uint8_t request = wire::cmd::kStatusRequest;
    int moved = 7;
    EXPECT_NE(t.BulkWrite(wire::kCommandOut, &request, 1, 100, moved), TransportError::None);
    EXPECT_EQ(moved, 0);
    uint8_t buffer[512];
    moved = 7;
    EXPECT_NE(t.BulkRead(wire::kReplyIn, buffer, 512, 100, moved), TransportError::None);
    EXPECT_EQ(moved, 0);
    t.ResetPort();
    t.Close();
    t.Close();
}

TYPED_TEST(TransportContract, OpenFindsThePrinterOrSaysWhyNot)
{
    ITransport& t = *this->transport;
    const TransportError e = t.Open();
    EXPECT_EQ(e == TransportError::None, TypeParam::kPresent) << TransportErrorText(e);
    EXPECT_EQ(t.IsOpen(), TypeParam::kPresent);
    if (!TypeParam::kPresent) {
        EXPECT_TRUE(t.Endpoints().empty());
        return;
    }
    const auto eps = t.Endpoints();
    ASSERT_EQ(eps.size(), 4u);
    EXPECT_EQ(eps[0].address, wire::kDataOut);
    EXPECT_EQ(eps[1].address, wire::kCommandOut);
    EXPECT_EQ(eps[2].address, wire::kReplyIn);
    EXPECT_EQ(eps[3].address, wire::kAuxIn);
    // A status request and its reply round trip.
    const uint8_t request = wire::cmd::kStatusRequest;
    int moved = 0;
    EXPECT_EQ(t.BulkWrite(wire::kCommandOut, &request, 1, 100, moved), TransportError::None);
    EXPECT_EQ(moved, 1);
    uint8_t buffer[512];
    EXPECT_EQ(t.BulkRead(wire::kReplyIn, buffer, 512, 1000, moved), TransportError::None);
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(buffer[0], wire::reply::kNothing);
    // Reopening keeps the printer usable; closing makes it unusable.
    EXPECT_EQ(t.Open(), TransportError::None);
    EXPECT_TRUE(t.IsOpen());
    t.Close();
    EXPECT_FALSE(t.IsOpen());
    EXPECT_NE(t.BulkWrite(wire::kCommandOut, &request, 1, 100, moved), TransportError::None);
}

}  // namespace tavolux::test
