#include "ui/GuiDriver.h"

#include <chrono>

#include <wx/app.h>
#include <wx/bmpbuttn.h>
#include <wx/init.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "ui/App.h"
#include "ui/MainFrame.h"
#include "ui/PreviewView.h"
#include "ui/WxIds.h"

namespace tavolux::ui::driver {

namespace {

CTavoluxApp& App()
{
    return *static_cast<CTavoluxApp*>(wxTheApp);
}

CMainFrame& Frame()
{
    return *App().MainFrame();
}

void Collect(wxMenu* menu, std::vector<MenuItemView>& items)
{
    menu->UpdateUI(&Frame());
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (item->IsSubMenu()) {
            Collect(item->GetSubMenu(), items);
        } else if (!item->IsSeparator()) {
            items.push_back({CoreIdOf(item->GetId()), item->GetItemLabelText().utf8_string(),
                             item->IsEnabled(), item->IsCheckable(),
                             item->IsCheckable() && item->IsChecked()});
        }
    }
}

}  // namespace

bool StartToolkit(int& argc, char** argv)
{
    wxApp::SetInstance(new CTavoluxApp);
    return wxEntryStart(argc, argv);
}

void StopToolkit()
{
    if (MainFrameAlive()) {
        Frame().Close(true);
        WaitFor([] { return !MainFrameAlive(); });
    }
    wxEntryCleanup();
}

bool StartMainFrame(const StartOptions& options)
{
    return App().StartMainFrame(options) != nullptr;
}

bool MainFrameAlive()
{
    return wxTheApp != nullptr && App().MainFrame() != nullptr;
}

CPrinterSession& Session()
{
    return Frame().Session();
}

const CPrinterConfig& Config()
{
    return Frame().Config();
}

std::shared_ptr<sim::CVirtualPrinter> VirtualPrinter()
{
    return Frame().VirtualPrinter();
}

CUiDispatcher& Dispatcher()
{
    return App().Dispatcher();
}

UiSnapshot Snapshot()
{
    return Frame().Snapshot();
}

