// The device object's operations: link management, commands, raster and replies. Everything
// above the device layer talks to the printer through this interface.
#pragma once

#include <cstdint>

#include "device/PassDescriptor.h"

namespace tavolux {

struct PrinterStatusBlock;

class CVemoDeviceInterface {
public:
    virtual ~CVemoDeviceInterface() = default;

    // Link management.
    virtual int Reopen() = 0;     // Close, then Open; 1 opened, 0 not
    virtual void Rebind() = 0;    // reopens the open printer
    virtual void Close() = 0;     // resets the port and releases the printer
    virtual int Open() = 0;       // 1 opened (endpoints may still be unusable), 0 no printer
    virtual int CheckLink() = 0;  // 2000 link up, 2002 link down; sends the status request

    // Commands, raster and replies; results as documented in CKtUSB.
    virtual int SendBlock(int operation, const uint8_t* data, int length) = 0;
    virtual int SendCommand(int operation, int32_t argument) = 0;
    virtual int SendJobSetup() = 0;
    virtual int SendPassHeader(const PassDescriptor* pass) = 0;
    virtual int SendPassValue(int32_t value) = 0;
    virtual int SendPassOffset(const PassDescriptor* pass) = 0;
    virtual int SendData(const uint8_t* data, int length) = 0;
    virtual int ReadReply(PrinterStatusBlock& block) = 0;
    virtual int SendReturnMove(const PassDescriptor* pass) = 0;

    // Two reserved slots; they do nothing in every device.
    virtual int Reserved1() { return 0; }
    virtual int Reserved2() { return 0; }
};

}  // namespace tavolux
