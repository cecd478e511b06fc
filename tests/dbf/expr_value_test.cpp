// Value routines of the expression engine: packed decimals, Julian day numbers against
// Python's calendar, fixed-point rounding against Python's decimal module, Soundex, byte
// helpers and the block pool.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <vector>

#include "dbf/expr/values.h"
#include "dbf/base/runtime.h"
#include "dbffile_testutil.h"

using namespace dbf;

namespace {

std::string Reference(const std::string& args) {
    int status = 0;
    const std::string out = dbftest::RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                                    "/tests/dbf/expr_reference.py " + args,
                                                status);
    if (status != 0) throw std::runtime_error("reference failed: " + args);
    return out;
}

BcdKey Bcd(const std::string& text, int decimals = 0) {
    BcdKey k;
    StrToBcd(k, text, static_cast<int>(text.size()), decimals);
    return k;
}

int Count(const BcdKey& k) {
    return (k[1] >> 2) & 0x1F;
}

class DateFormatScope {
public:
    DateFormatScope(std::uint8_t format, bool four) : format_(DateFormat), four_(FourDigitYears) {
        SetDateFormat(format);
        FourDigitYears = four;
    }
    ~DateFormatScope() {
        SetDateFormat(format_);
        FourDigitYears = four_;
    }

private:
    std::uint8_t format_;
    bool four_;
};

} // namespace

TEST(ExprBcd, ExamplesOfTheKeyLayout) {
    BcdKey k = Bcd("123.45");
    EXPECT_EQ(k[0], 0x37);
    EXPECT_EQ(Count(k), 10);
    EXPECT_EQ(k[1] & 1, 1);
    EXPECT_EQ(k[2], 0x12);
    EXPECT_EQ(k[3], 0x34);
    EXPECT_EQ(k[4], 0x50);
    for (int i = 5; i < 12; ++i)
        EXPECT_EQ(k[i], 0);

    k = Bcd("-0.05");
    EXPECT_EQ(k[0], 0x33);
    EXPECT_EQ(k[1], 0xA9);
    EXPECT_EQ(k[2], 0x50);

    k = Bcd("0");
    EXPECT_EQ(k[0], 0x34);
    EXPECT_EQ(k[1], 0x01);
    k = Bcd("-0.000");
    EXPECT_EQ(k[1], 0x01) << "zero has no sign";

    EXPECT_EQ(Count(Bcd("123.45", 2)), 5);
    EXPECT_EQ(Count(Bcd("  +7")), 10);
    // A second point ends the number; at most 20 digits are kept.
    EXPECT_EQ(Bcd("1.5.7"), Bcd("1.5"));
    EXPECT_EQ(Count(Bcd("123456789012345678911234")), 20);
    // The length limits the text read.
    BcdKey cut;
    StrToBcd(cut, "12345", 2, 0);
    EXPECT_EQ(cut, Bcd("12"));
}

TEST(ExprBcd, CompareOrdersTheExamplesAndFloats) {
    const std::vector<std::string> texts = {"-5", "-1", "0", "0.5", "2", "10"};
    for (std::size_t i = 0; i < texts.size(); ++i)
        for (std::size_t j = 0; j < texts.size(); ++j) {
            const int want = i < j ? -1 : (i > j ? 1 : 0);
            EXPECT_EQ(BcdCompare(Bcd(texts[i]), Bcd(texts[j])), want)
                << texts[i] << " " << texts[j];
        }
    BcdKey a;
    FloatToBcd(a, 2, 123.45);
    EXPECT_EQ(a, Bcd("123.45", 2));
    FloatToBcd(a, 2, 2.675);
    EXPECT_EQ(a, Bcd("2.68", 2)) << "the decimal text decides the last place";
    FloatToBcd(a, -3, 1234.5);
    EXPECT_EQ(a, Bcd("1235", 0)) << "no places below 0";
}

