// The USB transport as the device object needs it: open the printer, list its endpoints, and
// move bytes synchronously with a time-out and a transferred-byte count.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavolux {

// What really happened inside a transport, for the log; the device layer reports byte counts.
enum class TransportError {
    None,         // the transfer ran (it may still have moved fewer bytes than asked)
    NoDevice,     // no printer found, or it was unplugged
    NotOpen,      // the transport was not opened
    Access,       // the printer is there but may not be opened (permissions)
    Timeout,      // the time-out expired
    Pipe,         // the endpoint stalled
    Busy,         // the interface is claimed by somebody else
    Overflow,     // the printer sent more than the buffer holds
    Io,           // any other failure
    Interrupted,  // given up because the program is stopping (see ITransport::Interrupt)
};

inline std::string_view TransportErrorText(TransportError e)
{
    switch (e) {
        case TransportError::None:
            return "ok";
        case TransportError::NoDevice:
            return "no device";
        case TransportError::NotOpen:
            return "not open";
        case TransportError::Access:
            return "access denied";
        case TransportError::Timeout:
            return "time-out";
        case TransportError::Pipe:
            return "endpoint stalled";
        case TransportError::Busy:
            return "busy";
        case TransportError::Overflow:
            return "overflow";
        case TransportError::Io:
            return "input/output error";
        case TransportError::Interrupted:
            return "interrupted";
    }
    return "unknown";
}

struct EndpointInfo {
    uint8_t address = 0;     // bit 7 set: in
    uint8_t attributes = 0;  // 2: bulk
};

class ITransport {
public:
    virtual ~ITransport() = default;

    // Opens (or reopens) the first printer found. None when a printer is open afterwards.
    virtual TransportError Open() = 0;
    // True between a successful Open and Close.
    virtual bool IsOpen() const = 0;
    // The endpoints of the printer's interface in descriptor order, without the control
    // endpoint; empty while closed.
    virtual std::vector<EndpointInfo> Endpoints() const = 0;
    // Synchronous bulk write of length bytes; transferred holds the bytes moved (0 on failure).
    // Blocks at most timeoutMs milliseconds.
    virtual TransportError BulkWrite(uint8_t endpoint, const uint8_t* data, int length,
                                     int timeoutMs, int& transferred) = 0;
    // Synchronous bulk read of up to length bytes; transferred holds the bytes read.
    // Blocks at most timeoutMs milliseconds.
    virtual TransportError BulkRead(uint8_t endpoint, uint8_t* data, int length, int timeoutMs,
                                    int& transferred) = 0;
    // Largest single request on the endpoint; a transport without that notion ignores it.
    virtual void SetTransferSize(uint8_t endpoint, int bytes) = 0;
    // Resets the printer's port (the printer re-enumerates).
    virtual void ResetPort() = 0;
    // Releases the printer; safe when closed.
    virtual void Close() = 0;
    // For good: ends the transfers under way as soon as it can and makes every later call fail
    // with Interrupted, so that a program that is stopping never waits out a time-out. Any
    // thread, never blocks. A transport whose transfers end within their time-outs anyway and
    // cannot be cut short keeps the default, which does nothing.
    virtual void Interrupt() {}
};

}  // namespace tavolux
