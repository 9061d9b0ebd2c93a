// The main window's title.
#pragma once

#include <string>

namespace tavolux {

class CPrinterConfig;

// " Tavolux for " followed by the current printer's name; the leading blank is intended.
std::string MainWindowTitle(const CPrinterConfig& config);

}  // namespace tavolux
