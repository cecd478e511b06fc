// Record buffer <-> field-variable block: layout, number and date conversion, round trips.

#include <gtest/gtest.h>

#include <cstring>

#include "dbf/table/create.h"
#include "dbf/table/table_file.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbffile_testutil.h"

using namespace dbf;

namespace {

using dbftest::Def;

// An area holding one record of the given fields (offsets assigned), not backed by a file.
TWorkArea MemoryArea(std::vector<TDbfFieldDesc> fields, const std::string& record) {
    TWorkArea a;
    std::uint16_t offset = 1;
    for (auto& f : fields) {
        f.Offset = offset;
        offset = static_cast<std::uint16_t>(offset + f.Length);
    }
    a.Fields = fields;
    a.FieldCount = static_cast<std::uint8_t>(fields.size());
    a.RecordLength = offset;
    a.RecordBuffer.assign(record.begin(), record.end());
    a.RecordBuffer.resize(offset, ' ');
    return a;
}

bool ValidDay(int y, int m, int d) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + (m == 2 && leap ? 1 : 0);
}

class FieldVarsTest : public dbftest::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        savedFormat_ = DateFormat;
        savedYears_ = FourDigitYears;
        savedBase_ = CenturyBase;
        CenturyBase = 1956;
        DecimalChar = '.';
    }
    void TearDown() override {
        FourDigitYears = savedYears_;
        SetDateFormat(savedFormat_);
        CenturyBase = savedBase_;
        EngineTest::TearDown();
    }
    std::uint8_t savedFormat_ = 0;
    bool savedYears_ = false;
    std::uint16_t savedBase_ = 0;
};

} // namespace

TEST_F(FieldVarsTest, BlockLayoutHoldsSixtyFourBitIntegers) {
    const std::vector<TDbfFieldDesc> fields{Def("C", 'C', 10), Def("N", 'N', 8, 2),
                                            Def("I", 'N', 5),  Def("L", 'L', 1),
                                            Def("D", 'D', 8),  Def("M", 'M', 10)};
    EXPECT_EQ(ComputeFieldVarsSize(fields), 1u + 11 + 8 + 8 + 1 + 11 + 4);
    EXPECT_EQ(FieldVarOffset(fields, 0), 0u);
    EXPECT_EQ(FieldVarOffset(fields, 1), 1u);
    EXPECT_EQ(FieldVarOffset(fields, 3), 20u);
    EXPECT_EQ(FieldVarOffset(fields, 6), 40u);
    EXPECT_EQ(ComputeFieldVarsSize({}), 1u);
}

TEST_F(FieldVarsTest, LargeIntegersNeverWrap) {
    TWorkArea a =
        MemoryArea({Def("Q", 'N', 12), Def("R", 'N', 20)}, "   5000000000 9223372036854775807");
    std::vector<std::uint8_t> block(ComputeFieldVarsSize(a.Fields));
    RecordToFieldVars(a, block);
    EXPECT_EQ(GetVarInt64(block.data() + 1), 5000000000LL);
    EXPECT_EQ(GetVarInt64(block.data() + 9), 9223372036854775807LL);
    SetVarInt64(block.data() + 1, -99999999999LL);
    FieldVarsToRecord(a, block);
    EXPECT_EQ(std::string(a.RecordBuffer.data() + 1, 12), "-99999999999");
    SetVarInt64(block.data() + 1, 1000000000000LL); // 13 digits in 12 places
    FieldVarsToRecord(a, block);
    EXPECT_EQ(std::string(a.RecordBuffer.data() + 1, 12), std::string(12, '*'));
    EXPECT_EQ(FieldTextToInt64("99999999999999999999999"), INT64_MAX);
    EXPECT_EQ(FieldTextToInt64("-99999999999999999999999"), INT64_MIN);
    EXPECT_EQ(FieldTextToInt64(" 12.7 "), 13);
    EXPECT_EQ(FieldTextToInt64("+42"), 42);
}

