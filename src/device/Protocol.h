// The wire protocol of the printer: endpoint addresses, sizes and time-outs, and the names of
// the command and reply codes, operation numbers and status codes (generated from the rows of
// Operations.h). Shared by the device layer and the virtual printer.
#pragma once

#include <cstdint>

#include "device/Operations.h"

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
inline constexpr uint8_t kEndpointDirectionIn = 0x80;  // the bit of an IN endpoint's address

inline constexpr int kMaxPacket = 512;  // a command packet or a reply
inline constexpr int kReplyBufferSize = 512;
inline constexpr int kReplyTimeoutMs = 1000;
inline constexpr int kLinkCheckTimeoutMs = 100;
inline constexpr int kDataTransferSize = 0x200000;  // 2 MiB, so a pass is one request

namespace cmd {
// The names the pass and job code know these bytes by.
inline constexpr uint8_t kPassOffset = kSetPassOffset;
inline constexpr uint8_t kFlashFrequency = kSetFlashFrequency;
}  // namespace cmd

namespace op {
inline constexpr int kNoArgument = -1;
}  // namespace op

namespace status {
inline constexpr int kLinkDown = 1001;  // ReadReply found the link down
}  // namespace status

// How long a sender waits for the reply of its query before it gives up.
namespace wait {
inline constexpr int kMediaEdgeMs = FindOperation(op::kMeasureMedia)->waitMs;  // each edge
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
