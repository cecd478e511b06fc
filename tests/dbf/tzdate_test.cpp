// Dates of the engine: the nine display formats, the century window, CheckDate and Dow,
// checked against Python's calendar for every day from 1899 to 2101.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dbf/base/runtime.h"
#include "dbffile_testutil.h"

using namespace dbf;

namespace {

struct RefDay {
    int y, m, d, dow;
    std::string dbf;
};

const std::vector<RefDay>& ReferenceDays() {
    static const std::vector<RefDay> days = [] {
        std::vector<RefDay> v;
        std::istringstream in(dbftest::Reference("dates"));
        std::string text;
        int dow;
        while (in >> text >> dow) {
            v.push_back({std::stoi(text.substr(0, 4)), std::stoi(text.substr(4, 2)),
                         std::stoi(text.substr(6, 2)), dow, text});
        }
        return v;
    }();
    return days;
}

std::string Z(int v, int width) {
    std::string s = std::to_string(v);
    while (static_cast<int>(s.size()) < width)
        s.insert(0, "0");
    return s;
}

// The display form written out from the table of formats.
std::string Expected(int format, int y, int m, int d, bool four) {
    const std::string yy = four ? Z(y, 4) : Z(y % 100, 2);
    switch (format) {
    case 0:
        return Z(m, 2) + "/" + Z(d, 2) + "/" + yy;
    case 1:
        return yy + "." + Z(m, 2) + "." + Z(d, 2);
    case 2:
        return Z(d, 2) + "/" + Z(m, 2) + "/" + yy;
    case 3:
        return Z(d, 2) + "-" + Z(m, 2) + "-" + yy;
    default:
        return Z(d, 2) + "." + Z(m, 2) + "." + yy;
    }
}

class TzDateTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = {DateFormat, FourDigitYears, CenturyBase};
        CenturyBase = 1956;
    }
    void TearDown() override {
        FourDigitYears = std::get<1>(saved_);
        SetDateFormat(std::get<0>(saved_));
        CenturyBase = std::get<2>(saved_);
    }
    std::tuple<std::uint8_t, bool, std::uint16_t> saved_;
};

} // namespace

TEST_F(TzDateTest, CenturyWindowAndExamples) {
    FourDigitYears = true;
    SetDateFormat(5);
    EXPECT_EQ(ToInternalFormat("12.03.30"), "03/12/2030");
    EXPECT_EQ(ToInternalFormat("12.03.56"), "03/12/1956");
    EXPECT_EQ(ToInternalFormat("12.03.55"), "03/12/2055");
    EXPECT_EQ(Century("56"), 1900);
    EXPECT_EQ(Century("55"), 2000);
    EXPECT_EQ(Century("xx"), 2000); // not a number counts as 0
    CenturyBase = 1999;
    EXPECT_EQ(Century("98"), 2000);
    EXPECT_EQ(Century("99"), 1900);
    EXPECT_EQ(CenturyDigits("98"), "20");
}

TEST_F(TzDateTest, CheckDateEdgesAndRewrite) {
    FourDigitYears = true;
    SetDateFormat(0);
    std::string d = "02/29/2100";
    EXPECT_FALSE(CheckDate(d));
    EXPECT_EQ(d, "02/29/2100");
    d = "02/29/2000";
    EXPECT_TRUE(CheckDate(d));
    d = "  /  /    ";
    EXPECT_TRUE(CheckDate(d));
    d = "04/31/2020";
    EXPECT_FALSE(CheckDate(d));
    d = "13/01/2020";
    EXPECT_FALSE(CheckDate(d));
    d = "1/2/2020"; // short parts are padded and the text rewritten
    EXPECT_TRUE(CheckDate(d));
    EXPECT_EQ(d, "01/02/2020");
    d = "01/02/20x0";
    EXPECT_FALSE(CheckDate(d));
    SetDateFormat(5);
    d = "1.2.30";
    EXPECT_TRUE(CheckDate(d));
    EXPECT_EQ(d, "01.02.2030");
    FourDigitYears = false;
    d = "01.02.2030"; // a valid four-digit year loses its century when the setting is off
    EXPECT_TRUE(CheckDate(d));
    EXPECT_EQ(d, "01.02.30");
}

TEST_F(TzDateTest, DowAndNames) {
    FourDigitYears = true;
    SetDateFormat(0);
    EXPECT_EQ(Dow("01/01/2000"), 7);
    SetDateFormat(5);
    EXPECT_EQ(CDow("01.01.2000"), "Samstag   ");
    EXPECT_EQ(CMonth("01.03.2000"), std::string("M\x84rz     "));
    EXPECT_EQ(CMonth("  .  .    "), std::string(9, ' '));
    EXPECT_EQ(CDow("  .  .    "), std::string(10, ' '));
    SetDateFormat(8);
    EXPECT_EQ(CDow("03.01.2000"), std::string("\x8F\xAE\xAD\xA5\xA4\xA5\xAB\xEC\xAD\xA8\xAA"));
    SetDateFormat(6);
    EXPECT_EQ(CMonth("01.09.2000"), "Septiembre");
    SetDateFormat(4);
    EXPECT_EQ(CDow("02.01.2000"), "Dimanche");
    EXPECT_EQ(Year("02.01.2000"), 2000);
    EXPECT_EQ(Month("02.01.2000"), 1);
    EXPECT_EQ(Day("02.01.2000"), 2);
    FourDigitYears = false;
    EXPECT_EQ(Year("02.01.30"), 2030); // two-digit years through the window
    EXPECT_EQ(Day("xx.01.30"), 0);
}

