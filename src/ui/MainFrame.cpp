#include "ui/MainFrame.h"

#include <wx/accel.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include "device/DeviceDiagnostics.h"
#include "device/Operations.h"
#include "device/PrinterStatusBlock.h"
#include "device/ReplyEvents.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "ui/App.h"
#include "ui/Icons.h"
#include "ui/WxIds.h"
#include "uimodel/AppTitle.h"

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
    SetClientSize(FromDIP(wxSize(1000, 640)));
    Centre();
}

CMainFrame::~CMainFrame()
{
    m_tick.Stop();
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
    m_splitter = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
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

    auto* right = new wxPanel(m_splitter);
    auto* taskBox = new wxStaticBoxSizer(wxVERTICAL, right, Text(ids::kUiTaskList));
    auto* rightSizer = new wxBoxSizer(wxVERTICAL);
    rightSizer->Add(taskBox, wxSizerFlags(1).Expand().Border(wxALL));
    right->SetSizer(rightSizer);

    m_splitter->SetMinimumPaneSize(FromDIP(120));
    m_splitter->SplitVertically(left, right, FromDIP(300));
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
    UiSnapshot s;
    s.state = m_session->Machine().Get();
    s.PrintVer = m_config->params.PrintVer;
    s.previewMode = m_previewMode;
    s.language = GetUiLanguage();
    s.toolBarShown = GetToolBar() != nullptr && GetToolBar()->IsShown();
    s.statusBarShown = GetStatusBar() != nullptr && GetStatusBar()->IsShown();
    s.sideBarShown = m_sideBarShown;
    s.origin = m_config->params.Origin != 0;
    s.strip = m_config->params.Strip != 0;
    s.skipBlank = m_config->params.IgnoreBlank != 0;
    s.autoFlash = m_config->params.AutoFlash != 0;
    return s;
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
    const CommandRow* row = FindCommand(command);
    if (row == nullptr || m_grayed.contains(command)) {
        return;
    }
    switch (row->kind) {
        case CommandKind::Jog:        // moves follow the press and release, not the command
        case CommandKind::NoHandler:  // shown, never enabled
            return;
        case CommandKind::Preview:
            m_previewMode = PreviewModeOf(command);
            return;
        case CommandKind::Language: {
            const bool current =
                (LanguageNameOf(command) == "ENU") == (GetUiLanguage() == UiLanguage::English);
            if (!current) {
                NotAvailable();
            }
            return;
        }
        default:
            break;
    }
    switch (command) {
        case cmd::kExit:
            Close(false);
            return;
        case cmd::kToolBar:
            ToggleBar(GetToolBar());
            return;
        case cmd::kStatusBar:
            ToggleBar(GetStatusBar());
            return;
        case cmd::kReset:
            if (m_session->Machine().Gate(gate::kReset)) {
                m_session->Device().SendCommand(wire::op::kReset, 0);
            }
            return;
        default:
            NotAvailable();
            return;
    }
}

void CMainFrame::NotAvailable()
{
    wxMessageBox(Text(ids::kCmdUnassigned), GetTitle(), wxOK | wxICON_INFORMATION, this);
}

void CMainFrame::ToggleBar(wxWindow* bar)
{
    if (bar != nullptr) {
        bar->Show(!bar->IsShown());
        SendSizeEvent();
    }
}

void CMainFrame::OnClose(wxCloseEvent& event)
{
    if (m_closing) {
        return;
    }
    if (event.CanVeto() && !m_session->CanClose()) {
        event.Veto();
        wxMessageBox(Text(ids::kUiCloseBusy), GetTitle(), wxOK | wxICON_WARNING, this);
        return;
    }
    m_closing = true;
    m_tick.Stop();
    // The poll thread stops first (its wait is bounded by one poll), so nothing posts after the
    // dispatcher closes; what is still queued would touch windows about to go.
    m_session->Shutdown();
    m_session->StateLine().SetObserver(nullptr);
    m_session->Machine().SetObserver(nullptr);
    m_app.Dispatcher().Close();
    Destroy();
}

}  // namespace tavolux::ui
