// The printer's operations and replies, one row each. The device object builds its packets
// from these rows, the reply reader takes its status codes from them, the command log decoder
// its names, the virtual printer its answers and the command-line tool its operation list;
// the symbolic names in Protocol.h are generated from the same rows.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tavolux::wire {

// How an operation's packet is built.
enum class Packet : uint8_t {
    Code,                // the command byte alone
    U8,                  // the byte, then the argument's low byte
    U16,                 // the byte, then the argument's two low bytes, little-endian
    U24,                 // the byte, then the argument's three low bytes, little-endian
    Block,               // the byte, then the caller's data (SendBlock)
    StoreCalibration,    // the byte, the block's length byte, the calibration block
    RequestCalibration,  // the byte, then the calibration request byte
};

// What an operation does with its argument.
enum class Argument : uint8_t {
    Ignored,   // any argument, -1 included, sends the same packet
    Optional,  // -1 goes out as it is (all bits set)
    Needed,    // -1 (no argument) is refused and nothing is sent
};

// What a reply carries after its code.
enum class ReplyValue : uint8_t {
    None,
    Byte,      // one byte
    U24,       // three bytes, little-endian
    Readings,  // up to `bytes` readings of one byte each
    Block,     // the calibration block, of any length
};

// The replies: NAME (reply::kNAME and status::kNAME), code, the status code the reply reader
// makes of it, its meaning in the command log, its value and the value's bytes.
#define TAVOLUX_WIRE_REPLIES(X)                                    \
    X(Nothing, 0x00, 0, "nothing to report", None, 0)              \
    X(5F, 0x5F, 2100, "reply 5f", None, 0)                         \
    X(UvLamp, 0x71, 5002, "UV lamp state", Byte, 1)                \
    X(BeamState, 0x77, 5003, "beam state", Byte, 1)                \
    X(PrinterReset, 0x80, 4013, "printer reset", None, 0)          \
    X(KeyPause, 0x81, 4014, "panel pause", None, 0)                \
    X(KeyResume, 0x82, 4015, "panel resume", None, 0)              \
    X(MoveUp, 0x83, 4016, "move up started", None, 0)              \
    X(MoveDown, 0x84, 4017, "move down started", None, 0)          \
    X(MoveLeft, 0x85, 4018, "move left started", None, 0)          \
    X(MoveRight, 0x86, 4019, "move right started", None, 0)        \
    X(MoveStop, 0x87, 4020, "move stopped", None, 0)               \
    X(Position, 0x90, 4005, "position", U24, 3)                    \
    X(KeyCancel, 0x95, 4021, "panel cancel", None, 0)              \
    X(Sync, 0x99, 4030, "sync acknowledged", None, 0)              \
    X(ValueB1, 0xB1, 4000, "value b1", U24, 3)                     \
    X(CalibrationBlock, 0xB2, 4001, "calibration block", Block, 0) \
    X(B3, 0xB3, 4002, "reply b3", None, 0)                         \
    X(Ready, 0xC0, 4011, "ready", None, 0)                         \
    X(MediaEdge1, 0xC1, 4003, "media edge 1", U24, 3)              \
    X(MediaEdge2, 0xC2, 4004, "media edge 2", U24, 3)              \
    X(C7, 0xC7, 4007, "printer idle (c7)", None, 0)                \
    X(C8, 0xC8, 4008, "printer printing (c8)", None, 0)            \
    X(FlashDone, 0xC9, 4010, "in-print flash done", None, 0)       \
    X(CleanAck, 0xCA, 4023, "cleaning acknowledged", None, 0)      \
    X(CB, 0xCB, 4024, "printer idle (cb)", None, 0)                \
    X(FeedDone, 0xCD, 4022, "feed done", None, 0)                  \
    X(HeadReadings, 0xE0, 4006, "head temperatures", Readings, 12) \
    X(PassDone, 0xEA, 4031, "pass done", None, 0)                  \
    X(HeadVoltages, 0xF1, 5004, "head voltages", Readings, 16)

