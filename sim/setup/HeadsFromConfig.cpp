// The head arrangement, the board's wiring and the machine sizes of a printer type.
#include "sim/setup/HeadsFromConfig.h"

#include <algorithm>

#include "config/PrinterConfig.h"
#include "print/TransferLayout.h"

namespace tavolux::sim {

namespace {

BoardWiring WiringOf(TransferLayout layout)
{
    switch (layout) {
        case TransferLayout::k4x2:
            return BoardWiring::k4x2;
        case TransferLayout::k6x2:
            return BoardWiring::k6x2;
        case TransferLayout::k4x3:
            return BoardWiring::k4x3;
        case TransferLayout::k5x2:
            return BoardWiring::k5x2;
        case TransferLayout::k8x2:
            return BoardWiring::k8x2;
        case TransferLayout::k4x4:
            return BoardWiring::k4x4;
    }
    return BoardWiring::k4x2;
}

// Inks in head order: black, cyan, magenta, yellow, light cyan, light magenta, then white.
std::array<uint8_t, 3> InkOf(int channel, bool white)
{
    static constexpr std::array<std::array<uint8_t, 3>, 6> kInks = {{{40, 40, 40},
                                                                     {0, 170, 235},
                                                                     {230, 0, 140},
                                                                     {255, 235, 0},
                                                                     {150, 215, 245},
                                                                     {245, 160, 205}}};
    if (white || channel < 0) {
        return {225, 232, 240};  // white ink shows faintly on white media
    }
    return kInks[static_cast<size_t>(channel) % kInks.size()];
}

}  // namespace

PrinterHeads HeadsFromConfig(const CPrinterConfig& config)
{
    const auto& p = config.params;
    const LayoutParams layout = LayoutParams::FromConfig(config);
    PrinterHeads h;
    h.wiring = WiringOf(layout.layout);
    h.nozzles = p.HeadHoleNo;
    h.groupRows = layout.groupRows;
    h.halves = layout.halves;
    h.boardVersion = p.PrintVer;
    h.whiteReversed = p.IfPrintWhite == 1 && p.WhiteHeadPrintStyle == 1;
    h.channels = std::max(p.ColorNo, 0);
    h.groups = std::max(p.GroupNo, 1);
    for (int c = 0; c < h.channels; ++c) {
        h.inks.push_back(InkOf(c, c >= p.ColorNo - p.WhiteColorNo));
    }
    for (int c = 0; c < p.ColorNo; ++c) {
        for (int g = 0; g < p.GroupNo; ++g) {
            const int slot = config.FindHeadSlot(c, g);
            if (slot < 0) {
                continue;
            }
            const auto s = static_cast<size_t>(slot);
            HeadMount head;
            head.channel = c;
            head.group = g;
            if (layout.halves) {
                const int bit = s < p.MergeBit.size() ? p.MergeBit[s] : 0;
                head.bit = bit & 15;
                head.secondBit = (bit + 1) & 15;
            } else {
                head.bit = slot & 15;
            }
            head.offsetMm = s < p.HeadHoriPosList.size() ? p.HeadHoriPosList[s] : 0.0;
            h.heads.push_back(head);
        }
    }
    h.mmPerPulseX = p.MmPerPulseX;
    h.mmPerPulseY = p.MmPerPulseY;
    h.accelerationMm = p.MaxAccDist;
    if (p.IfSpacePrint == 1) {
        h.spaceBeforeMm = p.SpaceBeforePic;
        h.spaceAfterMm = p.SpaceAfterPic;
    }
    h.rasterResolution = p.RasterRes;
    h.printerResolution = p.PrinterResolution;
    h.feedCodeE1 = h.whiteReversed;
    h.feedAfterPass = p.PassFeedAfter == 1;
    return h;
}

}  // namespace tavolux::sim
