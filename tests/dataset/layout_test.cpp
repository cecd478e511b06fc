// Record-buffer layout, record-data slots, field-list correction and table creation, file
// names and date texts of the engine's datasets.

#include "dataset_testutil.h"

#include "dbf/dataset/field_classes.h"
#include "dbf/dataset/field_list.h"

namespace {

using dstest::DatasetTest;

TEST(DatasetLayout, BufferSectionsFollowEachOther) {
    struct Case {
        std::uint32_t record, calc, blobs, bookmark;
        std::uint16_t blob, info, mark, size;
    };
    for (const Case& c : {Case{30, 10, 2, 4, 40, 48, 54, 58}, Case{56, 0, 1, 4, 56, 60, 66, 70},
                          Case{1, 0, 0, 4, 1, 1, 7, 11}}) {
        const dbf::TBufferLayout l = dbf::CalcBufferOffsets(c.record, c.calc, c.blobs, c.bookmark);
        EXPECT_EQ(l.BlobOffset, c.blob);
        EXPECT_EQ(l.RecordInfoOffset, c.info);
        EXPECT_EQ(l.BookmarkOffset, c.mark);
        EXPECT_EQ(l.BufferSize, c.size);
    }
    // 16-bit offsets would wrap into the record data.
    EXPECT_THROW(dbf::CalcBufferOffsets(65000, 600, 0, 4), EDatabaseError);
}

TEST_F(DatasetTest, RecordDataSlotsByFieldType) {
    dstest::TTestTable& t = OpenFixture();
    // flag 1, NAME 21, QTY 4 (int32), BIG 8 (int64), PRICE 8, OK 2, DAY 8, NOTE 4.
    EXPECT_EQ(t.Layout().RecordSize, 56);
    EXPECT_EQ(t.Layout().BufferSize, 56 + 4 + 6 + 4);
    const std::vector<std::pair<const char*, TFieldType>> types = {
        {"NAME", ftString}, {"QTY", ftInteger}, {"BIG", ftLargeint}, {"PRICE", ftFloat},
        {"OK", ftBoolean},  {"DAY", ftDate},    {"NOTE", ftMemo}};
    ASSERT_EQ(t.FieldCount(), 7);
    for (const auto& [name, type] : types)
        EXPECT_EQ(t.FieldByName(name)->DataType(), type) << name;
    EXPECT_EQ(t.FieldByName("PRICE")->Size(), 10);
    EXPECT_EQ(t.FieldByName("NOTE")->DisplayText(), "(MEMO)");
    t.Append();
    EXPECT_EQ(t.FieldByName("NOTE")->DisplayText(), "(memo)");
    t.Cancel();
}

TEST(DatasetFieldList, CorrectionsOfDefinitions) {
    struct Case {
        const char* line;
        const char* corrected; // nullptr: unchanged
    };
    const Case cases[] = {
        {"AMOUNT, N, 25, 20", "AMOUNT, N, 20, 18"}, {"TINY, N, 1, 0", nullptr}, // never decimals -1
        {"ONE, N, 2, 1", "ONE, N, 2, 0"},           {"RATIO, N, 10, 9", "RATIO, N, 10, 8"},
        {"WIDE, F, 30, 2", "WIDE, F, 20, 2"},       {"TEXT, C, 300, 3", "TEXT, C, 254, 0"},
        {"PIC, G, 10, 0", "PIC, M, 10, 0"},         {"ODD, Q, 5, 0", "ODD, C, 5, 0"},
        {" lower , n , 8 , 2 ", nullptr},
    };
    for (const Case& c : cases) {
        dbf::TDbfFieldDef def;
        ASSERT_TRUE(dbf::ParseDbfFieldLine(c.line, def)) << c.line;
        const std::string before = dbf::DbfFieldLine(def);
        EXPECT_EQ(dbf::CorrectFieldDef(def), c.corrected != nullptr) << c.line;
        EXPECT_EQ(dbf::DbfFieldLine(def), c.corrected ? c.corrected : before) << c.line;
        EXPECT_GE(def.Decimals, 0);
    }
    dbf::TDbfFieldDef def;
    for (const char* bad : {"A, C, 10", "A, C, 10, 0, 1", "A, C, x, 0", "A, N, 5, -1"})
        EXPECT_FALSE(dbf::ParseDbfFieldLine(bad, def)) << bad;
}

TEST_F(DatasetTest, TableFromFieldListWithCorrectionMessage) {
    const std::string file = (dir_ / "made.dbf").string();
    ASSERT_TRUE(dbf::CreateTableFromDbfFields(
        "Tool1", file, {"NAME, C, 12, 0", "AMOUNT, N, 25, 20", "SKIP, X, 1, 0", "DONE, L, 1, 0"},
        false));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], "Invalid field definition for Tool1: AMOUNT,N,25,20. Will use "
                          "corrected definition: AMOUNT,N,20,18");
    EXPECT_EQ(dstest::Reference("fields '" + file + "'"),
              "NAME C 12 0\nAMOUNT N 20 18\nDONE L 1 0\n");
    // A memo of a virtual file is a number; a malformed line refuses the whole list.
    EXPECT_TRUE(dbf::CreateTableFromDbfFields("V", file, {"TEXT, M, 10, 0"}, true));
    EXPECT_EQ(dstest::Reference("fields '" + file + "'"), "TEXT N 10 0\n");
    EXPECT_FALSE(dbf::CreateTableFromDbfFields("V", file, {"A, C, 5, 0", "B, C, 5"}, false));
    Boxes().clear();
    dbf::SetMessageMode(1);
    EXPECT_FALSE(dbf::CreateTableFromDbfFields("V", file, {}, false));
    EXPECT_TRUE(Boxes().empty()); // messages off
    EXPECT_EQ(dbf::SetMessageMode(2), 1);
    EXPECT_FALSE(dbf::CreateTableFromDbfFields("V", file, {}, false));
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"FieldList.Count is <= 0 trying to create a database"});
}

