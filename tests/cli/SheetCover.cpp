// Checks a printed sheet against lines of a RIP file, for the command-line tests:
//   sheet_cover FILE.prn SHEET_DIR FIRST_LINE LINES
// The sheet's first row with a drop is image line FIRST_LINE; the LINES rows from there must
// hold exactly the image's pixels of those lines, channel by channel. Exit 0 when they do.
#include <array>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "print/RipReader.h"

namespace {

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bits;  // P4 rows, most significant bit leftmost
    bool Pixel(int x, int y) const
    {
        const int stride = (width + 7) / 8;
        return ((bits[static_cast<size_t>(y * stride + x / 8)] >> (7 - x % 8)) & 1) != 0;
    }
};

bool ReadPbm(const std::string& path, Bitmap& b)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    in >> magic >> b.width >> b.height;
    in.get();
    if (!in || magic != "P4" || b.width <= 0 || b.height <= 0) {
        return false;
    }
    b.bits.resize(static_cast<size_t>((b.width + 7) / 8) * static_cast<size_t>(b.height));
    in.read(reinterpret_cast<char*>(b.bits.data()), static_cast<std::streamsize>(b.bits.size()));
    return static_cast<bool>(in);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::cerr << "usage: sheet_cover FILE.prn SHEET_DIR FIRST_LINE LINES\n";
        return 2;
    }
    const std::string dir = argv[2];
    const int first = std::atoi(argv[3]);
    const int lines = std::atoi(argv[4]);
    tavolux::CRipReader rip;
    if (rip.OpenForPreview(argv[1]) != tavolux::kRipOk) {
        std::cerr << argv[1] << ": " << rip.ErrorText() << "\n";
        return 1;
    }
    const int planes = rip.PlaneCount();
    const int bpl = rip.BytesPerPlaneLine();
    std::vector<uint8_t> image(static_cast<size_t>(rip.LineBytes()) * static_cast<size_t>(lines));
    rip.Seek(48 + int64_t{first} * rip.LineBytes(), std::ios::beg);
    if (!rip.ReadLines(image.data(), lines)) {
        std::cerr << "the file does not hold lines " << first << " to " << first + lines << "\n";
        return 1;
    }
    // The channels take the file's planes in the printer's order.
    constexpr std::array<int, 4> kPlaneOf = {3, 2, 1, 0};
    std::vector<Bitmap> sheets(static_cast<size_t>(planes));
    int top = -1;
    for (int c = 0; c < planes; ++c) {
        Bitmap& s = sheets[static_cast<size_t>(c)];
        if (!ReadPbm(dir + "/channel_" + std::to_string(c) + ".pbm", s)) {
            std::cerr << "cannot read channel_" << c << ".pbm\n";
            return 1;
        }
        for (int y = 0; y < s.height && (top < 0 || y < top); ++y) {
            for (int x = 0; x < s.width; ++x) {
                if (s.Pixel(x, y)) {
                    top = y;
                    break;
                }
            }
        }
    }
    if (top < 0) {
        std::cerr << "the sheet is blank\n";
        return 1;
    }
    int64_t wrong = 0;
    for (int c = 0; c < planes && c < 4; ++c) {
        const Bitmap& s = sheets[static_cast<size_t>(c)];
        const int plane = kPlaneOf[static_cast<size_t>(c)];
        for (int j = 0; j < lines; ++j) {
            const uint8_t* row = image.data() + static_cast<size_t>(j) * rip.LineBytes() +
                                 static_cast<size_t>(plane) * static_cast<size_t>(bpl);
            for (int x = 0; x < rip.Width(); ++x) {
                const bool want = ((row[x / 8] >> (7 - x % 8)) & 1) != 0;
                const int y = top + j;
                const bool got = y < s.height && x < s.width && s.Pixel(x, y);
                if (want != got && wrong++ < 5) {
                    std::cerr << "channel " << c << " line " << first + j << " pixel " << x
                              << ": sheet " << got << ", image " << want << "\n";
                }
            }
        }
    }
    if (wrong > 0) {
        std::cerr << wrong << " pixels differ\n";
        return 1;
    }
    return 0;
}
