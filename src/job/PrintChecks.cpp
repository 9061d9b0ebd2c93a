// Task checks, printed width and start position.
#include "job/PrintChecks.h"

#include <cmath>
#include <system_error>

#include "config/PrinterConfig.h"
#include "res/StringIds.h"

namespace tavolux {

int CheckPrintTask(const CPrinterConfig& config, const PrintCheckInput& task)
{
    const auto& p = config.params;
    if (!task.selected) {
        return ids::kSelectJobFirst;
    }
    std::error_code ec;
    if (task.file.empty() || !std::filesystem::is_regular_file(task.file, ec)) {
        return ids::kJobFileMissing;
    }
    if (task.copies < 1) {
        return ids::kBadCopies;
    }
    if (p.IgnoreBlank == 1 && p.Strip == 1) {
        return ids::kBlankAndStrip;
    }
    const int colours = p.ColorNo - p.WhiteColorNo;
    const bool withWhite = p.IfPrintWhite != 0 && p.WhiteHeadDataSource != 0;
    if (task.planeCount != colours && !(withWhite && task.planeCount == colours + 1)) {
        return ids::kColourCountMismatch;
    }
    return 0;
}

int PrintedWidthBytes(const CPrinterConfig& config, const PrintCheckInput& task)
{
    const auto& p = config.params;
    int bytes = task.bytesPerPlaneLine;
    if (p.Strip == 1) {
        const auto& list = config.lists.StripWidthList;
        const int extra =
            p.StripTrueWidth >= 0 && static_cast<size_t>(p.StripTrueWidth) < list.size()
                ? list[static_cast<size_t>(p.StripTrueWidth)]
                : 0;
        const int strip = static_cast<int>((p.StripWidth + extra) *
                                           static_cast<double>(task.xResolution) / 25.4 / 8.0);
        bytes += p.StripPos == 2 ? 2 * strip : strip;
    }
    return bytes;
}

bool ComputeStartPosition(const CPrinterConfig& config, double widthMm, int currentCarriage,
                          int& start)
{
    const auto& p = config.params;
    const double q = p.MmPerPulseX;
    if (q <= 0.0) {
        start = 0;
        return false;
    }
    const double h = p.HeadToSensorDist;
    const double a = p.MaxAccDist;
    const double e = widthMm - p.MediaWidth;
    // Toward zero; the nudge keeps 7 mm at 0.07 mm a pulse at 100 pulses, not 99.99999.
    auto pulses = [&](double mm) {
        const double exact = mm / q;
        return static_cast<int>(exact + (exact >= 0 ? 1e-7 : -1e-7));
    };
    const int fromSensor = pulses(p.SensorToUvDist - h - a) + currentCarriage;
    if (p.OriginPrintStyle != 1) {
        start = p.Origin == 1 ? pulses(p.OriginPos - h - a) : fromSensor;
    } else if (p.Origin != 1) {
        start = fromSensor;
    } else if (e < 1.0) {
        const double base = p.MediaPos - h - a;
        if (p.IfTypeset == 1) {
            switch (p.TypesetStyle) {
                case 0:
                    start = pulses(base - e);
                    break;
                case 1:
                    start = pulses(base - e / 2);
                    break;
                case -1:
                    start = pulses(p.CustomRigthMargin + base);
                    break;
                default:
                    start = pulses(base);
                    break;
            }
        } else {
            start = pulses(base);
        }
    } else {
        const double base = p.MediaPos - h - a;
        switch (p.OverWidthPrintStyle) {
            case 1:
                start = pulses(base - e / 2);
                break;
            case 2:
                start = pulses(base - e);
                break;
            default:
                start = pulses(base);
                break;
        }
    }
    start = std::max(start, 0);
    if (p.OriginPrintStyle == 1) {
        const double left = start * q + h + a;
        if (p.MaxOrigin > left || left + widthMm > p.MaxOrigin + p.MaxPrintWidth) {
            return false;
        }
    }
    return true;
}

}  // namespace tavolux
