// The expression compiler: precedence and associativity, code order, abbreviations, field and
// alias references, result type/length/decimals, error messages with their excerpts, limits.

#include "expr_testutil.h"

using namespace dbf;
using exprtest::ExprTest;

namespace {

// Opcodes of the code list (operands as 0), without the end item.
std::vector<int> Ops(const CompiledExpr* e) {
    std::vector<int> ops;
    for (const ExprItem& i : e->Code)
        if (i.Op != -1) ops.push_back(i.Op);
    return ops;
}

} // namespace

TEST_F(ExprTest, PrecedenceAndAssociativity) {
    AddRecord("ABC");
    EXPECT_EQ(Num("2 + 3 * 4"), 14);
    EXPECT_EQ(Num("(2 + 3) * 4"), 20);
    EXPECT_EQ(Num("10 - 4 - 3"), 3);
    EXPECT_EQ(Num("64 / 4 / 2"), 8);
    EXPECT_EQ(Num("2 ^ 3 ^ 2"), 64);
    EXPECT_EQ(Num("2 ** 3 ** 2"), 64);
    EXPECT_EQ(Num("-2 ^ 2"), 4);
    EXPECT_EQ(Num("2 * -3 + 1"), -5);
    EXPECT_EQ(Num("2 ^ -1"), 0.5);
    EXPECT_EQ(Num("- - 3"), 3);
    EXPECT_EQ(Num("+4"), 4);
    EXPECT_EQ(Num("1.5E3"), 1500);
    EXPECT_EQ(Num("1.5e3 + 1"), 1501);
    // .NOT. applies to what follows it before any binary operator.
    EXPECT_EQ(Logical(".NOT. .T. .AND. .F."), 0);
    EXPECT_EQ(Logical(".NOT. .F. .OR. .T."), 1);
    EXPECT_EQ(Logical(".F. .AND. .T. .OR. .T."), 1) << "(F and T) or T";
    EXPECT_EQ(Logical(".T. .OR. .T. .AND. .F."), 1) << ".AND. binds tighter than .OR.";
    EXPECT_EQ(Logical(".NOT. X = Y"), 0) << "(.NOT. X) = Y with X, Y false";
    EXPECT_EQ(Logical("1 < 2 = 3 < 4"), 1) << "< binds tighter than =";
    EXPECT_EQ(Logical("'A' $ 'XAY' = .T."), 1) << "$ binds tighter than =";
    EXPECT_EQ(Logical("1 + 1 = 2 .AND. 2 * 2 = 4"), 1);
    EXPECT_EQ(Logical("1 # 2"), 1);
    EXPECT_EQ(Logical("1 <> 1"), 0);
    EXPECT_EQ(Logical("2 >= 2 .AND. 2 <= 2 .AND. 3 > 2 .AND. 2 < 3"), 1);
}

TEST_F(ExprTest, CodeComesOutInPostfixOrder) {
    CompiledExpr* e = Compile("1 + 2 * 3");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Ops(e), (std::vector<int>{0, 0, 0, 355, 347}));
    EXPECT_EQ(e->Code.back().Op, -1);
    e = Compile("UPPER(NAME) + DTOS(DATUM)");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Ops(e), (std::vector<int>{0, 321, 318, 0, 324, 277, 350}));
    EXPECT_EQ(e->Code[0].Int, 1) << "field number operand";
    e = Compile("CUST->QTY");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Ops(e), (std::vector<int>{0, 0, 327}));
    EXPECT_EQ(e->Code[0].Int, 2);
    EXPECT_EQ(e->Code[1].Int, 1) << "area number after the field number";
    EXPECT_EQ(e->Code[2].Count, 2);
    e = Compile("STR(QTY)");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Code[2].Op, 311);
    EXPECT_EQ(e->Code[2].Count, 1);
    e = Compile("-QTY");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Ops(e), (std::vector<int>{0, 322, 383}));
    e = Compile("+QTY");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Ops(e), (std::vector<int>{0, 322})) << "unary plus emits nothing";
}

