#pragma once
// The windows' language: the user's choice from the "语言" menu (kept in the
// settings) or else the locale, applied to both the Qt translator of the
// windows' texts and the Qt-free modules' texts (protocol/Language.h).
// Chinese is the source language: it needs no translator.

#include <optional>

#include "Language.h"

namespace UiLanguage {

// The language the user chose in the menu, if any.
std::optional<Language> Saved();
// Remembers the choice for the next start.
void Save(Language language);
// The saved choice, else the system's (SystemLanguage).
Language Chosen();
// Installs the translator for `language` (replacing an earlier one) and sets
// the language of the Qt-free texts. Call before the windows are built:
// windows already shown keep their texts. False when the English
// translation is missing from the program (all texts then stay Chinese).
bool Apply(Language language);

}  // namespace UiLanguage
