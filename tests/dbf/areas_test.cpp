// Work areas, field access, opening tables, navigation and record changes, checked against
// tables written by python3-dbf and read back by python3-dbfread.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "areas_testutil.h"
#include "dbf/table/create.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/files.h"
#include "platform/os/paths.h"

using namespace dbf;
using areastest::AreaTest;
using areastest::Current;
using areastest::MakeTable;
using areastest::View;
using dbftest::ReadFileBytes;

namespace {

using dbftest::Def;

void Create(const std::string& path, std::vector<TDbfFieldDesc> defs) {
    TWorkArea scratch;
    CreateDbf(scratch, path, defs);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
}

// Every record in the order Skip(1) visits them from the top.
std::vector<std::pair<std::string, int>> Walk() {
    std::vector<std::pair<std::string, int>> out;
    GoTop();
    while (!dEOF()) {
        out.push_back(Current());
        Skip(1);
        if (LastErrorCode != 0) break;
    }
    return out;
}

std::vector<std::pair<std::string, int>> FileOrder(const areastest::RefView& v) {
    std::vector<std::pair<std::string, int>> all = v.live;
    all.insert(all.end(), v.gone.begin(), v.gone.end());
    std::sort(all.begin(), all.end(),
              [](const auto& a, const auto& b) { return a.second < b.second; });
    return all;
}

struct TableBytes {
    std::uint32_t count = 0;
    std::uint16_t header = 0, record = 0;
    std::string raw;
};

TableBytes Bytes(const std::string& path) {
    TableBytes t;
    t.raw = ReadFileBytes(path);
    const auto* p = reinterpret_cast<const unsigned char*>(t.raw.data());
    t.count = p[4] | (p[5] << 8) | (p[6] << 16) | (std::uint32_t(p[7]) << 24);
    t.header = static_cast<std::uint16_t>(p[8] | (p[9] << 8));
    t.record = static_cast<std::uint16_t>(p[10] | (p[11] << 8));
    return t;
}

// The data holds count records and one end mark after them, and no end mark inside.
void ExpectSoundEnd(const std::string& path, std::uint32_t count) {
    const TableBytes t = Bytes(path);
    EXPECT_EQ(t.count, count);
    const std::size_t end = std::size_t{t.header} + std::size_t{count} * t.record;
    ASSERT_EQ(t.raw.size(), end + 1);
    EXPECT_EQ(static_cast<unsigned char>(t.raw[end]), 0x1A);
    EXPECT_EQ(t.raw.find('\x1A', t.header), end);
}

} // namespace

// ---------------------------------------------------------------- work areas, field access

TEST_F(AreaTest, OperationsBeforeAnyTableReport215WithTheAreaNumber) {
    CurrentAreaNo = 0;
    EXPECT_EQ(RecCount(), 0);
    EXPECT_EQ(LastErrorCode, kErrNoDatabase);
    EXPECT_EQ(ErrorText, "No database in use [RecCount]  WorkArea = 0");
    EXPECT_EQ(FieldType(1), ' ');
    EXPECT_EQ(ErrorText, "No database in use [FieldType()]  WorkArea = 0");
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(dBOF());
    Skip(1);
    EXPECT_EQ(ErrorText, "No database in use [SKIP()]  WorkArea = 0");
    EXPECT_FALSE(RLock());
    EXPECT_EQ(LastErrorCode, kErrNoDatabase);
    EXPECT_TRUE(UnlockRec(1)); // no table: nothing held
}

TEST_F(AreaTest, SelectAcceptsUserAreasAndFindsTheLowestFreeOne) {
    const std::string path = dir_ / "t.dbf";
    MakeTable(path, 3, 0);
    for (int i = 1; i <= 32; ++i)
        Open(static_cast<std::uint8_t>(i), path, " ALIAS A" + std::to_string(i));
    ASSERT_TRUE(Select(0));
    EXPECT_EQ(CurrentArea(), 33);
    Use(path + " ALIAS A33");
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    Select(5);
    EXPECT_FALSE(Select(0));
    EXPECT_EQ(LastErrorCode, kErrInvalidParameter);
    EXPECT_EQ(ErrorText, "No free workarea available [Select(0)]");
    EXPECT_EQ(CurrentArea(), 5);
    EXPECT_FALSE(Select(34));
    EXPECT_EQ(ErrorText, "Invalid workarea selected = [Select(34)]");
    EXPECT_EQ(CurrentArea(), 5);
    // One table in 33 areas: 33 handles of one file, each positioned on its own.
    Select(7);
    Go(3);
    Select(8);
    EXPECT_EQ(RecNo(), 1);
    CloseAll();
    EXPECT_EQ(CurrentArea(), 1);
    for (int i = 1; i <= 33; ++i)
        EXPECT_EQ(WorkAreaSlot(static_cast<std::uint8_t>(i)), nullptr);
}

