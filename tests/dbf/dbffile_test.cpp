// The DBF file layer and table creation, checked against python3-dbfread, python3-dbf and
// shapelib as independent readers and writers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "dbf/table/create.h"
#include "dbf/table/table_file.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/text.h"
#include "dbffile_testutil.h"

using namespace dbf;
using dbftest::ReadFileBytes;
using dbftest::WriteFileBytes;

namespace {

using dbftest::Def;

std::string TodayBytes() {
    const TzDate t = TzGetDate();
    std::string s;
    s += static_cast<char>((t.year - 1900) % 256);
    s += static_cast<char>(t.month);
    s += static_cast<char>(t.day);
    return s;
}

bool Open(TWorkArea& area, const std::string& path) {
    area = TWorkArea();
    area.FileName = path;
    return OpenDbf(area);
}

// A dBASE III header with the given descriptors (name, type, length, decimals).
std::string Dbase3Header(const std::vector<TDbfFieldDesc>& fields, int recordLength,
                         std::uint32_t records = 0, std::uint8_t version = 0x03) {
    const std::size_t headerLength = 32 * fields.size() + 33;
    std::string h(headerLength, '\0');
    h[0] = static_cast<char>(version);
    h[1] = 126;
    h[2] = 12;
    h[3] = 7;
    for (int i = 0; i < 4; ++i)
        h[4 + i] = static_cast<char>(records >> (8 * i));
    h[8] = static_cast<char>(headerLength & 0xFF);
    h[9] = static_cast<char>(headerLength >> 8);
    h[10] = static_cast<char>(recordLength & 0xFF);
    h[11] = static_cast<char>(recordLength >> 8);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        char* d = h.data() + 32 + 32 * i;
        std::memcpy(d, fields[i].Name.data(), std::min<std::size_t>(fields[i].Name.size(), 11));
        d[11] = fields[i].Type;
        d[16] = static_cast<char>(fields[i].Length);
        d[17] = static_cast<char>(fields[i].Decimals);
    }
    h.back() = 0x0D;
    return h;
}

// A dBASE III table of n one-character fields F1..Fn, `extra` zero bytes after the terminator
// (as FoxPro writes them) and two records.
std::string ManyFields(int n, int extra) {
    std::vector<TDbfFieldDesc> fields;
    for (int i = 1; i <= n; ++i)
        fields.push_back(dbftest::Def("F" + std::to_string(i), 'C', 1));
    std::string b = Dbase3Header(fields, n + 1, 2) + std::string(extra, '\0');
    b[8] = static_cast<char>(b.size() & 0xFF);
    b[9] = static_cast<char>(b.size() >> 8);
    for (char r : {'a', 'b'})
        b += ' ' + std::string(n, r);
    return b + '\x1A';
}

// dBASE II: 8-byte prolog, 16-byte descriptors, header of 521 bytes.
std::string Dbase2Table(std::uint16_t records) {
    std::string b(521, '\0');
    b[0] = 0x02;
    b[1] = static_cast<char>(records & 0xFF);
    b[2] = static_cast<char>(records >> 8);
    b[3] = 5;
    b[4] = 17;
    b[5] = 90;
    b[6] = 5; // record length
    std::memcpy(b.data() + 8, "CODE", 4);
    b[8 + 11] = 'C';
    b[8 + 12] = 4;
    b[24] = 0x0D;
    for (std::uint32_t i = 0; i < records; ++i) {
        char rec[6];
        std::snprintf(rec, sizeof rec, " %04u", i % 10000);
        b.append(rec, 5);
    }
    return b;
}

// Level 7: 36-byte block after the prolog, 48-byte descriptors.
std::string Level7Table() {
    std::string b(32 + 36 + 48 * 2 + 1, '\0');
    b[0] = 0x04;
    const int headerLength = static_cast<int>(b.size());
    b[8] = static_cast<char>(headerLength & 0xFF);
    b[10] = 1 + 6 + 8;
    b[4] = 1;
    std::memcpy(b.data() + 68, "PART", 4);
    b[68 + 32] = 'C';
    b[68 + 33] = 6;
    std::memcpy(b.data() + 68 + 48, "MADE", 4);
    b[68 + 48 + 32] = 'D';
    b[68 + 48 + 33] = 8;
    b.back() = 0x0D;
    b += " gear1 20261207";
    b += '\x1A';
    return b;
}

