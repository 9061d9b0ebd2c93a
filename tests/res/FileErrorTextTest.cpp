// File failures as the operator reads them: one language at a time, the system's reason in the
// same language.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/FileError.h"
#include "res/FileErrorText.h"
#include "res/StringTable.h"
#include "support/Text.h"

using namespace tavolux;

namespace {

struct Case {
    FileErrorKind kind;
    int systemError;
};

const Case kCases[] = {
    {FileErrorKind::NotRegular, 0},    {FileErrorKind::Write, ENOSPC},
    {FileErrorKind::Replace, EXDEV},   {FileErrorKind::CreateTemporary, ENOENT},
    {FileErrorKind::Sync, EIO},        {FileErrorKind::Close, EIO},
    {FileErrorKind::OpenLock, EISDIR}, {FileErrorKind::Lock, ENOLCK},
    {FileErrorKind::LockHeld, 0},      {FileErrorKind::EmptyImage, 0},
    {FileErrorKind::Encode, 0},
};

class FileErrorTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadEnglishStrings(std::filesystem::path(TAVOLUX_SOURCE_DIR) / "src/res" /
                                       kEnglishFileName));
    }
    void TearDown() override { SetUiLanguage(UiLanguage::Chinese); }
    const std::filesystem::path path{"/data/works/Tasks.dat"};
};

}  // namespace

TEST_F(FileErrorTextTest, ChineseCarriesTheErrorNumberNeverTheSystemText)
{
    SetUiLanguage(UiLanguage::Chinese);
    for (const Case& c : kCases) {
        const std::string text = FileErrorText({c.kind, path, c.systemError});
        SCOPED_TRACE(text);
        EXPECT_TRUE(HasNonAscii(text));
        const bool namesFile =
            c.kind != FileErrorKind::EmptyImage && c.kind != FileErrorKind::Encode;
        EXPECT_EQ(text.find(path.string()) != std::string::npos, namesFile);
        if (c.systemError != 0) {
            EXPECT_NE(text.find(std::to_string(c.systemError)), std::string::npos);
            EXPECT_EQ(text.find(std::strerror(c.systemError)), std::string::npos);
        }
    }
}

TEST_F(FileErrorTextTest, EnglishIsAsciiWithTheSystemText)
{
    SetUiLanguage(UiLanguage::English);
    for (const Case& c : kCases) {
        const std::string text = FileErrorText({c.kind, path, c.systemError});
        SCOPED_TRACE(text);
        EXPECT_FALSE(HasNonAscii(text));
        if (c.systemError != 0) {
            EXPECT_NE(text.find(std::string(": ") + std::strerror(c.systemError)),
                      std::string::npos);
        }
        // The kinds are told apart: no two share a text.
        for (const Case& other : kCases) {
            if (other.kind != c.kind) {
                EXPECT_NE(FileErrorText({other.kind, path, c.systemError}), text);
            }
        }
    }
}

TEST_F(FileErrorTextTest, NoFailureSaysNothing)
{
    for (const UiLanguage language : {UiLanguage::Chinese, UiLanguage::English}) {
        SetUiLanguage(language);
        EXPECT_EQ(FileErrorText({FileErrorKind::None, path, EIO}), "");
    }
}
