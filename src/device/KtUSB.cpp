// Command packets, pass operations and reply decoding of the printer's device object.
#include "device/KtUSB.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "config/PrinterConfig.h"
#include "device/DeviceDiagnostics.h"
#include "device/PrinterStatusBlock.h"
#include "device/Protocol.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {

int Positive(int value, int below, int replacement)
{
    return value < below ? replacement : value;
}

}  // namespace

CKtUSB::CKtUSB(const CPrinterConfig& config, std::unique_ptr<ITransport> transport)
    : CDeviceUSB(config, std::move(transport)),
      m_commandTimeout(config.params.CommandTimeout < 0 ? 10000 : config.params.CommandTimeout),
      m_dataTimeoutUnbidi(Positive(config.params.DataTimeoutUnbidi, 6000, 30000)),
      m_dataTimeoutBidi(Positive(config.params.DataTimeoutBidi, 3000, 30000))
{
}

bool CKtUSB::Send(const uint8_t* packet, int length)
{
    return WriteCommandBytes(packet, length, m_commandTimeout) == length;
}

bool CKtUSB::SendU8(uint8_t code, int32_t value)
{
    const uint8_t p[2] = {code, static_cast<uint8_t>(value)};
    return Send(p, 2);
}

bool CKtUSB::SendU16(uint8_t code, int32_t value)
{
    const uint8_t p[3] = {code, static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    return Send(p, 3);
}

bool CKtUSB::SendU24(uint8_t code, int32_t value)
{
    const uint8_t p[4] = {code, static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value >> 16)};
    return Send(p, 4);
}

uint8_t CKtUSB::CalibrationRequestByte() const
{
    const CPrinterConfig& c = Config();
    const int a = static_cast<int>(c.lists.SpeedDisplayList.size());
    const int b = static_cast<int>(c.lists.HoriPrintResolutionList.size());
    const int passes = static_cast<int>(c.lists.ToTalPassList.size());
    const int heads = c.params.GroupNo * c.params.ColorNo;
    return static_cast<uint8_t>(2 * (a * b * heads + passes));
}

int CKtUSB::SendStoreCalibration(uint8_t code)
{
    CalibrationBuilder builder;
    {
        std::lock_guard lock(m_jobMutex);
        builder = m_calibrationBuilder;
    }
    if (!builder) {
        DeviceDiagnostic(LoadResString(ids::kDiagNoCaliBlock));
        return -1;
    }
    std::array<uint8_t, kCalibrationBufferSize> block{};
    const int n = builder(block);
    if (n < 0 || n > kCalibrationBufferSize) {
        // The block does not fit: nothing is sent and the caller hears of the failure.
        return -1;
    }
    std::array<uint8_t, kCalibrationBufferSize + 2> packet{};
    packet[0] = code;
    packet[1] = static_cast<uint8_t>(n);
    std::copy_n(block.begin(), n, packet.begin() + 2);
    return Send(packet.data(), n + 2) ? 0 : -1;
}

int CKtUSB::SendCommand(int operation, int32_t argument)
{
    using wire::Packet;
    const wire::Operation* row = wire::FindOperation(operation);
    if (row == nullptr) {
        return 0;
    }
    if (row->argument == wire::Argument::Needed && argument == wire::op::kNoArgument) {
        return -1;
    }
    switch (row->packet) {
        case Packet::Code:
            return Send(&row->code, 1) ? 1 : -1;
        case Packet::U8:
            return SendU8(row->code, argument) ? 0 : -1;
        case Packet::U16:
            return SendU16(row->code, argument) ? 0 : -1;
        case Packet::U24:
            return SendU24(row->code, argument) ? 0 : -1;
        case Packet::StoreCalibration:
            return SendStoreCalibration(row->code);
        case Packet::RequestCalibration:
            return SendU8(row->code, CalibrationRequestByte()) ? 0 : -1;
        case Packet::Block:
            break;  // blocks carry data: SendBlock
    }
    return 0;
}

int CKtUSB::SendBlock(int operation, const uint8_t* data, int length)
{
    const wire::Operation* row = wire::FindOperation(operation);
    if (row == nullptr || row->packet != wire::Packet::Block) {
        return -1;
    }
    // A packet is at most 512 bytes; a longer block could not be one write.
    if (length < 0 || length > wire::kMaxPacket - 1 || (length > 0 && data == nullptr)) {
        DeviceDiagnostic(FormatResString(ids::kDiagBlockRefused, {std::to_string(length)}));
        return -1;
    }
    std::array<uint8_t, wire::kMaxPacket> packet{};
    packet[0] = row->code;
    std::copy_n(data, length, packet.begin() + 1);
    const int written = WriteCommandBytes(packet.data(), length + 1, m_commandTimeout);
    return written >= length + 1 ? written : -1;
}

