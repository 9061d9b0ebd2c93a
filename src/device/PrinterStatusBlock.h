// The values the printer's replies carry: 35 words written by the reply reader only and read
// by the threads that waited for a reply event.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace tavolux {

struct PrinterStatusBlock {
    static constexpr int kWords = 35;
    static constexpr int kMediaEdge1 = 1;
    static constexpr int kMediaEdge2 = 2;
    static constexpr int kPosition = 3;
    static constexpr int kValueB1 = 4;
    static constexpr int kUvLampState = 5;
    static constexpr int kBeamState = 6;
    static constexpr int kHeadReadings = 7;  // 12 words
    static constexpr int kHeadReadingCount = 12;
    static constexpr int kHeadVoltageReadings = 19;  // 16 words
    static constexpr int kHeadVoltageCount = 16;

    // Atomic words: the poll thread writes while dialogs and print threads read.
    std::array<std::atomic<int32_t>, kWords> words{};

    int32_t Get(int i) const { return words[static_cast<size_t>(i)].load(); }
    void Set(int i, int32_t v) { words[static_cast<size_t>(i)].store(v); }
    int32_t MediaEdge1() const { return Get(kMediaEdge1); }
    int32_t MediaEdge2() const { return Get(kMediaEdge2); }
    int32_t Position() const { return Get(kPosition); }
    int32_t ValueB1() const { return Get(kValueB1); }
    int32_t UvLampState() const { return Get(kUvLampState); }
    int32_t BeamState() const { return Get(kBeamState); }
    int32_t HeadReading(int i) const { return Get(kHeadReadings + i); }
    int32_t HeadVoltageReading(int i) const { return Get(kHeadVoltageReadings + i); }
    void Clear()
    {
        for (auto& w : words) {
            w.store(0);
        }
    }
};

// The process-wide block that the poll thread fills.
PrinterStatusBlock& GetPrinterStatusBlock();

}  // namespace tavolux
