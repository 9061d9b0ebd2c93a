// The state line of the main window without the window: the state text, a one-second notice
// below it, and the caption. The GUI and the CLI observe it.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "device/StateDisplay.h"
#include "platform/Clock.h"

namespace tavolux {

class CStateLine final : public IStateDisplay {
public:
    static constexpr int kNoticeMs = 1000;

    explicit CStateLine(IClock& clock = GetClock());

    // The state text; clears the notice at once.
    void SetState(const std::string& text) override;
    // Shows a notice until kNoticeMs have passed on the clock (see Tick).
    void ShowNotice(const std::string& text) override;
    // Clears an expired notice; the window's timer (or the CLI loop) calls it.
    void Tick();

    std::string StateText() const;
    std::string Notice() const;
    std::string Caption() const;  // "current state"
    // When the notice expires on the clock; -1 when no notice is shown.
    int64_t NoticeDeadline() const;

    // Called after every change (state text, notice shown or cleared) on the thread that made
    // it: the machine state shows its texts from the poll thread and the job threads too, so a
    // view must expect it off the UI thread and hand the redraw over. No lock is held.
    void SetObserver(std::function<void()> observer);

private:
    void Changed();

    IClock& m_clock;
    mutable std::mutex m_mutex;  // guards the fields below; any thread may show a state
    std::string m_stateText;
    std::string m_notice;
    std::string m_caption;
    int64_t m_noticeDeadline = -1;
    std::function<void()> m_observer;
};

}  // namespace tavolux
