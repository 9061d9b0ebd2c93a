// Fuzzes the RIP header check in memory, then the reader on the bytes as a file: an accepted
// header's fields lie within the printer's limits, the buffers are exactly the size the header
// and the chunk length call for, and every read stays inside them.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "print/RipHeader.h"
#include "print/RipReader.h"

namespace {

using tavolux::RipHeader;

void Require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

// tmpfs when there is one: the reader streams from a file, and a file on disk would make each
// round wait for the disk.
std::filesystem::path FuzzFile()
{
    static const std::filesystem::path file = [] {
        std::filesystem::path dir = "/dev/shm";
        std::error_code ec;
        if (!std::filesystem::is_directory(dir, ec)) {
            dir = std::filesystem::temp_directory_path();
        }
        return dir / ("tavolux_fuzz_rip_" + std::to_string(getpid()) + ".rip");
    }();
    static const bool cleanup = [] {
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove(file, ec);
        });
        return true;
    }();
    (void)cleanup;
    return file;
}

void CheckHeaderFields(const RipHeader& h)
{
    Require(h.XResolution() >= 1 && h.XResolution() <= RipHeader::kMaxResolution);
    Require(h.YResolution() >= 1 && h.YResolution() <= RipHeader::kMaxResolution);
    Require(h.PlaneCount() >= 1 && h.PlaneCount() <= RipHeader::kMaxPlanes);
    Require(h.BytesPerPlaneLine() >= 1 &&
            h.BytesPerPlaneLine() <= tavolux::CRipReader::kMaxBytesPerPlaneLine);
    Require(h.Width() >= 0 && int64_t{h.Width()} <= int64_t{8} * h.BytesPerPlaneLine());
    Require(h.Height() >= 0 && h.Height() <= RipHeader::MaxHeight(h.YResolution()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The header alone: its bytes round-trip, and an accepted one is inside every limit.
    std::array<uint8_t, RipHeader::kBytes> raw{};
    std::memcpy(raw.data(), data, std::min(size, raw.size()));
    const RipHeader header = RipHeader::FromBytes(raw);
    Require(header.Bytes() == raw);
    const bool headerSound = !header.FirstBadField().has_value();
    if (headerSound) {
        CheckHeaderFields(header);
    }

    const std::filesystem::path path = FuzzFile();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    tavolux::CRipReader preview;
    const int previewError = preview.OpenForPreview(path);
    Require(previewError == tavolux::kRipOk || previewError == tavolux::kRipShortHeader ||
            previewError == tavolux::kRipBadHeader);
    Require((previewError == tavolux::kRipOk) == preview.IsOpen());
    Require(preview.ErrorText().empty() == (previewError == tavolux::kRipOk));
    Require(preview.BufferBytes() == 0);
    if (size >= RipHeader::kBytes) {
        Require((previewError == tavolux::kRipOk) == headerSound);
    } else {
        Require(previewError == tavolux::kRipShortHeader);
    }
    if (!preview.IsOpen()) {
        return 0;
    }
    CheckHeaderFields(preview.Header());
    Require(preview.FileLength() == size);
    Require(preview.MissingLines() >= 0 && preview.MissingLines() <= preview.Height());
    preview.Close();

    // Printing: a few chunks with the blank window on, and one plane copied out of each.
    const int chunkLines = 1 + (size > RipHeader::kBytes ? data[RipHeader::kBytes] % 8 : 0);
    tavolux::CRipReader reader;
    if (reader.OpenForPrint(path, 0, chunkLines, 1) != tavolux::kRipOk) {
        return 0;
    }
    const auto bufferLines = static_cast<size_t>(chunkLines + tavolux::CRipReader::kSpareLines);
    Require(reader.BufferBytes() == 2 * bufferLines * static_cast<size_t>(reader.LineBytes()));
    reader.ResetBlankWindow(2, 0);
    const auto rowBytes = static_cast<size_t>(reader.BytesPerPlaneLine());
    std::vector<uint8_t> rows(static_cast<size_t>(chunkLines) * rowBytes);
    std::vector<uint8_t*> rowTable;
    for (int r = 0; r < chunkLines; ++r) {
        rowTable.push_back(rows.data() + static_cast<size_t>(r) * rowBytes);
    }
    int64_t linesRead = 0;
    for (int chunk = 0; chunk < 4; ++chunk) {
        const int got = reader.ReadChunk(chunkLines);
        Require(got >= 0 && got <= chunkLines);
        linesRead += got;
        int left = 0;
        int right = 0;
        reader.GetBlankMargins(left, right);
        Require(left >= 0 && left <= reader.BytesPerPlaneLine());
        Require(right >= 0 && right <= reader.BytesPerPlaneLine());
        if (chunk > 0) {
            (void)reader.CopyPlane(rowTable, 0, chunkLines, 0, chunk % reader.PlaneCount(),
                                   chunkLines);
        }
    }
    const auto wholeLines =
        static_cast<int64_t>((size - RipHeader::kBytes) / static_cast<size_t>(reader.LineBytes()));
    Require(linesRead == std::min<int64_t>(wholeLines, int64_t{4} * chunkLines));
    return 0;
}
