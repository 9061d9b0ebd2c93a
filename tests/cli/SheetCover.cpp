// Checks a printed sheet against lines of a RIP file, for the command-line tests:
//   sheet_cover FILE.prn SHEET_DIR FIRST_LINE LINES
// The sheet's first row with a drop is image line FIRST_LINE; the LINES rows from there must
// hold exactly the image's pixels of those lines, channel by channel. Exit 0 when they do.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "print/RipReader.h"

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::cerr << "usage: sheet_cover FILE.prn SHEET_DIR FIRST_LINE LINES\n";
        return 2;
    }
    const int first = std::atoi(argv[3]);
    const int lines = std::atoi(argv[4]);
    tavolux::CRipReader rip;
    std::vector<uint8_t> image(static_cast<size_t>(std::max(lines, 0)) * 4096);
    if (rip.OpenForPreview(argv[1]) != tavolux::kRipOk || rip.PlaneCount() > 4 ||
        rip.LineBytes() > 4096 || !rip.Seek(48 + int64_t{first} * rip.LineBytes(), std::ios::beg) ||
        !rip.ReadLines(image.data(), lines)) {
        std::cerr << argv[1] << ": not a small file holding those lines\n";
        return 1;
    }
    // Channel c prints file plane 3 - c; each channel's sheet is a P4 bitmap.
    std::vector<std::vector<uint8_t>> sheets;
    int width = 0;
    int height = 0;
    int top = -1;
    for (int c = 0; c < rip.PlaneCount(); ++c) {
        std::ifstream in(std::string(argv[2]) + "/channel_" + std::to_string(c) + ".pbm",
                         std::ios::binary);
        std::string magic;
        in >> magic >> width >> height;
        in.get();
        auto& bits = sheets.emplace_back(static_cast<size_t>((width + 7) / 8 * height));
        in.read(reinterpret_cast<char*>(bits.data()), static_cast<std::streamsize>(bits.size()));
        if (!in || magic != "P4") {
            std::cerr << "channel " << c << ": no P4 bitmap\n";
            return 1;
        }
        for (size_t i = 0; i < bits.size(); ++i) {
            if (bits[i] != 0) {
                const int row = static_cast<int>(i) / ((width + 7) / 8);
                top = top < 0 ? row : std::min(top, row);
                break;
            }
        }
    }
    const auto bit = [](const uint8_t* row, int x) { return (row[x / 8] >> (7 - x % 8)) & 1; };
    int64_t wrong = 0;
    for (int c = 0; c < rip.PlaneCount(); ++c) {
        for (int j = 0; j < lines; ++j) {
            const int y = top + j;
            const uint8_t* want =
                image.data() + j * rip.LineBytes() + (3 - c) * int64_t{rip.BytesPerPlaneLine()};
            for (int x = 0; x < rip.Width(); ++x) {
                const int sheet =
                    y < height && x < width
                        ? bit(sheets[static_cast<size_t>(c)].data() + y * ((width + 7) / 8), x)
                        : 0;
                if (sheet != bit(want, x) && wrong++ < 5) {
                    std::cerr << "channel " << c << " line " << first + j << " pixel " << x
                              << ": sheet " << sheet << ", image " << bit(want, x) << "\n";
                }
            }
        }
    }
    if (top < 0 || wrong > 0) {
        std::cerr << (top < 0 ? "the sheet is blank\n"
                              : std::to_string(wrong) + " pixels differ\n");
        return 1;
    }
    return 0;
}
