// A millisecond clock and sleep that tests can replace, so that no test waits real seconds.
#pragma once

#include <atomic>
#include <cstdint>

namespace tavolux {

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds since an arbitrary fixed point; never goes backwards.
    virtual int64_t NowMs() const = 0;
    // Blocks the calling thread for ms milliseconds (a manual clock advances instead).
    virtual void SleepMs(int ms) = 0;
};

// The steady clock of the machine.
class CSystemClock final : public IClock {
public:
    int64_t NowMs() const override;
    void SleepMs(int ms) override;
};

// A clock that only moves when told to, or when somebody sleeps on it.
class CManualClock final : public IClock {
public:
    int64_t NowMs() const override { return m_now.load(); }
    void SleepMs(int ms) override { Advance(ms); }
    void Advance(int64_t ms) { m_now.fetch_add(ms > 0 ? ms : 0); }

private:
    std::atomic<int64_t> m_now{0};
};

// The process-wide clock, CSystemClock unless a test installs another.
IClock& GetClock();
// Installs clock as the process-wide clock (nullptr restores the system clock).
void SetClock(IClock* clock);

// Milliseconds from the process-wide clock.
int64_t NowMs();
// Sleeps on the process-wide clock.
void SleepMs(int ms);

}  // namespace tavolux
