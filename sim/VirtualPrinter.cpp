// The virtual printer's command execution, reply queue, panel and faults.
#include "sim/VirtualPrinter.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <utility>

#include "device/Protocol.h"

namespace tavolux::sim {

namespace {

int32_t U24At(const uint8_t* p, int length)
{
    return length >= 4 ? wire::U24(p + 1) : 0;
}

std::vector<uint8_t> U24Reply(uint8_t code, int32_t value)
{
    return {code, static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16)};
}

}  // namespace

CVirtualPrinter::CVirtualPrinter(bool instant, IClock& clock)
    : m_instant(instant),
      m_clock(clock),
      m_endpoints(
          {{wire::kDataOut, 2}, {wire::kCommandOut, 2}, {wire::kReplyIn, 2}, {wire::kAuxIn, 2}})
{
    m_temps.fill(25);
}

void CVirtualPrinter::Queue(std::vector<uint8_t> bytes, int delayMs)
{
    const int64_t due = m_clock.NowMs() + delayMs;
    // Keep the queue in due order; replies due together keep their order.
    auto at = std::find_if(m_replies.begin(), m_replies.end(),
                           [&](const Reply& r) { return r.dueMs > due; });
    m_replies.insert(at, Reply{due, std::move(bytes)});
}

TransportError CVirtualPrinter::Write(uint8_t endpoint, const uint8_t* data, int length,
                                      int& transferred)
{
    std::lock_guard lock(m_mutex);
    transferred = 0;
    if (!m_plugged) {
        return TransportError::NoDevice;
    }
    if (m_mute) {
        return TransportError::Timeout;
    }
    if (length <= 0) {
        return TransportError::None;
    }
    if (m_shortWrites > 0) {
        // The printer took only part of the packet; a partial packet is not executed.
        --m_shortWrites;
        transferred = length / 2;
        return TransportError::None;
    }
    transferred = length;
    if (endpoint == wire::kDataOut) {
        m_raster += length;
        m_rasterWrites.push_back(length);
        m_rasterPending += length;
        if (m_sheet) {
            m_rasterBytes.insert(m_rasterBytes.end(), data, data + length);
        } else {
            // The bytes land in the printer's memory, as over the bus.
            m_received.assign(data, data + length);
        }
        if (m_passWaitsForRaster && TakePassRaster()) {
            m_passWaitsForRaster = false;
            MediaFeed(std::exchange(m_feedAfterRaster, 0));
            SchedulePassDone();
        }
        return TransportError::None;
    }
    if (endpoint != wire::kCommandOut) {
        transferred = 0;  // an endpoint it has no use for takes nothing
        return TransportError::Pipe;
    }
    if (length == 1 && data[0] == wire::cmd::kStatusRequest) {
        ++m_requests;
        ++m_requestsTotal;
        return TransportError::None;
    }
    m_commands.emplace_back(data, data + length);
    Execute(data, length);
    return TransportError::None;
}

TransportError CVirtualPrinter::Read(uint8_t endpoint, uint8_t* data, int length, int& transferred)
{
    std::lock_guard lock(m_mutex);
    transferred = 0;
    if (!m_plugged) {
        return TransportError::NoDevice;
    }
    if (endpoint != wire::kReplyIn) {
        return TransportError::Pipe;
    }
    if (m_mute || m_requests == 0 || length <= 0) {
        // The printer speaks only when asked.
        return TransportError::Timeout;
    }
    --m_requests;
    std::vector<uint8_t> bytes{wire::reply::kNothing};
    if (!m_replies.empty() && m_replies.front().dueMs <= m_clock.NowMs()) {
        bytes = std::move(m_replies.front().bytes);
        m_replies.pop_front();
    }
    if (m_garbleNext && bytes[0] != wire::reply::kNothing) {
        m_garbleNext = false;
        // A corrupted reply: a lone code turns into one nobody knows; a longer reply keeps
        // its code and loses its payload but for one junk byte.
        if (bytes.size() == 1) {
            bytes[0] ^= 0x5A;
        } else {
            bytes.resize(2);
            bytes[1] ^= 0x5A;
        }
    }
    TransportError result = TransportError::None;
    if (m_oversizeNext) {
        m_oversizeNext = false;
        bytes.resize(600, 0xEE);
    }
    if (static_cast<int>(bytes.size()) > length) {
        result = TransportError::Overflow;
    }
    transferred = std::min(length, static_cast<int>(bytes.size()));
    std::copy_n(bytes.begin(), transferred, data);
    return result;
}

