// Layout routing and the settings that shape the nozzle words.
#include "print/TransferLayout.h"

#include <algorithm>

#include "config/PrinterConfig.h"

namespace tavolux {

const char* LayoutName(TransferLayout layout)
{
    switch (layout) {
        case TransferLayout::k4x2:
            return "4x2";
        case TransferLayout::k6x2:
            return "6x2";
        case TransferLayout::k4x3:
            return "4x3";
        case TransferLayout::k5x2:
            return "5x2";
        case TransferLayout::k8x2:
            return "8x2";
        case TransferLayout::k4x4:
            return "4x4";
    }
    return "4x2";
}

TransferLayout SelectLayout(int colorNo, int groupNo, int printVer, int highestHeadLevel)
{
    if (groupNo == 1 && (colorNo == 4 || colorNo == 6)) {
        return TransferLayout::k4x2;
    }
    if (printVer < 3) {
        if (groupNo == 2 && colorNo == 6) {
            return TransferLayout::k6x2;
        }
        if (groupNo == 3 && colorNo == 4) {
            return TransferLayout::k4x3;
        }
        if (groupNo == 2 && colorNo == 5) {
            return TransferLayout::k5x2;
        }
        return TransferLayout::k4x2;
    }
    if (groupNo == 4 && colorNo == 4) {
        return TransferLayout::k4x4;
    }
    if (groupNo == 2 && colorNo == 8) {
        return TransferLayout::k8x2;
    }
    if (groupNo == 2 && colorNo == 4) {
        return highestHeadLevel == 1 ? TransferLayout::k4x2 : TransferLayout::k4x4;
    }
    if (groupNo == 2 && colorNo == 6) {
        return TransferLayout::k4x4;
    }
    // Arrangements outside the routing table print with the most common layout.
    return TransferLayout::k4x2;
}

LayoutParams LayoutParams::FromConfig(const CPrinterConfig& config)
{
    const auto& p = config.params;
    LayoutParams l;
    const int level = p.HeadLevelList.empty()
                          ? 0
                          : *std::max_element(p.HeadLevelList.begin(), p.HeadLevelList.end());
    l.layout = SelectLayout(p.ColorNo, p.GroupNo, p.PrintVer, level);
    l.headHoleNo = p.HeadHoleNo;
    l.halves = !p.MergeBit.empty() && p.MergeBit.front() != -1;
    l.printVer = p.PrintVer;
    l.ifPrintWhite = p.IfPrintWhite;
    l.whiteStyle = p.WhiteHeadPrintStyle;
    l.forbidHoles = std::clamp(p.ForbidHolesNum, 0, std::max(p.HeadHoleNo - 1, 0));
    l.colorNo = p.ColorNo;
    l.whiteColorNo = p.WhiteColorNo;
    l.numWhiteInUse = p.NumOfWhiteInUse;
    l.groupRows = p.HeadHoleNo;
    if (p.IfPrintWhite == 1 && p.WhiteHeadPrintStyle == 0) {
        l.groupRows -= l.forbidHoles;
    }
    return l;
}

int LayoutParams::ColumnWords() const
{
    if (halves) {
        return headHoleNo / 2;
    }
    return headHoleNo == 128 ? 2 * headHoleNo : headHoleNo;
}

int64_t LayoutParams::TransferWords(int columns) const
{
    int64_t words = int64_t{headHoleNo} * std::max(columns, 0);
    if (halves) {
        words /= 2;
    }
    if (headHoleNo == 128) {
        words *= 2;
    }
    return words;
}

bool LayoutParams::Mirrored() const
{
    return !halves && ifPrintWhite == 1 && whiteStyle == 1 &&
           (layout == TransferLayout::k5x2 || layout == TransferLayout::k8x2);
}

bool LayoutParams::ChannelSilent(int channel) const
{
    if (halves) {
        if (layout == TransferLayout::k8x2) {
            return true;
        }
        if (layout == TransferLayout::k5x2 && ifPrintWhite != 0) {
            return true;
        }
    }
    return layout == TransferLayout::k8x2 && ifPrintWhite == 1 &&
           channel >= colorNo - whiteColorNo + numWhiteInUse;
}

}  // namespace tavolux
