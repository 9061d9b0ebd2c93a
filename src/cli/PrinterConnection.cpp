// Choosing and building the printer connection of the command-line tool.
#include "cli/PrinterConnection.h"

#include "device/UsbTransport.h"
#include "sim/SocketTransport.h"
#include "sim/VirtualTransport.h"

namespace tavolux::cli {

bool MakePrinterConnection(CliContext& ctx, PrinterConnection& c)
{
    if (!CheckConfigPresent(ctx)) {
        return false;
    }
    c.config = std::make_unique<CPrinterConfig>(ctx.programDir);
    if (!c.config->LoadConfig()) {
        Fail(ctx, kExitFailed, "tavolux.ini could not be loaded completely; going on with it");
    }
    std::string choice = ctx.printer;
    if (choice.empty()) {
        if (c.config->params.OutputInterface != "UV_USB") {
            Fail(ctx, kExitUsage,
                 "OutputInterface is not UV_USB: no printer interface; choose one with "
                 "--printer usb|virtual|socket:PATH");
            return false;
        }
        choice = "usb";
    }
    std::unique_ptr<ITransport> transport;
    if (choice == "usb") {
        transport = std::make_unique<CUsbTransport>(c.config->UsbVendorId, c.config->UsbProductId);
    } else if (choice == "virtual" || choice == "virtual:instant") {
        // virtual:instant answers at once (scripts and tests); virtual takes mechanical time.
        c.virtualPrinter = std::make_shared<sim::CVirtualPrinter>(choice == "virtual:instant");
        transport = std::make_unique<sim::CVirtualTransport>(c.virtualPrinter);
    } else if (choice.starts_with("socket:") && choice.size() > 7) {
        transport = std::make_unique<sim::CSocketTransport>(choice.substr(7));
    } else {
        Fail(ctx, kExitUsage,
             "unknown printer \"" + choice + "\" (usb, virtual, virtual:instant, socket:PATH)");
        return false;
    }
    c.transport = std::move(transport);
    return true;
}

}  // namespace tavolux::cli