TEST(ExprBcd, HugeAndTinyValuesStayInsideTheKeyAndInOrder) {
    // Values whose text is far longer than 50 characters, and exponents beyond the byte.
    std::vector<double> values = {-1e300, -1e200, -1e20, -1,    -1e-30, 0,
                                  1e-30,  1,      1e20,  1e200, 1e300};
    std::vector<BcdKey> keys;
    for (double v : values) {
        BcdKey k;
        FloatToBcd(k, 40, v);
        keys.push_back(k);
    }
    for (std::size_t i = 0; i + 1 < keys.size(); ++i)
        EXPECT_EQ(BcdCompare(keys[i], keys[i + 1]), -1) << values[i] << " < " << values[i + 1];
    BcdKey k;
    FloatToBcd(k, 255, std::nextafter(0.0, 1.0));
    FloatToBcd(k, 2, std::numeric_limits<double>::max());
    EXPECT_EQ(k[0], 0xFF);
    FloatToBcd(k, 2, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(Count(k), 0);
}

TEST(ExprBcd, CompareOrdersRandomValuesAsNumbers) {
    // Up to 18 digits with 0..6 places: held exactly as integers of millionths.
    std::mt19937_64 rnd(20261207);
    struct Value {
        __int128 millionths;
        BcdKey key;
    };
    std::vector<Value> values;
    values.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
        const int digits = 1 + static_cast<int>(rnd() % 18);
        long long m = 0;
        for (int d = 0; d < digits; ++d)
            m = m * 10 + static_cast<long long>(rnd() % 10);
        const int places = static_cast<int>(rnd() % 7);
        const bool negative = rnd() % 2 == 0;
        std::string t = std::to_string(m);
        if (places > 0) {
            if (static_cast<int>(t.size()) <= places) t.insert(0, places - t.size() + 1, '0');
            t.insert(t.size() - places, ".");
        }
        if (negative) t.insert(0, "-");
        __int128 scaled = m;
        for (int p = places; p < 6; ++p)
            scaled *= 10;
        values.push_back({negative ? -scaled : scaled, Bcd(t, places)});
    }
    for (std::size_t i = 0; i + 1 < values.size(); ++i) {
        const auto& a = values[i];
        const auto& b = values[i + 1];
        const int want = a.millionths < b.millionths ? -1 : (a.millionths > b.millionths ? 1 : 0);
        ASSERT_EQ(BcdCompare(a.key, b.key), want) << i;
    }
    std::vector<Value> sorted = values;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Value& a, const Value& b) { return BcdCompare(a.key, b.key) < 0; });
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i)
        ASSERT_LE(sorted[i].millionths, sorted[i + 1].millionths) << i;
}

TEST(ExprFixed, RoundsHalfAwayFromZeroLikePythonDecimal) {
    std::istringstream in(Reference("fixed 4000"));
    std::string line;
    int checked = 0;
    while (std::getline(in, line)) {
        const auto p = dbftest::SplitTabs(line);
        const double x = std::stod(p.at(0));
        const int places = std::stoi(p.at(1));
        char buf[kFixedTextMax];
        const std::size_t n = FormatFixed(x, places, buf);
        ASSERT_EQ(std::string(buf, n), p.at(2)) << p.at(0) << " at " << places;
        ++checked;
    }
    EXPECT_EQ(checked, 4000);
}

TEST(ExprFixed, EdgeCases) {
    char buf[kFixedTextMax];
    auto f = [&](double x, int d) { return std::string(buf, FormatFixed(x, d, buf)); };
    EXPECT_EQ(f(2.567, 2), "2.57");
    EXPECT_EQ(f(-2.567, 1), "-2.6");
    EXPECT_EQ(f(0.5, 0), "1");
    EXPECT_EQ(f(-0.5, 0), "-1");
    EXPECT_EQ(f(-0.004, 2), "0.00");
    EXPECT_EQ(f(9.999, 2), "10.00");
    EXPECT_EQ(f(1250, -2), "1300");
    EXPECT_EQ(f(0, 3), "0.000");
    EXPECT_EQ(f(1e300, 2).size(), 304u);
    EXPECT_EQ(f(1e-300, 255).size(), 257u);
    EXPECT_EQ(f(INFINITY, 2), "");
    EXPECT_EQ(RoundDecimal(2.675, 2), 2.68);
    EXPECT_EQ(RoundDecimal(-2.5, 0), -3);
}

