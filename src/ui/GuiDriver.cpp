#include "ui/GuiDriver.h"

#include <chrono>

#include <wx/app.h>
#include <wx/bmpbuttn.h>
#include <wx/grid.h>
#include <wx/init.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "ui/App.h"
#include "ui/MainFrame.h"
#include "ui/TaskView.h"
#include "uimodel/PrintTask.h"
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

namespace {

CTaskView& TaskView()
{
    return *Frame().TaskView();
}

}  // namespace

CTaskList& Tasks()
{
    return Frame().Tasks();
}

int TaskRows()
{
    return TaskView().RowCount();
}

std::string TaskCell(int row, int column)
{
    return TaskView().CellText(row, column).utf8_string();
}

std::string TaskColumnTitle(int column)
{
    return TaskView().Grid()->GetColLabelValue(column).utf8_string();
}

std::pair<int, int> TaskThumbnailSize(int row)
{
    const wxBitmap& thumb = TaskView().Thumbnail(row);
    return thumb.IsOk() ? std::pair{thumb.GetWidth(), thumb.GetHeight()} : std::pair{0, 0};
}

int TaskSelectedRow()
{
    return TaskView().SelectedRow();
}

bool TaskColumnsFit()
{
    return TaskView().ColumnsFit();
}

void ClickTaskRow(int row)
{
    TaskView().ClickRow(row);
}

std::vector<TaskMenuItem> TaskRowMenu()
{
    std::vector<TaskMenuItem> items;
    const std::unique_ptr<wxMenu> menu = TaskView().BuildRowMenu();
    for (const wxMenuItem* item : menu->GetMenuItems()) {
        if (!item->IsSeparator()) {
            items.push_back({item->GetItemLabelText().utf8_string(), item->IsEnabled()});
        }
    }
    return items;
}

bool ChooseTaskMenuItem(const std::string& label)
{
    const std::unique_ptr<wxMenu> menu = TaskView().BuildRowMenu();
    for (const wxMenuItem* item : menu->GetMenuItems()) {
        if (!item->IsSeparator() && item->GetItemLabelText().utf8_string() == label) {
            if (!item->IsEnabled()) {
                return false;
            }
            // As the popup menu reports the choice: a menu event on the window.
            wxCommandEvent event(wxEVT_MENU, item->GetId());
            event.SetEventObject(&TaskView());
            TaskView().GetEventHandler()->ProcessEvent(event);
            return true;
        }
    }
    return false;
}

bool TypeTaskCopies(int row, const std::string& text)
{
    return TaskView().ApplyCopies(row, text);
}

void SendTaskKey(TaskKey key)
{
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = key == TaskKey::Delete ? WXK_DELETE : WXK_F2;
    event.SetEventObject(TaskView().Grid());
    TaskView().Grid()->GetEventHandler()->ProcessEvent(event);
}

bool TaskCopiesEditorOpen()
{
    const wxGrid* grid = TaskView().Grid();
    return grid->IsCellEditControlShown() && grid->GetGridCursorCol() == kColCopies;
}

void CloseTaskEditor()
{
    TaskView().Grid()->DisableCellEditControl();
}

bool TaskPrinting()
{
    return Frame().Printer().Running();
}

bool StartAnotherMainFrame(const StartOptions& options)
{
    if (MainFrameAlive()) {
        return false;
    }
    App().Dispatcher().Reopen();
    return StartMainFrame(options);
}

}  // namespace tavolux::ui::driver
