// RIP files for the preview tests of the desktop program: a sparse one whose header announces a
// raster far larger than the disk holds (it reads as blank), so that a build runs long.
#pragma once

#include <filesystem>
#include <fstream>

#include "print/RipHeader.h"

namespace tavolux::test {

inline std::filesystem::path WriteSparseRip(const std::filesystem::path& path, int planes,
                                            int bytesPerPlaneLine, int height, int resolution)
{
    const auto header = RipHeader::Of(resolution, resolution, bytesPerPlaneLine, height,
                                      bytesPerPlaneLine * 8, planes)
                            .Bytes();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(header.data()),
                  static_cast<std::streamsize>(header.size()));
    }
    std::filesystem::resize_file(path,
                                 RipHeader::kBytes + static_cast<uintmax_t>(planes) *
                                                         static_cast<uintmax_t>(bytesPerPlaneLine) *
                                                         static_cast<uintmax_t>(height));
    return path;
}

}  // namespace tavolux::test
