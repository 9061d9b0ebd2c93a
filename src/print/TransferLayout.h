// The transfer layouts: how the head arrangement routes each channel's nozzle rows into the
// 16-bit nozzle words of a pass, and the layout-relevant settings copied from the
// configuration.
#pragma once

#include <cstdint>
#include <string>

namespace tavolux {

class CPrinterConfig;

enum class TransferLayout {
    k4x2,  // most arrangements: one bit per head group
    k6x2,  // 6 colours, 2 groups, older boards: 128-nozzle positions include the group
    k4x3,  // 4 colours, 3 groups
    k5x2,  // 4 colours and white
    k8x2,  // 8 channels, white variants
    k4x4,  // newer boards: odd groups mounted reversed
};

const char* LayoutName(TransferLayout layout);

// The layout of a head arrangement (ColorNo, GroupNo, PrintVer and the highest head level).
TransferLayout SelectLayout(int colorNo, int groupNo, int printVer, int highestHeadLevel);

struct LayoutParams {
    TransferLayout layout = TransferLayout::k4x2;
    int headHoleNo = 256;  // nozzles per head
    bool halves = false;   // first MergeBit entry is not -1: two interleaved nozzle halves
    int printVer = 1;
    int ifPrintWhite = 0;
    int whiteStyle = 0;   // WhiteHeadPrintStyle
    int forbidHoles = 0;  // ForbidHolesNum
    int colorNo = 4;
    int whiteColorNo = 0;
    int numWhiteInUse = 0;
    int groupRows = 256;  // head-window rows of one vertical head group

    // From the configuration.
    static LayoutParams FromConfig(const CPrinterConfig& config);

    // Words between two carriage columns in the transfer buffer.
    int ColumnWords() const;
    // Words of a pass of `columns` carriage columns, as sent to the printer: HeadHoleNo per
    // column, halved for interleaved halves, doubled for 128-nozzle heads.
    int64_t TransferWords(int columns) const;
    // True when columns are written mirrored (white heads printing in style 1).
    bool Mirrored() const;
    // True when the channel prints nothing in this layout (unused white channels, or a
    // layout without a two-halves form).
    bool ChannelSilent(int channel) const;
};

}  // namespace tavolux
