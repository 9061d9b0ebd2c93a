// The poll loop, the reconnect routine and the action of each status code.
#include "device/StatusPoller.h"

#include "config/PrinterConfig.h"
#include "device/DeviceDiagnostics.h"
#include "device/MachineState.h"
#include "device/PrinterReadyDownload.h"
#include "device/PrinterStatusBlock.h"
#include "device/Protocol.h"
#include "device/ReplyEvents.h"
#include "device/VemoDeviceInterface.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {
constexpr int kFirstJogCommand = 32780;  // menu commands of the four jog directions
}

CStatusPoller::CStatusPoller(CVemoDeviceInterface& device, CMachineState& machine,
                             const CPrinterConfig& config, PrinterStatusBlock& block,
                             ReplyEvents& events)
    : m_device(device), m_machine(machine), m_config(config), m_block(block), m_events(events)
{
}

CStatusPoller::~CStatusPoller()
{
    Stop();
}

void CStatusPoller::SetWaitFunction(WaitFunction wait)
{
    std::lock_guard lock(m_hookMutex);
    m_wait = std::move(wait);
}

void CStatusPoller::SetStatusObserver(std::function<void(int)> observer)
{
    std::lock_guard lock(m_hookMutex);
    m_statusObserver = std::move(observer);
}

void CStatusPoller::Start()
{
    if (!m_thread.joinable()) {
        m_stopPolling = false;
        m_thread = std::thread([this] { Run(); });
    }
}

void CStatusPoller::Stop(int timeoutMs)
{
    if (!m_thread.joinable()) {
        return;
    }
    m_stopPolling = true;
    m_wake.Set();
    if (!m_exited.Wait(timeoutMs)) {
        DeviceDiagnostic(FormatResString(ids::kDiagPollNotEnded, {std::to_string(timeoutMs)}));
    }
    m_thread.join();
}

void CStatusPoller::Pause(int ms)
{
    WaitFunction wait;
    {
        std::lock_guard lock(m_hookMutex);
        wait = m_wait;
    }
    if (wait) {
        wait(ms);
    } else if (!m_stopPolling) {
        m_wake.Wait(ms);
    }
}

void CStatusPoller::ReconnectRoutine()
{
    // One reconnect at a time: a reset pressed while the poll thread reconnects joins that run
    // instead of blocking the user interface behind its pauses.
    std::unique_lock lock(m_reconnectMutex, std::try_to_lock);
    if (lock.owns_lock()) {
        Reconnect();
    }
}

bool CStatusPoller::Reconnect()
{
    const bool wasPrinting = m_machine.Get() == MachineState::Printing;
    if (m_stopPolling || !m_machine.Gate(gate::kReset)) {
        return true;
    }
    if (m_device.CheckLink() != wire::kLinkUp) {
        for (int attempt = 0; attempt < kReconnectAttempts; ++attempt) {
            if (m_stopPolling) {
                return true;
            }
            m_machine.Set(MachineState::Offline);
            m_device.Reopen();
            Pause(kReconnectPauseMs);
            if (m_device.CheckLink() == wire::kLinkUp) {
                break;
            }
        }
    }
    if (m_device.CheckLink() != wire::kLinkUp) {
        return false;
    }
    // A job keeps running on the printer: resetting it would ruin the print.
    if (!wasPrinting) {
        m_device.SendCommand(wire::op::kReset, wire::op::kNoArgument);
    }
    return true;
}

bool CStatusPoller::PollOnce()
{
    const int status = m_device.ReadReply(m_block);
    const bool keepGoing = Act(status);
    if (status == wire::status::kNothing && keepGoing && !m_stopPolling) {
        // Nothing to say: breathe a few milliseconds instead of spinning on the link.
        m_wake.Wait(kIdlePaceMs);
    }
    return keepGoing;
}

void CStatusPoller::Run()
{
    m_machine.Set(MachineState::Starting);
    while (!m_stopPolling) {
        bool up = false;
        {
            // The poll thread waits for a reset the user interface is running, rather than
            // spinning on a link that is being reopened.
            std::lock_guard lock(m_reconnectMutex);
            up = Reconnect();
        }
        // A printer that answers again only after the reconnect gave up is reconnected (and
        // so reset and made ready) before its replies are read: polling it as it was would
        // leave the machine offline for good.
        while (up && !m_stopPolling) {
            if (!PollOnce()) {
                break;
            }
        }
    }
    m_exited.Set();
}

bool CStatusPoller::Act(int status)
{
    namespace st = wire::status;
    std::function<void(int)> observer;
    {
        std::lock_guard lock(m_hookMutex);
        observer = m_statusObserver;
    }
    // Called unlocked, so that the observer may replace the hooks.
    if (observer && status != st::kNothing) {
        observer(status);
    }
    switch (status) {
        case st::kLinkDown:
            m_machine.Set(MachineState::Offline);
            return false;
        case st::kValueB1:
        case st::kB3:
        case st::kMediaEdge1:
        case st::kMediaEdge2:
        case st::kPosition:
        case st::kHeadReadings:
        case st::kUvLamp:
        case st::kBeamState:
        case st::kHeadVoltages:
            m_events.ReplyReady.Set();
            break;
        case st::kC7:
        case st::kCB:
            m_machine.Set(MachineState::Ready);
            break;
        case st::kC8:
            m_machine.Set(MachineState::Printing);
            break;
        case st::kFlashDone:
            m_events.PassAck.Set();
            break;
        case st::kReady:
            Pause(kReadySettleMs);
            m_machine.Set(MachineState::Ready);
            RunPrinterReadyDownload(m_device, m_config);
            break;
        case st::kPrinterReset:
            return false;
        case st::kKeyPause:
            m_machine.Gate(gate::kPause);
            break;
        case st::kKeyResume:
            if (m_machine.Gate(gate::kResume)) {
                m_device.SendCommand(wire::op::kResumePrint, wire::op::kNoArgument);
            }
            break;
        case st::kMoveUp:
        case st::kMoveDown:
        case st::kMoveLeft:
        case st::kMoveRight:
            if (m_machine.Get() == MachineState::Flash) {
                m_machine.SetReturnToFlash(true);
            }
            m_pendingJog =
                m_machine.Gate(gate::kMove) ? kFirstJogCommand + (status - st::kMoveUp) : kNoJog;
            break;
        case st::kMoveStop:
            if (m_pendingJog.exchange(kNoJog) != kNoJog) {
                m_machine.EndMove();
            }
            break;
        case st::kKeyCancel:
            m_machine.Gate(gate::kCancel);
            break;
        case st::kFeedDone:
            m_events.MoveDone.Set();
            m_events.MoveDone2.Set();
            break;
        case st::kCleanAck:
            m_events.CleanAck.Set();
            break;
        case st::kSync:
            m_events.SyncAck.Set();
            break;
        case st::kPassDone:
            m_events.PassDone.Set();
            break;
        default:
            break;  // nothing, reply 5F, the calibration block, unknown
    }
    return true;
}

}  // namespace tavolux
