#include "ui/MainFrame.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include <wx/accel.h>
#include <wx/bmpbuttn.h>
#include <wx/display.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include "device/DeviceDiagnostics.h"
#include "device/Operations.h"
#include "device/PrinterStatusBlock.h"
#include "device/ReplyEvents.h"
#include "platform/Clock.h"
#include "platform/ProgramDir.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "ui/AboutBox.h"
#include "ui/App.h"
#include "ui/Icons.h"
#include "ui/PurgeDialog.h"
#include "ui/SideBar.h"
#include "ui/TaskView.h"
#include "ui/WxIds.h"
#include "platform/RandomSource.h"
#include "uimodel/AppTitle.h"
#include "uimodel/ChartPrint.h"
#include "uimodel/PrintTask.h"

namespace tavolux::ui {

namespace {

wxString Text(int id)
{
    return wxString::FromUTF8(LoadResString(id));
}

// Commands whose menu item carries a check or radio mark.
bool Checkable(CommandKind kind)
{
    return kind == CommandKind::BarToggle || kind == CommandKind::Preview ||
           kind == CommandKind::Language || kind == CommandKind::Option;
}

// The jog buttons hold the mouse while a move runs, so that a release anywhere is seen.
class CWindowCapture final : public IJogCapture {
public:
    void Attach(wxWindow* window) { m_window = window; }
    void CaptureMouse() override
    {
        if (m_window != nullptr && !m_window->HasCapture()) {
            m_window->CaptureMouse();
        }
    }
    void ReleaseMouse() override
    {
        if (m_window != nullptr && m_window->HasCapture()) {
            m_window->ReleaseMouse();
        }
    }

private:
    wxWindow* m_window = nullptr;
};

bool ArrowOf(int keyCode, ArrowKey& key)
{
    switch (keyCode) {
        case WXK_UP:
        case WXK_NUMPAD_UP:
            key = ArrowKey::Up;
            return true;
        case WXK_DOWN:
        case WXK_NUMPAD_DOWN:
            key = ArrowKey::Down;
            return true;
        case WXK_LEFT:
        case WXK_NUMPAD_LEFT:
            key = ArrowKey::Left;
            return true;
        case WXK_RIGHT:
        case WXK_NUMPAD_RIGHT:
            key = ArrowKey::Right;
            return true;
        default:
            return false;
    }
}

// The arguments this process was started with, program name excluded.
std::vector<std::string> OwnArguments()
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> args;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos) {
            end = all.size();
        }
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    if (!args.empty()) {
        args.erase(args.begin());
    }
    return args;
}

wxItemKind ItemKindOf(CommandKind kind)
{
    if (kind == CommandKind::Preview) {
        return wxITEM_RADIO;
    }
    return Checkable(kind) ? wxITEM_CHECK : wxITEM_NORMAL;
}

}  // namespace

