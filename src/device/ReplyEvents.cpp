// The process-wide reply events.
#include "device/ReplyEvents.h"

namespace tavolux {

void ReplyEvents::ResetAll()
{
    for (AutoResetEvent* e :
         {&ReplyReady, &PassAck, &MoveDone, &MoveDone2, &CleanAck, &SyncAck, &PassDone}) {
        e->Reset();
    }
}

ReplyEvents& GetReplyEvents()
{
    static ReplyEvents events;
    return events;
}

}  // namespace tavolux
