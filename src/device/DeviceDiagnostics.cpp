// The diagnostic sink of the device layer.
#include "device/DeviceDiagnostics.h"

#include <iostream>
#include <mutex>

#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {
std::mutex g_sinkMutex;
DiagnosticSink g_sink;  // guarded by g_sinkMutex
}  // namespace

void DeviceDiagnostic(const std::string& line)
{
    std::lock_guard lock(g_sinkMutex);
    if (g_sink) {
        g_sink(line);
    } else {
        std::clog << "tavolux device: " << line << '\n';
    }
}

DiagnosticSink SetDeviceDiagnosticSink(DiagnosticSink sink)
{
    std::lock_guard lock(g_sinkMutex);
    DiagnosticSink old = std::move(g_sink);
    g_sink = std::move(sink);
    return old;
}

std::string TransportErrorWord(TransportError e)
{
    // The words follow the order of the enum.
    return LoadResString(ids::kTransportOk + static_cast<int>(e));
}

}  // namespace tavolux
