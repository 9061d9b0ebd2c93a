// The cleaning dialog on the virtual printer: the cleaning command, the wait for its
// acknowledgement (answered, or missing after the limit on a manual clock) with the controls
// disabled meanwhile, the return button, and the controls by colour count.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "config/ConfigFixture.h"
#include "device/KtUSB.h"
#include "device/MachineState.h"
#include "device/PrinterStatusBlock.h"
#include "device/Protocol.h"
#include "device/ReplyEvents.h"
#include "device/StatusPoller.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualTransport.h"
#include "uimodel/PurgeDialogModel.h"
#include "uimodel/UiDispatcher.h"
#include "uimodel/StateLine.h"

namespace tavolux::test {

namespace {

using Model = CPurgeDialogModel;

// The dialog with its printer: a virtual printer that answers at once, or one whose mechanics
// run on a clock of its own that only the test moves.
struct PurgeRig {
    explicit PurgeRig(bool answersAtOnce = true, int colorNo = 4, int intercommunication = 1)
        : printer(std::make_shared<sim::CVirtualPrinter>(answersAtOnce, printerClock))
    {
        cfg.Set("P", "Intercommunication", std::to_string(intercommunication));
        cfg.Set("P", "ColorNo", std::to_string(colorNo));
        cfg.config.LoadConfig();
        device =
            std::make_unique<CKtUSB>(cfg.config, std::make_unique<sim::CVirtualTransport>(printer));
        EXPECT_EQ(device->Open(), 1);
        printer->ClearCommands();
        machine.BuildGate(intercommunication);
        machine.Set(MachineState::Ready);
        poller = std::make_unique<CStatusPoller>(*device, machine, cfg.config, block, events);
        poller->SetWaitFunction([](int) {});
        NewDialog();
    }

    void NewDialog()
    {
        model.reset();
        controls = std::make_unique<CFakeDialogControls>();
        controls->Add({1074, 1079, 1093, 1099, 1103, 1107, Model::kSpareButton,
                       Model::kLongCleaning, Model::kShortCleaning, Model::kStatusText,
                       Model::kReturn});
        model = std::make_unique<Model>(*controls, dispatcher, clock, machine, *device,
                                        events.CleanAck, cfg.config.params.ColorNo);
    }

