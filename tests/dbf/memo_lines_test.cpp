// The memo line table (reading into lines, word wrap, writing lines back) and the text-file
// driver over it.

#include "dbf/expr/expression.h"
#include "dbf/table/search.h"
#include "memo_testutil.h"

namespace {

using namespace dbf;
using memotest::MakeTable;

class MemoLinesTest : public memotest::MemoTest {};

std::vector<std::string> Texts(const std::vector<TMemoLine>& lines) {
    std::vector<std::string> out;
    for (const TMemoLine& l : lines)
        out.push_back(l.Text);
    return out;
}

TEST(MemoSplit, WrapsAtTheWidthAndKeepsEveryCharacter) {
    // 300 characters without blanks: 253 + 47.
    std::string line(300, 'k');
    auto lines = SplitMemoLines(line, 253);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Text.size(), 253u);
    EXPECT_EQ(lines[1].Text.size(), 47u);
    EXPECT_EQ(lines[0].Kind, kLineWrap);
    EXPECT_EQ(lines[1].Kind, kLineWrap);
    EXPECT_EQ(JoinMemoLines(lines), line);

    // With blanks: broken after the last blank within the width, the blank kept at the end.
    lines = SplitMemoLines("the quick brown fox", 10);
    EXPECT_EQ(Texts(lines), (std::vector<std::string>{"the quick ", "brown fox"}));
    // A blank that does not fit starts the next line instead of being dropped.
    lines = SplitMemoLines("abcdefghij  klm", 10);
    EXPECT_EQ(Texts(lines), (std::vector<std::string>{"abcdefghij", "  klm"}));
    EXPECT_EQ(JoinMemoLines(lines), "abcdefghij  klm");

    // Line ends: CR LF, CR alone, soft return 0x8D LF; a lone 0x8D (a letter in code page
    // 437) and a lone LF are text.
    const std::string text = std::string("one\r\ntwo\rthree\x8D\nfour \x8D five\nsix");
    lines = SplitMemoLines(text, 253);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].Text, "one");
    EXPECT_EQ(lines[0].Kind, kLineCR);
    EXPECT_EQ(lines[1].Text, "two");
    EXPECT_EQ(lines[1].Kind, kLineCR);
    EXPECT_EQ(lines[2].Text, "three");
    EXPECT_EQ(lines[2].Kind, kLineSoft);
    EXPECT_EQ(lines[3].Text, std::string("four \x8D five\nsix"));
    EXPECT_EQ(lines[3].Kind, kLineWrap);
    // Joining gives the text back; only the lone CR gained its LF.
    EXPECT_EQ(JoinMemoLines(lines), std::string("one\r\ntwo\r\nthree\x8D\nfour \x8D five\nsix"));

    // Empty text: one empty line. A trailing line end adds no empty line.
    EXPECT_EQ(Texts(SplitMemoLines("", 253)), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitMemoLines("a\r\n", 253).size(), 1u);
    // A line limit stops reading.
    EXPECT_EQ(SplitMemoLines("1\r\n2\r\n3\r\n4\r\n", 253, 2).size(), 2u);
    // Pending text is a last line with CR LF.
    EXPECT_EQ(JoinMemoLines({{"x", kLineCR}}, "tail"), "x\r\ntail\r\n");
}

TEST_F(MemoLinesTest, ReadingHasNoLineCapAndRewritesWhole) {
    for (std::uint8_t flavour : {0x83, 0x8B, 0xF5}) {
        const std::string t = dir_ / ("l" + std::to_string(flavour) + ".dbf");
        MakeTable(t, flavour, 512);
        Open(t);
        std::string text;
        for (int i = 1; i <= 2000; ++i)
            text += "tool line " + std::to_string(i) + "\r\n";
        text += std::string("end mark \x03 and a soft\x8D\nreturn");
        text += std::string(300, 'w');
        const std::int32_t block = AppendMemo(text);
        ASSERT_TRUE(GetMemo(block));
        EXPECT_EQ(MemoLineCount(), 2003);
        EXPECT_EQ(MemoLine(2000), "tool line 2000");
        EXPECT_EQ(MemoLine(2001), std::string("end mark \x03 and a soft"));
        EXPECT_EQ(MemoLineKind(2001), kLineSoft);
        EXPECT_EQ(MemoLine(2002), "return" + std::string(247, 'w'));
        const std::int32_t again = EditMemo(block);
        ASSERT_GT(again, 0) << ErrorText;
        EXPECT_EQ(Memo(again), text);
        if (flavour == 0x8B) {
            EXPECT_EQ(again, block);
        }
        FreeWorkArea();
    }
}

