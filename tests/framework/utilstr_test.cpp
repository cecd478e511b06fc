// Number formatting, parsing and text helpers. The expected texts follow from the formatting
// rules by hand (significant digits, trailing zeros dropped, half away from zero on the exact
// binary value); values that are not exact binary fractions were checked with mpmath at 64-bit
// precision. The table runs in this process under the C locale, again under a German locale,
// and (see CMakeLists.txt) in a second process started with LC_ALL=de_DE.UTF-8 that creates the
// GUI application object first, as the program does.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <utility>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "tests/framework/format_table.h"

TEST(FormatTable, AboutEightyCasesHold) {
    EXPECT_GE(Table().size(), 80u);
    EXPECT_EQ(RunTable(), "");
}

TEST(FormatTable, GermanLocaleChangesNothing) {
    LocaleGuard guard;
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_FAIL() << "the de_DE.UTF-8 locale is missing (scripts/install-deps generates it)";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_EQ(RunTable(), "");
}

// ---- fixed-point rounding against an exact reference -------------------------------------------

// Random values of every magnitude (up to 1e4270) are formatted at 0..12 decimals; Python's exact
// rational arithmetic rounds the same binary values half away from zero and must give the same
// texts.
TEST(FixedRounding, MatchesExactDecimalReference) {
    InitAllSettings();
    std::mt19937_64 rng(20240307);
    std::ostringstream data;
    auto emit = [&](long double x, int d) {
        int exp = 0;
        const long double fr = frexpl(fabsl(x), &exp);
        const auto m = static_cast<unsigned long long>(ldexpl(fr, 64));
        data << (x < 0 ? "-" : "") << m << ' ' << (exp - 64) << ' ' << d << ' '
             << FloatToStrFix(0, d, x) << '\n';
    };
    for (int i = 0; i < 4000; ++i) {
        const int d = static_cast<int>(rng() % 13);
        const long double mant = static_cast<long double>(rng()) / 0x1p64L;
        const int e10 = static_cast<int>(rng() % 40) - 12;
        long double x = mant * powl(10.0L, static_cast<long double>(e10));
        if (rng() % 2) x = -x;
        emit(x, d);
        // Exact ties at d decimals: an odd multiple of 5^d over 2^(d+1).
        const long double tie = static_cast<long double>(rng() % 100000 * 2 + 1) *
                                powl(5.0L, static_cast<long double>(d)) / ldexpl(1.0L, d + 1);
        emit(rng() % 2 ? tie : -tie, d);
        // Near-ties: decimal halves, which binary cannot hold exactly.
        const long double half = (static_cast<long double>(rng() % 1000000) + 0.5L) /
                                 powl(10.0L, static_cast<long double>(d));
        emit(half, d);
    }
    // Values beyond 1e2300 need more integer digits than their binary exponent times 0.3.
    for (int i = 0; i < 40; ++i) {
        const long double mant = static_cast<long double>(rng()) / 0x1p64L;
        const int e10 = 2300 + static_cast<int>(rng() % 1970); // texts below 4300 digits
        emit(mant * powl(10.0L, static_cast<long double>(e10)), static_cast<int>(rng() % 13));
    }
    const std::string dir = QOR_BINARY_DIR "/tests_textfiles";
    std::filesystem::create_directories(dir);
    const std::string file = dir + "/fixed_cases.txt";
    {
        std::ofstream out(file, std::ios::binary);
        out << data.str();
    }
    const std::string cmd =
        "/usr/bin/python3 " QOR_TEST_DATA_DIR "/textfiles/check_fixed.py " + file;
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string report;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p) != nullptr)
        report += buf;
    const int status = ::pclose(p);
    EXPECT_EQ(status, 0) << report;
    EXPECT_NE(report.find("checked 12040, 0 differ"), std::string::npos) << report;
}

// ---- significant-digit edge cases --------------------------------------------------------------

TEST(SignificantSplit, EndsWhenTheValueRoundsToZero) {
    InitAllSettings();
    int i = 7;
    int d = 7;
    // n = -1 significant digits of 0.003: the trailing-zero loop starts from v = round(0.3) = 0.
    SignificantSplit(i, d, -1, 0.003L);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(FloatToStrSigN(4, 0.003L), "0.0");
    SignificantSplit(i, d, 3, 1e-4940L); // subnormal: scaling overflows
    EXPECT_EQ(i, 0);
}

TEST(SignificantSplit, DigitCounts) {
    InitAllSettings();
    int i = 0;
    int d = 0;
    SignificantSplit(i, d, 3, 3.14159L);
    EXPECT_EQ(i, 1);
    EXPECT_EQ(d, 3);
    SignificantSplit(i, d, 3, 0.0123456L);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(d, 4);
    SignificantSplit(i, d, 3, 98765.0L);
    EXPECT_EQ(i, 5);
    EXPECT_EQ(d, 0);
    SignificantSplit(i, d, 3, 0.0L); // taken as 0.5
    EXPECT_EQ(i, 0);
    EXPECT_EQ(d, 1);
    // The digits shown are those of the rounded value: no digit that rounds up is cut off.
    for (const auto& [x, text] : {std::pair{0.4908L, "0.491"}, {0.9996L, "1"}, {2.0004L, "2"},
                                  {19.996L, "20"}, {-0.0120049L, "-0.012"}})
        EXPECT_EQ(FloatToStrSig3(x), text) << static_cast<double>(x);
}

