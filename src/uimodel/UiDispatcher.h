// The queue by which every other thread reaches the user-interface thread: closures are posted
// from any thread and run in order on the UI thread, which is woken once per batch.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace tavolux {

class CUiDispatcher {
public:
    using Task = std::function<void()>;
    // Asks the UI thread to call RunPending soon (the wx program: one CallAfter on the
    // application object). Called on the posting thread, with no lock held, once for each batch:
    // the first post after the UI took the previous batch wakes it, later posts ride along.
    using WakeHook = std::function<void()>;

    explicit CUiDispatcher(WakeHook wake = {});
    ~CUiDispatcher();  // drops what is still queued, without running it
    CUiDispatcher(const CUiDispatcher&) = delete;
    CUiDispatcher& operator=(const CUiDispatcher&) = delete;

    // Replaces the wake hook (set it before other threads post).
    void SetWakeHook(WakeHook wake);

    // Queues task for the UI thread; any thread. Tasks posted by one thread run in the order
    // posted. Returns false, and drops the task, once the dispatcher is closed.
    bool Post(Task task);

    // Runs the tasks queued when it was called, in order, on the calling (UI) thread; tasks
    // they post run in the next batch. Stops as soon as the dispatcher is closed, also by one
    // of the tasks. Returns how many ran. Tasks must not throw.
    int RunPending();

    // Drops the queued tasks (their destructors run outside the lock) and refuses later posts:
    // called when the program closes, before the windows the tasks would touch go away.
    void Close();

    // Takes posts again after Close: a new main window in the same process (the GUI tests start
    // one after another).
    void Reopen();

    bool IsClosed() const;
    size_t PendingCount() const;

private:
    mutable std::mutex m_mutex;  // guards the fields below; no task or hook runs under it
    std::deque<Task> m_queue;
    WakeHook m_wake;
    bool m_wakePending = false;  // a wake was asked for and the UI has not taken the batch yet
    bool m_closed = false;
};

}  // namespace tavolux