CMainFrame::CMainFrame(CTavoluxApp& app, std::unique_ptr<CPrinterConfig> config, PrinterLink link)
    : wxFrame(nullptr, wxID_ANY, wxString::FromUTF8(MainWindowTitle(*config))),
      m_app(app),
      m_config(std::move(config)),
      m_virtual(std::move(link.virtualPrinter)),
      m_block(&GetPrinterStatusBlock()),
      m_session(std::make_unique<CPrinterSession>(*m_config, std::move(link.transport), *m_block,
                                                  GetReplyEvents())),
      m_tick(this)
{
    m_tasks = std::make_unique<CTaskList>(*m_config, GetProgramDir() / kWorksFolderName);
    m_tasks->LoadTasks();
    m_random = std::make_unique<CRandomSource>();
    m_printer = std::make_unique<CTaskPrinter>(PrintTaskDevice{.config = *m_config,
                                                               .device = m_session->Device(),
                                                               .machine = m_session->Machine(),
                                                               .block = *m_block,
                                                               .events = GetReplyEvents()},
                                               *m_random);
    m_charts = std::make_unique<CChartPrinter>(
        JobDevice{*m_config, m_session->Device(), m_session->Machine(), GetReplyEvents()},
        *m_random);
    m_model =
        std::make_unique<CMainFrameModel>(MainFrameEnv{.config = *m_config,
                                                       .dispatcher = app.Dispatcher(),
                                                       .session = m_session.get(),
                                                       .printer = m_printer.get(),
                                                       .charts = m_charts.get(),
                                                       .instance = app.Instance(),
                                                       .joinPreview = [this] { StopPreview(); }});
    m_model->SetLateRequestSink([this](const ViewRequest& request) { Carry(request); });
    m_jogCapture = std::make_unique<CWindowCapture>();
    m_jog = std::make_unique<CJogController>(m_session->Machine(), m_session->Device(),
                                             m_jogCapture.get());
    BuildMenus();
    BuildToolBar();
    BuildAccelerators();
    CreateStatusBar(2);
    BuildViews();

    Bind(wxEVT_MENU, &CMainFrame::OnCommand, this, kFirstWxId, kLastWxId);
    Bind(wxEVT_TOOL, &CMainFrame::OnCommand, this, kFirstWxId, kLastWxId);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateUi, this, kFirstWxId, kLastWxId);
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { m_session->StateLine().Tick(); });

    m_session->StateLine().SetObserver([this] { StateChanged(); });
    m_session->Machine().SetObserver([this](MachineState) { StateChanged(); });
    m_session->Machine().Set(MachineState::Offline);
    RefreshStateView();
    m_tick.Start(200);

    SetMinClientSize(FromDIP(wxSize(640, 400)));
    // Most of the screen, so that every column of the task list shows; never larger than it.
    const wxRect screen = wxDisplay(wxDisplay::GetFromWindow(this) == wxNOT_FOUND
                                        ? 0U
                                        : static_cast<unsigned>(wxDisplay::GetFromWindow(this)))
                              .GetClientArea();
    const wxSize wanted = FromDIP(wxSize(1500, 860));
    SetSize(std::min(wanted.x, screen.width * 97 / 100),
            std::min(wanted.y, screen.height * 95 / 100));
    Centre();
}

CMainFrame::~CMainFrame()
{
    m_tick.Stop();
    StopPreview();
    if (m_taskView != nullptr) {
        m_taskView->Detach();  // the window outlives the list it shows
    }
    if (m_jog) {
        m_jog->HoldLost(HoldLoss::FocusLost);
    }
    if (m_session) {
        m_session->Shutdown();
        m_session->StateLine().SetObserver(nullptr);
        m_session->Machine().SetObserver(nullptr);
    }
    m_app.FrameClosed();
}

void CMainFrame::BuildMenus()
{
    const MenuVariant variant{m_config->params.PrintVer, m_config->params.WhiteColorNo};
    std::function<void(wxMenu*, const std::vector<MenuNode>&)> add =
        [&](wxMenu* menu, const std::vector<MenuNode>& nodes) {
            for (const MenuNode& node : nodes) {
                switch (node.kind) {
                    case MenuNode::Kind::Separator:
                        menu->AppendSeparator();
                        break;
                    case MenuNode::Kind::Submenu: {
                        auto* sub = new wxMenu;
                        add(sub, node.children);
                        menu->AppendSubMenu(sub, Text(node.textId));
                        break;
                    }
                    case MenuNode::Kind::Command: {
                        const CommandRow* row = FindCommand(node.id);
                        const int wxId = WxIdOf(node.id);
                        if (row == nullptr || wxId == 0) {
                            break;  // a command without a window id cannot be shown
                        }
                        menu->Append(wxId, wxString::FromUTF8(MenuLabel(node.id)), wxString(),
                                     ItemKindOf(row->kind));
                        if (node.grayed) {
                            m_grayed.insert(node.id);
                            menu->Enable(wxId, false);
                        }
                        break;
                    }
                }
            }
        };
    auto* bar = new wxMenuBar;
    for (const Menu& m : BuildMenuBar(variant)) {
        auto* menu = new wxMenu;
        add(menu, m.items);
        bar->Append(menu, Text(m.titleId));
    }
    SetMenuBar(bar);
}

