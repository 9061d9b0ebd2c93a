// Takes the picture of the main window printing: starts the desktop program on the in-process
// virtual printer (mechanical time) with the program folder given, prints its first task, and
// once the row shows the print under way, shoots the screen with ImageMagick. Then it cancels
// and closes. With "nozzle-check" it shoots the window while the menu's nozzle check prints
// instead (the program folder then holds the glyph files). Run under xvfb-run by
// scripts/screenshots.sh.
// Usage: ui_screenshot PROGRAM_DIR PNG [nozzle-check]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "device/MachineState.h"
#include "res/StringTable.h"
#include "tasks/TaskList.h"
#include "ui/GuiDriver.h"
#include "uimodel/Commands.h"
#include "uimodel/PrinterSession.h"

namespace drv = tavolux::ui::driver;
namespace cmd = tavolux::cmd;
using tavolux::MachineState;

namespace {

int Fail(const char* what)
{
    std::fprintf(stderr, "ui_screenshot: %s\n", what);
    return 1;
}

MachineState State()
{
    return drv::Session().Machine().Get();
}

// Waits up to `seconds` for the job's end (ready, or the flash that follows with automatic
// flash), returns from the flash, and waits until the window may close.
void BackToIdle(int seconds)
{
    drv::WaitFor([] { return State() == MachineState::Flash || State() == MachineState::Ready; },
                 seconds);
    if (State() == MachineState::Flash) {
        drv::SendCommand(cmd::kFlashReturn);
    }
    if (!drv::WaitFor([] { return drv::Session().CanClose(); }, 30)) {
        std::fprintf(stderr, "ui_screenshot: the machine stays busy in state %d\n",
                     static_cast<int>(State()));
    }
}

int PrintAndShoot(const std::string& png)
{
    if (!drv::WaitFor([] { return State() == MachineState::Ready; }, 30)) {
        return Fail("the printer did not become ready");
    }
    if (drv::TaskRows() == 0) {
        return Fail("the program folder holds no task");
    }
    drv::ClickTaskRow(0);
    drv::SendCommand(cmd::kPrint);
    // A few passes in, the row shows the state, the copy and the time left.
    const bool printing = drv::WaitFor(
        [] { return drv::TaskPrinting() && !drv::TaskCell(0, tavolux::kColRemaining).empty(); },
        60);
    // The grid repaints on its next turns of the event loop.
    drv::WaitFor([] { return false; }, 1);
    int result = 0;
    if (!printing) {
        result = Fail("the task did not start printing");
    } else if (std::system(("import -window root '" + png + "'").c_str()) != 0) {
        result = Fail("import could not take the picture");
    }
    drv::SendCommand(cmd::kCancel);
    drv::WaitFor([] { return !drv::TaskPrinting(); }, 60);
    // A cancelled print ends in the flash, which keeps the machine busy until it returns.
    BackToIdle(30);
    return result;
}

int ChartAndShoot(const std::string& png)
{
    if (!drv::WaitFor([] { return State() == MachineState::Ready; }, 30)) {
        return Fail("the printer did not become ready");
    }
    drv::SendCommand(cmd::kNozzleCheck);
    const std::string printing =
        tavolux::LoadResString(tavolux::CMachineState::StatusTextId(MachineState::Printing));
    if (!drv::WaitFor([&] { return drv::StateViewText() == printing; }, 30)) {
        return Fail("the nozzle check did not start printing");
    }
    // A few turns of the event loop paint the state view, well within the chart's passes.
    int turns = 0;
    drv::WaitFor([&] { return ++turns > 20; }, 5);
    int result = 0;
    if (std::system(("import -window root '" + png + "'").c_str()) != 0) {
        result = Fail("import could not take the picture");
    }
    BackToIdle(60);
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool chart = argc == 4 && std::string(argv[3]) == "nozzle-check";
    if (argc != 3 && !chart) {
        return Fail("usage: ui_screenshot PROGRAM_DIR PNG [nozzle-check]");
    }
    const std::string dir = argv[1];
    const std::string png = argv[2];
    if (!drv::StartToolkit(argc, argv)) {
        return Fail("no display: run under xvfb-run");
    }
    int result = 0;
    if (!drv::StartMainFrame({dir, "virtual"})) {
        result = Fail("the main window did not open");
    } else {
        // A message box would wait for a click nobody gives: its text goes to the error stream.
        drv::AnswerMessages([](const std::string& text, bool /*question*/) {
            std::fprintf(stderr, "ui_screenshot: message: %s\n", text.c_str());
            return false;
        });
        result = chart ? ChartAndShoot(png) : PrintAndShoot(png);
    }
    if (drv::MainFrameAlive()) {
        drv::SendCommand(cmd::kExit);
        drv::WaitFor([] { return !drv::MainFrameAlive(); }, 30);
    }
    drv::StopToolkit();
    return result;
}