TEST_F(AreaTest, FieldPropertiesAddressesAndTexts) {
    const std::string path = dir_ / "f.dbf";
    Create(path, {Def("NAME", 'C', 10), Def("PRICE", 'N', 8, 2), Def("QTY", 'N', 5),
                  Def("OK", 'L', 1), Def("DAY", 'D', 8), Def("NOTE", 'M', 10)});
    Open(1, path, " EXCLUSIVE");
    EXPECT_EQ(FieldCount(), 6);
    EXPECT_EQ(FieldType(2), 'N');
    EXPECT_EQ(FieldLen(1), 10);
    EXPECT_EQ(FieldDec(2), 2);
    FourDigitYears = false;
    EXPECT_EQ(FieldLen(5), 8);
    FourDigitYears = true;
    EXPECT_EQ(FieldLen(5), 10);
    FourDigitYears = false;
    EXPECT_EQ(Field(6), "NOTE");
    EXPECT_EQ(FieldType(7), ' ');
    EXPECT_EQ(LastErrorCode, kErrInvalidParameter);
    EXPECT_EQ(ErrorText, "Invalid field number. [FieldType(7)]");
    EXPECT_EQ(FieldLen(0), 0);
    EXPECT_EQ(ErrorText, "Invalid field number. [FieldLen(0)]");

    // Block: flag, C(10) 11, N(8,2) 8, N(5) 8, L 1, D 11, M 4.
    TWorkArea* a = CurrentWorkArea();
    EXPECT_EQ(a->FieldVarsSize, 1 + 11 + 8 + 8 + 1 + 11 + 4);
    EXPECT_EQ(FieldAddress(0), a->FieldVars);
    EXPECT_EQ(FieldAddress(2), a->FieldVars + 12);
    EXPECT_EQ(FieldAddress(6), a->FieldVars + 40);
    EXPECT_EQ(FieldAddress(7), nullptr);
    EXPECT_EQ(ErrorText, "Invalid field number. [FieldAddress(7)]");

    EXPECT_EQ(FieldNo("name  "), 1);
    EXPECT_EQ(FieldNo("Qty"), 3);
    EXPECT_EQ(FieldNo("NOTEXXXXXXXYZ"), 0);
    EXPECT_EQ(LastErrorCode, 0);

    ClearRecord();
    SetVarString(FieldAddress(1), "Ritzel", 10);
    SetVarDouble(FieldAddress(2), 12.5);
    SetVarInt64(FieldAddress(3), -42);
    SetVarBool(FieldAddress(4), true);
    SetVarString(FieldAddress(5), "02/28/2026", 10);
    EXPECT_EQ(FieldStr(1), "Ritzel");
    DecimalChar = ',';
    EXPECT_EQ(FieldStr(2), "   12,50");
    DecimalChar = '.';
    EXPECT_EQ(FieldStr(3), "  -42");
    EXPECT_EQ(FieldStr(4), "Y");
    EXPECT_EQ(FieldStr(6), "none");
    SetVarInt32(FieldAddress(6), 7);
    EXPECT_EQ(FieldStr(6), "MEMO");
    SetVarInt32(FieldAddress(6), -7);
    EXPECT_EQ(FieldStr(6), "BLOB");
    SetVarBool(FieldAddress(4), false);
    EXPECT_EQ(FieldStr(4), "N");
}

// ---------------------------------------------------------------- Use

TEST_F(AreaTest, UseNameWithoutExtensionOpensSharedWithTheNameAsAlias) {
    MakeTable(dir_ / "tools.dbf", 3, 0);
    const std::string saved = os::CurrentDirectory();
    ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
    Select(1);
    Use("tools");
    const int code = LastErrorCode;
    ASSERT_EQ(chdir(saved.c_str()), 0);
    ASSERT_EQ(code, 0) << ErrorText;
    const TWorkArea* a = CurrentWorkArea();
    EXPECT_EQ(a->Alias, "TOOLS");
    EXPECT_EQ(a->OpenMode, 66);
    EXPECT_FALSE(a->Exclusive);
    EXPECT_EQ(FileNameExt(a->FileName), "tools.dbf");
    EXPECT_EQ(a->FileName.substr(0, dir_.Path().size()), dir_.Path());
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(Current().second, 1);
}

