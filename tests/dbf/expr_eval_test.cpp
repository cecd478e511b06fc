// The expression evaluator: operators and functions for the current record, texts and their
// bounds, errors that go on, tables without records, and index keys of 10,000 records checked
// against keys computed by Python from python3-dbfread's values.

#include <cmath>
#include <sstream>

#include "expr_testutil.h"

using namespace dbf;
using exprtest::ExprTest;

TEST_F(ExprTest, ComparisonsOfTexts) {
    AddRecord("ABC");
    EXPECT_EQ(Logical("NAME = 'AB'"), 1);
    EXPECT_EQ(Logical("NAME == 'AB'"), 0);
    EXPECT_EQ(Logical("NAME <> 'AB'"), 1);
    EXPECT_EQ(Logical("NAME = ''"), 0) << "an empty right side is false";
    EXPECT_EQ(Logical("TRIM(NAME) == 'ABC'"), 1);
    EXPECT_EQ(Logical("'AB' $ NAME"), 1);
    EXPECT_EQ(Logical("'' $ NAME"), 0);
    EXPECT_EQ(Logical("'AB' < 'ABC'"), 1) << "a prefix is smaller";
    EXPECT_EQ(Logical("'B' > 'ABC'"), 1);
    EXPECT_EQ(Logical("'\xe4' > 'z'"), 1) << "by character code";
    EXPECT_EQ(Logical("'AB' <= 'AB' .AND. 'AB' >= 'AB'"), 1);
    EXPECT_EQ(Logical("OK = .F. .AND. OK <> .T."), 1);
}

TEST_F(ExprTest, TextOperators) {
    AddRecord("XABY");
    EXPECT_EQ(Logical("'AB' $ NAME"), 1);
    EXPECT_EQ(Text("'AB  ' - 'CD'"), "ABCD  ");
    EXPECT_EQ(Text("'AB  ' + 'CD'"), "AB  CD");
    EXPECT_EQ(Text("'   ' - 'CD'"), "CD   ");
    EXPECT_EQ(Text("NAME - '!'"), "XABY!      ");
    // Texts built past 255 characters stop there.
    EXPECT_EQ(Text("REPLICATE('ab', 200) + 'x'").size(), 255u);
    EXPECT_EQ(Text("SPACE(300)").size(), 255u);
    EXPECT_EQ(Text("REPLICATE('ab', 3)"), "ababab");
    EXPECT_EQ(Text("REPLICATE('ab', -1)"), "");
    EXPECT_EQ(Text("SPACE(-2)"), "");
}

TEST_F(ExprTest, DatesAndDateFunctions) {
    AddRecord("d", 0, 0, false, "20000101", "20240228", "20240301");
    EXPECT_EQ(Num("DATUM + 30"), DateStrToJulian("20000131"));
    EXPECT_EQ(Num("30 + DATUM"), DateStrToJulian("20000131"));
    EXPECT_EQ(Num("DATUM - 1"), DateStrToJulian("19991231"));
    EXPECT_EQ(Num("DATUM2 - DATUM1"), 2);
    EXPECT_EQ(Text("DTOS(DATUM + 60)"), "20000301");
    EXPECT_EQ(Text("DTOC(DATUM)"), "01/01/00");
    EXPECT_EQ(Num("YEAR(DATUM)"), 2000);
    EXPECT_EQ(Num("MONTH(DATUM2)"), 3);
    EXPECT_EQ(Num("DAY(DATUM1)"), 28);
    EXPECT_EQ(Num("DOW(DATUM)"), 7) << "Saturday";
    EXPECT_EQ(Text("CDOW(DATUM)"), "Saturday ");
    EXPECT_EQ(Text("CMONTH(DATUM2)"), "March    ");
    EXPECT_EQ(Logical("DATUM < DATUM1 .AND. DATUM1 = DATUM1 .AND. DATUM2 > DATUM1"), 1);
    EXPECT_EQ(Num("MAX(DATUM1, DATUM2)"), DateStrToJulian("20240301"));
    EXPECT_EQ(Num("MIN(DATUM1, DATUM2)"), DateStrToJulian("20240228"));
    EXPECT_EQ(Text("DTOS(CTOD('  /  /  '))"), "        ");
    EXPECT_EQ(Text("DTOS(CTOD('02/29/2024'))"), "20240229");
    EXPECT_EQ(Text("DTOS(CTOD('02/30/2024'))"), "        ");
    EXPECT_EQ(Num("CTOD('13/01/2024')"), 0);
    const TzDate today = TzGetDate();
    EXPECT_EQ(Num("DATE()"), JulianFromYMD(today.year, today.month, today.day));
    // A blank date.
    EXPECT_EQ(Text("DTOS(DATUM - 5000000)"), "        ");
    EXPECT_EQ(Num("YEAR(CTOD(''))"), 0);
    EXPECT_EQ(Text("CDOW(CTOD(''))"), std::string(10, ' '));
}

