// The expression compiler of unit `zazavizi`: lexer, operator-precedence parser and code emission.
//
// The parser is hand-written but mirrors the shift/reduce parser the language is defined by:
// the same tokens are read in the same order (the lexer's length and decimals trackers depend
// on that), code items come out in reduction order, type checks run at the reductions, and the
// depth of the parser stack is counted as that parser would count it, so nesting fails at the
// same point with "Parser_stack_overflow".

#include "dbf/expr/expression.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <memory>
#include <string_view>

#include "dbf/table/work_areas.h"
#include "dbf/base/hooks.h"
#include "dbf/base/errors.h"

namespace dbf {

CompiledExpr* CurrentExpr = nullptr;
EvaluateCurrentProc EvaluateCurrentHook = nullptr;
bool ParserLinked = false;
MemoTextProc MemoTextHook = nullptr;

namespace {

// Tokens beyond single characters.
enum : int {
    tEnd = 0,
    tError = 256,
    tFieldC = 321, // 321..325 current area C N L D M; 326..330 with alias
    tString = 331,
    tNumber = 332,
    tIdent = 336,
    tFalse = 337,
    tTrue = 338,
    tNot = 339,
    tOr = 340,
    tAnd = 341,
    tNe = 342,
    tLe = 343,
    tGe = 344,
    tEqEq = 345,
    tDollar = 346,
};

// Function tokens (= opcodes).
enum : int {
    fABS = 257,
    fASC = 259,
    fAT = 261,
    fCDOW = 264,
    fCHR = 266,
    fCMONTH = 267,
    fCTOD = 269,
    fDATE = 270,
    fDAY = 271,
    fDELETED = 272,
    fDOW = 274,
    fDTOC = 275,
    fDTOS = 277,
    fIIF = 283,
    fINT = 284,
    fLEFT = 288,
    fLEN = 289,
    fLOWER = 292,
    fLTRIM = 293,
    fMAX = 294,
    fMIN = 295,
    fMOD = 296,
    fMONTH = 297,
    fRECNO = 300,
    fREPLICATE = 301,
    fRIGHT = 302,
    fROUND = 303,
    fRTRIM = 305,
    fSOUNDEX = 308,
    fSPACE = 310,
    fSTR = 311,
    fSTUFF = 312,
    fSUBSTR = 313,
    fTRIM = 316,
    fUPPER = 318,
    fVAL = 319,
    fYEAR = 320,
};

struct Keyword {
    const char* name;
    int token;
    int width;
};

constexpr Keyword kKeywords[] = {
    {"ABS", fABS, 0},
    {"ASC", fASC, 0},
    {"AT", fAT, 0},
    {"CDOW", fCDOW, 15},
    {"CHR", fCHR, 2},
    {"CMON", fCMONTH, 15},
    {"CMONT", fCMONTH, 15},
    {"CMONTH", fCMONTH, 15},
    {"CTOD", fCTOD, 0},
    {"DATE", fDATE, 0},
    {"DAY", fDAY, 0},
    {"DELE", fDELETED, 0},
    {"DELET", fDELETED, 0},
    {"DELETE", fDELETED, 0},
    {"DELETED", fDELETED, 0},
    {"DOW", fDOW, 0},
    {"DTOC", fDTOC, 11},
    {"DTOS", fDTOS, 9},
    {"IIF", fIIF, 256},
    {"INT", fINT, 0},
    {"LEFT", fLEFT, 0},
    {"LEN", fLEN, 0},
    {"LOWE", fLOWER, 0},
    {"LOWER", fLOWER, 0},
    {"LTRI", fLTRIM, 0},
    {"LTRIM", fLTRIM, 0},
    {"MAX", fMAX, 0},
    {"MIN", fMIN, 0},
    {"MOD", fMOD, 0},
    {"MONT", fMONTH, 0},
    {"MONTH", fMONTH, 0},
    {"RECN", fRECNO, 0},
    {"RECNO", fRECNO, 0},
    {"REPL", fREPLICATE, 256},
    {"REPLI", fREPLICATE, 256},
    {"REPLIC", fREPLICATE, 256},
    {"REPLICA", fREPLICATE, 256},
    {"REPLICAT", fREPLICATE, 256},
    {"REPLICATE", fREPLICATE, 256},
    {"RIGH", fRIGHT, 0},
    {"RIGHT", fRIGHT, 0},
    {"ROUN", fROUND, 0},
    {"ROUND", fROUND, 0},
    {"RTRI", fRTRIM, 0},
    {"RTRIM", fRTRIM, 0},
    {"SOUN", fSOUNDEX, 15},
    {"SOUND", fSOUNDEX, 15},
    {"SOUNDE", fSOUNDEX, 15},
    {"SOUNDEX", fSOUNDEX, 15},
    {"SPAC", fSPACE, 256},
    {"SPACE", fSPACE, 256},
    {"STR", fSTR, 256},
    {"STUF", fSTUFF, 0},
    {"STUFF", fSTUFF, 0},
    {"SUBS", fSUBSTR, 0},
    {"SUBST", fSUBSTR, 0},
    {"SUBSTR", fSUBSTR, 0},
    {"TRIM", fTRIM, 0},
    {"UPPE", fUPPER, 0},
    {"UPPER", fUPPER, 0},
    {"VAL", fVAL, 0},
    {"YEAR", fYEAR, 0},
    {".F.", tFalse, 0},
    {".T.", tTrue, 0},
    {".NOT.", tNot, 0},
    {".OR.", tOr, 0},
    {".AND.", tAnd, 0},
};
static_assert(std::size(kKeywords) == 67);

// Argument types and result of a function; kAny marks MIN/MAX (N,N or D,D).
constexpr std::int32_t kNone = 0;
struct FunctionSig {
    int token;
    const char* name;
    int minArgs, maxArgs;
    std::array<std::int32_t, 4> args;
    std::int32_t result;
};

constexpr FunctionSig kFunctions[] = {
    {fYEAR, "YEAR", 1, 1, {kTypeD}, kTypeN},
    {fMONTH, "MONTH", 1, 1, {kTypeD}, kTypeN},
    {fDOW, "DOW", 1, 1, {kTypeD}, kTypeN},
    {fDAY, "DAY", 1, 1, {kTypeD}, kTypeN},
    {fAT, "AT", 2, 2, {kTypeC, kTypeC}, kTypeN},
    {fROUND, "ROUND", 2, 2, {kTypeN, kTypeN}, kTypeN},
    {fMOD, "MOD", 2, 2, {kTypeN, kTypeN}, kTypeN},
    {fMIN, "MIN", 2, 2, {kNone, kNone}, kNone},
    {fMAX, "MAX", 2, 2, {kNone, kNone}, kNone},
    {fINT, "INT", 1, 1, {kTypeN}, kTypeN},
    {fABS, "ABS", 1, 1, {kTypeN}, kTypeN},
    {fVAL, "VAL", 1, 1, {kTypeC}, kTypeN},
    {fLEN, "LEN", 1, 1, {kTypeC}, kTypeN},
    {fASC, "ASC", 1, 1, {kTypeC}, kTypeN},
    {fRECNO, "RECNO", 0, 0, {}, kTypeN},
    {fCTOD, "CTOD", 1, 1, {kTypeC}, kTypeD},
    {fDATE, "DATE", 0, 0, {}, kTypeD},
    {fSTUFF, "STUFF", 4, 4, {kTypeC, kTypeN, kTypeN, kTypeC}, kTypeC},
    {fIIF, "IIF", 3, 3, {kTypeL, kTypeC, kTypeC}, kTypeC},
    {fSTR, "STR", 1, 3, {kTypeN, kTypeN, kTypeN}, kTypeC},
    {fSUBSTR, "SUBSTR", 3, 3, {kTypeC, kTypeN, kTypeN}, kTypeC},
    {fRIGHT, "RIGHT", 2, 2, {kTypeC, kTypeN}, kTypeC},
    {fREPLICATE, "REPLICATE", 2, 2, {kTypeC, kTypeN}, kTypeC},
    {fLEFT, "LEFT", 2, 2, {kTypeC, kTypeN}, kTypeC},
    {fDTOS, "DTOS", 1, 1, {kTypeD}, kTypeC},
    {fDTOC, "DTOC", 1, 1, {kTypeD}, kTypeC},
    {fCMONTH, "CMONTH", 1, 1, {kTypeD}, kTypeC},
    {fCDOW, "CDOW", 1, 1, {kTypeD}, kTypeC},
    {fUPPER, "UPPER", 1, 1, {kTypeC}, kTypeC},
    {fSOUNDEX, "SOUNDEX", 1, 1, {kTypeC}, kTypeC},
    {fTRIM, "TRIM", 1, 1, {kTypeC}, kTypeC},
    {fRTRIM, "RTRIM", 1, 1, {kTypeC}, kTypeC},
    {fLTRIM, "LTRIM", 1, 1, {kTypeC}, kTypeC},
    {fLOWER, "LOWER", 1, 1, {kTypeC}, kTypeC},
    {fSPACE, "SPACE", 1, 1, {kTypeN}, kTypeC},
    {fCHR, "CHR", 1, 1, {kTypeN}, kTypeC},
    {fDELETED, "DELETED", 0, 0, {}, kTypeL},
};

const FunctionSig* FindFunction(int token) {
    for (const FunctionSig& f : kFunctions)
        if (f.token == token) return &f;
    return nullptr;
}

// A failed compilation carries its message up to AssignExpr.
struct CompileError {
    std::string message;
};

constexpr int kEndChar = 255;

// The codes of the expression engine's own failures (syntax, pool, value type, divide by zero).
constexpr std::uint16_t kExprErrorsFirst = 350;
constexpr std::uint16_t kExprErrorsLast = 363;

class Compiler {
public:
    Compiler(CompiledExpr& expr, std::string_view text) : expr_(expr) {
        n_ = static_cast<int>(std::min<std::size_t>(text.size(), kExprMaxText));
        std::memcpy(buf_, text.data(), static_cast<std::size_t>(n_));
        buf_[n_] = 0;
    }

