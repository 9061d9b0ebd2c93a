// The state line model.
#include "uimodel/StateLine.h"

#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

CStateLine::CStateLine(IClock& clock) : m_clock(clock), m_caption(LoadResString(ids::kStateCaption))
{
}

void CStateLine::SetState(const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_stateText = text;
        m_notice.clear();
        m_noticeDeadline = -1;
    }
    Changed();
}

void CStateLine::ShowNotice(const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_notice = text;
        m_noticeDeadline = m_clock.NowMs() + kNoticeMs;
    }
    Changed();
}

void CStateLine::Tick()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_noticeDeadline < 0 || m_clock.NowMs() < m_noticeDeadline) {
            return;
        }
        m_notice.clear();
        m_noticeDeadline = -1;
    }
    Changed();
}

std::string CStateLine::StateText() const
{
    std::lock_guard lock(m_mutex);
    return m_stateText;
}

std::string CStateLine::Notice() const
{
    std::lock_guard lock(m_mutex);
    return m_notice;
}

std::string CStateLine::Caption() const
{
    std::lock_guard lock(m_mutex);
    return m_caption;
}

int64_t CStateLine::NoticeDeadline() const
{
    std::lock_guard lock(m_mutex);
    return m_noticeDeadline;
}

void CStateLine::SetObserver(std::function<void()> observer)
{
    std::lock_guard lock(m_mutex);
    m_observer = std::move(observer);
}

void CStateLine::Changed()
{
    std::function<void()> observer;
    {
        std::lock_guard lock(m_mutex);
        observer = m_observer;
    }
    if (observer) {
        observer();
    }
}

}  // namespace tavolux