TEST(ExprJulian, MatchesPythonOrdinalsAndInverts) {
    std::istringstream in(Reference("julian 20000"));
    std::string line;
    int checked = 0;
    while (std::getline(in, line)) {
        const auto p = dbftest::SplitTabs(line);
        const double want = std::stod(p.at(1));
        ASSERT_EQ(DateStrToJulian(p.at(0)), want) << p.at(0);
        ASSERT_EQ(JulianToDateStr(want), p.at(0));
        const int y = std::stoi(p[0].substr(0, 4)), m = std::stoi(p[0].substr(4, 2)),
                  d = std::stoi(p[0].substr(6, 2));
        ASSERT_EQ(JulianFromYMD(y, m, d), want);
        ++checked;
    }
    EXPECT_EQ(checked, 20000);
}

TEST(ExprJulian, EdgeCases) {
    EXPECT_EQ(DateStrToJulian("20000229"), 2451604);
    EXPECT_EQ(DateStrToJulian("19000229"), 0);
    EXPECT_EQ(DateStrToJulian("        "), 0);
    EXPECT_EQ(DateStrToJulian("2000x229"), 0);
    EXPECT_EQ(DateStrToJulian("200002"), 0);
    EXPECT_EQ(DateStrToJulian("20001301"), 0);
    EXPECT_EQ(JulianToDateStr(2451604), "20000229");
    EXPECT_EQ(JulianToDateStr(1721426), "00010101");
    EXPECT_EQ(JulianToDateStr(5373484), "99991231");
    EXPECT_EQ(JulianToDateStr(5373485), "        ");
    EXPECT_EQ(JulianToDateStr(0), "        ");
    EXPECT_EQ(JulianToDateStr(-1e300), "        ");
    EXPECT_EQ(JulianToDateStr(NAN), "        ");
    EXPECT_EQ(JulianToDateStr(2451604.75), "20000229");
    EXPECT_EQ(DayOfYear(2000, 3, 1), 61);
    EXPECT_EQ(DayOfYear(1999, 2, 29), -1);
    EXPECT_EQ(DayOfYear(-1, 1, 1), -1);
    EXPECT_EQ(DaysBeforeYear(1), 0);
    EXPECT_EQ(DaysBeforeYear(2), 365);
    int m = 0, d = 0;
    MonthDayOfYear(60, true, m, d);
    EXPECT_EQ(m * 100 + d, 229);
    MonthDayOfYear(60, false, m, d);
    EXPECT_EQ(m * 100 + d, 301);
    MonthDayOfYear(366, true, m, d);
    EXPECT_EQ(m * 100 + d, 1231);
}

TEST(ExprJulian, DisplayTextsByFormat) {
    const double j = DateStrToJulian("20260307");
    struct Case {
        std::uint8_t format;
        bool four;
        const char* text;
        const char* blank;
    };
    const Case cases[] = {
        {0, false, "03/07/26", "  /  /  "}, {0, true, "03/07/2026", "  /  /    "},
        {1, false, "26.03.07", "  .  .  "}, {1, true, "2026.03.07", "    .  .  "},
        {2, false, "07/03/26", "  /  /  "}, {3, true, "07-03-2026", "  -  -    "},
        {4, false, "07.03.26", "  .  .  "}, {5, true, "07.03.2026", "  .  .    "},
        {7, false, "07.03.26", "  .  .  "}, {8, false, "07/03/26", "  /  /  "},
    };
    for (const Case& c : cases) {
        DateFormatScope scope(c.format, c.four);
        EXPECT_EQ(JulianToDateText(j), c.text) << int(c.format);
        EXPECT_EQ(JulianToDateText(0), c.blank) << int(c.format);
        EXPECT_EQ(DateTextToJulian(c.text), j) << int(c.format);
        EXPECT_EQ(DateTextToDtos(c.text), "20260307") << int(c.format);
        EXPECT_EQ(DateTextToJulian(c.blank), 0);
        EXPECT_EQ(DateTextToDtos(c.blank), "        ");
    }
    DateFormatScope scope(5, false);
    EXPECT_EQ(DateTextToJulian("31.02.2026"), 0);
    EXPECT_EQ(DateTextToJulian("29.02.2024"), DateStrToJulian("20240229"));
    EXPECT_FALSE(FourDigitYears) << "the year setting comes back after the call";
}