    void Run() {
        depth_ = 1; // the start state
        const std::int32_t type = ParseExpr(1);
        if (Peek() != tEnd) SyntaxError();
        Reduce(1); // start : expr
        ExprItem end;
        end.Op = -1;
        Emit(end);
        resultType_ = type;
    }

    // The excerpt of the text around the reading position, for messages.
    std::string Excerpt() const {
        int p = pos_ - 1;
        p = std::clamp(p, 0, n_);
        int s = 0;
        std::string out = "[";
        if (p >= 50) {
            s = p - 50;
            out = "[...";
        }
        const std::string_view text(buf_, static_cast<std::size_t>(n_));
        if (n_ - s <= 51) {
            out.append(text.substr(static_cast<std::size_t>(s)));
            out += "]\r\n";
        } else {
            out.append(text.substr(static_cast<std::size_t>(s), 51));
            out += "...]\r\n";
        }
        return out;
    }

    std::int32_t resultType_ = 0;
    int lengthTracker_ = 0;
    int decimalsTracker_ = 19;
    int poolSize_ = 0;
    int maxWork_ = 0;

private:
    // ---- characters ----
    int ReadChar(bool literal = false) {
        if (pos_ >= n_) {
            pos_ = n_ + 1; // reading past the end counts once, so one step back is the end
            return kEndChar;
        }
        const auto c = static_cast<unsigned char>(buf_[pos_++]);
        if (c == kEndChar) return kEndChar;
        if (!literal && c >= 'a' && c <= 'z') return c - 'a' + 'A';
        return c;
    }
    void Unread() {
        if (pos_ > 0) --pos_;
    }

