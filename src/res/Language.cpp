// Language choice from the configuration and the locale.
#include "res/Language.h"

#include <cstdlib>
#include <string_view>

#include "platform/ProgramDir.h"

namespace tavolux {

int SystemDefaultLanguageId()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            std::string_view v(value);
            bool chinese = v.starts_with("zh_CN") || v.starts_with("zh_SG") ||
                           v.starts_with("zh-CN") || v.starts_with("zh_Hans");
            return chinese ? kLangIdChineseSimplified : 1033;
        }
    }
    return 1033;
}

UiLanguage ApplyLanguageRule(const std::string& languageName, int systemLanguageId,
                             const std::filesystem::path& programDir)
{
    bool chinese =
        languageName.empty() ? systemLanguageId == kLangIdChineseSimplified : languageName == "CHS";
    UiLanguage language = UiLanguage::Chinese;
    // The program folder's own table first, else the installed one.
    if (!chinese && LoadEnglishStrings(FindDataFile(kEnglishFileName, programDir))) {
        language = UiLanguage::English;
    }
    SetUiLanguage(language);
    return language;
}

}  // namespace tavolux
