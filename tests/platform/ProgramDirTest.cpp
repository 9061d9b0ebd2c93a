// The program folder of a program beside its configuration and of an installed one, the user's
// folder made on the first start, and where read-only data is found.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/ProgramDir.h"
#include "support/TempDir.h"

namespace tavolux::test {

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for the scope of a test and puts the old value back.
class EnvVar {
public:
    EnvVar(const char* name, const std::optional<std::string>& value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        Set(value);
    }
    ~EnvVar() { Set(m_old); }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    void Set(const std::optional<std::string>& value)
    {
        if (value) {
            ::setenv(m_name, value->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

// A prefix as the install makes it: bin/ and share/tavolux/ with the sample configuration.
struct Prefix {
    TempDir root;
    fs::path bin = root.Path() / "prefix" / "bin";
    fs::path share = root.Path() / "prefix" / "share" / "tavolux";
    fs::path home = root.Path() / "home";
    Prefix()
    {
        fs::create_directories(bin);
        fs::create_directories(share / "manual" / "en");
        fs::create_directories(home);
        root.Write("prefix/share/tavolux/tavolux.ini", "[SYSTEM]\nLanguage=0\n");
        root.Write("prefix/share/tavolux/TxResEng.lang", "1=x\n");
        root.Write("prefix/share/tavolux/manual/en/index.html", "<html></html>");
    }
};

}  // namespace

TEST(ProgramDir, BesideTheProgramUnlessInstalledThenTheUsersOwnFolder)
{
    Prefix p;
    const std::string home = p.home.string();
    struct Case {
        const char* name;
        bool iniInBin;
        bool share;
        std::optional<std::string> xdg;
        std::optional<std::string> homeVar;
        fs::path expected;
    };
    const Case cases[] = {
        {"installed, no XDG_CONFIG_HOME", false, true, std::nullopt, home,
         p.home / ".config" / "tavolux"},
        {"installed, XDG_CONFIG_HOME", false, true, home + "/cfg", home,
         p.home / "cfg" / "tavolux"},
        {"installed, relative XDG_CONFIG_HOME is ignored", false, true, "cfg", home,
         p.home / ".config" / "tavolux"},
        {"a configuration beside the program wins", true, true, std::nullopt, home, p.bin},
        {"no installed data: beside the program", false, false, std::nullopt, home, p.bin},
        {"installed but no home: beside the program", false, true, std::nullopt, std::nullopt,
         p.bin},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        fs::remove(p.bin / "tavolux.ini", ec);
        if (c.iniInBin) {
            p.root.Write("prefix/bin/tavolux.ini", "");
        }
        const fs::path exeDir = c.share ? p.bin : p.home;  // home has no ../share/tavolux
        const fs::path expected = c.share ? c.expected : p.home;
        EnvVar xdg("XDG_CONFIG_HOME", c.xdg);
        EnvVar homeVar("HOME", c.homeVar);
        EXPECT_EQ(ProgramDirFor(exeDir), expected);
    }
}

TEST(ProgramDir, TheFirstStartSeedsTheUsersConfigurationOnce)
{
    Prefix p;
    const fs::path dir = p.home / ".config" / "tavolux";
    std::string error;
    ASSERT_TRUE(PrepareProgramDir(p.bin, dir, error)) << error;
    ASSERT_TRUE(fs::exists(dir / "tavolux.ini"));
    EXPECT_EQ(p.root.Read("home/.config/tavolux/tavolux.ini"), "[SYSTEM]\nLanguage=0\n");
    EXPECT_FALSE(fs::exists(dir / "TxResEng.lang")) << "read-only data stays where it is";

    // The operator's changes survive the next start.
    p.root.Write("home/.config/tavolux/tavolux.ini", "[SYSTEM]\nLanguage=1\n");
    ASSERT_TRUE(PrepareProgramDir(p.bin, dir, error)) << error;
    EXPECT_EQ(p.root.Read("home/.config/tavolux/tavolux.ini"), "[SYSTEM]\nLanguage=1\n");

    // A program folder beside the program is never touched.
    ASSERT_TRUE(PrepareProgramDir(p.bin, p.bin, error));
    EXPECT_FALSE(fs::exists(p.bin / "tavolux.ini"));

    // A folder that cannot be made is reported, not ignored.
    p.root.Write("home/file", "");
    EXPECT_FALSE(PrepareProgramDir(p.bin, p.home / "file" / "tavolux", error));
    EXPECT_FALSE(error.empty());
}

TEST(ProgramDir, DataIsFoundInTheProgramFolderFirstThenInTheInstalledData)
{
    Prefix p;
    const fs::path own = p.home / "own";
    fs::create_directories(own);
    p.root.Write("home/own/TxResEng.lang", "2=y\n");
    const struct {
        fs::path name;
        fs::path expected;
    } cases[] = {
        {"TxResEng.lang", own / "TxResEng.lang"},
        {fs::path("manual") / "en" / "index.html", p.share / "manual" / "en" / "index.html"},
        {"DiGi.bin", own / "DiGi.bin"},  // nowhere: where it is expected
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindDataFile(c.name, own, p.bin), c.expected) << c.name;
    }
    // Without installed data only the program folder counts.
    EXPECT_EQ(FindDataFile(fs::path("manual") / "en" / "index.html", own, p.home),
              own / "manual" / "en" / "index.html");
}

}  // namespace tavolux::test