    static bool IsLetter(int c) { return c >= 'A' && c <= 'Z'; }
    static bool IsDigit(int c) { return c >= '0' && c <= '9'; }

    // ---- lexer ----
    struct Token {
        int kind = tEnd;
        double num = 0;
        std::size_t literal = 0;
        int fieldNo = 0;
        int area = 0;
    };

    Token Lex() {
        Token t;
        int c = ReadChar();
        while (c == ' ' || c == '\t')
            c = ReadChar();
        if (c == kEndChar) return t;
        if (IsDigit(c)) return LexNumber(c);
        if (c == '\'' || c == '"') return LexString(c);
        switch (c) {
        case '=':
            if (ReadChar() == '=') return Single(tEqEq);
            Unread();
            return Single('=');
        case '*':
            if (ReadChar() == '*') return Single('^');
            Unread();
            return Single('*');
        case '#':
            return Single(tNe);
        case '$':
            return Single(tDollar);
        case '>':
            if (ReadChar() == '=') return Single(tGe);
            Unread();
            return Single('>');
        case '<': {
            const int d = ReadChar();
            if (d == '=') return Single(tLe);
            if (d == '>') return Single(tNe);
            Unread();
            return Single('<');
        }
        default:
            break;
        }
        if (IsLetter(c) || c == '.' || c == '_') return LexIdentifier(c);
        return Single(c);
    }

