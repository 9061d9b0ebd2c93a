// A loaded configuration, a virtual printer and the device object opened on it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config/ConfigFixture.h"
#include "device/DeviceDiagnostics.h"
#include "device/KtUSB.h"
#include "device/PrinterStatusBlock.h"
#include "platform/ProgramDir.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualTransport.h"

namespace tavolux::test {

// Bytes as "91 70 11 01"; "-" for none.
inline std::string Hex(const std::vector<uint8_t>& bytes)
{
    std::string s;
    char b[4];
    for (const uint8_t byte : bytes) {
        std::snprintf(b, sizeof b, "%02x", byte);
        s += (s.empty() ? "" : " ") + std::string(b);
    }
    return s.empty() ? "-" : s;
}

inline std::vector<uint8_t> ParseHex(const std::string& text)
{
    std::vector<uint8_t> out;
    std::istringstream in(text);
    std::string b;
    while (in >> b) {
        if (b != "-") {
            out.push_back(static_cast<uint8_t>(std::stoul(b, nullptr, 16)));
        }
    }
    return out;
}

class DeviceFixture : public ::testing::Test {
protected:
    DeviceFixture()
    {
        SetProgramDir(cfg.dir.Path());
        m_oldSink = SetDeviceDiagnosticSink([this](const std::string& l) {
            std::lock_guard lock(m_diagMutex);
            m_diagnostics.push_back(l);
        });
    }
    ~DeviceFixture() override
    {
        device.reset();
        SetDeviceDiagnosticSink(m_oldSink);
        SetProgramDir({});
    }

    // Loads the configuration (after the test's Set calls) and opens the device.
    void Connect(bool open = true)
    {
        cfg.config.LoadConfig();
        if (makeTransport) {
            device = std::make_unique<CKtUSB>(cfg.config, makeTransport());
        } else {
            auto t = std::make_unique<sim::CVirtualTransport>(printer);
            transport = t.get();
            device = std::make_unique<CKtUSB>(cfg.config, std::move(t));
        }
        if (open) {
            ASSERT_EQ(device->Open(), 1);
        }
        printer->ClearCommands();
    }

    // The command packets the printer received, each as hex.
    std::vector<std::string> Sent() const
    {
        std::vector<std::string> out;
        for (const auto& c : printer->Commands()) {
            out.push_back(Hex(c));
        }
        return out;
    }

    std::vector<std::string> Diagnostics()
    {
        std::lock_guard lock(m_diagMutex);
        return m_diagnostics;
    }

    ConfigFixture cfg;
    std::shared_ptr<sim::CVirtualPrinter> printer = std::make_shared<sim::CVirtualPrinter>();
    sim::CVirtualTransport* transport = nullptr;  // null when makeTransport made the transport
    // Another way to the printer than the in-process transport (called by Connect when set).
    std::function<std::unique_ptr<ITransport>()> makeTransport;
    std::unique_ptr<CKtUSB> device;

private:
    std::mutex m_diagMutex;
    std::vector<std::string> m_diagnostics;
    DiagnosticSink m_oldSink;
};

}  // namespace tavolux::test
