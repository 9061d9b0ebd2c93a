// The main window: menus, tool bar and accelerators built from the command table by id, the
// status bar, and the splitter with the state view (left) and the task list (right). It owns
// the printer session; what it decides comes from the models below it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include <wx/frame.h>
#include <wx/timer.h>

#include "config/PrinterConfig.h"
#include "tasks/TaskList.h"
#include "ui/PreviewRunner.h"
#include "ui/Startup.h"
#include "uimodel/JogController.h"
#include "uimodel/MainFrameModel.h"
#include "uimodel/MenuModel.h"
#include "uimodel/PrinterSession.h"

class wxPanel;
class wxSplitterWindow;
class wxStaticText;
class wxStaticBoxSizer;
class wxToolBar;
class wxKeyEvent;
class wxGauge;

namespace tavolux {
class CRandomSource;
class CChartPrinter;
class CTaskPrinter;
}  // namespace tavolux

namespace tavolux::ui {

class CSideBar;
class CTavoluxApp;
class CTavoluxView;
class CTaskView;

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

    CMainFrameModel& Model() { return *m_model; }
    CJogController& Jog() { return *m_jog; }

    // A key event seen anywhere in this window: the arrows jog. True when it was used.
    bool HandleKey(const wxKeyEvent& event, bool down);
    // The hold of a jog is lost without its release (focus, capture, the application).
    void JogHoldLost(HoldLoss why);

    // Tests answer message boxes and questions here instead of a modal window: the text shown
    // and, for a question, the answer. Empty: the real windows.
    // A modal message box (or question, true for yes); the jog hold and the close rule learn of
    // it, and the test hook answers it when set.
    bool ShowMessage(const wxString& text, bool question, long icon);

    CTaskList& Tasks() { return *m_tasks; }
    // The task list's selection moved to row (-1: none); the task view tells the frame, which
    // shows that task's preview.
    void TaskSelectionChanged(int row);

    // The task list window, and the printer of its tasks (a job runs while Running()).
    CTaskView* TaskView() const { return m_taskView; }
    CTaskPrinter& Printer() { return *m_printer; }

    using MessageHook = std::function<bool(const std::string& text, bool question)>;
    void SetMessageHook(MessageHook hook) { m_messageHook = std::move(hook); }

    // Tests answer the open dialog here: the file chosen, or empty for Cancel. Empty hook: the
    // real dialog.
    using FileDialogHook = std::function<std::string()>;
    void SetFileDialogHook(FileDialogHook hook) { m_fileDialogHook = std::move(hook); }
    CTavoluxView& PreviewView() { return *m_previewView; }
    // A preview is being built (its progress shows below the view).
    bool PreviewBusy() const { return m_previewRunner && m_previewRunner->Busy(); }
    bool PreviewProgressShown() const;
    // Builds the close (or a stop) ended before they finished.
    int PreviewStoppedBuilds() const
    {
        return m_previewRunner ? m_previewRunner->StoppedBuilds() : 0;
    }
    // The last preview build started: its file, mode and view size.
    const PreviewJob& LastPreviewJob() const { return m_lastPreviewJob; }
    // Does what the model asked the window to do. Public so that a test can carry out a
    // command the menus keep disabled.
    void Carry(const ViewRequest& request);
    CSideBar* SideBar() const { return m_sideBar; }
    // The program the language switch starts (empty: this program's own file).
    void SetRestartProgram(std::filesystem::path program) { m_restartProgram = std::move(program); }

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildAccelerators();
    void BuildViews();
    void OnCommand(wxCommandEvent& event);
    void OnUpdateUi(wxUpdateUIEvent& event);
    void OnClose(wxCloseEvent& event);
    void Execute(int command);
    void BuildSideBarView();
    void ShowAbout(const wxString& text);
    void OpenCleaningDialog();
    void ShowBars();
    void OnToolMouse(wxMouseEvent& event, bool down);
    // Starts this program again with the arguments it was started with.
    void StartAgain(const std::filesystem::path& program);
    // Called on any thread when the state line or the machine state changed: asks the UI thread
    // once to pull the new texts.
    void StateChanged();
    void RefreshStateView();
    // Opening a RIP file: the file dialog, then the preview built off the UI thread, then the
    // task. A second open while a preview is built is refused with a message.
    void BuildPreviewView();
    void OpenRipFile();
    bool ChooseRipFile(std::string& path);
    bool StartPreview(PreviewJob job);
    void PreviewFinished(const PreviewOutcome& outcome);
    void ShowPreviewProgress(bool shown);
    // The preview mode changed: the selected task's file is shown again at the new stride.
    void RenderSelectedAgain();
    // The close sequence: stops and joins a running build.
    void StopPreview();
    // The task list window in its place; the list is loaded by then.
    void BuildTaskView(wxStaticBoxSizer* box);
    // Prints the selected task; a refusal has shown its message.
    void PrintSelectedTask();

    CTavoluxApp& m_app;
    std::unique_ptr<CPrinterConfig> m_config;  // outlives the session, which reads it
    std::shared_ptr<sim::CVirtualPrinter> m_virtual;
    PrinterStatusBlock* m_block = nullptr;
    std::unique_ptr<CPrinterSession> m_session;
    std::unique_ptr<CTaskList> m_tasks;        // Works/Tasks.dat of the program folder
    std::unique_ptr<CRandomSource> m_random;   // the print jobs' masks
    std::unique_ptr<CTaskPrinter> m_printer;   // before the tasks go, its job thread ends
    std::unique_ptr<CChartPrinter> m_charts;   // the model joins its thread before it goes
    std::unique_ptr<CMainFrameModel> m_model;  // after the session, so it goes first
    std::unique_ptr<IJogCapture> m_jogCapture;
    std::unique_ptr<CJogController> m_jog;
    MessageHook m_messageHook;
    std::set<int> m_grayed;  // commands the printer's version disables for good
    std::atomic<bool> m_refreshPosted{false};
    bool m_closing = false;
    wxPanel* m_sideBarHost = nullptr;  // the side bar's place, left of everything
    CSideBar* m_sideBar = nullptr;
    std::filesystem::path m_restartProgram;
    wxSplitterWindow* m_mainSplitter = nullptr;  // the preview above, m_splitter below
    wxPanel* m_previewHost = nullptr;
    wxSplitterWindow* m_splitter = nullptr;  // the state view beside the task list
    wxPanel* m_taskHost = nullptr;
    CTaskView* m_taskView = nullptr;
    wxStaticBoxSizer* m_stateBox = nullptr;
    wxStaticText* m_stateText = nullptr;
    wxStaticText* m_noticeText = nullptr;
    wxTimer m_tick;  // expires the state line's notices
    CTavoluxView* m_previewView = nullptr;
    wxGauge* m_previewGauge = nullptr;
    std::unique_ptr<CPreviewRunner> m_previewRunner;
    FileDialogHook m_fileDialogHook;
    PreviewJob m_lastPreviewJob;
    bool m_renderAgain = false;  // the mode changed while a build ran
    int m_opened = 0;            // files opened: each task's preview reference
    wxString m_statusBeforePreview;
};

}  // namespace tavolux::ui
