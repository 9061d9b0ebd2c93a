// Jogging: every way a hold starts and ends, counted in the virtual printer's command log. A
// move starts once per hold and ends with exactly one stop, whatever ends the hold.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config/ConfigFixture.h"
#include "device/KtUSB.h"
#include "device/MachineState.h"
#include "device/Protocol.h"
#include "device/StateDisplay.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualTransport.h"
#include "uimodel/JogController.h"

namespace tavolux::test {

namespace {

class CountingDisplay final : public IStateDisplay {
public:
    void SetState(const std::string&) override {}
    void ShowNotice(const std::string&) override { ++notices; }
    int notices = 0;
};

class RecordingCapture final : public IJogCapture {
public:
    void CaptureMouse() override { ++captures; }
    void ReleaseMouse() override { ++releases; }
    int captures = 0;
    int releases = 0;
};

// A machine state and a device on a virtual printer, around one jog controller.
struct JogRig {
    explicit JogRig(int intercommunication)
    {
        cfg.Set("P", "Intercommunication", std::to_string(intercommunication));
        cfg.config.LoadConfig();
        device =
            std::make_unique<CKtUSB>(cfg.config, std::make_unique<sim::CVirtualTransport>(printer));
        EXPECT_EQ(device->Open(), 1);
        printer->ClearCommands();
        machine.BuildGate(intercommunication);
        jog = std::make_unique<CJogController>(machine, *device, &capture);
    }
    int Sent(uint8_t code) const { return printer->LoneCommands(code); }