// The operations: NAME (op::kNAME and cmd::kNAME), operation number, command byte, packet,
// argument, the reply that answers it (Nothing: none does) and how long a sender waits for
// that reply (0: nobody waits on it by a fixed time). An operation number that shares its
// command byte with an earlier row is sent by number only.
#define TAVOLUX_WIRE_OPERATIONS(X)                                                      \
    X(Reset, 3000, 0x80, Code, Ignored, Ready, 0)                                       \
    X(PausePrint, 3001, 0x81, Code, Ignored, Nothing, 0)                                \
    X(StopPrint, 3002, 0x82, Code, Ignored, Nothing, 0)                                 \
    X(MoveUp, 3003, 0x83, Code, Ignored, Nothing, 0)                                    \
    X(MoveDown, 3004, 0x84, Code, Ignored, Nothing, 0)                                  \
    X(MoveLeft, 3005, 0x85, Code, Ignored, Nothing, 0)                                  \
    X(MoveRight, 3006, 0x86, Code, Ignored, Nothing, 0)                                 \
    X(StopMove, 3007, 0x87, Code, Ignored, Nothing, 0)                                  \
    X(StartFlash, 3008, 0x8D, Code, Ignored, Nothing, 0)                                \
    X(StartCleaning, 3009, 0x8E, Code, Ignored, CleanAck, 0)                            \
    X(EndPurge, 3010, 0x8F, Code, Ignored, Nothing, 0)                                  \
    X(QueryPosition, 3011, 0x90, Code, Ignored, Position, 0)                            \
    X(FeedMedia, 3012, 0x91, U24, Needed, FeedDone, 0)                                  \
    X(BeginJob, 3013, 0x92, Code, Ignored, Nothing, 0)                                  \
    X(ResumePrint, 3016, 0x97, Code, Ignored, Nothing, 0)                               \
    X(EndFlash, 3017, 0x98, Code, Ignored, C7, 0)                                       \
    X(SyncRequest, 3018, 0x99, Code, Ignored, Sync, 0)                                  \
    X(MeasureMedia, 3019, 0xC5, Code, Ignored, MediaEdge1, 30000)                       \
    X(SetPrintOptionA, 3020, 0x9A, U8, Needed, Nothing, 0)                              \
    X(SetPrintOptionB, 3021, 0x9B, U8, Needed, Nothing, 0)                              \
    X(PurgeA1, 3022, 0x9C, Code, Ignored, Nothing, 0)                                   \
    X(PurgeA2, 3023, 0x9D, Code, Ignored, Nothing, 0)                                   \
    X(PurgeA3, 3024, 0x9E, Code, Ignored, Nothing, 0)                                   \
    X(PurgeA4, 3025, 0x9F, Code, Ignored, Nothing, 0)                                   \
    X(PurgeA5, 3026, 0xA0, Code, Ignored, Nothing, 0)                                   \
    X(PurgeA6, 3027, 0xA1, Code, Ignored, Nothing, 0)                                   \
    X(PurgeB1, 3028, 0xA2, Code, Ignored, Nothing, 0)                                   \
    X(PurgeB2, 3029, 0xA3, Code, Ignored, Nothing, 0)                                   \
    X(PurgeB3, 3030, 0xA4, Code, Ignored, Nothing, 0)                                   \
    X(PurgeB4, 3031, 0xA5, Code, Ignored, Nothing, 0)                                   \
    X(PurgeB5, 3032, 0xA6, Code, Ignored, Nothing, 0)                                   \
    X(PurgeB6, 3033, 0xA7, Code, Ignored, Nothing, 0)                                   \
    X(SetHeadValue1, 3034, 0xA8, U8, Needed, Nothing, 0)                                \
    X(SetHeadValue2, 3035, 0xA9, U8, Needed, Nothing, 0)                                \
    X(SetHeadValue3, 3036, 0xAA, U8, Needed, Nothing, 0)                                \
    X(SetHeadValue4, 3037, 0xAB, U8, Needed, Nothing, 0)                                \
    X(SetHeadValue5, 3038, 0xAC, U8, Needed, Nothing, 0)                                \
    X(SetHeadValue6, 3039, 0xAD, U8, Needed, Nothing, 0)                                \
    X(SetValueAE, 3040, 0xAE, U24, Needed, Nothing, 0)                                  \
    X(StoreCalibration, 3041, 0xAF, StoreCalibration, Ignored, Nothing, 0)              \
    X(QueryB1, 3042, 0xB1, Code, Ignored, ValueB1, 0)                                   \
    X(RequestCalibration, 3043, 0xB2, RequestCalibration, Ignored, CalibrationBlock, 0) \
    X(QueryB3, 3044, 0xB3, Code, Ignored, B3, 0)                                        \
    X(InPrintFlash, 3045, 0xB4, Code, Ignored, FlashDone, 0)                            \
    X(QueryHeadReadings, 3046, 0xE0, Code, Ignored, HeadReadings, 500)                  \
    X(PassControlE1, 3047, 0xE1, U24, Needed, Nothing, 0)                               \
    X(SetFlashFrequency, 3048, 0x96, U8, Optional, Nothing, 0)                          \
    X(EndJob, 3049, 0xE9, Code, Ignored, Nothing, 0)                                    \
    X(SetPassOffset, 3050, 0x8C, U24, Optional, Nothing, 0)                             \
    X(SetPulseWidth, 3051, 0xEF, U8, Needed, Nothing, 0)                                \
    X(SetSlantParameter, 3052, 0x7F, U24, Needed, Nothing, 0)                           \
    X(PassForward, 3053, 0x8A, Code, Ignored, Nothing, 0)                               \
    X(PassBackward, 3054, 0x8B, Code, Ignored, Nothing, 0)                              \
    X(BeamUpStart, 3055, 0x72, Code, Ignored, Nothing, 0)                               \
    X(BeamDownStart, 3056, 0x73, Code, Ignored, Nothing, 0)                             \
    X(BeamStop, 3057, 0x74, Code, Ignored, Nothing, 0)                                  \
    X(BeamRaise, 3058, 0x75, Code, Ignored, Nothing, 0)                                 \
    X(BeamLower, 3059, 0x76, Code, Ignored, Nothing, 0)                                 \
    X(QueryBeamState, 3060, 0x77, Code, Ignored, BeamState, 5000)                       \
    X(SetBeamHeight, 3061, 0x78, U24, Needed, Nothing, 0)                               \
    X(SetHeadVoltages, 3062, 0xF0, Block, Ignored, Nothing, 0)                          \
    X(QueryHeadVoltages, 3063, 0xF1, Code, Ignored, HeadVoltages, 1500)                 \
    X(SetHeadValue2nd1, 3064, 0xA8, U8, Needed, Nothing, 0)                             \
    X(SetHeadValue2nd2, 3065, 0xA9, U8, Needed, Nothing, 0)                             \
    X(SetHeadValue2nd3, 3066, 0xAA, U8, Needed, Nothing, 0)                             \
    X(SetHeadValue2nd4, 3067, 0xAB, U8, Needed, Nothing, 0)                             \
    X(SetHeadValue2nd5, 3068, 0xAC, U8, Needed, Nothing, 0)                             \
    X(SetHeadValue2nd6, 3069, 0xAD, U8, Needed, Nothing, 0)                             \
    X(SetHeadValue7, 3070, 0x40, U8, Needed, Nothing, 0)                                \
    X(SetHeadValue8, 3071, 0x41, U8, Needed, Nothing, 0)                                \
    X(SetUvLamp, 5000, 0x70, U8, Needed, Nothing, 0)                                    \
    X(QueryUvLamp, 5001, 0x71, Code, Ignored, UvLamp, 2000)                             \
    X(Block5C, 2005, 0x5C, Block, Ignored, Nothing, 0)                                  \
    X(Block5D, 2006, 0x5D, Block, Ignored, Nothing, 0)

