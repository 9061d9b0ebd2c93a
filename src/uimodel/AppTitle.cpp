// Window title text.
#include "uimodel/AppTitle.h"

#include "config/PrinterConfig.h"

namespace tavolux {

std::string MainWindowTitle(const CPrinterConfig& config)
{
    return " Tavolux for " + config.PrinterName();
}

}  // namespace tavolux
