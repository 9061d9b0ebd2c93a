// The preview's worker thread without a display: the outcome reaches the UI thread through the
// dispatcher, one build runs at a time, and a stopped build ends early and delivers nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "preview/PreviewBuilder.h"
#include "preview/RipFileMaker.h"
#include "support/TempDir.h"
#include "ui/OpenPreviewFiles.h"
#include "ui/PreviewRunner.h"
#include "uimodel/UiDispatcher.h"

namespace tavolux::test {

namespace {

// Records the progress the builder reports, from whichever thread reports it.
class ProgressUi final : public CConsoleUiFacade {
public:
    ProgressUi() { SetUi(this); }
    ~ProgressUi() override { SetUi(nullptr); }
    ProgressUi(const ProgressUi&) = delete;
    ProgressUi& operator=(const ProgressUi&) = delete;

    void ShowMessage(const std::string&, MessageIcon) override {}
    void ReportProgress(int percent) override
    {
        std::function<void(int)> hook;
        {
            std::lock_guard lock(m_mutex);
            m_reports.push_back(percent);
            hook = onReport;
        }
        if (hook) {
            hook(percent);
        }
    }
    std::vector<int> Reports() const
    {
        std::lock_guard lock(m_mutex);
        return m_reports;
    }
    std::function<void(int)> onReport;  // set before a build starts

private:
    mutable std::mutex m_mutex;
    std::vector<int> m_reports;
};

// Runs the dispatcher's queue on this (the "UI") thread until condition holds.
bool Pump(CUiDispatcher& dispatcher, const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        dispatcher.RunPending();
        std::this_thread::yield();
    }
    return true;
}

ui::PreviewJob JobFor(const std::filesystem::path& path, int mode = kPreviewAuto)
{
    return {.path = path,
            .mode = mode,
            .viewWidth = 120,
            .viewHeight = 90,
            .settings = PreviewSettings{.isZoom = 1, .maxScanLines = 0}};
}

bool SameImage(const DibImage& a, const DibImage& b)
{
    return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel &&
           a.pixels == b.pixels;
}

}  // namespace

TEST(PreviewRunner, DeliversTheBuildOnTheUiThreadAndRunsOneAtATime)
{
    TempDir dir;
    const RipGeometry geometry{.planes = 6, .height = 700, .bytesPerPlaneLine = 40, .width = 320};
    const auto file = WriteRip(dir.Path() / "a.prn", RipBytes(geometry, 7));
    CUiDispatcher dispatcher;
    ui::CPreviewRunner runner(dispatcher);
    std::vector<ui::PreviewOutcome> outcomes;
    std::thread::id deliveredOn;
    auto done = [&](const ui::PreviewOutcome& o) {
        deliveredOn = std::this_thread::get_id();
        outcomes.push_back(o);
    };

    ASSERT_TRUE(runner.Start(JobFor(file, 4), done));
    EXPECT_TRUE(runner.Busy());
    EXPECT_FALSE(runner.Start(JobFor(file, 2), done)) << "a second build while one runs";
    ASSERT_TRUE(Pump(dispatcher, [&] { return !outcomes.empty(); }));
    EXPECT_EQ(deliveredOn, std::this_thread::get_id());
    EXPECT_FALSE(runner.Busy());
    ASSERT_EQ(outcomes.size(), 1U);
    const ui::PreviewOutcome o = outcomes[0];
    EXPECT_EQ(o.code, kPreviewOk);
    EXPECT_EQ(o.job.path, file);
    EXPECT_EQ(o.job.mode, 4);
    ASSERT_NE(o.builder, nullptr);
    EXPECT_EQ(o.builder->Stride(), 4) << "the mode of the first start, not of the refused one";
    EXPECT_EQ(o.builder->Header().Height(), geometry.height);

    // The same picture as a build on the calling thread with the same settings.
    const ui::PreviewJob job = JobFor(file, 4);
    CPreviewBuilder direct(file, false, job.viewWidth, job.viewHeight, job.mode, job.settings);
    ASSERT_EQ(direct.Build(), kPreviewOk);
    EXPECT_TRUE(SameImage(o.builder->Bitmap(), direct.Bitmap()));

    // Once delivered, the next build is taken.
    ASSERT_TRUE(runner.Start(JobFor(file, 8), done));
    ASSERT_TRUE(Pump(dispatcher, [&] { return outcomes.size() == 2; }));
}

