// Opening the printer, the endpoint checks and the raw transfers.
#include "device/DeviceUSB.h"

#include <string>

#include "config/PrinterConfig.h"
#include "device/DeviceDiagnostics.h"
#include "device/Protocol.h"
#include "platform/ProgramDir.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

CDeviceUSB::CDeviceUSB(const CPrinterConfig& config, std::unique_ptr<ITransport> transport)
    : m_config(config), m_transport(std::move(transport)), m_log(GetProgramDir())
{
}

bool CDeviceUSB::Debugging() const
{
    return m_config.IsDebug == 1;
}

void CDeviceUSB::LogLine(const std::string& line)
{
    m_log.Append(line);
}

int CDeviceUSB::Open()
{
    std::unique_lock lock(m_mutex);
    m_endpoints = {};
    TransportError e = m_transport->Open();
    if (e != TransportError::None) {
        // Said once per kind of failure: the poll thread retries every few seconds.
        if (e != m_lastOpenError) {
            DeviceDiagnostic(FormatResString(ids::kDiagNotOpened, {TransportErrorWord(e)}));
        }
        m_lastOpenError = e;
        m_haveDevice = false;
        return 0;
    }
    m_lastOpenError = TransportError::None;
    for (const EndpointInfo& ep : m_transport->Endpoints()) {
        if (ep.attributes == wire::kBulkAttributes) {
            ((ep.address & wire::kEndpointDirectionIn) ? m_endpoints.haveBulkIn
                                                       : m_endpoints.haveBulkOut) = true;
        }
    }
    if (!m_endpoints.haveBulkIn || !m_endpoints.haveBulkOut) {
        DeviceDiagnostic(LoadResString(ids::kDiagNoBulkEndpoints));
        m_lastOpenError = TransportError::Io;  // not the printer we know
        m_transport->Close();
        m_haveDevice = false;
        m_endpoints = {};
        return 0;
    }
    m_haveDevice = true;
    // Rebind and configure; a printer whose endpoints do not fit stays "open" with its
    // transfers refused, and the link check reports it down.
    ConfigureEndpoints();
    return 1;
}

TransportError CDeviceUSB::LastOpenError() const
{
    std::shared_lock lock(m_mutex);
    return m_lastOpenError;
}

void CDeviceUSB::Interrupt()
{
    m_transport->Interrupt();
}

void CDeviceUSB::ConfigureEndpoints()
{
    if (m_transport->Open() != TransportError::None || !m_transport->IsOpen()) {
        return;
    }
    Endpoints found;
    found.haveBulkIn = m_endpoints.haveBulkIn;
    found.haveBulkOut = m_endpoints.haveBulkOut;
    found.list = m_transport->Endpoints();
    for (const EndpointInfo& ep : found.list) {
        if (ep.attributes != wire::kBulkAttributes) {
            continue;
        }
        switch (ep.address) {
            case wire::kDataOut:
                found.dataOut = true;
                break;
            case wire::kCommandOut:
                found.commandOut = true;
                break;
            case wire::kReplyIn:
                found.replyIn = true;
                break;
            case wire::kAuxIn:
                found.auxIn = true;
                break;
            default:
                break;
        }
    }
    if (!found.dataOut || !found.commandOut || !found.replyIn || !found.auxIn) {
        // Without all four the printer is not the one we know: refuse every transfer.
        DeviceDiagnostic(LoadResString(ids::kDiagMissingEndpoint));
        found.dataOut = found.commandOut = found.replyIn = found.auxIn = false;
        m_endpoints = found;
        return;
    }
    m_endpoints = found;
    m_transport->SetTransferSize(wire::kDataOut, wire::kDataTransferSize);
}

void CDeviceUSB::Rebind()
{
    std::unique_lock lock(m_mutex);
    if (m_haveDevice) {
        ConfigureEndpoints();
    }
}

void CDeviceUSB::Close()
{
    std::unique_lock lock(m_mutex);
    if (m_haveDevice) {
        m_transport->ResetPort();
        m_transport->Close();
        m_haveDevice = false;
        m_endpoints = {};
    }
}

int CDeviceUSB::Reopen()
{
    Close();
    return Open();
}

