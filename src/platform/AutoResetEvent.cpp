// Auto-reset event on a mutex and a condition variable.
#include "platform/AutoResetEvent.h"

#include <chrono>

namespace tavolux {

void AutoResetEvent::Set()
{
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    m_cv.notify_one();
}

void AutoResetEvent::Reset()
{
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

bool AutoResetEvent::Wait(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    auto signalled = [this] { return m_signalled; };
    if (timeoutMs < 0) {
        m_cv.wait(lock, signalled);
    } else if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled)) {
        return false;
    }
    m_signalled = false;
    return true;
}

bool AutoResetEvent::IsSet() const
{
    std::lock_guard lock(m_mutex);
    return m_signalled;
}

}  // namespace tavolux
