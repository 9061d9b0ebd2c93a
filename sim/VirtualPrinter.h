// The virtual printer: the printer's side of the wire. It consumes command packets and raster as
// the printer would, answers each status request with its next due reply, and lets tests and
// operators press panel keys and inject faults.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/Transport.h"
#include "platform/Clock.h"
#include "sim/MediaSheet.h"

namespace tavolux::sim {

// How long the mechanics take when time runs at mechanical speed.
struct MechanicalTimes {
    int resetMs = 1500;    // reset until ready
    int feedBaseMs = 150;  // any media feed
    int feedPulsesPerMs = 200;
    int passMs = 400;  // one pass of the carriage
    int cleanMs = 1000;
    int flashMs = 300;
    int flashReturnMs = 800;  // the carriage back from the flash position: then idle
    int measureMs = 1500;
    int syncMs = 5;
};

class CVirtualPrinter {
public:
    // instant: every reply is due at once; otherwise replies wait for mechanical time on clock.
    explicit CVirtualPrinter(bool instant = true, IClock& clock = GetClock());

    // The wire. Write and Read never block: a printer that does not answer reports a time-out.
    TransportError Write(uint8_t endpoint, const uint8_t* data, int length, int& transferred);
    TransportError Read(uint8_t endpoint, uint8_t* data, int length, int& transferred);
    std::vector<EndpointInfo> Endpoints() const;
    // Each plug-in starts a new generation; handles of an older one are dead.
    uint64_t Generation() const;
    bool Plugged() const;

    // Panel and faults.
    void PressKey(uint8_t replyCode);  // the reply code of a panel key or a jog
    void ReportReset();                // the printer restarted by itself: reply PrinterReset
    void Unplug();
    void Replug();
    void SetMute(bool mute);            // accepts nothing, answers nothing
    void StallNextPass();               // the next pass never reports done
    void GarbleNextReply();             // the next reply arrives corrupted
    void OversizeNextReply();           // the next reply is longer than any read buffer
    void ShortenNextWrites(int count);  // the next writes move only half their bytes
    void QueueReply(std::vector<uint8_t> reply, int delayMs = 0);
    void SetEndpoints(std::vector<EndpointInfo> endpoints);
    void SetMediaEdges(int32_t left, int32_t right);
    // Raster bytes per carriage column of a pass (from the head arrangement); 0: each data
    // write is taken as one pass's raster.
    void SetColumnBytes(int bytes);

    // Media: with heads loaded, every pass is decoded onto a sheet (and the raster bytes per
    // column follow from the heads). xDpi/yDpi fix the sheet's resolution; 0 takes the job's
    // horizontal resolution from its set-up and the nozzle pitch vertically.
    void LoadMedia(const PrinterHeads& heads, int xDpi = 0, int yDpi = 0);
    // With a folder, the sheet is written there at the end of each job and before a reset
    // starts a new sheet.
    void SetMediaOut(std::filesystem::path dir);
    // Writes the sheet to dir (the media-out folder when empty); false with a reason.
    bool WriteMedia(const std::filesystem::path& dir, std::string& error) const;
    void NewSheet();
    // Writes the sheet to the media-out folder when one is set and something was printed.
    void FlushMedia();
    // A copy of the sheet; an empty sheet when no media is loaded.
    CMediaSheet Sheet() const;
    bool HasMedia() const;
    // Runs one control line ("key pause", "unplug", "reply c1 10 27 00", ...); returns "ok",
    // a status text, or "error: ..." for a line it does not understand.
    std::string Control(const std::string& line);

    // What the printer saw and holds.
    std::vector<std::vector<uint8_t>> Commands()
        const;  // command packets, status requests left out
    // How many packets of that command byte alone the printer took (a jog, a reset, a stop).
    int LoneCommands(uint8_t code) const;
    void ClearCommands();
    int StatusRequests() const;
    int64_t RasterBytes() const;
    int PassesDone() const;
    std::vector<uint8_t> CalibrationBlock() const;
    std::array<int, 8> TargetTemperatures() const;
    int PendingReplies() const;
    std::string Describe() const;

private:
    struct Reply {
        int64_t dueMs;
        std::vector<uint8_t> bytes;
    };
    void Queue(std::vector<uint8_t> bytes, int delayMs);  // caller holds m_mutex
    void Execute(const uint8_t* p, int length);           // caller holds m_mutex
    void FinishPassHeader(int32_t feed);                  // caller holds m_mutex
    void MediaFeed(int64_t pulses);                       // caller holds m_mutex
    void PrintOnSheet(int64_t bytes);                     // caller holds m_mutex
    void SaveSheet();                                     // caller holds m_mutex
    void SchedulePassDone();                              // caller holds m_mutex
    bool TakePassRaster();                                // caller holds m_mutex
    void DropRaster();                                    // caller holds m_mutex
    int Delay(int ms) const { return m_instant ? 0 : ms; }
    std::vector<uint8_t> HeadReadingsReply();  // caller holds m_mutex
    // A reply with the values the printer holds now; caller holds m_mutex.
    std::vector<uint8_t> Answer(uint8_t replyCode);
    // How long the mechanics take before a reply is due (value: the command's argument).
    int MechanicalMs(uint8_t replyCode, int32_t value) const;

    const bool m_instant;
    IClock& m_clock;
    mutable std::mutex m_mutex;  // guards everything below; the wire and the panel share it
    MechanicalTimes m_times;
    std::deque<Reply> m_replies;
    std::vector<std::vector<uint8_t>> m_commands;
    std::vector<EndpointInfo> m_endpoints;
    bool m_plugged = true;
    bool m_mute = false;
    uint64_t m_generation = 1;
    int m_requests = 0;  // status requests not yet answered
    int m_requestsTotal = 0;
    bool m_stallNext = false;
    bool m_garbleNext = false;
    bool m_oversizeNext = false;
    int m_shortWrites = 0;
    int64_t m_raster = 0;
    std::deque<int64_t> m_rasterWrites;  // data writes not yet printed
    int64_t m_rasterPending = 0;         // their bytes
    int m_columnBytes = 0;
    int32_t m_headerWidth = 0;
    int m_headerStep = 0;  // packets of the pass header seen so far
    int32_t m_headerTravel = 0;
    int32_t m_headerStart = 0;
    bool m_headerForward = true;
    int64_t m_feedAfterRaster = 0;  // feeds that wait for the pass waiting for its raster
    std::unique_ptr<CMediaSheet> m_sheet;
    std::vector<uint8_t> m_rasterBytes;  // raster kept for the sheet, from m_rasterRead on
    size_t m_rasterRead = 0;
    std::vector<uint8_t> m_received;  // the last data write, without media
    std::filesystem::path m_mediaOut;
    bool m_passWaitsForRaster = false;
    bool m_passStalled = false;
    int m_passes = 0;
    int32_t m_position = 0;
    int32_t m_mediaLeft = 1000;
    int32_t m_mediaRight = 21000;
    uint8_t m_lamp = 0;
    uint8_t m_beam = 254;
    int m_beamMoving = 0;  // +1 up, -1 down
    std::array<int, 8> m_targets{};
    std::array<int, 12> m_temps{};
    std::array<uint8_t, 24> m_voltages{};
    std::vector<uint8_t> m_calibration;
};

}  // namespace tavolux::sim