void CMainFrame::BuildToolBar()
{
    wxToolBar* bar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT);
    for (const ToolBarEntry& entry : tavolux::BuildToolBar()) {
        if (entry.id == 0) {
            bar->AddSeparator();
            continue;
        }
        const CommandRow* row = FindCommand(entry.id);
        const int wxId = WxIdOf(entry.id);
        if (row == nullptr || wxId == 0) {
            continue;
        }
        const wxString tip = Text(row->textId);
        if (CJogController::IsJogCommand(entry.id)) {
            // A tool reports only its click; a move needs the press and the release.
            auto* button = new wxBitmapButton(bar, wxId, IconBundle(row->icon), wxDefaultPosition,
                                              wxDefaultSize, wxBU_EXACTFIT | wxBORDER_NONE);
            button->SetToolTip(tip);
            // As wide as the other tools, so the row keeps its rhythm.
            // The tool bar pads its tools by about half an icon.
            const wxSize icon = IconBundle(row->icon).GetPreferredBitmapSizeFor(bar);
            button->SetInitialSize(wxSize(icon.x * 3 / 2, icon.y * 3 / 2));
            const int command = entry.id;
            button->Bind(wxEVT_LEFT_DOWN, [this, button, command](wxMouseEvent& event) {
                static_cast<CWindowCapture&>(*m_jogCapture).Attach(button);
                if (!button->IsEnabled() || !m_jog->ButtonPress(command)) {
                    event.Skip();
                }
            });
            button->Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& event) { OnToolMouse(event, false); });
            button->Bind(wxEVT_MOUSE_CAPTURE_LOST,
                         [this](wxMouseCaptureLostEvent&) { JogHoldLost(HoldLoss::CaptureLost); });
            bar->AddControl(button, tip);
            continue;
        }
        bar->AddTool(wxId, tip, IconBundle(row->icon), tip,
                     entry.checkButton ? wxITEM_CHECK : wxITEM_NORMAL);
    }
    bar->Realize();
}

void CMainFrame::BuildAccelerators()
{
    std::vector<wxAcceleratorEntry> entries;
    for (const Accelerator& a : EffectiveAccelerators()) {
        const int wxId = WxIdOf(a.command);
        if (wxId != 0 && a.ctrlKey >= 'A' && a.ctrlKey <= 'Z') {
            entries.emplace_back(wxACCEL_CTRL, a.ctrlKey, wxId);
        }
    }
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(entries.size()), entries.data()));
}

