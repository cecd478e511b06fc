// AppendFrom, CopyToDelimited and AppendFromDelimited, checked against tables written by
// python3-dbf, text built by a Python script from python3-dbfread's values, the csv module, and
// tables read back by python3-dbfread.

#include <gtest/gtest.h>

#include "dbf/table/work_areas.h"
#include "dbf/table/transfer.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/messages.h"
#include "transfer_testutil.h"

using namespace dbf;
using dbftest::ReadFileBytes;
using dbftest::WriteFileBytes;
using transfertest::Create;
using transfertest::Def;
using transfertest::Dump;
using transfertest::Ref;
using transfertest::TransferTest;

namespace {

using Row = std::vector<std::string>;

std::vector<TDbfFieldDesc> PeopleFields() {
    return {Def("NAME", 'C', 20), Def("QTY", 'N', 8, 2), Def("CNT", 'N', 5),
            Def("OK", 'L', 1),    Def("DAY", 'D', 8),    Def("NOTE", 'C', 12)};
}

class DelimitedTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        SetDateFormat(0);
        people_ = dir_ / "people.dbf";
        Ref("make-people '" + people_ + "'");
    }
    std::string people_;
};

TEST_F(DelimitedTest, CopyToDelimitedWritesWhatTheReferenceBuilds) {
    Open(1, people_);
    const std::string out = dir_ / "out.txt";
    EXPECT_EQ(CopyToDelimited(out, false), 5);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    const std::string ref = dir_ / "ref.txt";
    Ref("csv '" + people_ + "' '" + ref + "'");
    EXPECT_EQ(ReadFileBytes(out), ReadFileBytes(ref));
    // Quotes, commas and accented letters come back through the csv module.
    EXPECT_EQ(Ref("csvread '" + people_ + "' '" + out + "'"), "ok\n");
    // The extension TXT is added when the name has none.
    EXPECT_EQ(CopyToText(dir_ / "plain"), 5);
    EXPECT_EQ(ReadFileBytes(dir_ / "plain.TXT"), ReadFileBytes(ref));
}

TEST_F(DelimitedTest, HeaderLineAndEmptyTables) {
    const std::string empty = dir_ / "empty.dbf";
    Create(empty,
           {Def("NAME", 'C', 5), Def("QTY", 'N', 5, 2), Def("NOTE", 'M', 10), Def("OK", 'L', 1)});
    Open(1, empty, " EXCLUSIVE");
    EXPECT_EQ(CopyToDelimited(dir_ / "e.txt", true), 0);
    // A memo field writes nothing and takes no separator after it.
    EXPECT_EQ(ReadFileBytes(dir_ / "e.txt"), "\"NAME\",\"QTY\",\"OK\"\r\n\x1A");
    EXPECT_EQ(CopyToDelimited(dir_ / "f.txt", false), 0);
    EXPECT_EQ(ReadFileBytes(dir_ / "f.txt"), "\x1A");

    Open(2, people_);
    EXPECT_EQ(CopyToDelimited(dir_ / "h.txt", true), 5);
    const std::string text = ReadFileBytes(dir_ / "h.txt");
    EXPECT_EQ(text.substr(0, text.find('\n') + 1),
              "\"NAME\",\"QTY\",\"CNT\",\"OK\",\"DAY\",\"NOTE\"\r\n");
}

TEST_F(DelimitedTest, AppendFromDelimitedGivesBackTheSameRecords) {
    Open(1, people_);
    const std::string out = dir_ / "out.txt";
    ASSERT_EQ(CopyToDelimited(out, false), 5);
    const std::string copy = dir_ / "copy.dbf";
    Create(copy, PeopleFields());
    Open(2, copy, " EXCLUSIVE");
    EXPECT_EQ(AppendFromDelimited(out, false), 5);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    CloseAll();
    EXPECT_EQ(Ref("same '" + people_ + "' '" + copy + "'"), "ok\n");
}

TEST_F(DelimitedTest, TokensQuotesLineEndsAndLimits) {
    const std::string table = dir_ / "tok.dbf";
    Create(table,
           {Def("NAME", 'C', 10), Def("NUM", 'N', 5), Def("OK", 'L', 1), Def("DAY", 'D', 8)});
    const std::string text = dir_ / "tok.txt";
    WriteFileBytes(text, std::string("\"Smith, J\",42,T,20260301\r\n"
                                     "\r\n"
                                     "  \"x\"\n"
                                     "\"say \"\"hi\"\"\",  7 ,y,03/02/2026\r\n"
                                     "plain,-5,n,\r"
                                     "next,1,T\r\n"
                                     "\"abcdefghij\"") +
                             std::string(30, ' ') + ",7,F,20260101\r\nlast,3\x1Aignored,9\r\n");
    LineBufferSize = 48; // the long line loses its date
    Open(1, table, " EXCLUSIVE");
    EXPECT_EQ(AppendFromDelimited(text, false), 7);
    LineBufferSize = 2048;
    CloseAll();
    const std::vector<Row> expected{
        {"0", "Smith, J", "42", "T", "20260301"},
        {"0", "x", "<None>", "<None>", "<None>"},
        {"0", "say \"hi\"", "7", "T", "20260302"},
        {"0", "plain", "-5", "F", "<None>"},
        {"0", "next", "1", "T", "<None>"},
        {"0", "abcdefghij", "7", "F", "<None>"}, // the date was past the line limit
        {"0", "last", "3", "<None>", "<None>"},
    };
    EXPECT_EQ(Dump(table), expected);
}