void CVirtualPrinter::SchedulePassDone()
{
    ++m_passes;
    if (m_stallNext) {
        m_stallNext = false;
        m_passStalled = true;
        return;
    }
    Queue({wire::reply::kPassDone}, Delay(m_times.passMs));
}

void CVirtualPrinter::FinishPassHeader(int32_t feed)
{
    m_headerStep = 0;
    // The header's feed brings the media under the pass it heads; a printer set up to feed
    // after the pass moves it once the pass is printed instead.
    const bool feedAfter = m_sheet && m_sheet->Heads().feedAfterPass;
    if (!feedAfter) {
        MediaFeed(feed);
    }
    // A pass with travel prints the raster that came with it; it waits for the raster, and
    // feeds that arrive meanwhile move the media once it is printed.
    if (m_headerTravel != 0 && !TakePassRaster()) {
        m_passWaitsForRaster = true;
        if (feedAfter) {
            m_feedAfterRaster += feed;
        }
        return;
    }
    if (feedAfter) {
        MediaFeed(feed);
    }
    SchedulePassDone();
}

void CVirtualPrinter::MediaFeed(int64_t pulses)
{
    if (m_passWaitsForRaster) {
        m_feedAfterRaster += pulses;
    } else if (m_sheet) {
        m_sheet->Feed(pulses);
    }
}

void CVirtualPrinter::PrintOnSheet(int64_t bytes)
{
    if (!m_sheet) {
        return;
    }
    const size_t available = m_rasterBytes.size() - m_rasterRead;
    const size_t take = std::min(static_cast<size_t>(bytes), available);
    const PassHeader header{m_headerStart, m_headerWidth, m_headerTravel, m_headerForward};
    m_sheet->PrintPass(header, std::span<const uint8_t>(m_rasterBytes.data() + m_rasterRead, take));
    m_rasterRead += take;
    // Keep the buffer from growing: drop what was printed once it is most of the buffer.
    if (m_rasterRead > m_rasterBytes.size() / 2) {
        m_rasterBytes.erase(m_rasterBytes.begin(),
                            m_rasterBytes.begin() + static_cast<std::ptrdiff_t>(m_rasterRead));
        m_rasterRead = 0;
    }
}

void CVirtualPrinter::SaveSheet()
{
    if (!m_sheet || m_mediaOut.empty() || m_sheet->Passes() == 0) {
        return;
    }
    std::string error;
    if (!m_sheet->Write(m_mediaOut, error)) {
        // The printer has no screen: the reason goes where its operator looks.
        std::fprintf(stderr, "tavolux-vprinter: the sheet was not written: %s\n", error.c_str());
    }
}

bool CVirtualPrinter::TakePassRaster()
{
    // The raster of several passes may be waiting: the host sends ahead of the headers.
    if (m_columnBytes > 0) {
        const int64_t need = int64_t{m_headerWidth} * m_columnBytes;
        if (m_rasterPending < need) {
            return false;
        }
        m_rasterPending -= need;
        m_rasterWrites.clear();
        PrintOnSheet(need);
        return true;
    }
    if (m_rasterWrites.empty()) {
        return false;
    }
    m_rasterPending -= m_rasterWrites.front();
    m_rasterWrites.pop_front();
    return true;
}

void CVirtualPrinter::DropRaster()
{
    m_rasterWrites.clear();
    m_rasterPending = 0;
    m_passWaitsForRaster = false;
    m_feedAfterRaster = 0;
    m_rasterBytes.clear();
    m_rasterRead = 0;
}

