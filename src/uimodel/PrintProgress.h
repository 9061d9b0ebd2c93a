// The progress line of a print for people: the copy, a bar, the passes printed and the blank
// passes skipped, the remaining time. On a terminal it is redrawn in place; anywhere else (a log
// file, a pipe) it becomes one line per change of the pass counter. Its reports arrive on the
// job's threads; it writes the stream itself under its own mutex (no UI thread involved).
#pragma once

#include <iosfwd>
#include <mutex>
#include <string>

#include "job/JobRunner.h"

namespace tavolux {

class CPrintProgress : public IJobRunnerObserver {
public:
    // inPlace: out is a terminal, the line is redrawn with a carriage return.
    CPrintProgress(std::ostream& out, bool inPlace);

    void CopyStarted(const std::string& text) override;
    void PassSent(int sent, int total) override;
    void RemainingTime(const std::string& text) override;
    void Suspended(int line) override;
    // Ends the line drawn in place; nothing to do for a log.
    void Finish();

    // "00: 00: 07" as the task row shows it becomes "00:00:07".
    static std::string ClockText(const std::string& rowText);
    // The line as it would be drawn now, without the bar's carriage return.
    std::string Text() const;

private:
    std::string TextLocked() const;  // m_mutex held
    void Draw();                     // m_mutex held

    std::ostream& m_out;
    const bool m_inPlace;
    mutable std::mutex m_mutex;  // guards everything below and the stream
    std::string m_copy;
    std::string m_remaining;
    int m_printed = 0;  // passes of this copy handed to the printer
    int m_done = 0;     // the same with the blank passes skipped before them
    int m_total = 0;
    std::string m_lastLine;  // of a log: a line is written only when it changes
    size_t m_drawn = 0;      // characters of the line drawn in place
};

}  // namespace tavolux
