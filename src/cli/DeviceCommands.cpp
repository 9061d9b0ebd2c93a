// The printer commands of the command-line tool: monitor, send, log decode.
#include <atomic>
#include <csignal>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <thread>

#include "cli/PrinterConnection.h"
#include "device/CommandLogDecoder.h"
#include "device/KtUSB.h"
#include "device/RecordingTransport.h"
#include "device/MachineState.h"
#include "device/PrinterStatusBlock.h"
#include "device/ReplyEvents.h"
#include "platform/Clock.h"
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

}  // namespace

int RunMonitorCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    long long seconds = 0;  // 0: until interrupted
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--seconds" && i + 1 < args.size() && ParseInt(args[i + 1], seconds) &&
            seconds >= 0) {
            ++i;
        } else {
            return Fail(ctx, kExitUsage, "usage: monitor [--seconds N]");
        }
    }
    PrinterConnection c;
    if (!MakePrinterConnection(ctx, c)) {
        return kExitUsage;
    }
    if (c.config->params.Intercommunication <= 0) {
        return Fail(ctx, kExitFailed,
                    "Intercommunication is 0 in tavolux.ini: the program does not poll this "
                    "printer");
    }
    std::mutex outMutex;
    auto print = [&](const std::string& text) {
        std::lock_guard lock(outMutex);
        *ctx.out << text << std::endl;
    };
    CPrinterSession session(*c.config, std::move(c.transport), GetPrinterStatusBlock(),
                            GetReplyEvents());
    std::string lastNotice;
    CStateLine& line = session.StateLine();
    line.SetObserver([&] {
        const std::string notice = line.Notice();
        std::lock_guard lock(outMutex);  // also guards lastNotice: any thread shows notices
        if (!notice.empty() && notice != lastNotice) {
            *ctx.out << "notice: " << notice << std::endl;
        }
        lastNotice = notice;
    });
    std::atomic<int> lastState{-1};
    session.Machine().SetObserver([&](MachineState s) {
        if (lastState.exchange(static_cast<int>(s)) != static_cast<int>(s)) {
            print("state " + std::to_string(static_cast<int>(s)) + ": " +
                  LoadResString(CMachineState::StatusTextId(s)));
        }
    });
    session.Device().SetReplyObserver([&](const uint8_t* r, int n) {
        if (r[0] != 0) {
            print("reply: " + HexBytes(r, static_cast<size_t>(n)));
        }
    });
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    const int64_t end = NowMs() + seconds * 1000;
    // Opened before polling starts, so an attached printer is reset at once instead of after
    // the reconnect routine's first two-second pause.
    if (!OpenPrinter(ctx, c, session.Device())) {
        session.Shutdown();
        session.Device().SetReplyObserver(nullptr);
        line.SetObserver(nullptr);
        session.Machine().SetObserver(nullptr);
        return kExitFailed;
    }
    session.StartPolling();
    while (!g_interrupted && (seconds == 0 || NowMs() < end)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        line.Tick();
    }
    session.Shutdown();
    session.Device().SetReplyObserver(nullptr);
    line.SetObserver(nullptr);
    session.Machine().SetObserver(nullptr);
    return kExitOk;
}

int RunSendCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    const char* usage = "usage: send OPERATION [ARG] [--data HEX]";
    std::vector<std::string> words;
    std::string dataText;
    bool haveData = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--data" && i + 1 < args.size()) {
            dataText += args[++i] + " ";
            haveData = true;
        } else {
            words.push_back(args[i]);
        }
    }
    long long operation = 0;
    long long argument = -1;
    if (words.empty() || words.size() > 2 || !ParseInt(words[0], operation) ||
        (words.size() == 2 && !ParseInt(words[1], argument))) {
        return Fail(ctx, kExitUsage, usage);
    }
    std::vector<uint8_t> data;
    if (haveData) {
        // Hex bytes, separated by blanks or written together ("0a0b" or "0a 0b").
        std::string digits;
        for (char ch : dataText) {
            if (std::isxdigit(static_cast<unsigned char>(ch))) {
                digits += ch;
            } else if (ch != ' ' && ch != ',' && ch != ':') {
                return Fail(ctx, kExitUsage, "--data takes hex bytes");
            }
        }
        if (digits.size() % 2 != 0) {
            return Fail(ctx, kExitUsage, "--data needs two hex digits per byte");
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
    const int result =
        haveData ? device.SendBlock(static_cast<int>(operation), data.data(),
                                    static_cast<int>(data.size()))
                 : device.SendCommand(static_cast<int>(operation), static_cast<int32_t>(argument));
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
    if (args.size() != 2 || args[0] != "decode") {
        return Fail(ctx, kExitUsage, "usage: log decode FILE");
    }
    std::ifstream in(args[1], std::ios::binary);
    if (!in) {
        return Fail(ctx, kExitFailed, "cannot read " + args[1]);
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
