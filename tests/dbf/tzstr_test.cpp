// Text and file helpers of the engine.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "dbf/base/text.h"
#include "dbffile_testutil.h"
#include "platform/os/file.h"

using namespace dbf;

namespace {

class TzStrTest : public dbftest::EngineTest {
protected:
    void TearDown() override {
        DecimalChar = '.';
        ThousandsChar = ',';
        EngineTest::TearDown();
    }
};

} // namespace

TEST_F(TzStrTest, SmallIntegersClampAndDropThousands) {
    EXPECT_EQ(StrToSmallInt("40000"), 32767);
    EXPECT_EQ(StrToSmallInt("-40000"), -32768);
    EXPECT_EQ(StrToSmallInt("  +12 apples"), 12);
    EXPECT_EQ(StrToSmallInt("$1,234"), 1234);
    EXPECT_EQ(StrToSmallInt(""), 0);
    DecimalChar = ',';
    EXPECT_EQ(StrToSmallInt("1.234"), 1234);
}

TEST_F(TzStrTest, NumbersFromTextFollowTheDecimalCharacter) {
    std::string t = " $+1,234.50 rest";
    NormalizeNumber(t);
    EXPECT_EQ(t, "1234.50");
    t = "- .5";
    NormalizeNumber(t);
    EXPECT_EQ(t, "-0.5");
    t = "12.";
    NormalizeNumber(t);
    EXPECT_EQ(t, "12");
    EXPECT_EQ(StrToFloatLocal("2.5e3"), 2.5L); // cut at the first non-digit
    EXPECT_EQ(StrToIntLocal("-17.9"), -17);
    EXPECT_EQ(StrToIntLocal("123456789012345678901234"), std::numeric_limits<std::int64_t>::max());
    DecimalChar = ',';
    EXPECT_EQ(StrToFloatLocal("1.234,5"), 1234.5L);
    EXPECT_EQ(FloatToStrLocal(3.25L, 8, 2), "    3,25");
}

TEST_F(TzStrTest, FixedTextCoversEveryMagnitude) {
    const std::string huge = FloatToStrLocal(1e250L, 10, 2);
    // 250 or 251 integer digits (the nearest long double may lie just below 1e250).
    ASSERT_GE(huge.size(), 250u + 3u);
    ASSERT_LE(huge.size(), 251u + 3u);
    EXPECT_EQ(huge.substr(huge.size() - 3), ".00");
    EXPECT_NEAR(std::stold(huge) / 1e250L, 1.0L, 1e-15L);
    const std::string most = FixedText(std::numeric_limits<long double>::max(), 4);
    EXPECT_GT(most.size(), 4900u);
    EXPECT_EQ(FixedText(2.675, 2), "2.68");
    EXPECT_EQ(FixedText(-2.5, 0), "-3");
    EXPECT_EQ(FixedText(-0.0001, 2), "0.00");
    EXPECT_EQ(FixedText(1.005, 2), "1.01");
    EXPECT_EQ(FixedText(0.1 + 0.2, 20), "0.30000000000000004441");
    EXPECT_EQ(FloatToStrLocal(std::nanl(""), 5, 1), "  NAN");
    EXPECT_EQ(IntToStrW(-42, 6), "   -42");
    EXPECT_EQ(IntToStrW(1234567, 3), "1234567");
}

TEST_F(TzStrTest, RemoveWordTakesOptionsOutOfCommands) {
    std::string t = "t.dbf exclusive alias x";
    EXPECT_TRUE(RemoveWord("EXCLUSIVE", t));
    EXPECT_EQ(t, "T.DBF  ALIAS X");
    t = "exclusive_1.dbf";
    EXPECT_FALSE(RemoveWord("exclusive", t)); // followed by "_": part of a name
    t = "c:\\exclusive\\t.dbf";
    EXPECT_FALSE(RemoveWord("EXCLUSIVE", t));
    t = "  a b  ";
    EXPECT_FALSE(RemoveWord("", t));
    EXPECT_EQ(t, "a b");
    t = "x.dbf UNIQUE unique";
    EXPECT_TRUE(RemoveWord("unique", t));
    EXPECT_EQ(t, "X.DBF");
}

