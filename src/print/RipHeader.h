// The 48-byte header of a RIP file: its words, the fields by name and the one check of the sizes
// a printer can use. Header-only, so that the task list and the preview hold the same record
// without linking the raster code.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace tavolux {

struct RipHeader {
    static constexpr int kBytes = 48;
    // What a printer can use; a header beyond it is refused before anything is allocated, so
    // that a damaged or hostile file cannot make a job scan or allocate gigabytes.
    static constexpr int kMaxResolution = 2880;     // dots per inch, either direction
    static constexpr int kMaxPlanes = 16;           // more than any head arrangement has channels
    static constexpr int kWidestPrintMm = 5000;     // wider than any wide-format machine
    static constexpr int kLongestPrintMm = 200000;  // a 200 m roll

    // Little-endian signed words; 0, 6 and 8 to 11 are reserved.
    std::array<int32_t, 12> words{};

    // A header with these fields (in the order of the file) and zero reserved words.
    static constexpr RipHeader Of(int xResolution, int yResolution, int bytesPerPlaneLine,
                                  int height, int width, int planeCount)
    {
        RipHeader h;
        h.words[1] = xResolution;
        h.words[2] = yResolution;
        h.words[3] = bytesPerPlaneLine;
        h.words[4] = height;
        h.words[5] = width;
        h.words[7] = planeCount;
        return h;
    }

    static constexpr RipHeader FromBytes(const std::array<uint8_t, kBytes>& raw)
    {
        RipHeader h;
        for (size_t i = 0; i < h.words.size(); ++i) {
            const uint8_t* p = raw.data() + 4 * i;
            h.words[i] = static_cast<int32_t>(
                static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
        }
        return h;
    }

    constexpr std::array<uint8_t, kBytes> Bytes() const
    {
        std::array<uint8_t, kBytes> raw{};
        for (size_t i = 0; i < words.size(); ++i) {
            const auto v = static_cast<uint32_t>(words[i]);
            for (size_t b = 0; b < 4; ++b) {
                raw[4 * i + b] = static_cast<uint8_t>(v >> (8 * b));
            }
        }
        return raw;
    }

    constexpr int XResolution() const { return words[1]; }
    constexpr int YResolution() const { return words[2]; }
    constexpr int BytesPerPlaneLine() const { return words[3]; }
    constexpr int Height() const { return words[4]; }
    constexpr int Width() const { return words[5]; }
    constexpr int PlaneCount() const { return words[7]; }
    // Bytes of one image line: every plane's line.
    constexpr int64_t LineBytes() const { return int64_t{PlaneCount()} * BytesPerPlaneLine(); }

    // The widest plane line (bytes) and the most lines a header may announce at a resolution.
    static constexpr int64_t MaxBytesPerPlaneLine(int xResolution)
    {
        const int64_t pixels =
            int64_t{kWidestPrintMm} * std::clamp(xResolution, 0, kMaxResolution) * 10 / 254;
        return (pixels + 7) / 8;
    }
    static constexpr int64_t MaxHeight(int yResolution)
    {
        return int64_t{kLongestPrintMm} * std::clamp(yResolution, 0, kMaxResolution) * 10 / 254;
    }

    // A field outside what a printer can use, with the range it had to lie in.
    struct BadField {
        const char* name;
        int64_t value;
        int64_t low;
        int64_t high;
    };
    // The first unusable field, none when every size is sound. The sizes drive every
    // allocation, division and loop of a print job and a preview.
    constexpr std::optional<BadField> FirstBadField() const
    {
        // In this order, so that each range is computed from fields already found sound.
        const BadField fields[] = {
            {"XResolution", XResolution(), 1, kMaxResolution},
            {"YResolution", YResolution(), 1, kMaxResolution},
            {"PlaneCount", PlaneCount(), 1, kMaxPlanes},
            {"BytesPerPlaneLine", BytesPerPlaneLine(), 1, MaxBytesPerPlaneLine(XResolution())},
            {"Width", Width(), 0, int64_t{8} * std::max(BytesPerPlaneLine(), 0)},
            {"Height", Height(), 0, MaxHeight(YResolution())},
        };
        for (const BadField& f : fields) {
            if (f.value < f.low || f.value > f.high) {
                return f;
            }
        }
        return std::nullopt;
    }

    constexpr bool operator==(const RipHeader&) const = default;
};

}  // namespace tavolux
