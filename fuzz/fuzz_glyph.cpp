// Fuzzes the glyph files and their drawing: the input is a glyph file with a few placement bytes
// in front. Reading a record gives exactly the file's bytes of that record or nothing (a short
// file), the check before a chart agrees with the file's size, and a record drawn anywhere on a
// channel (partly outside, on a missing group, past the last nozzle) changes only the bytes of
// its own rows and columns inside the image, never the strips or another row.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "chart/GlyphFiles.h"
#include "print/HeadChannel.h"
#include "res/StringIds.h"

namespace {

namespace fs = std::filesystem;
using tavolux::CHeadChannel;
using tavolux::HeadGroup;
using tavolux::StripSettings;

void Require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

// A folder of this process under the memory-backed temporary folder, with a complete label file,
// so that the check's verdict depends on the digit file alone.
const fs::path& Folder()
{
    static const fs::path dir = [] {
        fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path d = base / ("tavolux-fuzz-glyph-" + std::to_string(getpid()));
        fs::create_directories(d);
        std::ofstream label(d / tavolux::chart::kLabelFileName, std::ios::binary);
        const std::vector<char> zeros(static_cast<size_t>(tavolux::chart::kLabelRecordsNeeded) *
                                      tavolux::chart::kLabelRecordBytes);
        label.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
        return d;
    }();
    return dir;
}

constexpr int kGroupRows = 24;
constexpr int kLeftStrip = 2;
constexpr int kRightStrip = 1;

CHeadChannel MakeChannel(int imageBytes, bool missingGroup1)
{
    CHeadChannel channel(0, true, false);
    std::vector<HeadGroup> groups;
    for (int g = 0; g < 2; ++g) {
        HeadGroup group;
        group.group = g;
        group.slot = missingGroup1 && g == 1 ? -1 : g;
        group.printed = group.slot >= 0;
        group.bit = static_cast<uint16_t>(1U << g);
        groups.push_back(group);
    }
    StripSettings strips;
    strips.leftBytes = kLeftStrip;
    strips.rightBytes = kRightStrip;
    channel.Init(kGroupRows * 2, 1, imageBytes, strips, kGroupRows, groups,
                 (kLeftStrip + imageBytes + kRightStrip) * 8);
    return channel;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    namespace chart = tavolux::chart;
    if (size < 6) {
        return 0;
    }
    // Placement: x (signed, pixels), nozzle, group, record, image width, which file.
    const int x = static_cast<int16_t>(data[0] | (data[1] << 8)) % 400;
    const int nozzle = static_cast<int8_t>(data[2]);
    const int group = data[3] % 3;  // 2: a group the channel does not have
    const int index = static_cast<int8_t>(data[4]);
    const int imageBytes = 1 + data[5] % 40;
    const bool label = (data[5] & 0x80) != 0;
    const uint8_t* file = data + 6;
    const size_t fileSize = size - 6;

    const fs::path path = Folder() / (label ? "label.bin" : chart::kDigitFileName);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file), static_cast<std::streamsize>(fileSize));
    }
    const int recordBytes = label ? chart::kLabelRecordBytes : chart::kDigitRecordBytes;
    const std::vector<uint8_t> record = chart::ReadGlyphRecord(path, index, recordBytes);
    const bool whole =
        index >= 0 &&
        (static_cast<size_t>(index) + 1) * static_cast<size_t>(recordBytes) <= fileSize;
    Require(record.empty() != whole);
    if (whole) {
        Require(std::memcmp(record.data(), file + static_cast<size_t>(index) * recordBytes,
                            record.size()) == 0);
    }
    if (!label) {
        const size_t needed =
            static_cast<size_t>(chart::kDigitRecordsNeeded) * chart::kDigitRecordBytes;
        const int problem = chart::CheckGlyphFiles(Folder());
        Require(problem == (fileSize >= needed ? 0 : tavolux::ids::kChartGlyphShort));
    }
    if (!whole) {
        return 0;
    }

    const int widthBytes = label ? 30 : 15;
    const int rows = label ? 40 : 20;
    CHeadChannel channel = MakeChannel(imageBytes, (data[3] & 0x80) != 0);
    channel.ClearRows();
    const auto lines = channel.Rows();
    const std::vector<uint8_t> blank(static_cast<size_t>(channel.RowBytes()), 0);
    channel.BlitGlyph(group, x, nozzle, record.data(), widthBytes, rows);

    // The bytes the record may reach: the image bytes from the one holding pixel x on.
    const int p = x + kLeftStrip * 8;
    const int first = p >= 0 ? p / 8 : -((-p + 7) / 8);
    for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
        const uint8_t* line = lines[static_cast<size_t>(r)];
        const int g = r / kGroupRows;
        const int n = r % kGroupRows;
        const bool reached =
            g == group && (g == 0 || (data[3] & 0x80) == 0) && n >= nozzle && n < nozzle + rows;
        for (int b = 0; b < channel.RowBytes(); ++b) {
            const bool inside = b >= kLeftStrip && b < kLeftStrip + imageBytes;
            if (!reached || !inside || b < first || b >= first + widthBytes) {
                Require(line[b] == 0);
            } else {
                const size_t source =
                    static_cast<size_t>(n - nozzle) * widthBytes + static_cast<size_t>(b - first);
                Require(line[b] == record[source]);
            }
        }
    }
    return 0;
}
