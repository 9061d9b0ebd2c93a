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

// The one-byte commands among operations 3000 to 3063; 0 where the operation has none.
uint8_t OneByteCode(int operation)
{
    using namespace wire;
    if (operation >= op::kReset && operation <= op::kStopMove) {
        return static_cast<uint8_t>(cmd::kReset + (operation - op::kReset));
    }
    if (operation >= op::kPurgeA1 && operation <= op::kPurgeB6) {
        return static_cast<uint8_t>(cmd::kPurgeA1 + (operation - op::kPurgeA1));
    }
    if (operation >= op::kBeamUpStart && operation <= op::kQueryBeamState) {
        return static_cast<uint8_t>(cmd::kBeamUpStart + (operation - op::kBeamUpStart));
    }
    switch (operation) {
        case op::kStartFlash:
            return cmd::kStartFlash;
        case op::kStartCleaning:
            return cmd::kStartCleaning;
        case op::kEndPurge:
            return cmd::kEndPurge;
        case op::kQueryPosition:
            return cmd::kQueryPosition;
        case op::kBeginJob:
            return cmd::kBeginJob;
        case op::kResumePrint:
            return cmd::kResumePrint;
        case op::kEndFlash:
            return cmd::kEndFlash;
        case op::kSyncRequest:
            return cmd::kSyncRequest;
        case op::kMeasureMedia:
            return cmd::kMeasureMedia;
        case op::kQueryB1:
            return cmd::kQueryB1;
        case op::kQueryB3:
            return cmd::kQueryB3;
        case op::kInPrintFlash:
            return cmd::kInPrintFlash;
        case op::kQueryHeadReadings:
            return cmd::kQueryHeadReadings;
        case op::kEndJob:
            return cmd::kEndJob;
        case op::kPassForward:
            return cmd::kPassForward;
        case op::kPassBackward:
            return cmd::kPassBackward;
        case op::kQueryHeadVoltages:
            return cmd::kQueryHeadVoltages;
        default:
            return 0;
    }
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

int CKtUSB::SendStoreCalibration()
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
    packet[0] = wire::cmd::kStoreCalibration;
    packet[1] = static_cast<uint8_t>(n);
    std::copy_n(block.begin(), n, packet.begin() + 2);
    return Send(packet.data(), n + 2) ? 0 : -1;
}

int CKtUSB::SendCommand(int operation, int32_t argument)
{
    using namespace wire;
    const bool none = argument == op::kNoArgument;

    if (operation == op::kPassControlE1) {
        if (none) {
            return -1;
        }
        return SendU24(cmd::kPassControlE1, argument) ? 0 : -1;
    }
    // Single-byte-argument groups that refuse -1.
    if (operation == op::kSetPrintOptionA || operation == op::kSetPrintOptionB) {
        if (none) {
            return -1;
        }
        return SendU8(operation == op::kSetPrintOptionA ? cmd::kPrintOptionA : cmd::kPrintOptionB,
                      argument)
                   ? 0
                   : -1;
    }
    if (operation >= op::kSetHeadValue1 && operation <= op::kSetHeadValue6) {
        if (none) {
            return -1;
        }
        return SendU8(static_cast<uint8_t>(cmd::kHeadValue1 + (operation - op::kSetHeadValue1)),
                      argument)
                   ? 0
                   : -1;
    }
    if (operation >= op::kSetHeadValue2nd1 && operation <= op::kSetHeadValue8) {
        if (none) {
            return -1;
        }
        uint8_t code =
            operation == op::kSetHeadValue7 ? cmd::kHeadValue7
            : operation == op::kSetHeadValue8
                ? cmd::kHeadValue8
                : static_cast<uint8_t>(cmd::kHeadValue1 + (operation - op::kSetHeadValue2nd1));
        return SendU8(code, argument) ? 0 : -1;
    }
    switch (operation) {
        case op::kFeedMedia:
            return none ? -1 : (SendU24(cmd::kFeedMedia, argument) ? 0 : -1);
        case op::kValueAE:
            return none ? -1 : (SendU24(cmd::kValueAE, argument) ? 0 : -1);
        case op::kStoreCalibration:
            return SendStoreCalibration();
        case op::kRequestCalibration:
            return SendU8(cmd::kRequestCalibration, CalibrationRequestByte()) ? 0 : -1;
        case op::kSetPassOffset:
            return SendU24(cmd::kPassOffset, argument) ? 0 : -1;
        case op::kSetFlashFrequency:
            return SendU8(cmd::kFlashFrequency, argument) ? 0 : -1;
        case op::kSetUvLamp:
            return none ? -1 : (SendU8(cmd::kSetUvLamp, argument) ? 0 : -1);
        case op::kSetPulseWidth:
            return none ? -1 : (SendU8(cmd::kPulseWidth, argument) ? 0 : -1);
        case op::kSetSlantParameter:
            return none ? -1 : (SendU24(cmd::kSlantParameter, argument) ? 0 : -1);
        case op::kSetBeamHeight:
            return none ? -1 : (SendU24(cmd::kBeamHeight, argument) ? 0 : -1);
        case op::kQueryUvLamp: {
            const uint8_t code = cmd::kQueryUvLamp;
            return Send(&code, 1) ? 1 : -1;
        }
        default:
            break;
    }
    if (operation > op::kQueryUvLamp) {
        return 0;
    }
    const uint8_t code =
        operation >= op::kReset && operation <= op::kQueryHeadVoltages ? OneByteCode(operation) : 0;
    if (code == 0) {
        return 0;
    }
    return Send(&code, 1) ? 1 : -1;
}

