// The hand-over a print job relies on: commands from the job's thread, replies through the
// poll thread's events, against the virtual printer.
#include "device/PollerFixture.h"
#include "device/Protocol.h"

namespace tavolux::test {

class JobHandshake : public PollerFixture {};

TEST_F(JobHandshake, SyncFeedPassesAndInPrintFlash)
{
    Build();
    poller->Start();
    ASSERT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
    ASSERT_TRUE(machine->Gate(gate::kPrint));

    EXPECT_EQ(device->SendCommand(wire::op::kSyncRequest, -1), 1);
    EXPECT_TRUE(events.SyncAck.Wait(kGenerousMs));
    EXPECT_EQ(device->SendCommand(wire::op::kFeedMedia, 5000), 0);
    EXPECT_TRUE(events.MoveDone.Wait(kGenerousMs));
    EXPECT_TRUE(events.MoveDone2.Wait(0));

    JobParameters job;
    job.FireDivisor = 720;
    device->SetJobParameters(job);
    EXPECT_EQ(device->SendJobSetup(), 1);
    EXPECT_EQ(device->SendCommand(wire::op::kBeginJob, -1), 1);
    std::vector<uint8_t> raster(4096, 0xA5);
    for (int pass = 0; pass < 3; ++pass) {
        PassDescriptor d;
        d[PassDescriptor::kTravel] = 1000;
        d[PassDescriptor::kDirection] = pass % 2;
        EXPECT_EQ(device->SendData(raster.data(), static_cast<int>(raster.size())), 4096);
        EXPECT_EQ(device->SendPassHeader(&d), 1);
        EXPECT_TRUE(events.PassDone.Wait(kGenerousMs)) << "pass " << pass;
    }
    EXPECT_EQ(device->SendCommand(wire::op::kInPrintFlash, -1), 1);
    EXPECT_TRUE(events.PassAck.Wait(kGenerousMs));

    // A stalled pass leaves the waiter to its own time-out.
    printer->StallNextPass();
    PassDescriptor d;
    EXPECT_EQ(device->SendPassHeader(&d), 1);
    EXPECT_FALSE(events.PassDone.Wait(50));

    EXPECT_EQ(device->SendCommand(wire::op::kEndJob, -1), 1);
    EXPECT_EQ(printer->PassesDone(), 4);
    EXPECT_EQ(printer->RasterBytes(), 3 * 4096);
    EXPECT_EQ(machine->Get(), MachineState::Printing);
    poller->Stop();
}

}  // namespace tavolux::test
