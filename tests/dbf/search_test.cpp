// Search, Peek, Poke, Locate, Continue and LocateFields on a table written by python3-dbf in the
// DOS code page; changes are read back by python3-dbfread.

#include <gtest/gtest.h>

#include "dbf/table/work_areas.h"
#include "dbf/table/search.h"
#include "dbf/table/table_file.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "transfer_testutil.h"

using namespace dbf;
using transfertest::Dump;
using transfertest::Ref;
using transfertest::TransferTest;

namespace {

// Records (NAME C(10), NUM N(6,2), OK L, DAY D, TXT C(8)); 4 and 6 deleted:
// 1 ABC 1.5 T xxABxx | 2 abd 2.25 F \u00e4rger | 3 AB 42 T box | 4 ABE | 5 xyz 42 F \u00c4RGER |
// 6 AB 5 | 7 ab 6 T zAbz
class SearchTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        SetDateFormat(0);
        path_ = dir_ / "search.dbf";
        Ref("make-search '" + path_ + "'");
        Open(1, path_);
    }
    // The records Locate and then Continue visit, until the first miss.
    std::vector<std::int32_t> Visits(bool found) {
        std::vector<std::int32_t> out;
        while (found && out.size() < 20) {
            out.push_back(RecNo());
            Continue();
            found = LastErrorCode == 0 && !dEOF();
        }
        return out;
    }
    std::string path_;
};

using V = std::vector<std::int32_t>;

TEST_F(SearchTest, LocateMatchesPrefixesExactValuesAndContainedTexts) {
    // Prefix, letter case ignored: ABC, abd, AB, ABE (deleted but shown), AB, ab.
    EXPECT_EQ(Visits(Locate("NAME", std::string("ab"), true, 1, false)), (V{1, 2, 3, 4, 6, 7}));
    EXPECT_TRUE(dEOF());
    // Letter case kept: only the lower-case ones.
    EXPECT_EQ(Visits(Locate("NAME", std::string("ab"), false, 1, false)), (V{2, 7}));
    // Exact: the value padded to the field's length, so ABC no longer matches.
    EXPECT_EQ(Visits(Locate("NAME", std::string("ab"), true, 1, true)), (V{3, 6, 7}));
    EXPECT_EQ(Visits(Locate("NAME", std::string("ab"), false, 1, true)), (V{7}));
    // From a later start record.
    EXPECT_EQ(Visits(Locate("NAME", std::string("AB"), false, 4, false)), (V{4, 6}));
    // Contained, through the clause.
    EXPECT_EQ(LocateField("txt contained nocase"), 5);
    EXPECT_TRUE(LocateState.Contained);
    EXPECT_FALSE(LocateState.CaseSensitive);
    LocateScan("ab", 1, true);
    EXPECT_EQ(Visits(!dEOF()), (V{1, 7}));
    EXPECT_EQ(LocateField("TXT CONTAINED"), 5);
    LocateScan("AB", 1, true);
    EXPECT_EQ(Visits(!dEOF()), (V{1}));
    // Options written in Locate's clause count too.
    EXPECT_EQ(Visits(Locate("TXT CONTAINED", std::string("Ab"), false, 1, false)), (V{7}));
}

TEST_F(SearchTest, LocateOfNumbersDatesAndLogicals) {
    EXPECT_EQ(Visits(Locate("NUM", 42.0L, false, 1, true)), (V{3, 5}));
    EXPECT_EQ(Visits(Locate("NUM", std::int64_t{42}, false, 1, false)), (V{3, 5}));
    // Stored numbers keep '.' whatever the user's decimal character.
    DecimalChar = ',';
    EXPECT_EQ(Visits(Locate("NUM", 2.25L, false, 1, true)), (V{2}));
    DecimalChar = '.';
    EXPECT_EQ(Visits(Locate("DAY", std::string("01/07/2026"), false, 1, true)), (V{3}));
    EXPECT_EQ(Visits(Locate("OK", false, false, 1, true)), (V{2, 5, 6}));
    EXPECT_EQ(Visits(Locate("OK", std::string("T"), false, 1, true)), (V{1, 3, 4, 7}));
}

