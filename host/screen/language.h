// The language the window draws in. The application's texts are its own and stay Chinese in the
// application and in traces; with English, the screen draws the English of each of its fixed
// texts (labels, status texts, menu items, toasts) from one table, and the window's own texts
// (the footer, the music player's window, the home screen) follow. The service's log prints the
// status line in it too (host/service/status_log.h). docs/running.md lists them.
#pragma once

#include <string_view>

namespace host::screen {

enum class Language { kChinese, kEnglish };

// What the screen shows for text: in Chinese the text itself; in English the table's English
// when the text is one of the application's fixed texts, else the text itself.
std::u16string_view Shown(std::u16string_view text, Language language);

// The window's own text in the language: zh or en.
inline std::u16string_view Pick(Language language, std::u16string_view zh,
                                std::u16string_view en) {
  return language == Language::kEnglish ? en : zh;
}

// "en" or "zh" (nullptr for anything else).
const char* LanguageName(Language language);
// The language of "en" or "zh"; false for anything else.
bool ParseLanguage(std::string_view name, Language& language);
// The default: English when the locale (the first set of LC_ALL, LC_MESSAGES and LANG) starts
// with "en", else Chinese. Each argument may be null.
Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang);

}  // namespace host::screen