TEST_F(ExprTest, FunctionNamesAndAbbreviations) {
    AddRecord("abc");
    EXPECT_EQ(Text("UPPE(NAME)"), "ABC       ");
    EXPECT_EQ(Text("upper(name)"), "ABC       ");
    EXPECT_EQ(Text("SUBS(NAME, 2, 1)"), "b");
    EXPECT_EQ(Text("REPL('x', 2)"), "xx");
    EXPECT_EQ(Num("RECN()"), 1);
    EXPECT_EQ(Logical("DELE()"), 0);
    EXPECT_EQ(CompileError("UPP(NAME)"),
              "Error in expression : Syntax error\r\n[UPP(NAME)]\r\n [AssignExpr]");
    EXPECT_NE(CompileError("UPPERX(NAME)"), "");
    EXPECT_NE(CompileError("SUBSTR(NAME, 2)"), "");
    EXPECT_NE(CompileError("STR(QTY, 1, 2, 3)"), "");
    EXPECT_NE(CompileError("RECNO(1)"), "");
    EXPECT_NE(CompileError("UPPER"), "") << "a function name without (";
    EXPECT_EQ(CompileError("STR(QTY)"), "");
    EXPECT_EQ(CompileError("STR(QTY, 5)"), "");
    // A field named like a function, followed by "(", is the function.
    EXPECT_EQ(Text("RTRIM"), "abc   ");
    EXPECT_EQ(Text("RTRIM(RTRIM) + '|'"), "abc|");
    EXPECT_EQ(Text("UPPER (NAME)"), "ABC       ");
}

TEST_F(ExprTest, FieldsAndAliases) {
    AddRecord("Alpha", 2.5, 7);
    EXPECT_EQ(Text("CUST->NAME"), "Alpha     ");
    EXPECT_EQ(Num("cust->qty * 2"), 5);
    EXPECT_NE(CompileError("CUST.NAME"), "") << "a dot is no alias arrow";
    EXPECT_NE(CompileError("OTHER->NAME"), "");
    EXPECT_NE(CompileError("CUST->NOPE"), "");
    EXPECT_NE(CompileError("NOPE"), "");
    EXPECT_EQ(Logical("NAME = 'Al' .AND. QTY > 1"), 1);
    EXPECT_EQ(CompileError("NAME + QTY"),
              "Error in expression : PARSER:Type mismatch in expression \"+\"\r\n[NAME + QTY]\r\n"
              " [AssignExpr]");
    EXPECT_NE(CompileError("A.AND.B"), "") << "one identifier";
    // A second table in area 2 reached through its alias while area 1 is current.
    std::vector<TDbfFieldDesc> defs = {exprtest::Def("CODE", 'C', 4)};
    TWorkArea scratch;
    CreateDbf(scratch, dir_ / "tool.dbf", defs);
    ASSERT_TRUE(Select(2));
    Use(dir_ / "tool.dbf" + " ALIAS TOOL EXCLUSIVE");
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    ClearRecord();
    SetVarString(FieldAddress(1), "Z9", 4);
    Append();
    ASSERT_TRUE(Select(1));
    EXPECT_EQ(Text("TRIM(NAME) + TOOL->CODE"), "AlphaZ9  ");
    EXPECT_NE(CompileError("CODE"), "") << "not a field of the current area";
}