void CMainFrame::BuildViews()
{
    // Side bar on the left; to its right the preview above, and below it the state view
    // beside the task list.
    auto* body = new wxBoxSizer(wxHORIZONTAL);
    m_sideBarHost = new wxPanel(this);
    body->Add(m_sideBarHost, wxSizerFlags().Expand());
    m_mainSplitter = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                          wxSP_LIVE_UPDATE | wxSP_3DSASH);
    body->Add(m_mainSplitter, wxSizerFlags(1).Expand());
    SetSizer(body);

    m_previewHost = new wxPanel(m_mainSplitter);
    m_splitter = new wxSplitterWindow(m_mainSplitter, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                      wxSP_LIVE_UPDATE | wxSP_3DSASH);
    auto* left = new wxPanel(m_splitter);
    m_stateBox = new wxStaticBoxSizer(wxVERTICAL, left,
                                      wxString::FromUTF8(m_session->StateLine().Caption()));
    m_stateText = new wxStaticText(m_stateBox->GetStaticBox(), wxID_ANY, wxString());
    m_stateText->SetFont(m_stateText->GetFont().Scaled(1.6F).Bold());
    m_noticeText = new wxStaticText(m_stateBox->GetStaticBox(), wxID_ANY, wxString());
    m_stateBox->Add(m_stateText, wxSizerFlags().Border(wxALL).Expand());
    m_stateBox->Add(m_noticeText, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxBOTTOM).Expand());
    m_stateBox->AddStretchSpacer();
    auto* leftSizer = new wxBoxSizer(wxVERTICAL);
    leftSizer->Add(m_stateBox, wxSizerFlags(1).Expand().Border(wxALL));
    left->SetSizer(leftSizer);

    BuildPreviewView();

    m_taskHost = new wxPanel(m_splitter);
    auto* taskBox = new wxStaticBoxSizer(wxVERTICAL, m_taskHost, Text(ids::kUiTaskList));
    auto* rightSizer = new wxBoxSizer(wxVERTICAL);
    rightSizer->Add(taskBox, wxSizerFlags(1).Expand().Border(wxALL));
    m_taskHost->SetSizer(rightSizer);
    BuildTaskView(taskBox);

    m_splitter->SetMinimumPaneSize(FromDIP(120));
    m_splitter->SplitVertically(left, m_taskHost, FromDIP(220));
    m_mainSplitter->SetMinimumPaneSize(FromDIP(120));
    m_mainSplitter->SetSashGravity(0.6);
    m_mainSplitter->SplitHorizontally(m_previewHost, m_splitter, -FromDIP(250));
    BuildSideBarView();
}

void CMainFrame::StartPrinter()
{
    // The device layer's own line about a failure would repeat, in English, what the status
    // bar says in the operator's language.
    DiagnosticSink previous = SetDeviceDiagnosticSink([](const std::string&) {});
    const int opened = m_session->Device().Open();
    SetDeviceDiagnosticSink(std::move(previous));
    if (opened != 1) {
        SetStatusText(
            wxString::FromUTF8(FormatResString(
                ids::kUiOpenFailed, {TransportErrorWord(m_session->Device().LastOpenError())})),
            1);
    }
    m_session->StartPolling();
}

UiSnapshot CMainFrame::Snapshot() const
{
    return m_model->Snapshot();
}

wxString CMainFrame::StateViewText() const
{
    return m_stateText->GetLabel();
}

void CMainFrame::StateChanged()
{
    if (!m_refreshPosted.exchange(true)) {
        m_app.Dispatcher().Post([this] {
            m_refreshPosted = false;
            RefreshStateView();
        });
    }
}

void CMainFrame::RefreshStateView()
{
    const CStateLine& line = m_session->StateLine();
    const wxString state = wxString::FromUTF8(line.StateText());
    const wxString notice = wxString::FromUTF8(line.Notice());
    if (m_stateText->GetLabel() != state) {
        m_stateText->SetLabel(state);
        SetStatusText(state, 0);
    }
    if (m_noticeText->GetLabel() != notice) {
        m_noticeText->SetLabel(notice);
    }
    m_stateBox->GetStaticBox()->GetParent()->Layout();
}

void CMainFrame::OnUpdateUi(wxUpdateUIEvent& event)
{
    const int command = CoreIdOf(event.GetId());
    const CommandRow* row = FindCommand(command);
    if (row == nullptr || m_grayed.contains(command)) {
        event.Enable(false);
        return;
    }
    const ItemState state = UpdateItem(command, Snapshot());
    event.Enable(state.enabled);
    if (Checkable(row->kind)) {
        event.Check(state.checked);
    }
}

void CMainFrame::OnCommand(wxCommandEvent& event)
{
    const int command = CoreIdOf(event.GetId());
    if (command == 0) {
        event.Skip();
        return;
    }
    Execute(command);
}

void CMainFrame::Execute(int command)
{
    if (m_closing || FindCommand(command) == nullptr || m_grayed.contains(command)) {
        return;
    }
    Carry(m_model->Execute(command));
}

