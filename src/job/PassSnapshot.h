// With debugging on, a copy of every printed pass beside the program, to check by eye (the
// bitmap) or by tool (the raw rows) what the heads were given.
#pragma once

#include <filesystem>
#include <vector>

namespace tavolux {

class CHeadChannel;
class CPrinterConfig;

// The snapshots are written when IsDebug is 1 and IsZoom is 0.
bool PassSnapshotsWanted(const CPrinterConfig& config);

// The folder of the snapshots: "GRF" in the program's folder.
std::filesystem::path PassSnapshotDir();

// Writes the pass's head rows into folder (created when missing) as "TestSnap<pass>.prn" and
// "TestSnap<pass>.bmp".
//
// TestSnap<pass>.prn: the channels in index order; of each channel its head rows in the order
// the heads see them (the oldest row, under the first nozzle, first); every row is the
// channel's RowBytes() bytes, one bit a pixel, bit 7 leftmost, strips included. No header: a
// tool splits the file with the head's row count and the row size.
// TestSnap<pass>.bmp: the same rows stacked top to bottom, one picture row per head row, a set
// bit black, as wide as the widest channel row.
//
// A file that cannot be written is reported on the diagnostic log and false is returned; the
// caller goes on printing.
bool WritePassSnapshot(const std::filesystem::path& folder, int pass,
                       const std::vector<CHeadChannel>& channels);

}  // namespace tavolux