// Compares our decoding of every record with dbfread's.
void ExpectSameAsReference(const std::string& path, const std::string& encoding) {
    const dbftest::RefTable ref = dbftest::ReadReference(path, encoding);
    TWorkArea area;
    ASSERT_TRUE(Open(area, path)) << LastErrorString();
    EXPECT_EQ(area.Prolog[0], ref.version);
    EXPECT_EQ(area.HeaderLength, ref.headerLength);
    EXPECT_EQ(area.RecordLength, ref.recordLength);
    ASSERT_EQ(area.RecordCount, ref.recordCount);
    ASSERT_EQ(area.Fields.size(), ref.fields.size());
    for (std::size_t i = 0; i < ref.fields.size(); ++i) {
        EXPECT_EQ(area.Fields[i].Name, dbf::TzUpperStr(ref.fields[i].name));
        const char refType = ref.fields[i].type;
        EXPECT_EQ(area.Fields[i].Type,
                  refType == 'B' || refType == 'G' || refType == 'P' ? 'M' : refType);
        EXPECT_EQ(area.Fields[i].Length, ref.fields[i].length);
        EXPECT_EQ(area.Fields[i].Decimals, ref.fields[i].decimals);
    }
    std::vector<std::uint8_t> block(ComputeFieldVarsSize(area.Fields));
    for (int n = 1; n <= area.RecordCount; ++n) {
        GetDbfRecord(area, n);
        ASSERT_EQ(LastErrorCode, 0);
        RecordToFieldVars(area, block);
        const dbftest::RefRecord& r = ref.records.at(static_cast<std::size_t>(n - 1));
        EXPECT_EQ(GetVarBool(block.data()), r.deleted) << "record " << n;
        for (std::size_t i = 0; i < area.Fields.size(); ++i) {
            const TDbfFieldDesc& f = area.Fields[i];
            const std::uint8_t* v = block.data() + FieldVarOffset(area.Fields, i + 1);
            const std::string& want = r.values.at(i);
            const std::string where = "record " + std::to_string(n) + " field " + f.Name;
            switch (f.Type) {
            case 'C': {
                std::string got = GetVarString(v);
                while (!got.empty() && (got.back() == ' ' || got.back() == '\0'))
                    got.pop_back();
                EXPECT_EQ("s:" + got, want) << where;
                break;
            }
            case 'N':
            case 'F': {
                const double got =
                    f.Decimals > 0 ? GetVarDouble(v) : static_cast<double>(GetVarInt64(v));
                if (want == "-") {
                    EXPECT_EQ(got, 0.0) << where; // blank numbers read as 0
                } else {
                    EXPECT_EQ(got, std::stod(want.substr(2))) << where;
                }
                if (f.Decimals == 0 && want != "-") {
                    EXPECT_EQ(GetVarInt64(v), std::stoll(want.substr(2))) << where;
                }
                break;
            }
            case 'D':
                EXPECT_EQ(BlockDateToDbfText(GetVarString(v)),
                          want == "-" ? std::string(8, ' ') : want.substr(2))
                    << where;
                break;
            case 'L':
                EXPECT_EQ(GetVarBool(v), want == "b:T") << where;
                break;
            case 'M':
                // dbfread gives the memo text; a non-empty memo needs a block number.
                if (want.size() > 2) {
                    EXPECT_GT(GetVarInt32(v), 0) << where;
                }
                break;
            default:
                break;
            }
        }
    }
    CloseDbf(area);
    EXPECT_EQ(LastErrorCode, 0);
}

class DbfFileTest : public dbftest::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        savedFormat_ = DateFormat;
        savedYears_ = FourDigitYears;
        FileMode = 18;
        AutoFixRecCount = false;
        FlushAfterWrite = false;
    }
    void TearDown() override {
        FourDigitYears = savedYears_;
        SetDateFormat(savedFormat_);
        AutoFixRecCount = false;
        EngineTest::TearDown();
    }
    dbftest::ScratchDir dir_;
    std::uint8_t savedFormat_ = 0;
    bool savedYears_ = false;
};

} // namespace

