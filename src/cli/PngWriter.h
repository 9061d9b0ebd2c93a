// Writes a preview bitmap as a PNG file, for operators and scripts that look at previews.
#pragma once

#include <filesystem>
#include <string>

#include "platform/DibImage.h"

namespace tavolux::cli {

// Writes the first `width` pixels of each row of a 24-bit image as RGB, atomically.
// Returns false with a reason in error.
bool WritePng(const std::filesystem::path& path, const DibImage& image, int width,
              std::string& error);

}  // namespace tavolux::cli
