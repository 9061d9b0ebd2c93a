// How long the desktop program takes to start with 100 saved tasks: the configuration loaded,
// Tasks.dat and every thumbnail read, the main window built and shown with all the rows. Run
// in-process under a display (xvfb-run); without one it says so and measures nothing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/PrinterConfig.h"
#include "platform/RandomSource.h"
#include "preview/PreviewBuilder.h"
#include "print/RipImage.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskList.h"
#include "ui/GuiDriver.h"
#include "uimodel/Commands.h"
#include "uimodel/PrinterSession.h"

namespace {

namespace drv = tavolux::ui::driver;

constexpr int kTasks = 100;

std::filesystem::path g_dir;

// A program folder with the sample configuration and 100 saved tasks, each with the thumbnail
// of a preview of the size the preview pane has.
bool MakeProgramFolder()
{
    g_dir = std::filesystem::temp_directory_path() / "tavolux_bench_desktop_start";
    std::filesystem::remove_all(g_dir);
    std::filesystem::create_directories(g_dir);
    std::filesystem::copy_file(
        std::filesystem::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini",
        g_dir / "tavolux.ini");
    tavolux::CPrinterConfig config(g_dir);
    if (!config.LoadConfig()) {
        return false;
    }
    tavolux::CTaskList list(config, g_dir / tavolux::kWorksFolderName);
    tavolux::CRandomSource random(1);
    for (int i = 0; i < kTasks; ++i) {
        tavolux::CRipImage image(720, 480, 4, 720, 360);
        image.Fill("sample", random);
        const auto file = g_dir / ("task" + std::to_string(i) + ".prn");
        if (!image.Write(file)) {
            return false;
        }
        tavolux::CPreviewBuilder builder(file, false, 640, 360, tavolux::kPreviewAuto,
                                         tavolux::PreviewSettings::FromConfig(config));
        if (builder.Build() != tavolux::kPreviewOk ||
            list.AddTask(file.string(), builder.Header(), builder.Bitmap()) < 0) {
            return false;
        }
    }
    return list.SaveAllTasks();
}

bool Shown()
{
    return drv::MainFrameAlive() && drv::TaskRows() == kTasks &&
           drv::TaskThumbnailSize(kTasks - 1).first > 0;
}

void BM_DesktopStartWith100Tasks(benchmark::State& state)
{
    for (auto _ : state) {
        // At least one turn of the event loop, so that the window is mapped and painted.
        int turns = 0;
        if (!drv::StartAnotherMainFrame({g_dir, "virtual:instant"}) ||
            !drv::WaitFor([&turns] { return ++turns > 1 && Shown(); })) {
            state.SkipWithError("the main window did not show its tasks");
            break;
        }
        state.PauseTiming();
        // A refused close must not wait for an operator.
        drv::AnswerMessages([](const std::string&, bool) { return false; });
        drv::WaitFor([] { return drv::Session().CanClose(); });
        drv::SendCommand(tavolux::cmd::kExit);
        drv::WaitFor([] { return !drv::MainFrameAlive(); });
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DesktopStartWith100Tasks)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::printf("bench_desktop_start: no display (DISPLAY is unset); run it under xvfb-run\n");
        return 0;
    }
    if (!MakeProgramFolder()) {
        std::fprintf(stderr, "bench_desktop_start: could not prepare %s\n", g_dir.c_str());
        return 1;
    }
    if (!drv::StartToolkit(argc, argv)) {
        std::fprintf(stderr, "bench_desktop_start: the toolkit did not start\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    drv::StopToolkit();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_dir);
    return 0;
}