TEST_F(DelimitedTest, NumbersWithAPointWhateverTheDecimalCharacter) {
    const std::string table = dir_ / "num.dbf";
    Create(table, {Def("VAL", 'N', 8, 2), Def("CNT", 'N', 4)});
    WriteFileBytes(dir_ / "num.txt", "1.50,2.6\r\n-0.25,7\r\n");
    DecimalChar = ',';
    Open(1, table, " EXCLUSIVE");
    EXPECT_EQ(AppendFromDelimited(dir_ / "num.txt", false), 2);
    DecimalChar = '.';
    CloseAll();
    EXPECT_EQ(Dump(table), (std::vector<Row>{{"0", "1.5", "3"}, {"0", "-0.25", "7"}}));
}

TEST_F(DelimitedTest, MissingFileAndUnlockedSharedTable) {
    Open(1, people_);
    EXPECT_EQ(AppendFromDelimited(dir_ / "none.txt", false), 0);
    EXPECT_EQ(LastErrorCode, kErrFileNotFound);
    WriteFileBytes(dir_ / "two.txt", "\"a\"\r\n\"b\"\r\n");
    // Shared, without the file or append lock: the first append is refused and stops the rest.
    EXPECT_EQ(AppendFromDelimited(dir_ / "two.txt", false), 0);
    EXPECT_EQ(LastErrorCode, kErrAccessDenied);
    EXPECT_EQ(RecCount(), 5);
    ASSERT_TRUE(ALock());
    EXPECT_EQ(AppendFromDelimited(dir_ / "two.txt", false), 2);
    EXPECT_EQ(RecCount(), 7);
}

std::vector<std::pair<std::string, std::string>> Shown;

TEST_F(DelimitedTest, ProgressStepsOncePerHundredthOfTheFile) {
    MessageWindowHook = nullptr;
    MessageShownHook = [](const std::string& caption, const std::string& text) {
        Shown.emplace_back(caption, text);
    };
    Shown.clear();
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "\"abcdef\"\r\n"; // 10 bytes a line, 1000 in all
    WriteFileBytes(dir_ / "p.txt", text);
    const std::string table = dir_ / "p.dbf";
    Create(table, {Def("NAME", 'C', 8)});
    Open(1, table, " EXCLUSIVE");
    EXPECT_EQ(AppendFromDelimited(dir_ / "p.txt", true), 100);
    MessageShownHook = nullptr;
    MessageWindowHook = nullptr;
    ASSERT_EQ(Shown.size(), 101u);
    EXPECT_EQ(Shown[0].first, "Appending...");
    EXPECT_EQ(Shown[0].second, std::string(100, '|'));
    EXPECT_EQ(Shown[60].second, std::string(40, '|'));
    EXPECT_EQ(Shown[100].second, " "); // the bar is empty
}

class AppendFromTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        SetDateFormat(0);
        other_ = dir_ / "other.dbf";
        Ref("make-other '" + other_ + "'");
    }
    std::string other_;
};

TEST_F(AppendFromTest, FieldsOfAnotherStructureAreConverted) {
    const std::string target = dir_ / "target.dbf";
    Create(target, {Def("NAME", 'C', 5), Def("PRICE", 'C', 5), Def("FLAG", 'N', 3),
                    Def("WHEN", 'D', 8), Def("CODE", 'L', 1), Def("EXTRA", 'C', 4)});
    Open(1, target, " EXCLUSIVE");
    EXPECT_EQ(AppendFrom(other_), 0) << ErrorText;
    EXPECT_EQ(CurrentArea(), 1);
    EXPECT_EQ(WorkAreaSlot(35), nullptr); // the source opened for the transfer is closed
    EXPECT_EQ(RecCount(), 4);
    Go(1);
    EXPECT_EQ(FieldStr(3), "  0"); // L into N
    EXPECT_EQ(FieldStr(5), "N");   // C into L
    CloseAll();
    const std::vector<Row> expected{
        {"0", "ABCDE", "*****", "0", "20250517", "F", ""},
        {"0", "short", " 1.50", "0", "20010102", "F", ""},
        {"0", "last", "99.00", "0", "<None>", "F", ""},
        {"1", "gone", " 2.25", "0", "20020203", "F", ""},
    };
    EXPECT_EQ(Dump(target), expected);
}

