#include "ui/GuiDriver.h"

#include <chrono>

#include <wx/app.h>
#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/grid.h>
#include <wx/init.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "ui/App.h"
#include "ui/MainFrame.h"
#include "ui/PreviewView.h"
#include "ui/SideBar.h"
#include "ui/WxDialog.h"
#include "ui/TaskView.h"
#include "ui/WxIds.h"
#include "uimodel/PrintTask.h"

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

SideBarView SideBar()
{
    SideBarView view;
    const CSideBar* bar = Frame().SideBar();
    if (bar == nullptr) {
        return view;
    }
    view.shown = bar->IsShownOnScreen();
    view.openFolder = bar->OpenFolderNumber();
    view.width = bar->GetSize().x;
    view.labelsFit = true;
    view.itemsHaveIcons = !bar->Items().empty();
    auto fits = [](const wxButton* b) { return b->GetBestSize().x <= b->GetSize().x; };
    for (const wxButton* header : bar->Headers()) {
        view.headers.push_back(header->GetLabelText().utf8_string());
        view.labelsFit = view.labelsFit && fits(header);
    }
    for (const SideFolderModel& f : bar->Folders()) {
        if (static_cast<int>(f.folder) == view.openFolder) {
            for (const SideItem& item : f.items) {
                view.itemCommands.push_back(item.id);
            }
        }
    }
    for (const wxButton* item : bar->Items()) {
        view.itemLabels.push_back(item->GetLabelText().utf8_string());
        view.itemsHaveIcons = view.itemsHaveIcons && item->GetBitmap().IsOk();
        view.labelsFit = view.labelsFit && fits(item);
    }
    return view;
}

namespace {

void Click(wxButton* button)
{
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

wxDialog* ModalDialog()
{
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog != nullptr && dialog->IsModal()) {
            return dialog;
        }
    }
    return nullptr;
}

CWxDialog* g_controlsDialog = nullptr;  // OpenControlsDialog's window

// The model dialog open now: a modal one, else the one OpenControlsDialog opened.
CWxDialog* ModelDialog()
{
    auto* modal = dynamic_cast<CWxDialog*>(ModalDialog());
    return modal != nullptr ? modal : g_controlsDialog;
}

void CollectTexts(wxWindow* parent, std::vector<std::string>& texts, bool& image)
{
    for (wxWindow* child : parent->GetChildren()) {
        if (const auto* text = dynamic_cast<const wxStaticText*>(child)) {
            texts.push_back(text->GetLabelText().utf8_string());
        }
        if (const auto* bitmap = dynamic_cast<const wxStaticBitmap*>(child)) {
            image = image || bitmap->GetBitmap().IsOk();
        }
        CollectTexts(child, texts, image);
    }
}

}  // namespace

void ClickSideBarHeader(int position)
{
    const CSideBar* bar = Frame().SideBar();
    if (bar != nullptr && position >= 0 && position < static_cast<int>(bar->Headers().size())) {
        Click(bar->Headers()[static_cast<size_t>(position)]);
    }
}

void ClickSideBarItem(int index)
{
    const CSideBar* bar = Frame().SideBar();
    if (bar != nullptr && index >= 0 && index < static_cast<int>(bar->Items().size())) {
        Click(bar->Items()[static_cast<size_t>(index)]);
    }
}

void WhileModal(const std::function<void()>& steps)
{
    wxTheApp->CallAfter(steps);
}

void RunCommand(int command)
{
    Frame().Carry(Frame().Model().Execute(command));
}

bool ModalDialogOpen()
{
    return ModalDialog() != nullptr;
}

std::vector<std::string> ModalDialogTexts()
{
    std::vector<std::string> texts;
    bool image = false;
    if (wxDialog* dialog = ModalDialog()) {
        CollectTexts(dialog, texts, image);
    }
    return texts;
}

bool ModalDialogHasImage()
{
    std::vector<std::string> texts;
    bool image = false;
    if (wxDialog* dialog = ModalDialog()) {
        CollectTexts(dialog, texts, image);
    }
    return image;
}

void CloseModalDialog()
{
    if (wxDialog* dialog = ModalDialog()) {
        if (dynamic_cast<CWxDialog*>(dialog) != nullptr) {
            dialog->Close();
        } else {
            dialog->EndModal(wxID_CANCEL);
        }
    }
}