TEST_F(TzStrTest, BlankSeparatedWordsKeepTheirLetterCase) {
    using W = std::vector<std::string>;
    EXPECT_EQ(BlankSeparatedWords(" \tName.ndx  unique\tDescending "),
              (W{"Name.ndx", "unique", "Descending"}));
    EXPECT_EQ(BlankSeparatedWords("one"), W{"one"});
    EXPECT_TRUE(BlankSeparatedWords("").empty());
    EXPECT_TRUE(BlankSeparatedWords(" \t \t").empty());
    // Only blanks and tabs separate: other control characters stay inside a word.
    EXPECT_EQ(BlankSeparatedWords("a\nb c"), (W{"a\nb", "c"}));
}

TEST_F(TzStrTest, CountingFindingAndPadding) {
    EXPECT_EQ(CountStr("aa", "aaaaa"), 2);
    EXPECT_EQ(CountStr("a", "banana"), 3);
    EXPECT_EQ(CountStr("", "x"), 0);
    EXPECT_EQ(NthPos(2, "an", "banana"), 4);
    EXPECT_EQ(NthPos(-1, "an", "banana"), 4);
    EXPECT_EQ(NthPos(-2, "an", "banana"), 2);
    EXPECT_EQ(NthPos(3, "an", "banana"), 0);
    EXPECT_EQ(Replicate('*', 3), "***");
    EXPECT_EQ(Replicate('*', 0), "");
    EXPECT_EQ(TzPadRight("ab", 4), "ab  ");
    EXPECT_EQ(TzPadRight("abcdef", 4), "abcdef");
    EXPECT_EQ(TzPadRight("ab", 0), "ab");
    EXPECT_EQ(AllTrim("\t ab \x01"), "ab");
    EXPECT_EQ(RTrim("ab \n"), "ab");
    EXPECT_EQ(LTrim(" \x1F"
                    "ab "),
              "ab ");
    EXPECT_EQ(IifStr(false, "a", "b"), "b");
}

TEST_F(TzStrTest, CaseRulesOfTheWindowsPage) {
    EXPECT_EQ(TzUpperStr("stra\xDF"
                         "e m\xFCller \xE9t\xE9"),
              "STRA\xDF"
              "E M\xDCLLER \xC9T\xC9");
    EXPECT_EQ(UpCaseChar('\xFF'), '\x9F');
    EXPECT_EQ(LoCaseChar('\xC4'), '\xE4');
    EXPECT_TRUE(IsAlphaStr("\xE4x"));
    EXPECT_FALSE(IsAlphaStr("1x"));
    EXPECT_FALSE(IsAlphaStr(""));
    const std::string hay = "Zahnrad M\xDCLLER";
    EXPECT_EQ(PosBuf("m\xFCller", 6, hay.data(), hay.size()), 9);
    EXPECT_EQ(PosBuf("xyz", 3, hay.data(), hay.size()), 0);
    EXPECT_EQ(OemToAnsiStr("\x81"), "\xFC");
    EXPECT_EQ(AnsiToOemStr("\xFC"), "\x81");
}