TEST_F(AreaTest, UseKeywordsInEitherOrderOpenExclusivelyWithTheAlias) {
    const std::string path = dir_ / "tools.dbf";
    MakeTable(path, 3, 0);
    for (const std::string options :
         {" EXCLUSIVE ALIAS t1", " ALIAS t1 EXCLUSIVE", " exclusive alias t1"}) {
        Select(1);
        Use(path + options);
        ASSERT_EQ(LastErrorCode, 0) << ErrorText;
        EXPECT_TRUE(CurrentWorkArea()->Exclusive) << options;
        EXPECT_EQ(CurrentWorkArea()->Alias, "T1") << options;
        EXPECT_EQ(CurrentWorkArea()->OpenMode, 18) << options;
        // Exclusive means exclusive: a second opener is refused.
        Select(2);
        Use(path + " ALIAS OTHER");
        EXPECT_EQ(LastErrorCode, kErrSharingViolation) << options;
        EXPECT_EQ(CurrentWorkArea(), nullptr);
    }
    // A name that merely contains the word keeps it.
    const std::string odd = dir_ / "exclusiveness.dbf";
    MakeTable(odd, 1, 0);
    Select(3);
    Use(odd);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    EXPECT_FALSE(CurrentWorkArea()->Exclusive);
    EXPECT_EQ(CurrentWorkArea()->Alias, "EXCLUSIVENESS");
}

TEST_F(AreaTest, UseFailuresLeaveTheAreaEmpty) {
    const std::string path = dir_ / "a.dbf";
    MakeTable(path, 2, 0);
    Open(1, path, " ALIAS SAME");
    Select(2);
    Use(path + " ALIAS same");
    EXPECT_EQ(LastErrorCode, kErrInvalidParameter);
    EXPECT_EQ(ErrorText, "Alias name \"SAME\" already in use. [USE]");
    EXPECT_EQ(CurrentWorkArea(), nullptr);

    // Caller's block one byte off.
    std::vector<std::uint8_t> block(200);
    Select(1);
    const std::uint16_t need = CurrentWorkArea()->FieldVarsSize;
    Select(2);
    Use(path + " ALIAS B", block.data(), static_cast<std::uint16_t>(need + 1));
    EXPECT_EQ(LastErrorCode, kErrInvalidSize);
    EXPECT_EQ(ErrorText, "Database record/buffer size mismatch: " + path +
                             " ALIAS B [USE()]\n\rRecord Size=" + std::to_string(need) +
                             ", Buffer Size=" + std::to_string(need + 1));
    EXPECT_EQ(CurrentWorkArea(), nullptr);
    Use(path + " ALIAS B", block.data(), 0);
    EXPECT_EQ(LastErrorCode, kErrInvalidParameter);
    EXPECT_EQ(CurrentWorkArea(), nullptr);

    // The caller's block of the right size is used as the area's block.
    Use(path + " ALIAS B", block.data(), need);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    EXPECT_EQ(CurrentWorkArea()->FieldVars, block.data());
    EXPECT_EQ(GetVarString(block.data() + 1).substr(0, 6), "R00001");

    Select(3);
    Use(dir_ / "missing");
    EXPECT_EQ(LastErrorCode, kErrFileNotFound);
    EXPECT_EQ(CurrentWorkArea(), nullptr);

    // An empty command closes the area and reports nothing.
    Select(1);
    Use("");
    EXPECT_EQ(LastErrorCode, 0);
    EXPECT_EQ(CurrentWorkArea(), nullptr);
}

TEST_F(AreaTest, WithoutMultiUserEveryTableIsExclusive) {
    const std::string path = dir_ / "a.dbf";
    MakeTable(path, 2, 0);
    MultiUser = false;
    Open(1, path);
    EXPECT_TRUE(CurrentWorkArea()->Exclusive);
    EXPECT_EQ(CurrentWorkArea()->OpenMode, 18);
    // Record locks are bookkeeping only.
    EXPECT_TRUE(RLock());
    EXPECT_TRUE(IsLocked(1));
    EXPECT_EQ(areastest::ProcLocks(path, RecordLockOffset(*CurrentWorkArea(), 1),
                                   RecordLockOffset(*CurrentWorkArea(), 1) +
                                       CurrentWorkArea()->RecordLength - 1),
              0);
}

