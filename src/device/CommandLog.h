// The debug log of the printer traffic, Command.txt in the program folder: one line per command
// packet, raster write and reply.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

namespace tavolux {

class CCommandLog {
public:
    static constexpr const char* kFileName = "Command.txt";

    // Lines go to dir/Command.txt.
    explicit CCommandLog(const std::filesystem::path& dir);

    // The three line forms (without the newline). Bytes past the packet's length print as 0.
    static std::string CommandLine(const uint8_t* packet, int length, int written);
    static std::string DataLine(const uint8_t* data);
    static std::string ReplyLine(const uint8_t* reply, int length);

    // Appends one line; the file is opened and closed for every line so a crash loses nothing.
    void Append(const std::string& line);

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::mutex m_mutex;  // one line at a time from several threads
};

}  // namespace tavolux
