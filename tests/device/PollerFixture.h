// The device fixture plus the machine state, what it shows on the state line, and the poll
// thread's logic with its pauses recorded instead of waited.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include "device/DeviceFixture.h"
#include "device/MachineState.h"
#include "device/ReplyEvents.h"
#include "device/RecordedStateDisplay.h"
#include "device/StatusPoller.h"

namespace tavolux::test {

// How long a test waits for something that must happen: long enough for a loaded machine
// running the sanitizer builds; a passing wait returns as soon as it is released.
inline constexpr int kGenerousMs = 10000;

class PollerFixture : public DeviceFixture {
protected:
    PollerFixture()
    {
        cfg.Set("P", "OutputInterface", "UV_USB");
        cfg.Set("P", "Intercommunication", "1");
        cfg.Set("P", "FlashFrequency", "20");
        cfg.Set("L", "Temperature", "30&31&32&33&34&35&36");
    }

    // Connects the device and builds the machine state and the poller around it.
    void Build(bool open = true)
    {
        Connect(open);
        machine = std::make_unique<CMachineState>(&line);
        machine->BuildGate(cfg.config.params.Intercommunication);
        poller = std::make_unique<CStatusPoller>(*device, *machine, cfg.config, block, events);
        poller->SetWaitFunction([this](int ms) {
            std::lock_guard lock(m_pauseMutex);
            m_pauses.push_back(ms);
        });
    }

    // One reply from the printer, read and acted on as the poll thread does.
    bool Deliver(std::vector<uint8_t> reply)
    {
        printer->QueueReply(std::move(reply));
        return poller->PollOnce();
    }

    std::vector<int> Pauses()
    {
        std::lock_guard lock(m_pauseMutex);
        return m_pauses;
    }

    // Waits (bounded) for a condition the poll thread brings about.
    template <class F>
    static bool Eventually(F condition)
    {
        // Measured on the wall clock: a loaded sanitizer build may sleep far longer than asked.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kGenerousMs);
        while (std::chrono::steady_clock::now() < deadline) {
            if (condition()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return condition();
    }

    RecordedStateDisplay line;
    PrinterStatusBlock block;
    ReplyEvents events;
    std::unique_ptr<CMachineState> machine;
    std::unique_ptr<CStatusPoller> poller;

private:
    std::mutex m_pauseMutex;
    std::vector<int> m_pauses;
};

}  // namespace tavolux::test