TEST_F(SearchTest, LocateComparesInTheTablesCodePage) {
    // The search text and the stored bytes are DOS 437, letter case folded by its rules.
    EXPECT_EQ(Visits(Locate("TXT", std::string("\x84rger"), false, 1, false)), (V{2}));
    EXPECT_EQ(Visits(Locate("TXT", std::string("\x84RGER"), true, 1, false)), (V{2, 5}));
    EXPECT_EQ(Visits(Locate("TXT", std::string("\x8Erger"), true, 1, false)), (V{2, 5}));
    EXPECT_EQ(Visits(Locate("TXT", std::string("\xC9\xCD\xBB"), true, 1, false)), (V{3}));
    EXPECT_FALSE(Locate("TXT", std::string("\x80"), true, 1, false));
    EXPECT_TRUE(dEOF());
}

TEST_F(SearchTest, LocateSkipsHiddenRecordsAndLeavesTheAreaPastTheEnd) {
    SetIgnoreDel(true);
    EXPECT_EQ(Visits(Locate("NAME", std::string("ab"), true, 1, false)), (V{1, 2, 3, 7}));
    EXPECT_FALSE(Locate("NAME", std::string("zz"), true, 1, false));
    EXPECT_EQ(LastErrorCode, 0);
    EXPECT_TRUE(dEOF());
    Continue();
    EXPECT_EQ(LastErrorCode, kErrInvalidParameter);
    EXPECT_NE(ErrorText.find("CONTINUE"), std::string::npos);
}

TEST_F(SearchTest, ContinueWithoutLocateAndUnknownFields) {
    Continue();
    EXPECT_EQ(LastErrorCode, kErrInvalidParameter);
    EXPECT_EQ(LocateField("  "), 0);
    EXPECT_EQ(LastErrorCode, kErrInvalidParameter);
    EXPECT_EQ(ErrorText, "No field name specified [Locate/Count/Sum]");
    EXPECT_FALSE(Locate("NOPE", std::string("x"), true, 1, false));
    EXPECT_EQ(LastErrorCode, kErrInvalidParameter);
    EXPECT_EQ(ErrorText, "Unrecognized field name [Locate/Count/Sum(NOPE NOCASE)]");
}

TEST_F(SearchTest, LocateFieldsMatchesAllFieldsAtOneRecord) {
    Go(5);
    const std::vector<TLocateValue> both{std::string("ab"), 42.0L};
    EXPECT_TRUE(LocateFields("NAME;NUM", both, true, true, false));
    EXPECT_EQ(RecNo(), 3);
    // The first field's first match (ABC, 1.5) does not hold the second value.
    EXPECT_TRUE(LocateFields("NAME; OK", {std::string("ab"), false}, true, true, false));
    EXPECT_EQ(RecNo(), 2);
    Go(5);
    EXPECT_TRUE(LocateFields("NAME;OK", {std::string("ab"), false}, true, false, false));
    EXPECT_EQ(RecNo(), 5); // found, but not moved
    EXPECT_FALSE(LocateFields("NAME;NUM", {std::string("xyz"), 1.0L}, true, true, false));
    EXPECT_EQ(RecNo(), 5);
    EXPECT_TRUE(LocateFields("TXT", {std::string("zabz")}, true, true, true));
    EXPECT_EQ(RecNo(), 7);
}

TEST_F(SearchTest, PeekReadsStoredBytes) {
    EXPECT_EQ(Peek(0, 4), "*");
    EXPECT_EQ(Peek(0, 1), " ");
    EXPECT_EQ(Peek(1, 1), "ABC       ");
    EXPECT_EQ(Peek(2, 3), " 42.00");
    EXPECT_EQ(Peek(5, 3), "\xC9\xCD\xBB     "); // DOS box drawing, untranslated
    EXPECT_EQ(Peek(5, 2), std::string("\x84rger   "));
    EXPECT_EQ(Peek(6, 1), "");
    EXPECT_EQ(Peek(1, 8), "");
    EXPECT_EQ(Peek(1, 0), "");
    EXPECT_EQ(LastErrorCode, 0);
}

