// The link half of the device object: opens the printer through a transport, finds its four
// bulk endpoints and runs the raw command, raster and reply transfers.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "device/CommandLog.h"
#include "device/Transport.h"
#include "device/VemoDeviceInterface.h"

namespace tavolux {

class CPrinterConfig;

class CDeviceUSB : public CVemoDeviceInterface {
public:
    int Reopen() override;
    void Rebind() override;
    void Close() override;
    int Open() override;
    int CheckLink() override;

    // Raw transfers. Each returns the bytes moved; 0 when refused (no printer, a bulk direction
    // missing, or the endpoint not at its expected position in the endpoint list).
    int WriteCommandBytes(const uint8_t* bytes, int length, int timeoutMs);
    int WriteDataBytes(const uint8_t* bytes, int length, int timeoutMs);
    int ReadReplyBytes(uint8_t* buffer, int length, int timeoutMs);

    // True when the reply endpoint is where it must be (checked before every reply read).
    bool ReplyEndpointInPlace() const;

    const CCommandLog& Log() const { return m_log; }

    // Why the last Open found no printer (None after a successful one).
    TransportError LastOpenError() const;
    // Gives the printer up for good (the program is stopping): transfers under way end as soon as
    // the transport can cut them, later ones fail at once. Any thread; takes no lock, so it
    // works while another thread is stuck in a transfer.
    void Interrupt();

protected:
    CDeviceUSB(const CPrinterConfig& config, std::unique_ptr<ITransport> transport);
    const CPrinterConfig& Config() const { return m_config; }
    void LogLine(const std::string& line);
    bool Debugging() const;

private:
    struct Endpoints {
        std::vector<EndpointInfo> list;  // descriptor order, control endpoint left out
        bool haveBulkIn = false;
        bool haveBulkOut = false;
        bool dataOut = false, commandOut = false, replyIn = false, auxIn = false;
    };
    bool InPlace(uint8_t address, int position) const;  // caller holds m_mutex
    bool Usable() const;                                // caller holds m_mutex
    void ConfigureEndpoints();                          // caller holds m_mutex exclusively
    int Transfer(uint8_t endpoint, int position, uint8_t* bytes, int length, int timeoutMs,
                 bool write);

    const CPrinterConfig& m_config;
    std::unique_ptr<ITransport> m_transport;
    // Transfers share the transport; Open and Close take it alone, so a reconnect never frees
    // the printer under a running transfer.
    mutable std::shared_mutex m_mutex;
    bool m_haveDevice = false;  // guarded by m_mutex
    Endpoints m_endpoints;      // guarded by m_mutex
    std::mutex m_commandMutex;  // one command packet at a time on the command endpoint
    TransportError m_lastOpenError = TransportError::None;  // guarded by m_mutex
    CCommandLog m_log;
};

}  // namespace tavolux