void CMainFrame::Carry(const ViewRequest& request)
{
    switch (request.action) {
        case ViewAction::None:
            return;
        case ViewAction::PreviewMode:  // the menu's update rule shows the mode
            RenderSelectedAgain();
            return;
        case ViewAction::Message:
            ShowMessage(wxString::FromUTF8(request.text), false, wxICON_INFORMATION);
            return;
        case ViewAction::Ask: {
            const bool yes = ShowMessage(wxString::FromUTF8(request.text), true, wxICON_QUESTION);
            Carry(m_model->Answer(request.command, yes));
            return;
        }
        case ViewAction::SaveTasks:
            m_tasks->SaveAllTasks();  // a failure shows its message
            return;
        case ViewAction::PrintSelected:
            PrintSelectedTask();
            return;
        case ViewAction::OpenDialog:
            if (request.command == cmd::kSingleClean) {
                OpenCleaningDialog();
                return;
            }
            ShowMessage(Text(ids::kNotAvailableYet), false, wxICON_INFORMATION);
            return;
        case ViewAction::OpenRipFile:
            OpenRipFile();
            return;
        case ViewAction::ShowBars:
            ShowBars();
            return;
        case ViewAction::OpenHelp: {
            const wxString url = wxString::FromUTF8("file://" + request.path.string());
            if (!wxLaunchDefaultBrowser(url)) {
                ShowMessage(wxString::FromUTF8(
                                FormatResString(ids::kUiHelpNotOpened, {request.path.string()})),
                            false, wxICON_WARNING);
            }
            return;
        }
        case ViewAction::About:
            ShowAbout(wxString::FromUTF8(request.text));
            return;
        case ViewAction::Close:
        case ViewAction::Restart:
            // The model has run the shutdown sequence: nothing posts to the windows any more.
            m_closing = true;
            m_tick.Stop();
            m_jog->HoldLost(HoldLoss::FocusLost);
            m_session->StateLine().SetObserver(nullptr);
            m_session->Machine().SetObserver(nullptr);
            if (request.action == ViewAction::Restart) {
                StartAgain(m_restartProgram.empty() ? request.path : m_restartProgram);
            }
            Destroy();
            return;
    }
}

bool CMainFrame::ShowMessage(const wxString& text, bool question, long icon)
{
    // A modal window takes the keyboard and the mouse: a move held now would never see its
    // release.
    m_jog->HoldLost(HoldLoss::DialogOpening);
    if (m_messageHook) {
        return m_messageHook(text.utf8_string(), question);
    }
    m_model->DialogOpened();
    const int answer = wxMessageBox(text, GetTitle(), (question ? wxYES_NO : wxOK) | icon, this);
    m_model->DialogClosed();
    return answer == wxYES;
}

void CMainFrame::ShowBars()
{
    const UiSnapshot s = m_model->Snapshot();
    bool changed = false;
    for (auto [bar, shown] : {std::pair<wxWindow*, bool>{GetToolBar(), s.toolBarShown},
                              std::pair<wxWindow*, bool>{GetStatusBar(), s.statusBarShown}}) {
        if (bar != nullptr && bar->IsShown() != shown) {
            bar->Show(shown);
            changed = true;
        }
    }
    if (m_sideBarHost != nullptr && m_sideBarHost->IsShown() != s.sideBarShown) {
        m_sideBarHost->Show(s.sideBarShown);
        changed = true;
    }
    if (changed) {
        SendSizeEvent();
        Layout();
    }
}

void CMainFrame::OnToolMouse(wxMouseEvent& event, bool down)
{
    if (!down && m_jog->HeldInput() == JogInput::Button) {
        m_jog->ButtonRelease();
    }
    event.Skip();
}

bool CMainFrame::HandleKey(const wxKeyEvent& event, bool down)
{
    ArrowKey key{};
    if (m_closing || event.HasAnyModifiers() || !ArrowOf(event.GetKeyCode(), key)) {
        return false;
    }
    return down ? m_jog->KeyDown(key) : m_jog->KeyUp(key);
}

