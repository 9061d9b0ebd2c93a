// The printer-ready download by printer version, head groups and white heads.
#include "device/PrinterReadyDownload.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "config/PrinterConfig.h"
#include "device/DeviceDiagnostics.h"
#include "device/Protocol.h"
#include "device/VemoDeviceInterface.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {

// Sends operations first, first+1, ... with the temperatures at the given list indices.
void SendTemperatures(CVemoDeviceInterface& device, const std::vector<int>& t, int first,
                      const std::vector<int>& indices)
{
    int operation = first;
    for (int i : indices) {
        if (i >= static_cast<int>(t.size())) {
            DeviceDiagnostic(FormatResString(ids::kDiagNoTemperature, {std::to_string(i)}));
        } else {
            device.SendCommand(operation, t[static_cast<size_t>(i)]);
        }
        ++operation;
    }
}

}  // namespace

void RunPrinterReadyDownload(CVemoDeviceInterface& device, const CPrinterConfig& config)
{
    const CPrinterParams& p = config.params;
    if (p.OutputInterface != "UV_USB") {
        return;
    }
    const std::vector<int>& t = p.Temperature;
    if (p.PrintVer < 3) {
        std::vector<int> indices = {0, 1, 2, 3};
        if (p.ColorNo > 4) {
            indices.insert(indices.end(), {4, 5});
        }
        SendTemperatures(device, t, wire::op::kSetHeadValue1, indices);
    } else {
        if (p.PrintVer % 2 == 1) {
            std::vector<int> indices;
            if (p.GroupNo == 1 || p.GroupNo == 2) {
                if (p.WhiteColorNo == 0) {
                    indices = {0, 1, 2, 3};
                    if (p.ColorNo == 6) {
                        indices.insert(indices.end(), {4, 5});
                    }
                } else if (p.WhiteColorNo == 4) {
                    indices = {0, 4, 1, 4, 2, 4, 3, 4};
                }
            } else if (p.GroupNo == 4) {
                indices = {0, 0, 1, 1, 2, 2, 3, 3};
            }
            SendTemperatures(device, t, wire::op::kSetHeadValue2nd1, indices);
        }
        std::array<uint8_t, 24> volts{};
        if (p.GroupNo == 1 || p.GroupNo == 2 || p.GroupNo == 4) {
            for (int i = 0; i < p.ColorNo * p.GroupNo; ++i) {
                const auto at = static_cast<size_t>(i);
                if (at >= p.VoltBit.size() || at >= p.Voltage.size() || p.VoltBit[at] < 0 ||
                    p.VoltBit[at] >= 24) {
                    DeviceDiagnostic(FormatResString(ids::kDiagNoVoltage, {std::to_string(i)}));
                    continue;
                }
                volts[static_cast<size_t>(p.VoltBit[at])] = static_cast<uint8_t>(p.Voltage[at]);
            }
        }
        device.SendBlock(wire::op::kSetHeadVoltages, volts.data(), static_cast<int>(volts.size()));
    }
    device.SendCommand(wire::op::kSetFlashFrequency, p.FlashFrequency);
}

}  // namespace tavolux