TEST_F(DbfFileTest, CreateGivesTheExactEmptyTable) {
    std::vector<TDbfFieldDesc> defs{Def("name", 'C', 10), Def("born", 'D', 0), Def("ok", 'L', 0),
                                    Def("price", 'N', 8, 2)};
    TWorkArea area;
    CreateDbf(area, dir_ / "tools", defs);
    ASSERT_EQ(LastErrorCode, 0) << LastErrorString();
    const std::string bytes = ReadFileBytes(dir_ / "tools.DBF");
    ASSERT_EQ(bytes.size(), 162u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x03);
    EXPECT_EQ(bytes.substr(1, 3), TodayBytes());
    EXPECT_EQ(static_cast<unsigned char>(bytes[160]), 0x0D);
    EXPECT_EQ(static_cast<unsigned char>(bytes[161]), 0x1A);
    EXPECT_FALSE(area.File.IsOpen());
    const auto ref = dbftest::ReadReference(dir_ / "tools.DBF");
    EXPECT_EQ(ref.version, 3);
    EXPECT_EQ(ref.headerLength, 161);
    EXPECT_EQ(ref.recordLength, 28);
    EXPECT_EQ(ref.recordCount, 0);
    ASSERT_EQ(ref.fields.size(), 4u);
    EXPECT_EQ(ref.fields[0].name, "NAME");
    EXPECT_EQ(ref.fields[1].type, 'D');
    EXPECT_EQ(ref.fields[1].length, 8);
    EXPECT_EQ(ref.fields[2].length, 1);
    EXPECT_EQ(ref.fields[3].decimals, 2);
    EXPECT_FALSE(dbftest::Reference("read '" + (dir_ / "tools.DBF") + "'").empty());
}

TEST_F(DbfFileTest, CreateWithMemoWritesVersion8BAndDbt) {
    std::vector<TDbfFieldDesc> defs{Def("name", 'C', 10), Def("born", 'D', 0), Def("ok", 'L', 0),
                                    Def("price", 'N', 8, 2), Def("note", 'M', 3)};
    TWorkArea area;
    CreateDbf(area, dir_ / "profiles123", defs);
    ASSERT_EQ(LastErrorCode, 0) << LastErrorString();
    EXPECT_EQ(defs[4].Length, 10);
    const std::string bytes = ReadFileBytes(dir_ / "profiles123.DBF");
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x8B);
    const std::string memo = ReadFileBytes(dir_ / "profiles123.DBT");
    ASSERT_EQ(memo.size(), 24u);
    EXPECT_EQ(memo.substr(0, 4), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(memo.substr(8, 8), "profiles");
    EXPECT_EQ(memo.substr(16, 8), std::string("\0\0\x02\x01\x00\x02\0\0", 8));
    const auto ref = dbftest::ReadReference(dir_ / "profiles123.DBF");
    EXPECT_EQ(ref.version, 0x8B);
    EXPECT_EQ(ref.recordLength, 38);
}

TEST_F(DbfFileTest, CreateCompletesAndRefusesDefinitions) {
    std::vector<TDbfFieldDesc> defs{Def("  longfieldname1 ", 'c', 5), Def("d", 'D', 3),
                                    Def("n", 'n', 6, 2), Def("l", 'L', 9, 4)};
    TWorkArea area;
    CreateDbf(area, dir_ / "a.dbf", defs);
    ASSERT_EQ(LastErrorCode, 0);
    EXPECT_EQ(defs[0].Name, "LONGFIELDN");
    EXPECT_EQ(defs[0].Type, 'C');
    EXPECT_EQ(defs[1].Length, 8);
    EXPECT_EQ(defs[2].Decimals, 2);
    EXPECT_EQ(defs[3].Length, 1);
    EXPECT_EQ(defs[3].Decimals, 0);

    for (auto bad : {std::vector<TDbfFieldDesc>{Def("a", 'C', 4), Def("n", 'N', 0)},
                     std::vector<TDbfFieldDesc>{Def("   ", 'C', 4)},
                     std::vector<TDbfFieldDesc>{Def("x", 'X', 4)}, std::vector<TDbfFieldDesc>{}}) {
        LastErrorCode = 0;
        CreateDbf(area, dir_ / "bad.dbf", bad);
        EXPECT_EQ(LastErrorCode, kErrBadFieldType);
        EXPECT_EQ(GetErrorText(), "Invalid dBASE field definition [CreateDBF]");
        EXPECT_FALSE(dbftest::ReadFileBytes(dir_ / "bad.dbf").size() > 0);
    }
}

