#include "ui/Startup.h"

#include "config/PrinterConfig.h"
#include "device/UsbTransport.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/SocketTransport.h"
#include "sim/VirtualTransport.h"

namespace tavolux::ui {

bool ParseStartOptions(const std::vector<std::string>& args, StartOptions& options,
                       std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        std::string word = args[i];
        std::string value;
        bool hasValue = false;
        if (const size_t eq = word.find('='); word.starts_with("--") && eq != std::string::npos) {
            value = word.substr(eq + 1);
            word = word.substr(0, eq);
            hasValue = true;
        }
        if (word != "--program-dir" && word != "--printer") {
            error = FormatResString(ids::kUiUsage, {args[i]});
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = FormatResString(ids::kUiUsage, {args[i]});
                return false;
            }
            value = args[++i];
        }
        if (value.empty()) {
            error = FormatResString(ids::kUiUsage, {args[i]});
            return false;
        }
        if (word == "--program-dir") {
            options.programDir = value;
        } else {
            options.printer = value;
        }
    }
    return true;
}

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
        link.transport = std::make_unique<CUsbTransport>(config.UsbVendorId, config.UsbProductId);
    } else if (kind == "virtual" || kind == "virtual:instant") {
        // "virtual" takes mechanical time, as a real printer would; "virtual:instant" answers
        // at once (scripts).
        link.virtualPrinter = std::make_shared<sim::CVirtualPrinter>(kind == "virtual:instant");
        link.transport = std::make_unique<sim::CVirtualTransport>(link.virtualPrinter);
    } else if (kind.starts_with("socket:") && kind.size() > 7) {
        link.transport = std::make_unique<sim::CSocketTransport>(kind.substr(7));
    } else {
        error = FormatResString(ids::kCliUnknownPrinter, {choice});
        return false;
    }
    return true;
}

}  // namespace tavolux::ui
