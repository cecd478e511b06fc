// The expression evaluator of unit `zazavizi`: a stack machine over typed values with the
// expression's working pool as a stack of texts. Nothing is allocated once an expression has been
// compiled: the work stack is sized for the code's deepest point and the pool for its texts.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "dbf/table/work_areas.h"
#include "dbf/expr/values.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/text.h"
#include "dbf/expr/expression.h"

namespace dbf {

namespace {

CompiledExpr* g_expr = nullptr;
// The code page of the texts of the running evaluation: the current area's (its fields are the
// unqualified ones); a field of an area in another page comes in converted, and UPPER and LOWER
// follow this page's case rules.
os::CodePage g_page = os::CodePage::Cp1252;

constexpr std::size_t kScratch = 255; // characters of a text built by an operation
char g_scratch[kScratch + 1];
char g_empty[1] = {0}; // a text that could not get room in the pool

const char kBlanks[256] = {
#define B8 ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '
#define B64 B8, B8, B8, B8, B8, B8, B8, B8
    B64, B64, B64, B64
#undef B64
#undef B8
};

bool ValidType(std::int32_t t) {
    return t >= kTypeC && t <= kTypeM;
}

void ReportUnknownType(const char* routine) {
    SetError(
        kErrValueType,
        std::string("Unknown data type (none of \"C\", \"D\", \"F\", \"L\", \"M\" or \"N\") [") +
            routine + "]");
}

ExprItem& PushSlot(CompiledExpr& e) {
    if (e.WorkTop >= e.Work.size()) {
        // The stack is sized at compile time; growing only happens for hand-built code.
        e.Work.resize(e.Work.size() * 2 + 4);
        if (e.ResultType == 'N' || e.ResultType == 'D') e.Result = &e.Work[0].Num;
        if (e.ResultType == 'L') e.Result = &e.Work[0].Int;
    }
    ExprItem& it = e.Work[e.WorkTop++];
    it.Op = 0;
    it.Count = 0;
    return it;
}

bool InPool(const CompiledExpr& e, const char* p) {
    return !e.Pool.empty() && p >= e.Pool.data() && p < e.Pool.data() + e.Pool.size();
}

// Copies n bytes of p (may lie in the pool above the free position) and a zero into the pool.
void PushText(CompiledExpr& e, std::int32_t type, const char* p, std::size_t n) {
    ExprItem& it = PushSlot(e);
    it.Type = type;
    const std::size_t room = e.PoolSize > e.PoolNext ? e.PoolSize - e.PoolNext : 0;
    if (n + 1 > room) {
        // Never past the pool: what fits (the guard byte holds the last zero).
        const std::size_t physical = e.Pool.size() > e.PoolNext ? e.Pool.size() - e.PoolNext : 0;
        n = physical > 0 ? std::min(n, physical - 1) : 0;
        if (physical == 0) {
            it.Str = g_empty;
            it.Len = 0;
            SetError(kErrPoolOverflow, "Working pool overflow [PARSER/Allocate]");
            return;
        }
        char* dst = e.Pool.data() + e.PoolNext;
        std::memmove(dst, p, n);
        dst[n] = 0;
        it.Str = dst;
        it.Len = static_cast<std::uint32_t>(std::strlen(dst));
        e.PoolNext += n + 1;
        SetError(kErrPoolOverflow, "Working pool overflow [PARSER/Allocate]");
        return;
    }
    char* dst = e.Pool.data() + e.PoolNext;
    std::memmove(dst, p, n);
    dst[n] = 0;
    const void* z = std::memchr(dst, 0, n);
    it.Str = dst;
    it.Len = static_cast<std::uint32_t>(z == nullptr ? n : static_cast<const char*>(z) - dst);
    e.PoolNext += n + 1;
}

void PushNum(CompiledExpr& e, std::int32_t type, double v) {
    ExprItem& it = PushSlot(e);
    it.Type = type;
    it.Num = v;
}

void PushInt(CompiledExpr& e, std::int32_t type, std::int32_t v) {
    ExprItem& it = PushSlot(e);
    it.Type = type;
    it.Int = v;
}

ExprItem Pop(CompiledExpr& e) {
    if (e.WorkTop == 0) return ExprItem{0, 0, kTypeN, 0, 0, g_empty, 0};
    const ExprItem it = e.Work[--e.WorkTop];
    if ((it.Type == kTypeC || it.Type == kTypeM) && InPool(e, it.Str))
        e.PoolNext = static_cast<std::size_t>(it.Str - e.Pool.data());
    return it;
}

ExprItem* Top(CompiledExpr& e) {
    return e.WorkTop == 0 ? nullptr : &e.Work[e.WorkTop - 1];
}

// The text of an item, at most 255 characters.
std::string_view TextOf(const ExprItem& it) {
    if (it.Str == nullptr) return {};
    return std::string_view(it.Str, std::min<std::size_t>(it.Len, kScratch));
}

// trunc(v) as an integer within [lo, hi]; NaN counts as 0.
long long Whole(double v, long long lo, long long hi) {
    if (std::isnan(v)) return 0;
    if (v <= static_cast<double>(lo)) return lo;
    if (v >= static_cast<double>(hi)) return hi;
    return static_cast<long long>(std::trunc(v));
}

int CompareTexts(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
    if (c != 0) return c < 0 ? -1 : 1;
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// Builds a text of up to 255 characters in the scratch buffer.
class Builder {
public:
    void Add(std::string_view s) {
        const std::size_t n = std::min(s.size(), kScratch - n_);
        std::memcpy(g_scratch + n_, s.data(), n);
        n_ += n;
    }
    void Fill(char c, long long count) {
        const std::size_t n =
            std::min(static_cast<std::size_t>(std::max(count, 0LL)), kScratch - n_);
        std::memset(g_scratch + n_, c, n);
        n_ += n;
    }
    void Push(CompiledExpr& e) { PushText(e, kTypeC, g_scratch, n_); }

private:
    std::size_t n_ = 0;
};

// The top text, read from a field of area a, in the evaluation's page.
void IntoEvaluationPage(CompiledExpr& e, std::uint8_t a) {
    const TWorkArea* w = WorkAreaSlot(a >= 33 ? CurrentAreaNo : a);
    ExprItem* top = Top(e);
    if (w == nullptr || w->Page == g_page || top == nullptr || !InPool(e, top->Str)) return;
    const os::ByteTable& cross = os::CrossTable(w->Page, g_page);
    char* p = const_cast<char*>(top->Str);
    for (std::uint32_t k = 0; k < top->Len; ++k)
        p[k] = static_cast<char>(cross[static_cast<unsigned char>(p[k])]);
}

void ReadField(CompiledExpr& e, std::int32_t opcode, std::int32_t fieldNo, std::int32_t area) {
    FieldValue v;
    const auto f = static_cast<std::uint8_t>(std::clamp(fieldNo, 0, 255));
    const auto a = static_cast<std::uint8_t>(std::clamp(area, 0, 255));
    ReadFieldValue(f, a, v);
    const std::int32_t type = kTypeC + (opcode - 321) % 5;
    if (v.Type != type) {
        // The table changed under the expression: a blank of the compiled type.
        v = FieldValue{};
        v.Type = type;
        v.Text = kBlanks;
    }
    switch (type) {
    case kTypeC:
        PushText(e, kTypeC, v.Text, v.Length);
        IntoEvaluationPage(e, a);
        return;
    case kTypeN:
    case kTypeD:
        PushNum(e, type, v.Num);
        return;
    case kTypeL:
        PushInt(e, kTypeL, v.Int);
        return;
    default: {
        // Memo: its text through the memo layer, the field's area current for the call.
        if (MemoTextHook == nullptr || v.Int == 0) {
            PushText(e, kTypeM, "", 0);
            return;
        }
        std::string text;
        {
            CurrentAreaGuard guard;
            if (a >= 1 && a < kUserAreas) CurrentAreaNo = a;
            MemoTextHook(v.Int, text);
        }
        // A memo longer than the pool is cut one byte before the pool's end (room for the zero).
        const std::size_t room = e.PoolSize > e.PoolNext ? e.PoolSize - e.PoolNext - 1 : 0;
        PushText(e, kTypeM, text.data(), std::min(text.size(), room));
        IntoEvaluationPage(e, a);
        return;
    }
    }
}

void DivideByZero() {
    SetError(kErrExprDivideByZero, "Error during evaluation: Divide by 0 [Evaluate/Engine]");
}

double JulianToday() {
    const TzDate d = TzGetDate();
    return JulianFromYMD(d.year, d.month, d.day);
}

// The display text of a date with four-digit years, for the day and month names.
std::string FourDigitDateText(double j) {
    const bool saved = FourDigitYears;
    FourDigitYears = true;
    std::string s;
    try {
        s = JulianToDateText(j);
    } catch (...) {
        FourDigitYears = saved;
        throw;
    }
    FourDigitYears = saved;
    return s;
}

// ABS, INT, ROUND, MOD, MAX, MIN, VAL, LEN, ASC, AT, RECNO.
bool RunNumberFunction(CompiledExpr& e, const ExprItem& op) {
    switch (op.Op) {
    case 257: { // ABS
        const double a = Pop(e).Num;
        PushNum(e, kTypeN, std::fabs(a));
        return true;
    }
    case 284: { // INT
        const double a = Pop(e).Num;
        PushNum(e, kTypeN, std::trunc(a));
        return true;
    }
    case 303: { // ROUND: half away from zero at d places, on the decimal text
        const double d = Pop(e).Num;
        const double n = Pop(e).Num;
        PushNum(e, kTypeN, RoundDecimal(n, static_cast<int>(Whole(d, -320, 255))));
        return true;
    }
    case 296: { // MOD: the remainder takes the sign of a
        const double b = std::trunc(Pop(e).Num);
        const double a = std::trunc(Pop(e).Num);
        if (b == 0 || std::isnan(b)) {
            DivideByZero();
            PushNum(e, kTypeN, 0);
            return true;
        }
        PushNum(e, kTypeN, std::fmod(a, b));
        return true;
    }
    case 294:   // MAX
    case 295: { // MIN; a tie gives b
        const ExprItem b = Pop(e);
        const ExprItem a = Pop(e);
        const bool takeA = op.Op == 294 ? a.Num > b.Num : a.Num < b.Num;
        PushNum(e, a.Type, takeA ? a.Num : b.Num);
        return true;
    }
    case 319: { // VAL: the leading number of the text, 0 when there is none
        const ExprItem s = Pop(e);
        std::string_view t = TextOf(s);
        while (!t.empty() && t.back() == ' ')
            t.remove_suffix(1);
        while (!t.empty() && t.front() == ' ')
            t.remove_prefix(1);
        if (!t.empty() && t.front() == '+') t.remove_prefix(1);
        double v = 0;
        const std::size_t lead = (!t.empty() && t.front() == '-') ? 1 : 0;
        if (t.size() > lead && ((t[lead] >= '0' && t[lead] <= '9') || t[lead] == '.')) {
            std::from_chars(t.data(), t.data() + t.size(), v);
            if (!std::isfinite(v)) v = 0;
        }
        PushNum(e, kTypeN, v);
        return true;
    }
    case 289: { // LEN
        const ExprItem s = Pop(e);
        PushNum(e, kTypeN, static_cast<double>(s.Len));
        return true;
    }
    case 259: { // ASC (0 for an empty text)
        const ExprItem s = Pop(e);
        PushNum(e, kTypeN,
                s.Len == 0 ? 0.0 : static_cast<double>(static_cast<unsigned char>(s.Str[0])));
        return true;
    }
    case 261: { // AT(s, t)
        const ExprItem t = Pop(e);
        const ExprItem s = Pop(e);
        const std::string_view a = TextOf(s), b = TextOf(t);
        const std::size_t p = a.empty() ? std::string_view::npos : b.find(a);
        PushNum(e, kTypeN, p == std::string_view::npos ? 0.0 : static_cast<double>(p + 1));
        return true;
    }
    case 300: { // RECNO
        const TWorkArea* w = WorkAreaSlot(CurrentAreaNo);
        PushNum(e, kTypeN, w == nullptr ? 0.0 : static_cast<double>(w->RecNo));
        return true;
    }
    default:
        return false;
    }
}
// YEAR, MONTH, DAY, DOW, CDOW, CMONTH, DTOC, DTOS, CTOD, DATE, DELETED.
bool RunDateFunction(CompiledExpr& e, const ExprItem& op) {
    switch (op.Op) {
    case 320:   // YEAR
    case 297:   // MONTH
    case 271:   // DAY
    case 274: { // DOW
        // From the day number itself, so dates outside the two-digit century window keep
        // their year and weekday.
        const double j = Pop(e).Num;
        int y, m, d;
        double v = 0;
        if (JulianToYMD(j, y, m, d)) {
            if (op.Op == 320) v = y;
            if (op.Op == 297) v = m;
            if (op.Op == 271) v = d;
            if (op.Op == 274)
                v = static_cast<double>((static_cast<long long>(std::trunc(j)) + 1) % 7 + 1);
        }
        PushNum(e, kTypeN, v);
        return true;
    }
    case 264:   // CDOW
    case 267: { // CMONTH
        const double j = Pop(e).Num;
        const std::string text = FourDigitDateText(j);
        const std::string name = op.Op == 264 ? CDow(text) : CMonth(text);
        PushText(e, kTypeC, name.data(), std::min(name.size(), kScratch));
        return true;
    }
    case 275: { // DTOC
        const std::string text = JulianToDateText(Pop(e).Num);
        PushText(e, kTypeC, text.data(), text.size());
        return true;
    }
    case 277: { // DTOS
        char out[8];
        JulianToDateChars(Pop(e).Num, out);
        PushText(e, kTypeC, out, 8);
        return true;
    }
    case 269: { // CTOD
        const ExprItem s = Pop(e);
        PushNum(e, kTypeD, DateTextToJulian(TextOf(s).substr(0, 10)));
        return true;
    }
    case 270: // DATE
        PushNum(e, kTypeD, JulianToday());
        return true;
    case 272: { // DELETED
        const TWorkArea* w = WorkAreaSlot(CurrentAreaNo);
        const bool del = w != nullptr && !w->RecordBuffer.empty() && w->RecordBuffer[0] == '*';
        PushInt(e, kTypeL, del ? 1 : 0);
        return true;
    }
    default:
        return false;
    }
}
// Functions that build a new text: STR, SPACE, REPLICATE, CHR, SUBSTR, STUFF, SOUNDEX, IIF.
bool RunTextFunction(CompiledExpr& e, const ExprItem& op) {
    switch (op.Op) {
    case 311: { // STR(n [, w [, d]])
        long long d = 0, w = 10;
        if (op.Count >= 3) d = Whole(Pop(e).Num, 0, 255);
        if (op.Count >= 2) w = Whole(Pop(e).Num, 0, 255);
        const double n = Pop(e).Num;
        char text[kFixedTextMax];
        const std::size_t len = FormatFixed(n, static_cast<int>(d), text);
        Builder b;
        if (len == 0 || len > static_cast<std::size_t>(w)) {
            b.Fill('*', w);
        } else {
            b.Fill(' ', w - static_cast<long long>(len));
            b.Add(std::string_view(text, len));
        }
        b.Push(e);
        return true;
    }
    case 310: { // SPACE
        Builder b;
        b.Fill(' ', Whole(Pop(e).Num, 0, 255));
        b.Push(e);
        return true;
    }
    case 301: { // REPLICATE
        const long long n = Whole(Pop(e).Num, 0, 255);
        const ExprItem s = Pop(e);
        Builder b;
        const std::string_view t = TextOf(s);
        if (!t.empty())
            for (long long i = 0; i < n; ++i)
                b.Add(t);
        b.Push(e);
        return true;
    }
    case 266: { // CHR
        const long long n = Whole(Pop(e).Num, std::numeric_limits<long long>::min(),
                                  std::numeric_limits<long long>::max());
        const char c = static_cast<char>(static_cast<unsigned long long>(n) & 0xFF);
        PushText(e, kTypeC, &c, 1);
        return true;
    }
    case 313: { // SUBSTR(s, i, n)
        const long long n = Whole(Pop(e).Num, -1, 65535);
        long long i = Whole(Pop(e).Num, -1, 65535);
        const ExprItem s = Pop(e);
        const std::string_view t = TextOf(s);
        if (i < 1) i = 1;
        Builder b;
        if (n > 0 && static_cast<std::size_t>(i) <= t.size())
            b.Add(t.substr(static_cast<std::size_t>(i - 1), static_cast<std::size_t>(n)));
        b.Push(e);
        return true;
    }
    case 312: { // STUFF(s, i, n, r)
        const ExprItem r = Pop(e);
        long long n = Whole(Pop(e).Num, 0, 65535);
        const long long i = Whole(Pop(e).Num, -1, 65535);
        const ExprItem s = Pop(e);
        const std::string_view t = TextOf(s), ins = TextOf(r);
        Builder b;
        if (i < 1) {
            b.Add(ins);
            b.Add(t);
        } else if (static_cast<std::size_t>(i) > t.size()) {
            b.Add(t);
            b.Add(ins);
        } else {
            const std::size_t at = static_cast<std::size_t>(i - 1);
            n = std::min<long long>(n, static_cast<long long>(t.size() - at));
            b.Add(t.substr(0, at));
            b.Add(ins);
            b.Add(t.substr(at + static_cast<std::size_t>(n)));
        }
        b.Push(e);
        return true;
    }
    case 308: { // SOUNDEX
        const ExprItem s = Pop(e);
        char out[4];
        SoundexChars(s.Str == nullptr ? "" : s.Str, s.Len, out);
        PushText(e, kTypeC, out, 4);
        return true;
    }
    case 283: { // IIF(c, t, f): both branches were evaluated
        const ExprItem f = Pop(e);
        const ExprItem t = Pop(e);
        const ExprItem c = Pop(e);
        const ExprItem& pick = c.Int != 0 ? t : f;
        PushText(e, kTypeC, pick.Str == nullptr ? "" : pick.Str, pick.Len);
        return true;
    }
    default:
        return false;
    }
}
// Functions that change the top text where it lies: LEFT, RIGHT, UPPER, LOWER, TRIM, RTRIM,
// LTRIM.
bool RunTextInPlaceFunction(CompiledExpr& e, const ExprItem& op) {
    switch (op.Op) {
    case 288:   // LEFT
    case 302: { // RIGHT: both shorten the top text in place
        const long long n = Whole(Pop(e).Num, 0, 65535);
        ExprItem* s = Top(e);
        if (s == nullptr || s->Str == g_empty) return true;
        if (static_cast<std::size_t>(n) < s->Len) {
            char* p = const_cast<char*>(s->Str);
            if (op.Op == 302) std::memmove(p, p + (s->Len - n), static_cast<std::size_t>(n));
            p[n] = 0;
            s->Len = static_cast<std::uint32_t>(n);
        }
        return true;
    }
    case 318:   // UPPER
    case 292: { // LOWER
        ExprItem* s = Top(e);
        if (s == nullptr || s->Str == g_empty) return true;
        char* p = const_cast<char*>(s->Str);
        const os::ByteTable& cases = op.Op == 318 ? os::UpperTable(g_page) : os::LowerTable(g_page);
        for (std::uint32_t k = 0; k < s->Len; ++k)
            p[k] = static_cast<char>(cases[static_cast<unsigned char>(p[k])]);
        return true;
    }
    case 316:   // TRIM
    case 305: { // RTRIM
        ExprItem* s = Top(e);
        if (s == nullptr || s->Str == g_empty) return true;
        char* p = const_cast<char*>(s->Str);
        while (s->Len > 0 && p[s->Len - 1] == ' ')
            --s->Len;
        p[s->Len] = 0;
        return true;
    }
    case 293: { // LTRIM
        ExprItem* s = Top(e);
        if (s == nullptr || s->Str == g_empty) return true;
        char* p = const_cast<char*>(s->Str);
        std::uint32_t k = 0;
        while (k < s->Len && p[k] == ' ')
            ++k;
        std::memmove(p, p + k, s->Len - k + 1);
        s->Len -= k;
        return true;
    }
    default:
        return false;
    }
}
// Unknown function numbers are skipped.
void RunFunction(CompiledExpr& e, const ExprItem& op) {
    if (RunNumberFunction(e, op) || RunDateFunction(e, op) || RunTextFunction(e, op)) return;
    RunTextInPlaceFunction(e, op);
}

void RunOperator(CompiledExpr& e, const ExprItem& op) {
    if (op.Op == 382) { // .NOT.
        ExprItem* a = Top(e);
        if (a != nullptr) a->Int = a->Int != 0 ? 0 : 1;
        return;
    }
    if (op.Op == 383) { // unary minus
        ExprItem* a = Top(e);
        if (a != nullptr) a->Num = -a->Num;
        return;
    }
    const ExprItem b = Pop(e);
    const ExprItem a = Pop(e);
    switch (op.Op) {
    case 347:
        PushNum(e, kTypeN, a.Num + b.Num);
        return;
    case 348:
    case 349:
        PushNum(e, kTypeD, a.Num + b.Num);
        return;
    case 350: { // text + text
        Builder s;
        s.Add(TextOf(a));
        s.Add(TextOf(b));
        s.Push(e);
        return;
    }
    case 351:
        PushNum(e, kTypeN, a.Num - b.Num);
        return;
    case 352:
        PushNum(e, kTypeD, a.Num - b.Num);
        return;
    case 353:
        PushNum(e, kTypeN, a.Num - b.Num);
        return;
    case 354: { // text - text: a's trailing blanks move to the end
        const std::string_view x = TextOf(a), y = TextOf(b);
        std::size_t keep = x.size();
        while (keep > 0 && x[keep - 1] == ' ')
            --keep;
        Builder s;
        s.Add(x.substr(0, keep));
        s.Add(y);
        s.Fill(' ', static_cast<long long>(x.size() - keep));
        s.Push(e);
        return;
    }
    case 355:
        PushNum(e, kTypeN, a.Num * b.Num);
        return;
    case 356:
        if (b.Num == 0) {
            DivideByZero();
            PushNum(e, kTypeN, 1e250);
            return;
        }
        PushNum(e, kTypeN, a.Num / b.Num);
        return;
    case 357: {
        // pow keeps exact powers exact (2^3 is 8, not 7.999...) and takes negative bases with
        // whole exponents; what has no real value gives 0.
        double v = std::pow(a.Num, b.Num);
        if (std::isnan(v)) v = 0;
        PushNum(e, kTypeN, v);
        return;
    }
    case 358:
    case 359:
        PushInt(e, kTypeL, a.Num == b.Num ? 1 : 0);
        return;
    case 360: { // a begins with b
        const std::string_view x = TextOf(a), y = TextOf(b);
        PushInt(e, kTypeL, !y.empty() && x.substr(0, y.size()) == y ? 1 : 0);
        return;
    }
    case 361:
        PushInt(e, kTypeL, (a.Int != 0) == (b.Int != 0) ? 1 : 0);
        return;
    case 362:
        PushInt(e, kTypeL, TextOf(a) == TextOf(b) ? 1 : 0);
        return;
    case 363: { // a within b
        const std::string_view x = TextOf(a), y = TextOf(b);
        PushInt(e, kTypeL, !x.empty() && y.find(x) != std::string_view::npos ? 1 : 0);
        return;
    }
    case 364:
    case 365:
        PushInt(e, kTypeL, a.Num > b.Num ? 1 : 0);
        return;
    case 366:
        PushInt(e, kTypeL, CompareTexts(TextOf(a), TextOf(b)) > 0 ? 1 : 0);
        return;
    case 367:
    case 368:
        PushInt(e, kTypeL, a.Num < b.Num ? 1 : 0);
        return;
    case 369:
        PushInt(e, kTypeL, CompareTexts(TextOf(a), TextOf(b)) < 0 ? 1 : 0);
        return;
    case 370:
    case 371:
        PushInt(e, kTypeL, a.Num != b.Num ? 1 : 0);
        return;
    case 372:
        PushInt(e, kTypeL, TextOf(a) != TextOf(b) ? 1 : 0);
        return;
    case 373:
        PushInt(e, kTypeL, (a.Int != 0) != (b.Int != 0) ? 1 : 0);
        return;
    case 374:
    case 375:
        PushInt(e, kTypeL, a.Num <= b.Num ? 1 : 0);
        return;
    case 376:
        PushInt(e, kTypeL, CompareTexts(TextOf(a), TextOf(b)) <= 0 ? 1 : 0);
        return;
    case 377:
    case 378:
        PushInt(e, kTypeL, a.Num >= b.Num ? 1 : 0);
        return;
    case 379:
        PushInt(e, kTypeL, CompareTexts(TextOf(a), TextOf(b)) >= 0 ? 1 : 0);
        return;
    case 380:
        PushInt(e, kTypeL, (a.Int != 0 || b.Int != 0) ? 1 : 0);
        return;
    case 381:
        PushInt(e, kTypeL, (a.Int != 0 && b.Int != 0) ? 1 : 0);
        return;
    default:
        return;
    }
}

} // namespace

bool ReadFieldValue(std::uint8_t fieldNo, std::uint8_t area, FieldValue& out) {
    out = FieldValue{};
    out.Text = kBlanks;
    const TWorkArea* w = WorkAreaSlot(area >= 33 ? CurrentAreaNo : area);
    if (w == nullptr || fieldNo == 0 || fieldNo > w->Fields.size()) return false;
    const TDbfFieldDesc& f = w->Fields[fieldNo - 1];
    switch (f.Type) {
    case 'C':
        out.Type = kTypeC;
        out.Length = f.Length;
        break;
    case 'N':
    case 'F':
        out.Type = kTypeN;
        break;
    case 'L':
        out.Type = kTypeL;
        break;
    case 'D':
        out.Type = kTypeD;
        break;
    case 'M':
        out.Type = kTypeM;
        break;
    default:
        return false;
    }
    if (w->RecordCount <= 0) return true; // no record: the blank of the type
    if (w->IsVirtual) {
        if (w->FieldVars == nullptr) return true;
        const std::size_t at = FieldVarOffset(w->Fields, fieldNo);
        if (at + FieldVarSize(f) > w->FieldVarsSize) return true;
        const std::uint8_t* p = w->FieldVars + at;
        switch (f.Type) {
        case 'C':
            out.Text = reinterpret_cast<const char*>(p + 1);
            out.Length = std::min<std::size_t>(p[0], f.Length);
            break;
        case 'D': {
            const std::string s = BlockDateToDbfText(GetVarString(p));
            out.Num = DateStrToJulian(s);
            break;
        }
        case 'N':
        case 'F':
            out.Num = f.Decimals > 0 ? GetVarDouble(p) : static_cast<double>(GetVarInt64(p));
            break;
        case 'L':
            out.Int = GetVarBool(p) ? 1 : 0;
            break;
        default:
            out.Int = GetVarInt32(p);
            break;
        }
        return true;
    }
    if (static_cast<std::size_t>(f.Offset) + f.Length > w->RecordBuffer.size()) return true;
    const char* p = w->RecordBuffer.data() + f.Offset;
    const std::string_view text(p, f.Length);
    switch (f.Type) {
    case 'C':
        out.Text = p;
        break;
    case 'D':
        out.Num = DateStrToJulian(text);
        break;
    case 'N':
    case 'F':
        out.Num = FieldTextToDouble(text);
        break;
    case 'L': {
        const char c = f.Length > 0 ? UpCaseChar(p[0]) : ' ';
        out.Int = (c == 'Y' || c == 'T') ? 1 : 0;
        break;
    }
    default:
        out.Int = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(FieldTextToInt64(text), INT32_MIN, INT32_MAX));
        break;
    }
    return true;
}

CompiledExpr* EvaluatedExpr() {
    return g_expr;
}

void SetCurrentExpr(CompiledExpr* expr) {
    g_expr = expr;
    if (expr == nullptr) return;
    expr->PoolNext = 0;
    expr->WorkTop = 0;
}

void Evaluate() {
    CompiledExpr* e = g_expr;
    if (e == nullptr) return;
    const TWorkArea* home = WorkAreaSlot(CurrentAreaNo);
    g_page = home != nullptr ? home->Page : os::CodePage::Cp1252;
    e->PoolNext = 0;
    e->WorkTop = 0;
    for (const ExprItem& it : e->Code) {
        if (it.Op == -1) break;
        if (it.Op == 0) {
            if (it.Type == kTypeC || it.Type == kTypeM)
                PushText(*e, it.Type, it.Str == nullptr ? "" : it.Str, it.Len);
            else if (it.Type == kTypeN || it.Type == kTypeD)
                PushNum(*e, it.Type, it.Num);
            else
                PushInt(*e, it.Type, it.Int);
            continue;
        }
        if (it.Op >= 321 && it.Op <= 330) {
            std::int32_t area = 33;
            if (it.Op >= 326) area = Pop(*e).Int;
            const std::int32_t field = Pop(*e).Int;
            ReadField(*e, it.Op, field, area);
        } else if (it.Op >= 347 && it.Op <= 383) {
            RunOperator(*e, it);
        } else if (it.Op >= 257 && it.Op <= 320) {
            RunFunction(*e, it);
        }
    }
}

void PushSD(std::int32_t type, const ExprItem& value) {
    if (!ValidType(type)) {
        ReportUnknownType("PARSER/PushSD");
        return;
    }
    if (g_expr == nullptr) return;
    ExprItem it = value;
    it.Op = 0;
    it.Type = type;
    g_expr->Code.push_back(it);
}

void EmitOp(std::int32_t opcode, std::int32_t count) {
    if (g_expr == nullptr) return;
    ExprItem it;
    it.Op = opcode;
    it.Count = count;
    g_expr->Code.push_back(it);
}

void PushWD(std::int32_t type, const ExprItem& value, std::size_t length) {
    if (!ValidType(type)) {
        ReportUnknownType("PARSER/PushWD");
        return;
    }
    if (g_expr == nullptr) return;
    if (type == kTypeC || type == kTypeM) {
        const char* s = value.Str == nullptr ? "" : value.Str;
        const std::size_t n = length == 0 ? std::strlen(s) : length - 1;
        PushText(*g_expr, type, s, n);
    } else if (type == kTypeL) {
        PushInt(*g_expr, type, value.Int);
    } else {
        PushNum(*g_expr, type, value.Num);
    }
}

const ExprItem* PopWD() {
    if (g_expr == nullptr || g_expr->WorkTop == 0) return nullptr;
    const ExprItem& it = g_expr->Work[g_expr->WorkTop - 1];
    if (!ValidType(it.Type)) {
        ReportUnknownType("PARSER/PopWD");
        --g_expr->WorkTop;
        return nullptr;
    }
    Pop(*g_expr);
    return &g_expr->Work[g_expr->WorkTop]; // stays readable until the next push
}

char* TopText() {
    if (g_expr == nullptr) return nullptr;
    ExprItem* t = Top(*g_expr);
    if (t == nullptr || (t->Type != kTypeC && t->Type != kTypeM)) return nullptr;
    return const_cast<char*>(t->Str);
}

} // namespace dbf
