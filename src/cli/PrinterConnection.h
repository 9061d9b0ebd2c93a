// The printer the command-line tool talks to: USB, an in-process virtual printer, or a virtual
// printer's socket, chosen by --printer or the configuration.
#pragma once

#include <memory>
#include <string>

#include "cli/CliContext.h"
#include "config/PrinterConfig.h"
#include "device/Transport.h"
#include "sim/VirtualPrinter.h"

namespace tavolux::cli {

struct PrinterConnection {
    std::unique_ptr<CPrinterConfig> config;
    std::shared_ptr<sim::CVirtualPrinter> virtualPrinter;  // --printer virtual only
    std::unique_ptr<ITransport> transport;
};

// Loads the configuration and makes the chosen transport (not opened).
// False with a message on the error stream when the choice or the configuration is unusable.
bool MakePrinterConnection(CliContext& ctx, PrinterConnection& connection);

}  // namespace tavolux::cli
