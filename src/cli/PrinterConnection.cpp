// Choosing and building the printer connection of the command-line tool.
#include "cli/PrinterConnection.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "device/DeviceDiagnostics.h"
#include "device/MachineState.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/SocketTransport.h"
#include "sim/setup/HeadsFromConfig.h"
#include "uimodel/PrinterSession.h"

namespace tavolux::cli {

bool MakePrinterConnection(CliContext& ctx, PrinterConnection& c)
{
    if (!CheckConfigPresent(ctx)) {
        return false;
    }
    c.config = std::make_unique<CPrinterConfig>(ctx.programDir);
    if (!c.config->LoadConfig()) {
        Fail(ctx, kExitFailed, LoadResString(ids::kCliConfigIncomplete));
    }
    PrinterLink link;
    std::string error;
    if (!MakePrinterLink(ctx.printer, *c.config, link, error)) {
        Fail(ctx, kExitUsage, error);
        return false;
    }
    c.kind = link.kind;
    c.virtualPrinter = std::move(link.virtualPrinter);
    c.transport = std::move(link.transport);
    c.socketPath = std::move(link.socketPath);
    return true;
}

std::string OpenFailureText(const PrinterConnection& c, TransportError e)
{
    std::string failure = TransportErrorWord(e);
    if (c.kind == PrinterKind::Socket) {
        const std::string& path = c.socketPath;
        struct stat st {};
        switch (e) {
            case TransportError::NoDevice:
                return FormatResString(
                    ::lstat(path.c_str(), &st) == 0 ? ids::kSocketRefused : ids::kSocketMissing,
                    {path});
            case TransportError::Timeout:
                return FormatResString(
                    ids::kSocketTimeout,
                    {path, std::to_string(sim::CSocketTransport::kAnswerMarginMs / 1000)});
            case TransportError::Busy:
                return FormatResString(ids::kSocketBusy, {path});
            case TransportError::Access:
                return FormatResString(ids::kSocketAccess, {path});
            default:
                return FormatResString(ids::kSocketFailed, {path, failure});
        }
    }
    if (c.kind == PrinterKind::Virtual || !c.config) {
        return failure;
    }
    char vendor[16];
    char product[16];
    std::snprintf(vendor, sizeof vendor, "%04x", static_cast<unsigned>(c.config->UsbVendorId));
    std::snprintf(product, sizeof product, "%04x", static_cast<unsigned>(c.config->UsbProductId));
    switch (e) {
        case TransportError::NoDevice:
            return FormatResString(ids::kNoUsbDevice, {vendor, product});
        case TransportError::Access:
            return FormatResString(ids::kUsbAccess, {vendor, product});
        case TransportError::Busy:
            return FormatResString(ids::kUsbBusy, {vendor, product});
        default:
            return FormatResString(ids::kUsbOpenFailed, {vendor, product, failure});
    }
}

bool OpenPrinter(CliContext& ctx, const PrinterConnection& c, CDeviceUSB& device)
{
    // The device layer's own line about the failure would repeat, in English, what the
    // operator is told below in the configured language.
    DiagnosticSink previous = SetDeviceDiagnosticSink([](const std::string&) {});
    const int opened = device.Open();
    SetDeviceDiagnosticSink(std::move(previous));
    if (opened == 1) {
        return true;
    }
    Fail(ctx, kExitFailed, OpenFailureText(c, device.LastOpenError()));
    return false;
}

int StartReadyPrinter(CliContext& ctx, const PrinterConnection& c, CPrinterSession& session)
{
    if (!OpenPrinter(ctx, c, session.Device())) {
        session.Shutdown();
        return kExitFailed;
    }
    session.StartPolling();
    // The printer reports ready after its reset; a printer that never does is not printed on.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (session.Machine().Get() != MachineState::Ready &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (session.Machine().Get() != MachineState::Ready) {
        session.Shutdown();
        return Fail(ctx, kExitFailed, LoadResString(ids::kFunctionInvalid));
    }
    return 0;
}

bool LoadVirtualMedia(CliContext& ctx, PrinterConnection& c, int xRes, int yRes)
{
    const sim::PrinterHeads heads = sim::HeadsFromConfig(*c.config);
    if (const std::string problem = heads.Problem(); !problem.empty()) {
        Fail(ctx, kExitUsage, WithEnglishDetail(LoadResString(ids::kCliVirtualHeads), problem));
        return false;
    }
    c.virtualPrinter->LoadMedia(heads, xRes, yRes);
    return true;
}

}  // namespace tavolux::cli