TEST_F(ExprTest, DateFunctionsOutsideTheCenturyWindow) {
    // Two-digit display years would put 1850 into the window; the functions keep the date.
    AddRecord("d", 0, 0, false, "18500105");
    EXPECT_EQ(Num("YEAR(DATUM)"), 1850);
    EXPECT_EQ(Num("DOW(DATUM)"), 7) << "5 January 1850 was a Saturday";
    EXPECT_EQ(Text("CDOW(DATUM)"), "Saturday ");
    EXPECT_EQ(Text("DTOS(DATUM)"), "18500105");
    SetDateFormat(5);
    EXPECT_EQ(Text("CDOW(DATUM)"), "Samstag   ");
    EXPECT_EQ(Text("DTOC(DATUM)"), "05.01.50");
    FourDigitYears = true;
    EXPECT_EQ(Text("DTOC(DATUM)"), "05.01.1850");
}

TEST_F(ExprTest, NumbersAndNumericFunctions) {
    AddRecord("n", 2.567, -7);
    EXPECT_EQ(Num("ROUND(2.567, 2)"), 2.57);
    EXPECT_EQ(Num("ROUND(QTY, 2)"), 2.57);
    EXPECT_EQ(Num("ROUND(-2.567, 1)"), -2.6);
    EXPECT_EQ(Num("ROUND(2.675, 2)"), 2.68);
    EXPECT_EQ(Num("ROUND(2.5, 0)"), 3);
    EXPECT_EQ(Num("ROUND(-2.5, 0)"), -3);
    EXPECT_EQ(Num("ROUND(1234.5, -2)"), 1200);
    EXPECT_EQ(Num("MOD(-7, 3)"), -1);
    EXPECT_EQ(Num("MOD(7, -3)"), 1);
    EXPECT_EQ(Num("MOD(CNT, 3)"), -1);
    EXPECT_EQ(Num("MOD(7.9, 3.9)"), 1);
    EXPECT_EQ(Num("INT(-2.9)"), -2);
    EXPECT_EQ(Num("ABS(CNT)"), 7);
    EXPECT_EQ(Num("MAX(1, 2) + MIN(1, 2)"), 3);
    EXPECT_EQ(Num("VAL('12.5  ')"), 12.5);
    EXPECT_EQ(Num("VAL('  -3')"), -3);
    EXPECT_EQ(Num("VAL('7kg')"), 7);
    EXPECT_EQ(Num("VAL('abc')"), 0);
    EXPECT_EQ(Num("VAL('inf')"), 0);
    EXPECT_EQ(Num("LEN(NAME)"), 10);
    EXPECT_EQ(Num("LEN('')"), 0);
    EXPECT_EQ(Num("ASC('A')"), 65);
    EXPECT_EQ(Num("ASC('\xe4')"), 0xe4);
    EXPECT_EQ(Num("ASC('')"), 0);
    EXPECT_EQ(Num("AT('C', 'ABC')"), 3);
    EXPECT_EQ(Num("AT('X', 'ABC')"), 0);
    EXPECT_EQ(Num("AT('', 'ABC')"), 0);
    EXPECT_EQ(Num("RECNO()"), 1);
    EXPECT_EQ(Num("(-8) ^ (1 / 3)"), 0) << "no real value";
    EXPECT_EQ(Num("0 ^ 0"), 1);
    EXPECT_EQ(Num("2 ^ 0.5"), std::sqrt(2.0));
}

TEST_F(ExprTest, DivideByZeroReportsAndGoesOn) {
    AddRecord("z");
    CompiledExpr* e = Compile("10 / 0 + 1");
    ASSERT_NE(e, nullptr);
    const double v = *static_cast<const double*>(EvaluateExpr(e));
    EXPECT_EQ(LastErrorCode, kErrExprDivideByZero);
    EXPECT_EQ(GetErrorText(), "Error during evaluation: Divide by 0 [Evaluate/Engine]");
    EXPECT_EQ(v, 1e250 + 1);
    LastErrorCode = 0;
    EXPECT_EQ(Num("MOD(5, 0.5)"), 0);
    EXPECT_EQ(LastErrorCode, kErrExprDivideByZero);
    // With reporting on and a hook, the report arrives once per evaluation.
    exprtest::Reports().clear();
    ErrorHook = &exprtest::CaptureReport;
    SetErrorReporting(true);
    EvaluateExpr(e);
    SetErrorReporting(false);
    ErrorHook = nullptr;
    ASSERT_EQ(exprtest::Reports().size(), 1u);
    EXPECT_EQ(exprtest::Reports()[0].code, 358);
}