TEST_F(AreaTest, VirtualFileWithoutItsManagerReports1101) {
    std::vector<std::uint8_t> block(20);
    Select(1);
    Use("list VIRTUAL FILE TO HEAP", block.data(), 20);
    EXPECT_EQ(LastErrorCode, kErrVirtualNotLinked);
    EXPECT_EQ(CurrentWorkArea(), nullptr);
}

// ---------------------------------------------------------------- navigation

TEST_F(AreaTest, SkipShowsWhatDbfreadShows) {
    const std::string path = dir_ / "nav.dbf";
    MakeTable(path, 40, 3); // records 3, 6, ... 39 deleted
    const areastest::RefView ref = View(path);
    ASSERT_EQ(ref.gone.size(), 13u);
    Open(1, path);
    EXPECT_EQ(RecCount(), 40);
    EXPECT_EQ(Walk(), FileOrder(ref));
    EXPECT_FALSE(SetIgnoreDel(true));
    EXPECT_EQ(Walk(), ref.live);

    // Backwards from the bottom gives the live list reversed.
    std::vector<std::pair<std::string, int>> back;
    GoBottom();
    while (!dBOF()) {
        back.push_back(Current());
        Skip(-1);
    }
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, ref.live);

    // Skip(2) passes over deleted records without counting them: every second live record.
    std::vector<std::pair<std::string, int>> twos;
    GoTop();
    while (!dEOF()) {
        twos.push_back(Current());
        Skip(2);
    }
    std::vector<std::pair<std::string, int>> expect;
    for (std::size_t i = 0; i < ref.live.size(); i += 2)
        expect.push_back(ref.live[i]);
    EXPECT_EQ(twos, expect);
}

TEST_F(AreaTest, EndsOfTheTable) {
    const std::string path = dir_ / "ends.dbf";
    MakeTable(path, 5, 5);
    Open(1, path);
    SetIgnoreDel(true);
    GoBottom();
    EXPECT_EQ(RecNo(), 4);
    Skip(1);
    EXPECT_EQ(LastErrorCode, 0);
    EXPECT_TRUE(dEOF());
    EXPECT_EQ(RecNo(), 6);
    EXPECT_EQ(FieldStr(1), std::string(20, ' '));
    EXPECT_EQ(FieldStr(2), "       0");
    Skip(1);
    EXPECT_EQ(LastErrorCode, kErrBeyondRange);
    EXPECT_EQ(ErrorText, "Database \"" + path + "\" is past EOF. [SKIP]");

    GoTop();
    Skip(-1);
    EXPECT_EQ(LastErrorCode, 0);
    EXPECT_TRUE(dBOF());
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(Current().second, 1);
    Skip(-1);
    EXPECT_EQ(RecNo(), 1);

    Go(0);
    EXPECT_EQ(LastErrorCode, kErrBeyondRange);
    EXPECT_EQ(ErrorText, "Invalid record number = 0 Database \"" + path + "\" [GO]");
    EXPECT_TRUE(dEOF());
    EXPECT_EQ(RecNo(), 6);
    Go(6);
    EXPECT_EQ(LastErrorCode, kErrBeyondRange);
    // Go lands on a deleted record even when deleted records are hidden.
    Go(5);
    EXPECT_EQ(LastErrorCode, 0);
    EXPECT_TRUE(Deleted());
    EXPECT_EQ(Current().second, 5);
    EXPECT_TRUE(MoveOffHidden());
    EXPECT_EQ(Current().second, 4);
    EXPECT_FALSE(MoveOffHidden());
    EXPECT_FALSE(GoIfValid(9));
    EXPECT_EQ(RecNo(), 4);
}

