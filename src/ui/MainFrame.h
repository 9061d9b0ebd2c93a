// The main window: menus, tool bar and accelerators built from the command table by id, the
// status bar, and the splitter with the state view (left) and the task list (right). It owns
// the printer session; what it decides comes from the models below it.
#pragma once

#include <atomic>
#include <memory>
#include <set>

#include <wx/frame.h>
#include <wx/timer.h>

#include "config/PrinterConfig.h"
#include "ui/Startup.h"
#include "uimodel/MenuModel.h"
#include "uimodel/PrinterSession.h"

class wxSplitterWindow;
class wxStaticText;
class wxStaticBoxSizer;

namespace tavolux::ui {

class CTavoluxApp;

class CMainFrame : public wxFrame {
public:
    CMainFrame(CTavoluxApp& app, std::unique_ptr<CPrinterConfig> config, PrinterLink link);
    ~CMainFrame() override;

    // Opens the printer and starts polling it; a printer that does not open is named on the
    // status bar, and the poll thread keeps trying.
    void StartPrinter();

    // The state every update rule looks at, taken now on the UI thread.
    UiSnapshot Snapshot() const;

    CPrinterSession& Session() { return *m_session; }
    const CPrinterConfig& Config() const { return *m_config; }
    // The in-process virtual printer, null on other printers.
    const std::shared_ptr<sim::CVirtualPrinter>& VirtualPrinter() const { return m_virtual; }
    wxSplitterWindow* Splitter() const { return m_splitter; }
    // The text the state view shows now.
    wxString StateViewText() const;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildAccelerators();
    void BuildViews();
    void OnCommand(wxCommandEvent& event);
    void OnUpdateUi(wxUpdateUIEvent& event);
    void OnClose(wxCloseEvent& event);
    void Execute(int command);
    void NotAvailable();
    void ToggleBar(wxWindow* bar);
    // Called on any thread when the state line or the machine state changed: asks the UI thread
    // once to pull the new texts.
    void StateChanged();
    void RefreshStateView();

    CTavoluxApp& m_app;
    std::unique_ptr<CPrinterConfig> m_config;  // outlives the session, which reads it
    std::shared_ptr<sim::CVirtualPrinter> m_virtual;
    PrinterStatusBlock* m_block = nullptr;
    std::unique_ptr<CPrinterSession> m_session;
    std::set<int> m_grayed;  // commands the printer's version disables for good
    int m_previewMode = 0;
    bool m_sideBarShown = true;
    std::atomic<bool> m_refreshPosted{false};
    bool m_closing = false;
    wxSplitterWindow* m_splitter = nullptr;
    wxStaticBoxSizer* m_stateBox = nullptr;
    wxStaticText* m_stateText = nullptr;
    wxStaticText* m_noticeText = nullptr;
    wxTimer m_tick;  // expires the state line's notices
};

}  // namespace tavolux::ui