TEST_F(ExprTest, ResultTypeLengthAndDecimals) {
    struct Case {
        const char* text;
        char type;
        int length;
        int decimals;
    };
    const Case cases[] = {
        {"UPPER(NAME)", 'C', 10, 0},
        {"NAME", 'C', 10, 0},
        {"NAME + 'X'", 'C', 0, 0},
        {"UPPER(NAME) + DTOS(DATUM)", 'C', 0, 0},
        {"'ABC'", 'C', 0, 0},
        {"QTY", 'N', 8, 2},
        {"CNT", 'N', 5, 0},
        {"QTY * 2", 'N', 13, 2},
        {"CNT + QTY", 'N', 8, 2},
        {"QTY + CNT", 'N', 5, 2},
        {"1", 'N', 13, 2},
        {"YEAR(DATUM)", 'N', 8, 2},
        {"DATUM", 'D', 8, 0},
        {"DATUM + 30", 'D', 8, 0},
        {"DATUM2 - DATUM1", 'N', 8, 2},
        {"OK", 'L', 1, 0},
        {".T.", 'L', 1, 0},
        {"NAME = 'AB' .AND. QTY > 1", 'L', 1, 0},
        {"NOTE", 'M', 256, 0},
        {"MAX(DATUM1, DATUM2)", 'D', 8, 0},
        {"MIN(1, 2)", 'N', 13, 2},
        {"STR(QTY, 10, 2)", 'C', 0, 0},
        {"IIF(OK, NAME, 'x')", 'C', 0, 0},
        {"CTOD('01/02/03')", 'D', 8, 0},
        {"DATE()", 'D', 8, 0},
        {"DELETED()", 'L', 1, 0},
    };
    for (const Case& c : cases) {
        CompiledExpr* e = Compile(c.text);
        ASSERT_NE(e, nullptr) << c.text;
        EXPECT_EQ(e->ResultType, c.type) << c.text;
        EXPECT_EQ(e->ResultLength, c.length) << c.text;
        EXPECT_EQ(e->ResultDecimals, c.decimals) << c.text;
        EXPECT_EQ(ExprText(e), c.text);
    }
}

