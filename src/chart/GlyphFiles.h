// The two glyph files of the test charts beside the program: which record a numeral or a label
// is, reading one record, and the check that both files are there before a chart starts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavolux::chart {

inline constexpr const char* kDigitFileName = "DiGi.bin";
inline constexpr const char* kLabelFileName = "ZiMo.bin";
inline constexpr int kDigitRecordBytes = 300;   // 20 rows of 15 bytes
inline constexpr int kLabelRecordBytes = 1200;  // 40 rows of 30 bytes
inline constexpr int kDigitRecordsNeeded = 41;
inline constexpr int kLabelRecordsNeeded = 28;

// Numeral record: 20 + magnitude with the flag set, 20 - magnitude without.
int DigitRecord(bool flag, int magnitude);
// Label record of a channel and variant: channel + 6 x variant, except the white channel of a
// 5- or 7-colour printer, whose labels follow from record 24.
int LabelRecord(int channel, int variant, int colorNo, int whiteChannel);

// Reads record `index` of `recordBytes` bytes from file, afresh on every call. An empty
// result when the file is missing or too short, or the index negative; that is logged on the
// error stream once per call, and the chart goes on without the glyph.
std::vector<uint8_t> ReadGlyphRecord(const std::filesystem::path& file, int index, int recordBytes);

// 0 when both files lie in dir and hold every record the charts use; otherwise the string id
// of the message, whose text ResString-formats with the file's path.
int CheckGlyphFiles(const std::filesystem::path& dir, std::filesystem::path* badFile = nullptr);

// The operator's text for a failed check, in the current language.
std::string GlyphFileProblemText(int messageId, const std::filesystem::path& file);

}  // namespace tavolux::chart