TEST_F(DbfFileTest, CreateDoesNotReplaceATableHeldOpen) {
    std::vector<TDbfFieldDesc> defs{Def("a", 'C', 4)};
    TWorkArea area;
    CreateDbf(area, dir_ / "held.dbf", defs);
    ASSERT_EQ(LastErrorCode, 0);
    TWorkArea holder;
    ASSERT_TRUE(Open(holder, dir_ / "held.dbf"));
    std::vector<TDbfFieldDesc> other{Def("b", 'N', 4)};
    CreateDbf(area, dir_ / "held.dbf", other);
    EXPECT_EQ(LastErrorCode, kErrSharingViolation);
    EXPECT_EQ(GetErrorText(), "Error writing " + (dir_ / "held.dbf") + ". [CreateDbf]");
    CloseDbf(holder);
    EXPECT_EQ(dbftest::ReadReference(dir_ / "held.dbf").fields.at(0).name, "A");
}

TEST_F(DbfFileTest, MalformedHeadersAreRefusedWithTheirCodeAndText) {
    struct Case {
        std::string name, bytes;
        int code;
        std::string text;
    };
    const std::string good = Dbase3Header({Def("NAME", 'C', 10)}, 11);
    std::string v30 = good;
    v30[0] = 0x30;
    std::string h32 = good;
    h32[8] = 32;
    h32[9] = 0;
    std::string first0d = good;
    first0d[32] = 0x0D;
    const std::string p = dir_.Path() + "/";
    const std::vector<Case> cases{
        {"short.dbf", std::string(31, '\x03'), 210,
         p + "short.dbf is not a dBASE database. (Prolog is less than 32 bytes) [USE/OpenDBF]"},
        {"v30.dbf", v30, 210,
         p + "v30.dbf is not a dBASE database.(Invalid version byte)+ [USE/OpenDBF]"},
        {"h32.dbf", h32, 210,
         "h32.dbf is not a dBASE database. (Number of fields is out of range) [Use/OpenDbf]"},
        {"first0d.dbf", first0d, 222, "Error reading " + p + "first0d.dbf [Use/OpenDbf]"},
        {"typex.dbf", Dbase3Header({Def("NAME", 'C', 10), Def("ODD", 'X', 3)}, 14), 211,
         "Field: ODD [X] in " + p + "typex.dbf is not a valid field type"},
        {"past.dbf", Dbase3Header({Def("NAME", 'C', 10), Def("QTY", 'N', 8)}, 12), 210,
         p + "past.dbf is not a dBASE database. (Field QTY ends past the record length of 12) "
             "[USE/OpenDBF]"},
        {"shortd.dbf", Dbase3Header({Def("BORN", 'D', 6)}, 7), 210,
         p + "shortd.dbf is not a dBASE database. (Date field BORN is shorter than 8 bytes) "
             "[USE/OpenDBF]"},
        {"l0.dbf", Dbase3Header({Def("OK", 'L', 0)}, 1), 210,
         p + "l0.dbf is not a dBASE database. (Logical field OK has length 0) [USE/OpenDBF]"},
        {"rec0.dbf", Dbase3Header({Def("NAME", 'C', 0)}, 0), 210,
         p + "rec0.dbf is not a dBASE database. (Record length is 0) [USE/OpenDBF]"},
        {"cut.dbf", good.substr(0, 50), 100, "Error reading " + p + "cut.dbf [Use/OpenDbf]"},
        {"count.dbf", Dbase3Header({Def("NAME", 'C', 10)}, 11, 0x7FFFFFFF), 210,
         "count.dbf is not a dBASE database. (Record count 2147483647 is more than the file of "
         "65 bytes holds) [USE/OpenDBF]"},
        {"many.dbf", ManyFields(256, 0), 210,
         "many.dbf is not a dBASE database. (Number of fields is out of range) [Use/OpenDbf]"},
    };
    for (const Case& c : cases) {
        WriteFileBytes(dir_ / c.name, c.bytes);
        LastErrorCode = 0;
        TWorkArea area;
        EXPECT_FALSE(Open(area, dir_ / c.name)) << c.name;
        EXPECT_EQ(LastErrorCode, c.code) << c.name;
        EXPECT_EQ(GetErrorText(), c.text) << c.name;
        EXPECT_FALSE(area.File.IsOpen()) << c.name;
        EXPECT_TRUE(area.RecordBuffer.empty()) << c.name;
        EXPECT_EQ(area.UpdateState, usClosed) << c.name;
    }
    // A missing file gives the platform's code.
    TWorkArea area;
    EXPECT_FALSE(Open(area, dir_ / "missing"));
    EXPECT_EQ(LastErrorCode, kErrFileNotFound);
    EXPECT_EQ(GetErrorText(), "Failure to open " + (dir_ / "missing.DBF") + " [USE/OpenDbf]");
}

