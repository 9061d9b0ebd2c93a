// "rip" commands: inspect a RIP file's header and completeness, write sample RIP files.
#include <ostream>

#include "cli/CliContext.h"
#include "platform/RandomSource.h"
#include "print/RipImage.h"
#include "print/RipReader.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux::cli {

namespace {

int Info(CliContext& ctx, const std::string& file)
{
    CRipReader reader;
    const int error = reader.OpenForPreview(file);
    if (error != kRipOk) {
        *ctx.out << "error = " << error << "\n";
        return Fail(ctx, kExitFailed, file + ": " + reader.ErrorText());
    }
    const auto& h = reader.Header();
    *ctx.out << "XResolution = " << h.XResolution() << "\n"
             << "YResolution = " << h.YResolution() << "\n"
             << "BytesPerPlaneLine = " << h.BytesPerPlaneLine() << "\n"
             << "Height = " << h.Height() << "\n"
             << "Width = " << h.Width() << "\n"
             << "PlaneCount = " << h.PlaneCount() << "\n"
             << "FileLength = " << reader.FileLength() << "\n"
             << "AnnouncedLength = " << reader.AnnouncedLength() << "\n"
             << "Complete = " << (reader.FileLength() >= reader.AnnouncedLength() ? "yes" : "no")
             << "\n"
             << "MissingLines = " << reader.MissingLines() << "\n";
    return kExitOk;
}

int Make(CliContext& ctx, const std::vector<std::string>& args)
{
    const std::string& out = args[1];
    long long width = -1;
    long long height = -1;
    long long planes = -1;
    long long xres = -1;
    long long yres = -1;
    long long seed = 1;
    std::string pattern = "gradient";
    COptionParser parser({OptionSpec{"--width", &width}, OptionSpec{"--height", &height},
                          OptionSpec{"--planes", &planes}, OptionSpec{"--xres", &xres},
                          OptionSpec{"--yres", &yres}, OptionSpec{"--seed", &seed},
                          OptionSpec{"--pattern", &pattern}});
    if (const OptionError error = parser.Parse(args, 2)) {
        return ReportOptionError(ctx, "rip", error);
    }
    // Sizes a printer can print (the reader refuses anything else) and this tool can hold in
    // memory.
    const bool sane = xres >= 1 && yres >= 1 && xres <= CRipReader::kMaxResolution &&
                      yres <= CRipReader::kMaxResolution && width >= 1 &&
                      (width + 7) / 8 <= CRipReader::MaxBytesPerPlaneLine(static_cast<int>(xres)) &&
                      height >= 0 && height <= CRipReader::MaxHeight(static_cast<int>(yres)) &&
                      planes >= 1 && planes <= CRipReader::kMaxPlanes &&
                      (width + 7) / 8 * height * planes <= (1LL << 31);
    if (!sane) {
        return UsageFailure(ctx, "rip",
                            FormatResString(ids::kCliRipMakeLimits,
                                            {std::to_string(CRipReader::kMaxResolution),
                                             std::to_string(CRipReader::kMaxPlanes),
                                             std::to_string(CRipReader::kWidestPrintMm / 1000),
                                             std::to_string(CRipReader::kLongestPrintMm / 1000)}));
    }
    CRipImage image(static_cast<int>(width), static_cast<int>(height), static_cast<int>(planes),
                    static_cast<int>(xres), static_cast<int>(yres));
    CRandomSource random(static_cast<uint64_t>(seed));
    if (!image.Fill(pattern, random)) {
        return UsageFailure(ctx, "rip", FormatResString(ids::kCliUnknownPattern, {pattern}));
    }
    std::string error;
    if (!image.Write(out, &error)) {
        return Fail(ctx, kExitFailed,
                    WithEnglishDetail(FormatResString(ids::kCliCannotWrite, {out}), error));
    }
    *ctx.out << FormatResString(
                    ids::kCliRipWritten,
                    {out, std::to_string(width), std::to_string(height), std::to_string(planes)})
             << "\n";
    return kExitOk;
}

}  // namespace

int RunRipCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (args.size() == 2 && args[0] == "info") {
        return Info(ctx, args[1]);
    }
    if (args.size() >= 2 && args[0] == "make") {
        return Make(ctx, args);
    }
    // The word that does not fit: an unknown verb, or the words info and make lack.
    return UsageError(ctx, "rip",
                      args.empty() || args[0] == "info" || args[0] == "make"
                          ? (args.size() > 2 && args[0] == "info" ? args[2] : std::string())
                          : args[0]);
}

}  // namespace tavolux::cli
