// Fuzzes the .ini reader and writer in memory: the text read, values written, then the text
// read again. Written values read back, values no write touched keep what they were, and the
// text read twice is the same text.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/IniFile.h"

namespace {

void Require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

// Names compare without case and without surrounding blanks.
bool SameName(std::string_view a, std::string_view b)
{
    const auto trim = [](std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
            s.remove_prefix(1);
        }
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
            s.remove_suffix(1);
        }
        return s;
    };
    a = trim(a);
    b = trim(b);
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto ini = tavolux::CIniFile::FromText("fuzz.ini", text);

    struct Seen {
        std::string section, key, value;
    };
    std::vector<Seen> before;
    // The first sections are enough: every later one is found by the same scan, and looking
    // each one up would make a round quadratic in the input.
    std::vector<std::string> sections = ini.SectionNames();
    sections.resize(std::min<size_t>(sections.size(), 8));
    for (const std::string& section : sections) {
        for (const char* key : {"PrinterList", "Printer", "Language", "ResolutionList"}) {
            before.push_back({section, key, ini.GetString(section, key)});
        }
    }

    // The text as written out reads back as the same values.
    const std::string once = ini.Text();
    auto reread = tavolux::CIniFile::FromText("fuzz.ini", once);
    for (const Seen& s : before) {
        Require(reread.GetString(s.section, s.key) == s.value);
    }
    Require(reread.Text() == once);
    for (const Seen& s : before) {
        Require(s.value.size() <= tavolux::kIniValueLimit);
    }

    // A write with a section, key and value cut from the input itself, so that the writer
    // meets hostile names too: an accepted write reads back.
    const size_t third = size / 3;
    const std::string section = text.substr(0, std::min<size_t>(third, 24));
    const std::string key = text.substr(third, std::min<size_t>(third, 24));
    const std::string value = text.substr(2 * third, std::min<size_t>(size - 2 * third, 64));
    const bool accepted = ini.WriteString(section, key, value);
    ini.WriteInt("SYSTEM", "Printer", static_cast<int>(size));
    auto again = tavolux::CIniFile::FromText("fuzz.ini", ini.Text());
    Require(again.GetInt("SYSTEM", "Printer") == static_cast<int>(size));
    if (accepted) {
        Require(again.GetString(section, key) == value);
    }
    for (const Seen& s : before) {
        const bool overwritten = (SameName(s.section, "SYSTEM") && SameName(s.key, "Printer")) ||
                                 (accepted && SameName(s.section, section) && SameName(s.key, key));
        if (!overwritten) {
            Require(again.GetString(s.section, s.key) == s.value);
        }
    }
    return 0;
}
