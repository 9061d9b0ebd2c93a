// The printer session: polling starts only when the printer talks to the program, closing is
// refused while the machine is busy, shutting down releases the printer, and the observers that
// views hang on may call back into their subjects.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "config/ConfigFixture.h"
#include "device/PrinterStatusBlock.h"
#include "device/Protocol.h"
#include "device/ReplyEvents.h"
#include "res/StringTable.h"
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

// A session on a virtual printer, kept alive by whoever holds it.
struct Rig {
    explicit Rig(int intercommunication = 1)
    {
        cfg.Set("P", "Intercommunication", std::to_string(intercommunication));
        cfg.config.LoadConfig();
        auto transport = std::make_unique<sim::CVirtualTransport>(printer);
        link = transport.get();
        session = std::make_unique<CPrinterSession>(cfg.config, std::move(transport), block, events,
                                                    clock);
    }
    ConfigFixture cfg;
    PrinterStatusBlock block;
    ReplyEvents events;
    CManualClock clock;
    std::shared_ptr<sim::CVirtualPrinter> printer = std::make_shared<sim::CVirtualPrinter>();
    sim::CVirtualTransport* link = nullptr;
    std::unique_ptr<CPrinterSession> session;
};

// Runs f on a thread of its own; false when it has not returned within 10 s (a deadlock). The
// stuck thread keeps the rig alive so that the test can report instead of crash.
bool ReturnsWithoutDeadlock(const std::shared_ptr<Rig>& rig,
                            const std::function<void(CPrinterSession&)>& f)
{
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    std::thread([rig, f, done] {
        f(*rig->session);
        done->set_value();
    }).detach();
    return finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
}

}  // namespace

// Each observer may call back into its subject, or wait for another thread that uses it (a view
// handing work to the UI thread and waiting), without a deadlock.
TEST(PrinterSession, ObserversMayCallBackIntoTheirSubject)
{
    const std::pair<const char*, std::function<void(CPrinterSession&)>> cases[] = {
        {"machine observer sets the state",
         [](CPrinterSession& s) {
             s.Machine().SetObserver([&s](MachineState state) {
                 if (state == MachineState::Offline) {
                     s.Machine().Set(MachineState::Ready);
                 }
             });
             s.Machine().Set(MachineState::Offline);
         }},
        {"machine observer removes itself",
         [](CPrinterSession& s) {
             s.Machine().SetObserver([&s](MachineState) { s.Machine().SetObserver(nullptr); });
             s.Machine().Set(MachineState::Ready);
         }},
        {"state line observer waits for a thread that uses the gate",
         [](CPrinterSession& s) {
             s.Machine().Set(MachineState::Ready);
             s.StateLine().SetObserver([&s] {
                 s.StateLine().SetObserver(nullptr);
                 std::thread([&s] { s.Machine().Gate(gate::kPrint); }).join();
             });
             s.Machine().Set(MachineState::Ready);
         }},
        {"status observer removes itself",
         [](CPrinterSession& s) {
             s.Poller().SetStatusObserver([&s](int) { s.Poller().SetStatusObserver(nullptr); });
             s.Poller().Act(wire::status::kFlashDone);
         }},
    };
    for (const auto& [name, run] : cases) {
        EXPECT_TRUE(ReturnsWithoutDeadlock(std::make_shared<Rig>(), run)) << name;
    }
}

TEST(PrinterSession, TheNewestStateIsShownLast)
{
    // While the observer hears of "ready", another thread moves the machine on: the state line
    // and the observer must end on that newer state, not on the one whose call was under way.
    auto rig = std::make_shared<Rig>();
    auto seen = std::make_shared<std::vector<MachineState>>();
    ASSERT_TRUE(ReturnsWithoutDeadlock(rig, [seen](CPrinterSession& s) {
        s.Machine().SetObserver([seen, &s](MachineState state) {
            seen->push_back(state);
            if (seen->size() == 1) {
                std::thread([&s] { s.Machine().Set(MachineState::Offline); }).join();
            }
        });
        s.Machine().Set(MachineState::Ready);
    }));
    ASSERT_FALSE(seen->empty());
    EXPECT_EQ(seen->back(), MachineState::Offline);
    EXPECT_EQ(rig->session->StateLine().StateText(),
              LoadResString(CMachineState::StatusTextId(MachineState::Offline)));
}

TEST(PrinterSession, PollsAnAttachedPrinterAndClosesOnlyWhenIdle)
{
    Rig rig;
    CPrinterSession& session = *rig.session;
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
    EXPECT_FALSE(rig.link->IsOpen());
    EXPECT_FALSE(session.StartPolling());
}

// Flash return leaves the machine busy until the printer, back from the flash position, says it
// is idle; without that answer only a reset would free the operator.
TEST(PrinterSession, FlashReturnEndsWhenThePrinterReportsIdle)
{
    Rig rig;
    CPrinterSession& session = *rig.session;
    session.Poller().SetWaitFunction([](int) {});
    ASSERT_TRUE(session.StartPolling());
    ASSERT_TRUE(Eventually([&] { return session.Machine().Get() == MachineState::Ready; }));
    ASSERT_TRUE(session.Machine().Gate(gate::kFlash));
    session.Device().SendCommand(wire::op::kStartFlash, wire::op::kNoArgument);
    ASSERT_TRUE(session.Machine().Gate(gate::kFlashReturn));
    EXPECT_FALSE(session.CanClose());
    session.Device().SendCommand(wire::op::kEndFlash, wire::op::kNoArgument);
    EXPECT_TRUE(Eventually([&] { return session.Machine().Get() == MachineState::Ready; }));
    EXPECT_TRUE(session.CanClose());
    session.Shutdown();
}

TEST(PrinterSession, NoPollingWithoutIntercommunication)
{
    Rig rig(0);
    EXPECT_FALSE(rig.session->StartPolling());
    EXPECT_FALSE(rig.session->Machine().Gate(gate::kFlash));
    EXPECT_EQ(rig.session->StateLine().Notice(), "功能无效");
    EXPECT_TRUE(rig.printer->Commands().empty());
}

}  // namespace tavolux::test
