// The UI dispatcher's queue, its coalesced wake and its closing.
#include "uimodel/UiDispatcher.h"

#include <utility>

namespace tavolux {

CUiDispatcher::CUiDispatcher(WakeHook wake) : m_wake(std::move(wake)) {}

CUiDispatcher::~CUiDispatcher()
{
    Close();
}

void CUiDispatcher::SetWakeHook(WakeHook wake)
{
    WakeHook old;
    std::lock_guard lock(m_mutex);
    old = std::exchange(m_wake, std::move(wake));
}

bool CUiDispatcher::Post(Task task)
{
    WakeHook wake;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return false;  // the task is destroyed outside the lock, with this frame
        }
        m_queue.push_back(std::move(task));
        if (!m_wakePending) {
            m_wakePending = true;
            wake = m_wake;
        }
    }
    if (wake) {
        wake();
    }
    return true;
}

int CUiDispatcher::RunPending()
{
    std::deque<Task> batch;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return 0;
        }
        batch.swap(m_queue);
        // A post from now on belongs to the next batch and wakes the UI again.
        m_wakePending = false;
    }
    int ran = 0;
    for (Task& task : batch) {
        if (IsClosed()) {
            break;
        }
        if (task) {
            task();
        }
        ++ran;
    }
    return ran;
}

void CUiDispatcher::Close()
{
    std::deque<Task> dropped;
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        dropped.swap(m_queue);
        m_wakePending = false;
    }
}

void CUiDispatcher::Reopen()
{
    std::lock_guard lock(m_mutex);
    m_closed = false;
}

bool CUiDispatcher::IsClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_closed;
}

size_t CUiDispatcher::PendingCount() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

}  // namespace tavolux
