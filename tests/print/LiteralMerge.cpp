// Literal merge: every nozzle, every carriage column, every pixel test on its own.
#include "print/LiteralMerge.h"

#include "print/PassMasks.h"

namespace tavolux::test {

namespace {

bool ImageBit(const MergeInput& in, int row, int x)
{
    return (in.rows[static_cast<size_t>(row)][x / 8] & (0x80 >> (x % 8))) != 0;
}

// Window, image bit and the mask mode's test for pixel x of head-window row `row`.
bool Prints(const MergeInput& in, int row, int x)
{
    const int rowBits = in.rowBytes * 8;
    if (x < in.windowStart || x > in.windowEnd || x < 0 || x >= rowBits) {
        return false;
    }
    if (!ImageBit(in, row, x)) {
        return false;
    }
    const int d = x - in.windowStart;
    const int p = in.passes < 1 ? 1 : in.passes;
    if (in.maskMode == kMaskPass && in.useMasks) {
        const int mask = in.passIndex % p;
        const int maskRow = (row * in.interlace + in.maskRowOffset) % CPassMasks::kRows;
        const uint8_t byte = in.masks->Byte(mask, maskRow, (d / 8) % CPassMasks::kBytes);
        return (byte & (0x80 >> (d % 8))) != 0;
    }
    if (in.maskMode == kMaskInterleave) {
        return d % p == in.passIndex % p;
    }
    return true;
}

struct Placement {
    int position = -1;
    int stride = 1;
    int row = -1;  // group-relative row, -1: the nozzle prints nothing
};

Placement PlaceNozzle(const LayoutParams& l, int g, int n)
{
    const int h = l.headHoleNo;
    Placement pl;
    pl.row = n;
    const bool even = n % 2 == 0;
    if (h == 128) {
        pl.stride = 2;
        int base = n;
        if (l.layout == TransferLayout::k6x2 || l.layout == TransferLayout::k5x2 ||
            (l.layout == TransferLayout::k4x3 && g < 2)) {
            base = g + n;
        }
        pl.position = (even ? 2 * base + 1 : 2 * base - 2) % 65536;
    } else {
        pl.stride = 1;
        pl.position = n;
        const bool quads =
            l.layout == TransferLayout::k5x2 ||
            ((l.layout == TransferLayout::k4x2 || l.layout == TransferLayout::k6x2) &&
             l.printVer == 1);
        if (quads) {
            const int shift[4] = {1, 2, -2, -1};
            pl.position = n + shift[n % 4];
        } else if (l.layout == TransferLayout::k4x3 && l.printVer == 1) {
            pl.position = even ? n + 1 : n - 1;
        }
    }
    const bool white = l.ifPrintWhite == 1;
    switch (l.layout) {
        case TransferLayout::k5x2:
            if (white && l.whiteStyle == 0 && n > h - l.forbidHoles - 1) {
                pl.row = -1;
            } else if (white && l.whiteStyle == 1) {
                pl.row = h - 1 - n;
            }
            break;
        case TransferLayout::k8x2:
            if (white && l.whiteStyle == 1) {
                pl.row = g % 2 == 1 ? n : h - 1 - n;
            } else {
                pl.row = g % 2 == 0 ? n : h - 1 - n;
            }
            break;
        case TransferLayout::k4x4:
            if (g % 2 == 1) {
                pl.row = h - 1 - n;
            }
            break;
        default:
            break;
    }
    return pl;
}

}  // namespace

void CLiteralMerge::Merge(const MergeInput& in, std::span<uint16_t> transfer)
{
    const LayoutParams& l = in.layout;
    const int h = l.headHoleNo;
    const int length = in.passLength;
    if (l.layout == TransferLayout::k8x2 && l.ifPrintWhite == 1 &&
        in.channel >= l.colorNo - l.whiteColorNo + l.numWhiteInUse) {
        return;
    }
    const bool whiteStyle1 = l.ifPrintWhite == 1 && l.whiteStyle == 1;
    for (const HeadGroup& group : in.groups) {
        if (!group.printed) {
            continue;
        }
        const int g = group.group;
        const int base = g * l.groupRows;
        const auto place = [&](int nozzle, int row, int position, int columnStep, bool mirror,
                               uint16_t bit) {
            // Forbidden nozzles and rows of another group print nothing.
            if (row < 0 || row >= l.groupRows || base + row >= static_cast<int>(in.rows.size())) {
                return;
            }
            (void)nozzle;
            for (int j = 0; j < length; ++j) {
                const int x = in.leftToRight ? group.start + j : group.end - j;
                if (!Prints(in, base + row, x)) {
                    continue;
                }
                const int column = mirror ? length - 1 - j : j;
                const size_t index = static_cast<size_t>(position) +
                                     static_cast<size_t>(column) * static_cast<size_t>(columnStep);
                if (index < transfer.size()) {
                    transfer[index] |= bit;
                }
            }
        };
        if (!l.halves) {
            const bool mirror = whiteStyle1 && (l.layout == TransferLayout::k5x2 ||
                                                l.layout == TransferLayout::k8x2);
            for (int n = 0; n < h; ++n) {
                const Placement pl = PlaceNozzle(l, g, n);
                place(n, pl.row, pl.position, pl.stride * h, mirror, group.bit);
            }
            continue;
        }
        if (l.layout == TransferLayout::k8x2 ||
            (l.layout == TransferLayout::k5x2 && l.ifPrintWhite != 0)) {
            continue;
        }
        for (int r = 0; r < h / 2; ++r) {
            int position = r;
            if (l.printVer == 1 && l.layout != TransferLayout::k4x4) {
                position = r % 2 == 1 ? r - 1 : r + 1;
            }
            for (int half = 0; half < 2; ++half) {
                const int m = 2 * r + half;
                const int row = l.layout == TransferLayout::k4x4 && g % 2 == 1 ? h - 1 - m : m;
                place(m, row, position, h / 2, false, half == 0 ? group.bit : group.secondBit);
            }
        }
    }
}

}  // namespace tavolux::test