TEST_F(AreaTest, WhileConditionFilterAndRelation) {
    const std::string path = dir_ / "w.dbf";
    MakeTable(path, 12, 0);
    Open(1, path);
    TWorkArea* a = CurrentWorkArea();
    a->OnWhile = [] { return std::stoi(FieldStr(2)) < 5; };
    EXPECT_TRUE(IsWhileOn());
    Skip(10);
    EXPECT_EQ(RecNo(), 5);
    EXPECT_TRUE(dEOF());
    EXPECT_EQ(Current().second, 5);
    a->OnWhile = nullptr;

    a->OnFilter = [] { return std::stoi(FieldStr(2)) % 4 == 0; };
    std::vector<int> nums;
    for (const auto& r : Walk())
        nums.push_back(r.second);
    EXPECT_EQ(nums, (std::vector<int>{4, 8, 12}));
    a->OnFilter = nullptr;

    // A related area follows; one that moves its parent is a cycle (224).
    MakeTable(dir_ / "child.dbf", 12, 0);
    Open(2, dir_ / "child.dbf");
    Select(1);
    SetRelation([] {
        const std::int32_t parent = RecNo();
        Select(2);
        Go(parent);
    });
    Go(7);
    Select(2);
    EXPECT_EQ(RecNo(), 7);
    Select(1);
    SetRelation([] { Skip(1); });
    EXPECT_EQ(LastErrorCode, kErrCyclicRelation);
    SetRelation(nullptr);
}

// ---------------------------------------------------------------- record changes

TEST_F(AreaTest, ChangesAreSeenByDbfreadWithOneEndMark) {
    const std::string path = dir_ / "chg.dbf";
    MakeTable(path, 6, 0);
    const std::string before = ReadFileBytes(path);
    Open(1, path);
    TWorkArea* a = CurrentWorkArea();

    // Shared: changes need locks.
    ClearRecord();
    Append();
    EXPECT_EQ(LastErrorCode, kErrAccessDenied);
    EXPECT_EQ(ErrorText, "File must be locked to append: " + a->FileName + " [APPEND]");
    Go(2);
    DeleteRec();
    EXPECT_EQ(LastErrorCode, kErrRecordNotLocked);
    EXPECT_EQ(ErrorText, a->FileName + " Record not locked [DeleteRec]");
    Replace();
    EXPECT_EQ(LastErrorCode, kErrRecordNotLocked);
    EXPECT_EQ(ErrorText, "Record #2 in " + a->FileName + " [REPLACE]");
    EXPECT_EQ(ReadFileBytes(path), before);

    // Replace field 2 of record 2; its name keeps the box-drawing bytes.
    ASSERT_TRUE(RLock());
    SetVarInt64(FieldAddress(2), 222);
    Replace();
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    Go(3);
    ASSERT_TRUE(RLock());
    DeleteRec();
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    EXPECT_EQ(RecNo(), 3);
    Unlock();
    ASSERT_TRUE(ALock());
    for (int i = 7; i <= 9; ++i) {
        ClearRecord();
        SetVarString(FieldAddress(1), "N" + std::to_string(i) + "new", 20);
        SetVarInt64(FieldAddress(2), i);
        Append();
        ASSERT_EQ(LastErrorCode, 0) << ErrorText;
        EXPECT_EQ(RecNo(), i);
    }
    Unlock();
    Go(3);
    ASSERT_TRUE(FLock());
    RecallRec();
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    Go(4);
    DeleteRec();
    FreeWorkArea();

    const areastest::RefView ref = View(path);
    EXPECT_EQ(ref.headerCount, 9);
    const std::vector<std::pair<std::string, int>> live = {
        {"R00001", 1}, {"R00002", 222}, {"R00003", 3}, {"R00005", 5},
        {"R00006", 6}, {"N7new", 7},    {"N8new", 8},  {"N9new", 9}};
    EXPECT_EQ(ref.live, live);
    ASSERT_EQ(ref.gone.size(), 1u);
    EXPECT_EQ(ref.gone[0].second, 4);
    ExpectSoundEnd(path, 9);
    // The untouched name of record 2 is byte-for-byte what python3-dbf wrote.
    const TableBytes t = Bytes(path);
    EXPECT_EQ(t.raw.substr(t.header + t.record + 1, 20),
              before.substr(t.header + t.record + 1, 20));
    EXPECT_NE(t.raw.find("\xC9\xCD\xBB", t.header + t.record), std::string::npos);
}

