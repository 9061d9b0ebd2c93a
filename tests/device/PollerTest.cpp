// The poll thread's reconnect routine, its action per reply, and the thread itself, against
// the virtual printer.
#include "device/PollerFixture.h"
#include "device/Protocol.h"
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
    const auto sent = Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), "96 14");
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

TEST_F(Poller, PrinterResetReconnectsWithoutChangingTheStateFirst)
{
    Build();
    machine->Set(MachineState::Ready);
    printer->ReportReset();
    EXPECT_FALSE(poller->PollOnce());
    EXPECT_EQ(machine->Get(), MachineState::Ready);
    poller->ReconnectRoutine();
    EXPECT_EQ(machine->Get(), MachineState::Starting);
    EXPECT_EQ(Sent(), std::vector<std::string>{"80"});
}

TEST_F(Poller, ResetDuringPrintingChecksTheLinkAndSendsNoReset)
{
    Build();
    machine->Set(MachineState::Printing);
    const int requests = printer->StatusRequests();
    poller->ReconnectRoutine();
    EXPECT_EQ(machine->Get(), MachineState::Starting);
    EXPECT_TRUE(Sent().empty());
    EXPECT_GT(printer->StatusRequests(), requests);
}

TEST_F(Poller, RepliesSetTheirEvents)
{
    Build();
    machine->Set(MachineState::Ready);
    struct Case {
        std::vector<uint8_t> reply;
        AutoResetEvent* event;
    };
    const std::vector<Case> cases = {
        {{0xB1, 1, 0, 0}, &events.ReplyReady},
        {{0xB3}, &events.ReplyReady},
        {{0xC1, 1, 0, 0}, &events.ReplyReady},
        {{0xC2, 1, 0, 0}, &events.ReplyReady},
        {{0x90, 1, 0, 0}, &events.ReplyReady},
        {{0xE0, 1}, &events.ReplyReady},
        {{0x71, 1}, &events.ReplyReady},
        {{0x77, 1}, &events.ReplyReady},
        {{0xF1, 1}, &events.ReplyReady},
        {{0xC9}, &events.PassAck},
        {{0xCA}, &events.CleanAck},
        {{0x99}, &events.SyncAck},
        {{0xEA}, &events.PassDone},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Deliver(c.reply));
        EXPECT_TRUE(c.event->Wait(0)) << Hex(c.reply);
        EXPECT_FALSE(events.ReplyReady.IsSet() || events.PassAck.IsSet() ||
                     events.CleanAck.IsSet() || events.SyncAck.IsSet() || events.PassDone.IsSet() ||
                     events.MoveDone.IsSet())
            << "only its own event: " << Hex(c.reply);
    }
    EXPECT_TRUE(Deliver({0xCD}));
    EXPECT_TRUE(events.MoveDone.Wait(0));
    EXPECT_TRUE(events.MoveDone2.Wait(0));
    // Nothing, 0x5F and a calibration block set nothing.
    EXPECT_TRUE(Deliver({0x5F}));
    EXPECT_TRUE(Deliver({0xB2, 1}));
    EXPECT_FALSE(events.ReplyReady.IsSet());
    EXPECT_EQ(machine->Get(), MachineState::Ready);
}

TEST_F(Poller, PrinterStateReplies)
{
    Build();
    machine->Set(MachineState::Moving);
    Deliver({0xC8});
    EXPECT_EQ(machine->Get(), MachineState::Printing);
    Deliver({0xC7});
    EXPECT_EQ(machine->Get(), MachineState::Ready);
    machine->Set(MachineState::Flash);
    Deliver({0xCB});
    EXPECT_EQ(machine->Get(), MachineState::Ready);
}

TEST_F(Poller, PanelKeysDuringAJob)
{
    Build();
    machine->Set(MachineState::Printing);
    Deliver({0x81});
    EXPECT_EQ(machine->Get(), MachineState::PauseRequested);
    EXPECT_TRUE(Sent().empty());
    Deliver({0x82});
    EXPECT_EQ(machine->Get(), MachineState::ResumeRequested);
    EXPECT_EQ(Sent(), std::vector<std::string>{"97"});
    machine->Set(MachineState::Printing);
    Deliver({0x95});
    EXPECT_EQ(machine->Get(), MachineState::CancelRequested);
}

TEST_F(Poller, ResumeKeyWhileReadyIsRefused)
{
    Build();
    machine->Set(MachineState::Ready);
    Deliver({0x82});
    EXPECT_EQ(machine->Get(), MachineState::Ready);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(line.Notice(), LoadResString(200));
}

TEST_F(Poller, JogFromThePanel)
{
    Build();
    machine->Set(MachineState::Ready);
    Deliver({0x87});  // no move pending: nothing happens
    EXPECT_EQ(machine->Get(), MachineState::Ready);
    EXPECT_EQ(poller->PendingJog(), CStatusPoller::kNoJog);

    const int firstCommand = 32780;
    for (uint8_t key = 0x83; key <= 0x86; ++key) {
        Deliver({key});
        EXPECT_EQ(machine->Get(), MachineState::Moving);
        EXPECT_EQ(poller->PendingJog(), firstCommand + (key - 0x83));
        Deliver({0x87});
        EXPECT_EQ(machine->Get(), MachineState::Ready);
        EXPECT_EQ(poller->PendingJog(), CStatusPoller::kNoJog);
    }
    // A jog while printing is refused and leaves nothing pending.
    machine->Set(MachineState::Printing);
    Deliver({0x84});
    EXPECT_EQ(machine->Get(), MachineState::Printing);
    EXPECT_EQ(poller->PendingJog(), CStatusPoller::kNoJog);
    Deliver({0x87});
    EXPECT_EQ(machine->Get(), MachineState::Printing);
}

TEST_F(Poller, JogWhileFlashingReturnsToFlash)
{
    Build();
    machine->Set(MachineState::Flash);
    Deliver({0x83});
    EXPECT_EQ(machine->Get(), MachineState::Flash);
    EXPECT_TRUE(machine->ReturnToFlash());
    EXPECT_EQ(poller->PendingJog(), 32780);
    Deliver({0x87});
    EXPECT_EQ(machine->Get(), MachineState::Flash);
    EXPECT_FALSE(machine->ReturnToFlash());
    // Flash return and a later move end in ready.
    EXPECT_TRUE(machine->Gate(gate::kFlashReturn));
    EXPECT_EQ(machine->Get(), MachineState::FlashReturning);
}

TEST_F(Poller, ThreadStartsResetsAndReachesReady)
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
    // A panel pause during the job reaches the machine state through the thread.
    machine->Set(MachineState::Printing);
    printer->PressKey(0x81);
    EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::PauseRequested; }));
    poller->Stop();
    EXPECT_TRUE(poller->StopPolling());
    std::lock_guard lock(seenMutex);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0], MachineState::Starting);
    EXPECT_EQ(seen[1], MachineState::Starting);  // the reconnect routine's gate
    EXPECT_EQ(seen[2], MachineState::Ready);
}

TEST_F(Poller, ThreadSurvivesUnplugAndGarbage)
{
    Build();
    poller->Start();
    EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
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