void CVirtualPrinter::LoadMedia(const PrinterHeads& heads, int xDpi, int yDpi)
{
    std::lock_guard lock(m_mutex);
    m_sheet = std::make_unique<CMediaSheet>(heads);
    m_sheet->SetResolution(xDpi, yDpi);
    m_columnBytes = 2 * heads.ColumnWords();
    m_rasterBytes.clear();
    m_rasterRead = 0;
}

void CVirtualPrinter::SetMediaOut(std::filesystem::path dir)
{
    std::lock_guard lock(m_mutex);
    m_mediaOut = std::move(dir);
}

bool CVirtualPrinter::WriteMedia(const std::filesystem::path& dir, std::string& error) const
{
    std::lock_guard lock(m_mutex);
    if (!m_sheet) {
        error = "no media is loaded";
        return false;
    }
    const auto& to = dir.empty() ? m_mediaOut : dir;
    if (to.empty()) {
        error = "no folder for the sheet";
        return false;
    }
    return m_sheet->Write(to, error);
}

void CVirtualPrinter::NewSheet()
{
    std::lock_guard lock(m_mutex);
    if (m_sheet) {
        m_sheet->Clear();
    }
}

void CVirtualPrinter::FlushMedia()
{
    std::lock_guard lock(m_mutex);
    SaveSheet();
}

CMediaSheet CVirtualPrinter::Sheet() const
{
    std::lock_guard lock(m_mutex);
    return m_sheet ? *m_sheet : CMediaSheet(PrinterHeads{});
}

bool CVirtualPrinter::HasMedia() const
{
    std::lock_guard lock(m_mutex);
    return m_sheet != nullptr;
}

void CVirtualPrinter::SetColumnBytes(int bytes)
{
    std::lock_guard lock(m_mutex);
    m_columnBytes = std::max(bytes, 0);
}

std::vector<uint8_t> CVirtualPrinter::HeadReadingsReply()
{
    std::vector<uint8_t> r{wire::reply::kHeadReadings};
    for (size_t i = 0; i < m_temps.size(); ++i) {
        const int target = i < m_targets.size() && m_targets[i] > 0 ? m_targets[i] : 25;
        // Each reading moves towards its target, a few degrees per query (all the way at once
        // when time runs instantly).
        const int step = m_instant ? 255 : 3;
        if (m_temps[i] < target) {
            m_temps[i] = std::min(target, m_temps[i] + step);
        } else if (m_temps[i] > target) {
            m_temps[i] = std::max(target, m_temps[i] - step);
        }
        r.push_back(static_cast<uint8_t>(m_temps[i]));
    }
    return r;
}

std::vector<uint8_t> CVirtualPrinter::Answer(uint8_t replyCode)
{
    using namespace wire;
    switch (replyCode) {
        case reply::kPosition:
            return U24Reply(replyCode, m_position);
        case reply::kMediaEdge1:
            return U24Reply(replyCode, m_mediaLeft);
        case reply::kMediaEdge2:
            return U24Reply(replyCode, m_mediaRight);
        case reply::kValueB1:
            return U24Reply(replyCode, 0);
        case reply::kHeadReadings:
            return HeadReadingsReply();
        case reply::kHeadVoltages: {
            std::vector<uint8_t> r{replyCode};
            r.insert(r.end(), m_voltages.begin(), m_voltages.begin() + 16);
            return r;
        }
        case reply::kUvLamp:
            return {replyCode, m_lamp};
        case reply::kBeamState:
            return {replyCode, m_beam};
        case reply::kCalibrationBlock: {
            std::vector<uint8_t> r{replyCode};
            r.insert(r.end(), m_calibration.begin(), m_calibration.end());
            return r;
        }
        default:
            return {replyCode};
    }
}

