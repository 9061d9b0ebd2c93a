// Fuzzes the command log decoder with single lines: it never fails, a line of no known form
// comes back marked as such, and the values it prints are made of bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/CommandLogDecoder.h"

namespace {

void Require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

// The number after `word ` in text, or -1 when there is none.
long long NumberAfter(const std::string& text, const std::string& word)
{
    const size_t at = text.find(word + " ");
    if (at == std::string::npos) {
        return -1;
    }
    const size_t start = at + word.size() + 1;
    size_t end = start;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        ++end;
    }
    if (end == start || end - start > 18) {
        return -1;
    }
    return std::stoll(text.substr(start, end - start));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string out = tavolux::DecodeCommandLogLine(line);
    Require(!out.empty());
    if (out.rfind("? ", 0) == 0) {
        Require(out == "? " + line);
        return 0;
    }
    // A decoded line describes at most one line of the log.
    Require(out.find('\n') == std::string::npos);
    // Arguments and values are one to three bytes of a packet.
    const long long argument = NumberAfter(out, "argument");
    Require(argument < (1LL << 24));
    const long long value = NumberAfter(out, "value");
    Require(value < (1LL << 24));

    for (int code = 0; code < 256; code += 37) {
        (void)tavolux::CommandName(static_cast<uint8_t>(code));
        (void)tavolux::ReplyMeaning(static_cast<uint8_t>(code));
    }
    return 0;
}
