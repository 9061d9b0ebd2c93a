// The progress line of a print, in place on a terminal, line by line in a log.
#include "uimodel/PrintProgress.h"

#include <algorithm>
#include <ostream>

#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

CPrintProgress::CPrintProgress(std::ostream& out, bool inPlace) : m_out(out), m_inPlace(inPlace) {}

std::string CPrintProgress::ClockText(const std::string& rowText)
{
    std::string text;
    std::copy_if(rowText.begin(), rowText.end(), std::back_inserter(text),
                 [](char c) { return c != ' '; });
    return text;
}

void CPrintProgress::CopyStarted(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    m_copy = text;
    m_printed = 0;
    m_done = 0;
    m_total = 0;
    m_remaining.clear();
    if (m_inPlace) {
        Draw();
    }
}

void CPrintProgress::PassSent(int sent, int total)
{
    std::lock_guard lock(m_mutex);
    // Each report is one pass handed to the printer; the count the job gives includes the
    // blank passes skipped before it.
    ++m_printed;
    m_done = std::max(sent, m_printed);
    m_total = total;
    Draw();
}

void CPrintProgress::RemainingTime(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    m_remaining = ClockText(text);
}

void CPrintProgress::Suspended(int line)
{
    std::lock_guard lock(m_mutex);
    if (m_inPlace && m_drawn > 0) {
        m_out << "\n";
        m_drawn = 0;
    }
    m_out << LoadResString(ids::kTaskSuspended) << " (" << line << ")" << std::endl;
}

void CPrintProgress::Finish()
{
    std::lock_guard lock(m_mutex);
    if (m_inPlace && m_drawn > 0) {
        m_out << std::endl;
        m_drawn = 0;
    }
}

std::string CPrintProgress::Text() const
{
    std::lock_guard lock(m_mutex);
    return TextLocked();
}

std::string CPrintProgress::TextLocked() const
{
    constexpr int kBar = 30;
    const int filled = m_total > 0 ? std::min(m_done, m_total) * kBar / m_total : 0;
    std::string text = m_copy;
    text.append(" [")
        .append(static_cast<size_t>(filled), '#')
        .append(static_cast<size_t>(kBar - filled), '.')
        .append("] ");
    text += FormatResString(
        ids::kProgressPass,
        {std::to_string(m_printed), m_total > 0 ? std::to_string(m_total) : std::string("?")});
    if (const int skipped = m_done - m_printed; skipped > 0) {
        text += ", " + FormatResString(ids::kProgressSkipped, {std::to_string(skipped)});
    }
    if (!m_remaining.empty()) {
        text += ", " + FormatResString(ids::kProgressRemaining, {m_remaining});
    }
    return text;
}

void CPrintProgress::Draw()
{
    const std::string text = TextLocked();
    if (!m_inPlace) {
        if (text != m_lastLine) {
            m_out << text << "\n" << std::flush;
            m_lastLine = text;
        }
        return;
    }
    // Spaces wipe what a longer line left behind.
    m_out << "\r" << text << std::string(m_drawn > text.size() ? m_drawn - text.size() : 0, ' ')
          << std::flush;
    m_drawn = text.size();
}

}  // namespace tavolux
