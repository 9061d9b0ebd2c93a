// Writes bitmaps as PNG files, for operators and scripts that look at previews and sheets.
#pragma once

#include <filesystem>
#include <string>

#include "platform/DibImage.h"
#include "platform/FileError.h"

namespace tavolux {

// Writes the first `width` pixels of each row of a 24-bit image as RGB, atomically: an existing
// file is replaced only by a whole new one. Returns false with a reason in error.
bool WritePng(const std::filesystem::path& path, const DibImage& image, int width,
              std::string& error);
// The same with the reason as data.
bool WritePng(const std::filesystem::path& path, const DibImage& image, int width,
              FileError& error);

}  // namespace tavolux