    static Token Single(int kind) {
        Token t;
        t.kind = kind;
        return t;
    }

    Token LexNumber(int c) {
        char text[260];
        int k = 0;
        bool point = false, exponent = false;
        for (;;) {
            if (IsDigit(c)) {
                text[k++] = static_cast<char>(c);
            } else if (c == '.' && !point && !exponent) {
                point = true;
                text[k++] = '.';
            } else if (c == 'E' && !exponent) {
                exponent = true;
                text[k++] = 'e';
            } else {
                break;
            }
            c = ReadChar();
        }
        Unread();
        Token t;
        t.kind = tNumber;
        // The longest prefix that is a number counts ("1E" is 1).
        std::from_chars(text, text + k, t.num);
        lengthTracker_ = 0;
        decimalsTracker_ = kDefaultDecimals;
        return t;
    }

    Token LexString(int quote) {
        std::string s;
        for (;;) {
            const int c = ReadChar(true);
            if (c == kEndChar) return Token{}; // no closing quote: the end
            if (c == quote) break;
            s += static_cast<char>(c);
            ++poolSize_;
        }
        ++poolSize_; // the terminating zero
        expr_.Literals.push_back(std::move(s));
        Token t;
        t.kind = tString;
        t.literal = expr_.Literals.size() - 1;
        lengthTracker_ = 0;
        decimalsTracker_ = kDefaultDecimals;
        return t;
    }

    Token LexIdentifier(int c) {
        std::string name;
        auto identChar = [](int x) { return IsLetter(x) || IsDigit(x) || x == '.' || x == '_'; };
        while (identChar(c)) {
            name += static_cast<char>(c);
            c = ReadChar();
        }
        std::string alias;
        if (c == '-') {
            const int d = ReadChar();
            if (d == '>') {
                alias = name;
                name += '.';
                std::string field;
                c = ReadChar();
                while (IsLetter(c) || IsDigit(c) || c == '_') {
                    field += static_cast<char>(c);
                    c = ReadChar();
                }
                name += field;
                Unread();
                Token t;
                if (LookupField(true, alias, field, t) && !NextIsParen()) return t;
                return Keyword(name);
            }
            Unread();
        }
        Unread();
        Token t;
        if (LookupField(false, {}, name, t) && !NextIsParen()) return t;
        return Keyword(name);
    }

    bool NextIsParen() {
        const int save = pos_;
        int c = ReadChar();
        while (c == ' ' || c == '\t')
            c = ReadChar();
        pos_ = save;
        return c == '(';
    }

    Token Keyword(const std::string& name) {
        lengthTracker_ = 0;
        decimalsTracker_ = kDefaultDecimals;
        for (const auto& k : kKeywords) {
            if (name == k.name) {
                poolSize_ += k.width;
                return Single(k.token);
            }
        }
        return Single(tIdent);
    }

    static std::string Cut10(std::string_view s) { return std::string(s.substr(0, 10)); }

