// An auto-reset event: one Set releases exactly one waiter, then the event is unsignalled again.
#pragma once

#include <condition_variable>
#include <mutex>

namespace tavolux {

class AutoResetEvent {
public:
    static constexpr int kInfinite = -1;

    AutoResetEvent() = default;
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    // Signals the event. If a thread waits, exactly one is released; otherwise the next Wait
    // returns at once. Several Sets before a Wait count as one.
    void Set();

    // Makes the event unsignalled without releasing anybody.
    void Reset();

    // Waits until the event is signalled or timeoutMs elapses (kInfinite: no limit).
    // Returns true when released by a Set (and consumes it), false on time-out.
    bool Wait(int timeoutMs);

    // True when signalled, without consuming the signal.
    bool IsSet() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_signalled = false;  // guarded by m_mutex
};

}  // namespace tavolux
