// String tables and the language rule.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string_view>
#include <vector>

#include "res/Language.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "support/TempDir.h"

using namespace tavolux;

class LanguageRule : public ::testing::Test {
protected:
    void TearDown() override { SetUiLanguage(UiLanguage::Chinese); }
    test::TempDir dir;
    void WriteEnglish()
    {
        dir.Write(kEnglishFileName, "# texts\n193=Ready\n200=Not available\\nnow\n");
    }
};

TEST_F(LanguageRule, EmptyNameFollowsTheSystemLanguage)
{
    WriteEnglish();
    EXPECT_EQ(ApplyLanguageRule("", kLangIdChineseSimplified, dir.Path()), UiLanguage::Chinese);
    EXPECT_EQ(LoadResString(ids::kStateReady), "就绪");
    EXPECT_EQ(ApplyLanguageRule("", 1033, dir.Path()), UiLanguage::English);
    EXPECT_EQ(LoadResString(ids::kStateReady), "Ready");
    EXPECT_EQ(LoadResString(ids::kFunctionInvalid), "Not available\nnow");
    // An id the English file lacks falls back to the built-in text.
    EXPECT_EQ(LoadResString(ids::kStateMoving), "移动");
}

TEST_F(LanguageRule, NamedLanguageOverridesTheSystem)
{
    WriteEnglish();
    EXPECT_EQ(ApplyLanguageRule("CHS", 1033, dir.Path()), UiLanguage::Chinese);
    EXPECT_EQ(ApplyLanguageRule("ENU", kLangIdChineseSimplified, dir.Path()), UiLanguage::English);
}

TEST_F(LanguageRule, MissingEnglishFileStaysChineseSilently)
{
    EXPECT_EQ(ApplyLanguageRule("ENU", 1033, dir.Path()), UiLanguage::Chinese);
    EXPECT_EQ(LoadResString(ids::kConfigOpenError), "打开配置文件错误！  ");
}

TEST(StringTable, ParserSkipsMalformedLines)
{
    auto entries = ParseStringTable(
        "\xEF\xBB\xBF"
        "12=a\r\nnot a line\n=x\nabc=y\n13=b=c\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (std::pair<int, std::string>{12, "a"}));
    EXPECT_EQ(entries[1], (std::pair<int, std::string>{13, "b=c"}));
}

TEST(StringTable, ShippedEnglishFileCoversEveryBuiltInId)
{
    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(LoadEnglishStrings(
        std::filesystem::path(TAVOLUX_SOURCE_DIR) / "src/res" / kEnglishFileName, &error))
        << error;
    SetUiLanguage(UiLanguage::English);
    for (const auto& [id, chinese] : ChineseStrings()) {
        std::string english = LoadResString(id);
        EXPECT_NE(english, std::string(chinese)) << "id " << id << " has no English text";
        EXPECT_FALSE(english.empty()) << id;
    }
    SetUiLanguage(UiLanguage::Chinese);
}

TEST(StringTable, SystemLanguageFromTheLocale)
{
    const char* old = std::getenv("LC_ALL");
    std::string saved = old ? old : "";
    setenv("LC_ALL", "zh_CN.UTF-8", 1);
    EXPECT_EQ(SystemDefaultLanguageId(), kLangIdChineseSimplified);
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    EXPECT_EQ(SystemDefaultLanguageId(), 1033);
    if (old) {
        setenv("LC_ALL", saved.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
}

TEST(StringTable, FormatFillsNumberedMarkers)
{
    struct Case {
        std::string_view text;
        std::vector<std::string_view> args;
        std::string expected;
    };
    const Case cases[] = {
        {"%1 needs a value", {"--printer"}, "--printer needs a value"},
        {"命令 %1 不接受“%2”", {"tasks", "frob"}, "命令 tasks 不接受“frob”"},
        // Markers in any order and repeated.
        {"%2 before %1, %2 again", {"a", "b"}, "b before a, b again"},
        // A marker without its argument stays; a lone or trailing percent stays.
        {"%1 and %3", {"x", "y"}, "x and %3"},
        {"100% of %1%", {"it"}, "100% of it%"},
        {"%0 is no marker", {"x"}, "%0 is no marker"},
        // Arguments are not scanned again.
        {"%1/%2", {"%2", "z"}, "%2/z"},
        {"", {"x"}, ""},
    };
    for (const Case& c : cases) {
        const std::string got = c.args.size() == 1 ? FormatText(c.text, {c.args[0]})
                                                   : FormatText(c.text, {c.args[0], c.args[1]});
        EXPECT_EQ(got, c.expected) << c.text;
    }
}

// The texts a job's operator reads when it cannot be generated or fails: each is in both tables,
// in its own words, with the same markers, so that no language falls back to the other.
TEST(StringTable, JobMessagesExistInBothLanguages)
{
    const int ids[] = {
        ids::kPassHeadsCannotPrint,
        ids::kPassResolutionNotPositive,
        ids::kPassPulseNotPositive,
        ids::kPassCountBelowOne,
        ids::kPassResolutionBelowPrinter,
        ids::kPassTooManyForMasks,
        ids::kPassNoStepTable,
        ids::kPassHeadsTooFarApart,
        ids::kPassImageTooWide,
        ids::kDiagSnapshotNotWritten,
        ids::kMaskWrong,
        ids::kJobFileMissing,
        ids::kJobNoCommands,
        ids::kJobNoSync,
        ids::kJobPassNotBuilt,
        ids::kJobStartFeedNotSent,
        ids::kJobStartFeedTimeout,
        ids::kJobSetupNotSent,
        ids::kJobRasterNotSent,
        ids::kJobFlashTimeout,
        ids::kJobStartNotReached,
        ids::kJobBackFeedNotSent,
        ids::kJobFirstFeedNotSent,
        ids::kJobSkippedFeedNotSent,
        ids::kJobPassTimeout,
        ids::kJobHeaderNotSent,
        ids::kJobLastPassTimeout,
        ids::kJobNoSyncBetweenCopies,
        ids::kJobPrinterOffline,
        ids::kFileCannotWrite,
    };
    std::ifstream in(std::filesystem::path(TAVOLUX_SOURCE_DIR) / "src/res" / kEnglishFileName);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::map<int, std::string> english;
    for (auto& [id, text] : ParseStringTable(file)) {
        english[id] = text;
    }
    std::map<int, std::string> chinese;
    for (const auto& [id, text] : ChineseStrings()) {
        chinese[id] = std::string(text);
    }
    const auto markers = [](const std::string& text) {
        std::set<char> out;
        for (size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') {
                out.insert(text[i + 1]);
            }
        }
        return out;
    };
    for (const int id : ids) {
        SCOPED_TRACE(id);
        ASSERT_EQ(chinese.count(id), 1u) << "no Chinese text";
        ASSERT_EQ(english.count(id), 1u) << "no English text";
        EXPECT_FALSE(chinese[id].empty());
        EXPECT_FALSE(english[id].empty());
        EXPECT_NE(chinese[id], english[id]);
        EXPECT_EQ(markers(chinese[id]), markers(english[id]));
    }
}
