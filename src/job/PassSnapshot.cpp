// The debug snapshots of the passes.
#include "job/PassSnapshot.h"

#include <algorithm>
#include <span>
#include <string>
#include <system_error>

#include "config/PrinterConfig.h"
#include "device/DeviceDiagnostics.h"
#include "platform/AtomicFile.h"
#include "platform/BmpFile.h"
#include "platform/ProgramDir.h"
#include "print/HeadChannel.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

bool PassSnapshotsWanted(const CPrinterConfig& config)
{
    return config.IsDebug == 1 && config.IsZoom == 0;
}

std::filesystem::path PassSnapshotDir()
{
    return GetProgramDir() / "GRF";
}

bool WritePassSnapshot(const std::filesystem::path& folder, int pass,
                       const std::vector<CHeadChannel>& channels)
{
    std::vector<std::span<const uint8_t>> rows;
    int widest = 0;
    for (const CHeadChannel& channel : channels) {
        const auto bytes = static_cast<size_t>(std::max(channel.RowBytes(), 0));
        widest = std::max(widest, channel.RowBytes());
        for (const uint8_t* row : channel.Rows()) {
            rows.emplace_back(row, bytes);
        }
    }
    std::string raw;
    for (const auto& row : rows) {
        raw.append(reinterpret_cast<const char*>(row.data()), row.size());
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string name = "TestSnap" + std::to_string(pass);
    bool ok = true;
    for (const auto& [file, data] :
         {std::pair{folder / (name + ".prn"), raw},
          std::pair{folder / (name + ".bmp"), EncodeMonoBmp(widest * 8, rows)}}) {
        std::string error;
        if (!AtomicWriteFile(file, data, &error)) {
            DeviceDiagnostic(FormatResString(ids::kDiagSnapshotNotWritten, {error}));
            ok = false;
        }
    }
    return ok;
}

}  // namespace tavolux