// A DOS target keeps the DOS box drawing; a Windows one (its header says so), whose page lacks
// it, gets "?" and never another character, named; delimited text (Windows text) notes what it
// wrote as "?".
TEST_F(AppendFromTest, SameStructureKeepsEveryStoredCharacter) {
    for (const bool ansi : {false, true}) {
        const std::string target = dir_ / (ansi ? "ansi.dbf" : "copy.dbf");
        Ref("make-other '" + target + "'" + (ansi ? " cp1252" : ""));
        Open(1, target, " EXCLUSIVE");
        EXPECT_EQ(AppendFrom(other_), 0) << ErrorText;
        EXPECT_EQ(AppendLost, ansi ? "\u2554\u2550\u2557\u2502" : "");
        CloseAll();
        const auto rows = Dump(target);
        ASSERT_EQ(rows.size(), 8u);
        int boxes = 0, deleted = 0, lost = 0;
        for (const Row& r : rows) {
            boxes += r.at(6) == "\u2554\u2550\u2557";
            lost += r.at(6) == "???";
            deleted += r.at(0) == "1";
        }
        EXPECT_EQ(boxes * 10 + lost, ansi ? 1 : 20);
        EXPECT_EQ(deleted, 2);
    }
    Open(1, other_);
    EXPECT_EQ(CopyToDelimited(dir_ / "other.txt", false), 4);
    EXPECT_EQ(DelimitedLost, "\u2554\u2550\u2557\u2502");
}

TEST_F(AppendFromTest, OpenSourceAreaWhileConditionAndErrors) {
    const std::string target = dir_ / "t.dbf";
    Create(target, {Def("NAME", 'C', 8), Def("NOTHING", 'C', 3)});
    Open(2, other_);
    Go(2);
    Open(1, target, " EXCLUSIVE");
    int calls = 0;
    // With a continue function the source starts at its current record.
    EXPECT_EQ(AppendFrom(other_, [&] { return ++calls <= 2; }), 0) << ErrorText;
    EXPECT_EQ(RecCount(), 2);
    Go(1);
    EXPECT_EQ(FieldStr(1), "short   ");
    Go(2);
    EXPECT_EQ(FieldStr(1), "gone    ");
    EXPECT_TRUE(Deleted());
    // Without one, all of it from the top; the source area stays open where it was used.
    EXPECT_EQ(AppendFrom(other_), 0);
    EXPECT_EQ(RecCount(), 6);
    ASSERT_NE(WorkAreaSlot(2), nullptr);

    EXPECT_EQ(AppendFrom(target), 214);
    EXPECT_EQ(ErrorText, "Attempting to append file to itself. [AppendFrom(" + target + ")]");
    EXPECT_EQ(AppendFrom(dir_ / "missing"), 2);
    EXPECT_EQ(AppendFrom("LIST VIRTUAL"), 215);
    EXPECT_EQ(ErrorText, "Virtual file must be open. [AppendFrom(LIST VIRTUAL)]");
    EXPECT_EQ(RecCount(), 6);
    ASSERT_TRUE(Select(3));
    EXPECT_EQ(AppendFrom(other_), 215);
}

TEST_F(AppendFromTest, SharedTargetNeedsItsLock) {
    const std::string target = dir_ / "s.dbf";
    Create(target, {Def("NAME", 'C', 8)});
    Open(1, target);
    EXPECT_EQ(AppendFrom(other_), 5);
    EXPECT_EQ(RecCount(), 0);
    ASSERT_TRUE(FLock());
    EXPECT_EQ(AppendFrom(other_), 0);
    EXPECT_EQ(RecCount(), 4);
}

TEST_F(AppendFromTest, AnEngineExceptionClosesTheTemporarySource) {
    const std::string target = dir_ / "x.dbf";
    Create(target, {Def("NAME", 'C', 8)});
    Open(4, target);
    SetErrorReporting(true);
    {
        RaiseOnErrorScope raise;
        EXPECT_THROW(AppendFrom(other_), ERivozError); // no lock on the shared target
    }
    SetErrorReporting(false);
    EXPECT_EQ(CurrentArea(), 4);
    EXPECT_EQ(WorkAreaSlot(35), nullptr);
    EXPECT_EQ(RecCount(), 0);
    ASSERT_TRUE(ALock());
    EXPECT_EQ(AppendFrom(other_), 0);
    EXPECT_EQ(RecCount(), 4);
}

} // namespace
