// Writes a small RIP file for the command-line tests: make_rip PATH PLANES LINES BYTES_PER_LINE.
#include <cstdlib>
#include <iostream>

#include "preview/RipFileMaker.h"

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::cerr << "usage: make_rip PATH PLANES LINES BYTES_PER_PLANE_LINE\n";
        return 2;
    }
    tavolux::test::RipSpec spec;
    spec.planes = std::atoi(argv[2]);
    spec.height = std::atoi(argv[3]);
    spec.bytesPerPlaneLine = std::atoi(argv[4]);
    spec.width = spec.bytesPerPlaneLine * 8;
    tavolux::test::WriteRip(argv[1], tavolux::test::RipBytes(spec, 3));
    return 0;
}