TEST_F(FieldVarsTest, NumbersThatDoNotFitBecomeStars) {
    TWorkArea a = MemoryArea({Def("P", 'N', 5, 2)}, "  1.25");
    std::vector<std::uint8_t> block(ComputeFieldVarsSize(a.Fields));
    RecordToFieldVars(a, block);
    EXPECT_EQ(GetVarDouble(block.data() + 1), 1.25);
    SetVarDouble(block.data() + 1, 999.5);
    FieldVarsToRecord(a, block);
    EXPECT_EQ(std::string(a.RecordBuffer.data() + 1, 5), "*****");
    SetVarDouble(block.data() + 1, 0.125); // half-way values round away from zero
    FieldVarsToRecord(a, block);
    EXPECT_EQ(std::string(a.RecordBuffer.data() + 1, 5), " 0.13");
    SetVarDouble(block.data() + 1, -0.001);
    FieldVarsToRecord(a, block);
    EXPECT_EQ(std::string(a.RecordBuffer.data() + 1, 5), " 0.00");
    SetVarDouble(block.data() + 1, 1e250); // the divide-by-zero substitute
    FieldVarsToRecord(a, block);
    EXPECT_EQ(std::string(a.RecordBuffer.data() + 1, 5), "*****");
}

TEST_F(FieldVarsTest, LogicalsAndMemoReferences) {
    TWorkArea a =
        MemoryArea({Def("A", 'L', 1), Def("B", 'L', 1), Def("C", 'L', 1), Def("M", 'M', 10)},
                   " y?F        17");
    std::vector<std::uint8_t> block(ComputeFieldVarsSize(a.Fields));
    RecordToFieldVars(a, block);
    EXPECT_TRUE(GetVarBool(block.data() + 1));
    EXPECT_FALSE(GetVarBool(block.data() + 2)); // unknown reads as false
    EXPECT_FALSE(GetVarBool(block.data() + 3));
    EXPECT_EQ(GetVarInt32(block.data() + 4), 17);
    SetVarBool(block.data() + 3, true);
    SetVarInt32(block.data() + 4, 1234);
    FieldVarsToRecord(a, block);
    // Unchanged values keep their stored form ("y", "?"); changed ones get T/F and numbers.
    EXPECT_EQ(std::string(a.RecordBuffer.begin(), a.RecordBuffer.end()), " y?T      1234");
}

TEST_F(FieldVarsTest, BlankDatesInEveryFormStoreBlanks) {
    TWorkArea a = MemoryArea({Def("D", 'D', 8)}, " 20260101");
    std::vector<std::uint8_t> block(ComputeFieldVarsSize(a.Fields));
    for (const char* blank : {"", "        ", "          ", "  /  /  ", "  /  /    ", "  -  -  ",
                              "  -  -    ", "  .  .  ", "  .  .    ", "99/99/99"}) {
        std::memcpy(a.RecordBuffer.data() + 1, "20260101", 8);
        SetVarString(block.data() + 1, blank, kDateVarSize - 1);
        block[1] = static_cast<std::uint8_t>(std::strlen(blank));
        FieldVarsToRecord(a, block);
        EXPECT_EQ(std::string(a.RecordBuffer.data() + 1, 8), "        ") << '"' << blank << '"';
    }
    FourDigitYears = false;
    SetDateFormat(5);
    SetVarString(block.data() + 1, "3.4.30", 10); // input with a short year is accepted
    FieldVarsToRecord(a, block);
    EXPECT_EQ(std::string(a.RecordBuffer.data() + 1, 8), "20300403");
}

TEST_F(FieldVarsTest, DatesOutsideTheCenturyWindowSurviveTwoDigitYears) {
    FourDigitYears = false;
    SetDateFormat(5);
    TWorkArea a = MemoryArea({Def("D", 'D', 8)}, " 19000101");
    std::vector<std::uint8_t> block(ComputeFieldVarsSize(a.Fields));
    RecordToFieldVars(a, block);
    EXPECT_EQ(GetVarString(block.data() + 1), "01.01.1900");
    EXPECT_EQ(DisplayDateForYears(GetVarString(block.data() + 1)), "01.01.00");
    std::memcpy(a.RecordBuffer.data() + 1, "        ", 8); // the value itself must carry it
    FieldVarsToRecord(a, block);
    EXPECT_EQ(std::string(a.RecordBuffer.data() + 1, 8), "19000101");
}

