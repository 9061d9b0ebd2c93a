// The process-wide status block.
#include "device/PrinterStatusBlock.h"

namespace tavolux {

PrinterStatusBlock& GetPrinterStatusBlock()
{
    static PrinterStatusBlock block;
    return block;
}

}  // namespace tavolux