TEST_F(DbfFileTest, FieldsEndAtTheTerminatorAndCountsTheFileCanHold) {
    // Up to 255 fields open whatever follows the terminator, as dbfread reads them.
    for (int n : {247, 248, 255}) {
        const std::string path = dir_ / ("f" + std::to_string(n) + ".dbf");
        WriteFileBytes(path, ManyFields(n, 263));
        ExpectSameAsReference(path, "latin1");
    }
    // A last record cut short still opens; a count one record beyond that does not.
    const std::string good = ManyFields(3, 0);
    for (int cut : {1, 4, 5}) {
        WriteFileBytes(dir_ / "cut.dbf", good.substr(0, good.size() - cut));
        TWorkArea area;
        EXPECT_EQ(Open(area, dir_ / "cut.dbf"), cut < 5) << cut;
        EXPECT_EQ(LastErrorCode, cut < 5 ? 0 : kErrNotDbase) << cut;
        if (cut < 5) {
            EXPECT_EQ(area.RecordCount, 2);
        }
        CloseDbf(area);
    }
}

TEST_F(DbfFileTest, MalformedHeaderInExceptionModeLeavesTheAreaClosed) {
    WriteFileBytes(dir_ / "x.dbf", Dbase3Header({Def("ODD", 'X', 3)}, 4));
    SetErrorReporting(true);
    RaiseOnErrorScope raise;
    TWorkArea area;
    area.FileName = dir_ / "x.dbf";
    EXPECT_THROW(OpenDbf(area), ERivozError);
    EXPECT_FALSE(area.File.IsOpen());
    EXPECT_TRUE(area.Fields.empty());
    EXPECT_EQ(LastErrorCode, kErrBadFieldType);
}

TEST_F(DbfFileTest, TablesWrittenByPythonDbfMatchDbfread) {
    for (const char* kind : {"write-db3", "write-fp"}) {
        const std::string path = dir_ / (std::string(kind) + ".dbf");
        dbftest::Reference(std::string(kind) + " '" + path + "'");
        SCOPED_TRACE(kind);
        ExpectSameAsReference(path, "latin1");
        TWorkArea area;
        ASSERT_TRUE(Open(area, path));
        EXPECT_TRUE(area.HasMemo);
        EXPECT_EQ(MemoFileExt(area.Prolog[0]), std::string(kind) == "write-fp" ? "FPT" : "DBT");
        CloseDbf(area);
    }
}

TEST_F(DbfFileTest, TablesWrittenByShapelibMatchDbfread) {
    const std::string path = dir_ / "shape";
    int status = 0;
    dbftest::RunCommand("dbfcreate '" + path + "' -s name 12 -n qty 12 0 -n val 14 4", status);
    ASSERT_EQ(status, 0);
    for (const char* row :
         {"'Ritzel 1' 5000000000 3.25", "'' -17 -0.0625", "Zahnrad 0 123456789.1234"}) {
        dbftest::RunCommand("dbfadd '" + path + ".dbf' " + row, status);
        ASSERT_EQ(status, 0);
    }
    ExpectSameAsReference(path + ".dbf", "latin1");
    // shapelib's own dump agrees on the raw texts too.
    const std::string dump = dbftest::RunCommand("dbfdump '" + path + ".dbf'", status);
    EXPECT_NE(dump.find("5000000000"), std::string::npos);
}

