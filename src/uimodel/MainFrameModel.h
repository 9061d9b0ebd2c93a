// The main window's decisions without a toolkit: every operator command goes through Execute,
// which asks the machine state's gate, does the printer work, and tells the view what is left
// for it to do (open a dialog or a file, ask a question, show a message, restart, close).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "uimodel/MenuModel.h"

namespace tavolux {

class CChartPrinter;
class CKtUSB;
class CPrinterConfig;
class CPrinterSession;
class CSingleInstance;
class CTaskPrinter;
class CUiDispatcher;

// What the view is asked to do after a command.
enum class ViewAction {
    None,           // nothing more (the command did its work, or the gate refused it)
    Message,        // a message box with text
    Ask,            // a Yes/No question with text; the answer goes to Answer(command, yes)
    OpenDialog,     // the dialog of command (only the cleaning dialog so far)
    OpenRipFile,    // the file dialog for RIP files, then the new task
    SaveTasks,      // save every task
    PrintSelected,  // print the task view's selected task
    ShowBars,       // the bars' visibility changed
    PreviewMode,    // the preview mode changed
    OpenHelp,       // open path in the desktop's browser
    About,          // the about box with text
    Close,          // destroy the windows: the shutdown sequence has run
    Restart,        // destroy the windows, then start path (the shutdown sequence has run)
};

struct ViewRequest {
    ViewAction action = ViewAction::None;
    int command = 0;               // the command that asked
    std::string text{};            // Message, Ask, About
    std::filesystem::path path{};  // OpenHelp, Restart

    bool operator==(const ViewRequest&) const = default;
};

// Reads and writes the calibration block kept in the printer. Either may be empty while the
// program cannot produce or read the block yet; the command then says it is not available.
struct CalibrationCodec {
    // Fills the buffer; returns the length, or -1 when the block does not fit.
    std::function<int(std::array<uint8_t, 510>&)> build;
    // Takes the block the printer returned; false when it cannot be read (nothing changes).
    std::function<bool(const std::vector<uint8_t>&)> apply;
};

// What the main frame works with. session, printer, charts and instance may be null: no printer
// (the configuration names no USB output), no task printer, no test prints, no single-instance
// lock.
struct MainFrameEnv {
    CPrinterConfig& config;
    CUiDispatcher& dispatcher;
    CPrinterSession* session = nullptr;
    CTaskPrinter* printer = nullptr;
    CChartPrinter* charts = nullptr;  // the model resets the printer after a stopped chart
    CSingleInstance* instance = nullptr;
    // Joins the preview's worker threads (the close sequence); may be empty.
    std::function<void()> joinPreview{};
};

class CMainFrameModel {
public:
    // How long the printer has to send the calibration block back.
    static constexpr int kCalibrationReplyLimitMs = 5000;
    // How long the close sequence waits for the poll thread to end.
    static constexpr int kPollStopLimitMs = 3000;
    // How long the close sequence lets a chart end by itself before the printer's transfers
    // are cut short.
    static constexpr int kChartStopLimitMs = 3000;

    // The option buttons start from the configuration's Origin, Strip, IgnoreBlank, AutoFlash.
    explicit CMainFrameModel(MainFrameEnv env);
    ~CMainFrameModel();  // joins the threads the model started
    CMainFrameModel(const CMainFrameModel&) = delete;
    CMainFrameModel& operator=(const CMainFrameModel&) = delete;

    // Runs command id (menu, tool bar, accelerator). UI thread.
    ViewRequest Execute(int id);
    // The side bar's click on item index of folder (the folder-change notice: SetSideFolder).
    ViewRequest ExecuteSideItem(int folder, int index);
    void SetSideFolder(int folder) { m_sideFolder = folder; }
    int SideFolderIndex() const { return m_sideFolder; }
    // The operator's answer to an Ask of command.
    ViewRequest Answer(int command, bool yes);
    // Every way of closing: the menu, the window's button and the language switch come here.
    ViewRequest RequestClose();

    // The view tells the model while a modal dialog is open (nested dialogs count).
    void DialogOpened() { ++m_dialogs; }
    void DialogClosed();

    // Results that come later (the calibration block from the printer) reach the view here, on
    // the UI thread through the dispatcher.
    void SetLateRequestSink(std::function<void(const ViewRequest&)> sink);

    // Calibration block hooks; installs the builder on the device.
    void SetCalibrationCodec(CalibrationCodec codec);
    // Tests shorten the wait for the calibration block.
    void SetCalibrationReplyLimit(int ms) { m_caliLimitMs = ms; }

    // The snapshot the menu and tool-bar update rules look at.
    UiSnapshot Snapshot() const;
    int PreviewMode() const { return m_previewMode; }
    bool Option(int id) const;
    bool ShutDown() const { return m_shutDown; }

    // The operator's manual of the current language, beside the program.
    std::filesystem::path HelpPath() const;
    // The file of the running program (the language switch starts it again).
    static std::filesystem::path SelfExecutable();

private:
    ViewRequest Message(int command, std::string text) const;
    ViewRequest NotAvailable(int command) const;
    ViewRequest NoPrinter(int command) const;
    ViewRequest Toggle(int id);
    ViewRequest SwitchLanguage(int id);
    ViewRequest StoreCalibration();
    ViewRequest RestoreCalibration();
    ViewRequest Flash();
    ViewRequest FlashReturn();
    ViewRequest Reset();
    ViewRequest SendSimple(int command, int operation);
    // Starts test index on the chart thread; its failure comes back as a late message.
    ViewRequest PrintChart(int command, int index);
    // A chart or print whose thread has not ended yet: one at a time, as the gate keeps them.
    bool JobThreadBusy() const;
    // The close sequence: bounded stop of the poll thread, the job, chart and preview threads
    // joined, the dispatcher closed, the single-instance lock released.
    void Shutdown();
    void JoinWorkers();
    void PostLate(const ViewRequest& request);

    MainFrameEnv m_env;
    int m_sideFolder = 0;
    int m_previewMode = 0;
    bool m_toolBar = true;
    bool m_sideBar = true;
    bool m_statusBar = true;
    int m_dialogs = 0;
    bool m_shutDown = false;
    CalibrationCodec m_codec;
    int m_caliLimitMs = kCalibrationReplyLimitMs;
    std::function<void(const ViewRequest&)> m_lateSink;
    // Closures posted to the dispatcher hold it weakly, so one that runs after the model is
    // gone does nothing.
    std::shared_ptr<int> m_life = std::make_shared<int>(0);
    std::thread m_caliThread;  // waits for the calibration block
    std::atomic<bool> m_caliWaiting{false};
    std::thread m_resetThread;  // the reconnect routine of the reset command
    std::atomic<bool> m_resetRunning{false};
};

}  // namespace tavolux
