// Routing of the operator's commands, the option buttons, the language switch and the close rule.
#include "uimodel/MainFrameModel.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "chart/Patterns.h"
#include "config/PrinterConfig.h"
#include "device/KtUSB.h"
#include "device/MachineState.h"
#include "device/Operations.h"
#include "job/JobControl.h"
#include "platform/AutoResetEvent.h"
#include "platform/ProgramDir.h"
#include "platform/SingleInstance.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "uimodel/ChartPrint.h"
#include "uimodel/PrintTask.h"
#include "uimodel/PrinterSession.h"
#include "uimodel/PurgeDialogModel.h"
#include "uimodel/UiDispatcher.h"

namespace tavolux {

namespace {

// The configuration field behind each option button.
int* OptionField(CPrinterConfig& config, int id)
{
    switch (id) {
        case cmd::kOptionOrigin:
            return &config.params.Origin;
        case cmd::kOptionStrip:
            return &config.params.Strip;
        case cmd::kOptionSkipBlank:
            return &config.params.IgnoreBlank;
        case cmd::kOptionAutoFlash:
            return &config.params.AutoFlash;
        default:
            return nullptr;
    }
}

bool IsIdle(MachineState s)
{
    return s == MachineState::Offline || s == MachineState::Starting || s == MachineState::Ready;
}

}  // namespace

CMainFrameModel::CMainFrameModel(MainFrameEnv env) : m_env(std::move(env))
{
    if (m_env.charts != nullptr && m_env.session != nullptr) {
        // A chart that stopped mid-print leaves the printer in the middle of a job.
        CStatusPoller& poller = m_env.session->Poller();
        m_env.charts->SetOnStopped([&poller] { poller.ReconnectRoutine(); });
    }
}

CMainFrameModel::~CMainFrameModel()
{
    JoinWorkers();
    if (m_env.session != nullptr && (m_codec.build || m_codec.apply)) {
        m_env.session->Device().SetCalibrationBuilder({});
        m_env.session->Device().SetCalibrationReceiver({});
    }
}

void CMainFrameModel::JoinWorkers()
{
    // The chart's end reaches back into this model.
    if (m_env.charts != nullptr) {
        m_env.charts->Join();
    }
    if (m_resetThread.joinable()) {
        m_resetThread.join();
    }
    if (m_caliThread.joinable()) {
        m_caliThread.join();
    }
}

void CMainFrameModel::DialogClosed()
{
    m_dialogs = std::max(0, m_dialogs - 1);
}

void CMainFrameModel::SetLateRequestSink(std::function<void(const ViewRequest&)> sink)
{
    m_lateSink = std::move(sink);
}

void CMainFrameModel::SetCalibrationCodec(CalibrationCodec codec)
{
    m_codec = std::move(codec);
    if (m_env.session != nullptr) {
        m_env.session->Device().SetCalibrationBuilder(m_codec.build);
    }
}

ViewRequest CMainFrameModel::Message(int command, std::string text) const
{
    return {.action = ViewAction::Message, .command = command, .text = std::move(text)};
}

ViewRequest CMainFrameModel::NotAvailable(int command) const
{
    return Message(command, LoadResString(ids::kNotAvailableYet));
}

ViewRequest CMainFrameModel::NoPrinter(int command) const
{
    return Message(command, LoadResString(ids::kNoPrinterSession));
}

bool CMainFrameModel::Option(int id) const
{
    const int* field = OptionField(m_env.config, id);
    return field != nullptr && *field == 1;
}

UiSnapshot CMainFrameModel::Snapshot() const
{
    UiSnapshot s;
    s.state = m_env.session != nullptr ? m_env.session->Machine().Get() : MachineState::Offline;
    s.PrintVer = m_env.config.params.PrintVer;
    s.previewMode = m_previewMode;
    s.language = GetUiLanguage();
    s.toolBarShown = m_toolBar;
    s.sideBarShown = m_sideBar;
    s.statusBarShown = m_statusBar;
    s.origin = Option(cmd::kOptionOrigin);
    s.strip = Option(cmd::kOptionStrip);
    s.skipBlank = Option(cmd::kOptionSkipBlank);
    s.autoFlash = Option(cmd::kOptionAutoFlash);
    return s;
}

ViewRequest CMainFrameModel::Execute(int id)
{
    if (m_shutDown) {
        return {};
    }
    const CommandRow* row = FindCommand(id);
    if (row == nullptr) {
        return NotAvailable(id);
    }
    switch (row->kind) {
        case CommandKind::BarToggle: {
            bool& shown = id == cmd::kToolBar   ? m_toolBar
                          : id == cmd::kSideBar ? m_sideBar
                                                : m_statusBar;
            shown = !shown;
            return {.action = ViewAction::ShowBars, .command = id};
        }
        case CommandKind::Preview:
            m_previewMode = PreviewModeOf(id);
            return {.action = ViewAction::PreviewMode, .command = id};
        case CommandKind::Language:
            return SwitchLanguage(id);
        case CommandKind::Option:
            return Toggle(id);
        case CommandKind::Jog:
            return {};  // the jog controller moves while the button is held
        case CommandKind::NoHandler:
            return NotAvailable(id);
        case CommandKind::Plain:
            break;
    }
    switch (id) {
        case cmd::kOpen:
            return {.action = ViewAction::OpenRipFile, .command = id};
        case cmd::kSaveTasks:
            return {.action = ViewAction::SaveTasks, .command = id};
        case cmd::kPrint:
            // The print start asks the gate itself, after its checks of the task.
            if (m_env.printer == nullptr) {
                return NoPrinter(id);
            }
            if (JobThreadBusy()) {
                m_env.session->Machine().ShowMessage(ids::kFunctionInvalid);
                return {};
            }
            return {.action = ViewAction::PrintSelected, .command = id};
        case cmd::kExit:
            return RequestClose();
        case cmd::kCancel:
        case cmd::kPause:
        case cmd::kResume:
            if (m_env.session == nullptr) {
                return NoPrinter(id);
            }
            if (id == cmd::kCancel) {
                RequestCancel(m_env.session->Machine());
            } else if (id == cmd::kPause) {
                RequestPause(m_env.session->Machine());
            } else {
                RequestResume(m_env.session->Machine(), m_env.session->Device());
            }
            return {};
        case cmd::kReset:
            return Reset();
        case cmd::kFlash:
            return Flash();
        case cmd::kFlashReturn:
            return FlashReturn();
        case cmd::kStoreCali:
            return StoreCalibration();
        case cmd::kRestoreCali:
            return RestoreCalibration();
        case cmd::kSingleClean:
            if (m_env.session == nullptr) {
                return NoPrinter(id);
            }
            if (!CPurgeDialogModel::PassGate(m_env.session->Machine())) {
                return {};
            }
            return {.action = ViewAction::OpenDialog, .command = id};
        case cmd::kBeamRaise:
            return SendSimple(id, wire::op::kBeamRaise);
        case cmd::kBeamLower:
            return SendSimple(id, wire::op::kBeamLower);
        case cmd::kVerticalCheck:
            return PrintChart(id, 5);
        case cmd::kNozzleCheck:
            return PrintChart(id, 6);
        case cmd::kPlatformCheck:
            return PrintChart(id, 8);
        case cmd::kHeadOffsetCheck:
            return PrintChart(id, 9);
        case cmd::kHeadSlantCheck:
            return PrintChart(id, chart::kHeadSlantIndex);
        case cmd::kHelp:
            return {.action = ViewAction::OpenHelp, .command = id, .path = HelpPath()};
        case cmd::kAbout:
            return {.action = ViewAction::About,
                    .command = id,
                    .text = LoadResString(ids::kAboutVersion)};
        default:
            // Dialogs and test prints that this version does not have yet.
            return NotAvailable(id);
    }
}

ViewRequest CMainFrameModel::ExecuteSideItem(int folder, int index)
{
    const auto bar = BuildSideBar(m_env.config.params.Intercommunication);
    for (const SideFolderModel& f : bar) {
        if (static_cast<int>(f.folder) != folder) {
            continue;
        }
        if (index < 0 || index >= static_cast<int>(f.items.size())) {
            break;
        }
        const SideItem& item = f.items[static_cast<size_t>(index)];
        if (item.wordId != 0) {
            return Message(item.id, LoadResString(item.wordId));
        }
        return Execute(item.id);
    }
    return NotAvailable(0);
}

ViewRequest CMainFrameModel::Toggle(int id)
{
    CPrinterConfig& c = m_env.config;
    int* field = OptionField(c, id);
    const int before[] = {c.params.Origin, c.params.Strip, c.params.IgnoreBlank,
                          c.params.AutoFlash};
    const int value = *field == 1 ? 0 : 1;
    *field = value;
    // Colour strips and blank skipping exclude each other.
    if (value == 1 && id == cmd::kOptionStrip) {
        c.params.IgnoreBlank = 0;
    } else if (value == 1 && id == cmd::kOptionSkipBlank) {
        c.params.Strip = 0;
    }
    if (!c.SaveConfig()) {
        // The buttons keep showing what the file holds.
        c.params.Origin = before[0];
        c.params.Strip = before[1];
        c.params.IgnoreBlank = before[2];
        c.params.AutoFlash = before[3];
        return Message(id, FormatResString(ids::kOptionNotSaved, {c.SaveErrorText()}));
    }
    return {};
}

ViewRequest CMainFrameModel::SwitchLanguage(int id)
{
    CPrinterConfig& c = m_env.config;
    const std::string_view name = LanguageNameOf(id);
    const auto& list = c.LanguageList;
    const auto it = std::find(list.begin(), list.end(), name);
    if (it == list.end()) {
        return Message(id, FormatResString(ids::kLanguageNotListed, {name}));
    }
    const int index = static_cast<int>(it - list.begin());
    if (index == c.Language) {
        return {};  // nothing to change, whatever the printer is doing
    }
    if (m_env.session != nullptr && !IsIdle(m_env.session->Machine().Get())) {
        return Message(id, LoadResString(ids::kLanguageBusy));
    }
    if (m_dialogs > 0) {
        return Message(id, LoadResString(ids::kCloseDialogOpen));
    }
    const int old = c.Language;
    c.Language = index;
    if (!c.SaveSystemSection()) {
        c.Language = old;
        return Message(id, FormatResString(ids::kLanguageNotSaved, {c.SaveErrorText()}));
    }
    ViewRequest closing = RequestClose();
    if (closing.action != ViewAction::Close) {
        return closing;
    }
    return {.action = ViewAction::Restart, .command = id, .path = SelfExecutable()};
}

ViewRequest CMainFrameModel::RequestClose()
{
    if (m_shutDown) {
        return {.action = ViewAction::Close, .command = cmd::kExit};
    }
    if (m_env.session != nullptr && !m_env.session->CanClose()) {
        return Message(cmd::kExit, LoadResString(ids::kCloseBusy));
    }
    if (m_dialogs > 0) {
        return Message(cmd::kExit, LoadResString(ids::kCloseDialogOpen));
    }
    Shutdown();
    return {.action = ViewAction::Close, .command = cmd::kExit};
}

void CMainFrameModel::Shutdown()
{
    m_shutDown = true;
    if (m_env.session != nullptr) {
        m_env.session->Poller().Stop(kPollStopLimitMs);
    }
    if (m_env.charts != nullptr && !m_env.charts->Wait(kChartStopLimitMs) &&
        m_env.session != nullptr) {
        m_env.session->Device().Interrupt();
    }
    JoinWorkers();
    if (m_env.printer != nullptr) {
        m_env.printer->Wait();
    }
    if (m_env.joinPreview) {
        m_env.joinPreview();
    }
    m_env.dispatcher.Close();
    if (m_env.session != nullptr) {
        m_env.session->Shutdown();
    }
    // Freed before a restart, so that the new instance is not taken for a second one.
    if (m_env.instance != nullptr) {
        m_env.instance->Release();
    }
}

ViewRequest CMainFrameModel::SendSimple(int command, int operation)
{
    if (m_env.session == nullptr) {
        return NoPrinter(command);
    }
    m_env.session->Device().SendCommand(operation, wire::op::kNoArgument);
    return {};
}

bool CMainFrameModel::JobThreadBusy() const
{
    return (m_env.charts != nullptr && m_env.charts->Running()) ||
           (m_env.printer != nullptr && m_env.printer->Running());
}

ViewRequest CMainFrameModel::PrintChart(int command, int index)
{
    if (m_env.session == nullptr || m_env.charts == nullptr) {
        return NoPrinter(command);
    }
    // The runner passes the gate itself, on the chart thread; a job still ending is refused as
    // the gate refuses a print.
    if (JobThreadBusy()) {
        m_env.session->Machine().ShowMessage(ids::kFunctionInvalid);
        return {};
    }
    m_env.charts->Start(
        index, [this, command, life = std::weak_ptr<int>(m_life)](const ChartOutcome& outcome) {
            if (outcome.message.empty()) {
                return;
            }
            m_env.dispatcher.Post([this, command, life, text = outcome.message] {
                if (!life.expired()) {
                    PostLate(Message(command, text));
                }
            });
        });
    return {};
}

ViewRequest CMainFrameModel::Flash()
{
    if (m_env.session == nullptr) {
        return NoPrinter(cmd::kFlash);
    }
    if (!m_env.session->Machine().Gate(gate::kFlash)) {
        return {};
    }
    CKtUSB& d = m_env.session->Device();
    d.SendCommand(wire::op::kSetFlashFrequency, m_env.config.params.FlashFrequency);
    d.SendCommand(wire::op::kStartFlash, wire::op::kNoArgument);
    return {};
}

ViewRequest CMainFrameModel::FlashReturn()
{
    if (m_env.session == nullptr) {
        return NoPrinter(cmd::kFlashReturn);
    }
    if (!m_env.session->Machine().Gate(gate::kFlashReturn)) {
        return {};
    }
    m_env.session->Device().SendCommand(wire::op::kEndFlash, wire::op::kNoArgument);
    return {};
}

ViewRequest CMainFrameModel::Reset()
{
    if (m_env.session == nullptr) {
        return NoPrinter(cmd::kReset);
    }
    // The routine may wait seconds for a printer that is gone: not on the UI thread. A reset
    // asked for while one runs is that same reset.
    if (m_resetRunning.load()) {
        return {};
    }
    if (m_resetThread.joinable()) {
        m_resetThread.join();  // ended already
    }
    m_resetRunning = true;
    CStatusPoller& poller = m_env.session->Poller();
    m_resetThread = std::thread([&poller, this] {
        poller.ReconnectRoutine();
        m_resetRunning = false;
    });
    return {};
}

ViewRequest CMainFrameModel::StoreCalibration()
{
    if (m_env.session == nullptr) {
        return NoPrinter(cmd::kStoreCali);
    }
    if (!m_codec.build) {
        return NotAvailable(cmd::kStoreCali);
    }
    if (!m_env.session->Machine().Gate(gate::kSaveCalibration)) {
        return {};
    }
    const int sent =
        m_env.session->Device().SendCommand(wire::op::kStoreCalibration, wire::op::kNoArgument);
    return Message(cmd::kStoreCali,
                   LoadResString(sent < 0 ? ids::kCaliNotStored : ids::kCaliStored));
}

ViewRequest CMainFrameModel::RestoreCalibration()
{
    if (m_env.session == nullptr) {
        return NoPrinter(cmd::kRestoreCali);
    }
    if (!m_codec.apply) {
        return NotAvailable(cmd::kRestoreCali);
    }
    if (!m_env.session->Machine().Gate(gate::kRestoreCalibration)) {
        return {};
    }
    return {.action = ViewAction::Ask,
            .command = cmd::kRestoreCali,
            .text = LoadResString(ids::kAskOverwriteCali)};
}

ViewRequest CMainFrameModel::Answer(int command, bool yes)
{
    if (command != cmd::kRestoreCali || !yes || m_shutDown || m_env.session == nullptr ||
        !m_codec.apply) {
        return {};
    }
    if (m_caliWaiting.load()) {
        return {};  // the block asked for before is still on its way
    }
    if (m_caliThread.joinable()) {
        m_caliThread.join();  // ended already
    }
    // The block arrives on the poll thread; the wait for it runs on a thread of its own and its
    // outcome reaches the view through the dispatcher.
    struct Arrival {
        std::mutex mutex;
        std::vector<uint8_t> block;
        AutoResetEvent arrived;
    };
    auto arrival = std::make_shared<Arrival>();
    CKtUSB& device = m_env.session->Device();
    device.SetCalibrationReceiver([arrival](const uint8_t* block, int length) {
        {
            std::lock_guard lock(arrival->mutex);
            arrival->block.assign(block, block + std::max(0, length));
        }
        arrival->arrived.Set();
    });
    if (device.SendCommand(wire::op::kRequestCalibration, wire::op::kNoArgument) < 0) {
        device.SetCalibrationReceiver({});
        return Message(command, LoadResString(ids::kCaliNotRequested));
    }
    const int limitMs = m_caliLimitMs;
    m_caliWaiting = true;
    m_caliThread = std::thread([this, arrival, limitMs, life = std::weak_ptr<int>(m_life)] {
        const bool arrived = arrival->arrived.Wait(limitMs);
        m_caliWaiting = false;
        m_env.dispatcher.Post([this, arrival, arrived, life] {
            if (life.expired()) {
                return;
            }
            if (m_env.session != nullptr) {
                m_env.session->Device().SetCalibrationReceiver({});
            }
            if (!arrived) {
                PostLate(Message(cmd::kRestoreCali,
                                 FormatResString(ids::kCaliNoAnswer,
                                                 {std::to_string((m_caliLimitMs + 999) / 1000)})));
                return;
            }
            std::vector<uint8_t> block;
            {
                std::lock_guard lock(arrival->mutex);
                block = arrival->block;
            }
            const bool applied = !block.empty() && m_codec.apply(block);
            PostLate(Message(cmd::kRestoreCali,
                             LoadResString(applied ? ids::kCaliRestored : ids::kCaliUnreadable)));
        });
    });
    return {};
}

void CMainFrameModel::PostLate(const ViewRequest& request)
{
    if (m_lateSink) {
        m_lateSink(request);
    }
}

std::filesystem::path CMainFrameModel::HelpPath() const
{
    const char* folder = GetUiLanguage() == UiLanguage::English ? "en" : "zh";
    return FindDataFile(std::filesystem::path("manual") / folder / "index.html",
                        m_env.config.ProgramDir());
}

std::filesystem::path CMainFrameModel::SelfExecutable()
{
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        // Without /proc the link itself still names this program to the loader.
        return "/proc/self/exe";
    }
    return self;
}

}  // namespace tavolux
