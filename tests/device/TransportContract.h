// The contract every transport keeps, as a type-parameterised suite: each kind makes a
// transport (Make) and says whether a printer is behind it (kPresent). A test program
// instantiates it for its kinds with INSTANTIATE_TYPED_TEST_SUITE_P.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <utility>

#include "device/Protocol.h"
#include "device/Transport.h"
#include "sim/VirtualPrinter.h"

namespace tavolux::test {

// A kind may also have a static Unavailable(std::string& why): true when it cannot run here,
// and then every test of the kind is skipped with the reason.
template <class Kind>
class TransportContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        if constexpr (requires(std::string & why) { Kind::Unavailable(why); }) {
            std::string why;
            if (Kind::Unavailable(why)) {
                GTEST_SKIP() << why;
            }
        }
    }

    Kind kind;
    std::unique_ptr<ITransport> transport = kind.Make();
};

TYPED_TEST_SUITE_P(TransportContract);

TYPED_TEST_P(TransportContract, ClosedTransportMovesNothing)
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

TYPED_TEST_P(TransportContract, OpenFindsThePrinterOrSaysWhyNot)
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

// A printer that takes nothing and says nothing: every transfer gives up as a time-out within
// its time-out, 0 ms included, instead of waiting without end.
TYPED_TEST_P(TransportContract, TransfersWithASilentPrinterEndInTheirTimeOut)
{
    if constexpr (TypeParam::kPresent) {
        ITransport& t = *this->transport;
        ASSERT_EQ(t.Open(), TransportError::None);
        this->kind.printer->SetMute(true);
        for (const bool write : {true, false}) {
            for (const int timeoutMs : {0, 1, 150}) {
                auto transfer = std::async(std::launch::async, [&] {
                    uint8_t buffer[512] = {wire::cmd::kStatusRequest};
                    int moved = 7;
                    const TransportError e =
                        write ? t.BulkWrite(wire::kCommandOut, buffer, 1, timeoutMs, moved)
                              : t.BulkRead(wire::kReplyIn, buffer, 512, timeoutMs, moved);
                    return std::make_pair(e, moved);
                });
                if (transfer.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
                    t.Interrupt();  // lets the transfer end so that the test can
                    ADD_FAILURE() << (write ? "a write" : "a read") << " with a time-out of "
                                  << timeoutMs << " ms did not end";
                    return;
                }
                const auto [e, moved] = transfer.get();
                EXPECT_EQ(e, TransportError::Timeout)
                    << TransportErrorText(e) << ", " << (write ? "write " : "read ") << timeoutMs;
                EXPECT_EQ(moved, 0);
            }
        }
    }
}

// What the printer does wrong comes through every transport as it happened: a write it takes
// only half of, a reply longer than the read, a write to an endpoint it has no use for.
TYPED_TEST_P(TransportContract, ThePrintersFaultsComeThroughAsTheyHappened)
{
    if constexpr (TypeParam::kPresent) {
        ITransport& t = *this->transport;
        ASSERT_EQ(t.Open(), TransportError::None);
        sim::CVirtualPrinter& printer = *this->kind.printer;
        const uint8_t raster[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        int moved = 0;
        printer.ShortenNextWrites(1);
        EXPECT_EQ(t.BulkWrite(wire::kDataOut, raster, 8, 1000, moved), TransportError::None);
        EXPECT_EQ(moved, 4) << "a short write";
        EXPECT_EQ(t.BulkWrite(wire::kDataOut, raster, 8, 1000, moved), TransportError::None);
        EXPECT_EQ(moved, 8) << "the write after it";

        const uint8_t request = wire::cmd::kStatusRequest;
        ASSERT_EQ(t.BulkWrite(wire::kCommandOut, &request, 1, 1000, moved), TransportError::None);
        printer.OversizeNextReply();
        uint8_t reply[512];
        EXPECT_EQ(t.BulkRead(wire::kReplyIn, reply, 512, 1000, moved), TransportError::Overflow);
        EXPECT_EQ(moved, 512) << "an oversized reply";

        EXPECT_EQ(t.BulkWrite(wire::kAuxIn & 0x7F, raster, 8, 1000, moved) == TransportError::None,
                  false)
            << "a write to an endpoint the printer does not have";
        EXPECT_EQ(moved, 0);
        // And the printer is still there.
        ASSERT_EQ(t.BulkWrite(wire::kCommandOut, &request, 1, 1000, moved), TransportError::None);
        EXPECT_EQ(t.BulkRead(wire::kReplyIn, reply, 512, 1000, moved), TransportError::None);
        EXPECT_EQ(moved, 1);
    }
}

REGISTER_TYPED_TEST_SUITE_P(TransportContract, ClosedTransportMovesNothing,
                            OpenFindsThePrinterOrSaysWhyNot,
                            TransfersWithASilentPrinterEndInTheirTimeOut,
                            ThePrintersFaultsComeThroughAsTheyHappened);

}  // namespace tavolux::test