TEST_F(ExprTest, TypeChecksOfEveryOperatorAndFunction) {
    const std::pair<const char*, char> ok[] = {
        {"QTY + CNT", 'N'},
        {"QTY + DATUM", 'D'},
        {"DATUM + QTY", 'D'},
        {"NAME + NAME", 'C'},
        {"QTY - 1", 'N'},
        {"DATUM - 1", 'D'},
        {"DATUM - DATUM", 'N'},
        {"NAME - NAME", 'C'},
        {"QTY * 2", 'N'},
        {"QTY / 2", 'N'},
        {"QTY ^ 2", 'N'},
        {"QTY = 1", 'L'},
        {"DATUM = DATUM", 'L'},
        {"NAME = NAME", 'L'},
        {"OK = X", 'L'},
        {"NAME == NAME", 'L'},
        {"NAME $ NAME", 'L'},
        {"QTY > 1", 'L'},
        {"DATUM > DATUM", 'L'},
        {"NAME > NAME", 'L'},
        {"NAME < NAME", 'L'},
        {"OK <> X", 'L'},
        {"DATUM <= DATUM", 'L'},
        {"NAME >= NAME", 'L'},
        {"OK .OR. X", 'L'},
        {"OK .AND. X", 'L'},
        {".NOT. OK", 'L'},
        {"-QTY", 'N'},
        {"YEAR(DATUM)", 'N'},
        {"AT(NAME, NAME)", 'N'},
        {"ROUND(QTY, 1)", 'N'},
        {"MOD(QTY, 2)", 'N'},
        {"INT(QTY)", 'N'},
        {"ABS(QTY)", 'N'},
        {"VAL(NAME)", 'N'},
        {"LEN(NAME)", 'N'},
        {"ASC(NAME)", 'N'},
        {"STUFF(NAME, 1, 2, NAME)", 'C'},
        {"IIF(OK, NAME, NAME)", 'C'},
        {"STR(QTY, 2, 1)", 'C'},
        {"SUBSTR(NAME, 1, 2)", 'C'},
        {"RIGHT(NAME, 1)", 'C'},
        {"LEFT(NAME, 1)", 'C'},
        {"REPLICATE(NAME, 2)", 'C'},
        {"DTOC(DATUM)", 'C'},
        {"CMONTH(DATUM)", 'C'},
        {"CDOW(DATUM)", 'C'},
        {"SOUNDEX(NAME)", 'C'},
        {"LTRIM(NAME)", 'C'},
        {"LOWER(NAME)", 'C'},
        {"SPACE(3)", 'C'},
        {"CHR(65)", 'C'},
        {"DOW(DATUM)", 'N'},
        {"DAY(DATUM)", 'N'},
        {"MONTH(DATUM)", 'N'},
        {"CTOD(NAME)", 'D'},
        {"DTOS(DATUM)", 'C'},
        {"UPPER(NAME)", 'C'},
        {"TRIM(NAME)", 'C'},
        {"RTRIM(NAME)", 'C'},
        {"MAX(QTY, 1)", 'N'},
        {"MIN(DATUM, DATUM)", 'D'},
    };
    for (const auto& [text, type] : ok) {
        EXPECT_EQ(CompileError(text), "") << text;
        CompiledExpr* e = Compile(text);
        ASSERT_NE(e, nullptr) << text;
        EXPECT_EQ(e->ResultType, type) << text;
    }
    struct Bad {
        const char* text;
        const char* name;
        bool function;
    };
    const Bad bad[] = {
        {"NAME + QTY", "+", false},
        {"DATUM + DATUM", "+", false},
        {"QTY - DATUM", "-", false},
        {"NAME * 2", "*", false},
        {"NAME / 2", "/", false},
        {"NAME ^ 2", "** or ^", false},
        {"NAME = QTY", "=", false},
        {"QTY == QTY", "==", false},
        {"QTY $ NAME", "$", false},
        {"OK > X", ">", false},
        {"OK < X", "<", false},
        {"NAME <> QTY", "<>", false},
        {"OK <= X", "<=", false},
        {"OK >= X", ">=", false},
        {"QTY .OR. OK", ".OR.", false},
        {"OK .AND. 1", ".AND.", false},
        {".NOT. 1", ".NOT.", false},
        {"-NAME", "Unary -", false},
        {"+OK", "Unary +", false},
        {"NOTE = NOTE", "=", false},
        {"UPPER(QTY)", "UPPER", true},
        {"YEAR(QTY)", "YEAR", true},
        {"MIN(QTY, DATUM)", "MIN", true},
        {"MAX(NAME, NAME)", "MAX", true},
        {"IIF(OK, 1, 2)", "IIF", true},
        {"STR(NAME)", "STR", true},
        {"SUBSTR(NAME, 'a', 1)", "SUBSTR", true},
        {"TRIM(NOTE)", "TRIM", true},
        {"STUFF(NAME, 1, 2, 3)", "STUFF", true},
        {"CTOD(DATUM)", "CTOD", true},
    };
    for (const Bad& b : bad) {
        const std::string msg = CompileError(b.text);
        const std::string want = std::string("PARSER:Type mismatch in ") +
                                 (b.function ? "function \"" : "expression \"") + b.name + "\"";
        EXPECT_NE(msg.find(want), std::string::npos) << b.text << ": " << msg;
    }
}

TEST_F(ExprTest, ErrorExcerptsAndLimits) {
    EXPECT_EQ(CompileError(".5"), "Error in expression : Syntax error\r\n[.5]\r\n [AssignExpr]");
    EXPECT_NE(CompileError(""), "");
    EXPECT_NE(CompileError("'open"), "");
    EXPECT_NE(CompileError("1 2"), "");
    EXPECT_NE(CompileError("(1"), "");
    EXPECT_NE(CompileError("1)"), "");
    EXPECT_NE(CompileError("QTY @ 2"), "");
    // Past 50 characters the excerpt starts 50 before the reading position; a long rest is cut.
    std::string text = std::string(60, ' ') + "1 + ) " + std::string(60, ' ') + "2";
    const std::string msg = CompileError(text);
    const std::size_t p = 60 + 4; // ")" read, position past it, minus one
    const std::string want = "Error in expression : Syntax error\r\n[..." +
                             text.substr(p - 50, 51) + "...]\r\n [AssignExpr]";
    EXPECT_EQ(msg, want);
    // The error code after a failed compilation is 217 with the text.
    EXPECT_EQ(Compile("NAME +"), nullptr);
    EXPECT_EQ(LastErrorCode, kErrNoMemory);
    EXPECT_EQ(GetErrorText(), " [AssignExpr(NAME +)]");
    // A pending expression error is cleared by the next compilation.
    LastErrorCode = 355;
    ASSERT_NE(Compile("1"), nullptr);
    EXPECT_EQ(LastErrorCode, 0);

    // 255 characters are read, more are refused.
    EXPECT_EQ(CompileError("1" + std::string(254, ' ')), "");
    EXPECT_NE(CompileError("1" + std::string(255, ' ')), "");
    EXPECT_NE(CompileError(std::string(5000, '(')), "");
}

