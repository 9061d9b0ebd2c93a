// The real desktop program under a display, on the in-process virtual printer: its menus and
// tool bar as the command table says, a menu command reaching the printer, the dispatcher's
// wake, and closing. The tests share one main window and run in order; the last one closes it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/menu.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include "device/Operations.h"
#include "res/StringTable.h"
#include "support/TempDir.h"
#include "ui/App.h"
#include "ui/Icons.h"
#include "ui/MainFrame.h"
#include "ui/WxIds.h"
#include "uimodel/MenuModel.h"

namespace tavolux::test {

namespace {

ui::CTavoluxApp& App()
{
    return *static_cast<ui::CTavoluxApp*>(wxTheApp);
}

// Runs the UI (events, idle work, pending deletions) until condition holds or 20 s passed.
bool WaitFor(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        wxTheApp->Yield(true);
        wxTheApp->ProcessIdle();
        wxMilliSleep(5);
    }
    return true;
}

// The commands of the menu bar's items (submenus walked), in order.
void CollectIds(const wxMenu* menu, std::vector<wxMenuItem*>& items)
{
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (item->IsSubMenu()) {
            CollectIds(item->GetSubMenu(), items);
        } else if (!item->IsSeparator()) {
            items.push_back(item);
        }
    }
}

void SendCommand(wxWindow* frame, int command)
{
    wxCommandEvent event(wxEVT_MENU, ui::WxIdOf(command));
    event.SetEventObject(frame);
    frame->GetEventHandler()->ProcessEvent(event);
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
        frame = App().StartMainFrame({dir->Path(), "virtual"});
    }
    static void TearDownTestSuite()
    {
        if (App().MainFrame() != nullptr) {
            App().MainFrame()->Close(true);
            WaitFor([] { return App().MainFrame() == nullptr; });
        }
        delete dir;
    }

    int Resets() const
    {
        const auto commands = frame->VirtualPrinter()->Commands();
        return static_cast<int>(std::count_if(commands.begin(), commands.end(), [](const auto& c) {
            return !c.empty() && c[0] == wire::cmd::kReset;
        }));
    }

    static TempDir* dir;
    static ui::CMainFrame* frame;
};

TempDir* DesktopProgram::dir = nullptr;
ui::CMainFrame* DesktopProgram::frame = nullptr;

TEST_F(DesktopProgram, StartsOnTheVirtualPrinterAndShowsItsState)
{
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(frame->VirtualPrinter(), nullptr);
    EXPECT_EQ(GetUiLanguage(), UiLanguage::Chinese) << "the sample configures Chinese";
    // Opening resets the printer; it answers ready after its mechanical time.
    EXPECT_TRUE(WaitFor([&] { return frame->Session().Machine().Get() == MachineState::Ready; }));
    EXPECT_TRUE(WaitFor([&] {
        return !frame->StateViewText().empty() &&
               frame->StateViewText() ==
                   wxString::FromUTF8(frame->Session().StateLine().StateText());
    })) << frame->StateViewText();
}

TEST_F(DesktopProgram, MenuBarHoldsTheVersionsCommandsByIdWithTheirRules)
{
    const MenuVariant variant{frame->Config().params.PrintVer, frame->Config().params.WhiteColorNo};
    const std::vector<Menu> model = BuildMenuBar(variant);
    wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->GetMenuCount(), model.size());
    std::vector<wxMenuItem*> items;
    for (size_t i = 0; i < model.size(); ++i) {
        EXPECT_EQ(bar->GetMenuLabelText(i),
                  wxMenuItem::GetLabelText(wxString::FromUTF8(LoadResString(model[i].titleId))));
        bar->GetMenu(i)->UpdateUI(frame);
        CollectIds(bar->GetMenu(i), items);
    }
    std::vector<int> shown;
    for (const wxMenuItem* item : items) {
        shown.push_back(ui::CoreIdOf(item->GetId()));
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
    const UiSnapshot snapshot = frame->Snapshot();
    for (const wxMenuItem* item : items) {
        const int id = ui::CoreIdOf(item->GetId());
        const bool isGrayed = std::find(grayed.begin(), grayed.end(), id) != grayed.end();
        const ItemState rule = UpdateItem(id, snapshot);
        EXPECT_EQ(item->IsEnabled(), rule.enabled && !isGrayed) << id;
        if (item->IsCheckable()) {
            EXPECT_EQ(item->IsChecked(), rule.checked) << id;
        }
        EXPECT_EQ(item->GetItemLabelText(),
                  wxMenuItem::GetLabelText(wxString::FromUTF8(MenuLabel(id)).BeforeFirst('\t')))
            << id;
    }
}