// Packets that go out only as part of a sequence (job set-up, pass header, link check) and
// have no operation number of their own: NAME (cmd::kNAME), command byte, packet.
#define TAVOLUX_WIRE_SEQUENCE_PACKETS(X) \
    X(JobByte88, 0x88, U8)               \
    X(JobByte89, 0x89, U8)               \
    X(Bidirectional, 0x93, Code)         \
    X(Unidirectional, 0x94, Code)        \
    X(PassWidth, 0x95, U24)              \
    X(PassDataStart, 0xB0, U16)          \
    X(FireDivisor, 0xE8, U16)            \
    X(StatusRequest, 0xFF, Code)

namespace reply {
#define TAVOLUX_WIRE_REPLY_CODE(NAME, CODE, ...) inline constexpr uint8_t k##NAME = CODE;
TAVOLUX_WIRE_REPLIES(TAVOLUX_WIRE_REPLY_CODE)
#undef TAVOLUX_WIRE_REPLY_CODE
}  // namespace reply

namespace status {
#define TAVOLUX_WIRE_STATUS_CODE(NAME, CODE, STATUS, ...) inline constexpr int k##NAME = STATUS;
TAVOLUX_WIRE_REPLIES(TAVOLUX_WIRE_STATUS_CODE)
#undef TAVOLUX_WIRE_STATUS_CODE
}  // namespace status