TEST(ExprText, SoundexAndHelpers) {
    EXPECT_EQ(Soundex("ROBERT"), "R163");
    EXPECT_EQ(Soundex("Rupert"), "R163");
    EXPECT_EQ(Soundex("TYMCZAK"), "T522");
    EXPECT_EQ(Soundex("A"), "A000");
    EXPECT_EQ(Soundex("pfister"), "P236");
    EXPECT_EQ(Soundex("1abc"), "1120");
    EXPECT_EQ(Soundex(""), "0000");
    EXPECT_EQ(Soundex(std::string(500, 'b') + "x"), "B000") << "only 100 characters count";

    char s[] = "ABCDE";
    RotateBytes(s, 2, 3);
    EXPECT_STREQ(s, "CDEAB");
    RotateBytes(s, 0, 3);
    EXPECT_STREQ(s, "CDEAB");
    ReverseBytes(s, 5);
    EXPECT_STREQ(s, "BAEDC");
    EXPECT_EQ(CompareBytes("abc", "abd", 3), 'c' - 'd');
    EXPECT_EQ(CompareBytes("abc", "abd", 2), 0);
    EXPECT_EQ(CompareBytes("\xff", "\x01", 1), 254);
    EXPECT_EQ(CompareDoubles(1, 2), -1);
    EXPECT_EQ(CompareDoubles(2, 2), 0);
    EXPECT_EQ(TzIntToStrZero(5, 3), "005");
    EXPECT_EQ(TzIntToStrZero(12345, 2), "12345");
    EXPECT_EQ(TzIntToStrZero(-1, 2), "65535");
    EXPECT_EQ(UpperAscii("aäz{"), "A\xc3\xa4Z{") << "only a..z change";
    EXPECT_EQ(StrPasMax("hello", 3), "hel");
    EXPECT_EQ(StrPasMax(std::string(300, 'x').c_str(), 1000).size(), 255u);
    char buf[8];
    StrPCopyZ(buf, "abc");
    EXPECT_EQ(StrLen(buf), 3u);
    char dest[8];
    StrCopy(dest, buf);
    EXPECT_STREQ(dest, "abc");
}

TEST(ExprPool, RingOrderAndRelease) {
    PoolBlock* list = nullptr;
    auto* a = static_cast<char*>(PoolAlloc(list, 4));
    auto* b = static_cast<char*>(PoolAlloc(list, 8));
    auto* c = static_cast<char*>(PoolAlloc(list, 0));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a[0] | a[3], 0) << "payloads are zeroed";
    EXPECT_EQ(PoolBlockOf(b)->Size, 18);
    std::vector<void*> walk;
    for (PoolBlock* p = PoolNext(list, nullptr); p != nullptr; p = PoolNext(list, p))
        walk.push_back(PoolPayload(p));
    EXPECT_EQ(walk, (std::vector<void*>{a, b, c}));
    PoolBlock* newest = PoolUnlink(list);
    EXPECT_EQ(PoolPayload(newest), c);
    EXPECT_EQ(PoolPayload(list), b);
    PoolLink(list, newest);
    EXPECT_EQ(PoolPayload(PoolNext(list, nullptr)), a);
    EXPECT_EQ(PoolAlloc(list, 65530), nullptr);
    PoolFreeAll(list);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(PoolUnlink(list), nullptr);
    EXPECT_EQ(PoolNext(list, nullptr), nullptr);
}
