// Timers, waits and range-checked reads of the dialog models.
#include "uimodel/DialogModel.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

#include "device/VemoDeviceInterface.h"
#include "platform/AutoResetEvent.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "uimodel/UiDispatcher.h"

namespace tavolux {

namespace {

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The whole text (blanks around it aside) as a number; false when anything else is in it.
template <class T>
bool ParseWhole(std::string_view text, T& value)
{
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    T parsed{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    value = parsed;
    return true;
}

std::string NumberText(double value)
{
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

}  // namespace

CDialogModel::CDialogModel(IDialogControls& controls, CUiDispatcher& dispatcher, IClock& clock)
    : m_controls(controls), m_dispatcher(dispatcher), m_clock(clock)
{
}

CDialogModel::~CDialogModel()
{
    m_life.reset();
    StopWatcher();
}

void CDialogModel::Tick()
{
    const int64_t now = m_clock.NowMs();
    std::vector<std::pair<int64_t, TimerId>> due;
    for (const Timer& t : m_timers) {
        if (t.dueMs <= now) {
            due.emplace_back(t.dueMs, t.id);
        }
    }
    std::sort(due.begin(), due.end());
    for (const auto& [dueMs, id] : due) {
        // An earlier timer's work may have stopped this one.
        const auto it = std::find_if(m_timers.begin(), m_timers.end(),
                                     [id = id](const Timer& t) { return t.id == id; });
        if (it == m_timers.end()) {
            continue;
        }
        std::function<void()> fire = it->fire;
        if (it->repeat) {
            it->dueMs += it->periodMs;
            if (it->dueMs <= now) {
                it->dueMs = now + it->periodMs;
            }
        } else {
            m_timers.erase(it);
        }
        if (fire) {
            fire();
        }
    }
}

int64_t CDialogModel::NextDueMs() const
{
    int64_t next = -1;
    for (const Timer& t : m_timers) {
        if (next < 0 || t.dueMs < next) {
            next = t.dueMs;
        }
    }
    return next;
}

CDialogModel::TimerId CDialogModel::StartTimer(int periodMs, bool repeat,
                                               std::function<void()> fire)
{
    const TimerId id = m_nextTimer++;
    const int period = std::max(periodMs, 1);
    m_timers.push_back(Timer{id, m_clock.NowMs() + period, period, repeat, std::move(fire)});
    return id;
}

void CDialogModel::StopTimer(TimerId id)
{
    std::erase_if(m_timers, [id](const Timer& t) { return t.id == id; });
}

bool CDialogModel::BeginWait(AutoResetEvent& answer, int limitMs,
                             std::function<void(bool answered)> done)
{
    if (m_waiting) {
        return false;
    }
    StopWatcher();
    m_savedEnabled.clear();
    for (const int id : m_waitControls) {
        m_savedEnabled.emplace_back(id, m_controls.IsEnabled(id));
        m_controls.Enable(id, false);
    }
    m_waiting = true;
    const uint64_t generation = ++m_generation;
    m_done = std::move(done);
    m_stopWatch = std::make_shared<std::atomic<bool>>(false);

    const int64_t deadline = m_clock.NowMs() + std::max(limitMs, 0);
    // The watcher decides the one outcome (answer or limit) and hands it to the UI thread; it
    // looks at the stop flag and the clock between short waits, so stopping it takes at most
    // one slice.
    m_watcher = std::thread([this, &answer, deadline, generation, stop = m_stopWatch,
                             life = std::weak_ptr<int>(m_life)] {
        bool answered = false;
        for (;;) {
            if (stop->load()) {
                return;
            }
            if (answer.Wait(kWatchSliceMs)) {
                answered = true;
                break;
            }
            if (m_clock.NowMs() >= deadline) {
                break;
            }
        }
        m_dispatcher.Post([this, life, generation, answered] {
            if (life.lock()) {
                Complete(generation, answered);
            }
        });
    });
    return true;
}

bool CDialogModel::BeginQuery(CVemoDeviceInterface& device, int operation, int32_t argument,
                              AutoResetEvent& answer, int limitMs,
                              std::function<void(bool answered)> done)
{
    if (m_waiting) {
        return false;
    }
    answer.Reset();
    if (device.SendCommand(operation, argument) < 0) {
        return false;
    }
    return BeginWait(answer, limitMs, std::move(done));
}

void CDialogModel::CancelWait()
{
    if (!m_waiting) {
        return;
    }
    m_waiting = false;
    ++m_generation;
    m_done = nullptr;
    StopWatcher();
    for (const auto& [id, enabled] : m_savedEnabled) {
        m_controls.Enable(id, enabled);
    }
}

void CDialogModel::Complete(uint64_t generation, bool answered)
{
    if (!m_waiting || generation != m_generation) {
        return;  // the wait was cancelled or replaced meanwhile
    }
    m_waiting = false;
    StopWatcher();
    for (const auto& [id, enabled] : m_savedEnabled) {
        m_controls.Enable(id, enabled);
    }
    const std::function<void(bool)> done = std::move(m_done);
    m_done = nullptr;
    if (done) {
        done(answered);
    }
}

void CDialogModel::StopWatcher()
{
    if (m_stopWatch) {
        m_stopWatch->store(true);
    }
    if (m_watcher.joinable()) {
        m_watcher.join();
    }
}

bool CDialogModel::ReadInt(int id, int least, int greatest, int& value)
{
    int parsed = 0;
    if (ParseWhole(m_controls.GetText(id), parsed) && parsed >= least && parsed <= greatest) {
        value = parsed;
        return true;
    }
    m_controls.ShowMessage(FormatResString(ids::kDialogWholeNumberRange,
                                           {std::to_string(least), std::to_string(greatest)}));
    m_controls.SetFocus(id);
    return false;
}

bool CDialogModel::ReadNumber(int id, double least, double greatest, double& value)
{
    double parsed = 0;
    if (ParseWhole(m_controls.GetText(id), parsed) && parsed >= least && parsed <= greatest) {
        value = parsed;
        return true;
    }
    m_controls.ShowMessage(
        FormatResString(ids::kDialogNumberRange, {NumberText(least), NumberText(greatest)}));
    m_controls.SetFocus(id);
    return false;
}

}  // namespace tavolux