    bool LookupField(bool withAlias, const std::string& alias, const std::string& field, Token& t) {
        std::uint8_t areaNo = CurrentAreaNo;
        const TWorkArea* area = nullptr;
        if (withAlias) {
            const std::string want = Cut10(alias);
            for (std::uint8_t a = 1; a <= 32 && area == nullptr; ++a) {
                const TWorkArea* w = WorkAreaSlot(a);
                if (w != nullptr && !w->Alias.empty() && Cut10(w->Alias) == want) {
                    area = w;
                    areaNo = a;
                }
            }
        } else {
            area = WorkAreaSlot(CurrentAreaNo);
        }
        if (area == nullptr) return false;
        for (std::size_t i = 0; i < area->Fields.size(); ++i) {
            const TDbfFieldDesc& f = area->Fields[i];
            if (f.Name != field) continue;
            int kind;
            switch (f.Type) {
            case 'C':
                kind = 321;
                break;
            case 'F':
            case 'N':
                kind = 322;
                break;
            case 'L':
                kind = 323;
                break;
            case 'D':
                kind = 324;
                break;
            case 'M':
                kind = 325;
                break;
            default:
                return false;
            }
            lengthTracker_ = f.Length;
            if (kind == 321) poolSize_ += f.Length + 1;
            if (kind == 322)
                decimalsTracker_ = decimalsTracker_ == 19 ? f.Decimals : kDefaultDecimals;
            t.kind = withAlias ? kind + 5 : kind;
            t.fieldNo = static_cast<int>(i + 1);
            t.area = areaNo;
            return true;
        }
        return false;
    }

    // ---- parser ----
    Token& PeekToken() {
        if (!pending_) {
            la_ = Lex();
            pending_ = true;
        }
        return la_;
    }
    int Peek() { return PeekToken().kind; }
    Token Next() {
        Token t = PeekToken();
        pending_ = false;
        return t;
    }

    void Shift() {
        if (depth_ + 1 > kParserStackSize) throw CompileError{"Parser_stack_overflow"};
        ++depth_;
    }
    void Reduce(int length) { depth_ -= length - 1; }

    [[noreturn]] void SyntaxError() { throw CompileError{"Syntax error"}; }
    [[noreturn]] void OperatorMismatch(const char* name) {
        throw CompileError{std::string("PARSER:Type mismatch in expression \"") + name + "\""};
    }
    [[noreturn]] void FunctionMismatch(const char* name) {
        throw CompileError{std::string("PARSER:Type mismatch in function \"") + name + "\""};
    }

    void Emit(const ExprItem& item) {
        expr_.Code.push_back(item);
        if (item.Op == 0) {
            ++work_;
        } else if (item.Op > 0) {
            work_ -= item.Count;
            ++work_;
        }
        maxWork_ = std::max(maxWork_, work_);
    }
    void Operand(std::int32_t type) {
        ExprItem i;
        i.Type = type;
        Emit(i);
    }
    void Op(std::int32_t opcode, std::int32_t count) {
        ExprItem i;
        i.Op = opcode;
        i.Count = count;
        Emit(i);
    }

    static int Precedence(int token) {
        switch (token) {
        case tOr:
            return 1;
        case tAnd:
            return 2;
        case '=':
        case tNe:
            return 3;
        case tDollar:
        case tEqEq:
            return 4;
        case '<':
        case '>':
        case tLe:
        case tGe:
            return 5;
        case '+':
        case '-':
            return 6;
        case '*':
        case '/':
            return 7;
        case '^':
            return 8;
        default:
            return 0;
        }
    }

    std::int32_t ParseExpr(int minPrec) {
        std::int32_t left = ParseUnary();
        for (;;) {
            const int op = Peek();
            const int prec = Precedence(op);
            if (prec == 0 || prec < minPrec) break;
            Next();
            Shift();
            const std::int32_t right = ParseExpr(prec + 1);
            Peek(); // the reduction follows the look-ahead
            left = Binary(op, left, right);
            Reduce(3);
        }
        return left;
    }

