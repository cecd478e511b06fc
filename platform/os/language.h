#pragma once
// The user's language from the environment (LC_ALL, then LC_MESSAGES, then LANG; the first
// that is set and not empty decides).

#include <cstdint>
#include <string>

namespace os {

// The locale name that decides, e.g. "de_DE.UTF-8"; "C" when none is set.
std::string UserLocaleName();

// The program's language numbers: 1 German, 2 English, 6 Portuguese, 7 Romanian, 8 Korean,
// 12 Chinese. Any other language, "C" and "POSIX" give 2 (English).
int UserLanguage();
// The same for a given locale name ("pt_BR.UTF-8", "de", "zh_TW@x" ...).
int LanguageFromLocale(const std::string& locale);

// The Windows language identifier of the user's locale (primary language in bits 0..9,
// sublanguage in bits 10..15), e.g. 0x0409 for en_US, 0x0407 for de_DE, 0x0C0C for fr_CA.
// Unknown languages give 0x0409.
std::uint16_t UserLangId();
std::uint16_t LangIdFromLocale(const std::string& locale);

} // namespace os
