// Time to build one pass of a 45,000-pixel-wide job (4 colours x 2 groups, 256 nozzles, 4 passes
// with pass masks) with the fast merge and with the literal one, against a memcpy of the bytes
// a pass reads and writes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../tests/print/LiteralMerge.h"
#include "config/PrinterConfig.h"
#include "platform/RandomSource.h"
#include "print/FastMerge.h"
#include "print/PassGenerator.h"
#include "print/RipImage.h"

namespace {

using namespace tavolux;

constexpr int kWidth = 45000;
constexpr int kHeight = 2048;

struct Job {
    std::filesystem::path dir;
    std::filesystem::path file;
    std::unique_ptr<CPrinterConfig> config;

    Job()
    {
        dir = std::filesystem::temp_directory_path() / "tavolux_bench_pass_build";
        std::filesystem::create_directories(dir);
        file = dir / "wide.prn";
        CRandomSource random(42);
        CRipImage image(kWidth, kHeight, 4, 720, 600);
        image.Fill("random", random);
        image.Write(file);
        config = std::make_unique<CPrinterConfig>(dir);
        auto& p = config->params;
        p.ColorNo = 4;
        p.GroupNo = 2;
        p.PrintVer = 1;
        p.HeadHoleNo = 256;
        for (int g = 0; g < 2; ++g) {
            for (int c = 0; c < 4; ++c) {
                p.HeadArrayOrder.push_back(std::to_string(c) + "," + std::to_string(g));
                p.HeadHoriPosList.push_back(0.0);
                p.IsPrinted.push_back(1);
                p.MergeBit.push_back(-1);
                p.HeadLevelList.push_back(0);
            }
        }
        p.PrinterResolution = 600;
        p.RealPrinterResolution = 600.0;
        p.MmPerPulseX = 0.01;
        p.MmPerPulseY = 0.01;
        p.MaxAccDist = 10;
    }
    ~Job() { std::filesystem::remove_all(dir); }

    PassTask Task() const
    {
        PassTask t;
        t.file = file;
        t.resolutionX = 720;
        t.resolutionY = 600;
        t.passes = 4;
        t.maskMode = kMaskPass;
        t.direction = 1;
        return t;
    }
};

Job& TheJob()
{
    static Job job;
    return job;
}

// Builds passes with the given merge; the first passes fill the head, so each timed pass
// merges a full head of rows.
void BuildPasses(benchmark::State& state, CChannelMerger* merger)
{
    Job& job = TheJob();
    CRandomSource random(1);
    CPassGenerator gen(*job.config, random, merger);
    std::vector<uint16_t> buffer;
    PassDescriptor d;
    const auto start = [&] {
        gen.Setup(job.Task());
        gen.BuildMasks();
        gen.Prepare();
        buffer.resize(static_cast<size_t>(gen.MaxTransferWords()));
        for (int i = 0; i < 4; ++i) {
            gen.BuildNextPass(buffer, d);
        }
    };
    start();
    for (auto _ : state) {
        if (gen.PassIndex() >= 12) {
            state.PauseTiming();
            start();
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(gen.BuildNextPass(buffer, d));
        benchmark::ClobberMemory();
    }
}

void BM_PassBuildFast(benchmark::State& state)
{
    BuildPasses(state, nullptr);
}

void BM_PassBuildLiteral(benchmark::State& state)
{
    test::CLiteralMerge literal;
    BuildPasses(state, &literal);
}

// The bytes one pass must at least touch: every channel's head rows and the transfer buffer.
void BM_PassMemcpy(benchmark::State& state)
{
    const size_t rows = size_t{4} * 512 * ((kWidth + 7) / 8);
    const size_t words = size_t{256} * kWidth * 2;
    std::vector<uint8_t> src(rows + words, 1);
    std::vector<uint8_t> dst(rows + words, 0);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_PassBuildFast)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PassBuildLiteral)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PassMemcpy)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// Keeps each benchmark's processor time per iteration in milliseconds: the build machines are
// shared, and wall time there measures the neighbours as much as the code.
class CCapture : public benchmark::ConsoleReporter {
public:
    // No colours: the summary line must be the last line exactly, with no escape codes.
    CCapture() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                ms[run.benchmark_name()] =
                    run.cpu_accumulated_time * 1000.0 / static_cast<double>(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> ms;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    CCapture capture;
    benchmark::RunSpecifiedBenchmarks(&capture);
    benchmark::Shutdown();
    const double fast = capture.ms["BM_PassBuildFast/min_time:1.000"];
    const double literal = capture.ms["BM_PassBuildLiteral/iterations:3"];
    const double copy = capture.ms["BM_PassMemcpy/min_time:0.500"];
    std::cout.setf(std::ios::fixed);
    std::cout.precision(2);
    std::cout << "pass_build fast_ms=" << fast << " literal_ms=" << literal << " memcpy_ms=" << copy
              << " ratio_vs_memcpy=" << (copy > 0 ? fast / copy : 0.0)
              << " speedup_vs_literal=" << (fast > 0 ? literal / fast : 0.0) << std::endl;
    return 0;
}
