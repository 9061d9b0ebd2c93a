// Windows bitmap files: task thumbnails (a 14-byte file header, a 40-byte information header,
// then the pixel rows exactly as the preview holds them, top row first) and one-bit pictures
// of raster rows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DibImage.h"

namespace tavolux {

// The message of a thumbnail that cannot be loaded; the same text in every language.
inline constexpr const char* kLoadBmpErrorText = "Error Load BMP!";

// Largest thumbnail side accepted on loading; a preview is never larger than the view.
inline constexpr int kMaxBmpSide = 16384;

// The bytes of a bitmap file holding image. The height is stored negative: the rows are
// top-down, as the preview draws them.
std::string EncodeBmp(const DibImage& image);

// The bytes of a one-bit bitmap, width pixels wide, one picture row per entry of rows, top row
// first: bit 7 of a row's first byte is its leftmost pixel, a set bit shows black. Rows shorter
// than the width are filled with white.
std::string EncodeMonoBmp(int width, const std::vector<std::span<const uint8_t>>& rows);

// Decodes a bitmap file: "BM", an information header of at least 40 bytes, one plane, 24 or 32
// bits per pixel, no compression, sides 1..kMaxBmpSide, and all rows present. Bottom-up files
// are turned top-down. Returns false and leaves image unchanged otherwise.
bool DecodeBmp(std::string_view bytes, DibImage& image);

// Writes the thumbnail atomically. Returns false with a reason in error when it cannot.
bool WriteBmpFile(const std::filesystem::path& path, const DibImage& image,
                  std::string* error = nullptr);

// Loads a thumbnail; on failure shows "Error Load BMP!" and returns false.
bool LoadBmpFile(const std::filesystem::path& path, DibImage& image);

}  // namespace tavolux
