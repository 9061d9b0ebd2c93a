// The wire protocol of the printer: endpoint addresses, command and reply codes, operation
// numbers and status codes. Shared by the device layer and the virtual printer.
#pragma once

#include <cstdint>

namespace tavolux::wire {

// Bulk endpoints of the printer's interface and their positions in the endpoint list
// (position 0 is the control endpoint, then the bulk endpoints in descriptor order).
inline constexpr uint8_t kDataOut = 0x02;
inline constexpr uint8_t kCommandOut = 0x04;
inline constexpr uint8_t kReplyIn = 0x86;
inline constexpr uint8_t kAuxIn = 0x88;
inline constexpr int kDataOutPosition = 1;
inline constexpr int kCommandOutPosition = 2;
inline constexpr int kReplyInPosition = 3;
inline constexpr uint8_t kBulkAttributes = 2;

inline constexpr int kMaxPacket = 512;  // a command packet or a reply
inline constexpr int kReplyBufferSize = 512;
inline constexpr int kReplyTimeoutMs = 1000;
inline constexpr int kLinkCheckTimeoutMs = 100;
inline constexpr int kDataTransferSize = 0x200000;  // 2 MiB, so a pass is one request

// Command codes (byte 0 of a packet on the command endpoint).
namespace cmd {
inline constexpr uint8_t kReset = 0x80;
inline constexpr uint8_t kPausePrint = 0x81;
inline constexpr uint8_t kStopPrint = 0x82;
inline constexpr uint8_t kMoveUp = 0x83;
inline constexpr uint8_t kMoveDown = 0x84;
inline constexpr uint8_t kMoveLeft = 0x85;
inline constexpr uint8_t kMoveRight = 0x86;
inline constexpr uint8_t kStopMove = 0x87;
inline constexpr uint8_t kJobByte88 = 0x88;
inline constexpr uint8_t kJobByte89 = 0x89;
inline constexpr uint8_t kPassForward = 0x8A;   // travel of a pass (one-way or flagged)
inline constexpr uint8_t kPassBackward = 0x8B;  // travel of a backward pass, return move
inline constexpr uint8_t kPassOffset = 0x8C;
inline constexpr uint8_t kStartFlash = 0x8D;
inline constexpr uint8_t kStartCleaning = 0x8E;
inline constexpr uint8_t kEndPurge = 0x8F;
inline constexpr uint8_t kQueryPosition = 0x90;
inline constexpr uint8_t kFeedMedia = 0x91;
inline constexpr uint8_t kBeginJob = 0x92;
inline constexpr uint8_t kBidirectional = 0x93;
inline constexpr uint8_t kUnidirectional = 0x94;
inline constexpr uint8_t kPassWidth = 0x95;
inline constexpr uint8_t kFlashFrequency = 0x96;
inline constexpr uint8_t kResumePrint = 0x97;
inline constexpr uint8_t kEndFlash = 0x98;
inline constexpr uint8_t kSyncRequest = 0x99;
inline constexpr uint8_t kPrintOptionA = 0x9A;
inline constexpr uint8_t kPrintOptionB = 0x9B;
inline constexpr uint8_t kPurgeA1 = 0x9C;
inline constexpr uint8_t kPurgeB6 = 0xA7;
inline constexpr uint8_t kHeadValue1 = 0xA8;  // to 0xAD: head slots 1 to 6
inline constexpr uint8_t kHeadValue6 = 0xAD;
inline constexpr uint8_t kValueAE = 0xAE;
inline constexpr uint8_t kStoreCalibration = 0xAF;
inline constexpr uint8_t kPassDataStart = 0xB0;
inline constexpr uint8_t kQueryB1 = 0xB1;
inline constexpr uint8_t kRequestCalibration = 0xB2;
inline constexpr uint8_t kQueryB3 = 0xB3;
inline constexpr uint8_t kInPrintFlash = 0xB4;
inline constexpr uint8_t kMeasureMedia = 0xC5;
inline constexpr uint8_t kQueryHeadReadings = 0xE0;
inline constexpr uint8_t kPassControlE1 = 0xE1;
inline constexpr uint8_t kFireDivisor = 0xE8;
inline constexpr uint8_t kEndJob = 0xE9;
inline constexpr uint8_t kPulseWidth = 0xEF;
inline constexpr uint8_t kHeadVoltages = 0xF0;
inline constexpr uint8_t kQueryHeadVoltages = 0xF1;
inline constexpr uint8_t kSetUvLamp = 0x70;
inline constexpr uint8_t kQueryUvLamp = 0x71;
inline constexpr uint8_t kBeamUpStart = 0x72;
inline constexpr uint8_t kBeamDownStart = 0x73;
inline constexpr uint8_t kBeamStop = 0x74;
inline constexpr uint8_t kBeamRaise = 0x75;
inline constexpr uint8_t kBeamLower = 0x76;
inline constexpr uint8_t kQueryBeamState = 0x77;
inline constexpr uint8_t kBeamHeight = 0x78;
inline constexpr uint8_t kSlantParameter = 0x7F;
inline constexpr uint8_t kHeadValue7 = 0x40;
inline constexpr uint8_t kHeadValue8 = 0x41;
inline constexpr uint8_t kBlock5C = 0x5C;
inline constexpr uint8_t kBlock5D = 0x5D;
inline constexpr uint8_t kStatusRequest = 0xFF;
}  // namespace cmd

// Reply codes (byte 0 of a reply).
namespace reply {
inline constexpr uint8_t kNothing = 0x00;
inline constexpr uint8_t k5F = 0x5F;
inline constexpr uint8_t kUvLamp = 0x71;
inline constexpr uint8_t kBeamState = 0x77;
inline constexpr uint8_t kPrinterReset = 0x80;
inline constexpr uint8_t kKeyPause = 0x81;
inline constexpr uint8_t kKeyResume = 0x82;
inline constexpr uint8_t kMoveUp = 0x83;
inline constexpr uint8_t kMoveDown = 0x84;
inline constexpr uint8_t kMoveLeft = 0x85;
inline constexpr uint8_t kMoveRight = 0x86;
inline constexpr uint8_t kMoveStop = 0x87;
inline constexpr uint8_t kPosition = 0x90;
inline constexpr uint8_t kKeyCancel = 0x95;
inline constexpr uint8_t kSync = 0x99;
inline constexpr uint8_t kValueB1 = 0xB1;
inline constexpr uint8_t kCalibrationBlock = 0xB2;
inline constexpr uint8_t kB3 = 0xB3;
inline constexpr uint8_t kReady = 0xC0;
inline constexpr uint8_t kMediaEdge1 = 0xC1;
inline constexpr uint8_t kMediaEdge2 = 0xC2;
inline constexpr uint8_t kC7 = 0xC7;
inline constexpr uint8_t kC8 = 0xC8;
inline constexpr uint8_t kFlashDone = 0xC9;
inline constexpr uint8_t kCleanAck = 0xCA;
inline constexpr uint8_t kCB = 0xCB;
inline constexpr uint8_t kFeedDone = 0xCD;
inline constexpr uint8_t kHeadReadings = 0xE0;
inline constexpr uint8_t kPassDone = 0xEA;
inline constexpr uint8_t kHeadVoltages = 0xF1;
inline constexpr int kMaxHeadReadingsReply = 13;  // code + 12 readings
inline constexpr int kMaxHeadVoltagesReply = 17;  // code + 16 readings
}  // namespace reply

// Operation numbers by which the program names its commands.
namespace op {
inline constexpr int kNoArgument = -1;
inline constexpr int kReset = 3000;
inline constexpr int kPausePrint = 3001;
inline constexpr int kStopPrint = 3002;
inline constexpr int kMoveUp = 3003;
inline constexpr int kMoveDown = 3004;
inline constexpr int kMoveLeft = 3005;
inline constexpr int kMoveRight = 3006;
inline constexpr int kStopMove = 3007;
inline constexpr int kStartFlash = 3008;
inline constexpr int kStartCleaning = 3009;
inline constexpr int kEndPurge = 3010;
inline constexpr int kQueryPosition = 3011;
inline constexpr int kFeedMedia = 3012;
inline constexpr int kBeginJob = 3013;
inline constexpr int kResumePrint = 3016;
inline constexpr int kEndFlash = 3017;
inline constexpr int kSyncRequest = 3018;
inline constexpr int kMeasureMedia = 3019;
inline constexpr int kSetPrintOptionA = 3020;
inline constexpr int kSetPrintOptionB = 3021;
inline constexpr int kPurgeA1 = 3022;
inline constexpr int kPurgeB6 = 3033;
inline constexpr int kSetHeadValue1 = 3034;
inline constexpr int kSetHeadValue6 = 3039;
inline constexpr int kValueAE = 3040;
inline constexpr int kStoreCalibration = 3041;
inline constexpr int kQueryB1 = 3042;
inline constexpr int kRequestCalibration = 3043;
inline constexpr int kQueryB3 = 3044;
inline constexpr int kInPrintFlash = 3045;
inline constexpr int kQueryHeadReadings = 3046;
inline constexpr int kPassControlE1 = 3047;
inline constexpr int kSetFlashFrequency = 3048;
inline constexpr int kEndJob = 3049;
inline constexpr int kSetPassOffset = 3050;
inline constexpr int kSetPulseWidth = 3051;
inline constexpr int kSetSlantParameter = 3052;
inline constexpr int kPassForward = 3053;
inline constexpr int kPassBackward = 3054;
inline constexpr int kBeamUpStart = 3055;
inline constexpr int kBeamDownStart = 3056;
inline constexpr int kBeamStop = 3057;
inline constexpr int kBeamRaise = 3058;
inline constexpr int kBeamLower = 3059;
inline constexpr int kQueryBeamState = 3060;
inline constexpr int kSetBeamHeight = 3061;
inline constexpr int kSetHeadVoltages = 3062;
inline constexpr int kQueryHeadVoltages = 3063;
inline constexpr int kSetHeadValue2nd1 = 3064;  // second set, same codes 0xA8..0xAD
inline constexpr int kSetHeadValue2nd6 = 3069;
inline constexpr int kSetHeadValue7 = 3070;
inline constexpr int kSetHeadValue8 = 3071;
inline constexpr int kSetUvLamp = 5000;
inline constexpr int kQueryUvLamp = 5001;
inline constexpr int kBlock5C = 2005;
inline constexpr int kBlock5D = 2006;
}  // namespace op

// Status codes that ReadReply makes of the replies.
namespace status {
inline constexpr int kNothing = 0;
inline constexpr int kLinkDown = 1001;
inline constexpr int k5F = 2100;
inline constexpr int kValueB1 = 4000;
inline constexpr int kCalibrationBlock = 4001;
inline constexpr int kB3 = 4002;
inline constexpr int kMediaEdge1 = 4003;
inline constexpr int kMediaEdge2 = 4004;
inline constexpr int kPosition = 4005;
inline constexpr int kHeadReadings = 4006;
inline constexpr int kC7 = 4007;
inline constexpr int kC8 = 4008;
inline constexpr int kFlashDone = 4010;
inline constexpr int kReady = 4011;
inline constexpr int kPrinterReset = 4013;
inline constexpr int kKeyPause = 4014;
inline constexpr int kKeyResume = 4015;
inline constexpr int kMoveUp = 4016;
inline constexpr int kMoveRight = 4019;
inline constexpr int kMoveStop = 4020;
inline constexpr int kKeyCancel = 4021;
inline constexpr int kFeedDone = 4022;
inline constexpr int kCleanAck = 4023;
inline constexpr int kCB = 4024;
inline constexpr int kSync = 4030;
inline constexpr int kPassDone = 4031;
inline constexpr int kUvLamp = 5002;
inline constexpr int kBeamState = 5003;
inline constexpr int kHeadVoltages = 5004;
}  // namespace status

// How long a sender waits for the reply event of its query before it gives up.
namespace wait {
inline constexpr int kHeadReadingsMs = 500;   // QueryHeadReadings: ReplyReady
inline constexpr int kHeadVoltagesMs = 1500;  // QueryHeadVoltages: ReplyReady
inline constexpr int kUvLampMs = 2000;        // QueryUvLamp: ReplyReady
inline constexpr int kBeamStateMs = 5000;     // QueryBeamState: ReplyReady
inline constexpr int kMediaEdgeMs = 30000;    // MeasureMedia: each of the two ReplyReady
}  // namespace wait

// Link check results.
inline constexpr int kLinkUp = 2000;
inline constexpr int kLinkDown = 2002;

// Little-endian u24 of a reply payload starting at p.
inline int32_t U24(const uint8_t* p)
{
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
}

}  // namespace tavolux::wire
