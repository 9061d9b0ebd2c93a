// The printer the command-line tool talks to: USB, an in-process virtual printer, or a virtual
// printer's socket, chosen by --printer or the configuration.
#pragma once

#include <memory>
#include <string>

#include "cli/CliContext.h"
#include "config/PrinterConfig.h"
#include "device/DeviceUSB.h"
#include "device/Transport.h"
#include "sim/PrinterLink.h"
#include "sim/VirtualPrinter.h"

namespace tavolux {
class CPrinterSession;
}

namespace tavolux::cli {

struct PrinterConnection {
    std::unique_ptr<CPrinterConfig> config;
    std::shared_ptr<sim::CVirtualPrinter> virtualPrinter;  // --printer virtual only
    std::unique_ptr<ITransport> transport;
    PrinterKind kind = PrinterKind::Usb;
    std::string socketPath;  // PrinterKind::Socket only
};

// Loads the configuration and makes the chosen transport (not opened).
// False with a message on the error stream when the choice or the configuration is unusable.
bool MakePrinterConnection(CliContext& ctx, PrinterConnection& connection);

// Opens the printer; false, after a message that names the cause, when no printer answers.
// Takes at most the transport's open time (about a second for a socket), never a poll cycle.
bool OpenPrinter(CliContext& ctx, const PrinterConnection& connection, CDeviceUSB& device);

// Opens the session's printer, starts its polling and waits (at most 15 s) for it to report
// ready after its reset. 0 when it is ready; otherwise the session is shut down, the reason
// shown, and the exit code returned.
int StartReadyPrinter(CliContext& ctx, const PrinterConnection& connection,
                      CPrinterSession& session);

// Lays fresh media, as wide as the configured heads print at xRes x yRes, on the in-process
// virtual printer; false, after the message, when the configuration's heads cannot be built.
bool LoadVirtualMedia(CliContext& ctx, PrinterConnection& connection, int xRes, int yRes);

// The operator's text for a printer that could not be opened, in the current language.
std::string OpenFailureText(const PrinterConnection& connection, TransportError error);

}  // namespace tavolux::cli
