// Builds one RIP file's preview at a time on a worker thread, so that the window stays live, and
// hands the result to the UI thread through the dispatcher. No toolkit: tested headless.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "preview/PreviewBuilder.h"

namespace tavolux {
class CUiDispatcher;
}

namespace tavolux::ui {

// What to build.
struct PreviewJob {
    std::filesystem::path path;
    int mode = kPreviewAuto;  // the stride (2, 4, 8) or automatic
    int viewWidth = 1;        // the preview view's client size, pixels
    int viewHeight = 1;
    PreviewSettings settings{};
    int taskIndex = -1;  // the task whose file is shown again; -1 for a newly opened file
};

// What came of it: code is a result of CPreviewBuilder::Build; builder holds the bitmap and the
// header when code is kPreviewOk.
struct PreviewOutcome {
    PreviewJob job;
    int code = kPreviewOk;
    std::shared_ptr<const CPreviewBuilder> builder;
};

class CPreviewRunner {
public:
    using Done = std::function<void(const PreviewOutcome&)>;

    explicit CPreviewRunner(CUiDispatcher& dispatcher);
    ~CPreviewRunner();  // Stop()
    CPreviewRunner(const CPreviewRunner&) = delete;
    CPreviewRunner& operator=(const CPreviewRunner&) = delete;

    // UI thread. Starts building job; done runs later on the UI thread (through the dispatcher)
    // with the outcome. Returns false, and starts nothing, while an earlier build has not
    // delivered its outcome: one build at a time.
    bool Start(PreviewJob job, Done done);
    // UI thread: a build was started and its outcome has not been delivered (or dropped) yet.
    bool Busy() const { return m_busy; }
    // UI thread: asks the running build to stop and joins its thread; its outcome is dropped.
    // Returns at once when nothing runs. Blocks for at most the preview row being converted.
    void Stop();
    // Builds that Stop ended before they finished (a build that had finished is not counted).
    int StoppedBuilds() const { return m_stopped; }

private:
    void Deliver(const PreviewOutcome& outcome, const Done& done);

    CUiDispatcher& m_dispatcher;
    bool m_busy = false;  // UI thread only
    std::mutex m_mutex;   // guards m_builder, which Stop reaches while the worker builds
    std::shared_ptr<CPreviewBuilder> m_builder;
    std::thread m_thread;
    std::atomic<int> m_stopped{0};
    // The outcome posted by a build holds this weakly: after Stop (or the runner's end) a late
    // one finds it gone and does nothing.
    std::shared_ptr<int> m_life = std::make_shared<int>(0);
};

}  // namespace tavolux::ui
