// The device layer's log lines and transport words follow the current language.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "device/DeviceDiagnostics.h"
#include "device/DeviceFixture.h"
#include "device/Transport.h"
#include "res/StringTable.h"
#include "support/Text.h"

using namespace tavolux;

namespace {

constexpr TransportError kErrors[] = {
    TransportError::None,        TransportError::NoDevice, TransportError::NotOpen,
    TransportError::Access,      TransportError::Timeout,  TransportError::Pipe,
    TransportError::Busy,        TransportError::Overflow, TransportError::Io,
    TransportError::Interrupted,
};

class DeviceLanguage : public test::DeviceFixture {
protected:
    DeviceLanguage()
    {
        LoadEnglishStrings(std::filesystem::path(TAVOLUX_SOURCE_DIR) / "src/res" /
                           kEnglishFileName);
    }
    ~DeviceLanguage() override { SetUiLanguage(UiLanguage::Chinese); }
};

}  // namespace

TEST_F(DeviceLanguage, TransportWordsFollowTheLanguage)
{
    for (const TransportError e : kErrors) {
        SetUiLanguage(UiLanguage::English);
        EXPECT_EQ(TransportErrorWord(e), TransportErrorText(e)) << static_cast<int>(e);
        SetUiLanguage(UiLanguage::Chinese);
        const std::string word = TransportErrorWord(e);
        EXPECT_TRUE(HasNonAscii(word)) << word;
        for (const TransportError other : kErrors) {
            if (other != e) {
                EXPECT_NE(TransportErrorWord(other), word);
            }
        }
    }
}

// Each case makes the device say one line; it is English in English and Chinese in Chinese.
TEST_F(DeviceLanguage, LinesAreInOneLanguage)
{
    struct Case {
        const char* english;  // the whole English line
        std::function<void()> act;
    };
    const uint8_t block[600] = {};
    const std::vector<Case> cases = {
        {"printer not opened: no device",
         [this] {
             printer->Unplug();
             Connect(false);
             EXPECT_NE(device->Open(), 1);
         }},
        {"block of 600 bytes refused",
         [this, &block] {
             Connect();
             EXPECT_EQ(device->SendBlock(3062, block, 600), -1);
         }},
        {"job set-up refused: fire divisor 0",
         [this] {
             Connect();
             EXPECT_EQ(device->SendJobSetup(), -1);
         }},
    };
    for (const UiLanguage language : {UiLanguage::English, UiLanguage::Chinese}) {
        for (const Case& c : cases) {
            SetUiLanguage(language);
            printer = std::make_shared<sim::CVirtualPrinter>(true);
            const size_t before = Diagnostics().size();
            c.act();
            const std::vector<std::string> lines = Diagnostics();
            ASSERT_EQ(lines.size(), before + 1) << c.english;
            const std::string& line = lines.back();
            if (language == UiLanguage::English) {
                EXPECT_EQ(line, c.english);
            } else {
                EXPECT_TRUE(HasNonAscii(line)) << line;
                EXPECT_EQ(line.find(" refused"), std::string::npos) << line;
                EXPECT_EQ(line.find("not opened"), std::string::npos) << line;
            }
        }
    }
}
