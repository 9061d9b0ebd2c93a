// The printer session: polling starts only when the printer talks to the program, closing is
// refused while the machine is busy, and shutting down releases the printer.
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
#include "sim/VirtualTransport.h"
#include "res/StringTable.h"
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

// A session on a virtual printer that talks to the program, kept alive by whoever holds it.
struct Rig {
    ConfigFixture cfg;
    PrinterStatusBlock block;
    ReplyEvents events;
    std::unique_ptr<CPrinterSession> session;
    Rig()
    {
        cfg.Set("P", "Intercommunication", "1");
        cfg.config.LoadConfig();
        session = std::make_unique<CPrinterSession>(
            cfg.config,
            std::make_unique<sim::CVirtualTransport>(std::make_shared<sim::CVirtualPrinter>()),
            block, events);
    }
};

// Runs f on a thread of its own; false when it has not returned within 10 s (a deadlock). The
// stuck thread keeps the rig alive so that the test can report instead of crash.
bool ReturnsWithoutDeadlock(const std::shared_ptr<Rig>& rig, std::function<void(Rig&)> f)
{
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    std::thread([rig, f, done] {
        f(*rig);
        done->set_value();
    }).detach();
    return finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
}

}  // namespace

// Views hang on these observers; each may call back into its subject, or wait for another
// thread that uses it (a view handing work to the UI thread and waiting), without a deadlock.
TEST(PrinterSession, ObserversMayCallBackIntoTheirSubject)
{
    using Action = std::function<void(Rig&)>;
    struct Case {
        const char* name;
        Action hook;     // installs the observer
        Action trigger;  // makes it fire
    };
    const Case cases[] = {
        {"machine observer sets the state",
         [](Rig& r) {
             r.session->Machine().SetObserver([&r](MachineState s) {
                 if (s == MachineState::Offline) {
                     r.session->Machine().Set(MachineState::Ready);
                 }
             });
         },
         [](Rig& r) { r.session->Machine().Set(MachineState::Offline); }},
        {"machine observer removes itself",
         [](Rig& r) {
             r.session->Machine().SetObserver(
                 [&r](MachineState) { r.session->Machine().SetObserver(nullptr); });
         },
         [](Rig& r) { r.session->Machine().Set(MachineState::Ready); }},
        {"state line observer waits for a thread that uses the gate",
         [](Rig& r) {
             r.session->Machine().Set(MachineState::Ready);
             r.session->StateLine().SetObserver([&r] {
                 r.session->StateLine().SetObserver(nullptr);
                 std::thread([&r] { r.session->Machine().Gate(gate::kPrint); }).join();
             });
         },
         [](Rig& r) { r.session->Machine().Set(MachineState::Ready); }},
        {"status observer removes itself",
         [](Rig& r) {
             r.session->Poller().SetStatusObserver(
                 [&r](int) { r.session->Poller().SetStatusObserver(nullptr); });
         },
         [](Rig& r) { r.session->Poller().Act(wire::status::kFlashDone); }},
    };
    for (const Case& c : cases) {
        auto rig = std::make_shared<Rig>();
        c.hook(*rig);
        EXPECT_TRUE(ReturnsWithoutDeadlock(rig, c.trigger)) << c.name;
    }
}

TEST(PrinterSession, TheNewestStateIsShownLast)
{
    // While the observer hears of "ready", another thread moves the machine on: the state line
    // and the observer must end on that newer state, not on the one whose call was under way.
    auto rig = std::make_shared<Rig>();
    auto seen = std::make_shared<std::vector<MachineState>>();
    CMachineState& machine = rig->session->Machine();
    machine.SetObserver([seen, &machine](MachineState s) {
        seen->push_back(s);
        if (seen->size() == 1) {
            std::thread([&machine] { machine.Set(MachineState::Offline); }).join();
        }
    });
    ASSERT_TRUE(
        ReturnsWithoutDeadlock(rig, [](Rig& r) { r.session->Machine().Set(MachineState::Ready); }));
    EXPECT_EQ(machine.Get(), MachineState::Offline);
    ASSERT_FALSE(seen->empty());
    EXPECT_EQ(seen->back(), MachineState::Offline);
    EXPECT_EQ(rig->session->StateLine().StateText(),
              LoadResString(CMachineState::StatusTextId(MachineState::Offline)));
}

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