TEST_F(DbfFileTest, OpenReadCloseLeavesTheFileByteIdentical) {
    const std::string path = dir_ / "t.dbf";
    dbftest::Reference("write-db3 '" + path + "'");
    const std::string before = dbftest::Sha256(path);
    TWorkArea area;
    ASSERT_TRUE(Open(area, path));
    std::vector<std::uint8_t> block(ComputeFieldVarsSize(area.Fields));
    for (int n = 1; n <= area.RecordCount; ++n) {
        GetDbfRecord(area, n);
        RecordToFieldVars(area, block);
        FieldVarsToRecord(area, block); // unchanged values keep their stored text
    }
    CloseDbf(area);
    EXPECT_EQ(LastErrorCode, 0);
    EXPECT_EQ(dbftest::Sha256(path), before);
}

TEST_F(DbfFileTest, RecordNumbersOutsideTheTable) {
    const std::string path = dir_ / "t.dbf";
    dbftest::Reference("write-db3 '" + path + "'");
    TWorkArea area;
    ASSERT_TRUE(Open(area, path));
    GetDbfRecord(area, 2);
    const std::vector<char> buffer = area.RecordBuffer;
    for (int n : {0, 5, -1}) {
        LastErrorCode = 0;
        GetDbfRecord(area, n);
        EXPECT_EQ(LastErrorCode, kErrBeyondRange);
        EXPECT_EQ(GetErrorText(), "Invalid record number = " + std::to_string(n) + " (" + path +
                                      ")  [GetDbfRecord]");
        EXPECT_EQ(area.RecNo, 2);
        EXPECT_EQ(area.RecordBuffer, buffer);
    }
    GetDbfRecord(area, 1234567890);
    EXPECT_EQ(GetErrorText(), "Invalid record number = 123456 (" + path + ")  [GetDbfRecord]");
    PutDbfRecord(area, 0);
    EXPECT_EQ(LastErrorCode, kErrBeyondRange); // never a write into the header
    CloseDbf(area);
}

TEST_F(DbfFileTest, WritingBeyondTheEndAppendsOneRecordAndOneEndMark) {
    const std::string path = dir_ / "t.dbf";
    dbftest::Reference("write-db3 '" + path + "'");
    TWorkArea area;
    ASSERT_TRUE(Open(area, path));
    GetDbfRecord(area, 1);
    std::vector<std::uint8_t> block(ComputeFieldVarsSize(area.Fields));
    RecordToFieldVars(area, block);
    SetVarString(block.data() + FieldVarOffset(area.Fields, 1), "Appended", 12);
    SetVarInt64(block.data() + FieldVarOffset(area.Fields, 2), -9876543210);
    FieldVarsToRecord(area, block);
    PutDbfRecord(area, area.RecordCount + 5);
    ASSERT_EQ(LastErrorCode, 0);
    EXPECT_EQ(area.RecordCount, 5);
    EXPECT_EQ(area.RecNo, 5);
    EXPECT_EQ(area.UpdateState, usAppended);
    // Rewrite record 2 in place and flag record 3 deleted.
    GetDbfRecord(area, 2);
    area.RecordBuffer[0] = '*';
    WriteDeleteFlag(area, 3);
    CloseDbf(area);
    ASSERT_EQ(LastErrorCode, 0);

    const auto ref = dbftest::ReadReference(path);
    ASSERT_EQ(ref.recordCount, 5);
    EXPECT_EQ(ref.records[4].values[0], "s:Appended");
    EXPECT_EQ(ref.records[4].values[1], "n:-9876543210");
    EXPECT_TRUE(ref.records[2].deleted);
    const std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(ref.headerLength + 5 * ref.recordLength + 1));
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(bytes.substr(1, 3), TodayBytes());
    const std::string data = bytes.substr(ref.headerLength, 5 * ref.recordLength);
    EXPECT_EQ(data.find('\x1A'), std::string::npos);
}

TEST_F(DbfFileTest, AutoFixRecCountUsesTheFileSize) {
    const std::string path = dir_ / "t.dbf";
    std::string bytes = Dbase3Header({Def("N", 'C', 3)}, 4, 10);
    for (int i = 0; i < 12; ++i)
        bytes += " " + std::to_string(100 + i);
    bytes += '\x1A';
    WriteFileBytes(path, bytes);
    TWorkArea area;
    ASSERT_TRUE(Open(area, path));
    EXPECT_EQ(area.RecordCount, 10);
    CloseDbf(area);
    AutoFixRecCount = true;
    ASSERT_TRUE(Open(area, path));
    EXPECT_EQ(area.RecordCount, 12);
    GetDbfRecord(area, 12);
    EXPECT_EQ(std::string(area.RecordBuffer.begin(), area.RecordBuffer.end()), " 111");
    CloseDbf(area);
}