TEST_F(SearchTest, PokeNeedsARecordLockAndWritesOnlyTheField) {
    Poke("X", 1, 2);
    EXPECT_EQ(LastErrorCode, kErrRecordNotLocked);
    EXPECT_EQ(ErrorText, "Record not locked [Poke(X,1,2)]");
    ASSERT_TRUE(ALock());
    Poke("X", 1, 2);
    EXPECT_EQ(LastErrorCode, kErrRecordNotLocked); // an append lock alone does not do
    Unlock();
    Go(2);
    ASSERT_TRUE(RLock());
    Poke("ZZZZZZZZZZZZZZZ", 1, 2);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    Poke("*", 0, 2);
    ASSERT_EQ(LastErrorCode, 0);
    Poke("Q", 1, 3); // another record, not locked
    EXPECT_EQ(LastErrorCode, kErrRecordNotLocked);
    Unlock();
    ASSERT_TRUE(FLock());
    Poke("AB", 1, 99); // out of range: nothing
    EXPECT_EQ(LastErrorCode, 0);
    Unlock();
    CloseAll();
    const auto rows = Dump(path_);
    // Record 2 is now deleted: it is among dbfread's deleted records, NUM untouched.
    bool seen = false;
    for (const auto& r : rows) {
        if (r.at(1) == "ZZZZZZZZZZ") {
            seen = true;
            EXPECT_EQ(r.at(0), "1");
            EXPECT_EQ(r.at(2), "2.25");
        }
    }
    EXPECT_TRUE(seen);
}

TEST_F(SearchTest, SearchFindsTextsInFieldsOfVisibleRecords) {
    std::uint8_t field = 0;
    Search("ab  ", field, true);
    EXPECT_EQ(field, 1);
    EXPECT_EQ(RecNo(), 1);
    field = 0;
    Search("ab", field, false);
    EXPECT_EQ(field, 1);
    EXPECT_EQ(RecNo(), 2);
    field = 5; // only in TXT
    Search("AB", field, true);
    EXPECT_EQ(field, 5);
    EXPECT_EQ(RecNo(), 1);
    Search("AB", field = 5, false);
    EXPECT_EQ(field, 5);
    EXPECT_EQ(RecNo(), 7);
    // Letter case by the rules of the table's page (DOS 437).
    Search("\x8ERGER", field = 0, true);
    EXPECT_EQ(field, 5);
    EXPECT_EQ(RecNo(), 2);
    // A hit across two fields is no hit; nothing found keeps the record.
    Go(3);
    Search("C" + std::string(9, ' ') + "1", field = 0, true); // NAME "ABC", NUM "  1.50"
    EXPECT_EQ(field, 0);
    EXPECT_EQ(RecNo(), 3);
    SetIgnoreDel(true);
    Search("GONE", field = 0, true);
    EXPECT_EQ(field, 0);
    EXPECT_EQ(RecNo(), 3);
    EXPECT_EQ(LastErrorCode, 0);
}

// A virtual file in area 2 (a handler that accepts every request).
TEST_F(SearchTest, VirtualFilesRefuseTheFileOperations) {
    VirtualFileHandler = [](TWorkArea&) {};
    std::vector<std::uint8_t> block(16);
    ASSERT_TRUE(Select(2));
    Use("MEMLIST VIRTUAL FILE", block.data(), static_cast<std::uint16_t>(block.size()));
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    std::uint8_t field = 0;
    Search("x", field, true);
    EXPECT_EQ(LastErrorCode, kErrLinkedList);
    EXPECT_EQ(ErrorText, "Operation cannot be used on virtual files. [Search]");
    EXPECT_EQ(Peek(1, 1), "");
    EXPECT_EQ(LastErrorCode, kErrLinkedList);
    Poke("a", 1, 1);
    EXPECT_EQ(ErrorText, "Operation cannot be used on virtual files.[Poke(a,1,1)]");
    Use("");
    VirtualFileHandler = nullptr;
}

} // namespace