TEST_F(AreaTest, PackKeepsLiveOrderSizeAndStoredBytes) {
    const std::string path = dir_ / "pack.dbf";
    MakeTable(path, 200, 2);
    const areastest::RefView before = View(path);
    const TableBytes old = Bytes(path);
    Open(1, path);
    // Another area holds the table: the exclusive pass is refused and the area stays usable.
    Open(2, path, " ALIAS SECOND");
    Select(1);
    Go(5);
    EXPECT_FALSE(Pack());
    EXPECT_NE(ErrorText.find("Close the table there, then pack again."), std::string::npos);
    EXPECT_EQ(RecNo(), 5);
    EXPECT_EQ(RecCount(), 200);
    Select(2);
    FreeWorkArea();

    Select(1);
    ASSERT_TRUE(Pack()) << ErrorText;
    EXPECT_FALSE(CurrentWorkArea()->Exclusive); // shared again
    EXPECT_EQ(RecCount(), 100);
    EXPECT_EQ(RecNo(), 1);
    // Count and end mark are on the disk before the table is closed.
    ExpectSoundEnd(path, 100);
    FreeWorkArea();

    const areastest::RefView after = View(path);
    EXPECT_EQ(after.live, before.live);
    EXPECT_TRUE(after.gone.empty());
    ExpectSoundEnd(path, 100);
    // Every kept record is the stored bytes of its live original, box drawing included.
    const TableBytes now = Bytes(path);
    for (int k = 0; k < 100; ++k) {
        const std::size_t from = old.header + std::size_t(2 * k) * old.record; // record 2k+1
        const std::size_t to = now.header + std::size_t(k) * now.record;
        ASSERT_EQ(now.raw.substr(to, now.record), old.raw.substr(from, old.record)) << k;
    }
}

TEST_F(AreaTest, AssignedZeroAndFalseAreWrittenUnassignedBlanksStay) {
    const std::string path = dir_ / "zero.dbf";
    Create(path,
           {Def("NAME", 'C', 4), Def("PRICE", 'N', 8, 2), Def("QTY", 'N', 5), Def("OK", 'L', 1)});
    Open(1, path, " EXCLUSIVE");
    struct Step {
        int record; // 0 appends a cleared record
        bool price, qty, ok;
    };
    for (const Step& s : {Step{0, true, false, true}, Step{0, false, false, false},
                          Step{2, false, true, false}, Step{1, false, false, false}}) {
        if (s.record == 0) {
            ClearRecord();
            SetVarString(FieldAddress(1), "R" + std::to_string(RecCount() + 1), 4);
        } else {
            Go(s.record);
        }
        if (s.price) SetVarDouble(FieldAddress(2), 0.0);
        if (s.qty) SetVarInt64(FieldAddress(3), 0);
        if (s.ok) SetVarBool(FieldAddress(4), false);
        s.record == 0 ? Append() : Replace();
        ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    }
    FreeWorkArea();
    // dbfread: a value the program gave is 0 or False; a field nobody gave stays None.
    const dbftest::RefTable ref = dbftest::ReadReference(path);
    ASSERT_EQ(ref.records.size(), 2u);
    EXPECT_EQ(ref.records[0].values, (std::vector<std::string>{"s:R1", "n:0.0", "-", "b:F"}));
    EXPECT_EQ(ref.records[1].values, (std::vector<std::string>{"s:R2", "-", "n:0", "-"}));
}

TEST_F(AreaTest, PackOfOnlyDeletedRecordsLeavesAnEmptyTable) {
    const std::string path = dir_ / "gone.dbf";
    MakeTable(path, 4, 1);
    Open(1, path, " EXCLUSIVE");
    ASSERT_TRUE(Pack()) << ErrorText;
    EXPECT_EQ(RecCount(), 0);
    EXPECT_EQ(RecNo(), 0);
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(dBOF());
    const std::uint16_t header = CurrentWorkArea()->HeaderLength;
    FreeWorkArea();
    EXPECT_EQ(ReadFileBytes(path).size(), header + 1u);
    EXPECT_EQ(View(path).headerCount, 0);
}

TEST_F(AreaTest, PackAsksWhenConfirmationIsOn) {
    const std::string path = dir_ / "ask.dbf";
    MakeTable(path, 4, 2);
    Open(1, path);
    ConfirmPack = true;
    std::string asked;
    static std::string* seen = nullptr;
    seen = &asked;
    ConfirmHook = [](const std::string& text) {
        *seen = text;
        return false;
    };
    EXPECT_FALSE(Pack());
    EXPECT_EQ(asked, "PACK " + CurrentWorkArea()->FileName);
    EXPECT_FALSE(CurrentWorkArea()->Exclusive);
    EXPECT_EQ(RecCount(), 4);
    ConfirmHook = [](const std::string&) { return true; };
    EXPECT_TRUE(Pack());
    EXPECT_EQ(RecCount(), 2);
}