TEST_F(DbfFileTest, Dbase2TablesOpenAndStopAtTheirCountLimit) {
    const std::string small = dir_ / "two.dbf";
    WriteFileBytes(small, Dbase2Table(3));
    TWorkArea area;
    ASSERT_TRUE(Open(area, small));
    EXPECT_EQ(area.HeaderLength, 521);
    EXPECT_EQ(area.LastUpdate, "19900517");
    ASSERT_EQ(area.Fields.size(), 1u);
    EXPECT_EQ(area.Fields[0].Name, "CODE");
    GetDbfRecord(area, 3);
    EXPECT_EQ(std::string(area.RecordBuffer.begin(), area.RecordBuffer.end()), " 0002");
    CloseDbf(area);

    const std::string full = dir_ / "full.dbf";
    WriteFileBytes(full, Dbase2Table(65535));
    ASSERT_TRUE(Open(area, full));
    EXPECT_EQ(area.RecordCount, 65535);
    AppendDbfRecord(area);
    EXPECT_EQ(LastErrorCode, kErrBeyondRange);
    EXPECT_EQ(area.RecordCount, 65535);
    CloseDbf(area);
    EXPECT_EQ(ReadFileBytes(full).size(), 521u + 65535u * 5u);
}

TEST_F(DbfFileTest, Level7DescriptorsAreRead) {
    const std::string b = Level7Table();
    WriteFileBytes(dir_ / "l7.dbf", b);
    TWorkArea area;
    ASSERT_TRUE(Open(area, dir_ / "l7.dbf")) << LastErrorString();
    ASSERT_EQ(area.Fields.size(), 2u);
    EXPECT_EQ(area.Fields[1].Name, "MADE");
    EXPECT_EQ(area.Fields[1].Offset, 7);
    GetDbfRecord(area, 1);
    FourDigitYears = true;
    SetDateFormat(5);
    std::vector<std::uint8_t> block(ComputeFieldVarsSize(area.Fields));
    RecordToFieldVars(area, block);
    EXPECT_EQ(GetVarString(block.data() + FieldVarOffset(area.Fields, 2)), "07.12.2026");
    CloseDbf(area);
}

TEST_F(DbfFileTest, OemTablesKeepStoredBytesOfUnchangedFields) {
    // CP437: 0xB3 box drawing (no Windows-1252 equivalent), 0x81 u-umlaut.
    const std::string path = dir_ / "oem.dbf";
    std::string bytes = Dbase3Header({Def("A", 'C', 4), Def("B", 'C', 4)}, 9, 1);
    bytes += std::string(" \xB3\xB3\x81 abcd", 9);
    bytes += '\x1A';
    WriteFileBytes(path, bytes);
    TWorkArea area;
    ASSERT_TRUE(Open(area, path));
    area.Page = os::CodePage::Cp437;
    GetDbfRecord(area, 1);
    EXPECT_EQ(area.RecordBuffer[3], '\x81'); // in the table's own page, as stored
    area.RecordBuffer[6] = '\x82';           // e-acute typed into field B
    PutDbfRecord(area, 1);
    CloseDbf(area);
    const std::string after = ReadFileBytes(path);
    const std::size_t at = bytes.size() - 10;
    EXPECT_EQ(after.substr(at, 9), std::string(" \xB3\xB3\x81 a\x82"
                                               "cd",
                                               9));
}

TEST_F(DbfFileTest, RecordHooksSeeTheStoredRecord) {
    const std::string path = dir_ / "hook.dbf";
    std::string bytes = Dbase3Header({Def("A", 'C', 3)}, 4, 1) + " ABC\x1A";
    WriteFileBytes(path, bytes);
    TWorkArea area;
    ASSERT_TRUE(Open(area, path));
    // A rot-1 cipher on the stored bytes.
    area.ReadHook = [](char* b, std::uint16_t n) {
        for (std::uint16_t i = 0; i < n; ++i)
            --b[i];
    };
    area.WriteHook = [](char* b, std::uint16_t n) {
        for (std::uint16_t i = 0; i < n; ++i)
            ++b[i];
    };
    GetDbfRecord(area, 1);
    EXPECT_EQ(std::string(area.RecordBuffer.data() + 1, 3), "@AB");
    area.RecordBuffer[1] = 'x';
    PutDbfRecord(area, 1);
    EXPECT_EQ(std::string(area.RecordBuffer.data() + 1, 3), "xAB"); // caller's buffer unchanged
    CloseDbf(area);
    EXPECT_EQ(ReadFileBytes(path).substr(bytes.size() - 4, 3), "yBC");
}

