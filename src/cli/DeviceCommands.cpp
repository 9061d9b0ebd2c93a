// The printer commands of the command-line tool: monitor, send, log decode.
#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <functional>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <thread>

#include "cli/PrinterConnection.h"
#include "device/CommandLogDecoder.h"
#include "device/Protocol.h"
#include "device/KtUSB.h"
#include "device/RecordingTransport.h"
#include "device/MachineState.h"
#include "device/PrinterStatusBlock.h"
#include "device/ReplyEvents.h"
#include "platform/Clock.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "uimodel/PrinterSession.h"

namespace tavolux::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int /*signal*/)
{
    g_interrupted = true;
}

std::string HexBytes(const uint8_t* bytes, size_t length)
{
    std::string out;
    char b[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(b, sizeof b, "%02x", bytes[i]);
        out += (i ? " " : "") + std::string(b);
    }
    return out;
}

bool ParseInt(const std::string& text, long long& value)
{
    try {
        size_t used = 0;
        value = std::stoll(text, &used, 0);
        return used == text.size();
    } catch (const std::exception&) {
        return false;
    }
}

// The readings the printer reports on request, as lines for people; a line is printed when its
// text changes. Values are shown as the printer sends them.
std::string Readings(const PrinterStatusBlock& block, int first, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += (i ? " " : "") + std::to_string(block.Get(first + i));
    }
    return text;
}

struct ReadingLine {
    int textId;
    int status;  // the status code of the reply that carries the reading
    std::function<std::string(const PrinterStatusBlock&)> value;
};

const std::vector<ReadingLine>& ReadingLines()
{
    using B = PrinterStatusBlock;
    static const std::vector<ReadingLine> lines = {
        {ids::kCliHeadTemperatures, wire::status::kHeadReadings,
         [](const B& b) { return Readings(b, B::kHeadReadings, B::kHeadReadingCount); }},
        {ids::kCliLampState, wire::status::kUvLamp,
         [](const B& b) { return std::to_string(b.UvLampState()); }},
        {ids::kCliBeamState, wire::status::kBeamState,
         [](const B& b) { return std::to_string(b.BeamState()); }},
        {ids::kCliHeadVoltages, wire::status::kHeadVoltages,
         [](const B& b) { return Readings(b, B::kHeadVoltageReadings, B::kHeadVoltageCount); }},
    };
    return lines;
}

// The queries whose replies fill the readings, asked in turn while the printer is ready.
constexpr std::array kReadingQueries = {wire::op::kQueryHeadReadings, wire::op::kQueryUvLamp,
                                        wire::op::kQueryBeamState, wire::op::kQueryHeadVoltages};
constexpr int kReadingQueryMs = 500;  // each reading is fresh every two seconds

// The keys of the printer's panel, as state lines.
int PanelKeyText(int status)
{
    switch (status) {
        case wire::status::kKeyPause:
            return ids::kCliPanelPause;
        case wire::status::kKeyResume:
            return ids::kCliPanelResume;
        case wire::status::kKeyCancel:
            return ids::kCliPanelCancel;
        default:
            return 0;
    }
}

}  // namespace

std::vector<SendOperation> SendOperations()
{
    std::vector<SendOperation> list;
    for (const wire::Operation& row : wire::kOperations) {
        if (row.number != 0) {
            // A number that shares its command byte with an earlier row (the second head-value
            // set) goes by number only: the log names the byte after the first.
            const bool named = wire::FindCommand(row.code) == &row;
            list.push_back({row.number, named ? std::string(row.name) : std::string(),
                            row.packet == wire::Packet::Block});
        }
    }
    std::sort(list.begin(), list.end(),
              [](const SendOperation& a, const SendOperation& b) { return a.number < b.number; });
    return list;
}