TEST_F(ExprTest, StrFormatsAndFills) {
    AddRecord("s", 1234.5);
    EXPECT_EQ(Text("STR(3.14159, 6, 2)"), "  3.14");
    EXPECT_EQ(Text("STR(123456, 3)"), "***");
    EXPECT_EQ(Text("STR(42)"), "        42");
    EXPECT_EQ(Text("STR(2.5)"), "         3");
    EXPECT_EQ(Text("STR(-2.5)"), "        -3");
    EXPECT_EQ(Text("STR(QTY, 10, 2)"), "   1234.50");
    EXPECT_EQ(Text("STR(QTY, 7, 2)"), "1234.50");
    EXPECT_EQ(Text("STR(QTY, 6, 2)"), "******");
    EXPECT_EQ(Text("STR(-0.001, 5, 2)"), " 0.00");
    EXPECT_EQ(Text("STR(1, 0)"), "");
    EXPECT_EQ(Text("STR(1, 5, -1)"), "    1");
    EXPECT_EQ(Text("STR(10 ^ 300, 250, 2)"), std::string(250, '*'));
    EXPECT_EQ(Text("STR(1, 300, 2)").size(), 255u);
    EXPECT_EQ(Text("STR(1, 5, 200)"), "*****");
}

TEST_F(ExprTest, SubstrStuffAndTheOtherTextFunctions) {
    AddRecord("  Ab c  ");
    EXPECT_EQ(Text("SUBSTR('ABCDE', 2, 3)"), "BCD");
    EXPECT_EQ(Text("SUBSTR('ABCDE', 0, 2)"), "AB");
    EXPECT_EQ(Text("SUBSTR('ABCDE', -5, 2)"), "AB");
    EXPECT_EQ(Text("SUBSTR('ABCDE', 5, 9)"), "E");
    EXPECT_EQ(Text("SUBSTR('ABCDE', 6, 1)"), "");
    EXPECT_EQ(Text("SUBSTR('ABCDE', 2, -1)"), "");
    EXPECT_EQ(Text("SUBSTR('ABCDE', 2, 1000000)"), "BCDE");
    EXPECT_EQ(Text("STUFF('ABCDE', 2, 2, 'xy')"), "AxyDE");
    EXPECT_EQ(Text("STUFF('ABCDE', 2, 0, 'xy')"), "AxyBCDE");
    EXPECT_EQ(Text("STUFF('ABCDE', 4, 9, '')"), "ABC");
    EXPECT_EQ(Text("STUFF('ABC', 9, 1, 'Z')"), "ABCZ");
    EXPECT_EQ(Text("STUFF('ABC', 4, 1, 'Z')"), "ABCZ");
    EXPECT_EQ(Text("STUFF('ABC', 0, 2, 'Z')"), "ZABC");
    EXPECT_EQ(Text("STUFF('ABC', 1, -3, 'Z')"), "ZABC");
    EXPECT_EQ(Text("LEFT('ABC', 2)"), "AB");
    EXPECT_EQ(Text("LEFT('ABC', 5)"), "ABC");
    EXPECT_EQ(Text("LEFT('ABC', -1)"), "");
    EXPECT_EQ(Text("RIGHT('ABC', 2)"), "BC");
    EXPECT_EQ(Text("RIGHT('ABC', 9)"), "ABC");
    EXPECT_EQ(Text("TRIM(NAME) + '|'"), "  Ab c|");
    EXPECT_EQ(Text("RTRIM(NAME) + '|'"), "  Ab c|");
    EXPECT_EQ(Text("LTRIM(NAME) + '|'"), "Ab c    |");
    EXPECT_EQ(Text("UPPER(NAME)"), "  AB C    ");
    EXPECT_EQ(Text("LOWER('\xc4"
                   "Bc')"),
              "\xe4"
              "bc")
        << "Windows 1252 case rules";
    EXPECT_EQ(Text("UPPER('\xfd\xe9\x9a')"), "\xdd\xc9\x8a");
    EXPECT_EQ(Text("CHR(65) + CHR(321)"), "AA");
    EXPECT_EQ(Text("IIF(OK, 'yes', 'no')"), "no");
    EXPECT_EQ(Text("IIF(.NOT. OK, NAME, 'no')"), "  Ab c    ");
    EXPECT_EQ(Text("SOUNDEX('Robert')"), "R163");
    EXPECT_EQ(Text("SOUNDEX('TYMCZAK')"), "T522");
    EXPECT_EQ(Text("SOUNDEX('A')"), "A000");
}