TEST_F(TzStrTest, FileNameHelpers) {
    const FSplitResult r = FSplit("/data/tools/q1toolx.dbf");
    EXPECT_EQ(r.Dir, "/data/tools/");
    EXPECT_EQ(r.Name, "q1toolx");
    EXPECT_EQ(r.Ext, ".dbf");
    EXPECT_EQ(FSplit("a.b/c").Ext, "");
    EXPECT_EQ(DefaultExt("/x/tools  ", "DBF"), "/x/tools.DBF");
    EXPECT_EQ(DefaultExt("/x/tools.dat", "DBF"), "/x/tools.dat");
    EXPECT_EQ(ForceExt("/x.y/tools.dbf", "DBT"), "/x.y/tools.DBT");
    EXPECT_EQ(ForceExt("/x.y/tools", "DBT"), "/x.y/tools.DBT");
    EXPECT_EQ(StripExt("a/b.c.d"), "a/b.c");
    EXPECT_EQ(FileNameExt("/a/b/c.dbf"), "c.dbf");
    EXPECT_EQ(FileBaseName("/a/b/c.dbf"), "c");
    EXPECT_EQ(FExpand("/a/./b/../c"), "/a/c");
}

TEST_F(TzStrTest, EraseFilesLeavesFilesOthersHold) {
    dbftest::ScratchDir dir;
    for (const char* n : {"a.NDX", "b.ndx", "c.dbf"})
        dbftest::WriteFileBytes(dir / n, "x");
    os::File held;
    ASSERT_EQ(held.Open(dir / "b.ndx", os::OpenMode{os::Access::Read, os::Share::DenyNone}), 0);
    EraseFiles(dir / "*.ndx");
    EXPECT_EQ(LastErrorCode, kErrAccessDenied);
    EXPECT_EQ(GetErrorText(), "Could not erase 1 files like " + (dir / "*.ndx"));
    EXPECT_FALSE(FileExists(dir / "a.NDX"));
    EXPECT_TRUE(FileExists(dir / "b.ndx"));
    EXPECT_TRUE(FileExists(dir / "c.dbf"));
    LastErrorCode = 0;
    EraseFiles(dir / "b.ndx");
    EXPECT_EQ(LastErrorCode, kErrSharingViolation);
    EXPECT_EQ(GetErrorText(), "Error erasing " + (dir / "b.ndx"));
    held.Close();
    EXPECT_EQ(EraseExclusive(dir / "b.ndx"), 0);
    EXPECT_FALSE(FileExists(dir / "b.ndx"));
}

TEST_F(TzStrTest, SearchTemporaryNamesAndDates) {
    dbftest::ScratchDir dir;
    for (const char* n : {"T1.DBF", "t2.dbf", ".hidden.dbf", "t3.txt"})
        dbftest::WriteFileBytes(dir / n, "abc");
    TzSearchRec rec;
    std::vector<std::string> found;
    for (int code = TzFindFirst(dir / "*.DBF", rec); code == 0; code = TzFindNext(rec))
        found.push_back(rec.Name);
    TzFindClose(rec);
    EXPECT_EQ(found, (std::vector<std::string>{"T1.DBF", "t2.dbf"}));
    EXPECT_EQ(ResolveExisting(dir / "t1.dbf"), dir / "T1.DBF");

    const std::string temp = UniqueFilename();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(FileNameExt(temp).substr(0, 3), "TZP");
    EXPECT_TRUE(FileExists(temp));
    std::remove(temp.c_str());

    EXPECT_TRUE(FileModifiedToday(dir / "t2.dbf"));
    EXPECT_FALSE(FileModifiedToday(dir / "none.dbf"));
    EXPECT_EQ(FileDate(dir / "none.dbf"), 0);
    EXPECT_EQ(DosError, 2);
    EXPECT_GT(DiskFree(dir.Path()), 0.0);
}

TEST_F(TzStrTest, EngineStartSetsItsDefaults) {
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    InitTzCommon();
    EXPECT_EQ(DateFormat, 5);
    EXPECT_EQ(DecimalChar, ',');
    EXPECT_EQ(FileMode, 18);
    EXPECT_EQ(CenturyBase, TzGetDate().year - 70);
    setenv("LC_ALL", "en_US.UTF-8", 1);
    InitTzCommon();
    EXPECT_EQ(DateFormat, 0);
    EXPECT_EQ(DecimalChar, '.');
    unsetenv("LC_ALL");
    SetDateFormat(0);
}
