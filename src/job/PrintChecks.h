// The checks of the print command before a job starts, the printed width and the carriage
// start position for every origin style.
#pragma once

#include <filesystem>

namespace tavolux {

class CPrinterConfig;

// What the checks need to know of the task to print.
struct PrintCheckInput {
    bool selected = true;  // a task is selected
    std::filesystem::path file;
    int copies = 1;
    int planeCount = 0;
    int bytesPerPlaneLine = 0;
    int xResolution = 0;  // horizontal dpi of the job
};

// 0 when the task may be printed; otherwise the string id of the message, checked in the
// order an operator reads them: selection, file, copies, blank skipping with strips, colours.
int CheckPrintTask(const CPrinterConfig& config, const PrintCheckInput& task);

// Printed width in bytes: the plane line plus the colour strips.
int PrintedWidthBytes(const CPrinterConfig& config, const PrintCheckInput& task);

// The feed to the first pass in carriage pulses (never negative). currentCarriage: the
// carriage position the printer reported. False when the job does not fit the printable
// range (the message is ids::kJobTooWide).
bool ComputeStartPosition(const CPrinterConfig& config, double widthMm, int currentCarriage,
                          int& start);

}  // namespace tavolux
