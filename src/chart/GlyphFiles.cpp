// Glyph record choice and reading.
#include "chart/GlyphFiles.h"

#include <fstream>
#include <iostream>
#include <system_error>

#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux::chart {

int DigitRecord(bool flag, int magnitude)
{
    return flag ? 20 + magnitude : 20 - magnitude;
}

int LabelRecord(int channel, int variant, int colorNo, int whiteChannel)
{
    if ((colorNo == 5 || colorNo == 7) && channel == whiteChannel) {
        return 24 + variant;
    }
    return channel + 6 * variant;
}

std::vector<uint8_t> ReadGlyphRecord(const std::filesystem::path& file, int index, int recordBytes)
{
    std::vector<uint8_t> record;
    if (index < 0 || recordBytes <= 0) {
        std::clog << "glyph record " << index << " of " << file.string() << " does not exist\n";
        return record;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::clog << "glyph file " << file.string() << " cannot be opened\n";
        return record;
    }
    record.resize(static_cast<size_t>(recordBytes));
    in.seekg(static_cast<std::streamoff>(index) * recordBytes);
    in.read(reinterpret_cast<char*>(record.data()), recordBytes);
    if (!in || in.gcount() != recordBytes) {
        std::clog << "glyph file " << file.string() << " is too short for record " << index << "\n";
        record.clear();
    }
    return record;
}

int CheckGlyphFiles(const std::filesystem::path& dir, std::filesystem::path* badFile)
{
    const struct {
        const char* name;
        uintmax_t bytes;
    } files[] = {
        {kDigitFileName, uintmax_t{kDigitRecordsNeeded} * kDigitRecordBytes},
        {kLabelFileName, uintmax_t{kLabelRecordsNeeded} * kLabelRecordBytes},
    };
    for (const auto& f : files) {
        const auto path = dir / f.name;
        std::error_code ec;
        const bool present = std::filesystem::is_regular_file(path, ec);
        const uintmax_t size = present ? std::filesystem::file_size(path, ec) : 0;
        if (badFile != nullptr) {
            *badFile = path;
        }
        if (!present || ec) {
            return ids::kChartGlyphMissing;
        }
        if (size < f.bytes) {
            return ids::kChartGlyphShort;
        }
    }
    return 0;
}

std::string GlyphFileProblemText(int messageId, const std::filesystem::path& file)
{
    return FormatResString(messageId, {file.string()});
}

}  // namespace tavolux::chart
