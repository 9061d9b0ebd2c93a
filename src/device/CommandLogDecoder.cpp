// Names of command and reply codes from the operation table, and the log line decoder.
#include "device/CommandLogDecoder.h"

#include <cstdio>
#include <string>

#include "device/Operations.h"

namespace tavolux {

namespace {

std::string Hex(unsigned v)
{
    char b[16];
    std::snprintf(b, sizeof b, "%02x", v);
    return b;
}

}  // namespace

std::string CommandName(uint8_t code)
{
    const wire::Operation* row = wire::FindCommand(code);
    return row == nullptr ? std::string() : std::string(row->name);
}

int CommandOperation(uint8_t code)
{
    const wire::Operation* row = wire::FindCommand(code);
    return row == nullptr ? 0 : row->number;
}

std::string ReplyMeaning(uint8_t code)
{
    const wire::Reply* row = wire::FindReply(code);
    return row == nullptr ? std::string() : std::string(row->meaning);
}

int ReplyStatus(uint8_t code)
{
    const wire::Reply* row = wire::FindReply(code);
    return row == nullptr ? 0 : row->status;
}

std::string DecodeCommandLogLine(const std::string& line)
{
    unsigned b[4] = {};
    int len = 0;
    if (std::sscanf(line.c_str(), "Command: %x ,len: %d, buf[0]: %x. buf[1]:%x, buf[2]:%x", &b[0],
                    &len, &b[1], &b[2], &b[3]) == 5) {
        const auto code = static_cast<uint8_t>(b[0]);
        // Each field is one byte of the packet; a damaged line must not show more than that.
        for (unsigned& byte : b) {
            byte &= 0xFF;
        }
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
        const wire::Reply* row = wire::FindReply(code);
        if (row == nullptr) {
            return "reply " + Hex(code) + " (unknown)";
        }
        std::string out = "reply " + Hex(code) + " " + std::string(row->meaning) + " [status " +
                          std::to_string(row->status) + "]";
        switch (row->value) {
            case wire::ReplyValue::U24:
                out += " value " +
                       std::to_string((b[1] & 0xFF) | ((b[2] & 0xFF) << 8) | ((b[3] & 0xFF) << 16));
                break;
            case wire::ReplyValue::Byte:
                out += " value " + std::to_string(b[1] & 0xFF);
                break;
            case wire::ReplyValue::Readings:
            case wire::ReplyValue::Block:
                out += " first bytes " + Hex(b[1] & 0xFF) + " " + Hex(b[2] & 0xFF) + " " +
                       Hex(b[3] & 0xFF);
                break;
            case wire::ReplyValue::None:
                break;
        }
        return out;
    }
    return "? " + line;
}

}  // namespace tavolux
