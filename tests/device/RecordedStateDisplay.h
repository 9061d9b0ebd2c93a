// What the machine state last showed, kept as the display contract says: a new state text clears
// the notice. The device tests read it without the main window's state line above them.
#pragma once

#include <mutex>
#include <string>

#include "device/StateDisplay.h"

namespace tavolux::test {

class RecordedStateDisplay final : public IStateDisplay {
public:
    void SetState(const std::string& text) override
    {
        std::lock_guard lock(m_mutex);
        m_stateText = text;
        m_notice.clear();
    }
    void ShowNotice(const std::string& text) override
    {
        std::lock_guard lock(m_mutex);
        m_notice = text;
    }
    std::string StateText() const
    {
        std::lock_guard lock(m_mutex);
        return m_stateText;
    }
    std::string Notice() const
    {
        std::lock_guard lock(m_mutex);
        return m_notice;
    }

private:
    mutable std::mutex m_mutex;  // the poll thread shows states while a test reads them
    std::string m_stateText;
    std::string m_notice;
};

}  // namespace tavolux::test
