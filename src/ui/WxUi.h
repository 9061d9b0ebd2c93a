// The core's face of the desktop program: messages become message boxes of the main window,
// work for the UI thread goes through the dispatcher, and the progress of a long operation goes
// to whichever view shows it. Any thread may call it.
#pragma once

#include <functional>
#include <mutex>

#include "platform/UiFacade.h"

namespace tavolux {
class CUiDispatcher;
}

namespace tavolux::ui {

class CTavoluxApp;

class CWxUiFacade final : public IUiFacade {
public:
    explicit CWxUiFacade(CTavoluxApp& app);

    // From another thread the message is queued for the UI thread and the call returns at once,
    // so a job thread never waits for the operator.
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    // From another thread there is nobody to ask without blocking a worker on the operator:
    // the answer is no.
    bool AskYesNo(const std::string& text) override;
    // Passed to the progress sink on the UI thread (nothing when none is set).
    void ReportProgress(int percent) override;
    void RunOnUiThread(std::function<void()> work) override;
    bool IsUiThread() const override;
    void ExitProgram(int code) override;

    // Who shows progress now (UI thread); empty to stop showing it.
    void SetProgressSink(std::function<void(int)> sink);

private:
    void ShowNow(const std::string& text, MessageIcon icon);

    CTavoluxApp& m_app;
    std::mutex m_mutex;  // guards m_progress
    std::function<void(int)> m_progress;
};

}  // namespace tavolux::ui
