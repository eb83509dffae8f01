#pragma once
// The user's language for the texts of the Qt-free modules (result and abort
// texts, status words, list items) and of zoric-cli. Chinese is the source:
// every text is written in Chinese in the code and looked up here for English.
// The windows set it once at start, beside their own Qt translator.

#include <string>

enum class Language { Chinese, English };

// From the environment as Qt reads it: LC_ALL, then LC_MESSAGES, then LANG;
// a Chinese locale ("zh", "zh_CN.UTF-8", ...) gives Chinese, anything else
// (English, "C", unset) English.
Language LanguageFromEnvironment();
// "zh" or "en" (as zoric-cli's --lang takes them); false for anything else.
bool LanguageFromCode(const std::string& code, Language& language);
const char* LanguageCode(Language language);

void SetLanguage(Language language);
Language CurrentLanguage();

// `chinese` in the current language; a text without a translation is given
// back as it is.
const char* Localized(const char* chinese);
std::string Localized(const std::string& chinese);