bool ParseSendOperation(const std::string& text, int& operation)
{
    long long number = 0;
    const bool numeric = ParseInt(text, number);
    for (const SendOperation& op : SendOperations()) {
        if (numeric ? op.number == number : (!op.name.empty() && op.name == text)) {
            operation = op.number;
            return true;
        }
    }
    return false;
}

int RunMonitorCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    long long seconds = 0;  // 0: until interrupted
    COptionParser parser({OptionSpec{"--seconds", [&seconds](const std::string& value) {
                                         return ParseInt(value, seconds) && seconds >= 0;
                                     }}});
    if (const OptionError error = parser.Parse(args)) {
        // Every word that does not fit is shown as the word; a missing value as missing words.
        return UsageError(ctx, "monitor",
                          error.kind == OptionError::Kind::NoValue ? "" : error.Word());
    }
    PrinterConnection c;
    if (!MakePrinterConnection(ctx, c)) {
        return kExitUsage;
    }
    if (c.config->params.Intercommunication <= 0) {
        return Fail(ctx, kExitFailed, LoadResString(ids::kCliNoPolling));
    }
    std::mutex outMutex;
    auto print = [&](const std::string& text) {
        std::lock_guard lock(outMutex);
        *ctx.out << text << std::endl;
    };
    PrinterStatusBlock& block = GetPrinterStatusBlock();
    CPrinterSession session(*c.config, std::move(c.transport), block, GetReplyEvents());
    std::string lastNotice;
    CStateLine& line = session.StateLine();
    line.SetObserver([&] {
        const std::string notice = line.Notice();
        std::lock_guard lock(outMutex);  // also guards lastNotice: any thread shows notices
        if (!notice.empty() && notice != lastNotice) {
            *ctx.out << FormatResString(ids::kCliNoticeLine, {notice}) << std::endl;
        }
        lastNotice = notice;
    });
    std::atomic<int> lastState{-1};
    session.Machine().SetObserver([&](MachineState s) {
        if (lastState.exchange(static_cast<int>(s)) != static_cast<int>(s)) {
            print(FormatResString(ids::kCliStateLine,
                                  {std::to_string(static_cast<int>(s)),
                                   LoadResString(CMachineState::StatusTextId(s))}));
        }
    });
    session.Device().SetReplyObserver([&](const uint8_t* r, int n) {
        if (r[0] != 0) {
            print(FormatResString(ids::kCliReplyLine, {HexBytes(r, static_cast<size_t>(n))}));
        }
    });
    // Readings and panel keys arrive on the poll thread only, so lastReadings needs no lock.
    std::vector<std::string> lastReadings(ReadingLines().size());
    session.Poller().SetStatusObserver([&](int status) {
        if (const int text = PanelKeyText(status); text != 0) {
            print(LoadResString(text));
        }
        for (size_t i = 0; i < ReadingLines().size(); ++i) {
            const ReadingLine& r = ReadingLines()[i];
            if (r.status == status) {
                const std::string value = r.value(block);
                if (value != lastReadings[i]) {
                    lastReadings[i] = value;
                    print(FormatResString(r.textId, {value}));
                }
            }
        }
    });
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    const int64_t end = NowMs() + seconds * 1000;
    // The observers print through this frame's locals: they go before the frame does.
    auto detach = [&] {
        session.Shutdown();
        session.Poller().SetStatusObserver(nullptr);
        session.Device().SetReplyObserver(nullptr);
        line.SetObserver(nullptr);
        session.Machine().SetObserver(nullptr);
    };
    // Opened before polling starts, so an attached printer is reset at once instead of after
    // the reconnect routine's first two-second pause.
    if (!OpenPrinter(ctx, c, session.Device())) {
        detach();
        return kExitFailed;
    }
    session.StartPolling();
    size_t query = 0;
    int64_t nextQuery = NowMs();
    while (!g_interrupted && (seconds == 0 || NowMs() < end)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        line.Tick();
        // Readings are asked for only while the printer idles, never in the middle of a job.
        if (NowMs() >= nextQuery && session.Machine().Get() == MachineState::Ready) {
            session.Device().SendCommand(kReadingQueries[query], wire::op::kNoArgument);
            query = (query + 1) % kReadingQueries.size();
            nextQuery = NowMs() + kReadingQueryMs;
        }
    }
    detach();
    return kExitOk;
}

int RunSendCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    std::vector<std::string> words;
    std::string dataText;
    bool haveData = false;
    COptionParser parser({OptionSpec{"--data", [&](const std::string& value) {
                                         dataText += value + " ";
                                         haveData = true;
                                         return true;
                                     }}});
    // The operation and its argument may stand anywhere among the blocks of data.
    parser.Positional([&words](const std::string& word) {
        words.push_back(word);
        return true;
    });
    if (const OptionError error = parser.Parse(args)) {
        return Fail(ctx, kExitUsage, FormatResString(ids::kCliNeedsValue, {error.option}));
    }
    if (words.empty()) {
        return UsageError(ctx, "send", "");
    }
    int operation = 0;
    long long argument = -1;
    if (!ParseSendOperation(words[0], operation)) {
        return Fail(ctx, kExitUsage, FormatResString(ids::kCliNoOperation, {words[0]}));
    }
    if (words.size() > 2) {
        return UsageError(ctx, "send", words[2]);
    }
    if (words.size() == 2 && !ParseInt(words[1], argument)) {
        return UsageError(ctx, "send", words[1]);
    }
    std::vector<uint8_t> data;
    if (haveData) {
        // Hex bytes, separated by blanks or written together ("0a0b" or "0a 0b").
        std::string digits;
        for (char ch : dataText) {
            if (std::isxdigit(static_cast<unsigned char>(ch))) {
                digits += ch;
            } else if (ch != ' ' && ch != ',' && ch != ':') {
                return Fail(ctx, kExitUsage, LoadResString(ids::kCliDataNotHex));
            }
        }
        if (digits.size() % 2 != 0) {
            return Fail(ctx, kExitUsage, LoadResString(ids::kCliDataOddDigits));
        }
        for (size_t i = 0; i < digits.size(); i += 2) {
            data.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
        }
    }
    PrinterConnection c;
    if (!MakePrinterConnection(ctx, c)) {
        return kExitUsage;
    }
    auto recorded = std::make_unique<CRecordingTransport>(std::move(c.transport));
    CRecordingTransport& recorder = *recorded;
    CKtUSB device(*c.config, std::move(recorded));
    device.Open();
    recorder.Clear();  // only the operation's own packets
    const int result = haveData
                           ? device.SendBlock(operation, data.data(), static_cast<int>(data.size()))
                           : device.SendCommand(operation, static_cast<int32_t>(argument));
    std::string bytes;
    for (const auto& w : recorder.Writes()) {
        bytes += (bytes.empty() ? "" : " | ") + HexBytes(w.bytes.data(), w.bytes.size());
    }
    *ctx.out << "bytes: " << (bytes.empty() ? "-" : bytes) << "\n";
    *ctx.out << "result: " << result << "\n";
    device.Close();
    return result == -1 ? kExitFailed : kExitOk;
}

int RunLogCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (args.empty()) {
        return UsageError(ctx, "log", "");
    }
    if (args[0] != "decode") {
        return UsageError(ctx, "log", args[0]);
    }
    if (args.size() != 2) {
        return UsageError(ctx, "log", args.size() > 2 ? args[2] : "");
    }
    std::ifstream in(args[1], std::ios::binary);
    if (!in) {
        return Fail(ctx, kExitFailed, FormatResString(ids::kCliCannotRead, {args[1]}));
    }
    for (std::string text; std::getline(in, text);) {
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        if (!text.empty()) {
            *ctx.out << DecodeCommandLogLine(text) << "\n";
        }
    }
    return kExitOk;
}

}  // namespace tavolux::cli
