// What the program sends when the printer reports ready: head target temperatures, head
// voltages and the flash frequency of the configuration.
#pragma once

namespace tavolux {

class CPrinterConfig;
class CVemoDeviceInterface;

// Sends the download for config's printer. Entries missing from the Temperature, Voltage or
// VoltBit lists, and VoltBit positions outside the 24-byte block, are skipped with a log line.
void RunPrinterReadyDownload(CVemoDeviceInterface& device, const CPrinterConfig& config);

}  // namespace tavolux