TEST_F(DbfFileTest, VersionHelpers) {
    for (int v = 0; v < 256; ++v) {
        const bool accepted =
            v == 2 || v == 3 || v == 0x83 || v == 0x8B || v == 0xF5 || v == 4 || v == 0x8C;
        EXPECT_EQ(IsDbfVersion(static_cast<std::uint8_t>(v)), accepted) << v;
    }
    EXPECT_EQ(MemoFileExt(0xF5), "FPT");
    EXPECT_EQ(MemoFileExt(0x83), "DBT");
    EXPECT_EQ(MemoFileExt(0x30), "DBT");
    EXPECT_EQ(SwapLong(0x01020304u), 0x04030201u);
    EXPECT_EQ(SwapWord(0x0102), 0x0201);
}

TEST_F(DbfFileTest, MutatedHeadersNeverReadOutsideTheirBuffers) {
    // A deterministic corpus of damaged tables: every open either fails with a code or gives
    // a table whose records and field variables can all be read (ASan/UBSan watch the reads).
    const std::string seedPath = dir_ / "seed.dbf";
    dbftest::Reference("write-db3 '" + seedPath + "'");
    const std::vector<std::string> seeds{ReadFileBytes(seedPath), Dbase2Table(4), Level7Table()};
    std::mt19937 rng(20261207);
    int opened = 0, refused = 0;
    for (int i = 0; i < 900; ++i) {
        std::string b = seeds[static_cast<std::size_t>(i) % seeds.size()];
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = rng() % std::min<std::size_t>(b.size(), 530);
            b[at] = static_cast<char>(rng() % 4 == 0 ? 0x0D : rng());
        }
        if (rng() % 5 == 0) b.resize(rng() % b.size());
        const std::string path = dir_ / "m.dbf";
        WriteFileBytes(path, b);
        TWorkArea area;
        LastErrorCode = 0;
        if (!Open(area, path)) {
            EXPECT_NE(LastErrorCode, 0);
            GetErrorText();
            ++refused;
            continue;
        }
        ++opened;
        std::vector<std::uint8_t> block(ComputeFieldVarsSize(area.Fields));
        const int last = std::min(area.RecordCount, 50);
        for (int n = 1; n <= last; ++n) {
            LastErrorCode = 0;
            GetDbfRecord(area, n);
            if (LastErrorCode != 0) continue;
            RecordToFieldVars(area, block);
            FieldVarsToRecord(area, block);
        }
        area.UpdateState = usUnchanged; // nothing to write back
        CloseDbf(area);
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
}

namespace {
int g_boxes = 0;
void CountingBox(const std::string&, const std::string&) {
    ++g_boxes;
}
} // namespace

TEST_F(DbfFileTest, InteractiveErrorsLeaveTheOperationButKeepTheTable) {
    const std::string path = dir_ / "t.dbf";
    dbftest::Reference("write-db3 '" + path + "'");
    TWorkArea area;
    ASSERT_TRUE(Open(area, path));
    SetErrorReporting(true);
    StopBoxHook = CountingBox;
    g_boxes = 0;
    EXPECT_THROW(GetDbfRecord(area, 99), ERivozError);
    EXPECT_EQ(g_boxes, 1);
    EXPECT_TRUE(area.File.IsOpen()); // the table stays usable after the message
    EXPECT_NO_THROW(GetDbfRecord(area, 1));
    EXPECT_EQ(area.RecNo, 1);
    WriteFileBytes(dir_ / "bad.dbf", std::string(31, 'x'));
    TWorkArea bad;
    bad.FileName = dir_ / "bad.dbf";
    EXPECT_THROW(OpenDbf(bad), ERivozError);
    EXPECT_EQ(g_boxes, 2);
    EXPECT_FALSE(bad.File.IsOpen());
    StopBoxHook = nullptr;
    SetErrorReporting(false);
    CloseDbf(area);
    EXPECT_EQ(LastErrorCode, 0);
}