TEST_F(TzDateTest, BlankForms) {
    FourDigitYears = false;
    EXPECT_EQ(EmptyDate(0), "  /  /  ");
    EXPECT_EQ(EmptyDate(1), "  .  .  ");
    EXPECT_EQ(EmptyDate(3), "  -  -  ");
    EXPECT_EQ(EmptyDate(7), "  .  .  ");
    FourDigitYears = true;
    EXPECT_EQ(EmptyDate(1), "    .  .  ");
    EXPECT_EQ(EmptyDate(2), "  /  /    ");
    SetDateFormat(3);
    EXPECT_EQ(DbfToDate("        "), "  -  -    ");
    EXPECT_EQ(DateToDbf("  -  -    "), "        ");
    EXPECT_EQ(ToInternalFormat(""), "");
    EXPECT_EQ(ToInternalFormat(std::string("01-02-2003\0junk", 15)), "02/01/2003");
}

TEST_F(TzDateTest, LanguageFormatsAndNumberCharacters) {
    EXPECT_EQ(LanguageDateFormat(0x0407), 5);
    EXPECT_EQ(LanguageDateFormat(0x0409), 0);
    EXPECT_EQ(LanguageDateFormat(0x0809), 2);
    EXPECT_EQ(LanguageDateFormat(0x040A), 6);
    EXPECT_EQ(LanguageDateFormat(0x0C0C), 7);
    EXPECT_EQ(LanguageDateFormat(0x040C), 4);
    EXPECT_EQ(LanguageDateFormat(0x0410), 3);
    EXPECT_EQ(LanguageDateFormat(0x0419), 8);
    EXPECT_EQ(LanguageDateFormat(0x0416), 0);
    InitNumberSeparators(5);
    EXPECT_EQ(DecimalChar, ',');
    EXPECT_EQ(ThousandsChar, '.');
    InitNumberSeparators(8);
    EXPECT_EQ(DecimalChar, '.');
    EXPECT_EQ(ThousandsChar, ' ');
    InitNumberSeparators(0);
    EXPECT_EQ(DecimalChar, '.');
    SetDateFormat(9);
    EXPECT_EQ(DateFormat, 0);
    FourDigitYears = true;
    SetDateFormat(1);
    EXPECT_EQ(ShortDatePicture, "yyyy.MM.dd");
}

TEST_F(TzDateTest, EveryDay1899To2101InAllFormatsMatchesPython) {
    const auto& days = ReferenceDays();
    ASSERT_EQ(days.size(), 203u * 365u + 49u); // 203 years, 49 leap days
    FourDigitYears = true;
    for (std::uint8_t format = 0; format < 9; ++format) {
        SetDateFormat(format);
        int failures = 0;
        for (const RefDay& r : days) {
            const std::string display = DbfToDate(r.dbf);
            const std::string expected = Expected(format, r.y, r.m, r.d, true);
            bool ok = display == expected;
            ok = ok && ToDisplayFormat(ToInternalFormat(display)) == display;
            ok = ok && DateToDbf(display) == r.dbf;
            ok = ok && Dow(display) == r.dow;
            std::string checked = display;
            ok = ok && CheckDate(checked) && checked == display;
            if (!ok && ++failures <= 5)
                ADD_FAILURE() << "format " << int(format) << " date " << r.dbf << " shown as "
                              << display << " dow " << Dow(display) << " want " << r.dow;
        }
        EXPECT_EQ(failures, 0) << "format " << int(format);
    }
}

TEST_F(TzDateTest, CheckDateAcceptsExactlyPythonsDates) {
    std::set<std::string> valid;
    for (const RefDay& r : ReferenceDays())
        valid.insert(r.dbf);
    FourDigitYears = true;
    for (std::uint8_t format = 0; format < 9; ++format) {
        SetDateFormat(format);
        int failures = 0;
        for (int y = 1899; y <= 2101; ++y) {
            for (int m = 0; m <= 13; ++m) {
                for (int d = 0; d <= 32; ++d) {
                    std::string text = Expected(format, y, m, d, true);
                    const bool want = valid.count(Z(y, 4) + Z(m, 2) + Z(d, 2)) > 0;
                    if (CheckDate(text) != want && ++failures <= 5)
                        ADD_FAILURE() << "format " << int(format) << " " << text;
                }
            }
        }
        EXPECT_EQ(failures, 0) << "format " << int(format);
    }
}

TEST_F(TzDateTest, TwoDigitYearsInsideTheWindowRoundTrip) {
    FourDigitYears = false;
    for (std::uint8_t format = 0; format < 9; ++format) {
        SetDateFormat(format);
        int failures = 0;
        for (const RefDay& r : ReferenceDays()) {
            if (r.y < 1956 || r.y > 2055) continue;
            const std::string display = DbfToDate(r.dbf);
            if ((display != Expected(format, r.y, r.m, r.d, false) || DateToDbf(display) != r.dbf ||
                 Dow(display) != r.dow) &&
                ++failures <= 5)
                ADD_FAILURE() << "format " << int(format) << " " << r.dbf << " -> " << display;
        }
        EXPECT_EQ(failures, 0);
    }
}

TEST_F(TzDateTest, PackedTimeStamps) {
    TzTime t{2026, 12, 7, 4, 21, 58};
    const TzTime u = UnpackTime(PackTime(t));
    EXPECT_EQ(u.year, 2026);
    EXPECT_EQ(u.month, 12);
    EXPECT_EQ(u.day, 7);
    EXPECT_EQ(u.hour, 4);
    EXPECT_EQ(u.minute, 21);
    EXPECT_EQ(u.second, 58);
    const TzDate today = TzGetDate();
    EXPECT_GE(today.year, 2024);
    EXPECT_GE(today.dow, 1);
    EXPECT_LE(today.dow, 7);
}