TEST(NonFinite, FormatsWithoutFailing) {
    InitAllSettings();
    const long double inf = std::numeric_limits<long double>::infinity();
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    EXPECT_EQ(FloatToStrFix(1, 2, nan), " NAN");
    EXPECT_EQ(FloatToStrFix(0, 0, -inf), "-INF");
    EXPECT_EQ(FloatToStrSig3(inf), "INF");
    EXPECT_EQ(FloatToStrEng(nan), "NAN");
    EXPECT_EQ(AngleToDms(inf).substr(0, 9), "      INF");
    EXPECT_EQ(StrToReal("inf"), 0.0L);
    EXPECT_EQ(StrToReal("nan"), 0.0L);
    EXPECT_EQ(StrToReal("1e99999"), 0.0L);
    bool ok = true;
    EXPECT_EQ(ParseReal("1e-99999", ok), 0.0L);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ParseReal("0x10", ok), 0.0L);
    EXPECT_FALSE(ok);
}

TEST(StoredFileFormat, IgnoresFloatDigitsWhileInScope) {
    InitAllSettings();
    FloatDigits = 1;
    EXPECT_EQ(FloatToStrDec(7, 2.0L), "2.00000");
    {
        const StoredFileFormat outer;
        {
            const StoredFileFormat inner;
            EXPECT_EQ(FloatToStrDec(7, 2.0L), "2.0000000");
        }
        EXPECT_EQ(FloatToStrDec(7, 2.0L), "2.0000000");
    }
    EXPECT_EQ(FloatToStrDec(7, 2.0L), "2.00000");
    InitAllSettings();
}

// ---- text helpers ------------------------------------------------------------------------------

TEST(TextHelpers, PaddingTrimmingCutting) {
    EXPECT_EQ(PadTrim("  ab ", 4), "  ab");
    EXPECT_EQ(PadTrim("  abcdef ", 3), "abc");
    EXPECT_EQ(PadTo("abcdef", 3), "abc");
    EXPECT_EQ(PadTo("ab", 4), "ab  ");
    EXPECT_EQ(PadTo("\u00E4\u00F6\u00FC\u00DF", 2), "\u00E4\u00F6"); // characters, not bytes
    EXPECT_EQ(PadTo("\u00E4", 3), "\u00E4  ");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(" a b "), "a b");
    EXPECT_EQ(LeftStr("Gr\u00FC\u00DFe", 3), "Gr\u00FC");
    EXPECT_EQ(RightStr("Gr\u00FC\u00DFe", 2), "\u00DFe");
    EXPECT_EQ(RightStr("ab", 5), "ab");
    EXPECT_EQ(LeftStr("ab", -1), "");
    EXPECT_EQ(WithoutBlanks(" a b  c "), "abc");
    std::string s = " x y ";
    DelBlanks(s);
    EXPECT_EQ(s, "xy");
}

TEST(TextHelpers, CaseReplaceSearch) {
    EXPECT_EQ(UpperCaseStr("abz\u00E4"), "ABZ\u00E4"); // a..z only
    EXPECT_EQ(LowerCaseStr("ABZ\u00C4"), "abz\u00C4");
    std::string t = "a\u00B0b\u00B0";
    ReplaceChar(U'\u00B0', U'x', t);
    EXPECT_EQ(t, "axbx");
    ReplaceChar(U'x', U'\u00B1', t);
    EXPECT_EQ(t, "a\u00B1b\u00B1");
    EXPECT_EQ(LastPos("ab", "xxabyab"), 6);
    EXPECT_EQ(LastPos("ab", "xxx"), 0);
    EXPECT_EQ(LastPos("b", "\u00E4\u00E4b"), 3); // character position
    EXPECT_EQ(LastPos("", "abc"), 0);
    EXPECT_EQ(PointToComma("1.5.6"), "1,5,6");
    EXPECT_EQ(CommaToPoint(std::string(300, ',')), std::string(300, '.'));
    ListDecimalSign = 1;
    EXPECT_EQ(SetDecimalSign("1,5"), "1.5");
    ListDecimalSign = 2;
    EXPECT_EQ(SetDecimalSign("1.5"), "1,5");
    InitAllSettings();
}

