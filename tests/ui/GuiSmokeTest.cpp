// The real desktop program under a display, on the in-process virtual printer: its menus and
// tool bar as the command table says, a menu command reaching the printer, the dispatcher's
// wake, and closing. The tests share one main window and run in order; the last one closes it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "config/PrinterConfig.h"
#include "device/MachineState.h"
#include "device/Operations.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "support/TempDir.h"
#include "ui/GuiDriver.h"
#include "ui/Icons.h"
#include "uimodel/MenuModel.h"
#include "uimodel/PrinterSession.h"
#include "uimodel/UiDispatcher.h"

namespace tavolux::test {

namespace drv = ui::driver;

namespace {

// A menu text as the menu shows it: without its mnemonic marks and its accelerator.
std::string Shown(std::string text)
{
    text = text.substr(0, text.find('\t'));
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    return text;
}

bool Ready()
{
    return drv::Session().Machine().Get() == MachineState::Ready;
}

}  // namespace

class DesktopProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir;
        std::filesystem::copy_file(
            std::filesystem::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini",
            dir->Path() / "tavolux.ini");
        // The charts' glyph files, beside the program as in an installed one.
        for (const char* name : {"DiGi.bin", "ZiMo.bin"}) {
            std::filesystem::copy_file(std::filesystem::path(TAVOLUX_BIN_DIR) / name,
                                       dir->Path() / name);
        }
        started = drv::StartMainFrame({dir->Path(), "virtual"});
    }
    static void TearDownTestSuite() { delete dir; }

    void SetUp() override { ASSERT_TRUE(started && drv::MainFrameAlive()); }

    static int Sent(uint8_t code) { return drv::VirtualPrinter()->LoneCommands(code); }
    static int Resets() { return Sent(wire::cmd::kReset); }

    static TempDir* dir;
    static bool started;
};

TempDir* DesktopProgram::dir = nullptr;
bool DesktopProgram::started = false;

TEST_F(DesktopProgram, StartsOnTheVirtualPrinterAndShowsItsState)
{
    ASSERT_NE(drv::VirtualPrinter(), nullptr);
    EXPECT_EQ(GetUiLanguage(), UiLanguage::Chinese) << "the sample configures Chinese";
    // Opening resets the printer; it answers ready after its mechanical time.
    EXPECT_TRUE(drv::WaitFor(Ready));
    EXPECT_TRUE(drv::WaitFor([] {
        return !drv::StateViewText().empty() &&
               drv::StateViewText() == drv::Session().StateLine().StateText();
    })) << drv::StateViewText();
}

TEST_F(DesktopProgram, MenuBarHoldsTheVersionsCommandsByIdWithTheirRules)
{
    const MenuVariant variant{drv::Config().params.PrintVer, drv::Config().params.WhiteColorNo};
    const std::vector<Menu> model = BuildMenuBar(variant);
    const std::vector<std::string> titles = drv::MenuTitles();
    ASSERT_EQ(titles.size(), model.size());
    for (size_t i = 0; i < model.size(); ++i) {
        EXPECT_EQ(titles[i], LoadResString(model[i].titleId));
    }
    const std::vector<drv::MenuItemView> items = drv::MenuItems();
    std::vector<int> shown;
    for (const drv::MenuItemView& item : items) {
        shown.push_back(item.command);
    }
    ASSERT_EQ(shown, MenuCommandIds(model));

    // Each item follows its update rule; the version's greyed items stay disabled.
    std::vector<int> grayed;
    std::function<void(const std::vector<MenuNode>&)> walk = [&](const std::vector<MenuNode>& n) {
        for (const MenuNode& node : n) {
            if (node.kind == MenuNode::Kind::Submenu) {
                walk(node.children);
            } else if (node.kind == MenuNode::Kind::Command && node.grayed) {
                grayed.push_back(node.id);
            }
        }
    };
    for (const Menu& m : model) {
        walk(m.items);
    }
    const UiSnapshot snapshot = drv::Snapshot();
    for (const drv::MenuItemView& item : items) {
        const bool isGrayed = std::find(grayed.begin(), grayed.end(), item.command) != grayed.end();
        const ItemState rule = UpdateItem(item.command, snapshot);
        EXPECT_EQ(item.enabled, rule.enabled && !isGrayed) << item.command;
        if (item.checkable) {
            EXPECT_EQ(item.checked, rule.checked) << item.command;
        }
        EXPECT_EQ(item.label, Shown(MenuLabel(item.command))) << item.command;
    }
}

TEST_F(DesktopProgram, ToolBarShowsEveryButtonInOrderWithAnIcon)
{
    const std::vector<drv::ToolView> tools = drv::Tools();
    const std::vector<ToolBarEntry> model = BuildToolBar();
    ASSERT_EQ(tools.size(), model.size());
    for (size_t i = 0; i < model.size(); ++i) {
        EXPECT_EQ(tools[i].command, model[i].id) << i;
        if (model[i].id != 0) {
            EXPECT_EQ(tools[i].toggle, model[i].checkButton) << model[i].id;
            EXPECT_TRUE(tools[i].hasIcon) << "no icon on " << model[i].id;
            EXPECT_FALSE(ui::IconSvg(FindCommand(model[i].id)->icon).empty()) << model[i].id;
        }
    }
}

