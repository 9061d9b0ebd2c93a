// What the desktop program is started with.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sim/PrinterLink.h"

namespace tavolux::ui {

struct StartOptions {
    std::filesystem::path programDir;  // empty: the executable's folder
    std::string printer;               // empty: the configuration's interface
};

// Reads "[--program-dir DIR] [--printer usb|virtual|socket:PATH]" (also "--opt=value").
// False with the operator's message in error for a word it does not take.
bool ParseStartOptions(const std::vector<std::string>& args, StartOptions& options,
                       std::string& error);

}  // namespace tavolux::ui
