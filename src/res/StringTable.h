// Texts by resource id in the current language: Chinese built in, English from a file.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavolux {

enum class UiLanguage {
    Chinese,  // the built-in texts
    English,  // the texts of the English file, Chinese where it lacks an id
};

// The built-in Chinese table.
const std::vector<std::pair<int, std::string_view>>& ChineseStrings();

// The English file's name in the program folder.
inline constexpr const char* kEnglishFileName = "TxResEng.lang";

// Loads the English table from path. Returns false (and keeps the current table) when the
// file cannot be read or holds no valid line.
bool LoadEnglishStrings(const std::filesystem::path& path, std::string* error = nullptr);

// Parses an English table text; malformed lines are skipped. Exposed for tests and fuzzing.
std::vector<std::pair<int, std::string>> ParseStringTable(std::string_view text);

// Selects the language of LoadResString. English needs a loaded English table.
void SetUiLanguage(UiLanguage language);
UiLanguage GetUiLanguage();

// The text of a resource id in the current language; empty when the id is unknown.
std::string LoadResString(int id);
// The same with each mark %1, %2, ... replaced by the argument of that number.
std::string FormatResString(int id, std::initializer_list<std::string> args);

}  // namespace tavolux
