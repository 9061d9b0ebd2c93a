// The poll thread's reconnect routine, its action per reply, and the thread itself, against
// the virtual printer.
#include "device/PollerFixture.h"
#include "device/Protocol.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/SocketTransport.h"
#include "sim/VirtualPrinterServer.h"

namespace tavolux::test {

class Poller : public PollerFixture {};

TEST_F(Poller, ReconnectResetsAnAnsweringPrinter)
{
    Build();
    machine->Set(MachineState::Ready);
    poller->ReconnectRoutine();
    EXPECT_EQ(machine->Get(), MachineState::Starting);
    EXPECT_EQ(Sent(), std::vector<std::string>{"80"});
    EXPECT_TRUE(Pauses().empty());
    EXPECT_EQ(line.StateText(), "未联机");

    // Reset answers ready: after the settle pause the state is ready and the download runs.
    EXPECT_TRUE(poller->PollOnce());
    EXPECT_EQ(machine->Get(), MachineState::Ready);
    EXPECT_EQ(Pauses(), std::vector<int>{1000});
    EXPECT_EQ(line.StateText(), "就绪");
    ASSERT_FALSE(Sent().empty());
    EXPECT_EQ(Sent().back(), "96 14");
}

TEST_F(Poller, AbsentPrinterIsRetriedThreeTimesTwoSecondsApart)
{
    printer->Unplug();
    Build(false);
    machine->Set(MachineState::Starting);
    poller->ReconnectRoutine();
    EXPECT_EQ(machine->Get(), MachineState::Offline);
    EXPECT_EQ(Pauses(), (std::vector<int>{2000, 2000, 2000}));
    EXPECT_EQ(transport->OpenCount(), 3);
    EXPECT_TRUE(Sent().empty());
    // The poll loop then sees the link down and asks for another reconnect.
    EXPECT_FALSE(poller->PollOnce());
    EXPECT_EQ(machine->Get(), MachineState::Offline);
}

TEST_F(Poller, PrinterThatNeverAnswersStaysOffline)
{
    Build();
    printer->SetMute(true);
    machine->Set(MachineState::Ready);
    poller->ReconnectRoutine();
    poller->ReconnectRoutine();
    EXPECT_EQ(machine->Get(), MachineState::Offline);
    EXPECT_EQ(Pauses().size(), 6u);
    EXPECT_EQ(transport->ResetCount(), 6);  // every reopen resets the port first
    EXPECT_TRUE(Sent().empty());

    printer->SetMute(false);  // it comes back: the next pass resets it
    poller->ReconnectRoutine();
    EXPECT_EQ(machine->Get(), MachineState::Starting);
    EXPECT_EQ(Sent(), std::vector<std::string>{"80"});
}

TEST_F(Poller, PrinterResetReconnectsButNeverResetsAPrintingPrinter)
{
    Build();
    machine->Set(MachineState::Ready);
    printer->ReportReset();
    EXPECT_FALSE(poller->PollOnce());
    EXPECT_EQ(machine->Get(), MachineState::Ready);  // unchanged until the reconnect
    poller->ReconnectRoutine();
    EXPECT_EQ(machine->Get(), MachineState::Starting);
    EXPECT_EQ(Sent(), std::vector<std::string>{"80"});

    printer->ClearCommands();
    machine->Set(MachineState::Printing);
    const int requests = printer->StatusRequests();
    poller->ReconnectRoutine();
    EXPECT_EQ(machine->Get(), MachineState::Starting);
    EXPECT_TRUE(Sent().empty());
    EXPECT_GT(printer->StatusRequests(), requests);  // the link was checked
}

// Replies delivered one after another from a state: the state, the event, the jog and the
// packets they leave.
TEST_F(Poller, RepliesMoveTheStateAndSetTheirEvent)
{
    using M = MachineState;
    using E = AutoResetEvent ReplyEvents::*;
    constexpr int kJog = 32780;  // the menu command of the first jog direction
    constexpr int kNone = CStatusPoller::kNoJog;
    struct Case {
        M before;
        std::vector<std::vector<uint8_t>> replies;
        M after;
        E event;  // the one event set; null for none
        int jog;
        const char* sent;  // "" when nothing goes out
    };
    const std::vector<Case> cases = {
        {M::Ready, {{0xB1, 1, 0, 0}}, M::Ready, &ReplyEvents::ReplyReady, kNone, ""},
        {M::Ready, {{0xB3}}, M::Ready, &ReplyEvents::ReplyReady, kNone, ""},
        {M::Ready, {{0xC1, 1, 0, 0}}, M::Ready, &ReplyEvents::ReplyReady, kNone, ""},
        {M::Ready, {{0xC2, 1, 0, 0}}, M::Ready, &ReplyEvents::ReplyReady, kNone, ""},
        {M::Ready, {{0x90, 1, 0, 0}}, M::Ready, &ReplyEvents::ReplyReady, kNone, ""},
        {M::Ready, {{0xE0, 1}}, M::Ready, &ReplyEvents::ReplyReady, kNone, ""},
        {M::Ready, {{0x71, 1}}, M::Ready, &ReplyEvents::ReplyReady, kNone, ""},
        {M::Ready, {{0x77, 1}}, M::Ready, &ReplyEvents::ReplyReady, kNone, ""},
        {M::Ready, {{0xF1, 1}}, M::Ready, &ReplyEvents::ReplyReady, kNone, ""},
        {M::Ready, {{0xC9}}, M::Ready, &ReplyEvents::PassAck, kNone, ""},
        {M::Ready, {{0xCA}}, M::Ready, &ReplyEvents::CleanAck, kNone, ""},
        {M::Ready, {{0x99}}, M::Ready, &ReplyEvents::SyncAck, kNone, ""},
        {M::Ready, {{0xEA}}, M::Ready, &ReplyEvents::PassDone, kNone, ""},
        {M::Ready, {{0xCD}}, M::Ready, &ReplyEvents::MoveDone, kNone, ""},
        {M::Ready, {{0x5F}, {0xB2, 1}}, M::Ready, nullptr, kNone, ""},
        {M::Moving, {{0xC8}}, M::Printing, nullptr, kNone, ""},
        {M::Printing, {{0xC7}}, M::Ready, nullptr, kNone, ""},
        {M::Flash, {{0xCB}}, M::Ready, nullptr, kNone, ""},
        // Panel keys during a job; resume is sent on to the printer.
        {M::Printing, {{0x81}}, M::PauseRequested, nullptr, kNone, ""},
        {M::PauseRequested, {{0x82}}, M::ResumeRequested, nullptr, kNone, "97"},
        {M::Printing, {{0x95}}, M::CancelRequested, nullptr, kNone, ""},
        {M::Ready, {{0x82}}, M::Ready, nullptr, kNone, ""},  // refused: nothing to resume
        // Jogs from the panel: a stop ends a pending one, and only that.
        {M::Ready, {{0x87}}, M::Ready, nullptr, kNone, ""},
        {M::Ready, {{0x83}}, M::Moving, nullptr, kJog, ""},
        {M::Ready, {{0x84}}, M::Moving, nullptr, kJog + 1, ""},
        {M::Ready, {{0x85}}, M::Moving, nullptr, kJog + 2, ""},
        {M::Ready, {{0x86}, {0x87}}, M::Ready, nullptr, kNone, ""},
        {M::Printing, {{0x84}, {0x87}}, M::Printing, nullptr, kNone, ""},
        {M::Flash, {{0x83}}, M::Flash, nullptr, kJog, ""},
        {M::Flash, {{0x83}, {0x87}}, M::Flash, nullptr, kNone, ""},
    };
    const E all[] = {&ReplyEvents::ReplyReady, &ReplyEvents::PassAck,  &ReplyEvents::MoveDone,
                     &ReplyEvents::MoveDone2,  &ReplyEvents::CleanAck, &ReplyEvents::SyncAck,
                     &ReplyEvents::PassDone};
    Build();
    for (const Case& c : cases) {
        const std::string name = Hex(c.replies.front());
        machine->Set(c.before);
        printer->ClearCommands();
        for (const auto& reply : c.replies) {
            EXPECT_TRUE(Deliver(reply)) << name;
        }
        EXPECT_EQ(machine->Get(), c.after) << name;
        EXPECT_EQ(poller->PendingJog(), c.jog) << name;
        std::string sent;
        for (const std::string& p : Sent()) {
            sent += p;
        }
        EXPECT_EQ(sent, c.sent) << name;
        for (const E e : all) {
            // A feed releases both of its waiters.
            const bool expected =
                e == c.event || (c.event == &ReplyEvents::MoveDone && e == &ReplyEvents::MoveDone2);
            EXPECT_EQ((events.*e).Wait(0), expected) << name;
        }
        // A move begun while flashing returns to flashing when it ends.
        EXPECT_EQ(machine->ReturnToFlash(), c.before == M::Flash && c.jog != kNone) << name;
    }
    // A refused key says so on the state line.
    machine->Set(M::Ready);
    Deliver({0x82});
    EXPECT_EQ(line.Notice(), LoadResString(ids::kFunctionInvalid));
}

TEST_F(Poller, ThreadResetsReachesReadyAndSurvivesUnplugAndGarbage)
{
    Build();
    std::vector<MachineState> seen;
    std::mutex seenMutex;
    machine->SetObserver([&](MachineState s) {
        std::lock_guard lock(seenMutex);
        seen.push_back(s);
    });
    poller->Start();
    EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
    {
        std::lock_guard lock(seenMutex);
        ASSERT_GE(seen.size(), 3u);
        const std::vector<MachineState> start = {MachineState::Starting, MachineState::Starting,
                                                 MachineState::Ready};  // twice: the gate
        EXPECT_EQ(std::vector<MachineState>(seen.begin(), seen.begin() + 3), start);
    }
    machine->SetObserver(nullptr);
    printer->Unplug();
    EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::Offline; }));
    printer->Replug();
    EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
    printer->QueueReply({0xE0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    printer->OversizeNextReply();
    printer->QueueReply({0x90, 0x10});
    printer->QueueReply({0x90, 0x10, 0x00, 0x00});
    EXPECT_TRUE(events.ReplyReady.Wait(kGenerousMs));
    EXPECT_EQ(block.Position(), 16);
    EXPECT_EQ(machine->Get(), MachineState::Ready);
    poller->Stop();
    EXPECT_TRUE(poller->StopPolling());
}

TEST_F(Poller, ThreadOverTheVirtualPrintersSocket)
{
    // The printer runs as a server; the device reaches it through its socket, as
    // "tavolux-cli --printer socket:PATH monitor" does.
    const std::string path = (cfg.dir.Path() / "vp.sock").string();
    sim::CVirtualPrinterServer server(printer, path);
    ASSERT_EQ(server.Start(), sim::ServerStartError::None);
    cfg.config.LoadConfig();
    device = std::make_unique<CKtUSB>(cfg.config, std::make_unique<sim::CSocketTransport>(path));
    machine = std::make_unique<CMachineState>(&line);
    machine->BuildGate(1);
    poller = std::make_unique<CStatusPoller>(*device, *machine, cfg.config, block, events);
    poller->SetWaitFunction([](int) {});
    poller->Start();
    EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
    machine->Set(MachineState::Printing);
    sim::CSocketTransport control(path);
    EXPECT_EQ(control.Control("key pause"), "ok");
    EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::PauseRequested; }));
    EXPECT_EQ(line.StateText(), "暂停");
    poller->Stop();
    poller.reset();
    device.reset();
    server.Stop();
}

TEST_F(Poller, StopEndsTheThreadDuringReconnect)
{
    printer->Unplug();
    Build(false);
    poller->Start();
    EXPECT_TRUE(Eventually([&] { return transport->OpenCount() >= 6; }));
    poller->Stop();
    // Stopped between passes (starting) or inside one (offline); never reset or ready.
    EXPECT_LE(static_cast<int>(machine->Get()), static_cast<int>(MachineState::Starting));
    EXPECT_TRUE(Sent().empty());
}

}  // namespace tavolux::test
