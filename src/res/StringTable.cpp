// String table storage and lookup.
#include "res/StringTable.h"

#include <map>
#include <mutex>

#include "platform/AtomicFile.h"
#include "platform/NumberText.h"

namespace tavolux {

namespace {

std::mutex g_tableMutex;
std::map<int, std::string> g_english;         // guarded by g_tableMutex
UiLanguage g_language = UiLanguage::Chinese;  // guarded by g_tableMutex

std::string Unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == 'n') {
                out += '\n';
                ++i;
                continue;
            }
            if (next == 't') {
                out += '\t';
                ++i;
                continue;
            }
            if (next == '\\') {
                out += '\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

std::vector<std::pair<int, std::string>> ParseStringTable(std::string_view text)
{
    std::vector<std::pair<int, std::string>> entries;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string_view::npos || eq == 0) {
            continue;
        }
        std::string_view idText = line.substr(0, eq);
        bool digits = idText.find_first_not_of("0123456789") == std::string_view::npos;
        if (!digits || idText.size() > 6) {
            continue;
        }
        entries.emplace_back(ParseLeadingInt(idText), Unescape(line.substr(eq + 1)));
    }
    return entries;
}

bool LoadEnglishStrings(const std::filesystem::path& path, std::string* error)
{
    std::string text;
    if (!ReadWholeFile(path, text)) {
        if (error) {
            *error = "cannot read " + path.string();
        }
        return false;
    }
    auto entries = ParseStringTable(text);
    if (entries.empty()) {
        if (error) {
            *error = path.string() + " holds no text";
        }
        return false;
    }
    std::lock_guard lock(g_tableMutex);
    g_english.clear();
    for (auto& [id, value] : entries) {
        g_english[id] = std::move(value);
    }
    return true;
}

void SetUiLanguage(UiLanguage language)
{
    std::lock_guard lock(g_tableMutex);
    g_language = language;
}

UiLanguage GetUiLanguage()
{
    std::lock_guard lock(g_tableMutex);
    return g_language;
}

std::string LoadResString(int id)
{
    {
        std::lock_guard lock(g_tableMutex);
        if (g_language == UiLanguage::English) {
            auto it = g_english.find(id);
            if (it != g_english.end()) {
                return it->second;
            }
        }
    }
    for (const auto& [key, value] : ChineseStrings()) {
        if (key == id) {
            return std::string(value);
        }
    }
    return {};
}

std::string FormatResString(int id, std::initializer_list<std::string> args)
{
    std::string text = LoadResString(id);
    int n = 1;
    for (const std::string& arg : args) {
        const std::string mark = "%" + std::to_string(n++);
        // An argument is never searched for marks itself.
        if (const size_t at = text.find(mark); at != std::string::npos) {
            text.replace(at, mark.size(), arg);
        }
    }
    return text;
}

}  // namespace tavolux
