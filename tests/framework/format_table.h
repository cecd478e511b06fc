#pragma once
// The formatting table shared by the text tests of the core and the one that runs inside the
// GUI application object: cases whose expected texts follow from the formatting rules by hand.

#include <clocale>
#include <cmath>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"

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
