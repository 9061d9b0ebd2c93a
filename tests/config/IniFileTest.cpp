// Private-profile semantics and writes that keep the rest of the file.
#include <gtest/gtest.h>

#include "config/IniFile.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "support/TempDir.h"

using namespace tavolux;

namespace {

const char* kText =
    "; hand-written comment\n"
    "[System]\n"
    "Printer = 2 \n"
    "Name=\"TX Printer\"\n"
    "Empty=\n"
    "\n"
    "[Other]\n"
    "printer=7\n"
    "Text=abc\n"
    "\n"
    "[system]\n"
    "Printer=9\n";

}  // namespace

TEST(IniFile, NamesAreCaseInsensitiveAndTheFirstMatchWins)
{
    auto ini = CIniFile::FromText("t.ini", kText);
    EXPECT_EQ(ini.GetInt("SYSTEM", "PRINTER"), 2);
    EXPECT_EQ(ini.GetInt("other", "Printer"), 7);
    EXPECT_EQ(ini.GetString("System", "Name"), "TX Printer") << "quotes are removed";
}

TEST(IniFile, MissingValuesReadAsMinusOneAndEmpty)
{
    auto ini = CIniFile::FromText("t.ini", kText);
    EXPECT_EQ(ini.GetInt("System", "Nothing"), -1);
    EXPECT_EQ(ini.GetInt("Nowhere", "Printer"), -1);
    EXPECT_EQ(ini.GetInt("System", "Empty"), -1);
    EXPECT_EQ(ini.GetString("System", "Nothing"), "");
    EXPECT_EQ(ini.GetInt("Other", "Text"), 0) << "a present non-number reads as 0";
}

TEST(IniFile, ValuesAreCutAt511Characters)
{
    std::string longValue(600, 'x');
    longValue[510] = 'E';
    auto ini = CIniFile::FromText("t.ini", "[S]\nK=" + longValue + "\n");
    std::string v = ini.GetString("S", "K");
    EXPECT_EQ(v.size(), 511u);
    EXPECT_EQ(v.back(), 'E');
    // A multi-byte character is never split.
    std::string chinese;
    for (int i = 0; i < 200; ++i) {
        chinese += "打";
    }
    auto ini2 = CIniFile::FromText("t.ini", "[S]\nK=" + chinese + "\n");
    EXPECT_EQ(ini2.GetString("S", "K").size(), 510u);
}

TEST(IniFile, WritingKeepsCommentsOrderAndOtherSections)
{
    test::TempDir dir;
    auto path = dir.Write("t.ini", kText);
    {
        auto ini = CIniFile::OpenFile(path, true);
        ASSERT_TRUE(ini.IsOpen());
        EXPECT_TRUE(ini.WriteInt("SYSTEM", "printer", 5));  // replaces, caller's spelling
        EXPECT_TRUE(ini.WriteString("System", "NewKey", "v"));
        EXPECT_TRUE(ini.WriteString("Fresh", "A", "1"));
        ASSERT_TRUE(ini.Flush());
    }
    EXPECT_EQ(dir.Read("t.ini"),
              "; hand-written comment\n"
              "[System]\n"
              "printer=5\n"
              "Name=\"TX Printer\"\n"
              "Empty=\n"
              "NewKey=v\n"
              "\n"
              "[Other]\n"
              "printer=7\n"
              "Text=abc\n"
              "\n"
              "[system]\n"
              "Printer=9\n"
              "\n"
              "[Fresh]\n"
              "A=1\n");
}

TEST(IniFile, CrLfFilesStayCrLf)
{
    test::TempDir dir;
    auto path = dir.Write("t.ini", "[A]\r\nx=1\r\n");
    {
        auto ini = CIniFile::OpenFile(path, true);
        ini.WriteInt("A", "y", 2);
    }  // the destructor writes what is pending
    EXPECT_EQ(dir.Read("t.ini"), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST(IniFile, TextIsWrittenBackAsItWasRead)
{
    // Stray carriage returns: each of these once lost one of them at every save.
    const struct {
        const char* text;
        const char* key;  // in section A
        const char* value;
    } cases[] = {
        {"[A]\nx=1\r\r\n", "x", "1"},
        {"[A]\nx=1\r\ny=2\n", "y", "2"},
        {"[A]\r\nx=1\r\r\n", "x", "1"},
        {"[A]\n\r\r\nx=3\n", "x", "3"},
    };
    for (const auto& c : cases) {
        auto ini = CIniFile::FromText("t.ini", c.text);
        EXPECT_EQ(ini.Text(), c.text);
        EXPECT_EQ(ini.GetString("A", c.key), c.value) << c.text;
        auto again = CIniFile::FromText("t.ini", ini.Text());
        EXPECT_EQ(again.Text(), ini.Text());
    }
}

TEST(IniFile, WrittenValuesReadBackAsWritten)
{
    // The reader trims blanks and takes matching quotes off: a value with either at its
    // edges must still come back whole, in memory and from the text written out.
    for (const char* value : {" ", " lead", "trail\t", "\"quoted\"", "'single'", "''", "\" x \"",
                              "\"half", "plain", ""}) {
        auto ini = CIniFile::FromText("t.ini", "[A]\nx=1\n");
        ASSERT_TRUE(ini.WriteString("A", "v", value));
        EXPECT_EQ(ini.GetString("A", "v"), value);
        auto again = CIniFile::FromText("t.ini", ini.Text());
        EXPECT_EQ(again.GetString("A", "v"), value) << ini.Text();
        EXPECT_EQ(again.GetInt("A", "x"), 1);
    }
}

TEST(IniFile, WritesThatWouldBreakTheFileAreRefused)
{
    auto ini = CIniFile::FromText("t.ini", "[A]\nx=1\n");
    EXPECT_FALSE(ini.WriteString("A", "x", "1\n[B]"));
    EXPECT_FALSE(ini.WriteString("A", "k=v", "1"));
    EXPECT_FALSE(ini.WriteString("A]x", "k", "1"));
    EXPECT_FALSE(ini.WriteString("A", "", "1"));
    EXPECT_EQ(ini.Text(), "[A]\nx=1\n");
    std::string error;
    EXPECT_FALSE(ini.Flush(&error)) << "refused writes make the flush fail";
    EXPECT_EQ(error, FormatResString(ids::kIniValuesRefused, {"4", "t.ini"}));
    EXPECT_TRUE(ini.Flush()) << "the next flush starts afresh";
}

TEST(IniFile, MissingConfigurationShowsTheMessageAndAsksForExitCodeZero)
{
    test::TempDir dir;
    test::RecordingUi ui;
    CIniFile ini(dir.Path());
    EXPECT_FALSE(ini.IsOpen());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], LoadResString(ids::kConfigOpenError));
    EXPECT_EQ(ui.messages[0], "打开配置文件错误！  ");
    EXPECT_EQ(ui.exitCodes, std::vector<int>{0});
    EXPECT_FALSE(ini.WriteInt("A", "b", 1));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / kConfigFileName)) << "nothing is created";
}