    ConfigFixture cfg;
    std::shared_ptr<sim::CVirtualPrinter> printer = std::make_shared<sim::CVirtualPrinter>();
    std::unique_ptr<CKtUSB> device;
    CountingDisplay display;
    CMachineState machine{&display};
    RecordingCapture capture;
    std::unique_ptr<CJogController> jog;
};

ArrowKey KeyNamed(const std::string& name)
{
    if (name == "up") {
        return ArrowKey::Up;
    }
    if (name == "down") {
        return ArrowKey::Down;
    }
    return name == "left" ? ArrowKey::Left : ArrowKey::Right;
}

HoldLoss LossNamed(const std::string& name)
{
    if (name == "focus") {
        return HoldLoss::FocusLost;
    }
    if (name == "capture") {
        return HoldLoss::CaptureLost;
    }
    return name == "dialog" ? HoldLoss::DialogOpening : HoldLoss::AppDeactivated;
}

// Runs one script word ("down:up", "up:up", "press:32780", "release", "lost:focus",
// "state:0"); returns 'y' or 'n' for what the controller answered, '-' when it answers nothing.
char RunStep(JogRig& rig, const std::string& word)
{
    const auto colon = word.find(':');
    const std::string verb = word.substr(0, colon);
    const std::string arg = colon == std::string::npos ? "" : word.substr(colon + 1);
    if (verb == "down") {
        return rig.jog->KeyDown(KeyNamed(arg)) ? 'y' : 'n';
    }
    if (verb == "up") {
        return rig.jog->KeyUp(KeyNamed(arg)) ? 'y' : 'n';
    }
    if (verb == "press") {
        return rig.jog->ButtonPress(std::stoi(arg)) ? 'y' : 'n';
    }
    if (verb == "release") {
        rig.jog->ButtonRelease();
        return '-';
    }
    if (verb == "lost") {
        rig.jog->HoldLost(LossNamed(arg));
        return '-';
    }
    if (verb == "state") {
        rig.machine.Set(static_cast<MachineState>(std::stoi(arg)));
        return '-';
    }
    ADD_FAILURE() << "unknown step " << word;
    return '?';
}

struct JogCase {
    const char* name;
    int intercommunication;
    MachineState start;
    const char* script;   // steps separated by blanks
    const char* answers;  // what each step answered
    int moveUps;          // MoveUp packets sent
    int moveLefts;        // MoveLeft packets sent
    int stops;            // StopMove packets sent
    MachineState end;     // the machine state afterwards
    int notices;          // refusals shown by the gate
};

constexpr auto R = MachineState::Ready;
constexpr auto F = MachineState::Flash;
constexpr auto M = MachineState::Moving;
constexpr auto O = MachineState::Offline;
constexpr auto P = MachineState::Printing;

const JogCase kCases[] = {
    {"press and release", 1, R, "down:up up:up", "yy", 1, 0, 1, R, 0},
    {"held key repeats", 1, R, "down:up down:up down:up down:up up:up", "yyyyy", 1, 0, 1, R, 0},
    {"still moving while held", 1, R, "down:up down:up", "yy", 1, 0, 0, M, 0},
    {"second key while held", 1, R, "down:up down:left up:left up:up", "ynny", 1, 0, 1, R, 0},
    {"second key outlives the first", 1, R, "down:up down:left up:up up:left down:left", "ynyny", 1,
     1, 1, M, 0},
    {"release of a key not held", 1, R, "up:up up:left", "nn", 0, 0, 0, R, 0},
    {"tool-bar button", 1, R, "press:32780 release", "y-", 1, 0, 1, R, 0},
    {"tool-bar button, not a jog", 1, R, "press:32779 release", "n-", 0, 0, 0, R, 0},
    {"key while button held", 1, R, "press:32780 down:left up:left release", "ynn-", 1, 0, 1, R, 0},
    {"button while key held", 1, R, "down:up press:32782 release up:up", "yn-y", 1, 0, 1, R, 0},
    {"focus lost", 1, R, "down:up lost:focus up:up", "y-n", 1, 0, 1, R, 0},
    {"capture lost", 1, R, "press:32780 lost:capture release", "y--", 1, 0, 1, R, 0},
    {"a repeat after a lost capture holds anew", 1, R, "down:up lost:capture down:up up:up", "y-yy",
     2, 0, 2, R, 0},
    {"dialog opening", 1, R, "down:left lost:dialog up:left", "y-n", 0, 1, 1, R, 0},
    {"application deactivated", 1, R, "press:32782 lost:app", "y-", 0, 1, 1, R, 0},
    {"release after the loss", 1, R, "press:32782 lost:app release", "y--", 0, 1, 1, R, 0},
    {"losses after the end", 1, R, "down:up up:up lost:focus lost:dialog lost:app", "yy---", 1, 0,
     1, R, 0},
    {"two losses in a row", 1, R, "down:up lost:focus lost:dialog up:up", "y--n", 1, 0, 1, R, 0},
    {"from flash back to flash", 1, F, "down:up up:up", "yy", 1, 0, 1, F, 0},
    {"gate refuses while printing", 1, P, "down:up down:up up:up", "yyn", 0, 0, 0, P, 2},
    {"gate refuses a button", 1, P, "press:32780 release", "y-", 0, 0, 0, P, 1},
    {"no talk, no gate", 0, R, "down:up up:up", "yn", 0, 0, 0, R, 1},
    {"link lost while held", 1, R, "down:up state:0 up:up", "y-y", 1, 0, 1, O, 0},
    {"a new hold after the end", 1, R, "down:up up:up press:32780 release", "yyy-", 2, 0, 2, R, 0},
};

}  // namespace

TEST(JogController, EveryHoldEndsWithOneStop)
{
    for (const JogCase& c : kCases) {
        SCOPED_TRACE(c.name);
        JogRig rig(c.intercommunication);
        rig.machine.Set(c.start);
        std::istringstream words(c.script);
        std::string answers;
        for (std::string word; words >> word;) {
            answers += RunStep(rig, word);
        }
        EXPECT_EQ(answers, c.answers);
        EXPECT_EQ(rig.Sent(wire::cmd::kMoveUp), c.moveUps);
        EXPECT_EQ(rig.Sent(wire::cmd::kMoveLeft), c.moveLefts);
        EXPECT_EQ(rig.Sent(wire::cmd::kStopMove), c.stops);
        EXPECT_EQ(rig.machine.Get(), c.end);
        EXPECT_EQ(rig.display.notices, c.notices);
        const bool held = rig.jog->MoveInProgress() != 0;
        if (!held) {
            EXPECT_EQ(rig.jog->HeldInput(), JogInput::None);
            EXPECT_EQ(rig.jog->CommandUnderConsideration(), 0);
            EXPECT_FALSE(rig.machine.ReturnToFlash());
            EXPECT_FALSE(rig.jog->Captured());
        }
        // Every capture is given back, except one the window system took away itself.
        const bool lostCapture = std::string(c.script).find("lost:capture") != std::string::npos;
        EXPECT_EQ(rig.capture.captures - rig.capture.releases - (lostCapture ? 1 : 0),
                  held ? 1 : 0);
    }
}

TEST(JogController, FieldsFollowTheHold)
{
    JogRig rig(1);
    rig.machine.Set(MachineState::Flash);
    ASSERT_TRUE(rig.jog->KeyDown(ArrowKey::Right));
    EXPECT_EQ(rig.jog->CommandUnderConsideration(), jog::kRight);
    EXPECT_EQ(rig.jog->MoveInProgress(), jog::kRight);
    EXPECT_EQ(rig.jog->HeldInput(), JogInput::KeyRight);
    EXPECT_TRUE(rig.jog->Captured());
    // The move started from flash spraying: the machine stays there and returns to it.
    EXPECT_EQ(rig.machine.Get(), MachineState::Flash);
    EXPECT_TRUE(rig.machine.ReturnToFlash());
    EXPECT_EQ(rig.Sent(wire::cmd::kMoveRight), 1);
    ASSERT_TRUE(rig.jog->KeyUp(ArrowKey::Right));
    EXPECT_EQ(rig.machine.Get(), MachineState::Flash);
    EXPECT_FALSE(rig.machine.ReturnToFlash());
}

TEST(JogController, RefusedFromFlashLeavesNoReturnFlag)
{
    // The gate refuses a move even in flash spraying when the printer does not talk to the
    // program: the return flag set for the move must not outlive the refusal.
    JogRig rig(0);
    rig.machine.Set(MachineState::Flash);
    EXPECT_TRUE(rig.jog->ButtonPress(jog::kDown));
    EXPECT_FALSE(rig.machine.ReturnToFlash());
    EXPECT_EQ(rig.jog->HeldInput(), JogInput::None);
    EXPECT_EQ(rig.capture.captures, 0);
    EXPECT_TRUE(rig.printer->Commands().empty());
}

}  // namespace tavolux::test
