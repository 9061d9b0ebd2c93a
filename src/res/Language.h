// The language rule of start-up: which texts the program shows.
#pragma once

#include <filesystem>
#include <string>

#include "res/StringTable.h"

namespace tavolux {

inline constexpr int kLangIdChineseSimplified = 2052;

// The system's default language id: 2052 when the locale (LC_ALL, LC_MESSAGES, LANG, in that
// order of precedence) names Simplified Chinese, else 1033.
int SystemDefaultLanguageId();

// Decides the language from the configured language name: an empty name follows the system
// (2052 -> Chinese), otherwise "CHS" is Chinese. English is used only when the English file
// in programDir loads; if it does not, Chinese stays, silently. Sets and returns the language.
UiLanguage ApplyLanguageRule(const std::string& languageName, int systemLanguageId,
                             const std::filesystem::path& programDir);

}  // namespace tavolux
