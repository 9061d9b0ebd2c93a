// The events that hand a reply from the poll thread to the thread that asked for it. Each is
// auto-reset: one reply releases one wait.
#pragma once

#include "platform/AutoResetEvent.h"

namespace tavolux {

struct ReplyEvents {
    AutoResetEvent ReplyReady;  // a value reply: queries of position, media, heads, lamp, beam
    AutoResetEvent PassAck;     // the in-print flash is done
    AutoResetEvent MoveDone;    // a media feed is done
    AutoResetEvent MoveDone2;   // the same, for a second waiter
    AutoResetEvent CleanAck;    // cleaning acknowledged
    AutoResetEvent SyncAck;     // sync answered
    AutoResetEvent PassDone;    // the printer finished the previous pass

    // Makes every event unsignalled (a new job, a test).
    void ResetAll();
};

// The process-wide events set by the poll thread.
ReplyEvents& GetReplyEvents();

}  // namespace tavolux
