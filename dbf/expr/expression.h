#pragma once
// dBASE expressions (unit `zazavizi`): the compiler (text -> code list in postfix order, checked
// types, result type, key length and decimals) and the evaluator (runs the code list for the
// current records of the work areas). Index keys, filters and WHILE conditions come from here.
//
// The work-area commands and the index engine reach this unit through ParserHooks (hooks.h),
// which InitParser fills at start.
//
// Value forms during evaluation: C a zero-terminated text in the expression's working pool;
// N and D a double (D a Julian day number, 0 blank); L a 32-bit integer (1 true, 0 false);
// M the memo text in the working pool.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace dbf {

// Type codes of values (also the token numbers of the literals).
enum : std::int32_t {
    kTypeC = 331,
    kTypeN = 332,
    kTypeL = 333,
    kTypeD = 334,
    kTypeM = 335,
};

inline constexpr int kDefaultDecimals = 2;
inline constexpr int kMemoPoolSize = 256;
inline constexpr int kExprMaxText = 255;     // characters of an expression text
inline constexpr int kParserStackSize = 150; // parser states before "Parser_stack_overflow"

// One item of a code list or of the work stack. Op: 0 operand, -1 end, else the opcode.
struct ExprItem {
    std::int32_t Op = 0;
    std::int32_t Count = 0;
    std::int32_t Type = 0;
    double Num = 0;            // N and D
    std::int32_t Int = 0;      // L and integer operands
    const char* Str = nullptr; // C and M: the text (a literal, or in the working pool)
    std::uint32_t Len = 0;     // its length (up to the first zero byte)
};

struct CompiledExpr {
    CompiledExpr() = default;
    // Code items and results point into the expression's own storage.
    CompiledExpr(const CompiledExpr&) = delete;
    CompiledExpr& operator=(const CompiledExpr&) = delete;

    std::string Text;      // the expression as given
    char ResultType = 'C'; // C, N, L, D or M
    std::uint16_t ResultLength = 0;
    std::uint8_t ResultDecimals = 0;
    const void* Result = nullptr;     // the value after evaluation (see the unit's notes)
    std::deque<std::string> Literals; // string literals (stable addresses)
    std::vector<ExprItem> Code;       // ends with the end item
    std::vector<ExprItem> Work;       // work stack, sized for the deepest point of the code
    std::size_t WorkTop = 0;          // items in use
    std::uint16_t PoolSize = 0;
    std::vector<char> Pool;   // PoolSize bytes and one guard byte
    std::size_t PoolNext = 0; // first free byte
};

// ---- compiler ----
// Compiles text against the current work area and the aliases of areas 1..32; nullptr (with the
// error reported) when it cannot.
CompiledExpr* AssignExpr(const std::string& text);
void FreeExpr(CompiledExpr*& expr);
// Evaluates expr for the current records; the result pointer (nullptr for nullptr).
const void* EvaluateExpr(CompiledExpr* expr);
std::string ExprText(CompiledExpr* expr);
// The value of a logical expression (false for any other result type or nullptr).
bool EvaluateLogical(CompiledExpr* expr);

// The engine's current expression (the index engine sets it after AssignExpr) and its
// evaluation.
extern CompiledExpr* CurrentExpr;
const void* EvaluateCurrent();
using EvaluateCurrentProc = const void* (*)();
extern EvaluateCurrentProc EvaluateCurrentHook;
// Set by InitParser; the index engine refuses dBASE key expressions while it is clear.
extern bool ParserLinked;
// Fills ParserHooks and EvaluateCurrentHook, sets ParserLinked (runs once at start; tests call
// it again after ClearEngineHooks).
void InitParser();

// ---- evaluator ----
void SetCurrentExpr(CompiledExpr* expr);
// The expression Evaluate runs (nullptr when none).
CompiledExpr* EvaluatedExpr();
void Evaluate();
// Code items at compile time, work-stack values at run time, on the current expression.
void PushSD(std::int32_t type, const ExprItem& value);
void EmitOp(std::int32_t opcode, std::int32_t count);
void PushWD(std::int32_t type, const ExprItem& value, std::size_t length);
const ExprItem* PopWD();
char* TopText();

// A field's value in evaluator form. Area 33 or more means the current work area. False (and
// out left at the blank of its type) when the area or the field is gone.
struct FieldValue {
    std::int32_t Type = kTypeC;
    const char* Text = nullptr; // C: the field's bytes (Length of them), not zero-terminated
    std::size_t Length = 0;
    double Num = 0;       // N, D
    std::int32_t Int = 0; // L, M (block number)
};
bool ReadFieldValue(std::uint8_t fieldNo, std::uint8_t area, FieldValue& out);

// Memo text for M fields: the lines of memo `block` of the current work area appended without
// line separators. Installed by the memo layer; without it an M field evaluates to "".
using MemoTextProc = bool (*)(std::int32_t block, std::string& text);
extern MemoTextProc MemoTextHook;

} // namespace dbf
