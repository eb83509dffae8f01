#include "Language.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<Language> g_language{Language::Chinese};

}  // namespace

Language LanguageFromEnvironment()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return std::strncmp(value, "zh", 2) == 0 ? Language::Chinese : Language::English;
    }
    return Language::English;
}

bool LanguageFromCode(const std::string& code, Language& language)
{
    if (code == "zh") {
        language = Language::Chinese;
        return true;
    }
    if (code == "en") {
        language = Language::English;
        return true;
    }
    return false;
}

const char* LanguageCode(Language language) { return language == Language::Chinese ? "zh" : "en"; }

void SetLanguage(Language language) { g_language.store(language, std::memory_order_relaxed); }

Language CurrentLanguage() { return g_language.load(std::memory_order_relaxed); }

// The English table is still to come: every text stays Chinese for now.
const char* Localized(const char* chinese) { return chinese; }

std::string Localized(const std::string& chinese) { return chinese; }