TEST_F(DesktopProgram, ResetFromTheMenuReachesThePrinter)
{
    ASSERT_TRUE(drv::WaitFor(Ready));
    const int before = Resets();
    drv::SendCommand(cmd::kReset);
    EXPECT_TRUE(drv::WaitFor([&] { return Resets() == before + 1; })) << Resets() << " resets";
    EXPECT_TRUE(drv::WaitFor(Ready));
}

// The nozzle check from the menu prints on its own thread while the window stays live: the
// state view shows printing, the chart's two passes reach the printer, and the machine comes
// back (through the automatic flash the sample configures) with nothing to tell.
TEST_F(DesktopProgram, NozzleCheckFromTheMenuPrintsAndReturnsToReady)
{
    std::vector<std::string> shown;
    drv::AnswerMessages([&](const std::string& text, bool) {
        shown.push_back(text);
        return false;
    });
    ASSERT_TRUE(drv::WaitFor(Ready));
    const int passes = drv::VirtualPrinter()->PassesDone();
    const std::string printingText =
        LoadResString(CMachineState::StatusTextId(MachineState::Printing));
    drv::SendCommand(cmd::kNozzleCheck);
    EXPECT_TRUE(drv::WaitFor([&] { return drv::StateViewText() == printingText; }))
        << drv::StateViewText();
    EXPECT_TRUE(drv::WaitFor([] {
        const MachineState s = drv::Session().Machine().Get();
        return s == MachineState::Flash || s == MachineState::Ready;
    }));
    if (drv::Session().Machine().Get() == MachineState::Flash) {
        drv::SendCommand(cmd::kFlashReturn);
    }
    EXPECT_TRUE(drv::WaitFor(Ready));
    EXPECT_EQ(drv::VirtualPrinter()->PassesDone() - passes, 2);
    drv::AnswerMessages({});
    EXPECT_TRUE(shown.empty()) << shown.front();
}

TEST_F(DesktopProgram, StatusBarCommandHidesAndShowsItWithItsCheckMark)
{
    for (const bool shown : {false, true}) {
        drv::SendCommand(cmd::kStatusBar);
        EXPECT_EQ(drv::StatusBarShown(), shown);
        const auto items = drv::MenuItems();
        const auto item = std::find_if(items.begin(), items.end(),
                                       [](const auto& i) { return i.command == cmd::kStatusBar; });
        ASSERT_NE(item, items.end());
        EXPECT_EQ(item->checked, shown);
    }
}

TEST_F(DesktopProgram, AnotherThreadWakesTheUiThroughTheDispatcher)
{
    std::atomic<int> ran{0};
    std::thread poster([&] {
        for (int i = 0; i < 3; ++i) {
            drv::Dispatcher().Post([&] { ran.fetch_add(1); });
        }
    });
    poster.join();
    EXPECT_TRUE(drv::WaitFor([&] { return ran.load() == 3; })) << ran.load();
}

TEST_F(DesktopProgram, HeldUpArrowKeyMovesOnceAndStopsOnce)
{
    ASSERT_TRUE(drv::WaitFor(Ready));
    const int ups = Sent(wire::cmd::kMoveUp);
    const int stops = Sent(wire::cmd::kStopMove);
    drv::SendArrowKey(ArrowKey::Up, true);
    ASSERT_TRUE(drv::WaitFor([&] { return Sent(wire::cmd::kMoveUp) == ups + 1; }));
    for (int repeat = 0; repeat < 4; ++repeat) {  // the keyboard's auto-repeat
        drv::SendArrowKey(ArrowKey::Up, true);
    }
    EXPECT_EQ(Sent(wire::cmd::kStopMove), stops) << "stopped before the key came up";
    drv::SendArrowKey(ArrowKey::Up, false);
    EXPECT_TRUE(drv::WaitFor([&] { return Sent(wire::cmd::kStopMove) == stops + 1; }));
    EXPECT_TRUE(drv::WaitFor(Ready));
    EXPECT_EQ(Sent(wire::cmd::kMoveUp), ups + 1);
    EXPECT_EQ(Sent(wire::cmd::kStopMove), stops + 1);
}