DialogControlView DialogControl(int id)
{
    DialogControlView view;
    CWxDialog* dialog = ModelDialog();
    if (dialog == nullptr || dialog->FindControl(id) == nullptr) {
        return view;
    }
    const IDialogControls& c = dialog->Controls();
    view.exists = true;
    view.enabled = c.IsEnabled(id);
    view.shown = c.IsShown(id);
    view.checked = c.GetCheck(id);
    view.label = c.GetLabel(id);
    return view;
}

void UseDialogControl(int id)
{
    CWxDialog* dialog = ModelDialog();
    wxWindow* control = dialog != nullptr ? dialog->FindControl(id) : nullptr;
    if (control == nullptr || !control->IsEnabled()) {
        return;
    }
    wxEventType type = wxEVT_BUTTON;
    if (auto* radio = dynamic_cast<wxRadioButton*>(control)) {
        radio->SetValue(true);
        type = wxEVT_RADIOBUTTON;
    } else if (auto* check = dynamic_cast<wxCheckBox*>(control)) {
        check->SetValue(!check->GetValue());
        type = wxEVT_CHECKBOX;
    }
    wxCommandEvent event(type, control->GetId());
    event.SetEventObject(control);
    event.SetInt(1);
    control->GetEventHandler()->ProcessEvent(event);
}

void SetRestartProgram(const std::filesystem::path& program)
{
    Frame().SetRestartProgram(program);
}

bool StartMainFrameHoldingLock(const StartOptions& options, const std::filesystem::path& lockDir,
                               const std::string& name)
{
    auto instance = std::make_unique<CSingleInstance>(lockDir, name);
    if (instance->Acquire() != CSingleInstance::Result::First) {
        return false;
    }
    App().SetInstance(std::move(instance));
    return StartMainFrame(options);
}

IDialogControls& OpenControlsDialog(const std::vector<std::pair<int, ControlKind>>& controls)
{
    DestroyControlsDialog();
    auto* dialog = new CWxDialog(&Frame(), "controls");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    bool firstRadio = true;
    for (const auto& [id, kind] : controls) {
        wxWindow* control = nullptr;
        switch (kind) {
            case ControlKind::Text:
                control = new wxTextCtrl(dialog, wxID_ANY);
                break;
            case ControlKind::Label:
                control = new wxStaticText(dialog, wxID_ANY, wxString());
                break;
            case ControlKind::Choice:
                control = new wxChoice(dialog, wxID_ANY);
                break;
            case ControlKind::Check:
                control = new wxCheckBox(dialog, wxID_ANY, wxString());
                break;
            case ControlKind::Radio:
                control = new wxRadioButton(dialog, wxID_ANY, wxString(), wxDefaultPosition,
                                            wxDefaultSize, firstRadio ? wxRB_GROUP : 0);
                firstRadio = false;
                break;
            case ControlKind::Button:
                control = new wxButton(dialog, wxID_ANY, wxString());
                break;
        }
        dialog->AddControl(id, control);
        sizer->Add(control, wxSizerFlags().Expand());
    }
    dialog->SetSizerAndFit(sizer);
    dialog->Show();
    g_controlsDialog = dialog;
    return dialog->Controls();
}

void SetControlsDialogModel(std::unique_ptr<CDialogModel> model)
{
    if (g_controlsDialog != nullptr) {
        g_controlsDialog->SetModel(std::move(model));
    }
}

void CloseControlsDialog()
{
    if (g_controlsDialog != nullptr) {
        g_controlsDialog->Close();
    }
}

bool ControlsDialogEnded()
{
    return g_controlsDialog != nullptr && g_controlsDialog->Ended();
}

int ControlsDialogEndCode()
{
    return g_controlsDialog != nullptr ? g_controlsDialog->EndCode() : 0;
}

void DestroyControlsDialog()
{
    if (g_controlsDialog != nullptr) {
        g_controlsDialog->Destroy();
        g_controlsDialog = nullptr;
    }
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

namespace {

CTaskView& TaskView()
{
    return *Frame().TaskView();
}

}  // namespace

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
