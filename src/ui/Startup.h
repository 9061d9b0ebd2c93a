// What the desktop program is started with, and the printer link it makes from that choice.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "device/Transport.h"
#include "sim/VirtualPrinter.h"

namespace tavolux {
class CPrinterConfig;
}

namespace tavolux::ui {

struct StartOptions {
    std::filesystem::path programDir;  // empty: the executable's folder
    std::string printer;               // empty: the configuration's interface
};

// Reads "[--program-dir DIR] [--printer usb|virtual|socket:PATH]" (also "--opt=value").
// False with the operator's message in error for a word it does not take.
bool ParseStartOptions(const std::vector<std::string>& args, StartOptions& options,
                       std::string& error);

struct PrinterLink {
    std::shared_ptr<sim::CVirtualPrinter> virtualPrinter;  // "virtual" only
    std::unique_ptr<ITransport> transport;
};

// Makes the transport of a printer choice (not opened); an empty choice takes the
// configuration's interface. False with the operator's message in error for a bad choice.
bool MakePrinterLink(const std::string& choice, const CPrinterConfig& config, PrinterLink& link,
                     std::string& error);

}  // namespace tavolux::ui
