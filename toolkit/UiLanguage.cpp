#include "UiLanguage.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTranslator>

namespace {

constexpr auto kKey = "ui/language";

// The application's settings, where CDemoApp keeps them (the registry, or
// the portable INI file).
QSettings Settings() { return QSettings(); }

// The one translator of the windows, owned here so that a later Apply can
// take it out again.
QTranslator* g_translator = nullptr;

}  // namespace

namespace UiLanguage {

std::optional<Language> Saved()
{
    const QString code = Settings().value(QLatin1String(kKey)).toString();
    Language language = Language::Chinese;
    if (LanguageFromCode(code.toStdString(), language)) return language;
    return std::nullopt;  // never chosen, or a value this version does not know
}

void Save(Language language) { Settings().setValue(QLatin1String(kKey), QString::fromLatin1(LanguageCode(language))); }

Language Chosen() { return Saved().value_or(SystemLanguage()); }

bool Apply(Language language)
{
    if (g_translator != nullptr) {
        QCoreApplication::removeTranslator(g_translator);
        delete g_translator;
        g_translator = nullptr;
    }
    bool ok = true;
    if (language == Language::English) {
        auto* translator = new QTranslator;
        ok = translator->load(QStringLiteral(":/i18n/zoric_en.qm"));
        if (ok && QCoreApplication::installTranslator(translator)) {
            g_translator = translator;
        } else {
            ok = false;
            delete translator;
        }
    }
    // Without the windows' English, protocol/'s texts stay Chinese too: one language on screen.
    SetLanguage(ok ? language : Language::Chinese);
    return ok;
}

}  // namespace UiLanguage