namespace op {
#define TAVOLUX_WIRE_OPERATION_NUMBER(NAME, NUMBER, ...) inline constexpr int k##NAME = NUMBER;
TAVOLUX_WIRE_OPERATIONS(TAVOLUX_WIRE_OPERATION_NUMBER)
#undef TAVOLUX_WIRE_OPERATION_NUMBER
}  // namespace op

namespace cmd {
#define TAVOLUX_WIRE_OPERATION_CODE(NAME, NUMBER, CODE, ...) \
    inline constexpr uint8_t k##NAME = CODE;
TAVOLUX_WIRE_OPERATIONS(TAVOLUX_WIRE_OPERATION_CODE)
#undef TAVOLUX_WIRE_OPERATION_CODE
#define TAVOLUX_WIRE_PACKET_CODE(NAME, CODE, ...) inline constexpr uint8_t k##NAME = CODE;
TAVOLUX_WIRE_SEQUENCE_PACKETS(TAVOLUX_WIRE_PACKET_CODE)
#undef TAVOLUX_WIRE_PACKET_CODE
}  // namespace cmd

struct Operation {
    int number;             // 0: a packet of a sequence, never sent on its own
    std::string_view name;  // as the command log and the command-line tool show it
    uint8_t code;
    Packet packet;
    Argument argument;
    uint8_t reply;  // the reply that answers it; reply::kNothing when none does
    int waitMs;     // how long a sender waits for that reply; 0 when none waits by a fixed time
};

struct Reply {
    uint8_t code;
    int status;
    std::string_view meaning;
    ReplyValue value;
    int bytes;  // the value's bytes (readings: at most)
};

// A packet of a sequence always carries its value.
constexpr Argument ArgumentOf(Packet packet)
{
    return packet == Packet::Code ? Argument::Ignored : Argument::Needed;
}

inline constexpr std::array kReplies = {
#define TAVOLUX_WIRE_REPLY_ROW(NAME, CODE, STATUS, MEANING, VALUE, BYTES) \
    Reply{CODE, STATUS, MEANING, ReplyValue::VALUE, BYTES},
    TAVOLUX_WIRE_REPLIES(TAVOLUX_WIRE_REPLY_ROW)
#undef TAVOLUX_WIRE_REPLY_ROW
};

inline constexpr std::array kOperations = {
#define TAVOLUX_WIRE_OPERATION_ROW(NAME, NUMBER, CODE, PACKET, ARGUMENT, REPLY, WAIT) \
    Operation{NUMBER, #NAME, CODE, Packet::PACKET, Argument::ARGUMENT, reply::k##REPLY, WAIT},
    TAVOLUX_WIRE_OPERATIONS(TAVOLUX_WIRE_OPERATION_ROW)
#undef TAVOLUX_WIRE_OPERATION_ROW
#define TAVOLUX_WIRE_PACKET_ROW(NAME, CODE, PACKET) \
    Operation{0, #NAME, CODE, Packet::PACKET, ArgumentOf(Packet::PACKET), reply::kNothing, 0},
        TAVOLUX_WIRE_SEQUENCE_PACKETS(TAVOLUX_WIRE_PACKET_ROW)
#undef TAVOLUX_WIRE_PACKET_ROW
};

// The row of an operation number; null for 0 and numbers the printer does not know.
constexpr const Operation* FindOperation(int number)
{
    for (const Operation& row : kOperations) {
        if (number != 0 && row.number == number) {
            return &row;
        }
    }
    return nullptr;
}

// The first row with a command byte (the one whose name the log shows); null when none.
constexpr const Operation* FindCommand(uint8_t code)
{
    for (const Operation& row : kOperations) {
        if (row.code == code) {
            return &row;
        }
    }
    return nullptr;
}

// The row of a reply code; null for a code the program does not know.
constexpr const Reply* FindReply(uint8_t code)
{
    for (const Reply& row : kReplies) {
        if (row.code == code) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace tavolux::wire
