// Storing tavolux.ini: no save after a failed load, the lock shared by several programs, and
// files that are too large.
#include <gtest/gtest.h>

#include <functional>
#include <barrier>
#include <thread>

#include "config/ConfigFixture.h"
#include "platform/FileLock.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

using namespace tavolux;

namespace {

// Puts the Chinese table back whatever a test selected.
struct LanguageGuard {
    ~LanguageGuard() { SetUiLanguage(UiLanguage::Chinese); }
};

// Shortens the lock's patience for a test and restores it.
struct LockWait {
    explicit LockWait(int ms) { SetFileLockWaitMs(ms); }
    ~LockWait() { SetFileLockWaitMs(kFileLockWaitMs); }
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(ConfigSave, ASaveAfterAFailedLoadChangesNothingAndNamesKeyAndValue)
{
    struct Broken {
        const char* section;
        const char* key;
        const char* value;
        const char* named;  // what the refusal must quote
    };
    const Broken cases[] = {
        {"P", "Resolution", "7", "Resolution = 7"},
        {"SYSTEM", "Printer", "4", "Printer = 4"},
        {"L", "PrintTypeParamList", "1,3", "PrintTypeID = 0"},
    };
    using Save = std::function<bool(CPrinterConfig&)>;
    const std::pair<const char*, Save> saves[] = {
        {"SaveConfig", [](CPrinterConfig& c) { return c.SaveConfig(); }},
        {"SavePrinterType", [](CPrinterConfig& c) { return c.SavePrinterType(); }},
    };
    LanguageGuard guard;
    ASSERT_TRUE(LoadEnglishStrings(TAVOLUX_SOURCE_DIR "/src/res/TxResEng.lang"));
    for (UiLanguage language : {UiLanguage::Chinese, UiLanguage::English}) {
        SetUiLanguage(language);
        const std::string refused = LoadResString(ids::kSaveRefusedNotLoaded);
        for (const Broken& b : cases) {
            for (const auto& [name, save] : saves) {
                SCOPED_TRACE(std::string(b.key) + " " + name);
                test::ConfigFixture f;
                f.Set("P", "TaskGap", "12");
                f.Set("L", "StepPass", "3&4&5");
                f.Set(b.section, b.key, b.value);
                ASSERT_FALSE(f.config.LoadConfig());
                EXPECT_TRUE(Contains(f.config.LoadFailureText(), b.named))
                    << f.config.LoadFailureText();
                const std::string before = f.FileText();
                EXPECT_FALSE(save(f.config));
                EXPECT_EQ(f.FileText(), before);
                const std::string& why = f.config.SaveErrorText();
                EXPECT_TRUE(Contains(why, refused)) << why;
                EXPECT_TRUE(Contains(why, b.named)) << why;
                // One language only: the English text carries no Chinese and the reverse.
                EXPECT_EQ(Contains(why, "装载"), language == UiLanguage::Chinese) << why;
            }
        }
    }
}

TEST(ConfigSave, NothingIsSavedBeforeALoadButTheSystemKeysSurviveAPrinterFailure)
{
    test::ConfigFixture f;
    const std::string before = f.FileText();
    EXPECT_FALSE(f.config.SaveConfig());
    EXPECT_FALSE(f.config.SaveSystemSection());
    EXPECT_EQ(f.FileText(), before) << "a configuration never loaded holds only defaults";

    // The SYSTEM keys were read before the printer's keys failed: switching to another printer
    // type must stay possible.
    f.Set("P", "Resolution", "9");
    ASSERT_FALSE(f.config.LoadConfig());
    f.config.IsZoom = 0;
    EXPECT_TRUE(f.config.SaveSystemSection()) << f.config.SaveErrorText();
    EXPECT_EQ(f.Get("SYSTEM", "IsZoom"), "0");
    EXPECT_EQ(f.Get("P", "Resolution"), "9");
}

TEST(IniFileLock, WritersInSeveralThreadsLoseNoUpdate)
{
    test::ConfigFixture f;
    const auto path = f.dir.Path() / kConfigFileName;
    constexpr int kWriters = 4;
    constexpr int kRounds = 40;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    std::barrier opened(kWriters);
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] {
            for (int round = 0; round < kRounds; ++round) {
                auto ini = CIniFile::OpenFile(path, true);
                // Every writer has read the file before any of them writes it: each flush must
                // keep the keys the others flushed since.
                opened.arrive_and_wait();
                ini.WriteInt("SYSTEM", "Key" + std::to_string(w), round);
                if (!ini.Flush()) {
                    ++failures;
                }
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures.load(), 0);
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_EQ(f.Get("SYSTEM", "Key" + std::to_string(w)), std::to_string(kRounds - 1))
            << "writer " << w;
    }
    EXPECT_EQ(f.Get("P", "Resolution"), "0");
}

TEST(IniFileLock, AWriterThatCannotGetTheLockFailsAndChangesNothing)
{
    test::ConfigFixture f;
    LockWait wait(100);
    const auto path = f.dir.Path() / kConfigFileName;
    const std::string before = f.FileText();
    CFileLock other(path, 0);
    ASSERT_TRUE(other.Locked());
    auto ini = CIniFile::OpenFile(path, true);
    ini.WriteString("SYSTEM", "IsDebug", "1");
    std::string error;
    EXPECT_FALSE(ini.Flush(&error));
    EXPECT_TRUE(Contains(error, LoadResString(ids::kFileBusy))) << error;
    EXPECT_EQ(f.FileText(), before);
    ASSERT_TRUE(f.config.LoadConfig());
    EXPECT_FALSE(f.config.SaveConfig());
    EXPECT_TRUE(Contains(f.config.SaveErrorText(), LoadResString(ids::kFileBusy)));
    EXPECT_EQ(f.FileText(), before);
}

TEST(IniFileLimits, AnOversizedFileIsRefusedUnreadAndKept)
{
    test::ConfigFixture f;
    test::RecordingUi ui;
    const auto path = f.dir.Path() / kConfigFileName;
    const std::string huge = f.FileText() + std::string(kMaxIniFileBytes, '\n');
    f.dir.Write(kConfigFileName, huge);
    EXPECT_FALSE(CIniFile(f.dir.Path()).IsOpen());
    EXPECT_FALSE(CIniFile::OpenFile(path, true).IsOpen());
    EXPECT_FALSE(f.config.LoadConfig());
    EXPECT_TRUE(Contains(f.config.LoadFailureText(), LoadResString(ids::kConfigTooLarge)));
    EXPECT_FALSE(f.config.SaveConfig());
    EXPECT_EQ(f.FileText(), huge);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_TRUE(Contains(ui.messages[0], LoadResString(ids::kConfigTooLarge)));
    EXPECT_TRUE(ui.exitCodes.empty()) << "a damaged file is not a missing one";
}
