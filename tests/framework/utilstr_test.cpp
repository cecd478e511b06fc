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
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "framework/globals.h"
#include "framework/settings.h"
#include "framework/utilstr.h"
#include "platform/gui/application.h"

namespace {

struct Setup {
    int floatDigits = 3;
    int decimalSign = 1;
    int unitSystem = 0;
    int angleFormat = 2;
    int charMode = 0;
    int dateCode = 2;
};

struct Case {
    const char* what;
    Setup setup;
    std::function<std::string()> run;
    std::string expected;
};

Setup Std() {
    return {};
}
Setup FD(int d) {
    Setup s;
    s.floatDigits = d;
    return s;
}
Setup Comma() {
    Setup s;
    s.decimalSign = 2;
    return s;
}
Setup Imp() {
    Setup s;
    s.unitSystem = 1;
    return s;
}
Setup ImpTr() {
    Setup s;
    s.unitSystem = 1;
    s.charMode = 1;
    return s;
}
Setup Tr() {
    Setup s;
    s.charMode = 1;
    return s;
}
Setup DecAngTr() {
    Setup s;
    s.angleFormat = 1;
    s.charMode = 1;
    return s;
}
Setup Date(int c) {
    Setup s;
    s.dateCode = c;
    return s;
}

void Apply(const Setup& s) {
    InitAllSettings();
    FloatDigits = static_cast<std::uint16_t>(s.floatDigits);
    DecimalSign = static_cast<std::uint16_t>(s.decimalSign);
    UnitSystem = static_cast<std::uint16_t>(s.unitSystem);
    AngleFormat = static_cast<std::uint16_t>(s.angleFormat);
    CharMode = static_cast<std::uint16_t>(s.charMode);
    DateCode = static_cast<std::uint16_t>(s.dateCode);
}

template <typename F> std::function<std::string()> R(F f) {
    return f;
}

// A parse result as text that compares exactly (mantissa and binary exponent as integers; the
// C library's "%La" would itself follow the locale).
std::string Exact(long double v) {
    int exp = 0;
    const long double fr = frexpl(v, &exp);
    const auto m = static_cast<long long>(ldexpl(fr, 63));
    return std::to_string(m) + "p" + std::to_string(exp - 63);
}

const std::vector<Case>& Table() {
    static const std::vector<Case> cases = {
        // Fixed point: width, rounding, ties away from zero, FloatDigits, decimal sign.
        {"fix pi 3", Std(), R([] { return FloatToStrFix(1, 3, 3.14159L); }), "3.142"},
        {"fix padded", Std(), R([] { return FloatToStrFix(4, 2, 3.14159L); }), "   3.14"},
        {"fix tie 0.125", Std(), R([] { return FloatToStrFix(1, 2, 0.125L); }), "0.13"},
        {"fix tie -0.125", Std(), R([] { return FloatToStrFix(1, 2, -0.125L); }), "-0.13"},
        {"fix tie 2.5 at 0", Std(), R([] { return FloatToStrFix(1, 0, 2.5L); }), "3"},
        {"fix tie 1.0625", Std(), R([] { return FloatToStrFix(1, 3, 1.0625L); }), "1.063"},
        {"fix tie -1.0625", Std(), R([] { return FloatToStrFix(1, 3, -1.0625L); }), "-1.063"},
        {"fix below 1e-8", Std(), R([] { return FloatToStrFix(3, 1, 1e-9L); }), "  0.0"},
        {"fix no negative zero", Std(), R([] { return FloatToStrFix(2, 2, -0.001L); }), " 0.00"},
        {"fix 2.675 below tie", Std(), R([] { return FloatToStrFix(1, 2, 2.675L); }), "2.67"},
        {"fix 0.005 below tie", Std(), R([] { return FloatToStrFix(1, 2, 0.005L); }), "0.00"},
        {"fix 12.345 above tie", Std(), R([] { return FloatToStrFix(1, 2, 12.345L); }), "12.35"},
        {"fix FloatDigits 5", FD(5), R([] { return FloatToStrFix(1, 3, 3.14159265L); }), "3.14159"},
        {"fix FloatDigits clamp 10", FD(5), R([] { return FloatToStrFix(1, 8, 1.5L); }),
         "1.5000000000"},
        {"fix FloatDigits clamp 0", FD(0), R([] { return FloatToStrFix(1, 2, 2.675L); }), "3"},
        {"fix comma", Comma(), R([] { return FloatToStrFix(1, 3, 3.14159L); }), "3,142"},
        {"fix big integer", Std(), R([] { return FloatToStrFix(0, 0, 123456789012.0L); }),
         "123456789012"},
        {"fix 1e25", Std(), R([] { return FloatToStrFix(1, 2, 1e25L); }),
         "10000000000000000000000000.00"},
        {"fix 1e30 exact binary value", Std(), R([] { return FloatToStrFix(1, 2, 1e30L); }),
         "1000000000000000000024696061952.00"},
        {"fix 9 digits", Std(), R([] { return FloatToStrFix(1, 2, 123456789.123456789L); }),
         "123456789.12"},
        // Significant digits.
        {"sig3 1e-5", Std(), R([] { return FloatToStrSig3(0.00001L); }), "0"},
        {"sig3 pi", Std(), R([] { return FloatToStrSig3(3.14159L); }), "3.142"},
        {"sig3 2.5", Std(), R([] { return FloatToStrSig3(2.5L); }), "2.5"},
        {"sig3 0.5", Std(), R([] { return FloatToStrSig3(0.5L); }), "0.5"},
        {"sig3 0.0123456", Std(), R([] { return FloatToStrSig3(0.0123456L); }), "0.0123"},
        {"sig3 comma", Comma(), R([] { return FloatToStrSig3(3.14159L); }), "3,142"},
        {"sig3 negative", Std(), R([] { return FloatToStrSig3(-3.14159L); }), "-3.142"},
        {"sig3 123.456", Std(), R([] { return FloatToStrSig3(123.456L); }), "123.5"},
        {"sig3 1234.5678", Std(), R([] { return FloatToStrSig3(1234.5678L); }), "1235"},
        {"sig3 100", Std(), R([] { return FloatToStrSig3(100.0L); }), "100"},
        {"sig3 0.1", Std(), R([] { return FloatToStrSig3(0.1L); }), "0.1"},
        {"sig3 20", Std(), R([] { return FloatToStrSig3(20.0L); }), "20"},
        {"sig3 small", Std(), R([] { return FloatToStrSig3(0.000012346L); }), "0.0000123"},
        {"sig6 e", Std(), R([] { return FloatToStrSig6(2.718281828L); }), "2.718282"},
        {"sig6 100", Std(), R([] { return FloatToStrSig6(100.0L); }), "100"},
        {"sig2", Std(), R([] { return FloatToStrSigN(1, 0.051234L); }), "0.051"},
        // Engineering form.
        {"sig3eng 1e-6", Std(), R([] { return FloatToStrSig3Eng(0.000001L); }), "1E-6"},
        {"sig3eng 20000", Std(), R([] { return FloatToStrSig3Eng(20000.0L); }), "20E3"},
        {"sig3eng 500", Std(), R([] { return FloatToStrSig3Eng(500.0L); }), "500"},
        {"sig3eng tiny is 0", Std(), R([] { return FloatToStrSig3Eng(1e-13L); }), "0"},
        {"eng 5e-5", Std(), R([] { return FloatToStrEng(0.00005L); }), "0.05E-3"},
        {"eng 123456", Std(), R([] { return FloatToStrEng(123456.0L); }), "123.5E3"},
        {"eng -123456", Std(), R([] { return FloatToStrEng(-123456.0L); }), "-123.5E3"},
        {"eng 1.5e7", Std(), R([] { return FloatToStrEng(1.5e7L); }), "15E6"},
        {"eng 5e-8", Std(), R([] { return FloatToStrEng(5e-8L); }), "0.05E-6"},
        {"eng comma", Comma(), R([] { return FloatToStrEng(123456.0L); }), "123,5E3"},
        // Decimals after three significant integer digits, widths, signs.
        {"dec 7", Std(), R([] { return FloatToStrDec(7, 2.0L); }), "2.0000000"},
        {"dec 2", Std(), R([] { return FloatToStrDec(2, 1234.567L); }), "1234.57"},
        {"dec 4 below 1", Std(), R([] { return FloatToStrDec(4, 0.5L); }), "0.5000"},
        {"sig3w 20", Std(), R([] { return FloatToStrSig3W(9, 20.0L); }), "       20"},
        {"sig3w tiny", Std(), R([] { return FloatToStrSig3W(6, 0.0000005L); }), "     0"},
        {"sig3w negative", Std(), R([] { return FloatToStrSig3W(9, -3.14159L); }), "   -3.142"},
        {"signed +", Std(), R([] { return FloatToStrSigned(2, 3.14159L); }), "+3.14"},
        {"signed -", Std(), R([] { return FloatToStrSigned(2, -0.05L); }), "-0.05"},
        {"signed 0", Std(), R([] { return FloatToStrSigned(2, 0.0L); }), ""},
        // Degrees, minutes, seconds.
        {"dms 20.5", Tr(), R([] { return AngleToDms(20.5L); }), "   20deg30'"},
        {"dms 20 30 15", Tr(),
         R([] { return AngleToDms(20.0L + 30.0L / 60.0L + 15.0L / 3600.0L); }), "20deg30'15\""},
        {"dms whole", Tr(), R([] { return AngleToDms(20.0L); }), "       20deg"},
        {"dms decimal format", DecAngTr(), R([] { return AngleToDms(20.5L); }), "     20.5deg"},
        {"dms -0.5 keeps sign", Tr(), R([] { return AngleToDms(-0.5L); }), "   -0deg30'"},
        {"dms -20.25", Tr(), R([] { return AngleToDms(-20.25L); }), "  -20deg15'"},
        {"dms -0.2625", Tr(), R([] { return AngleToDms(-0.2625L); }), "-0deg15'45\""},
        {"dms carry to whole", Tr(), R([] { return AngleToDms(29.99999999L); }), "       30deg"},
        {"dms carry negative", Tr(), R([] { return AngleToDms(-20.99999999L); }), "      -21deg"},
        {"dms degree sign", Std(), R([] { return AngleToDms(20.5L); }), "   20\u00B030'"},
        // Tolerances.
        {"tol symmetric", Std(), R([] { return ToleranceToStr(0.05L, -0.05L); }), " \u00B1 0.05"},
        {"tol symmetric translit", Tr(), R([] { return ToleranceToStr(0.05L, -0.05L); }),
         "+/-0.05"},
        {"tol upper only", Std(), R([] { return ToleranceToStr(0.05L, 0.0L); }), "+0.05"},
        {"tol none", Std(), R([] { return ToleranceToStr(0.0L, 0.0L); }), ""},
        {"tol pair", Std(), R([] { return ToleranceToStr(0.05L, -0.02L); }), "+0.05/-0.02"},
        {"tol lower only", Std(), R([] { return ToleranceToStr(0.0L, -0.034L); }), "-0.034"},
        {"tol negative upper symmetric", Tr(), R([] { return ToleranceToStr(-0.05L, 0.05L); }),
         "+/--0.05"},
        {"tol imperial symmetric", ImpTr(), R([] { return ToleranceToStr(0.127L, -0.127L); }),
         "+/-0.005"},
        {"tol imperial value", Imp(), R([] { return ToleranceValueToStr(0.3048L); }), "+0.012"},
        // Lengths in both unit systems.
        {"len metric", Std(), R([] { return LengthToStr(25.4L); }), "25.4"},
        {"len imperial", Imp(), R([] { return LengthToStr(25.4L); }), "1.0000"},
        {"len dec imperial", Imp(), R([] { return LengthToStrDec(2, 50.8L); }), "2.000"},
        {"len6 imperial", Imp(), R([] { return LengthToStr6(12.7L); }), "0.50000"},
        {"len fix imperial", Imp(), R([] { return LengthToStrFix(3, 2, 254.0L); }), "10.000"},
        {"len fix metric", Std(), R([] { return LengthToStrFix(3, 2, 12.3456L); }), " 12.35"},
        {"unit metric", Std(), R([] { return LengthUnitText(); }), "mm"},
        {"unit imperial", Imp(), R([] { return LengthUnitText(); }), "in"},
        {"str to length imperial", Imp(), R([] { return Exact(StrToLength("1,5")); }),
         Exact(1.5L * 25.4L)},
        {"plus minus", Std(), R([] { return PlusMinusText(); }), " \u00B1 "},
        {"angle unit", Std(), R([] { return AngleUnitText(); }), "\u00B0"},
        // Dates by DateCode.
        {"date code 1", Date(1), R([] { return DateToText(2024, 3, 7); }), "07.03.2024"},
        {"date code 2", Date(2), R([] { return DateToText(2024, 3, 7); }), "03/07/2024"},
        {"date code 3", Date(3), R([] { return DateToText(2024, 3, 7); }), "2024/03/07"},
        {"date code 4", Date(4), R([] { return DateToText(2024, 3, 7); }), "07/03/2024"},
        {"date code 0", Date(0), R([] { return DateToText(2024, 3, 7); }), "2024/03/07"},
        // Integers.
        {"lead zero", Std(), R([] { return IntToStrLeadZero(7, 2); }), "07"},
        {"lead zero longer", Std(), R([] { return IntToStrLeadZero(123, 2); }), "123"},
        {"lead zero negative", Std(), R([] { return IntToStrLeadZero(-7, 3); }), "-07"},
        {"lead blank", Std(), R([] { return IntToStrLeadBlank(7, 3); }), "  7"},
        // Text to numbers.
        {"parse comma", Std(), R([] { return Exact(StrToReal("1,5")); }), Exact(1.5L)},
        {"parse blanks plus", Std(), R([] { return Exact(StrToReal("  +1.5 ")); }), Exact(1.5L)},
        {"parse .5", Std(), R([] { return Exact(StrToReal(".5")); }), Exact(0.5L)},
        {"parse 1e3", Std(), R([] { return Exact(StrToReal("1e3")); }), Exact(1000.0L)},
        {"parse exponent", Std(), R([] { return Exact(StrToReal("-2.5E-2")); }), Exact(-0.025L)},
        {"parse full precision", Std(), R([] { return Exact(StrToReal("0.1")); }), Exact(0.1L)},
        {"parse comma and point", Std(), R([] { return Exact(StrToReal("1,234.5")); }),
         Exact(0.0L)},
        {"parse garbage", Std(), R([] { return Exact(StrToReal("1.5x")); }), Exact(0.0L)},
        {"parse int", Std(), R([] { return IntToString(StrToInteger(" 42 ")); }), "42"},
        {"parse int not whole", Std(), R([] { return IntToString(StrToInteger("4.2")); }), "0"},
        {"parse int range", Std(), R([] { return IntToString(StrToInteger("2147483648")); }), "0"},
        {"parse int min", Std(), R([] { return IntToString(StrToInteger("-2147483648")); }),
         "-2147483648"},
    };
    return cases;
}

// Runs the whole table and returns one line per failing case.
std::string RunTable() {
    std::string failures;
    for (const Case& c : Table()) {
        Apply(c.setup);
        const std::string got = c.run();
        if (got != c.expected)
            failures +=
                std::string(c.what) + ": got \"" + got + "\", expected \"" + c.expected + "\"\n";
    }
    InitAllSettings();
    return failures;
}

class LocaleGuard {
public:
    LocaleGuard() : saved_(std::setlocale(LC_ALL, nullptr)) {}
    ~LocaleGuard() { std::setlocale(LC_ALL, saved_.c_str()); }

private:
    std::string saved_;
};

} // namespace

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

// The second process (registered in CMakeLists.txt) sets QOR_FORMAT_LOCALE_RUN and runs with
// LC_ALL=de_DE.UTF-8: the GUI application takes the locale from the environment as in the
// program; then the table must give the same texts.
TEST(FormatTable, InsideTheGuiApplicationUnderEnvironmentLocale) {
    if (std::getenv("QOR_FORMAT_LOCALE_RUN") == nullptr)
        GTEST_SKIP() << "runs in the second process with LC_ALL=de_DE.UTF-8";
#ifndef QOR_NO_GUI_LINK_YET
    Application->Initialize();
    ASSERT_TRUE(Application->HasWidgets());
#endif
    ASSERT_STREQ(std::localeconv()->decimal_point, ",")
        << "the application did not take LC_ALL=de_DE.UTF-8";
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