    // The UI thread's loop while the poll thread reads replies: until f holds, bounded.
    template <class F>
    bool Run(F f)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!f() && std::chrono::steady_clock::now() < deadline) {
            poller->PollOnce();
            if (dispatcher.RunPending() == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return f();
    }

    int Sent(uint8_t code) const { return printer->LoneCommands(code); }

    ConfigFixture cfg;
    CManualClock clock;         // the program's
    CManualClock printerClock;  // the printer's mechanics
    std::shared_ptr<sim::CVirtualPrinter> printer;
    std::unique_ptr<CKtUSB> device;
    CStateLine line{clock};
    CMachineState machine{&line};
    PrinterStatusBlock block;
    ReplyEvents events;
    std::unique_ptr<CStatusPoller> poller;
    CUiDispatcher dispatcher;
    std::unique_ptr<CFakeDialogControls> controls;
    std::unique_ptr<Model> model;
};

}  // namespace

TEST(PurgeDialog, AcknowledgedCleaningEndsByReturn)
{
    PurgeRig rig;
    ASSERT_TRUE(Model::PassGate(rig.machine));
    EXPECT_EQ(rig.machine.Get(), MachineState::CleaningRequested);
    rig.model->OnInit();
    EXPECT_EQ(rig.Sent(wire::cmd::kStartCleaning), 1);
    // While the printer has not answered, the operator can neither choose nor leave.
    EXPECT_TRUE(rig.model->IsWaiting());
    for (const int id : {Model::kLongCleaning, Model::kShortCleaning, Model::kReturn}) {
        EXPECT_FALSE(rig.controls->IsEnabled(id)) << id;
    }
    EXPECT_EQ(rig.controls->GetLabel(Model::kStatusText), LoadResString(ids::kCleanWaiting));
    EXPECT_FALSE(rig.model->OnClose());
    rig.model->OnCommand(Model::kReturn);
    EXPECT_EQ(rig.Sent(wire::cmd::kEndPurge), 0);

    ASSERT_TRUE(rig.Run([&] { return rig.model->Acknowledged(); }));
    EXPECT_FALSE(rig.model->IsWaiting());
    EXPECT_EQ(rig.machine.Get(), MachineState::Purging);
    EXPECT_EQ(rig.line.StateText(), LoadResString(ids::kStateFlushing));
    for (const int id : {Model::kLongCleaning, Model::kShortCleaning, Model::kReturn}) {
        EXPECT_TRUE(rig.controls->IsEnabled(id)) << id;
    }
    EXPECT_EQ(rig.controls->GetLabel(Model::kStatusText), "");
    EXPECT_FALSE(rig.controls->EndCode());

    rig.model->OnCommand(Model::kReturn);
    EXPECT_EQ(rig.Sent(wire::cmd::kEndPurge), 1);
    EXPECT_EQ(rig.controls->EndCode(), dialog::kOk);
    EXPECT_EQ(rig.machine.Get(), MachineState::Ready);
    EXPECT_TRUE(rig.controls->Messages().empty());
    EXPECT_TRUE(rig.controls->UnknownIds().empty());
}

TEST(PurgeDialog, MissingAcknowledgementIsReportedAndLeftOver)
{
    PurgeRig rig(false);
    ASSERT_TRUE(Model::PassGate(rig.machine));
    rig.model->OnInit();
    rig.clock.Advance(Model::kCleanAckLimitMs);
    ASSERT_TRUE(rig.Run([&] { return rig.controls->EndCode().has_value(); }));
    EXPECT_EQ(rig.controls->EndCode(), dialog::kCancel);
    EXPECT_FALSE(rig.model->Acknowledged());
    EXPECT_EQ(rig.controls->Messages(),
              std::vector<std::string>{FormatResString(ids::kCleanAckMissing, {"10"})});
    // The operator gets the machine back instead of a state only a reset leaves.
    EXPECT_EQ(rig.machine.Get(), MachineState::Ready);

    // The acknowledgement arrives late; it must not answer the next request.
    rig.printerClock.Advance(60000);
    ASSERT_TRUE(rig.Run([&] { return rig.events.CleanAck.IsSet(); }));
    rig.NewDialog();
    ASSERT_TRUE(Model::PassGate(rig.machine));
    rig.model->OnInit();
    rig.clock.Advance(Model::kCleanAckLimitMs);
    ASSERT_TRUE(rig.Run([&] { return rig.controls->EndCode().has_value(); }));
    EXPECT_FALSE(rig.model->Acknowledged());
    EXPECT_EQ(rig.Sent(wire::cmd::kStartCleaning), 2);
}

TEST(PurgeDialog, UnsentCommandEndsAtOnce)
{
    PurgeRig rig;
    ASSERT_TRUE(Model::PassGate(rig.machine));
    rig.printer->Unplug();
    rig.model->OnInit();
    EXPECT_FALSE(rig.model->IsWaiting());
    EXPECT_EQ(rig.controls->EndCode(), dialog::kCancel);
    EXPECT_EQ(rig.controls->Messages(),
              std::vector<std::string>{LoadResString(ids::kCleanNotSent)});
    EXPECT_EQ(rig.machine.Get(), MachineState::Ready);
}

TEST(PurgeDialog, GateDecidesWhetherItOpens)
{
    const std::tuple<const char*, int, MachineState, bool> cases[] = {
        {"ready", 1, MachineState::Ready, true},
        {"printing", 1, MachineState::Printing, false},
        {"flash spraying", 1, MachineState::Flash, false},
        {"moving", 1, MachineState::Moving, false},
        {"printer does not talk", 0, MachineState::Ready, false},
    };
    for (const auto& [name, talk, state, opens] : cases) {
        SCOPED_TRACE(name);
        PurgeRig rig(true, 4, talk);
        rig.machine.Set(state);
        EXPECT_EQ(Model::PassGate(rig.machine), opens);
        EXPECT_EQ(rig.machine.Get(), opens ? MachineState::CleaningRequested : state);
        EXPECT_EQ(rig.line.Notice(), opens ? "" : LoadResString(ids::kFunctionInvalid));
        EXPECT_TRUE(rig.printer->Commands().empty());
    }
}

TEST(PurgeDialog, ReturnDependsOnTheState)
{
    // After the acknowledgement the printer side may move the machine on.
    const std::tuple<MachineState, bool, int, bool> cases[] = {
        // state, closes, EndPurge sent, "Please Wait" shown
        {MachineState::Purging, true, 1, false},
        {MachineState::Flash, false, 0, true},
        {MachineState::Printing, false, 0, true},
        {MachineState::Offline, true, 0, false},
    };
    for (const auto& [state, closes, endPurges, pleaseWait] : cases) {
        SCOPED_TRACE(static_cast<int>(state));
        PurgeRig rig;
        ASSERT_TRUE(Model::PassGate(rig.machine));
        rig.model->OnInit();
        ASSERT_TRUE(rig.Run([&] { return rig.model->Acknowledged(); }));
        rig.machine.Set(state);
        EXPECT_EQ(rig.model->OnClose(), closes);
        EXPECT_EQ(rig.controls->EndCode().has_value(), closes);
        EXPECT_EQ(rig.Sent(wire::cmd::kEndPurge), endPurges);
        EXPECT_EQ(rig.controls->Messages(),
                  pleaseWait ? std::vector<std::string>{LoadResString(ids::kPurgePleaseWait)}
                             : std::vector<std::string>{});
    }
}

TEST(PurgeDialog, ControlsByColourCount)
{
    const std::pair<int, std::vector<int>> cases[] = {
        {4, {1103, 1107, Model::kSpareButton}},
        {6, {Model::kSpareButton}},
        {8, {}},
    };
    for (const auto& [colours, hidden] : cases) {
        SCOPED_TRACE(colours);
        PurgeRig rig(true, colours);
        ASSERT_TRUE(Model::PassGate(rig.machine));
        rig.model->OnInit();
        std::vector<int> seenHidden;
        for (const int id : {1074, 1079, 1093, 1099, 1103, 1107, Model::kSpareButton}) {
            EXPECT_FALSE(rig.controls->IsEnabled(id)) << id;
            if (!rig.controls->IsShown(id)) {
                seenHidden.push_back(id);
            }
        }
        EXPECT_EQ(seenHidden, hidden);
        EXPECT_TRUE(rig.controls->GetCheck(Model::kLongCleaning));
        EXPECT_FALSE(rig.controls->GetCheck(Model::kShortCleaning));
        EXPECT_EQ(rig.controls->Title(), LoadResString(ids::kPurgeTitle));
        EXPECT_EQ(rig.controls->GetLabel(Model::kReturn), LoadResString(ids::kPurgeReturn));
        // The colour buttons stay disabled after the wait too.
        ASSERT_TRUE(rig.Run([&] { return rig.model->Acknowledged(); }));
        EXPECT_FALSE(rig.controls->IsEnabled(1074));
    }
}

}  // namespace tavolux::test
