// Formatting and appending the command log lines.
#include "device/CommandLog.h"

#include <array>
#include <cstdio>
#include <fstream>

namespace tavolux {

namespace {

std::array<unsigned, 4> FirstFour(const uint8_t* bytes, int length)
{
    std::array<unsigned, 4> b{};
    for (int i = 0; i < 4 && i < length; ++i) {
        b[static_cast<size_t>(i)] = bytes[i];
    }
    return b;
}

}  // namespace

CCommandLog::CCommandLog(const std::filesystem::path& dir) : m_path(dir / kFileName) {}

std::string CCommandLog::CommandLine(const uint8_t* packet, int length, int written)
{
    auto b = FirstFour(packet, length);
    char line[128];
    std::snprintf(line, sizeof line, "Command: %x ,len: %d, buf[0]: %x. buf[1]:%x, buf[2]:%x ",
                  b[0], written, b[1], b[2], b[3]);
    return line;
}

std::string CCommandLog::DataLine(const uint8_t* data)
{
    char line[64];
    std::snprintf(line, sizeof line, "Data Command: %x ", static_cast<unsigned>(data[0]));
    return line;
}

std::string CCommandLog::ReplyLine(const uint8_t* reply, int length)
{
    auto b = FirstFour(reply, length);
    char line[128];
    std::snprintf(line, sizeof line,
                  "Received Command: buf[0]: %x. buf[1]:%x, buf[2]:%x , buf[3]:%x", b[0], b[1],
                  b[2], b[3]);
    return line;
}

void CCommandLog::Append(const std::string& line)
{
    std::lock_guard lock(m_mutex);
    std::ofstream out(m_path, std::ios::app | std::ios::binary);
    out << line << '\n';
}

}  // namespace tavolux
