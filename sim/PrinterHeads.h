// What the virtual printer knows of its own heads and mechanics: which data bit drives which
// head, where each nozzle's word sits in a carriage column, which media row each nozzle wets,
// and the sizes of its motor pulses. The printer decodes raster with this, never with the
// host's pass building.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tavolux::sim {

// How the controller board wires the head data into the nozzle words of a carriage column.
enum class BoardWiring {
    k4x2,  // most arrangements
    k6x2,  // 6 colours, 2 groups, older boards
    k4x3,  // 4 colours, 3 groups
    k5x2,  // 4 colours and white
    k8x2,  // 8 channels, white variants
    k4x4,  // newer boards with alternate groups mounted upside down
};

// One head on the carriage.
struct HeadMount {
    int channel = 0;  // ink channel, in head order
    int group = 0;    // vertical group: the head's rows start at group x group rows
    int bit = 0;      // data bit of the head (of its even nozzles when the nozzles work in halves)
    int secondBit = -1;     // data bit of the odd nozzles when they work in halves
    double offsetMm = 0.0;  // horizontal position on the carriage
};

struct PrinterHeads {
    BoardWiring wiring = BoardWiring::k4x2;
    int nozzles = 256;           // per head
    int groupRows = 256;         // rows between two vertical groups; nozzles beyond print nothing
    bool halves = false;         // a word carries a nozzle pair, even and odd nozzle on two bits
    int boardVersion = 1;        // PrintVer
    bool whiteReversed = false;  // white heads printing in the reversed style
    std::vector<HeadMount> heads;
    int channels = 0;
    int groups = 1;
    std::vector<std::array<uint8_t, 3>> inks;  // red, green, blue of each channel's ink

    // Mechanics.
    double mmPerPulseX = 0.0;     // carriage
    double mmPerPulseY = 0.0;     // media feed
    double accelerationMm = 0.0;  // run-up before the print data (MaxAccDist)
    double spaceBeforeMm = 0.0;   // blank space before the picture, when printed
    double spaceAfterMm = 0.0;    // and after it
    int rasterResolution = 0;     // encoder dots per inch x 4 / fire divisor = job dpi
    int printerResolution = 0;    // nozzle rows per inch: the sheet's default line pitch
    bool feedCodeE1 = false;      // the pass feed comes as PassControlE1 (never feeding back)
    // When the media moves by a pass header's feed: before printing the header's pass (false),
    // or after it (true).
    bool feedAfterPass = false;

    // Words of one carriage column.
    int ColumnWords() const
    {
        if (halves) {
            return nozzles / 2;
        }
        return nozzles == 128 ? 2 * nozzles : nozzles;
    }
    // An empty string when the printer can print with this; otherwise why not.
    std::string Problem() const;
};

}  // namespace tavolux::sim