TEST_F(ExprTest, NestingLimitOfTheParserStack) {
    auto nested = [](int depth) {
        return std::string(static_cast<std::size_t>(depth), '(') + "1" +
               std::string(static_cast<std::size_t>(depth), ')');
    };
    EXPECT_EQ(CompileError(nested(120)), "");
    EXPECT_EQ(Num(nested(120)), 1);
    EXPECT_EQ(CompileError(nested(127)), "");
    const std::string deep = std::string(149, '(') + "1";
    EXPECT_NE(CompileError(deep).find("Parser_stack_overflow"), std::string::npos);
    EXPECT_EQ(CompileError(std::string(148, '(') + "1"),
              "Error in expression : Syntax error\r\n[..." + std::string(49, '(') +
                  "1]\r\n [AssignExpr]")
        << "148 open parentheses and a number fit; the missing ) is a syntax error";
    EXPECT_NE(CompileError(std::string(148, '(') + "1+2").find("Parser_stack_overflow"),
              std::string::npos)
        << "the operator is one entry too many";
    std::string unary(200, '-');
    EXPECT_NE(CompileError(unary + "1").find("Parser_stack_overflow"), std::string::npos);
    EXPECT_EQ(Num(std::string(100, '-') + "1"), 1);
}

TEST_F(ExprTest, HooksAreFilledAndFreeIgnoresNull) {
    EXPECT_TRUE(ParserLinked);
    ASSERT_NE(ParserHooks.AssignExpr, nullptr);
    CompiledExpr* e = ParserHooks.AssignExpr("CNT + 1");
    ASSERT_NE(e, nullptr);
    AddRecord("a", 0, 41);
    EXPECT_EQ(*static_cast<const double*>(ParserHooks.EvaluateExpr(e)), 42);
    EXPECT_EQ(ParserHooks.ExprText(e), "CNT + 1");
    CurrentExpr = e;
    EXPECT_EQ(*static_cast<const double*>(EvaluateCurrentHook()), 42);
    ParserHooks.FreeExpr(e);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(CurrentExpr, nullptr);
    EXPECT_EQ(EvaluatedExpr(), nullptr);
    Evaluate(); // nothing to run, nothing touched
    FreeExpr(e);
    EXPECT_EQ(EvaluateExpr(nullptr), nullptr);
    EXPECT_FALSE(EvaluateLogical(nullptr));
}

TEST_F(ExprTest, FilterAndWhileConditionsUseCompiledExpressions) {
    for (int i = 1; i <= 6; ++i)
        AddRecord("R" + std::to_string(i), i);
    TWorkArea* a = CurrentWorkArea();
    ASSERT_NE(a, nullptr);
    a->FilterExpr = ParserHooks.AssignExpr("MOD(QTY, 2) = 0");
    ASSERT_NE(a->FilterExpr, nullptr);
    std::vector<int> seen;
    GoTop();
    while (!dEOF() && seen.size() < 10) {
        seen.push_back(static_cast<int>(RecNo()));
        Skip(1);
    }
    EXPECT_EQ(seen, (std::vector<int>{2, 4, 6}));
    a->WhileExpr = ParserHooks.AssignExpr("CUST->QTY < 5");
    ASSERT_NE(a->WhileExpr, nullptr);
    EXPECT_TRUE(IsWhileOn());
    Go(4);
    EXPECT_TRUE(WhileHolds());
    Go(6);
    EXPECT_FALSE(WhileHolds());
    // Both are freed with the area (ASan reports a leak otherwise).
    FreeWorkArea();
}