bool WaitFor(const std::function<bool()>& condition, int seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
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

void SendCommand(int command)
{
    wxCommandEvent event(wxEVT_MENU, WxIdOf(command));
    event.SetEventObject(&Frame());
    Frame().GetEventHandler()->ProcessEvent(event);
}

void SendTool(int command)
{
    wxCommandEvent event(wxEVT_TOOL, WxIdOf(command));
    event.SetEventObject(Frame().GetToolBar());
    Frame().GetEventHandler()->ProcessEvent(event);
}

void SendArrowKey(ArrowKey key, bool down)
{
    static constexpr int kCodes[] = {WXK_UP, WXK_DOWN, WXK_LEFT, WXK_RIGHT};
    wxWindow* target = wxWindow::FindFocus();
    if (target == nullptr || wxGetTopLevelParent(target) != &Frame()) {
        target = &Frame();
    }
    wxKeyEvent event(down ? wxEVT_KEY_DOWN : wxEVT_KEY_UP);
    event.m_keyCode = kCodes[static_cast<int>(key)];
    event.SetEventObject(target);
    target->GetEventHandler()->ProcessEvent(event);
}

namespace {

wxWindow* JogButton(int command)
{
    wxToolBar* bar = Frame().GetToolBar();
    wxToolBarToolBase* tool = bar != nullptr ? bar->FindById(WxIdOf(command)) : nullptr;
    return tool != nullptr && tool->IsControl() ? tool->GetControl() : nullptr;
}

}  // namespace

void SendJogButtonMouse(int command, bool down)
{
    wxWindow* button = JogButton(command);
    if (button == nullptr) {
        return;
    }
    wxMouseEvent event(down ? wxEVT_LEFT_DOWN : wxEVT_LEFT_UP);
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

void SendJogCaptureLost(int command)
{
    wxWindow* button = JogButton(command);
    if (button == nullptr) {
        return;
    }
    // The toolkit has taken the capture away before it tells the window.
    if (button->HasCapture()) {
        button->ReleaseMouse();
    }
    wxMouseCaptureLostEvent event(button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

void SendFocusLost()
{
    wxWindow* target = wxWindow::FindFocus();
    if (target == nullptr || wxGetTopLevelParent(target) != &Frame()) {
        target = &Frame();
    }
    wxFocusEvent event(wxEVT_KILL_FOCUS, target->GetId());
    event.SetEventObject(target);
    target->GetEventHandler()->ProcessEvent(event);
}

void SendAppActivation(bool active)
{
    wxActivateEvent event(wxEVT_ACTIVATE_APP, active);
    event.SetEventObject(wxTheApp);
    wxTheApp->ProcessEvent(event);
}

void SetMachineState(MachineState state)
{
    Frame().Session().Machine().Set(state);
}

bool CloseWindow()
{
    return Frame().Close(false);
}

void AnswerMessages(std::function<bool(const std::string& text, bool question)> hook)
{
    Frame().SetMessageHook(std::move(hook));
}

std::vector<std::string> MenuTitles()
{
    std::vector<std::string> titles;
    wxMenuBar* bar = Frame().GetMenuBar();
    for (size_t i = 0; bar != nullptr && i < bar->GetMenuCount(); ++i) {
        titles.push_back(bar->GetMenuLabel(i).utf8_string());
    }
    return titles;
}

std::vector<MenuItemView> MenuItems()
{
    std::vector<MenuItemView> items;
    wxMenuBar* bar = Frame().GetMenuBar();
    for (size_t i = 0; bar != nullptr && i < bar->GetMenuCount(); ++i) {
        Collect(bar->GetMenu(i), items);
    }
    return items;
}

std::vector<ToolView> Tools()
{
    std::vector<ToolView> tools;
    wxToolBar* bar = Frame().GetToolBar();
    for (size_t i = 0; bar != nullptr && i < bar->GetToolsCount(); ++i) {
        const wxToolBarToolBase* tool = bar->GetToolByPos(static_cast<int>(i));
        if (tool->IsSeparator()) {
            tools.push_back({});
        } else if (tool->IsControl()) {
            const auto* button = wxDynamicCast(tool->GetControl(), wxBitmapButton);
            tools.push_back({CoreIdOf(tool->GetId()), false,
                             button != nullptr && button->GetBitmapLabel().IsOk()});
        } else {
            tools.push_back(
                {CoreIdOf(tool->GetId()), tool->CanBeToggled(), tool->GetNormalBitmap().IsOk()});
        }
    }
    return tools;
}

bool StatusBarShown()
{
    return Frame().GetStatusBar() != nullptr && Frame().GetStatusBar()->IsShown();
}

std::string StateViewText()
{
    return Frame().StateViewText().utf8_string();
}

}  // namespace tavolux::ui::driver

namespace tavolux::ui::driver {

void AnswerFileDialog(std::function<std::string()> hook)
{
    Frame().SetFileDialogHook(std::move(hook));
}

CTaskList& Tasks()
{
    return Frame().Tasks();
}

bool PreviewBusy()
{
    return Frame().PreviewBusy();
}

bool PreviewProgressShown()
{
    return Frame().PreviewProgressShown();
}

DibImage PreviewImage()
{
    DibImage out;
    const wxImage& image = Frame().PreviewView().Image();
    if (!image.IsOk()) {
        return out;
    }
    out.Allocate(image.GetWidth(), image.GetHeight(), 24, 0);
    const unsigned char* rgb = image.GetData();
    for (int y = 0; y < out.height; ++y) {
        uint8_t* row = out.Row(y);
        for (int x = 0; x < out.width; ++x, rgb += 3) {
            row[x * 3] = rgb[2];
            row[x * 3 + 1] = rgb[1];
            row[x * 3 + 2] = rgb[0];
        }
    }
    return out;
}

PreviewJob LastPreviewJob()
{
    return Frame().LastPreviewJob();
}

int PreviewStoppedBuilds()
{
    return Frame().PreviewStoppedBuilds();
}

}  // namespace tavolux::ui::driver