    std::int32_t ParseUnary() {
        const int op = Peek();
        if (op != tNot && op != '+' && op != '-') return ParsePrimary();
        Next();
        Shift();
        const std::int32_t t = ParseUnary();
        Peek();
        Reduce(2);
        if (op == tNot) {
            if (t != kTypeL) OperatorMismatch(".NOT.");
            Op(382, 1);
            return kTypeL;
        }
        if (t != kTypeN) OperatorMismatch(op == '+' ? "Unary +" : "Unary -");
        if (op == '-') Op(383, 1);
        return kTypeN;
    }

    static bool StartsPrimary(int kind) {
        return kind == '(' || kind == tString || kind == tNumber || kind == tTrue ||
               kind == tFalse || (kind >= 321 && kind <= 330) || FindFunction(kind) != nullptr;
    }

    std::int32_t ParsePrimary() {
        const Token t = Next();
        if (!StartsPrimary(t.kind)) SyntaxError();
        Shift();
        switch (t.kind) {
        case '(': {
            const std::int32_t type = ParseExpr(1);
            if (Next().kind != ')') SyntaxError();
            Shift();
            Reduce(3);
            return type;
        }
        case tString: {
            ExprItem i;
            i.Type = kTypeC;
            const std::string& s = expr_.Literals[t.literal];
            i.Str = s.c_str();
            i.Len = static_cast<std::uint32_t>(std::strlen(s.c_str()));
            Emit(i);
            return kTypeC;
        }
        case tNumber: {
            ExprItem i;
            i.Type = kTypeN;
            i.Num = t.num;
            Emit(i);
            return kTypeN;
        }
        case tTrue:
        case tFalse: {
            ExprItem i;
            i.Type = kTypeL;
            i.Int = t.kind == tTrue ? 1 : 0;
            Emit(i);
            return kTypeL;
        }
        default:
            break;
        }
        if (t.kind >= 321 && t.kind <= 330) {
            ExprItem f;
            f.Type = kTypeL;
            f.Int = t.fieldNo;
            Emit(f);
            const bool alias = t.kind >= 326;
            if (alias) {
                ExprItem a;
                a.Type = kTypeL;
                a.Int = t.area;
                Emit(a);
            }
            Op(t.kind, alias ? 2 : 1);
            static constexpr std::int32_t kTypes[] = {kTypeC, kTypeN, kTypeL, kTypeD, kTypeM};
            return kTypes[(t.kind - 321) % 5];
        }
        if (const FunctionSig* f = FindFunction(t.kind)) return ParseCall(*f);
        SyntaxError();
    }

    std::int32_t ParseCall(const FunctionSig& f) {
        if (Next().kind != '(') SyntaxError();
        Shift();
        std::array<std::int32_t, 4> types{};
        int count = 0;
        if (f.maxArgs == 0) {
            if (Next().kind != ')') SyntaxError();
            Shift();
        } else {
            for (;;) {
                types[static_cast<std::size_t>(count++)] = ParseExpr(1);
                const int k = Next().kind;
                if (k == ',' && count < f.maxArgs) {
                    Shift();
                    continue;
                }
                if (k == ')' && count >= f.minArgs) {
                    Shift();
                    break;
                }
                SyntaxError();
            }
        }
        Reduce(count == 0 ? 3 : 2 + 2 * count); // name ( args with commas )
        std::int32_t result = f.result;
        if (f.token == fMIN || f.token == fMAX) {
            if (types[0] != types[1] || (types[0] != kTypeN && types[0] != kTypeD))
                FunctionMismatch(f.name);
            result = types[0];
        } else {
            for (int i = 0; i < count; ++i)
                if (types[static_cast<std::size_t>(i)] != f.args[static_cast<std::size_t>(i)])
                    FunctionMismatch(f.name);
        }
        Op(f.token, count);
        return result;
    }