TEST(DatasetFileName, TrimmedAndGivenAnExtension) {
    const std::pair<const char*, const char*> cases[] = {{"  parts  ", "parts.DBF"},
                                                         {"parts.", "parts."},
                                                         {"tools.dbf", "tools.dbf"},
                                                         {"dir.v1/parts", "dir.v1/parts.DBF"},
                                                         {"", ""}};
    dstest::TTestTable t;
    for (const auto& [in, out] : cases) {
        t.SetDbfFileName(in);
        EXPECT_EQ(t.DbfFileName(), out) << in;
    }
}

TEST_F(DatasetTest, DateTextsInTheEngineFormat) {
    struct Case {
        std::uint8_t format;
        const char* text;
        const char* iso; // "" for 0
    };
    const Case cases[] = {
        {5, "01.03.2024", "2024-03-01"},
        {5, "  .  .    ", ""},
        {5, "31.02.2024", ""},
        {5, "29.02.2000", "2000-02-29"},
        {1, "1950.06.01", "1950-06-01"},
        {0, "12/31/1999", "1999-12-31"},
        {2, "  04/07/2031", "2031-07-04"},
    };
    for (const Case& c : cases) {
        dbf::SetDateFormat(c.format);
        const TDateTime dt = dbf::DateTextToDateTime(c.text, false);
        int y = 0, m = 0, d = 0;
        char iso[16] = "";
        if (dt != 0 && DecodeDate(dt, y, m, d))
            std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", y, m, d);
        EXPECT_STREQ(iso, c.iso) << c.text;
    }
    dbf::SetDateFormat(5);
    EXPECT_THROW(dbf::DateTextToDateTime("31.02.2024", true), EDatabaseError);
    // Two-digit years take the century window's century.
    const TDateTime two = dbf::DateTextToDateTime("01.06.50", false);
    int y = 0, m = 0, d = 0;
    ASSERT_TRUE(DecodeDate(two, y, m, d));
    EXPECT_EQ(y, dbf::Century("50") + 50);
    EXPECT_EQ(dbf::DateTimeToDateText(dbf::DateTextToDateTime("01.03.2024", false)), "01.03.2024");
}

} // namespace
