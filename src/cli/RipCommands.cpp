// "rip" commands: inspect a RIP file's header and completeness, write sample RIP files.
#include <charconv>
#include <ostream>

#include "cli/CliContext.h"
#include "cli/Usage.h"
#include "platform/RandomSource.h"
#include "print/RipImage.h"
#include "print/RipReader.h"

namespace tavolux::cli {

namespace {

constexpr const char* kUsage = CommandUsage("rip");

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
    for (size_t i = 2; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return Fail(ctx, kExitUsage, args[i] + " needs a value\n" + kUsage);
        }
        const std::string& key = args[i];
        const std::string& value = args[i + 1];
        long long* target = key == "--width"    ? &width
                            : key == "--height" ? &height
                            : key == "--planes" ? &planes
                            : key == "--xres"   ? &xres
                            : key == "--yres"   ? &yres
                            : key == "--seed"   ? &seed
                                                : nullptr;
        if (key == "--pattern") {
            pattern = value;
        } else if (target == nullptr || !ParseWholeNumber(value, *target)) {
            std::string text = "bad option ";
            text.append(key).append(" ").append(value).append("\n").append(kUsage);
            return Fail(ctx, kExitUsage, text);
        }
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
        return Fail(ctx, kExitUsage,
                    "--width, --height, --planes, --xres and --yres must be given and positive; "
                    "the resolutions at most " +
                        std::to_string(CRipReader::kMaxResolution) + " dpi, at most " +
                        std::to_string(CRipReader::kMaxPlanes) + " planes, at most " +
                        std::to_string(CRipReader::kWidestPrintMm / 1000) + " m wide and " +
                        std::to_string(CRipReader::kLongestPrintMm / 1000) +
                        " m long, and the raster below 2 GiB\n" + std::string(kUsage));
    }
    CRipImage image(static_cast<int>(width), static_cast<int>(height), static_cast<int>(planes),
                    static_cast<int>(xres), static_cast<int>(yres));
    CRandomSource random(static_cast<uint64_t>(seed));
    if (!image.Fill(pattern, random)) {
        return Fail(ctx, kExitUsage, "unknown pattern \"" + pattern + "\"\n" + kUsage);
    }
    std::string error;
    if (!image.Write(out, &error)) {
        return Fail(ctx, kExitFailed, error);
    }
    *ctx.out << "wrote " << out << ": " << width << " x " << height << " pixels, " << planes
             << " planes\n";
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
    return Fail(ctx, kExitUsage, kUsage);
}

}  // namespace tavolux::cli