TEST_F(ExprTest, EmptyTableGivesBlanks) {
    EXPECT_EQ(Text("NAME"), std::string(10, ' '));
    EXPECT_EQ(Num("QTY"), 0);
    EXPECT_EQ(Num("DATUM"), 0);
    EXPECT_EQ(Logical("OK"), 0);
    EXPECT_EQ(Text("UPPER(NAME) + DTOS(DATUM)"), std::string(18, ' '));
}

TEST_F(ExprTest, FieldValuesOfRecordsAndStaleReferences) {
    AddRecord("first", 1.25, 12, true, "20260102");
    AddRecord("second", -3, 0, false, "        ");
    CompiledExpr* e = Compile("UPPER(NAME) + DTOS(DATUM) + STR(QTY, 6, 2)");
    ASSERT_NE(e, nullptr);
    Go(1);
    EXPECT_STREQ(static_cast<const char*>(EvaluateExpr(e)), "FIRST     20260102  1.25");
    Go(2);
    EXPECT_STREQ(static_cast<const char*>(EvaluateExpr(e)), "SECOND             -3.00");
    EXPECT_EQ(Logical("OK"), 0);
    Go(1);
    EXPECT_EQ(Logical("OK"), 1);
    DeleteRec();
    EXPECT_EQ(Logical("DELETED()"), 1);
    // The table closes under a compiled expression: blanks, no access to freed memory.
    CompiledExpr* alias = Compile("CUST->NAME + 'x'");
    ASSERT_NE(alias, nullptr);
    FreeWorkArea();
    EXPECT_STREQ(static_cast<const char*>(EvaluateExpr(e)), "          0.00");
    EXPECT_STREQ(static_cast<const char*>(EvaluateExpr(alias)), "x");
    FieldValue v;
    EXPECT_FALSE(ReadFieldValue(1, 33, v));
}

TEST_F(ExprTest, ReadFieldValueOfAPlainRecord) {
    AddRecord("abc", 12.75, 3, true, "20260102");
    FieldValue v;
    ASSERT_TRUE(ReadFieldValue(1, 33, v));
    EXPECT_EQ(v.Type, kTypeC);
    EXPECT_EQ(std::string(v.Text, v.Length), "abc       ");
    ASSERT_TRUE(ReadFieldValue(2, 1, v));
    EXPECT_EQ(v.Num, 12.75);
    ASSERT_TRUE(ReadFieldValue(4, 33, v));
    EXPECT_EQ(v.Int, 1);
    ASSERT_TRUE(ReadFieldValue(5, 33, v));
    EXPECT_EQ(v.Num, DateStrToJulian("20260102"));
    EXPECT_FALSE(ReadFieldValue(12, 33, v));
    EXPECT_FALSE(ReadFieldValue(0, 33, v));
    EXPECT_FALSE(ReadFieldValue(1, 5, v));
}

TEST_F(ExprTest, RepeatedEvaluationReusesStackAndPool) {
    AddRecord("abc", 1, 2, false, "20260102");
    CompiledExpr* e = Compile("UPPER(NAME) + DTOS(DATUM)");
    ASSERT_NE(e, nullptr);
    const void* first = EvaluateExpr(e);
    const char* pool = e->Pool.data();
    const ExprItem* work = e->Work.data();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(EvaluateExpr(e), first);
    EXPECT_EQ(e->Pool.data(), pool);
    EXPECT_EQ(e->Work.data(), work);
    EXPECT_EQ(e->WorkTop, 1u);
    EXPECT_STREQ(static_cast<const char*>(first), "ABC       20260102");
    CompiledExpr* n = Compile("QTY * 2 + CNT");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(EvaluateExpr(n), &n->Work[0].Num);
    EXPECT_EQ(*static_cast<const double*>(EvaluateExpr(n)), 4);
}

TEST_F(ExprTest, UnknownTypeCodesAreReported) {
    CompiledExpr* e = Compile("'hello world'");
    ASSERT_NE(e, nullptr);
    SetCurrentExpr(e);
    ExprItem item;
    PushWD(999, item, 0);
    EXPECT_EQ(LastErrorCode, kErrValueType);
    EXPECT_EQ(GetErrorText(),
              "Unknown data type (none of \"C\", \"D\", \"F\", \"L\", \"M\" or \"N\") "
              "[PARSER/PushWD]");
    item.Str = "hello";
    PushWD(kTypeC, item, 0);
    EXPECT_STREQ(TopText(), "hello");
    const ExprItem* popped = PopWD();
    ASSERT_NE(popped, nullptr);
    EXPECT_STREQ(popped->Str, "hello");
    EXPECT_EQ(PopWD(), nullptr);
}

