// Nozzle positions and rows of every transfer layout.
#include "print/NozzleMap.h"

namespace tavolux {

namespace {

// Positions within each group of four nozzles on boards of print version 1.
int QuadOrder(int n)
{
    switch (n % 4) {
        case 0:
            return n + 1;
        case 1:
            return n + 2;
        case 2:
            return n - 2;
        default:
            return n - 1;
    }
}

// 128-nozzle heads take two words per nozzle with the pairs swapped; some layouts shift
// them by the group so that the groups fill alternate word pairs.
int Interleaved128(int base, int n)
{
    return (n % 2 == 0 ? 2 * base + 1 : 2 * base - 2) & 0xFFFF;
}

}  // namespace

int NozzlePosition(const LayoutParams& layout, int g, int n)
{
    const bool h128 = layout.headHoleNo == 128;
    switch (layout.layout) {
        case TransferLayout::k4x2:
            if (h128) {
                return Interleaved128(n, n);
            }
            return layout.printVer == 1 ? QuadOrder(n) : n;
        case TransferLayout::k6x2:
            if (h128) {
                return Interleaved128(g + n, n);
            }
            return layout.printVer == 1 ? QuadOrder(n) : n;
        case TransferLayout::k4x3:
            if (h128) {
                return Interleaved128(g < 2 ? g + n : n, n);
            }
            if (layout.printVer == 1) {
                return n % 2 == 0 ? n + 1 : n - 1;
            }
            return n;
        case TransferLayout::k5x2:
            return h128 ? Interleaved128(g + n, n) : QuadOrder(n);
        case TransferLayout::k8x2:
        case TransferLayout::k4x4:
            return h128 ? Interleaved128(n, n) : n;
    }
    return n;
}

int HalfPosition(const LayoutParams& layout, int r)
{
    if (layout.printVer == 1 && layout.layout != TransferLayout::k4x4) {
        return r % 2 == 1 ? r - 1 : r + 1;
    }
    return r;
}

int NozzleRow(const LayoutParams& layout, int g, int n)
{
    const int reversed = layout.headHoleNo - 1 - n;
    const bool whiteStyle1 = layout.ifPrintWhite == 1 && layout.whiteStyle == 1;
    switch (layout.layout) {
        case TransferLayout::k4x4:
            return g % 2 == 1 ? reversed : n;
        case TransferLayout::k8x2:
            if (layout.halves) {
                return n;
            }
            return (g % 2 == 1) != whiteStyle1 ? reversed : n;
        case TransferLayout::k5x2:
            return !layout.halves && whiteStyle1 ? reversed : n;
        default:
            return n;
    }
}

std::vector<NozzleEntry> BuildNozzleMap(const LayoutParams& layout, const HeadGroup& group,
                                        int windowRows)
{
    std::vector<NozzleEntry> map;
    if (!group.printed || layout.headHoleNo < 1) {
        return map;
    }
    const int base = group.group * layout.groupRows;
    const auto add = [&](int nozzle, int position, uint16_t bit) {
        const int r = NozzleRow(layout, group.group, nozzle);
        if (r < 0 || r >= layout.groupRows || base + r >= windowRows) {
            return;
        }
        map.push_back({base + r, position, bit});
    };
    const int h = layout.headHoleNo;
    if (layout.halves) {
        for (int r = 0; r < h / 2; ++r) {
            const int position = HalfPosition(layout, r);
            add(2 * r, position, group.bit);
            add(2 * r + 1, position, group.secondBit);
        }
        return map;
    }
    for (int n = 0; n < h; ++n) {
        add(n, NozzlePosition(layout, group.group, n), group.bit);
    }
    return map;
}

}  // namespace tavolux
