#include "sim/PrinterLink.h"

#include "config/PrinterConfig.h"
#include "device/UsbTransport.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/SocketTransport.h"
#include "sim/VirtualTransport.h"

namespace tavolux {

bool MakePrinterLink(const std::string& choice, const CPrinterConfig& config, PrinterLink& link,
                     std::string& error)
{
    std::string kind = choice;
    if (kind.empty()) {
        if (config.params.OutputInterface != "UV_USB") {
            error = LoadResString(ids::kCliNoInterface);
            return false;
        }
        kind = "usb";
    }
    if (kind == "usb") {
        link.kind = PrinterKind::Usb;
        link.transport = std::make_unique<CUsbTransport>(config.UsbVendorId, config.UsbProductId);
    } else if (kind == "virtual" || kind == "virtual:instant") {
        // "virtual" takes mechanical time, as a real printer would; "virtual:instant" answers
        // at once (scripts and tests).
        link.kind = PrinterKind::Virtual;
        link.virtualPrinter = std::make_shared<sim::CVirtualPrinter>(kind == "virtual:instant");
        link.transport = std::make_unique<sim::CVirtualTransport>(link.virtualPrinter);
    } else if (kind.starts_with("socket:") && kind.size() > 7) {
        link.kind = PrinterKind::Socket;
        link.socketPath = kind.substr(7);
        link.transport = std::make_unique<sim::CSocketTransport>(link.socketPath);
    } else {
        error = FormatResString(ids::kCliUnknownPrinter, {choice});
        return false;
    }
    return true;
}

}  // namespace tavolux
