// How long loading the sample configuration takes: it runs at start-up and after every dialog.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "platform/AtomicFile.h"

namespace {

void BM_LoadSampleConfig(benchmark::State& state)
{
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "tavolux_bench_config";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(
        std::filesystem::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini", dir / "tavolux.ini",
        std::filesystem::copy_options::overwrite_existing);
    tavolux::CPrinterConfig config(dir);
    for (auto _ : state) {
        benchmark::DoNotOptimize(config.LoadConfig());
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LoadSampleConfig);

void BM_ParseIniText(benchmark::State& state)
{
    std::string text;
    tavolux::ReadWholeFile(std::filesystem::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini",
                           text);
    for (auto _ : state) {
        auto ini = tavolux::CIniFile::FromText("x.ini", text);
        benchmark::DoNotOptimize(ini.GetString("TX White Printer_LIST", "FeatherLinesList"));
    }
}
BENCHMARK(BM_ParseIniText);

}  // namespace

BENCHMARK_MAIN();
