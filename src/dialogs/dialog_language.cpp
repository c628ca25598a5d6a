#include "dialogs/dialog_language.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace rezive::dialogs {

Language DialogLanguage() {
    const char* forced = std::getenv("REZIVE_DIALOG_LANGUAGE");
    if (forced != nullptr && std::strcmp(forced, "ja") == 0) return Language::kJapanese;
    if (forced != nullptr && std::strcmp(forced, "en") == 0) return Language::kEnglish;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        return std::strncmp(value, "ja", 2) == 0 ? Language::kJapanese : Language::kEnglish;
    }
    return Language::kEnglish;
}

}  // namespace rezive::dialogs
