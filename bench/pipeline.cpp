// The print pipeline's throughput: one job of at least 200 MB of nozzle words through the
// producer, feeder and sender threads to the in-process virtual printer answering at once,
// against a raw write of the same bytes through the same device and transport.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "config/PrinterConfig.h"
#include "device/KtUSB.h"
#include "device/MachineState.h"
#include "device/PrinterStatusBlock.h"
#include "device/ReplyEvents.h"
#include "device/StatusPoller.h"
#include "job/PrintJob.h"
#include "platform/ProgramDir.h"
#include "platform/RandomSource.h"
#include "print/RipImage.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualTransport.h"

namespace {

using namespace tavolux;

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main()
{
    const auto dir = std::filesystem::temp_directory_path() / "tavolux_bench_pipeline";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(
        std::filesystem::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini", dir / "tavolux.ini",
        std::filesystem::copy_options::overwrite_existing);
    SetProgramDir(dir);
    CPrinterConfig config(dir);
    if (!config.LoadConfig()) {
        std::fprintf(stderr, "the sample configuration cannot be loaded\n");
        return 1;
    }
    config.IsDebug = 0;
    auto& p = config.params;
    p.AutoFlash = 0;
    p.IfAutoControl = 0;
    p.IgnoreBlank = 0;
    p.Strip = 0;

    // A wide image, tall enough for 200 MB of nozzle words.
    const int width = 20000;
    const int height = 700;
    const auto file = dir / "pipeline.prn";
    {
        CRandomSource random(5);
        CRipImage image(width, height, p.ColorNo - p.WhiteColorNo, 720, 600);
        image.Fill("random", random);
        if (!image.Write(file)) {
            std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
            return 1;
        }
    }

    // Once on a link without limit, where the raw write is only a copy into the printer's
    // memory, then on a link of a USB 3 bulk pipe's practical rate, where the question is
    // whether the pipeline keeps the link busy. The last line is the link-limited run.
    for (const double linkRate : {0.0, 400e6}) {
        auto printer = std::make_shared<sim::CVirtualPrinter>(true);
        auto transport = std::make_unique<sim::CVirtualTransport>(printer);
        sim::CVirtualTransport& link = *transport;
        CKtUSB device(config, std::move(transport));
        CMachineState machine(nullptr);
        machine.BuildGate(1);
        PrinterStatusBlock block;
        ReplyEvents events;
        CStatusPoller poller(device, machine, config, block, events);
        device.Open();
        poller.Start();
        for (int i = 0; i < 1000 && machine.Get() != MachineState::Ready; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        machine.Set(MachineState::Printing);
        link.SetLinkRate(linkRate);

        PassTask task;
        task.file = file;
        task.resolutionX = 720;
        task.resolutionY = 600;
        task.passes = 4;
        task.maskMode = kMaskPass;
        CRandomSource random(9);
        CPrintJob job(JobDevice{config, device, machine, events}, task, 0, random);
        const int64_t before = printer->RasterBytes();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = job.Run();
        const double hostSeconds = Seconds(start);
        const int64_t bytes = printer->RasterBytes() - before;
        poller.Stop();
        if (!ok) {
            std::fprintf(stderr, "the job failed: %s\n", job.ErrorText().c_str());
            return 1;
        }

        // The same bytes, one pass-sized write after the other, with nothing else going on.
        const int64_t chunk = job.TotalPasses() > 0 ? bytes / job.TotalPasses() : bytes;
        std::vector<uint8_t> data(static_cast<size_t>(chunk), 0x5A);
        const auto rawStart = std::chrono::steady_clock::now();
        int64_t written = 0;
        while (written < bytes) {
            const int n = static_cast<int>(std::min<int64_t>(chunk, bytes - written));
            if (device.SendData(data.data(), n) != n) {
                std::fprintf(stderr, "the raw write failed\n");
                return 1;
            }
            written += n;
        }
        const double rawSeconds = Seconds(rawStart);

        const double host = static_cast<double>(bytes) / 1e6 / hostSeconds;
        const double raw = static_cast<double>(bytes) / 1e6 / rawSeconds;
        std::printf("passes %d, %.1f MB of nozzle words, link %s\n", job.TotalPasses(),
                    static_cast<double>(bytes) / 1e6,
                    linkRate > 0.0 ? "400 MB/s" : "without limit");
        std::printf("pipeline host_MBps=%.0f raw_MBps=%.0f ratio=%.2f\n", host, raw, host / raw);
    }
    return 0;
}
