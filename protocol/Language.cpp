#include "Language.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

#ifdef _WIN32
#include <windows.h>
#endif

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
#ifdef _WIN32
    return SystemLanguage();
#else
    return Language::English;
#endif
}

Language SystemLanguage()
{
#ifdef _WIN32
    // Windows keeps the language of its menus and dialogs, not a variable.
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE ? Language::Chinese : Language::English;
#else
    return LanguageFromEnvironment();
#endif
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

namespace {

// Built once, on first use (a thread-safe static), and only read after.
const std::unordered_map<std::string_view, const char*>& EnglishIndex()
{
    static const auto index = [] {
        std::unordered_map<std::string_view, const char*> map;
        for (const Translation& t : EnglishTable()) map.emplace(t.chinese, t.english);
        return map;
    }();
    return index;
}

}  // namespace

const char* Localized(const char* chinese) { return Localized(chinese, CurrentLanguage()); }

const char* Localized(const char* chinese, Language language)
{
    if (chinese == nullptr || language == Language::Chinese) return chinese;
    const auto& index = EnglishIndex();
    const auto it = index.find(chinese);
    return it != index.end() ? it->second : chinese;
}

std::string Localized(const std::string& chinese)
{
    if (CurrentLanguage() == Language::Chinese) return chinese;
    const auto& index = EnglishIndex();
    const auto it = index.find(chinese);
    return it != index.end() ? std::string(it->second) : chinese;
}
