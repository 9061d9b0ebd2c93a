// The application object: it outlives every window, so the UI dispatcher wakes the UI thread
// through it, and the single-instance listener brings the main window to the front through it.
#pragma once

#include <memory>

#include <wx/app.h>

#include "platform/SingleInstance.h"
#include "ui/Startup.h"
#include "ui/WxUi.h"
#include "uimodel/UiDispatcher.h"

namespace tavolux::ui {

class CMainFrame;

class CTavoluxApp : public wxApp {
public:
    // instance: the lock this start holds (null when the caller skips the check, as tests do).
    CTavoluxApp(StartOptions options = {}, std::unique_ptr<CSingleInstance> instance = nullptr);
    ~CTavoluxApp() override;

    bool OnInit() override;
    int OnExit() override;
    // Arrow keys reach the jog controller whichever window of the main frame has the focus,
    // and a lost focus ends a held move.
    int FilterEvent(wxEvent& event) override;

    // Loads the configuration and the language, opens the printer and shows the main window.
    // Null after a message box (or on the error stream) that says why it could not start.
    CMainFrame* StartMainFrame(const StartOptions& options);

    CUiDispatcher& Dispatcher() { return m_dispatcher; }
    CSingleInstance* Instance() { return m_instance.get(); }
    // Gives the application the lock of this start (tests, before StartMainFrame).
    void SetInstance(std::unique_ptr<CSingleInstance> instance)
    {
        m_instance = std::move(instance);
    }
    CWxUiFacade& Ui() { return m_ui; }
    CMainFrame* MainFrame() { return m_frame; }
    // The main frame tells the application it is going away.
    void FrameClosed() { m_frame = nullptr; }

private:
    StartOptions m_options;
    std::unique_ptr<CSingleInstance> m_instance;
    CUiDispatcher m_dispatcher;
    CMainFrame* m_frame = nullptr;
    CWxUiFacade m_ui{*this};  // installed for the core while the application runs
};

}  // namespace tavolux::ui
