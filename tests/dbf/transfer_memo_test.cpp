// Memo fields in Locate and AppendFrom, with the memo unit's hooks, on tables written by
// python3-dbf and read back by python3-dbfread.

#include <gtest/gtest.h>

#include "dbf/table/work_areas.h"
#include "dbf/table/search.h"
#include "dbf/table/transfer.h"
#include "dbf/memo/memo.h"
#include "dbf/base/errors.h"
#include "transfer_testutil.h"

using namespace dbf;
using transfertest::Create;
using transfertest::Def;
using transfertest::Dump;
using transfertest::Ref;
using transfertest::TransferTest;

namespace {

using Row = std::vector<std::string>;

class MemoTransferTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        RegisterMemoHooks();
    }
};

TEST_F(MemoTransferTest, LocateFindsTextOnAnyLineOfAMemo) {
    const std::string path = dir_ / "memo.dbf";
    Ref("make-memo '" + path + "'");
    Open(1, path);
    EXPECT_TRUE(Locate("NOTE", std::string("needle"), true, 1, false));
    EXPECT_EQ(RecNo(), 3);
    EXPECT_TRUE(Locate("NOTE", std::string("SECOND"), true, 1, false));
    EXPECT_EQ(RecNo(), 1);
    Continue();
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(Locate("NOTE", std::string("NEEDLE"), false, 1, false));
    EXPECT_EQ(RecNo(), 3);
    EXPECT_FALSE(Locate("NOTE", std::string("needle"), false, 1, false));
    EXPECT_TRUE(dEOF());
    EXPECT_EQ(LastErrorCode, 0);
    // The memo holds DOS text, found without regard to case by the DOS page's rules.
    EXPECT_TRUE(Locate("NOTE", std::string("\x8ERGER"), true, 1, false));
    EXPECT_EQ(RecNo(), 2);
}

TEST_F(MemoTransferTest, TextFieldsBecomeMemos) {
    const std::string source = dir_ / "ctext.dbf";
    Ref("make-ctext '" + source + "'");
    const std::string target = dir_ / "withmemo.dbf";
    Create(target, {Def("NAME", 'C', 10), Def("NOTE", 'M', 10)});
    Open(1, target, " EXCLUSIVE");
    EXPECT_EQ(AppendFrom(source), 0) << ErrorText;
    CloseAll();
    const std::vector<Row> expected{
        {"0", "one", "a memo from text"},
        {"0", "two", "<None>"}, // an empty text makes no memo
        {"0", "three", "caf\u00e9, \"quoted\""},
    };
    EXPECT_EQ(Dump(target), expected);
}

} // namespace
