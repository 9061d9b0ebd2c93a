// The preview's worker thread and the hand-over of its result to the UI thread.
#include "ui/PreviewRunner.h"

#include "uimodel/UiDispatcher.h"

namespace tavolux::ui {

CPreviewRunner::CPreviewRunner(CUiDispatcher& dispatcher) : m_dispatcher(dispatcher) {}

CPreviewRunner::~CPreviewRunner()
{
    Stop();
}

bool CPreviewRunner::Start(PreviewJob job, Done done)
{
    if (m_busy) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join();  // a build that delivered: its thread has ended or is about to
    }
    auto builder =
        std::make_shared<CPreviewBuilder>(job.path, IsOtherPreviewFormat(job.path), job.viewWidth,
                                          job.viewHeight, job.mode, job.settings);
    {
        std::lock_guard lock(m_mutex);
        m_builder = builder;
    }
    m_busy = true;
    std::weak_ptr<int> life = m_life;
    m_thread = std::thread([this, builder, life, job = std::move(job), done = std::move(done)] {
        PreviewOutcome outcome{job, builder->Build(), builder};
        if (outcome.code == kPreviewStopped) {
            ++m_stopped;
            return;  // Stop has dropped it
        }
        // A closed dispatcher drops the outcome: the program is closing.
        m_dispatcher.Post([this, life, outcome = std::move(outcome), done] {
            if (life.lock()) {
                Deliver(outcome, done);
            }
        });
    });
    return true;
}

void CPreviewRunner::Deliver(const PreviewOutcome& outcome, const Done& done)
{
    m_busy = false;
    {
        std::lock_guard lock(m_mutex);
        m_builder.reset();
    }
    if (done) {
        done(outcome);
    }
}

void CPreviewRunner::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_builder) {
            m_builder->RequestStop();
            m_builder.reset();
        }
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_life = std::make_shared<int>(0);
    m_busy = false;
}

}  // namespace tavolux::ui