TEST_F(ExprTest, KeysOfTenThousandRecordsMatchPython) {
    DoneWorkAreas();
    InitWorkAreas();
    AnsiTables = false; // the table and its keys are in the DOS code page
    const std::string path = dir_ / "keys.dbf";
    int status = 0;
    const std::string script =
        std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR + "/tests/dbf/expr_reference.py ";
    dbftest::RunCommand(script + "make '" + path + "' 10000", status);
    ASSERT_EQ(status, 0);
    const std::string want = dbftest::RunCommand(script + "keys '" + path + "'", status);
    ASSERT_EQ(status, 0);
    ASSERT_TRUE(Select(1));
    Use(path);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    CompiledExpr* key = Compile("UPPER(NAME)+DTOS(DATUM)");
    CompiledExpr* str = Compile("STR(WERT,10,2)");
    ASSERT_TRUE(key && str);
    EXPECT_EQ(key->ResultType, 'C');
    auto hex = [](const char* p) {
        static const char* digits = "0123456789abcdef";
        std::string h;
        for (; *p != 0; ++p) {
            h += digits[static_cast<unsigned char>(*p) >> 4];
            h += digits[static_cast<unsigned char>(*p) & 15];
        }
        return h;
    };
    std::istringstream in(want);
    std::string line;
    int n = 0;
    GoTop();
    while (std::getline(in, line)) {
        ASSERT_FALSE(dEOF()) << n;
        const auto parts = dbftest::SplitTabs(line);
        ASSERT_EQ(hex(static_cast<const char*>(EvaluateExpr(key))), parts.at(0))
            << "record " << RecNo();
        ASSERT_EQ(hex(static_cast<const char*>(EvaluateExpr(str))), parts.at(1))
            << "record " << RecNo();
        ++n;
        Skip(1);
    }
    EXPECT_EQ(n, 10000);
    EXPECT_TRUE(dEOF());
}

namespace {
std::int32_t g_memoBlock = 0;
std::uint8_t g_memoArea = 0;
bool FakeMemo(std::int32_t block, std::string& text) {
    g_memoBlock = block;
    g_memoArea = CurrentAreaNo;
    text = block == 7 ? "first line" + std::string(400, 'm') : "";
    return true;
}
} // namespace

TEST_F(ExprTest, MemoFieldsThroughTheMemoLayer) {
    ClearRecord();
    SetVarInt32(FieldAddress(11), 7);
    Append();
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    CompiledExpr* e = Compile("NOTE");
    ASSERT_NE(e, nullptr);
    // Without the memo layer the value is empty.
    EXPECT_STREQ(static_cast<const char*>(EvaluateExpr(e)), "");
    MemoTextHook = &FakeMemo;
    ASSERT_TRUE(Select(2));
    CompiledExpr* alias = Compile("CUST->NOTE");
    ASSERT_NE(alias, nullptr);
    const std::string text = static_cast<const char*>(EvaluateExpr(alias));
    MemoTextHook = nullptr;
    EXPECT_EQ(g_memoBlock, 7);
    EXPECT_EQ(g_memoArea, 1) << "the field's area is current while the memo is read";
    EXPECT_EQ(CurrentArea(), 2) << "and the caller's area afterwards";
    EXPECT_EQ(text.substr(0, 10), "first line");
    EXPECT_EQ(text.size(), 255u) << "cut to the working pool";
    EXPECT_EQ(LastErrorCode, 0);
}

TEST_F(ExprTest, PoolOverflowIsReportedAndStaysInside) {
    CompiledExpr* e = Compile("'ab'");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->PoolSize, 3);
    SetCurrentExpr(e);
    ExprItem item;
    item.Str = "hello";
    PushWD(kTypeC, item, 0);
    EXPECT_EQ(LastErrorCode, kErrPoolOverflow);
    EXPECT_EQ(GetErrorText(), "Working pool overflow [PARSER/Allocate]");
    EXPECT_STREQ(TopText(), "hel") << "what fits, with its end";
    LastErrorCode = 0;
    PushWD(kTypeC, item, 0);
    EXPECT_EQ(LastErrorCode, kErrPoolOverflow);
    EXPECT_STREQ(TopText(), "");
    // A fresh evaluation starts with an empty pool.
    EXPECT_STREQ(static_cast<const char*>(EvaluateExpr(e)), "ab");
}