int CVirtualPrinter::MechanicalMs(uint8_t replyCode, int32_t value) const
{
    using namespace wire;
    switch (replyCode) {
        case reply::kReady:
            return Delay(m_times.resetMs);
        case reply::kSync:
            return Delay(m_times.syncMs);
        case reply::kFeedDone:
            return Delay(m_times.feedBaseMs + value / m_times.feedPulsesPerMs);
        case reply::kCleanAck:
            return Delay(m_times.cleanMs);
        case reply::kFlashDone:
            return Delay(m_times.flashMs);
        case reply::kC7:
            return Delay(m_times.flashReturnMs);
        case reply::kMediaEdge1:
        case reply::kMediaEdge2:
            return Delay(m_times.measureMs);
        default:
            return 0;
    }
}

void CVirtualPrinter::Execute(const uint8_t* p, int length)
{
    using namespace wire;
    const uint8_t code = p[0];
    const int32_t value = U24At(p, length);
    // Pass header: data start, width, travel forward or backward, then the feed completes it.
    if (code == cmd::kPassDataStart) {
        m_headerStep = 1;
        m_headerStart = length >= 3 ? p[1] | (p[2] << 8) : 0;
        return;
    }
    if (m_headerStep == 1 && code == cmd::kPassWidth) {
        m_headerStep = 2;
        m_headerWidth = value;
        return;
    }
    if (m_headerStep == 2 && (code == cmd::kPassForward || code == cmd::kPassBackward)) {
        m_headerStep = 3;
        m_headerTravel = value;
        m_headerForward = code == cmd::kPassForward;
        return;
    }
    if (m_headerStep == 3 && (code == cmd::kPassOffset || code == cmd::kPassControlE1)) {
        FinishPassHeader(value);
        return;
    }
    m_headerStep = 0;
    if (code >= cmd::kSetHeadValue1 && code <= cmd::kSetHeadValue6 && length >= 2) {
        m_targets[static_cast<size_t>(code - cmd::kSetHeadValue1)] = p[1];
        return;
    }
    switch (code) {
        case cmd::kPassOffset:
            MediaFeed(value);
            break;
        case cmd::kPassControlE1: {
            // Where this byte is the pass feed it only ever moves the media on.
            const bool forward = m_sheet && m_sheet->Heads().feedCodeE1;
            MediaFeed(forward ? value : -int64_t{value});
            break;
        }
        case cmd::kFireDivisor:
            if (m_sheet && length >= 3) {
                m_sheet->SetFireDivisor(p[1] | (p[2] << 8));
            }
            break;
        case cmd::kEndJob:
            SaveSheet();
            break;
        case cmd::kReset:
            // A reset clears the printer's memory: the next job gets a new sheet.
            SaveSheet();
            if (m_sheet) {
                m_sheet->Clear();
            }
            m_replies.clear();
            DropRaster();
            m_passStalled = false;
            break;
        case cmd::kStopPrint:
        case cmd::kSyncRequest:
            // A stop drops the raster, and so does the sync a job starts with: raster left
            // over from a stopped job is not printed.
            DropRaster();
            break;
        case cmd::kFeedMedia:
            m_position += value;
            break;
        case cmd::kSetHeadVoltages:
            m_voltages.fill(0);
            std::copy_n(p + 1, std::min<int>(length - 1, 24), m_voltages.begin());
            break;
        case cmd::kSetHeadValue7:
        case cmd::kSetHeadValue8:
            if (length >= 2) {
                m_targets[code == cmd::kSetHeadValue7 ? 6 : 7] = p[1];
            }
            break;
        case cmd::kSetUvLamp:
            if (length >= 2) {
                m_lamp = p[1];
            }
            break;
        case cmd::kBeamUpStart:
            m_beamMoving = 1;
            break;
        case cmd::kBeamDownStart:
            m_beamMoving = -1;
            break;
        case cmd::kBeamStop:
            if (m_beamMoving != 0) {
                m_beam = m_beamMoving > 0 ? 255 : 0;
            }
            m_beamMoving = 0;
            break;
        case cmd::kBeamRaise:
            m_beam = 255;
            break;
        case cmd::kBeamLower:
            m_beam = 0;
            break;
        case cmd::kStoreCalibration:
            if (length >= 2) {
                const int n = std::min<int>(p[1], length - 2);
                m_calibration.assign(p + 2, p + 2 + n);
            }
            break;
        default:
            break;  // moves, flash, options, queries: nothing to change
    }
    // The answer the operation's row names, once the mechanics are done; measuring reports
    // the second edge right after the first.
    const Operation* row = FindCommand(code);
    if (row != nullptr && row->reply != reply::kNothing) {
        Queue(Answer(row->reply), MechanicalMs(row->reply, value));
        if (row->reply == reply::kMediaEdge1) {
            Queue(Answer(reply::kMediaEdge2), MechanicalMs(reply::kMediaEdge2, value));
        }
    }
}

