#include "ui/WxUi.h"

#include <wx/msgdlg.h>
#include <wx/thread.h>

#include "ui/App.h"
#include "ui/MainFrame.h"

namespace tavolux::ui {

namespace {

long IconStyle(MessageIcon icon)
{
    switch (icon) {
        case MessageIcon::Information:
            return wxICON_INFORMATION;
        case MessageIcon::Warning:
            return wxICON_WARNING;
        case MessageIcon::Error:
            return wxICON_ERROR;
        case MessageIcon::None:
            break;
    }
    return 0;
}

}  // namespace

CWxUiFacade::CWxUiFacade(CTavoluxApp& app) : m_app(app) {}

void CWxUiFacade::ShowNow(const std::string& text, MessageIcon icon)
{
    if (CMainFrame* frame = m_app.MainFrame()) {
        frame->ShowMessage(wxString::FromUTF8(text), false, IconStyle(icon));
    } else {
        wxMessageBox(wxString::FromUTF8(text), "Tavolux", wxOK | IconStyle(icon));
    }
}

void CWxUiFacade::ShowMessage(const std::string& text, MessageIcon icon)
{
    if (IsUiThread()) {
        ShowNow(text, icon);
        return;
    }
    m_app.Dispatcher().Post([this, text, icon] { ShowNow(text, icon); });
}

bool CWxUiFacade::AskYesNo(const std::string& text)
{
    if (!IsUiThread()) {
        return false;
    }
    if (CMainFrame* frame = m_app.MainFrame()) {
        return frame->ShowMessage(wxString::FromUTF8(text), true, wxICON_QUESTION);
    }
    return wxMessageBox(wxString::FromUTF8(text), "Tavolux", wxYES_NO | wxICON_QUESTION) == wxYES;
}

void CWxUiFacade::ReportProgress(int percent)
{
    RunOnUiThread([this, percent] {
        std::function<void(int)> sink;
        {
            std::lock_guard lock(m_mutex);
            sink = m_progress;
        }
        if (sink) {
            sink(percent);
        }
    });
}

void CWxUiFacade::RunOnUiThread(std::function<void()> work)
{
    if (IsUiThread()) {
        work();
        return;
    }
    m_app.Dispatcher().Post(std::move(work));
}

bool CWxUiFacade::IsUiThread() const
{
    return wxThread::IsMain();
}

void CWxUiFacade::ExitProgram(int /*code*/)
{
    // The core asks this after a message that said why; the program ends through the frame.
    RunOnUiThread([this] {
        if (CMainFrame* frame = m_app.MainFrame()) {
            frame->Close(true);
        }
        m_app.ExitMainLoop();
    });
}

void CWxUiFacade::SetProgressSink(std::function<void(int)> sink)
{
    std::lock_guard lock(m_mutex);
    m_progress = std::move(sink);
}

}  // namespace tavolux::ui
