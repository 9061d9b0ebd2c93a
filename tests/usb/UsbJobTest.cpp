// Print jobs over libusb to the printer on the emulated bus, held against the same jobs on an
// in-process printer: the sheets must match drop for drop, and a job whose printer is pulled
// mid-pass must end as it does there.
#include <gtest/gtest.h>

#include <algorithm>

#include "device/RecordedStateDisplay.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/VirtualTransport.h"
#include "sim/setup/HeadsFromConfig.h"
#include "usb/UsbFixture.h"

using namespace tavolux;

namespace {

// A second printer on the in-process transport with its own device object and poll thread.
struct InProcessPrinter {
    explicit InProcessPrinter(const CPrinterConfig& config)
    {
        device =
            std::make_unique<CKtUSB>(config, std::make_unique<sim::CVirtualTransport>(printer));
        machine = std::make_unique<CMachineState>(&line);
        machine->BuildGate(config.params.Intercommunication);
        poller = std::make_unique<CStatusPoller>(*device, *machine, config, block, events);
        poller->SetWaitFunction([](int) {});
        poller->Start();
    }
    ~InProcessPrinter() { poller->Stop(); }

    std::shared_ptr<sim::CVirtualPrinter> printer = std::make_shared<sim::CVirtualPrinter>();
    test::RecordedStateDisplay line;
    PrinterStatusBlock block;
    ReplyEvents events;
    std::unique_ptr<CKtUSB> device;
    std::unique_ptr<CMachineState> machine;
    std::unique_ptr<CStatusPoller> poller;
};

class UsbJobTest : public test::UsbFixture {
protected:
    JobResult PrintOn(JobDevice env, sim::CVirtualPrinter& on, const JobRequest& request,
                      IJobRunnerObserver* observer = nullptr)
    {
        on.LoadMedia(sim::HeadsFromConfig(cfg.config), 300, 300);
        CRandomSource r(7);
        CJobRunner runner(env, r, observer);
        runner.SetLimits(Limits());
        return runner.RunCopies(request);
    }

    // The first places where the two sheets differ, empty when they match.
    static std::string Differences(const sim::CMediaSheet& a, const sim::CMediaSheet& b)
    {
        if (a.Width() != b.Width() || a.Height() != b.Height()) {
            return "sizes " + std::to_string(a.Width()) + "x" + std::to_string(a.Height()) +
                   " and " + std::to_string(b.Width()) + "x" + std::to_string(b.Height());
        }
        std::string out;
        int bad = 0;
        const auto channels = static_cast<int>(a.Tally().size());
        for (int c = 0; c < channels; ++c) {
            for (int y = 0; y < a.Height(); ++y) {
                for (int x = 0; x < a.Width(); ++x) {
                    if (a.DropsAt(c, x, y) != b.DropsAt(c, x, y) && bad++ < 3) {
                        out += " channel " + std::to_string(c) + " (" + std::to_string(x) + ", " +
                               std::to_string(y) + ")";
                    }
                }
            }
        }
        return bad > 0 ? out + ": " + std::to_string(bad) + " pixels" : "";
    }

    static int64_t Drops(const sim::CMediaSheet& sheet)
    {
        int64_t n = sheet.OutsideDrops();
        for (const auto& t : sheet.Tally()) {
            n += t.drops;
        }
        return n;
    }
};

TEST_F(UsbJobTest, AJobPrintsOverLibusbExactlyAsOnTheInProcessPrinter)
{
    ASSERT_NO_FATAL_FAILURE(StartPolling());
    InProcessPrinter twin(cfg.config);
    ASSERT_TRUE(Eventually([&] { return twin.machine->Get() == MachineState::Ready; }));
    const auto file = Image(48, 70, 5, "usb.prn");
    for (const int direction : {0, 1}) {
        JobRequest request;
        request.task = Task(file, 2, kMaskPass, direction);
        const JobResult overUsb = PrintOn(Env(), *printer, request);
        ASSERT_TRUE(overUsb.completed) << overUsb.error;
        const JobResult inProcess =
            PrintOn(JobDevice{cfg.config, *twin.device, *twin.machine, twin.events}, *twin.printer,
                    request);
        ASSERT_TRUE(inProcess.completed) << inProcess.error;
        const sim::CMediaSheet usbSheet = printer->Sheet();
        EXPECT_GT(Drops(usbSheet), 0);
        EXPECT_EQ(Differences(usbSheet, twin.printer->Sheet()), "") << "direction " << direction;
        EXPECT_EQ(printer->PassesDone(), twin.printer->PassesDone());
        EXPECT_EQ(printer->RasterBytes(), twin.printer->RasterBytes());
    }
}

// The cable pulled after a pass: the job ends unfinished with the same outcome as on the
// in-process printer, the poll thread sees the link go, and finds the printer when it returns.
TEST_F(UsbJobTest, APrinterPulledMidJobEndsTheJobAsInProcessAndIsFoundAgain)
{
    ASSERT_NO_FATAL_FAILURE(StartPolling());
    InProcessPrinter twin(cfg.config);
    ASSERT_TRUE(Eventually([&] { return twin.machine->Get() == MachineState::Ready; }));
    const auto file = Image(32, 120, 9, "pulled.prn");
    JobRequest request;
    request.task = Task(file, 2, kMaskPass);

    test::CopyObserver usbObserver;
    usbObserver.onPass = [&](int sent, int /*total*/) {
        if (sent == 2) {
            bus->Unplug(plugged);
        }
    };
    const JobResult overUsb = PrintOn(Env(), *printer, request, &usbObserver);

    test::CopyObserver twinObserver;
    twinObserver.onPass = [&](int sent, int /*total*/) {
        if (sent == 2) {
            twin.printer->Unplug();
        }
    };
    const JobResult inProcess =
        PrintOn(JobDevice{cfg.config, *twin.device, *twin.machine, twin.events}, *twin.printer,
                request, &twinObserver);

    EXPECT_FALSE(overUsb.completed);
    EXPECT_EQ(overUsb.completed, inProcess.completed);
    EXPECT_EQ(overUsb.stopped, inProcess.stopped);
    EXPECT_EQ(overUsb.resume, inProcess.resume);
    EXPECT_EQ(overUsb.resumeLine, inProcess.resumeLine);
    // Whichever thread meets the missing printer first says why: the feeder (the raster did
    // not go out) or the poll thread (the link went down).
    for (const JobResult* r : {&overUsb, &inProcess}) {
        EXPECT_TRUE(r->error == LoadResString(ids::kJobRasterNotSent) ||
                    r->error == LoadResString(ids::kJobPrinterOffline))
            << r->error;
    }
    EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::Offline; }));
    bus->Replug(plugged);
    EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
    // And it prints again.
    const JobResult again = PrintOn(Env(), *printer, request);
    EXPECT_TRUE(again.completed) << again.error;
}

}  // namespace
