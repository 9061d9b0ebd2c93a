// Building, starting and closing the printer session.
#include "uimodel/PrinterSession.h"

#include "config/PrinterConfig.h"

namespace tavolux {

CPrinterSession::CPrinterSession(const CPrinterConfig& config,
                                 std::unique_ptr<ITransport> transport, PrinterStatusBlock& block,
                                 ReplyEvents& events, IClock& clock)
    : m_config(config),
      m_line(clock),
      m_machine(&m_line),
      m_device(std::make_unique<CKtUSB>(config, std::move(transport))),
      m_poller(*m_device, m_machine, config, block, events)
{
    m_machine.BuildGate(config.params.Intercommunication);
}

CPrinterSession::~CPrinterSession()
{
    Shutdown();
}

bool CPrinterSession::StartPolling()
{
    if (m_config.params.Intercommunication <= 0 || m_shutDown) {
        return false;
    }
    m_poller.Start();
    return true;
}

bool CPrinterSession::CanClose() const
{
    const MachineState s = m_machine.Get();
    return s == MachineState::Offline || s == MachineState::Starting || s == MachineState::Ready;
}

void CPrinterSession::Shutdown()
{
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    m_poller.Stop();
    m_device->Rebind();
    m_device->Close();
}

}  // namespace tavolux