int CKtUSB::SendBlock(int operation, const uint8_t* data, int length)
{
    using namespace wire;
    uint8_t code = 0;
    switch (operation) {
        case op::kBlock5C:
            code = cmd::kBlock5C;
            break;
        case op::kBlock5D:
            code = cmd::kBlock5D;
            break;
        case op::kSetHeadVoltages:
            code = cmd::kHeadVoltages;
            break;
        default:
            return -1;
    }
    // A packet is at most 512 bytes; a longer block could not be one write.
    if (length < 0 || length > kMaxPacket - 1 || (length > 0 && data == nullptr)) {
        DeviceDiagnostic(FormatResString(ids::kDiagBlockRefused, {std::to_string(length)}));
        return -1;
    }
    std::array<uint8_t, kMaxPacket> packet{};
    packet[0] = code;
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

int CKtUSB::DecodeReply(const uint8_t* r, int length, PrinterStatusBlock& block)
{
    using namespace wire;
    // Value replies need their payload; a short one is garbled and stores nothing.
    auto need = [&](int bytes) {
        if (length >= bytes) {
            return true;
        }
        char text[96];
        std::snprintf(text, sizeof text, "%02x", static_cast<unsigned>(r[0]));
        DeviceDiagnostic(FormatResString(ids::kDiagReplyTooShort, {text, std::to_string(length)}));
        return false;
    };
    auto u24 = [&](int word, int status) {
        if (!need(4)) {
            return static_cast<int>(status::kNothing);
        }
        block.Set(word, U24(r + 1));
        return status;
    };
    switch (r[0]) {
        case reply::kNothing:
            return status::kNothing;
        case reply::k5F:
            return status::k5F;
        case reply::kUvLamp:
            if (!need(2)) {
                return status::kNothing;
            }
            block.Set(PrinterStatusBlock::kUvLampState, r[1]);
            return status::kUvLamp;
        case reply::kBeamState:
            if (!need(2)) {
                return status::kNothing;
            }
            block.Set(PrinterStatusBlock::kBeamState, r[1]);
            return status::kBeamState;
        case reply::kPrinterReset:
            return status::kPrinterReset;
        case reply::kKeyPause:
            return status::kKeyPause;
        case reply::kKeyResume:
            return status::kKeyResume;
        case reply::kMoveUp:
        case reply::kMoveDown:
        case reply::kMoveLeft:
        case reply::kMoveRight:
        case reply::kMoveStop:
            return status::kMoveUp + (r[0] - reply::kMoveUp);
        case reply::kPosition:
            return u24(PrinterStatusBlock::kPosition, status::kPosition);
        case reply::kKeyCancel:
            return status::kKeyCancel;
        case reply::kSync:
            return status::kSync;
        case reply::kValueB1:
            return u24(PrinterStatusBlock::kValueB1, status::kValueB1);
        case reply::kCalibrationBlock: {
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
            return status::kCalibrationBlock;
        }
        case reply::kB3:
            return status::kB3;
        case reply::kReady:
            return status::kReady;
        case reply::kMediaEdge1:
            return u24(PrinterStatusBlock::kMediaEdge1, status::kMediaEdge1);
        case reply::kMediaEdge2:
            return u24(PrinterStatusBlock::kMediaEdge2, status::kMediaEdge2);
        case reply::kC7:
            return status::kC7;
        case reply::kC8:
            return status::kC8;
        case reply::kFlashDone:
            return status::kFlashDone;
        case reply::kCleanAck:
            return status::kCleanAck;
        case reply::kCB:
            return status::kCB;
        case reply::kFeedDone:
            return status::kFeedDone;
        case reply::kHeadReadings:
        case reply::kHeadVoltages: {
            const bool temps = r[0] == reply::kHeadReadings;
            const int first = temps ? PrinterStatusBlock::kHeadReadings
                                    : PrinterStatusBlock::kHeadVoltageReadings;
            const int count = temps ? PrinterStatusBlock::kHeadReadingCount
                                    : PrinterStatusBlock::kHeadVoltageCount;
            for (int i = 0; i < count; ++i) {
                block.Set(first + i, 0);
            }
            if (length > count + 1) {
                DeviceDiagnostic(FormatResString(ids::kDiagReadingsTooLong,
                                                 {temps ? "e0" : "f1", std::to_string(length)}));
                return status::kNothing;
            }
            for (int i = 1; i < length; ++i) {
                block.Set(first + i - 1, r[i]);
            }
            return temps ? status::kHeadReadings : status::kHeadVoltages;
        }
        case reply::kPassDone:
            return status::kPassDone;
        default: {
            char text[64];
            std::snprintf(text, sizeof text, "%02x", static_cast<unsigned>(r[0]));
            DeviceDiagnostic(
                FormatResString(ids::kDiagUnknownReply, {text, std::to_string(length)}));
            return status::kNothing;
        }
    }
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
