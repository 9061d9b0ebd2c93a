// RIP images in memory: patterns and the file writer.
#include "print/RipImage.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "platform/RandomSource.h"
#include "print/RipHeader.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

CRipImage::CRipImage(int width, int height, int planes, int xResolution, int yResolution)
    : m_width(std::max(width, 0)),
      m_height(std::max(height, 0)),
      m_planes(std::max(planes, 0)),
      m_xResolution(xResolution),
      m_yResolution(yResolution),
      m_bytesPerPlaneLine((m_width + 7) / 8),
      m_data(static_cast<size_t>(m_height) * static_cast<size_t>(m_planes) *
             static_cast<size_t>(m_bytesPerPlaneLine))
{
}

uint8_t* CRipImage::PlaneLine(int line, int plane)
{
    return m_data.data() + (static_cast<size_t>(line) * static_cast<size_t>(m_planes) +
                            static_cast<size_t>(plane)) *
                               static_cast<size_t>(m_bytesPerPlaneLine);
}

const uint8_t* CRipImage::PlaneLine(int line, int plane) const
{
    return const_cast<CRipImage*>(this)->PlaneLine(line, plane);
}

void CRipImage::SetPixel(int x, int line, int plane)
{
    PlaneLine(line, plane)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
}

bool CRipImage::Pixel(int x, int line, int plane) const
{
    return (PlaneLine(line, plane)[x / 8] & (0x80 >> (x % 8))) != 0;
}

bool CRipImage::Fill(const std::string& pattern, CRandomSource& random)
{
    std::fill(m_data.begin(), m_data.end(), uint8_t{0});
    if (pattern == "blank") {
        return true;
    }
    if (pattern == "random") {
        for (auto& b : m_data) {
            b = static_cast<uint8_t>(random.Next32());
        }
        return true;
    }
    if (pattern == "gradient") {
        // An ordered dither whose threshold rises from left to right.
        static constexpr std::array<int, 16> kBayer = {0, 8,  2, 10, 12, 4, 14, 6,
                                                       3, 11, 1, 9,  15, 7, 13, 5};
        for (int y = 0; y < m_height; ++y) {
            for (int p = 0; p < m_planes; ++p) {
                for (int x = 0; x < m_width; ++x) {
                    const int level = m_width > 1 ? x * 17 / m_width : 0;
                    if (kBayer[static_cast<size_t>((y % 4) * 4 + (x + p) % 4)] < level) {
                        SetPixel(x, y, p);
                    }
                }
            }
        }
        return true;
    }
    if (pattern == "blank-margins") {
        // Random ink in the middle; blank bands left, right, top and bottom.
        const int x0 = m_width / 4;
        const int x1 = m_width * 3 / 4;
        const int y0 = m_height / 4;
        const int y1 = m_height * 3 / 4;
        for (int y = y0; y < y1; ++y) {
            for (int p = 0; p < m_planes; ++p) {
                for (int x = x0; x < x1; ++x) {
                    if ((random.Next32() & 1U) != 0) {
                        SetPixel(x, y, p);
                    }
                }
            }
        }
        return true;
    }
    if (pattern == "text") {
        FillText();
        return true;
    }
    if (pattern == "sample") {
        FillSample();
        return true;
    }
    return false;
}

void CRipImage::FillSample()
{
    // Cyan, magenta and yellow discs overlapping in the middle, round at any resolution, and
    // a black band of the text pattern along the bottom fifth.
    const double xRes = std::max(m_xResolution, 1);
    const double yRes = std::max(m_yResolution, 1);
    const double width = m_width / xRes;  // inches
    const double height = m_height / yRes * 0.8;
    const double radius = std::min(width, height) * 0.3;
    const double cx = width / 2;
    const double cy = height / 2;
    struct Disc {
        int plane;
        double x;
        double y;
    };
    // File planes: yellow, magenta, cyan, black.
    const std::array<Disc, 3> discs = {{{2, cx - radius * 0.55, cy - radius * 0.3},
                                        {1, cx + radius * 0.55, cy - radius * 0.3},
                                        {0, cx, cy + radius * 0.6}}};
    for (int y = 0; y < m_height; ++y) {
        const double py = y / yRes;
        for (int x = 0; x < m_width; ++x) {
            const double px = x / xRes;
            for (const auto& d : discs) {
                const double dx = px - d.x;
                const double dy = py - d.y;
                if (d.plane < m_planes && dx * dx + dy * dy <= radius * radius) {
                    SetPixel(x, y, d.plane);
                }
            }
        }
    }
    if (m_planes < 4) {
        return;
    }
    const int band = m_height / 5;
    CRipImage text(m_width, std::max(band, 1), 1, m_xResolution, m_yResolution);
    text.FillText();
    for (int y = 0; y < band; ++y) {
        for (int x = 0; x < m_width; ++x) {
            if (text.Pixel(x, y, 0)) {
                SetPixel(x, m_height - band + y, 3);
            }
        }
    }
}

void CRipImage::FillText()
{
    // "TAVOLUX" in 3x5 block letters, scaled to a fifth of the height, repeated across.
    static constexpr std::array<std::array<const char*, 5>, 7> kGlyphs = {{
        {"###", ".#.", ".#.", ".#.", ".#."},
        {".#.", "#.#", "###", "#.#", "#.#"},
        {"#.#", "#.#", "#.#", "#.#", ".#."},
        {"###", "#.#", "#.#", "#.#", "###"},
        {"#..", "#..", "#..", "#..", "###"},
        {"#.#", "#.#", "#.#", "#.#", "###"},
        {"#.#", "#.#", ".#.", "#.#", "#.#"},
    }};
    const int scale = std::max(m_height / 5, 1);
    const int advance = 4 * scale;
    for (int y = 0; y < m_height; ++y) {
        const int gy = y / scale;
        if (gy >= 5) {
            continue;
        }
        for (int x = 0; x < m_width; ++x) {
            const int letter = (x / advance) % 7;
            const int gx = (x % advance) / scale;
            if (gx < 3 &&
                kGlyphs[static_cast<size_t>(letter)][static_cast<size_t>(gy)][gx] == '#') {
                for (int p = 0; p < m_planes; ++p) {
                    SetPixel(x, y, p);
                }
            }
        }
    }
}

bool CRipImage::Write(const std::filesystem::path& path, std::string* error) const
{
    const auto raw = RipHeader::Of(m_xResolution, m_yResolution, m_bytesPerPlaneLine, m_height,
                                   m_width, m_planes)
                         .Bytes();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    out.write(reinterpret_cast<const char*>(m_data.data()),
              static_cast<std::streamsize>(m_data.size()));
    if (!out) {
        if (error != nullptr) {
            *error = FormatResString(ids::kFileCannotWrite, {path.string()});
        }
        return false;
    }
    return true;
}

}  // namespace tavolux