int CKtUSB::SendJobSetup()
{
    using namespace wire;
    const JobParameters job = GetJobParameters();
    if (job.FireDivisor == 0) {
        DeviceDiagnostic(LoadResString(ids::kDiagFireDivisorZero));
        return -1;
    }
    const int32_t fire = (Config().params.RasterRes * 4) / job.FireDivisor;
    std::lock_guard lock(m_sequenceMutex);
    if (!SendU16(cmd::kFireDivisor, fire) || !SendU8(cmd::kFlashFrequency, job.FlashByte)) {
        return -1;
    }
    const uint8_t direction = job.Unidirectional == 1 ? cmd::kUnidirectional : cmd::kBidirectional;
    if (!Send(&direction, 1) || !SendU8(cmd::kJobByte88, job.JobByte88) ||
        !SendU8(cmd::kJobByte89, job.JobByte89)) {
        return -1;
    }
    return 1;
}

uint8_t CKtUSB::PassValueCode() const
{
    const CPrinterParams& p = Config().params;
    return p.IfPrintWhite == 1 && p.WhiteHeadPrintStyle == 1 ? wire::cmd::kPassControlE1
                                                             : wire::cmd::kPassOffset;
}

int CKtUSB::SendPassHeader(const PassDescriptor* pass)
{
    using namespace wire;
    const PassDescriptor d = pass ? *pass : CurrentPass();
    const int32_t unidirectional = GetJobParameters().Unidirectional;
    uint8_t direction = cmd::kPassForward;
    if (unidirectional == 0 && (d[PassDescriptor::kDirection] & 0xFF) == 0) {
        direction = cmd::kPassBackward;
    }
    std::lock_guard lock(m_sequenceMutex);
    if (!SendU16(cmd::kPassDataStart, d[PassDescriptor::kDataStart]) ||
        !SendU24(cmd::kPassWidth, d[PassDescriptor::kWidth]) ||
        !SendU24(direction, d[PassDescriptor::kTravel]) ||
        !SendU24(PassValueCode(), d[PassDescriptor::kFeedAfter])) {
        return -1;
    }
    return 1;
}

int CKtUSB::SendPassValue(int32_t value)
{
    if (value == -1) {
        value = CurrentPass()[PassDescriptor::kFeedBefore];
    }
    return SendU24(PassValueCode(), value) ? 4 : -1;
}

int CKtUSB::SendPassOffset(const PassDescriptor* pass)
{
    const PassDescriptor d = pass ? *pass : CurrentPass();
    return SendU24(wire::cmd::kPassOffset, d[PassDescriptor::kFeedBefore]) ? 4 : -1;
}

int CKtUSB::SendReturnMove(const PassDescriptor* pass)
{
    const PassDescriptor d = pass ? *pass : CurrentPass();
    return SendU24(wire::cmd::kPassBackward, d[PassDescriptor::kReturnMove]) ? 4 : -1;
}

int CKtUSB::SendData(const uint8_t* data, int length)
{
    if (data == nullptr || length <= 0) {
        return -1;
    }
    const int timeout =
        GetJobParameters().Unidirectional != 0 ? m_dataTimeoutUnbidi : m_dataTimeoutBidi;
    const int written = WriteDataBytes(data, length, timeout);
    return written >= length ? written : -1;
}

int CKtUSB::ReadReply(PrinterStatusBlock& block)
{
    if (CheckLink() != wire::kLinkUp || !ReplyEndpointInPlace()) {
        return wire::status::kLinkDown;
    }
    m_replyBuffer.fill(0);
    m_replyBuffer[0] = m_replyBuffer[1] = m_replyBuffer[2] = m_replyBuffer[3] = 0xFF;
    const int length =
        ReadReplyBytes(m_replyBuffer.data(), wire::kReplyBufferSize, wire::kReplyTimeoutMs);
    if (length <= 0) {
        return wire::status::kNothing;
    }
    std::function<void(const uint8_t*, int)> observer;
    {
        std::lock_guard lock(m_jobMutex);
        observer = m_replyObserver;
    }
    if (observer) {
        observer(m_replyBuffer.data(), length);
    }
    return DecodeReply(m_replyBuffer.data(), length, block);
}

