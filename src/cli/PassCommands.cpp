// "passes" command: runs pass generation on a RIP file with the settings print would use and
// prints (and optionally writes) each pass.
#include <climits>
#include <cstdio>
#include <fstream>
#include <ostream>

#include "cli/CliContext.h"
#include "cli/FileRequest.h"
#include "config/PrinterConfig.h"
#include "platform/RandomSource.h"
#include "print/PassGenerator.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux::cli {

namespace {

bool WriteWords(const std::filesystem::path& path, const uint16_t* words, int64_t count)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    // The printer takes the words little-endian.
    std::vector<char> bytes(static_cast<size_t>(count) * 2);
    for (int64_t i = 0; i < count; ++i) {
        bytes[static_cast<size_t>(2 * i)] = static_cast<char>(words[i] & 0xFF);
        bytes[static_cast<size_t>(2 * i + 1)] = static_cast<char>(words[i] >> 8);
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int RunPassesCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (args.empty() || args[0].starts_with("--")) {
        return UsageError(ctx, "passes", "");  // FILE comes first
    }
    const std::filesystem::path file = args[0];
    FileJobOptions options;
    std::string dumpText;
    COptionParser parser(
        {OptionSpec{"--print-type", &options.printType},
         OptionSpec{"--passes", &options.passes, 1, INT_MAX, ids::kCliPassesRange},
         OptionSpec{"--mask-mode", &options.maskMode, 0, 2, ids::kCliMaskModeRange},
         OptionSpec{"--from-line", &options.fromLine}, OptionSpec{"--dump", &dumpText}});
    if (const OptionError error = parser.Parse(args, 1)) {
        return ReportOptionError(ctx, "passes", error);
    }
    options.printTypeGiven = parser.Given("--print-type");
    options.fromLineGiven = parser.Given("--from-line");
    const std::filesystem::path dump = dumpText;
    if (!CheckConfigPresent(ctx)) {
        return kExitFailed;
    }
    CPrinterConfig config(ctx.programDir);
    if (!config.LoadConfig()) {
        return Fail(ctx, kExitFailed, LoadResString(ids::kCliConfigNotLoaded));
    }
    // The passes of the file exactly as print would send them with the same options.
    CRipReader probe;
    PrintTaskRequest request;
    if (const int code = SettleFileJob(ctx, config, file, options, false, probe, request);
        code != kExitOk) {
        return code;
    }
    // Nothing is printed here: what print would have to be told is only shown.
    AcceptFileWarnings(ctx, CheckFileForPrint(probe, request), true, true);
    const PassTask& task = request.task;

    CPassGenerator gen(config, GetRandomSource());
    if (!gen.Setup(task)) {
        return Fail(ctx, kExitFailed,
                    WithEnglishDetail(LoadResString(ids::kCliPassesNotSetUp), gen.ErrorText()));
    }
    if (!gen.BuildMasks()) {
        return Fail(ctx, kExitFailed, LoadResString(ids::kMaskWrong));
    }
    gen.Prepare();
    std::ofstream csv;
    if (!dump.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(dump, ec);
        csv.open(dump / "passes.csv", std::ios::trunc);
        if (!csv) {
            return Fail(ctx, kExitFailed,
                        FormatResString(ids::kCliCannotWrite, {(dump / "passes.csv").string()}));
        }
        csv << "pass,step,rows,skipped,handed_over,words";
        for (int w = 0; w < PassDescriptor::kWords; ++w) {
            csv << ",w" << w;
        }
        csv << "\n";
    }
    std::vector<uint16_t> buffer(static_cast<size_t>(gen.MaxTransferWords()));
    int total = 0;
    while (!gen.Done()) {
        PassDescriptor d;
        const PassOutcome o = gen.BuildNextPass(buffer, d);
        if (!o.built) {
            return Fail(ctx, kExitFailed,
                        FormatResString(ids::kCliPassNotBuilt, {std::to_string(total)}));
        }
        *ctx.out << "pass " << total << " step " << o.step << " rows " << o.dataRows << " skipped "
                 << (o.skipped ? 1 : 0) << " words";
        for (int w = 0; w < PassDescriptor::kWords; ++w) {
            *ctx.out << " " << d[w];
        }
        *ctx.out << "\n";
        if (!dump.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "pass_%04d.bin", total);
            if (!WriteWords(dump / name, buffer.data(), o.transferWords)) {
                return Fail(ctx, kExitFailed,
                            FormatResString(ids::kCliCannotWrite, {(dump / name).string()}));
            }
            csv << total << "," << o.step << "," << o.dataRows << "," << (o.skipped ? 1 : 0) << ","
                << (o.handOver ? 1 : 0) << "," << o.transferWords;
            for (int w = 0; w < PassDescriptor::kWords; ++w) {
                csv << "," << d[w];
            }
            csv << "\n";
        }
        ++total;
    }
    *ctx.out << "total " << total << "\n";
    return kExitOk;
}

}  // namespace tavolux::cli
