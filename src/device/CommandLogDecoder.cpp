// The name tables and the log line decoder.
#include "device/CommandLogDecoder.h"

#include <cstdio>
#include <map>

namespace tavolux {

namespace {

struct CommandInfo {
    int operation;
    const char* name;
};

const std::map<uint8_t, CommandInfo>& Commands()
{
    static const std::map<uint8_t, CommandInfo> table = {
        {0x80, {3000, "Reset"}},
        {0x81, {3001, "PausePrint"}},
        {0x82, {3002, "StopPrint"}},
        {0x83, {3003, "MoveUp"}},
        {0x84, {3004, "MoveDown"}},
        {0x85, {3005, "MoveLeft"}},
        {0x86, {3006, "MoveRight"}},
        {0x87, {3007, "StopMove"}},
        {0x88, {0, "JobByte88"}},
        {0x89, {0, "JobByte89"}},
        {0x8A, {3053, "PassForward"}},
        {0x8B, {3054, "PassBackward"}},
        {0x8C, {3050, "SetPassOffset"}},
        {0x8D, {3008, "StartFlash"}},
        {0x8E, {3009, "StartCleaning"}},
        {0x8F, {3010, "EndPurge"}},
        {0x90, {3011, "QueryPosition"}},
        {0x91, {3012, "FeedMedia"}},
        {0x92, {3013, "BeginJob"}},
        {0x93, {0, "Bidirectional"}},
        {0x94, {0, "Unidirectional"}},
        {0x95, {0, "PassWidth"}},
        {0x96, {3048, "SetFlashFrequency"}},
        {0x97, {3016, "ResumePrint"}},
        {0x98, {3017, "EndFlash"}},
        {0x99, {3018, "SyncRequest"}},
        {0x9A, {3020, "SetPrintOptionA"}},
        {0x9B, {3021, "SetPrintOptionB"}},
        {0x9C, {3022, "PurgeA1"}},
        {0x9D, {3023, "PurgeA2"}},
        {0x9E, {3024, "PurgeA3"}},
        {0x9F, {3025, "PurgeA4"}},
        {0xA0, {3026, "PurgeA5"}},
        {0xA1, {3027, "PurgeA6"}},
        {0xA2, {3028, "PurgeB1"}},
        {0xA3, {3029, "PurgeB2"}},
        {0xA4, {3030, "PurgeB3"}},
        {0xA5, {3031, "PurgeB4"}},
        {0xA6, {3032, "PurgeB5"}},
        {0xA7, {3033, "PurgeB6"}},
        {0xA8, {3034, "SetHeadValue1"}},
        {0xA9, {3035, "SetHeadValue2"}},
        {0xAA, {3036, "SetHeadValue3"}},
        {0xAB, {3037, "SetHeadValue4"}},
        {0xAC, {3038, "SetHeadValue5"}},
        {0xAD, {3039, "SetHeadValue6"}},
        {0xAE, {3040, "SetValueAE"}},
        {0xAF, {3041, "StoreCalibration"}},
        {0xB0, {0, "PassDataStart"}},
        {0xB1, {3042, "QueryB1"}},
        {0xB2, {3043, "RequestCalibration"}},
        {0xB3, {3044, "QueryB3"}},
        {0xB4, {3045, "InPrintFlash"}},
        {0xC5, {3019, "MeasureMedia"}},
        {0xE0, {3046, "QueryHeadReadings"}},
        {0xE1, {3047, "PassControlE1"}},
        {0xE8, {0, "FireDivisor"}},
        {0xE9, {3049, "EndJob"}},
        {0xEF, {3051, "SetPulseWidth"}},
        {0xF0, {3062, "SetHeadVoltages"}},
        {0xF1, {3063, "QueryHeadVoltages"}},
        {0x70, {5000, "SetUvLamp"}},
        {0x71, {5001, "QueryUvLamp"}},
        {0x72, {3055, "BeamUpStart"}},
        {0x73, {3056, "BeamDownStart"}},
        {0x74, {3057, "BeamStop"}},
        {0x75, {3058, "BeamRaise"}},
        {0x76, {3059, "BeamLower"}},
        {0x77, {3060, "QueryBeamState"}},
        {0x78, {3061, "SetBeamHeight"}},
        {0x7F, {3052, "SetSlantParameter"}},
        {0x40, {3070, "SetHeadValue7"}},
        {0x41, {3071, "SetHeadValue8"}},
        {0x5C, {2005, "Block5C"}},
        {0x5D, {2006, "Block5D"}},
        {0xFF, {0, "StatusRequest"}},
    };
    return table;
}

struct ReplyInfo {
    int status;
    const char* meaning;
    int valueBytes;  // 3: a u24 value, 1: one byte, 0: none, -1: a list
};

const std::map<uint8_t, ReplyInfo>& Replies()
{
    static const std::map<uint8_t, ReplyInfo> table = {
        {0x00, {0, "nothing to report", 0}},
        {0x5F, {2100, "reply 5f", 0}},
        {0x71, {5002, "UV lamp state", 1}},
        {0x77, {5003, "beam state", 1}},
        {0x80, {4013, "printer reset", 0}},
        {0x81, {4014, "panel pause", 0}},
        {0x82, {4015, "panel resume", 0}},
        {0x83, {4016, "move up started", 0}},
        {0x84, {4017, "move down started", 0}},
        {0x85, {4018, "move left started", 0}},
        {0x86, {4019, "move right started", 0}},
        {0x87, {4020, "move stopped", 0}},
        {0x90, {4005, "position", 3}},
        {0x95, {4021, "panel cancel", 0}},
        {0x99, {4030, "sync acknowledged", 0}},
        {0xB1, {4000, "value b1", 3}},
        {0xB2, {4001, "calibration block", -1}},
        {0xB3, {4002, "reply b3", 0}},
        {0xC0, {4011, "ready", 0}},
        {0xC1, {4003, "media edge 1", 3}},
        {0xC2, {4004, "media edge 2", 3}},
        {0xC7, {4007, "printer idle (c7)", 0}},
        {0xC8, {4008, "printer printing (c8)", 0}},
        {0xC9, {4010, "in-print flash done", 0}},
        {0xCA, {4023, "cleaning acknowledged", 0}},
        {0xCB, {4024, "printer idle (cb)", 0}},
        {0xCD, {4022, "feed done", 0}},
        {0xE0, {4006, "head temperatures", -1}},
        {0xEA, {4031, "pass done", 0}},
        {0xF1, {5004, "head voltages", -1}},
    };
    return table;
}

std::string Hex(unsigned v)
{
    char b[16];
    std::snprintf(b, sizeof b, "%02x", v);
    return b;
}

}  // namespace

std::string CommandName(uint8_t code)
{
    auto it = Commands().find(code);
    return it == Commands().end() ? std::string() : it->second.name;
}

int CommandOperation(uint8_t code)
{
    auto it = Commands().find(code);
    return it == Commands().end() ? 0 : it->second.operation;
}

std::string ReplyMeaning(uint8_t code)
{
    auto it = Replies().find(code);
    return it == Replies().end() ? std::string() : it->second.meaning;
}

int ReplyStatus(uint8_t code)
{
    auto it = Replies().find(code);
    return it == Replies().end() ? 0 : it->second.status;
}

std::string DecodeCommandLogLine(const std::string& line)
{
    unsigned b[4] = {};
    int len = 0;
    if (std::sscanf(line.c_str(), "Command: %x ,len: %d, buf[0]: %x. buf[1]:%x, buf[2]:%x", &b[0],
                    &len, &b[1], &b[2], &b[3]) == 5) {
        const auto code = static_cast<uint8_t>(b[0]);
        std::string name = CommandName(code);
        std::string out = "command " + Hex(code) + " " + (name.empty() ? "(unknown)" : name);
        if (int op = CommandOperation(code); op != 0) {
            out += " [" + std::to_string(op) + "]";
        }
        if (len == 2) {
            out += " argument " + std::to_string(b[1]);
        } else if (len == 3) {
            out += " argument " + std::to_string(b[1] | (b[2] << 8));
        } else if (len == 4) {
            out += " argument " + std::to_string(b[1] | (b[2] << 8) | (b[3] << 16));
        } else if (len > 4) {
            out += " block of " + std::to_string(len - 1) + " bytes";
        }
        return out;
    }
    if (std::sscanf(line.c_str(), "Data Command: %x", &b[0]) == 1) {
        return "raster data starting with " + Hex(b[0] & 0xFF);
    }
    if (std::sscanf(line.c_str(), "Received Command: buf[0]: %x. buf[1]:%x, buf[2]:%x , buf[3]:%x",
                    &b[0], &b[1], &b[2], &b[3]) == 4) {
        const auto code = static_cast<uint8_t>(b[0]);
        auto it = Replies().find(code);
        if (it == Replies().end()) {
            return "reply " + Hex(code) + " (unknown)";
        }
        std::string out = "reply " + Hex(code) + " " + it->second.meaning + " [status " +
                          std::to_string(it->second.status) + "]";
        if (it->second.valueBytes == 3) {
            out += " value " +
                   std::to_string((b[1] & 0xFF) | ((b[2] & 0xFF) << 8) | ((b[3] & 0xFF) << 16));
        } else if (it->second.valueBytes == 1) {
            out += " value " + std::to_string(b[1] & 0xFF);
        } else if (it->second.valueBytes == -1) {
            out += " first bytes " + Hex(b[1] & 0xFF) + " " + Hex(b[2] & 0xFF) + " " +
                   Hex(b[3] & 0xFF);
        }
        return out;
    }
    return "? " + line;
}

}  // namespace tavolux