TEST_F(DesktopProgram, ToolBarShowsEveryButtonInOrderWithAnIcon)
{
    wxToolBar* bar = frame->GetToolBar();
    ASSERT_NE(bar, nullptr);
    size_t pos = 0;
    for (const ToolBarEntry& entry : BuildToolBar()) {
        ASSERT_LT(pos, bar->GetToolsCount());
        const wxToolBarToolBase* tool = bar->GetToolByPos(static_cast<int>(pos++));
        if (entry.id == 0) {
            EXPECT_TRUE(tool->IsSeparator()) << pos;
            continue;
        }
        EXPECT_EQ(ui::CoreIdOf(tool->GetId()), entry.id) << pos;
        EXPECT_EQ(tool->CanBeToggled(), entry.checkButton) << entry.id;
        EXPECT_TRUE(tool->GetNormalBitmap().IsOk()) << "no icon on " << entry.id;
        EXPECT_FALSE(ui::IconSvg(FindCommand(entry.id)->icon).empty()) << entry.id;
    }
    EXPECT_EQ(pos, bar->GetToolsCount());
}

TEST_F(DesktopProgram, ResetFromTheMenuReachesThePrinter)
{
    ASSERT_TRUE(WaitFor([&] { return frame->Session().Machine().Get() == MachineState::Ready; }));
    const int before = Resets();
    SendCommand(frame, cmd::kReset);
    EXPECT_TRUE(WaitFor([&] { return Resets() == before + 1; })) << Resets() << " resets";
    EXPECT_TRUE(WaitFor([&] { return frame->Session().Machine().Get() == MachineState::Ready; }));
}

TEST_F(DesktopProgram, StatusBarCommandHidesAndShowsItWithItsCheckMark)
{
    wxMenuItem* item = frame->GetMenuBar()->FindItem(ui::WxIdOf(cmd::kStatusBar));
    ASSERT_NE(item, nullptr);
    for (const bool shown : {false, true}) {
        SendCommand(frame, cmd::kStatusBar);
        EXPECT_EQ(frame->GetStatusBar()->IsShown(), shown);
        item->GetMenu()->UpdateUI(frame);
        EXPECT_EQ(item->IsChecked(), shown);
    }
}

TEST_F(DesktopProgram, AnotherThreadWakesTheUiThroughTheDispatcher)
{
    std::atomic<int> ran{0};
    std::thread poster([&] {
        for (int i = 0; i < 3; ++i) {
            App().Dispatcher().Post([&] { ran.fetch_add(1); });
        }
    });
    poster.join();
    EXPECT_TRUE(WaitFor([&] { return ran.load() == 3; })) << ran.load();
}

// Last: the window closes through its one handler, which stops the printer session and the
// dispatcher before the window goes.
TEST_F(DesktopProgram, ClosingStopsTheSessionAndTheDispatcher)
{
    ASSERT_TRUE(WaitFor([&] { return frame->Session().CanClose(); }));
    SendCommand(frame, cmd::kExit);
    EXPECT_TRUE(WaitFor([] { return App().MainFrame() == nullptr; }));
    EXPECT_TRUE(App().Dispatcher().IsClosed());
    EXPECT_FALSE(App().Dispatcher().Post([] {}));
}

}  // namespace tavolux::test

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new tavolux::ui::CTavoluxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "no display: run under xvfb-run\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