TEST_F(MemoLinesTest, WidthSetting) {
    MakeTable(dir_ / "w.dbf", 0x8B, 512);
    Open(dir_ / "w.dbf");
    const std::int32_t block = AppendMemo(std::string(100, 'n'));
    MemoWidthOn = true;
    MemoWidth = 40;
    ASSERT_TRUE(GetMemo(block));
    EXPECT_EQ(MemoLineCount(), 3);
    EXPECT_EQ(MemoLine(1).size(), 40u);
    MemoWidth = 0; // not a width: as if off
    ASSERT_TRUE(GetMemo(block));
    EXPECT_EQ(MemoLineCount(), 1);
    ASSERT_TRUE(GetMemo(0));
    EXPECT_EQ(MemoLineCount(), 1);
    EXPECT_EQ(MemoLine(1), "");
}

TEST_F(MemoLinesTest, TextFileDriverWritesAndReads) {
    MakeTable(dir_ / "drv.dbf", 0x83, 512);
    Open(dir_ / "drv.dbf");
    std::int32_t block = 0;
    TMemoTextFile f;
    f.Reset();
    EXPECT_EQ(f.IOResult(), 102); // not assigned
    ASSERT_TRUE(AssignMemo(f, block));

    // Rewrite and Close without output: no memo.
    f.Rewrite();
    f.Close();
    EXPECT_EQ(f.IOResult(), 0);
    EXPECT_EQ(block, 0);

    f.Rewrite();
    f.WriteLn("Hob DIN 3972");
    f.Write("module ");
    f.Write("2.5");
    f.WriteLn();
    f.WriteLn(std::string(300, 'p')); // stored as 254 + 46, read back joined
    f.Write("no line end");
    f.Close();
    EXPECT_EQ(f.IOResult(), 0);
    ASSERT_GT(block, 0);
    const std::string stored =
        "Hob DIN 3972\r\nmodule 2.5\r\n" + std::string(300, 'p') + "\r\nno line end\r\n";
    EXPECT_EQ(Memo(block), stored);

    f.Reset();
    ASSERT_EQ(f.IOResult(), 0);
    std::vector<std::string> read;
    std::string line;
    while (!f.Eof() && f.ReadLn(line))
        read.push_back(line);
    f.Close();
    EXPECT_EQ(read, (std::vector<std::string>{"Hob DIN 3972", "module 2.5", std::string(300, 'p'),
                                              "no line end"}));

    // Lines read and written again reproduce the memo.
    std::int32_t copy = 0;
    TMemoTextFile g;
    ASSERT_TRUE(AssignMemo(g, copy));
    g.Rewrite();
    for (const std::string& l : read)
        g.WriteLn(l);
    g.Close();
    EXPECT_EQ(Memo(copy), stored);

    // Append continues after the last line.
    const std::int32_t before = block;
    f.Append();
    f.WriteLn("appended");
    f.Close();
    EXPECT_NE(block, before); // dBASE III memos move to the end
    EXPECT_EQ(Memo(block), stored + "appended\r\n");

    // Reading in output mode and writing in input mode are refused.
    f.Reset();
    f.WriteLn("x");
    EXPECT_EQ(f.IOResult(), 105);
    f.Close();
    f.Rewrite();
    EXPECT_FALSE(f.ReadLn(line));
    EXPECT_EQ(f.IOResult(), 104);
    f.Close();
}

TEST_F(MemoLinesTest, DriverSelectsItsOwnArea) {
    MakeTable(dir_ / "own.dbf", 0x8B, 512);
    Open(dir_ / "own.dbf");
    const std::int32_t block = AppendMemo("first line\r\nsecond line\r\n");
    std::int32_t held = block;
    TMemoTextFile f;
    ASSERT_TRUE(AssignMemo(f, held));
    ASSERT_TRUE(Select(2)); // an empty area is current while the driver works
    f.Reset();
    std::string line;
    ASSERT_TRUE(f.ReadLn(line));
    EXPECT_EQ(line, "first line");
    EXPECT_EQ(CurrentArea(), 2);
    f.Close();
    std::string text;
    ASSERT_TRUE(Select(1));
    ASSERT_TRUE(MemoExprText(block, text));
    EXPECT_EQ(text, "first linesecond line");
    // No memo file in the area: the driver cannot be assigned.
    ASSERT_TRUE(Select(2));
    TMemoTextFile g;
    EXPECT_FALSE(AssignMemo(g, held));
    EXPECT_EQ(LastErrorCode, kErrNoDatabase);
}