std::vector<EndpointInfo> CVirtualPrinter::Endpoints() const
{
    std::lock_guard lock(m_mutex);
    return m_plugged ? m_endpoints : std::vector<EndpointInfo>{};
}

uint64_t CVirtualPrinter::Generation() const
{
    std::lock_guard lock(m_mutex);
    return m_generation;
}

bool CVirtualPrinter::Plugged() const
{
    std::lock_guard lock(m_mutex);
    return m_plugged;
}

void CVirtualPrinter::PressKey(uint8_t replyCode)
{
    std::lock_guard lock(m_mutex);
    Queue({replyCode}, 0);
}

void CVirtualPrinter::ReportReset()
{
    std::lock_guard lock(m_mutex);
    m_replies.clear();
    Queue({wire::reply::kPrinterReset}, 0);
}

void CVirtualPrinter::Unplug()
{
    std::lock_guard lock(m_mutex);
    m_plugged = false;
    m_replies.clear();
    DropRaster();
    m_requests = 0;
}

void CVirtualPrinter::Replug()
{
    std::lock_guard lock(m_mutex);
    if (!m_plugged) {
        m_plugged = true;
        ++m_generation;
    }
}

void CVirtualPrinter::SetMute(bool mute)
{
    std::lock_guard lock(m_mutex);
    m_mute = mute;
}

void CVirtualPrinter::StallNextPass()
{
    std::lock_guard lock(m_mutex);
    m_stallNext = true;
}

void CVirtualPrinter::GarbleNextReply()
{
    std::lock_guard lock(m_mutex);
    m_garbleNext = true;
}

void CVirtualPrinter::OversizeNextReply()
{
    std::lock_guard lock(m_mutex);
    m_oversizeNext = true;
}

void CVirtualPrinter::ShortenNextWrites(int count)
{
    std::lock_guard lock(m_mutex);
    m_shortWrites = count;
}

void CVirtualPrinter::QueueReply(std::vector<uint8_t> reply, int delayMs)
{
    std::lock_guard lock(m_mutex);
    if (!reply.empty()) {
        Queue(std::move(reply), delayMs);
    }
}

void CVirtualPrinter::SetEndpoints(std::vector<EndpointInfo> endpoints)
{
    std::lock_guard lock(m_mutex);
    m_endpoints = std::move(endpoints);
}

void CVirtualPrinter::SetMediaEdges(int32_t left, int32_t right)
{
    std::lock_guard lock(m_mutex);
    m_mediaLeft = left;
    m_mediaRight = right;
}

std::vector<std::vector<uint8_t>> CVirtualPrinter::Commands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

int CVirtualPrinter::LoneCommands(uint8_t code) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_commands.begin(), m_commands.end(), [&](const auto& p) {
        return p.size() == 1 && p[0] == code;
    }));
}

void CVirtualPrinter::ClearCommands()
{
    std::lock_guard lock(m_mutex);
    m_commands.clear();
}

int CVirtualPrinter::StatusRequests() const
{
    std::lock_guard lock(m_mutex);
    return m_requestsTotal;
}

int64_t CVirtualPrinter::RasterBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_raster;
}