// The builder stops where it is asked to, reports nothing after, and says it stopped.
TEST(PreviewRunner, BuilderAskedToStopEndsWithoutFinishing)
{
    TempDir dir;
    const auto file = WriteRip(dir.Path() / "b.prn", RipBytes({.planes = 4,
                                                               .height = 400,
                                                               .bytesPerPlaneLine = 20,
                                                               .width = 160,
                                                               .xResolution = 85,
                                                               .yResolution = 85},
                                                              3));
    const struct {
        const char* name;
        int stopAtReport;  // the report (0-based) at which the stop is asked; -1 never
        int code;
    } cases[] = {
        {"not stopped", -1, kPreviewOk},
        {"stopped before the first chunk", 0, kPreviewStopped},
        {"stopped in the second chunk", 2, kPreviewStopped},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgressUi ui;
        CPreviewBuilder builder(file, false, 200, 200, 2, PreviewSettings{1, 0});
        int seen = 0;
        ui.onReport = [&](int) {
            if (seen++ == c.stopAtReport) {
                builder.RequestStop();
            }
        };
        EXPECT_EQ(builder.Build(), c.code);
        ASSERT_EQ(builder.ChunkCount(), 4) << "chunks enough to stop between them";
        const std::vector<int> reports = ui.Reports();
        ASSERT_FALSE(reports.empty());
        if (c.stopAtReport < 0) {
            EXPECT_EQ(reports.back(), 100);
        } else {
            EXPECT_EQ(static_cast<int>(reports.size()), c.stopAtReport + 1)
                << "a report after the stop";
        }
    }
}

// Stop while a long build runs: the thread ends early, its outcome never arrives, and the
// runner takes the next build.
TEST(PreviewRunner, StopEndsARunningBuildAndDropsItsOutcome)
{
    TempDir dir;
    // Blank, and far longer to read at stride 2 than the test waits for it.
    const auto big = WriteSparseRip(dir.Path() / "big.prn", 4, 1000, 400000, 720);
    ProgressUi ui;
    std::atomic<bool> started{false};
    ui.onReport = [&](int) { started = true; };
    CUiDispatcher dispatcher;
    ui::CPreviewRunner runner(dispatcher);
    bool delivered = false;
    ASSERT_TRUE(runner.Start(JobFor(big, 2), [&](const ui::PreviewOutcome&) { delivered = true; }));
    ASSERT_TRUE(Pump(dispatcher, [&] { return started.load(); }));
    EXPECT_EQ(runner.StoppedBuilds(), 0);
    runner.Stop();
    EXPECT_FALSE(runner.Busy());
    EXPECT_EQ(runner.StoppedBuilds(), 1);
    dispatcher.RunPending();
    EXPECT_FALSE(delivered) << "the outcome of a stopped build";
    const std::vector<int> reports = ui.Reports();
    EXPECT_TRUE(std::find(reports.begin(), reports.end(), 100) == reports.end())
        << "the build ran to its end: Stop waited for it instead of stopping it";

    const auto small = WriteRip(dir.Path() / "small.prn", RipBytes(RipGeometry{}, 5));
    int code = 99;
    ASSERT_TRUE(runner.Start(JobFor(small), [&](const ui::PreviewOutcome& o) { code = o.code; }));
    ASSERT_TRUE(Pump(dispatcher, [&] { return code != 99; }));
    EXPECT_EQ(code, kPreviewOk);
    runner.Stop();  // after the delivery: nothing left to stop
    EXPECT_EQ(runner.StoppedBuilds(), 1);
}

}  // namespace tavolux::test