TEST_F(MemoLinesTest, ExpressionsSeeTheMemoText) {
    MakeTable(dir_ / "ex.dbf", 0x8B, 512);
    Open(dir_ / "ex.dbf");
    AppendMemo("Hob\r\nDIN 3972\r\n");
    AppendMemo(std::string(600, 'v'));
    InitParser();
    CompiledExpr* e = AssignExpr("NOTE");
    ASSERT_NE(e, nullptr) << ErrorText;
    Go(1);
    EXPECT_STREQ(static_cast<const char*>(EvaluateExpr(e)), "HobDIN 3972");
    // The pool holds 255 characters of a long memo.
    Go(2);
    EXPECT_EQ(std::string(static_cast<const char*>(EvaluateExpr(e))), std::string(255, 'v'));
    FreeExpr(e);
}

// A table stored in the DOS code page: memo texts are in code page 437 on every text path (line
// table, text-file driver, expressions, Locate) as its fields are.
TEST_F(MemoLinesTest, DosCodePageTablesKeepMemoTextsInTheirPage) {
    const std::string table = dir_ / "dos.dbf";
    const std::string reference =
        std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR + "/tests/dbf/memo_reference.py ";
    memotest::RunOrThrow(reference + "make db3 '" + table + "'"); // code page 437 texts
    AnsiTables = false;
    Open(table);
    const std::string theirs = "R\x84"
                               "derwerkzeug \x81\x84\x94";
    Go(7);
    ASSERT_TRUE(GetMemo(memotest::MemoRef()));
    EXPECT_EQ(MemoLine(1).substr(0, theirs.size()), theirs);

    // Written through the driver: stored in code page 437, read back as written.
    Go(1);
    std::int32_t block = 0;
    TMemoTextFile f;
    ASSERT_TRUE(AssignMemo(f, block));
    f.Rewrite();
    f.WriteLn("M\x81ller");
    f.Close();
    ASSERT_EQ(f.IOResult(), 0);
    SetVarInt32(FieldAddress(2), block);
    Replace();
    EXPECT_EQ(Memo(block), "M\x81ller\r\n");
    f.Reset();
    std::string line;
    EXPECT_TRUE(f.ReadLn(line));
    EXPECT_EQ(line, "M\x81ller");
    f.Close();
    InitParser();
    CompiledExpr* e = AssignExpr("NOTE");
    ASSERT_NE(e, nullptr) << ErrorText;
    EXPECT_STREQ(static_cast<const char*>(EvaluateExpr(e)), "M\x81ller");
    FreeExpr(e);
    // Both memos are found by their text, "ü" matched by "Ü" without regard to case.
    EXPECT_TRUE(Locate("NOTE CONTAINED", std::string("\x9Aller"), true, 1, false));
    EXPECT_EQ(RecNo(), 1);
    EXPECT_TRUE(Locate("NOTE CONTAINED", theirs, false, 1, false));
    EXPECT_EQ(RecNo(), 7);
    FreeWorkArea();
    // A code-page 437 reader sees "Müller".
    const std::string view = memotest::RunOrThrow(reference + "read-dbf '" + table + "'");
    EXPECT_NE(view.find("memo\t1\t4d816c6c65720d0a\n"), std::string::npos) << view;
}

TEST_F(MemoLinesTest, FailedWriteKeepsTheFieldsMemo) {
    MakeTable(dir_ / "ro.dbf", 0x83, 512);
    Open(dir_ / "ro.dbf");
    std::int32_t block = AppendMemo("kept");
    FreeWorkArea();
    // The memo file opened read-only: writing fails, the block stays.
    OpenModeOverride = 64;
    Open(dir_ / "ro.dbf", false);
    OpenModeOverride = 65535;
    TMemoTextFile f;
    ASSERT_TRUE(AssignMemo(f, block));
    f.Rewrite();
    f.WriteLn("lost?");
    f.Close();
    EXPECT_EQ(f.IOResult(), 101);
    EXPECT_EQ(Memo(block), "kept");
    EXPECT_FALSE(CurrentMemo()->Locked);
}

} // namespace