namespace {

// The status block words a reply's value goes to, and how many of them.
struct ValueWords {
    int first = -1;
    int count = 0;
};

ValueWords WordsOf(uint8_t code)
{
    using B = PrinterStatusBlock;
    switch (code) {
        case wire::reply::kUvLamp:
            return {B::kUvLampState, 1};
        case wire::reply::kBeamState:
            return {B::kBeamState, 1};
        case wire::reply::kPosition:
            return {B::kPosition, 1};
        case wire::reply::kValueB1:
            return {B::kValueB1, 1};
        case wire::reply::kMediaEdge1:
            return {B::kMediaEdge1, 1};
        case wire::reply::kMediaEdge2:
            return {B::kMediaEdge2, 1};
        case wire::reply::kHeadReadings:
            return {B::kHeadReadings, B::kHeadReadingCount};
        case wire::reply::kHeadVoltages:
            return {B::kHeadVoltageReadings, B::kHeadVoltageCount};
        default:
            return {};
    }
}

// The readings fill their words exactly.
static_assert(wire::FindReply(wire::reply::kHeadReadings)->bytes ==
              PrinterStatusBlock::kHeadReadingCount);
static_assert(wire::FindReply(wire::reply::kHeadVoltages)->bytes ==
              PrinterStatusBlock::kHeadVoltageCount);

std::string CodeText(uint8_t code)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02x", static_cast<unsigned>(code));
    return text;
}

}  // namespace

int CKtUSB::DecodeReply(const uint8_t* r, int length, PrinterStatusBlock& block)
{
    using wire::ReplyValue;
    const wire::Reply* row = wire::FindReply(r[0]);
    if (row == nullptr) {
        DeviceDiagnostic(
            FormatResString(ids::kDiagUnknownReply, {CodeText(r[0]), std::to_string(length)}));
        return wire::status::kNothing;
    }
    const ValueWords words = WordsOf(row->code);
    // Value replies need their payload; a short one is garbled and stores nothing.
    const bool fixed = row->value == ReplyValue::Byte || row->value == ReplyValue::U24;
    if (fixed && length < row->bytes + 1) {
        DeviceDiagnostic(
            FormatResString(ids::kDiagReplyTooShort, {CodeText(r[0]), std::to_string(length)}));
        return wire::status::kNothing;
    }
    switch (row->value) {
        case ReplyValue::None:
            break;
        case ReplyValue::Byte:
            block.Set(words.first, r[1]);
            break;
        case ReplyValue::U24:
            block.Set(words.first, wire::U24(r + 1));
            break;
        case ReplyValue::Readings:
            // Every reading is cleared first: a short list leaves the missing ones at 0.
            for (int i = 0; i < words.count; ++i) {
                block.Set(words.first + i, 0);
            }
            if (length > row->bytes + 1) {
                DeviceDiagnostic(FormatResString(ids::kDiagReadingsTooLong,
                                                 {CodeText(r[0]), std::to_string(length)}));
                return wire::status::kNothing;
            }
            for (int i = 1; i < length; ++i) {
                block.Set(words.first + i - 1, r[i]);
            }
            break;
        case ReplyValue::Block: {
            CalibrationReceiver receiver;
            {
                std::lock_guard lock(m_jobMutex);
                receiver = m_calibrationReceiver;
            }
            if (receiver) {
                receiver(r + 1, length - 1);
            } else {
                DeviceDiagnostic(LoadResString(ids::kDiagCaliUnclaimed));
            }
            break;
        }
    }
    return row->status;
}

void CKtUSB::SetJobParameters(const JobParameters& job)
{
    std::lock_guard lock(m_jobMutex);
    m_job = job;
}

JobParameters CKtUSB::GetJobParameters() const
{
    std::lock_guard lock(m_jobMutex);
    return m_job;
}

void CKtUSB::SetCurrentPass(const PassDescriptor& pass)
{
    std::lock_guard lock(m_jobMutex);
    m_currentPass = pass;
}

PassDescriptor CKtUSB::CurrentPass() const
{
    std::lock_guard lock(m_jobMutex);
    return m_currentPass;
}

void CKtUSB::SetCalibrationBuilder(CalibrationBuilder builder)
{
    std::lock_guard lock(m_jobMutex);
    m_calibrationBuilder = std::move(builder);
}

void CKtUSB::SetReplyObserver(std::function<void(const uint8_t*, int)> observer)
{
    std::lock_guard lock(m_jobMutex);
    m_replyObserver = std::move(observer);
}

void CKtUSB::SetCalibrationReceiver(CalibrationReceiver receiver)
{
    std::lock_guard lock(m_jobMutex);
    m_calibrationReceiver = std::move(receiver);
}

}  // namespace tavolux
