#include "ui/App.h"

#include <wx/msgdlg.h>
#include <wx/toplevel.h>

#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "platform/ProgramDir.h"
#include "platform/UiFacade.h"
#include "res/Language.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "ui/MainFrame.h"

namespace tavolux::ui {

CTavoluxApp::CTavoluxApp(StartOptions options, std::unique_ptr<CSingleInstance> instance)
    : m_options(std::move(options)), m_instance(std::move(instance))
{
    // One coalesced wake per batch; posted on the application, which outlives every window.
    m_dispatcher.SetWakeHook([this] { CallAfter([this] { m_dispatcher.RunPending(); }); });
    Bind(wxEVT_ACTIVATE_APP, [this](wxActivateEvent& event) {
        if (!event.GetActive() && m_frame != nullptr) {
            m_frame->JogHoldLost(HoldLoss::AppDeactivated);
        }
        event.Skip();
    });
}

int CTavoluxApp::FilterEvent(wxEvent& event)
{
    const wxEventType type = event.GetEventType();
    if (m_frame == nullptr ||
        (type != wxEVT_KEY_DOWN && type != wxEVT_KEY_UP && type != wxEVT_KILL_FOCUS)) {
        return Event_Skip;
    }
    auto* window = wxDynamicCast(event.GetEventObject(), wxWindow);
    if (window == nullptr || wxGetTopLevelParent(window) != m_frame) {
        return Event_Skip;
    }
    if (type == wxEVT_KILL_FOCUS) {
        // A focus move inside the main frame keeps its keys coming here.
        const wxWindow* next = static_cast<wxFocusEvent&>(event).GetWindow();
        if (next == nullptr || wxGetTopLevelParent(const_cast<wxWindow*>(next)) != m_frame) {
            m_frame->JogHoldLost(HoldLoss::FocusLost);
        }
        return Event_Skip;
    }
    const bool used = m_frame->HandleKey(static_cast<wxKeyEvent&>(event), type == wxEVT_KEY_DOWN);
    return used ? Event_Processed : Event_Skip;
}

CTavoluxApp::~CTavoluxApp()
{
    m_dispatcher.Close();
    if (&GetUi() == &m_ui) {
        SetUi(nullptr);
    }
}

bool CTavoluxApp::OnInit()
{
    if (m_instance) {
        m_instance->Listen([this] {
            m_dispatcher.Post([this] {
                if (m_frame) {
                    m_frame->Show();
                    m_frame->Iconize(false);
                    m_frame->Raise();
                }
            });
        });
    }
    return StartMainFrame(m_options) != nullptr;
}

int CTavoluxApp::OnExit()
{
    m_dispatcher.Close();
    if (m_instance) {
        m_instance->Release();
    }
    return wxApp::OnExit();
}

CMainFrame* CTavoluxApp::StartMainFrame(const StartOptions& options)
{
    if (!options.programDir.empty()) {
        SetProgramDir(options.programDir);
    }
    SetUi(&m_ui);
    // A window closed before this one closed the dispatcher with it.
    m_dispatcher.Reopen();
    const std::filesystem::path dir = GetProgramDir();
    auto config = std::make_unique<CPrinterConfig>(dir);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(dir / kConfigFileName, ec)) {
        ApplyLanguageRule("", SystemDefaultLanguageId(), dir);
        wxMessageBox(wxString::FromUTF8(FormatResString(ids::kUiNoConfig, {dir.string()})),
                     "Tavolux", wxOK | wxICON_ERROR);
        return nullptr;
    }
    const bool loaded = config->LoadConfig();
    ApplyLanguageRule(config->LanguageName(), SystemDefaultLanguageId(), dir);
    if (!loaded) {
        // The part that loaded is used; the operator learns that the rest is missing.
        wxMessageBox(wxString::FromUTF8(LoadResString(ids::kCliConfigIncomplete)), "Tavolux",
                     wxOK | wxICON_WARNING);
    }
    PrinterLink link;
    std::string error;
    if (!MakePrinterLink(options.printer, *config, link, error)) {
        wxMessageBox(wxString::FromUTF8(error), "Tavolux", wxOK | wxICON_ERROR);
        return nullptr;
    }
    m_frame = new CMainFrame(*this, std::move(config), std::move(link));
    m_frame->Show();
    m_frame->StartPrinter();
    return m_frame;
}

}  // namespace tavolux::ui