TEST(TextHelpers, FindParamComparesInUpperCase) {
    const char* argv[] = {"qor1w", "gear.q1w", "/nogui"};
    SetCommandLineParams(3, argv);
    EXPECT_EQ(FindParam("/NOGUI"), 1);
    EXPECT_EQ(FindParam("/I"), 0);
    EXPECT_EQ(FindParam("qor1w"), 0); // the program itself is no parameter
    SetCommandLineParams(0, nullptr);
    EXPECT_EQ(FindParam("/NOGUI"), 0);
}

TEST(WrapTextLines, WrapsAnyLengthAtTheSeparator) {
    // 12 words of 9 characters plus a blank: 120 characters, more than five lines at n = 25.
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "word" + std::to_string(10000 + i) + " ";
    int longest = 0;
    int count = 0;
    WrapTextLines(text, U' ', 25, longest, count);
    // Each line ends at the last blank found from position 24 down: two words and their blanks.
    ASSERT_EQ(count, 6);
    std::string joined;
    for (int i = 1; i <= count; ++i) {
        EXPECT_EQ(WrapLine(i), "word" + std::to_string(10000 + 2 * (i - 1)) + " word" +
                                   std::to_string(10001 + 2 * (i - 1)) + " ");
        joined += WrapLine(i);
    }
    EXPECT_EQ(joined, text); // nothing lost
    EXPECT_EQ(longest, 20);
    EXPECT_EQ(WrapLines[1].str(), WrapLine(1));
    EXPECT_EQ(WrapLines[5].str(), WrapLine(5));
    EXPECT_EQ(WrapLine(7), "");
}

TEST(WrapTextLines, CutsWordsLongerThanTheLineAndCountsCharacters) {
    int longest = 0;
    int count = 0;
    WrapTextLines("\u00E4\u00E4\u00E4\u00E4\u00E4\u00E4\u00E4", U' ', 3, longest, count);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(WrapLine(1), "\u00E4\u00E4\u00E4");
    EXPECT_EQ(WrapLine(3), "\u00E4");
    EXPECT_EQ(longest, 3);
    WrapTextLines("", U' ', 64, longest, count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(longest, 1);
    WrapTextLines("abc", U' ', 0, longest, count); // a width below 1 still ends
    EXPECT_EQ(count, 3);
}

// ---- DOS texts ---------------------------------------------------------------------------------

TEST(DosTexts, TransliterationAndBoxCharacters) {
    InitAllSettings();
    EXPECT_EQ(
        Cp437ToAscii("Gr\u00FC\u00DFe \u00B10.05 20\u00B0 mm\u00B2 \u00C4\u00D6\u00DC\u00E4\u00F6"),
        "Gruesse +/-0.05 20deg mm2 AeOeUeaeoe");
    EXPECT_EQ(Cp437ToAscii("\u2500\u2550 \u00E9\u00E1\u00FA\u00F1\u00B5"), "-- eaunu");
    // Box drawing becomes strokes; the vertical bar stays a bar; the DOS superscript n is
    // the program's "cubed".
    EXPECT_EQ(Cp437ToAnsi("\u250C\u2500\u2510|\u2502\u2524 mm\u207F"), "+-+||| mm\u00B3");
    EXPECT_EQ(OemToAnsiString("\u00DF\u00B0"), "\u00DF\u00B0"); // system conversion: as is
    CharMode = 1;
    EXPECT_EQ(OemToAnsiString("\u00DF"), "ss");
    EXPECT_EQ(OemToAnsiString("\u00B0"), "deg");
    EXPECT_EQ(Cp437ToAnsi("\u00FC\u2502"), "ue|");
    InitAllSettings();
}

TEST(DosTexts, AnyLengthConverts) {
    InitAllSettings();
    const std::string longText(300, 'a');
    EXPECT_EQ(OemToAnsiString(longText), longText);
    EXPECT_EQ(AnsiToOemString(longText + "\u00FC"), longText + "\u00FC");
    CharMode = 1;
    EXPECT_EQ(OemToAnsiText(longText + "\u00DF"), longText + "ss");
    InitAllSettings();
}

TEST(DosTexts, WhatTheDosPageCannotHoldBecomesQuestionMark) {
    EXPECT_EQ(AnsiToOemString("\u20AC5 \u00FC \u00B1"), "?5 \u00FC \u00B1");
    // Byte forms: DOS u-umlaut 0x81 is Windows 0xFC; the Euro sign 0x80 has no DOS byte.
    EXPECT_EQ(OemToAnsiBuf("\x81\xE1"), "\xFC\xDF");
    EXPECT_EQ(AnsiToOemBuf("\xFC\x80"), "\x81?");
}

TEST(DosTexts, ConvertCharsetByMode) {
    InitAllSettings();
    CharsetMode = 1;
    EXPECT_EQ(ConvertCharset("\u00FC"), "\u00FC");
    CharsetMode = 3;
    EXPECT_EQ(ConvertCharset("\u00FC"), "ue");
    CharsetMode = 2;
    CharMode = 1;
    EXPECT_EQ(ConvertCharset("\u00B0"), "deg");
    InitAllSettings();
}
