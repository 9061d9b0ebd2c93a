// Renders the numeral and label glyph files (DiGi.bin, ZiMo.bin) of the test charts from a free
// font: each record is one text, one bit per pixel, most significant bit leftmost, rows along
// the nozzles, centred in its record.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "chart/GlyphText.h"

namespace {

// The code points of a UTF-8 text.
std::vector<char32_t> CodePoints(const std::string& text)
{
    std::vector<char32_t> out;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra && i + static_cast<size_t>(k) < text.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + static_cast<size_t>(k)]) & 0x3F);
        }
        out.push_back(c);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

// One record of widthBytes x rows holding text centred; false when the text does not fit.
bool Render(FT_Face face, const std::string& text, int em, int widthBytes, int rows,
            std::vector<uint8_t>& record)
{
    record.assign(static_cast<size_t>(widthBytes * rows), 0);
    if (FT_Set_Char_Size(face, 0, em * 64, 72 * tavolux::chart::kGlyphStretch, 72) != 0) {
        return false;
    }
    const auto chars = CodePoints(text);
    int advance = 0;
    for (char32_t c : chars) {
        if (FT_Load_Char(face, c, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) {
            return false;
        }
        advance += static_cast<int>(face->glyph->advance.x >> 6);
    }
    const int width = widthBytes * 8;
    const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
    const int descender = static_cast<int>(-face->size->metrics.descender >> 6);
    const int baseline = (rows - ascender - descender) / 2 + ascender;
    int pen = (width - advance) / 2;
    if (pen < 0) {
        return false;
    }
    for (char32_t c : chars) {
        FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO);
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        for (int y = 0; y < static_cast<int>(bm.rows); ++y) {
            for (int x = 0; x < static_cast<int>(bm.width); ++x) {
                const uint8_t byte = bm.buffer[y * bm.pitch + x / 8];
                if ((byte & (0x80 >> (x % 8))) == 0) {
                    continue;
                }
                const int px = pen + g->bitmap_left + x;
                const int py = baseline - g->bitmap_top + y;
                if (px < 0 || px >= width || py < 0 || py >= rows) {
                    return false;  // the record would cut the text
                }
                record[static_cast<size_t>(py * widthBytes + px / 8)] |=
                    static_cast<uint8_t>(0x80 >> (px % 8));
            }
        }
        pen += static_cast<int>(g->advance.x >> 6);
    }
    return true;
}

bool WriteFile(FT_Face face, const std::string& path, int records, int em, int widthBytes, int rows,
               std::string (*text)(int))
{
    std::vector<uint8_t> all;
    std::vector<uint8_t> record;
    for (int k = 0; k < records; ++k) {
        if (!Render(face, text(k), em, widthBytes, rows, record)) {
            std::fprintf(stderr, "glyphgen: record %d (%s) does not fit\n", k, text(k).c_str());
            return false;
        }
        all.insert(all.end(), record.begin(), record.end());
    }
    const std::string temp = path + ".tmp";
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(all.data()), static_cast<std::streamsize>(all.size()));
    out.close();
    if (!out || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "glyphgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: glyphgen OUTPUT_DIR [FONT]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const char* font = argc == 3 ? argv[2] : tavolux::chart::kGlyphFont;
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&lib) != 0 || FT_New_Face(lib, font, 0, &face) != 0) {
        std::fprintf(stderr, "glyphgen: cannot open the font %s\n", font);
        return 1;
    }
    using namespace tavolux::chart;
    const bool ok =
        WriteFile(face, dir + "/DiGi.bin", kDigitRecords, kDigitEm, 15, 20, DigitText) &&
        WriteFile(face, dir + "/ZiMo.bin", kLabelRecords, kLabelEm, 30, 40, LabelText);
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return ok ? 0 : 1;
}
