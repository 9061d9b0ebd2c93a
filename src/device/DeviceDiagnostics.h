// Diagnostic lines of the device layer (refused transfers, malformed replies, lost links), for
// whoever runs the program: standard error by default, a test or the GUI may take them.
#pragma once

#include <functional>
#include <string>

#include "device/Transport.h"

namespace tavolux {

using DiagnosticSink = std::function<void(const std::string&)>;

// Writes one diagnostic line through the installed sink.
void DeviceDiagnostic(const std::string& line);
// Installs a sink (an empty function restores standard error). Returns the previous one.
DiagnosticSink SetDeviceDiagnosticSink(DiagnosticSink sink);

// A transport error as a word of the current language, for messages and the log.
std::string TransportErrorWord(TransportError e);

}  // namespace tavolux