// However the hold is lost before the key comes up, one stop follows, and the late key-up
// sends no second one.
TEST_F(DesktopProgram, HeldKeyLostToTheApplicationOrAMessageStopsOnce)
{
    std::vector<std::string> shown;
    drv::AnswerMessages([&](const std::string& text, bool) {
        shown.push_back(text);
        return false;
    });
    const struct {
        const char* name;
        std::function<void()> lose;
        std::function<void()> restore;
    } cases[] = {
        {"application deactivated", [] { drv::SendAppActivation(false); },
         [] { drv::SendAppActivation(true); }},
        {"a message box opens", [] { drv::SendCommand(cmd::kAbout); }, [] {}},
        {"the keyboard focus leaves the program", [] { drv::SendFocusLost(); }, [] {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(drv::WaitFor(Ready));
        const int ups = Sent(wire::cmd::kMoveUp);
        const int stops = Sent(wire::cmd::kStopMove);
        drv::SendArrowKey(ArrowKey::Up, true);
        ASSERT_TRUE(drv::WaitFor([&] { return Sent(wire::cmd::kMoveUp) == ups + 1; }));
        c.lose();
        EXPECT_TRUE(drv::WaitFor([&] { return Sent(wire::cmd::kStopMove) == stops + 1; }));
        drv::SendArrowKey(ArrowKey::Up, false);
        c.restore();
        EXPECT_TRUE(drv::WaitFor(Ready));
        EXPECT_EQ(Sent(wire::cmd::kMoveUp), ups + 1);
        EXPECT_EQ(Sent(wire::cmd::kStopMove), stops + 1);
    }
    drv::AnswerMessages({});
    ASSERT_EQ(shown.size(), 1U) << "the about text";
}

// The tool bar's arrow button moves from its press to its release, or until it loses the mouse.
TEST_F(DesktopProgram, JogButtonMovesFromPressToReleaseOrCaptureLoss)
{
    const struct {
        const char* name;
        std::function<void()> end;
    } cases[] = {
        {"released", [] { drv::SendJogButtonMouse(cmd::kJogUp, false); }},
        {"capture lost",
         [] {
             drv::SendJogCaptureLost(cmd::kJogUp);
             drv::SendJogButtonMouse(cmd::kJogUp, false);  // the late release adds nothing
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(drv::WaitFor(Ready));
        const int ups = Sent(wire::cmd::kMoveUp);
        const int stops = Sent(wire::cmd::kStopMove);
        drv::SendJogButtonMouse(cmd::kJogUp, true);
        ASSERT_TRUE(drv::WaitFor([&] { return Sent(wire::cmd::kMoveUp) == ups + 1; }));
        EXPECT_EQ(Sent(wire::cmd::kStopMove), stops);
        c.end();
        EXPECT_TRUE(drv::WaitFor([&] { return Sent(wire::cmd::kStopMove) == stops + 1; }));
        EXPECT_TRUE(drv::WaitFor(Ready));
        EXPECT_EQ(Sent(wire::cmd::kMoveUp), ups + 1);
        EXPECT_EQ(Sent(wire::cmd::kStopMove), stops + 1);
    }
}

TEST_F(DesktopProgram, OptionButtonOnTheToolBarSavesItsKey)
{
    for (const int id : {cmd::kOptionOrigin, cmd::kOptionAutoFlash}) {
        auto value = [id](const CPrinterConfig& c) {
            return id == cmd::kOptionOrigin ? c.params.Origin : c.params.AutoFlash;
        };
        const int before = value(drv::Config());
        for (const int expected : {before == 1 ? 0 : 1, before}) {
            drv::SendTool(id);
            CPrinterConfig saved(dir->Path());
            ASSERT_TRUE(saved.LoadConfig());
            EXPECT_EQ(value(saved), expected) << id;
            const UiSnapshot s = drv::Snapshot();
            EXPECT_EQ(id == cmd::kOptionOrigin ? s.origin : s.autoFlash, expected == 1) << id;
        }
    }
}

TEST_F(DesktopProgram, CloseIsRefusedWhileTheMachineIsBusy)
{
    std::vector<std::string> shown;
    drv::AnswerMessages([&](const std::string& text, bool) {
        shown.push_back(text);
        return false;
    });
    ASSERT_TRUE(drv::WaitFor(Ready));
    drv::SetMachineState(MachineState::Printing);
    EXPECT_FALSE(drv::CloseWindow()) << "the window button";
    drv::SendCommand(cmd::kExit);
    EXPECT_TRUE(drv::MainFrameAlive());
    EXPECT_FALSE(drv::Dispatcher().IsClosed());
    drv::SetMachineState(MachineState::Ready);
    drv::AnswerMessages({});
    ASSERT_EQ(shown.size(), 2U);
    for (const std::string& text : shown) {
        EXPECT_EQ(text, LoadResString(ids::kCloseBusy));
    }
}

// Last: the window closes through its one handler, which stops the printer session and the
// dispatcher before the window goes.
TEST_F(DesktopProgram, ClosingStopsTheSessionAndTheDispatcher)
{
    ASSERT_TRUE(drv::WaitFor([] { return drv::Session().CanClose(); }));
    drv::SendCommand(cmd::kExit);
    EXPECT_TRUE(drv::WaitFor([] { return !drv::MainFrameAlive(); }));
    EXPECT_TRUE(drv::Dispatcher().IsClosed());
    EXPECT_FALSE(drv::Dispatcher().Post([] {}));
}

}  // namespace tavolux::test

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!tavolux::ui::driver::StartToolkit(argc, argv)) {
        std::fprintf(stderr, "no display: run under xvfb-run\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    tavolux::ui::driver::StopToolkit();
    return result;
}
