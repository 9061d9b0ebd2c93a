// The one source of randomness (masks, feathering, white ink, thumbnails): clock-seeded by
// default, fixed in tests so that a run can be repeated.
#pragma once

#include <cstdint>
#include <mutex>
#include <random>

namespace tavolux {

class CRandomSource {
public:
    static constexpr int kRandMax = 0x7FFF;

    // Seeded from the clock.
    CRandomSource();
    explicit CRandomSource(uint64_t seed);

    void Seed(uint64_t seed);

    // A value in 0..kRandMax, the range the printing algorithms were designed around.
    int Rand();
    // A full 32-bit value.
    uint32_t Next32();
    // A seed for a private generator of a worker that needs many values without locking.
    uint64_t NextSeed();

private:
    std::mutex m_mutex;
    std::mt19937_64 m_engine;  // guarded by m_mutex
};

// The process-wide source.
CRandomSource& GetRandomSource();

}  // namespace tavolux