    std::int32_t Binary(int op, std::int32_t a, std::int32_t b) {
        const auto both = [&](std::int32_t t) { return a == t && b == t; };
        switch (op) {
        case '+':
            if (both(kTypeN)) return Emit2(347, kTypeN);
            if (a == kTypeN && b == kTypeD) return Emit2(348, kTypeD);
            if (a == kTypeD && b == kTypeN) return Emit2(349, kTypeD);
            if (both(kTypeC)) return Emit2(350, kTypeC);
            OperatorMismatch("+");
        case '-':
            if (both(kTypeN)) return Emit2(351, kTypeN);
            if (a == kTypeD && b == kTypeN) return Emit2(352, kTypeD);
            if (both(kTypeD)) return Emit2(353, kTypeN);
            if (both(kTypeC)) return Emit2(354, kTypeC);
            OperatorMismatch("-");
        case '*':
            if (both(kTypeN)) return Emit2(355, kTypeN);
            OperatorMismatch("*");
        case '/':
            if (both(kTypeN)) return Emit2(356, kTypeN);
            OperatorMismatch("/");
        case '^':
            if (both(kTypeN)) return Emit2(357, kTypeN);
            OperatorMismatch("** or ^");
        case '=':
            if (both(kTypeN)) return Emit2(358, kTypeL);
            if (both(kTypeD)) return Emit2(359, kTypeL);
            if (both(kTypeC)) return Emit2(360, kTypeL);
            if (both(kTypeL)) return Emit2(361, kTypeL);
            OperatorMismatch("=");
        case tEqEq:
            if (both(kTypeC)) return Emit2(362, kTypeL);
            OperatorMismatch("==");
        case tDollar:
            if (both(kTypeC)) return Emit2(363, kTypeL);
            OperatorMismatch("$");
        case '>':
            return Relational(a, b, 364, ">");
        case '<':
            return Relational(a, b, 367, "<");
        case tNe:
            if (both(kTypeN)) return Emit2(370, kTypeL);
            if (both(kTypeD)) return Emit2(371, kTypeL);
            if (both(kTypeC)) return Emit2(372, kTypeL);
            if (both(kTypeL)) return Emit2(373, kTypeL);
            OperatorMismatch("<>");
        case tLe:
            return Relational(a, b, 374, "<=");
        case tGe:
            return Relational(a, b, 377, ">=");
        case tOr:
            if (both(kTypeL)) return Emit2(380, kTypeL);
            OperatorMismatch(".OR.");
        case tAnd:
            if (both(kTypeL)) return Emit2(381, kTypeL);
            OperatorMismatch(".AND.");
        default:
            SyntaxError();
        }
    }

    // N, D, C variants at base, base + 1, base + 2.
    std::int32_t Relational(std::int32_t a, std::int32_t b, std::int32_t base, const char* name) {
        if (a == b) {
            if (a == kTypeN) return Emit2(base, kTypeL);
            if (a == kTypeD) return Emit2(base + 1, kTypeL);
            if (a == kTypeC) return Emit2(base + 2, kTypeL);
        }
        OperatorMismatch(name);
    }

    std::int32_t Emit2(std::int32_t opcode, std::int32_t result) {
        Op(opcode, 2);
        return result;
    }

