#pragma once
// The user's language for the texts of the Qt-free modules (result and abort
// texts, status words, list items) and of zoric-cli. Chinese is the source:
// every text is written in Chinese in the code and looked up here for English.
// The windows set it once at start, beside their own Qt translator.

#include <span>
#include <string>

enum class Language { Chinese, English };

// From the environment as Qt reads it: LC_ALL, then LC_MESSAGES, then LANG;
// a Chinese locale ("zh", "zh_CN.UTF-8", ...) gives Chinese, anything else
// (English, "C") English. With none of them set: on Windows the user's UI
// language, elsewhere English.
Language LanguageFromEnvironment();
// The language of a desktop program: on Windows the user's UI language
// (a shell's locale variables do not count there), elsewhere
// LanguageFromEnvironment().
Language SystemLanguage();
// "zh" or "en" (as zoric-cli's --lang takes them); false for anything else.
bool LanguageFromCode(const std::string& code, Language& language);
const char* LanguageCode(Language language);

// Read and set from any thread (the link thread formats result texts).
void SetLanguage(Language language);
Language CurrentLanguage();

// `chinese` in the current language; a text without a translation is given
// back as it is. A printf format is looked up as a whole, before formatting:
// Format(Localized("相位偏移: %d"), value). The pointer returned is the
// argument or an entry of the table, valid for the life of the program.
const char* Localized(const char* chinese);
std::string Localized(const std::string& chinese);
// The same in a given language: for a text of several parts that must not
// change language half-way when another thread switches it.
const char* Localized(const char* chinese, Language language);

// One text in both languages. The English table holds every Chinese text
// of protocol/, backup/, record/ and cli/ (a test checks it against the
// sources).
struct Translation {
    const char* chinese;
    const char* english;
};
std::span<const Translation> EnglishTable();
