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
    tavolux::test::RipGeometry geometry;
    geometry.planes = std::atoi(argv[2]);
    geometry.height = std::atoi(argv[3]);
    geometry.bytesPerPlaneLine = std::atoi(argv[4]);
    geometry.width = geometry.bytesPerPlaneLine * 8;
    tavolux::test::WriteRip(argv[1], tavolux::test::RipBytes(geometry, 3));
    return 0;
}