    CompiledExpr& expr_;
    char buf_[256];
    int n_ = 0;
    int pos_ = 0;
    Token la_;
    bool pending_ = false;
    int depth_ = 0;
    int work_ = 0;
};

char TypeLetter(std::int32_t type) {
    switch (type) {
    case kTypeN:
        return 'N';
    case kTypeL:
        return 'L';
    case kTypeD:
        return 'D';
    case kTypeM:
        return 'M';
    default:
        return 'C';
    }
}

void ReportCompileFailure(const std::string& text, const std::string& message,
                          const std::string& excerpt) {
    SetError(kErrExprSyntax,
             "Error in expression : " + message + "\r\n" + excerpt + " [AssignExpr]");
    SetError(kErrNoMemory, " [AssignExpr(" + text + ")]");
}

} // namespace

CompiledExpr* AssignExpr(const std::string& text) {
    // A failure of an earlier expression does not stand against this one.
    if (LastErrorCode >= kExprErrorsFirst && LastErrorCode <= kExprErrorsLast) LastErrorCode = 0;
    auto expr = std::make_unique<CompiledExpr>();
    if (text.size() > static_cast<std::size_t>(kExprMaxText)) {
        // The input holds 255 characters; a longer text is refused, never cut.
        ReportCompileFailure(text, "Expression longer than 255 characters", "");
        return nullptr;
    }
    Compiler c(*expr, text);
    try {
        c.Run();
    } catch (const CompileError& e) {
        const std::string excerpt = c.Excerpt();
        expr.reset();
        ReportCompileFailure(text, e.message, excerpt);
        return nullptr;
    }
    expr->Text = text;
    int poolSize = c.poolSize_;
    if (c.resultType_ == kTypeM) poolSize = kMemoPoolSize;
    poolSize = std::clamp(poolSize, 0, 65535);
    expr->PoolSize = static_cast<std::uint16_t>(poolSize);
    expr->Pool.assign(static_cast<std::size_t>(poolSize) + 1, 0);
    expr->Work.resize(static_cast<std::size_t>(std::max(c.maxWork_, 1)));
    expr->ResultType = TypeLetter(c.resultType_);
    expr->ResultDecimals = 0;
    switch (expr->ResultType) {
    case 'C':
        expr->Result = expr->Pool.data();
        expr->ResultLength =
            poolSize == c.lengthTracker_ + 1 ? static_cast<std::uint16_t>(c.lengthTracker_) : 0;
        break;
    case 'N': {
        const int decimals = c.decimalsTracker_ < 19 ? c.decimalsTracker_ : kDefaultDecimals;
        int length = c.lengthTracker_;
        if (length < decimals + 2) length = 0;
        expr->ResultDecimals = static_cast<std::uint8_t>(decimals);
        expr->ResultLength = static_cast<std::uint16_t>(length != 0 ? length : decimals + 11);
        expr->Result = &expr->Work[0].Num;
        break;
    }
    case 'D':
        expr->ResultLength = 8;
        expr->Result = &expr->Work[0].Num;
        break;
    case 'L':
        expr->ResultLength = 1;
        expr->Result = &expr->Work[0].Int;
        break;
    default: // M
        expr->Result = expr->Pool.data();
        expr->ResultLength = static_cast<std::uint16_t>(poolSize);
        break;
    }
    return expr.release();
}

void FreeExpr(CompiledExpr*& expr) {
    if (expr == nullptr) return;
    if (CurrentExpr == expr) CurrentExpr = nullptr;
    if (EvaluatedExpr() == expr) SetCurrentExpr(nullptr);
    delete expr;
    expr = nullptr;
}

std::string ExprText(CompiledExpr* expr) {
    return expr == nullptr ? std::string() : expr->Text;
}

const void* EvaluateExpr(CompiledExpr* expr) {
    if (expr == nullptr) return nullptr;
    SetCurrentExpr(expr);
    Evaluate();
    return expr->Result;
}

bool EvaluateLogical(CompiledExpr* expr) {
    if (expr == nullptr || expr->ResultType != 'L') return false;
    const void* r = EvaluateExpr(expr);
    return r != nullptr && *static_cast<const std::int32_t*>(r) != 0;
}

const void* EvaluateCurrent() {
    return EvaluateExpr(CurrentExpr);
}

namespace {
const void* EvaluateExprHook(CompiledExpr* expr) {
    return EvaluateExpr(expr);
}
} // namespace

void InitParser() {
    ParserHooks.AssignExpr = &AssignExpr;
    ParserHooks.FreeExpr = &FreeExpr;
    ParserHooks.EvaluateExpr = &EvaluateExprHook;
    ParserHooks.ExprText = &ExprText;
    ParserHooks.EvaluateLogical = &EvaluateLogical;
    EvaluateCurrentHook = &EvaluateCurrent;
    ParserLinked = true;
}

namespace {
// The unit fills its hooks when the program starts, as the engine's other units do.
const bool kParserInstalled = (InitParser(), true);
} // namespace

} // namespace dbf