TEST_F(FieldVarsTest, RecordsRoundTripInEveryFormatAndYearSetting) {
    // Stored texts as other programs write them, including unusual ones.
    const std::vector<std::string> records{
        " Zahnrad   20991231  5000000000   -12.500T         7",
        "*M\xFCller    19000101          -3     0.125?          ",
        "           00000000           0      0.00 ",
        " x            00101  +17        1.5   y       0012",
        " \x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A"
        "20230230 12.0       1e3    F  -5       "};
    for (bool four : {false, true}) {
        for (std::uint8_t format = 0; format < 9; ++format) {
            FourDigitYears = four;
            SetDateFormat(format);
            for (const std::string& r : records) {
                TWorkArea a =
                    MemoryArea({Def("NAME", 'C', 10), Def("D", 'D', 8), Def("Q", 'N', 12),
                                Def("P", 'N', 10, 3), Def("L", 'L', 1), Def("M", 'M', 10)},
                               r);
                const std::vector<char> before = a.RecordBuffer;
                std::vector<std::uint8_t> block(ComputeFieldVarsSize(a.Fields));
                RecordToFieldVars(a, block);
                FieldVarsToRecord(a, block);
                EXPECT_EQ(a.RecordBuffer, before) << "format " << int(format) << " four " << four;
            }
        }
    }
}

TEST_F(FieldVarsTest, ScatterGatherOfEveryDay1900To2100ThroughATable) {
    dbftest::ScratchDir dir;
    std::vector<TDbfFieldDesc> defs{Def("D", 'D', 8), Def("Q", 'N', 12)};
    TWorkArea area;
    CreateDbf(area, dir / "dates.dbf", defs);
    ASSERT_EQ(LastErrorCode, 0);
    area = TWorkArea();
    area.FileName = dir / "dates.dbf";
    FileMode = 18;
    ASSERT_TRUE(OpenDbf(area));
    FourDigitYears = false; // two-digit display must not move stored dates
    SetDateFormat(2);
    std::vector<std::uint8_t> block(ComputeFieldVarsSize(area.Fields));
    int count = 0;
    for (int y = 1900; y <= 2100; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= 31; ++d) {
                char text[40];
                std::snprintf(text, sizeof text, "%04d%02d%02d", y, m, d);
                if (!ValidDay(y, m, d)) continue;
                std::memcpy(area.RecordBuffer.data() + 1, text, 8);
                std::memcpy(area.RecordBuffer.data() + 9, "  5000000000", 12);
                RecordToFieldVars(area, block);
                std::memset(area.RecordBuffer.data(), ' ', area.RecordBuffer.size());
                FieldVarsToRecord(area, block);
                AppendDbfRecord(area);
                ++count;
            }
        }
    }
    CloseDbf(area);
    ASSERT_EQ(LastErrorCode, 0);
    const auto ref = dbftest::ReadReference(dir / "dates.dbf");
    ASSERT_EQ(ref.recordCount, count);
    ASSERT_EQ(static_cast<int>(ref.records.size()), count);
    EXPECT_EQ(ref.records.front().values[0], "d:19000101");
    EXPECT_EQ(ref.records.back().values[0], "d:21001231");
    int i = 0, wrong = 0;
    for (int y = 1900; y <= 2100 && wrong < 5; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= 31; ++d) {
                char text[40];
                std::snprintf(text, sizeof text, "%04d%02d%02d", y, m, d);
                if (!ValidDay(y, m, d)) continue;
                const auto& r = ref.records[static_cast<std::size_t>(i++)];
                if ((r.values[0] != std::string("d:") + text || r.values[1] != "n:5000000000") &&
                    ++wrong < 5)
                    ADD_FAILURE() << text << " came back as " << r.values[0] << " " << r.values[1];
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(FieldVarsTest, TooSmallBlockIsRefused) {
    TWorkArea a = MemoryArea({Def("C", 'C', 10)}, " abc");
    std::vector<std::uint8_t> block(5);
    RecordToFieldVars(a, block);
    EXPECT_EQ(LastErrorCode, kErrInvalidSize);
}
