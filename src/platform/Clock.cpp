// System and manual clocks, and the process-wide clock pointer.
#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace tavolux {

namespace {
CSystemClock g_systemClock;
std::atomic<IClock*> g_clock{&g_systemClock};
}  // namespace

int64_t CSystemClock::NowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void CSystemClock::SleepMs(int ms)
{
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    } else {
        std::this_thread::yield();
    }
}

IClock& GetClock()
{
    return *g_clock.load();
}

void SetClock(IClock* clock)
{
    g_clock.store(clock ? clock : &g_systemClock);
}

int64_t NowMs()
{
    return GetClock().NowMs();
}

void SleepMs(int ms)
{
    GetClock().SleepMs(ms);
}

}  // namespace tavolux
