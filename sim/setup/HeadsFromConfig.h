// Builds the virtual printer's own description of its heads and mechanics from the program's
// printer configuration, so that the virtual printer matches the printer being driven.
#pragma once

#include "sim/PrinterHeads.h"

namespace tavolux {
class CPrinterConfig;
}

namespace tavolux::sim {

PrinterHeads HeadsFromConfig(const CPrinterConfig& config);

}  // namespace tavolux::sim
