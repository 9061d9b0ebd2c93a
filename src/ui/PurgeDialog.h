// The cleaning dialog: a button per colour, the long and short cleaning choice, a line that says
// what the printer is doing, and the return button that ends the cleaning.
#pragma once

#include "ui/WxDialog.h"

namespace tavolux {
class CPrinterSession;
class CUiDispatcher;
class IClock;
struct ReplyEvents;
}  // namespace tavolux

namespace tavolux::ui {

class CPurgeDialog final : public CWxDialog {
public:
    // The session, dispatcher, events and clock must outlive the dialog.
    CPurgeDialog(wxWindow* parent, CPrinterSession& session, ReplyEvents& events,
                 CUiDispatcher& dispatcher, IClock& clock, int colorNo);
};

}  // namespace tavolux::ui