TEST_F(AreaTest, ReadOnlyOpenRefusesChanges) {
    const std::string path = dir_ / "ro.dbf";
    MakeTable(path, 3, 0);
    const std::string before = ReadFileBytes(path);
    OpenModeOverride = 64; // read, deny none
    Open(1, path);
    OpenModeOverride = 65535;
    ASSERT_TRUE(RLock()); // locks work on a read-only opening
    DeleteRec();
    EXPECT_EQ(LastErrorCode, kErrAccessDenied);
    EXPECT_FALSE(Pack());
    FreeWorkArea();
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(AreaTest, ReportedFailuresLeaveAreasConsistent) {
    const std::string path = dir_ / "raise.dbf";
    MakeTable(path, 3, 0);
    SetErrorReporting(true);
    RaiseOnErrorScope raise;
    Select(1);
    EXPECT_THROW(Use(dir_ / "missing"), ERivozError);
    EXPECT_EQ(CurrentWorkArea(), nullptr);
    Use(path);
    ASSERT_NE(CurrentWorkArea(), nullptr);
    GoBottom();
    Skip(1);
    EXPECT_THROW(Skip(1), ERivozError);
    EXPECT_TRUE(dEOF());
    Go(2);
    EXPECT_EQ(Current().second, 2);
    // Lock refusals and UnlockRec store their code without a report.
    EXPECT_NO_THROW(EXPECT_FALSE(UnlockRec(3)));
    EXPECT_EQ(LastErrorCode, kErrInvalidParameter);
    Select(2);
    Use(path + " ALIAS OTHER");
    Go(2);
    ASSERT_TRUE(RLock());
    Select(1);
    EXPECT_NO_THROW(EXPECT_FALSE(RLock()));
    // A relation that throws leaves the relation installed and the area usable.
    SetRelation(nullptr);
    EXPECT_THROW(SetRelation([] { Go(99); }), ERivozError);
    EXPECT_TRUE(static_cast<bool>(CurrentWorkArea()->RelationProc));
    CurrentWorkArea()->RelationProc = nullptr;
    Go(1);
    EXPECT_EQ(Current().second, 1);
}

TEST_F(AreaTest, RecordOperationsAtTheEdges) {
    const std::string path = dir_ / "edge.dbf";
    MakeTable(path, 4, 1); // all deleted
    Open(1, path, " EXCLUSIVE");
    TWorkArea* a = CurrentWorkArea();
    SetIgnoreDel(true);
    GoBottom();
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(dBOF());
    EXPECT_EQ(RecNo(), 5);
    GoTop();
    EXPECT_TRUE(dEOF());
    Replace();
    EXPECT_EQ(LastErrorCode, kErrBeyondRange);
    EXPECT_EQ(ErrorText, "Database \"" + a->FileName + "\" is at EOF. [REPLACE]");
    RecallRec();
    EXPECT_EQ(LastErrorCode, kErrInvalidOperation);
    EXPECT_EQ(ErrorText, a->FileName + " at EOF [RecallRec]");
    DeleteRec(); // past the end: nothing
    EXPECT_EQ(LastErrorCode, 0);
    Dbf4RawGo(0);
    EXPECT_EQ(LastErrorCode, kErrBeyondRange);
    Dbf4RawGo(2);
    EXPECT_EQ(LastErrorCode, 0);
    EXPECT_EQ(Current().second, 2);
    EXPECT_TRUE(Deleted());

    // Exclusive: appending needs no lock; the new record is current and visible.
    ClearRecord();
    SetVarString(FieldAddress(1), "FRESH", 20);
    SetVarInt64(FieldAddress(2), 5);
    Append();
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    EXPECT_EQ(RecNo(), 5);
    EXPECT_FALSE(dEOF());
    GoTop();
    EXPECT_EQ(Current().second, 5);
    GoBottom();
    EXPECT_EQ(Current().second, 5);
    FreeWorkArea();
    const areastest::RefView ref = View(path);
    EXPECT_EQ(ref.headerCount, 5);
    EXPECT_EQ(ref.live, (std::vector<std::pair<std::string, int>>{{"FRESH", 5}}));

    // Backwards with a WHILE condition: stops on the last record that held it.
    Open(1, path);
    CurrentWorkArea()->OnWhile = [] { return RecNo() >= 3; };
    Go(5);
    Skip(-4);
    EXPECT_EQ(RecNo(), 3);
    EXPECT_TRUE(dBOF());
}
