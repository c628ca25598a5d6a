// The language of the dialog templates: Japanese when the system's messages are Japanese.
#pragma once

namespace rezive::dialogs {

enum class Language { kEnglish, kJapanese };

// REZIVE_DIALOG_LANGUAGE=en|ja decides when set; otherwise the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty: Japanese when it begins with "ja", else English.
Language DialogLanguage();

}  // namespace rezive::dialogs
