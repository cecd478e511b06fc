#include "platform/os/language.h"

#include <cstdlib>
#include <string_view>

namespace os {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// "pt_BR.UTF-8@euro" -> language "pt", country "br".
void SplitLocale(const std::string& locale, std::string& language, std::string& country) {
    std::string_view s = locale;
    const auto end = s.find_first_of(".@");
    if (end != std::string_view::npos) s = s.substr(0, end);
    const auto sep = s.find_first_of("_-");
    language = Lower(s.substr(0, sep));
    country = sep == std::string_view::npos ? "" : Lower(s.substr(sep + 1));
}

struct LangEntry {
    const char* language;
    unsigned primary;
    // Sublanguages by country; the first is also the default.
    struct Sub {
        const char* country;
        unsigned sub;
    } subs[8];
};

constexpr LangEntry kLangIds[] = {
    {"de", 0x07, {{"de", 1}, {"ch", 2}, {"at", 3}, {"lu", 4}, {"li", 5}}},
    {"en", 0x09, {{"us", 1}, {"gb", 2}, {"au", 3}, {"ca", 4}, {"nz", 5}, {"ie", 6}, {"za", 7}}},
    {"es", 0x0A, {{"es", 3}, {"mx", 2}}},
    {"fr", 0x0C, {{"fr", 1}, {"be", 2}, {"ca", 3}, {"ch", 4}, {"lu", 5}}},
    {"it", 0x10, {{"it", 1}, {"ch", 2}}},
    {"ru", 0x19, {{"ru", 1}}},
    {"pt", 0x16, {{"br", 1}, {"pt", 2}}},
    {"ro", 0x18, {{"ro", 1}}},
    {"ko", 0x12, {{"kr", 1}}},
    {"zh", 0x04, {{"cn", 2}, {"tw", 1}, {"hk", 3}, {"sg", 4}, {"mo", 5}}},
    {"ja", 0x11, {{"jp", 1}}},
    {"nl", 0x13, {{"nl", 1}, {"be", 2}}},
    {"pl", 0x15, {{"pl", 1}}},
    {"cs", 0x05, {{"cz", 1}}},
    {"sv", 0x1D, {{"se", 1}, {"fi", 2}}},
    {"da", 0x06, {{"dk", 1}}},
    {"fi", 0x0B, {{"fi", 1}}},
    {"hu", 0x0E, {{"hu", 1}}},
    {"tr", 0x1F, {{"tr", 1}}},
};

} // namespace

std::string UserLocaleName() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && *v != '\0') return v;
    }
    return "C";
}

int LanguageFromLocale(const std::string& locale) {
    std::string language, country;
    SplitLocale(locale, language, country);
    if (language == "de") return 1;
    if (language == "pt") return 6;
    if (language == "ro") return 7;
    if (language == "ko") return 8;
    if (language == "zh") return 12;
    return 2;
}

int UserLanguage() {
    return LanguageFromLocale(UserLocaleName());
}

std::uint16_t LangIdFromLocale(const std::string& locale) {
    std::string language, country;
    SplitLocale(locale, language, country);
    for (const LangEntry& e : kLangIds) {
        if (language != e.language) continue;
        unsigned sub = e.subs[0].sub;
        for (const auto& s : e.subs)
            if (s.country != nullptr && country == s.country) sub = s.sub;
        return static_cast<std::uint16_t>(e.primary | (sub << 10));
    }
    return 0x0409;
}

std::uint16_t UserLangId() {
    return LangIdFromLocale(UserLocaleName());
}

} // namespace os
