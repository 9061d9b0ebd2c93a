// Process-wide, thread-safe random source.
#include "platform/RandomSource.h"

#include <chrono>

namespace tavolux {

CRandomSource::CRandomSource()
    : m_engine(static_cast<uint64_t>(
          std::chrono::high_resolution_clock::now().time_since_epoch().count()))
{
}

CRandomSource::CRandomSource(uint64_t seed) : m_engine(seed) {}

void CRandomSource::Seed(uint64_t seed)
{
    std::lock_guard lock(m_mutex);
    m_engine.seed(seed);
}

int CRandomSource::Rand()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>((m_engine() >> 33) & kRandMax);
}

uint32_t CRandomSource::Next32()
{
    std::lock_guard lock(m_mutex);
    return static_cast<uint32_t>(m_engine() >> 32);
}

uint64_t CRandomSource::NextSeed()
{
    std::lock_guard lock(m_mutex);
    return m_engine();
}

CRandomSource& GetRandomSource()
{
    static CRandomSource source;
    return source;
}

}  // namespace tavolux