bool CDeviceUSB::Usable() const
{
    return m_haveDevice && m_endpoints.haveBulkIn && m_endpoints.haveBulkOut;
}

bool CDeviceUSB::InPlace(uint8_t address, int position) const
{
    bool found = address == wire::kDataOut      ? m_endpoints.dataOut
                 : address == wire::kCommandOut ? m_endpoints.commandOut
                                                : m_endpoints.replyIn;
    auto index = static_cast<size_t>(position - 1);
    return found && index < m_endpoints.list.size() && m_endpoints.list[index].address == address;
}

bool CDeviceUSB::ReplyEndpointInPlace() const
{
    std::shared_lock lock(m_mutex);
    return Usable() && InPlace(wire::kReplyIn, wire::kReplyInPosition);
}

int CDeviceUSB::CheckLink()
{
    {
        std::shared_lock lock(m_mutex);
        if (!Usable()) {
            return wire::kLinkDown;
        }
    }
    const uint8_t request = wire::cmd::kStatusRequest;
    return WriteCommandBytes(&request, 1, wire::kLinkCheckTimeoutMs) == 1 ? wire::kLinkUp
                                                                          : wire::kLinkDown;
}

int CDeviceUSB::Transfer(uint8_t endpoint, int position, uint8_t* bytes, int length, int timeoutMs,
                         bool write)
{
    std::shared_lock lock(m_mutex);
    if (!Usable() || !InPlace(endpoint, position) || length <= 0) {
        return 0;
    }
    int moved = 0;
    TransportError e = TransportError::Io;
    try {
        e = write ? m_transport->BulkWrite(endpoint, bytes, length, timeoutMs, moved)
                  : m_transport->BulkRead(endpoint, bytes, length, timeoutMs, moved);
    } catch (...) {
        // A failure inside the USB library counts as what it reported having moved.
        DeviceDiagnostic(FormatResString(ids::kDiagTransferException, {std::to_string(moved)}));
    }
    if (moved < 0 || moved > length) {
        moved = 0;
    }
    if (!write && e == TransportError::Overflow) {
        // More came than the buffer holds: the reply is cut and cannot be trusted.
        DeviceDiagnostic(FormatResString(ids::kDiagReplyOverflow, {std::to_string(length)}));
        return 0;
    }
    if (e != TransportError::None && e != TransportError::Timeout) {
        DeviceDiagnostic(FormatResString(ids::kDiagTransferFailed,
                                         {std::to_string(endpoint), TransportErrorWord(e)}));
    }
    if (write && moved < length && e == TransportError::None) {
        DeviceDiagnostic(FormatResString(
            ids::kDiagShortWrite,
            {std::to_string(endpoint), std::to_string(moved), std::to_string(length)}));
    }
    return moved;
}

int CDeviceUSB::WriteCommandBytes(const uint8_t* bytes, int length, int timeoutMs)
{
    int written = 0;
    {
        std::lock_guard lock(m_commandMutex);
        written = Transfer(wire::kCommandOut, wire::kCommandOutPosition,
                           const_cast<uint8_t*>(bytes), length, timeoutMs, true);
    }
    // The status request never reaches the log: it is sent before every reply read.
    if (Debugging() && written > 0 && bytes[0] != wire::cmd::kStatusRequest) {
        LogLine(CCommandLog::CommandLine(bytes, length, written));
    }
    return written;
}

int CDeviceUSB::WriteDataBytes(const uint8_t* bytes, int length, int timeoutMs)
{
    int written = Transfer(wire::kDataOut, wire::kDataOutPosition, const_cast<uint8_t*>(bytes),
                           length, timeoutMs, true);
    // Raster that starts with the status request's byte is left out like the request.
    if (Debugging() && written > 0 && bytes[0] != wire::cmd::kStatusRequest) {
        LogLine(CCommandLog::DataLine(bytes));
    }
    return written;
}

int CDeviceUSB::ReadReplyBytes(uint8_t* buffer, int length, int timeoutMs)
{
    int read = Transfer(wire::kReplyIn, wire::kReplyInPosition, buffer, length, timeoutMs, false);
    if (Debugging() && read > 0) {
        LogLine(CCommandLog::ReplyLine(buffer, length));
    }
    return read;
}

}  // namespace tavolux