void CMainFrame::JogHoldLost(HoldLoss why)
{
    if (m_jog) {
        m_jog->HoldLost(why);
    }
}

void CMainFrame::StartAgain(const std::filesystem::path& program)
{
    const std::vector<std::string> args = OwnArguments();
    std::vector<wxString> strings;
    strings.reserve(args.size() + 1);
    strings.push_back(wxString::FromUTF8(program.string()));
    for (const std::string& a : args) {
        strings.push_back(wxString::FromUTF8(a));
    }
    std::vector<const wchar_t*> argv;
    for (const wxString& a : strings) {
        argv.push_back(a.wc_str());
    }
    argv.push_back(nullptr);
    if (wxExecute(argv.data(), wxEXEC_ASYNC | wxEXEC_MAKE_GROUP_LEADER) <= 0) {
        wxMessageBox(wxString::FromUTF8(FormatResString(ids::kUiRestartFailed, {program.string()})),
                     GetTitle(), wxOK | wxICON_ERROR);
    }
}

void CMainFrame::OnClose(wxCloseEvent& event)
{
    if (m_closing) {
        return;
    }
    const ViewRequest request = m_model->RequestClose();
    if (request.action != ViewAction::Close) {
        if (event.CanVeto()) {
            event.Veto();
            Carry(request);
            return;
        }
        // Forced: the session goes anyway, and nothing may post to the windows any more.
        m_session->Shutdown();
        m_app.Dispatcher().Close();
    }
    Carry({.action = ViewAction::Close, .command = cmd::kExit});
}

void CMainFrame::BuildSideBarView()
{
    m_sideBar = new CSideBar(
        m_sideBarHost, BuildSideBar(m_config->params.Intercommunication),
        [this](int folder) { m_model->SetSideFolder(folder); },
        [this](int folder, int index) {
            if (!m_closing) {
                Carry(m_model->ExecuteSideItem(folder, index));
            }
        });
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_sideBar, wxSizerFlags(1).Expand());
    m_sideBarHost->SetSizer(sizer);
}

void CMainFrame::ShowAbout(const wxString& text)
{
    m_jog->HoldLost(HoldLoss::DialogOpening);
    if (m_messageHook) {
        m_messageHook(text.utf8_string(), false);
        return;
    }
    m_model->DialogOpened();
    ShowAboutBox(this, text);
    m_model->DialogClosed();
}

void CMainFrame::OpenCleaningDialog()
{
    m_jog->HoldLost(HoldLoss::DialogOpening);
    CPurgeDialog dialog(this, *m_session, GetReplyEvents(), m_app.Dispatcher(), GetClock(),
                        m_config->params.ColorNo);
    dialog.SetMessageSink([this, &dialog](const std::string& text) {
        if (m_messageHook) {
            m_messageHook(text, false);
            return;
        }
        wxMessageBox(wxString::FromUTF8(text), dialog.GetTitle(), wxOK | wxICON_INFORMATION,
                     &dialog);
    });
    m_model->DialogOpened();
    dialog.Run();
    m_model->DialogClosed();
}

void CMainFrame::BuildTaskView(wxStaticBoxSizer* box)
{
    CTaskView::Host host{
        .selectionChanged = [this](int row) { TaskSelectionChanged(row); },
        .execute = [this](int command) { Execute(command); },
        .message =
            [this](const wxString& text, bool question) {
                return ShowMessage(text, question, question ? wxICON_QUESTION : wxICON_INFORMATION);
            },
        .printing = [this] { return m_printer->Running(); },
    };
    m_taskView = new CTaskView(box->GetStaticBox(), *m_tasks, std::move(host));
    box->Add(m_taskView, wxSizerFlags(1).Expand());
    // The selection the loaded list starts with was announced before anyone listened.
    TaskSelectionChanged(m_tasks->GetSelectedTask());
}

void CMainFrame::PrintSelectedTask()
{
    m_printer->PrintTask(*m_tasks, m_tasks->GetSelectedTask());
}

}  // namespace tavolux::ui
