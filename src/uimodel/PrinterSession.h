// What the main frame owns of the printer: the device object, the machine state with its
// gate, the state line and the status poll thread, built and torn down in the right order.
#pragma once

#include <memory>

#include "device/KtUSB.h"
#include "device/MachineState.h"
#include "device/StatusPoller.h"
#include "uimodel/StateLine.h"

namespace tavolux {

struct PrinterStatusBlock;
struct ReplyEvents;

class CPrinterSession {
public:
    // The device runs on transport; texts go to the session's state line on clock. The gate
    // lists are built from config's Intercommunication.
    CPrinterSession(const CPrinterConfig& config, std::unique_ptr<ITransport> transport,
                    PrinterStatusBlock& block, ReplyEvents& events, IClock& clock = GetClock());
    ~CPrinterSession();  // Shutdown
    CPrinterSession(const CPrinterSession&) = delete;
    CPrinterSession& operator=(const CPrinterSession&) = delete;

    CKtUSB& Device() { return *m_device; }
    CMachineState& Machine() { return m_machine; }
    CStateLine& StateLine() { return m_line; }
    CStatusPoller& Poller() { return m_poller; }

    // Starts the poll thread when the printer talks to the program (Intercommunication > 0);
    // false when it does not, and nothing starts.
    bool StartPolling();
    // The close request is accepted only while the printer is offline, starting or ready.
    bool CanClose() const;
    // Stops polling (waits for the thread), then releases the printer. Safe to call twice.
    void Shutdown();

private:
    const CPrinterConfig& m_config;
    CStateLine m_line;
    CMachineState m_machine;
    std::unique_ptr<CKtUSB> m_device;
    CStatusPoller m_poller;
    bool m_shutDown = false;
};

}  // namespace tavolux
