// The printer link both programs make from their --printer choice: each choice makes its
// transport, the configuration's interface stands in for no choice, and a bad choice is named.
#include <gtest/gtest.h>

#include <string>

#include "config/ConfigFixture.h"
#include "sim/PrinterLink.h"

namespace tavolux::test {

TEST(PrinterLink, EachChoiceMakesItsTransportAndABadOneIsNamed)
{
    struct Case {
        std::string choice;
        std::string outputInterface;
        bool ok;
        PrinterKind kind;
        std::string socketPath;
    };
    const Case cases[] = {
        {"usb", "", true, PrinterKind::Usb, ""},
        {"virtual", "", true, PrinterKind::Virtual, ""},
        {"virtual:instant", "", true, PrinterKind::Virtual, ""},
        {"socket:/tmp/none", "", true, PrinterKind::Socket, "/tmp/none"},
        {"", "UV_USB", true, PrinterKind::Usb, ""},
        {"", "LPT", false, PrinterKind::Usb, ""},
        {"socket:", "", false, PrinterKind::Usb, ""},
        {"serial", "UV_USB", false, PrinterKind::Usb, ""},
        {"virtual:slow", "", false, PrinterKind::Usb, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice.empty() ? "(none) " + c.outputInterface : c.choice);
        ConfigFixture cfg;
        cfg.Set("P", "OutputInterface", c.outputInterface);
        cfg.config.LoadConfig();
        PrinterLink link;
        std::string error;
        const bool ok = MakePrinterLink(c.choice, cfg.config, link, error);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(link.transport != nullptr, c.ok);
        EXPECT_EQ(link.virtualPrinter != nullptr, c.ok && c.kind == PrinterKind::Virtual);
        EXPECT_EQ(error.empty(), c.ok) << error;
        if (ok) {
            EXPECT_EQ(link.kind, c.kind);
            EXPECT_EQ(link.socketPath, c.socketPath);
        } else if (!c.choice.empty()) {
            EXPECT_NE(error.find(c.choice), std::string::npos) << error;
        }
    }
}

}  // namespace tavolux::test
