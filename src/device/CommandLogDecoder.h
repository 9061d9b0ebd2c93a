// Names of the printer's commands and replies, and the decoding of Command.txt into lines an
// operator or a support engineer can read.
#pragma once

#include <cstdint>
#include <string>

namespace tavolux {

// The operation name of a command code ("FeedMedia"); empty when the code is unknown.
std::string CommandName(uint8_t code);
// The operation number of a command code (the first one where two share a code); 0 if none.
int CommandOperation(uint8_t code);
// What a reply code means ("media edge 1"); empty when unknown.
std::string ReplyMeaning(uint8_t code);
// The status code ReadReply makes of a reply code; 0 for unknown codes.
int ReplyStatus(uint8_t code);

// One line of Command.txt as readable text; lines of no known form come back as
// "? " followed by the line.
std::string DecodeCommandLogLine(const std::string& line);

}  // namespace tavolux
