// The printer session: polling starts only when the printer talks to the program, closing is
// refused while the machine is busy, and shutting down releases the printer.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "config/ConfigFixture.h"
#include "device/PrinterStatusBlock.h"
#include "device/ReplyEvents.h"
#include "sim/VirtualTransport.h"
#include "uimodel/PrinterSession.h"

namespace tavolux::test {

namespace {

template <class F>
bool Eventually(F condition)
{
    for (int i = 0; i < 2000 && !condition(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

}  // namespace

TEST(PrinterSession, PollsAnAttachedPrinterAndClosesOnlyWhenIdle)
{
    ConfigFixture cfg;
    cfg.Set("P", "Intercommunication", "1");
    cfg.config.LoadConfig();
    auto printer = std::make_shared<sim::CVirtualPrinter>();
    auto transport = std::make_unique<sim::CVirtualTransport>(printer);
    sim::CVirtualTransport* t = transport.get();
    PrinterStatusBlock block;
    ReplyEvents events;
    CManualClock clock;
    CPrinterSession session(cfg.config, std::move(transport), block, events, clock);
    session.Poller().SetWaitFunction([](int) {});
    ASSERT_TRUE(session.StartPolling());
    EXPECT_TRUE(Eventually([&] { return session.Machine().Get() == MachineState::Ready; }));
    EXPECT_EQ(session.StateLine().StateText(), "就绪");
    EXPECT_TRUE(session.CanClose());
    ASSERT_TRUE(session.Machine().Gate(gate::kPrint));
    EXPECT_FALSE(session.CanClose());
    session.Machine().Set(MachineState::Ready);
    session.Shutdown();
    EXPECT_TRUE(session.Poller().StopPolling());
    EXPECT_FALSE(t->IsOpen());
    EXPECT_FALSE(session.StartPolling());
}

TEST(PrinterSession, NoPollingWithoutIntercommunication)
{
    ConfigFixture cfg;
    cfg.Set("P", "Intercommunication", "0");
    cfg.config.LoadConfig();
    auto printer = std::make_shared<sim::CVirtualPrinter>();
    PrinterStatusBlock block;
    ReplyEvents events;
    CPrinterSession session(cfg.config, std::make_unique<sim::CVirtualTransport>(printer), block,
                            events);
    EXPECT_FALSE(session.StartPolling());
    EXPECT_FALSE(session.Machine().Gate(gate::kFlash));
    EXPECT_EQ(session.StateLine().Notice(), "功能无效");
    EXPECT_TRUE(printer->Commands().empty());
}

}  // namespace tavolux::test
