// RIP files made on the fly for the preview tests: a 48-byte header and a raster.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/AtomicFile.h"
#include "platform/RandomSource.h"
#include "print/RipHeader.h"

namespace tavolux::test {

struct RipGeometry {
    int planes = 6;
    int height = 100;
    int bytesPerPlaneLine = 10;
    int width = 80;
    int xResolution = 720;
    int yResolution = 720;
    int linesPresent = -1;  // lines actually written; -1: all
};

inline std::string RipHeaderBytes(const RipGeometry& r)
{
    const auto raw = RipHeader::Of(r.xResolution, r.yResolution, r.bytesPerPlaneLine, r.height,
                                   r.width, r.planes)
                         .Bytes();
    return std::string(raw.begin(), raw.end());
}

// A raster of random density that changes from region to region, so that every colour path
// and partly covered block occurs.
inline std::string RipBytes(const RipGeometry& r, uint64_t seed)
{
    CRandomSource random(seed);
    std::string s = RipHeaderBytes(r);
    const int lines = r.linesPresent < 0 ? r.height : r.linesPresent;
    const size_t lineBytes =
        static_cast<size_t>(r.planes) * static_cast<size_t>(r.bytesPerPlaneLine);
    s.reserve(48 + lineBytes * static_cast<size_t>(lines));
    for (int y = 0; y < lines; ++y) {
        for (size_t b = 0; b < lineBytes; ++b) {
            const int region = (y / 7 + static_cast<int>(b) / 5) % 4;
            uint8_t v = static_cast<uint8_t>(random.Next32());
            if (region == 0) {
                v = 0;
            } else if (region == 1) {
                v &= static_cast<uint8_t>(random.Next32());
            } else if (region == 3) {
                v = 0xFF;
            }
            s.push_back(static_cast<char>(v));
        }
    }
    return s;
}

inline std::filesystem::path WriteRip(const std::filesystem::path& path, const std::string& bytes)
{
    AtomicWriteFile(path, bytes);
    return path;
}

}  // namespace tavolux::test
