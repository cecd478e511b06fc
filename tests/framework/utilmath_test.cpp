// Extended-precision mathematics, checked against 30-digit mpmath values computed at test time
// and against the fixed cases the program's callers rely on.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"

namespace {

// Runs a Python program with /usr/bin/python3 and returns its standard output.
std::string RunPython(const std::string& program) {
    // One file per process and call: ctest runs the tests of this file in parallel processes.
    static int calls = 0;
    const std::string path = ::testing::TempDir() + "utilmath_ref_" + std::to_string(getpid()) +
                             "_" + std::to_string(++calls) + ".py";
    {
        std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "w"), &std::fclose);
        if (!f) return {};
        std::fputs(program.c_str(), f.get());
    }
    const std::string cmd = "/usr/bin/python3 '" + path + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), &pclose);
    if (!p) return {};
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p.get())) > 0)
        out.append(buf, n);
    p.reset();
    std::remove(path.c_str());
    return out;
}

long double ParseLD(const std::string& s) {
    long double v = std::numeric_limits<long double>::quiet_NaN();
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

bool HasMessage(const std::string& text) {
    for (int i = 1; i <= ErrorCount; ++i)
        if (ErrorList[i].str() == text) return true;
    return false;
}

class UtilMath : public ::testing::Test {
protected:
    void SetUp() override { InitErrors(); }
};

TEST_F(UtilMath, ArcInvMatchesMpmathAtFiftyAngles) {
    const std::string out = RunPython(R"(
import mpmath
mpmath.mp.dps = 30
for k in range(50):
    a = mpmath.radians(1 + mpmath.mpf(59) * k / 49)
    inv = mpmath.tan(a) - a
    print(mpmath.nstr(inv, 28, min_fixed=-100, max_fixed=100), mpmath.nstr(a, 28, min_fixed=-100, max_fixed=100))
)");
    std::istringstream in(out);
    std::string invText, angleText;
    int count = 0;
    while (in >> invText >> angleText) {
        const long double y = ParseLD(invText);
        const long double expected = ParseLD(angleText);
        const long double got = ArcInv(y);
        EXPECT_NEAR(static_cast<double>(got - expected), 0.0, 1e-15)
            << "involute " << invText << " angle " << angleText;
        ++count;
    }
    EXPECT_EQ(count, 50) << out;
    EXPECT_EQ(ErrorCount, 0);
}

TEST_F(UtilMath, InvoluteOfTwentyDegrees) {
    const std::string out = RunPython(R"(
import mpmath
mpmath.mp.dps = 30
a = mpmath.radians(20)
print(mpmath.nstr(mpmath.tan(a) - a, 28, min_fixed=-100, max_fixed=100))
)");
    const long double reference = ParseLD(out.substr(0, out.find('\n')));
    ASSERT_TRUE(std::isfinite(reference)) << out;
    const long double inv20 = Inv(DegToRad(20));
    EXPECT_NEAR(static_cast<double>(inv20 - reference), 0.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(inv20), 0.0149043838673364, 5e-17);
    // And back: the angle within 1e-15 in the involute.
    EXPECT_LT(fabsl(Inv(ArcInv(inv20)) - inv20), 1e-15L);
    EXPECT_LT(fabsl(ArcInv(0)), 1e-5L);
}

TEST_F(UtilMath, ArcInvOutOfReachReportsAndReturnsZero) {
    EXPECT_EQ(ArcInv(1e6L), 0.0L); // Inv(1.57) is about 1256
    EXPECT_TRUE(HasMessage("Error: ArcInv in unit math"));
    InitErrors();
    EXPECT_EQ(ArcInv(std::numeric_limits<long double>::quiet_NaN()), 0.0L);
    EXPECT_TRUE(HasMessage("Error: ArcInv in unit math"));
}

TEST_F(UtilMath, GuardedTrigonometry) {
    EXPECT_EQ(Tan(0), 0.0L);
    EXPECT_NEAR(static_cast<double>(Tan(Pi / 4)), 1.0, 1e-18);

    EXPECT_EQ(ArcCos(1.0000001L), 0.0L);
    EXPECT_TRUE(HasMessage("Error: function ArcCos in math"));
    InitErrors();
    EXPECT_EQ(ArcCosLimited("alpha", 1.0000001L), 0.0L);
    EXPECT_EQ(ErrorCount, 0);
    EXPECT_EQ(ArcSin(-1.5L), HalfPi);
    EXPECT_TRUE(HasMessage("Error: ArcSin in unit math"));

    EXPECT_EQ(ArcCos(-1), Pi);
    EXPECT_EQ(ArcSin(1), HalfPi);
    for (long double x : {-0.999L, -0.5L, 0.0L, 0.3L, 0.87L}) {
        EXPECT_NEAR(static_cast<double>(ArcSin(x) - asinl(x)), 0.0, 1e-17);
        EXPECT_NEAR(static_cast<double>(ArcCos(x) - acosl(x)), 0.0, 1e-17);
    }

    // The remembered functions give sinl, cosl and atanl bit for bit, whatever came before:
    // 201 arguments twice share the memory's slots, and -0 is not +0.
    auto same = [](long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; };
    for (int pass = 0; pass < 2; ++pass)
        for (int k = -100; k <= 100; ++k) {
            const long double x = k * 0.0137L;
            EXPECT_TRUE(same(Sin(x), sinl(x)) && same(Cos(x), cosl(x)) && same(ArcTan(x), atanl(x)))
                << x;
        }
    EXPECT_FALSE(std::signbit(Sin(0.0L)));
    EXPECT_TRUE(std::signbit(Sin(-0.0L)) && std::signbit(ArcTan(-0.0L)));
    EXPECT_TRUE(std::isnan(Cos(std::numeric_limits<long double>::infinity())));
}

TEST_F(UtilMath, PowerAndSquareRoot) {
    EXPECT_NEAR(static_cast<double>(Power("", -8, 1.0L / 3)), 2.0, 1e-17);
    EXPECT_EQ(ErrorCount, 0);
    EXPECT_NEAR(static_cast<double>(Power("z", -8, 1.0L / 3)), 2.0, 1e-17);
    EXPECT_TRUE(HasMessage("z (pow)"));
    EXPECT_EQ(Power("", 0, 5), 0.0L);
    EXPECT_EQ(Power("", 10, 4000), 1.0E3000L);
    EXPECT_EQ(Power("", 10, -4000), 0.0L);
    EXPECT_NEAR(static_cast<double>(Power("", 2, 10)), 1024.0, 1e-12);

    InitErrors();
    EXPECT_EQ(SqrtChecked("", -1), 0.0L);
    EXPECT_EQ(ErrorCount, 0);
    EXPECT_EQ(SqrtChecked("d", -1), 0.0L);
    EXPECT_TRUE(HasMessage("d (sqrt)"));
    EXPECT_EQ(SqrtChecked("d", 2.25L), 1.5L);
    EXPECT_EQ(IntPower(2, -3), 0.125L);
    EXPECT_EQ(IntPower(3, 0), 1.0L);
    EXPECT_EQ(IntPower(-2, 5), -32.0L);
    EXPECT_EQ(IntPower(1, std::numeric_limits<int>::min()), 1.0L);
    EXPECT_EQ(IntPower(2, std::numeric_limits<int>::max()),
              std::numeric_limits<long double>::infinity());
}

TEST_F(UtilMath, FloorAndComparisonQuirks) {
    EXPECT_EQ(Floor(-2.0L), -3.0L);
    EXPECT_EQ(Floor(-2.5L), -3.0L);
    EXPECT_EQ(Floor(2.5L), 2.0L);
    EXPECT_EQ(Floor(0.0L), 0.0L);
    EXPECT_FALSE(IsEqual(1, 1.00002L));
    EXPECT_TRUE(IsEqual(1, 1.000009L));
    EXPECT_FALSE(IsBetween(1, 1, 2));
    EXPECT_TRUE(IsBetween(1.5L, 2, 1));
    EXPECT_EQ(ILimit(15, 10, 1), 10);
    EXPECT_EQ(ILimit(-5, 10, 1), 1);
    EXPECT_EQ(Sign(0), 1.0L);
    EXPECT_EQ(SignAtLeastOne(0.5L), -1.0L);
    EXPECT_EQ(Cathetus(3, 5), 0.0L);
    EXPECT_EQ(Cathetus(5, 3), 4.0L);
    EXPECT_EQ(PercentDiff(0, 5), 0.0L);
    EXPECT_NEAR(static_cast<double>(PercentDiff(200, 190)), 5.0, 1e-15);
    EXPECT_EQ(Exponent10(0), 0);
    EXPECT_EQ(Exponent10(250), 2);
    EXPECT_EQ(Exponent10(-0.05L), -2);
}

TEST_F(UtilMath, ArcTan2RangeAndArgumentOrder) {
    EXPECT_NEAR(static_cast<double>(ArcTan2(-1, 1) - 3 * Pi / 4), 0.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(ArcTan2(-1, -1) - 5 * Pi / 4), 0.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(ArcTan2(1, -1) + Pi / 4), 0.0, 1e-18);
    EXPECT_EQ(ArcTan2(0, 0), HalfPi);
    EXPECT_EQ(ArcTan2(0, -2), -HalfPi);
    EXPECT_EQ(ArcTan2Swapped(1, -1), ArcTan2(-1, 1));
}

TEST_F(UtilMath, AnglesAndRotation) {
    EXPECT_NEAR(static_cast<double>(NormAngle(-0.5L) - (2 * Pi - 0.5L)), 0.0, 1e-17);
    EXPECT_NEAR(static_cast<double>(NormAngle(7 * Pi) - Pi), 0.0, 1e-17);
    EXPECT_NEAR(static_cast<double>(AngleDiffDeg(350, 10)), 20.0, 1e-13);
    EXPECT_NEAR(static_cast<double>(AngleDiffDeg(10, 350)), 340.0, 1e-13);
    long double X = 0, Y = 0;
    RotatePoint(X, Y, 1, 0, HalfPi);
    EXPECT_NEAR(static_cast<double>(X), 0.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(Y), 1.0, 1e-18);
    RotateMovePoint(X, Y, 10, 20, 90, 1, 0);
    EXPECT_NEAR(static_cast<double>(X), 10.0, 1e-17);
    EXPECT_NEAR(static_cast<double>(Y), 21.0, 1e-17);
    ScaleRotateMovePoint(X, Y, 2, 3, 0, 0, 180, 1, 1);
    EXPECT_NEAR(static_cast<double>(X), -2.0, 1e-17);
    EXPECT_NEAR(static_cast<double>(Y), -3.0, 1e-17);
    EXPECT_NEAR(static_cast<double>(RotX(1, 0, HalfPi)), -1.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(RotY(1, 0, 0)), 1.0, 1e-18);
}

TEST_F(UtilMath, RoundDecUsesExactPowersAndTiesToEven) {
    EXPECT_EQ(RoundDec(2, 0.125L), 0.12L);
    EXPECT_EQ(RoundDec(2, 0.375L), 0.38L);
    EXPECT_EQ(RoundDec(1, 0.25L), 0.2L);
    EXPECT_EQ(RoundDec(1, -0.75L), -0.8L);
    EXPECT_EQ(RoundDec(-1, 25), 20.0L);
    EXPECT_EQ(RoundDec(-1, 35), 40.0L);
    EXPECT_EQ(RoundDec(-2, 1250), 1200.0L);
    EXPECT_EQ(RoundDec(0, 2.5L), 2.0L);
    // A value that already has n decimals comes back as the same long double.
    int changed = 0;
    for (int k = 0; k < 200000; k += 7) {
        const long double x = static_cast<long double>(k) / 1000.0L;
        if (RoundDec(3, x) != x) ++changed;
        const long double y = static_cast<long double>(k) / 1000000.0L;
        if (RoundDec(6, y) != y) ++changed;
    }
    EXPECT_EQ(changed, 0);
    // No overflow for huge values or many decimals.
    EXPECT_EQ(RoundDec(5, 1e30L), 1e30L);
    EXPECT_EQ(RoundDec(40, 1.5L), 1.5L);
    EXPECT_EQ(RoundDec(-30, 4e29L), 0.0L);
}

TEST_F(UtilMath, FloatToIntegerChecksFinitenessAndRange) {
    EXPECT_EQ(Round(2.5L), 2);
    EXPECT_EQ(Round(3.5L), 4);
    EXPECT_EQ(Round(-2.5L), -2);
    EXPECT_EQ(Trunc(-2.7L), -2);
    EXPECT_EQ(ErrorCount, 0);

    EXPECT_EQ(Round(std::numeric_limits<long double>::quiet_NaN()), 0);
    EXPECT_TRUE(HasMessage("Error: Round in unit math"));
    EXPECT_EQ(Round(1e30L), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Round(-std::numeric_limits<long double>::infinity()),
              std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(RoundInt(3e9L), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(TruncInt(-3e9L), std::numeric_limits<std::int32_t>::min());
    EXPECT_TRUE(HasMessage("Error: Trunc in unit math"));

    std::int64_t v = 42;
    EXPECT_FALSE(TryRound(std::numeric_limits<long double>::infinity(), v));
    EXPECT_EQ(v, 42);
    EXPECT_FALSE(TryRound(9223372036854775808.0L, v));
    EXPECT_TRUE(TryRound(-9223372036854775808.0L, v));
    EXPECT_EQ(v, std::numeric_limits<std::int64_t>::min());
}

TEST_F(UtilMath, NiceScale) {
    long double lo = -1, hi = -1, step = -1;
    NiceScale(lo, hi, step, 0, 100, 5);
    EXPECT_NEAR(static_cast<double>(step), 20.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(lo), 0.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(hi), 100.0, 1e-13);

    NiceScale(lo, hi, step, 3, 3, 4); // widened to [2, 4] first
    EXPECT_NEAR(static_cast<double>(step), 0.5, 1e-15);
    EXPECT_NEAR(static_cast<double>(lo), 2.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(hi), 4.0, 1e-15);

    NiceScale(lo, hi, step, 0, 4e-6L, 4); // narrower than the equality tolerance, still its own
    EXPECT_NEAR(static_cast<double>(step), 1e-6, 1e-20);
    EXPECT_NEAR(static_cast<double>(hi), 4e-6, 1e-19);
    NiceScale(lo, hi, step, -7.3L, 41.9L, 10);
    EXPECT_NEAR(static_cast<double>(step), 5.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(lo), -10.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(hi), 45.0, 1e-13);

    // No division by zero for n = 0 or negative: one division.
    NiceScale(lo, hi, step, 0, 100, 0);
    EXPECT_TRUE(std::isfinite(step));
    EXPECT_NEAR(static_cast<double>(step), 100.0, 1e-13);
    NiceScale(lo, hi, step, 0, 100, -3);
    EXPECT_TRUE(std::isfinite(step));
    EXPECT_EQ(ErrorCount, 0);
}

TEST_F(UtilMath, UnitConversions) {
    EXPECT_EQ(InchToMm(2), 50.8L);
    EXPECT_NEAR(static_cast<double>(MmToInch(25.4L)), 1.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(RadToDeg(Pi)), 180.0, 1e-15);
    EXPECT_EQ(RoundToDouble(0.1L), static_cast<long double>(0.1));
    EXPECT_TRUE(IsEven(-4));
    EXPECT_FALSE(IsEven(7));
    EXPECT_EQ(Mean2(1, 4), 2.5L);
}

} // namespace
