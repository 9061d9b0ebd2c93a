// The printer a program talks to, as its --printer choice names it: the printer on USB, the
// in-process virtual printer (in mechanical time, or answering at once), or a virtual printer
// program's socket. Both programs make their link here.
#pragma once

#include <memory>
#include <string>

#include "device/Transport.h"
#include "sim/VirtualPrinter.h"

namespace tavolux {

class CPrinterConfig;

enum class PrinterKind {
    Usb,      // the printer on USB, by vendor and product id
    Virtual,  // the in-process virtual printer
    Socket,   // a virtual printer program's socket
};

struct PrinterLink {
    PrinterKind kind = PrinterKind::Usb;
    std::shared_ptr<sim::CVirtualPrinter> virtualPrinter;  // PrinterKind::Virtual only
    std::unique_ptr<ITransport> transport;                 // not opened
    std::string socketPath;                                // PrinterKind::Socket only
};

// Makes the transport of choice: "usb", "virtual", "virtual:instant" or "socket:PATH"; an empty
// choice takes the configuration's interface, which must be "UV_USB". False, with the
// operator's message in error, for a choice it does not know or a configuration without USB.
bool MakePrinterLink(const std::string& choice, const CPrinterConfig& config, PrinterLink& link,
                     std::string& error);

}  // namespace tavolux
