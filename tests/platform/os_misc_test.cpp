// Clock and the user's language.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/os/clock.h"
#include "platform/os/language.h"

namespace {

TEST(OsClock, TickAdvancesBySleepsAndNeverGoesBack) {
    const std::uint64_t t0 = os::TickCount64();
    os::SleepMs(30);
    const std::uint64_t t1 = os::TickCount64();
    EXPECT_GE(t1 - t0, 30u);
    // The 32-bit tick is the low part of the 64-bit one.
    const std::uint64_t a = os::TickCount64();
    const std::uint32_t t = os::TickCount();
    const std::uint64_t b = os::TickCount64();
    EXPECT_LE(static_cast<std::uint32_t>(t - static_cast<std::uint32_t>(a)), b - a);
    std::uint64_t prev = os::TickCount64();
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t now = os::TickCount64();
        ASSERT_GE(now, prev);
        prev = now;
    }
}

TEST(OsLanguage, LocaleNamesGiveTheProgramsLanguageNumbers) {
    EXPECT_EQ(os::LanguageFromLocale("de_DE.UTF-8"), 1);
    EXPECT_EQ(os::LanguageFromLocale("de_AT@euro"), 1);
    EXPECT_EQ(os::LanguageFromLocale("en_US.UTF-8"), 2);
    EXPECT_EQ(os::LanguageFromLocale("pt_BR.UTF-8"), 6);
    EXPECT_EQ(os::LanguageFromLocale("pt"), 6);
    EXPECT_EQ(os::LanguageFromLocale("ro_RO.UTF-8"), 7);
    EXPECT_EQ(os::LanguageFromLocale("ko_KR.eucKR"), 8);
    EXPECT_EQ(os::LanguageFromLocale("zh_TW.UTF-8"), 12);
    EXPECT_EQ(os::LanguageFromLocale("ZH_cn"), 12);
    EXPECT_EQ(os::LanguageFromLocale("fr_FR.UTF-8"), 2);
    EXPECT_EQ(os::LanguageFromLocale("C"), 2);
    EXPECT_EQ(os::LanguageFromLocale("POSIX"), 2);
    EXPECT_EQ(os::LanguageFromLocale(""), 2);
}

TEST(OsLanguage, WindowsLanguageIdentifiers) {
    // Primary language in bits 0..9, sublanguage above.
    EXPECT_EQ(os::LangIdFromLocale("en_US.UTF-8"), 0x0409);
    EXPECT_EQ(os::LangIdFromLocale("en_GB.UTF-8"), 0x0809);
    EXPECT_EQ(os::LangIdFromLocale("de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(os::LangIdFromLocale("de_CH.UTF-8"), 0x0807);
    EXPECT_EQ(os::LangIdFromLocale("fr_CA.UTF-8"), 0x0C0C);
    EXPECT_EQ(os::LangIdFromLocale("fr_FR.UTF-8"), 0x040C);
    EXPECT_EQ(os::LangIdFromLocale("es_ES.UTF-8"), 0x0C0A);
    EXPECT_EQ(os::LangIdFromLocale("it_IT.UTF-8"), 0x0410);
    EXPECT_EQ(os::LangIdFromLocale("ru_RU.UTF-8"), 0x0419);
    EXPECT_EQ(os::LangIdFromLocale("zh_CN.UTF-8"), 0x0804);
    EXPECT_EQ(os::LangIdFromLocale("pt_BR"), 0x0416);
    EXPECT_EQ(os::LangIdFromLocale("xx_YY"), 0x0409);
    EXPECT_EQ(os::LangIdFromLocale("C"), 0x0409);
}

// LC_ALL wins over LC_MESSAGES, which wins over LANG; empty values do not count.
TEST(OsLanguage, EnvironmentPrecedence) {
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    } saved[] = {{"LC_ALL", "", false}, {"LC_MESSAGES", "", false}, {"LANG", "", false}};
    for (auto& s : saved) {
        const char* v = std::getenv(s.name);
        s.set = v != nullptr;
        if (v != nullptr) s.value = v;
    }
    ::setenv("LANG", "pt_BR.UTF-8", 1);
    ::setenv("LC_MESSAGES", "ko_KR.UTF-8", 1);
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    EXPECT_EQ(os::UserLanguage(), 1);
    ::setenv("LC_ALL", "", 1);
    EXPECT_EQ(os::UserLanguage(), 8);
    ::unsetenv("LC_MESSAGES");
    EXPECT_EQ(os::UserLanguage(), 6);
    EXPECT_EQ(os::UserLangId(), 0x0416);
    ::unsetenv("LANG");
    ::unsetenv("LC_ALL");
    EXPECT_EQ(os::UserLocaleName(), "C");
    EXPECT_EQ(os::UserLanguage(), 2);
    for (const auto& s : saved) {
        if (s.set)
            ::setenv(s.name, s.value.c_str(), 1);
        else
            ::unsetenv(s.name);
    }
}

} // namespace