int CVirtualPrinter::PassesDone() const
{
    std::lock_guard lock(m_mutex);
    return m_passes;
}

std::vector<uint8_t> CVirtualPrinter::CalibrationBlock() const
{
    std::lock_guard lock(m_mutex);
    return m_calibration;
}

std::array<int, 8> CVirtualPrinter::TargetTemperatures() const
{
    std::lock_guard lock(m_mutex);
    return m_targets;
}

int CVirtualPrinter::PendingReplies() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_replies.size());
}

std::string CVirtualPrinter::Describe() const
{
    std::lock_guard lock(m_mutex);
    std::ostringstream s;
    s << (m_plugged ? "plugged" : "unplugged") << (m_mute ? " mute" : "")
      << " requests=" << m_requestsTotal << " commands=" << m_commands.size()
      << " raster=" << m_raster << " passes=" << m_passes << " pending=" << m_replies.size()
      << " position=" << m_position << " lamp=" << int{m_lamp} << " beam=" << int{m_beam};
    return s.str();
}

std::string CVirtualPrinter::Control(const std::string& line)
{
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb == "key") {
        std::string key;
        in >> key;
        using namespace wire::reply;
        static const std::pair<const char*, uint8_t> keys[] = {
            {"pause", kKeyPause},  {"resume", kKeyResume}, {"cancel", kKeyCancel},
            {"up", kMoveUp},       {"down", kMoveDown},    {"left", kMoveLeft},
            {"right", kMoveRight}, {"stop", kMoveStop}};
        for (const auto& [name, code] : keys) {
            if (key == name) {
                PressKey(code);
                return "ok";
            }
        }
        return "error: unknown key \"" + key + "\"";
    }
    if (verb == "reply") {
        std::vector<uint8_t> bytes;
        std::string hex;
        while (in >> hex) {
            try {
                size_t used = 0;
                unsigned long v = std::stoul(hex, &used, 16);
                if (used != hex.size() || v > 0xFF) {
                    return "error: bad byte \"" + hex + "\"";
                }
                bytes.push_back(static_cast<uint8_t>(v));
            } catch (const std::exception&) {
                return "error: bad byte \"" + hex + "\"";
            }
        }
        if (bytes.empty()) {
            return "error: reply needs bytes";
        }
        QueueReply(std::move(bytes));
        return "ok";
    }
    if (verb == "sheet") {
        std::string what;
        in >> what;
        if (!HasMedia()) {
            return "error: no media is loaded (start the printer with --media-out DIR)";
        }
        if (what == "new") {
            NewSheet();
            return "ok";
        }
        if (what == "write") {
            std::string dir;
            std::getline(in >> std::ws, dir);
            std::string error;
            return WriteMedia(dir, error) ? "ok" : "error: " + error;
        }
        if (what == "status" || what.empty()) {
            // Read in place: a copy of a large sheet only to count it would be waste.
            std::lock_guard lock(m_mutex);
            std::ostringstream s;
            s << "passes=" << m_sheet->Passes() << " width=" << m_sheet->Width()
              << " height=" << m_sheet->Height() << " outside=" << m_sheet->OutsideDrops();
            return s.str();
        }
        return "error: sheet new|write [DIR]|status";
    }
    if (verb == "short") {
        int n = 1;
        in >> n;
        ShortenNextWrites(std::max(n, 1));
        return "ok";
    }
    if (verb == "reset") {
        ReportReset();
    } else if (verb == "unplug") {
        Unplug();
    } else if (verb == "replug") {
        Replug();
    } else if (verb == "mute") {
        SetMute(true);
    } else if (verb == "unmute") {
        SetMute(false);
    } else if (verb == "stall") {
        StallNextPass();
    } else if (verb == "garble") {
        GarbleNextReply();
    } else if (verb == "oversize") {
        OversizeNextReply();
    } else if (verb == "status") {
        return Describe();
    } else {
        return "error: unknown control \"" + verb + "\"";
    }
    return "ok";
}

}  // namespace tavolux::sim
