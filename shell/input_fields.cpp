#include "shell/input_fields.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/help.h"
#include "framework/ui/message_help.h"
#include "framework/ui/questions.h"
#include "platform/gui/grids.h"

CalculateFunc CalculateInput = &CalculateGears;

namespace {

bool Imperial() {
    return UnitSystem == 1;
}

// The value of a typed text in the field's own terms (mm for lengths); false when the text is
// no finite number of the field's kind.
bool ParseTyped(TValueKind kind, std::string_view text, long double& v) {
    bool ok = false;
    long double r = ParseReal(text, ok);
    if (!ok || !std::isfinite(r)) return false;
    switch (kind) {
    case TValueKind::Length:
        r = Imperial() ? r * 25.4L : r;
        if (!std::isfinite(r)) return false;
        break;
    case TValueKind::Integer:
        if (r != nearbyintl(r)) return false;
        break;
    case TValueKind::Rounded:
        if (fabsl(r) > 1e18L) return false;
        r = roundl(r);
        break;
    case TValueKind::Real:
        break;
    }
    v = r + 0.0L; // "-0" is 0
    return true;
}

// A limit as the field shows values (tiny ones in engineering form, not as "0"), rounded
// towards the inside of the range (up: a lower end) so that the field takes the value it names:
// in inch 39.37007, not 39.37008 (1000.0002 mm).
std::string RangeText(TValueKind kind, long double v, bool up) {
    if (kind == TValueKind::Integer || kind == TValueKind::Rounded)
        return IntToString(static_cast<long long>(v));
    const auto shown = [](long double u) {
        return u != 0 && fabsl(u) < 0.001L ? FloatToStrSig3Eng(u) : FloatToStrSig6(u);
    };
    long double u = kind == TValueKind::Length && Imperial() ? v / 25.4L : v;
    std::string text = shown(u);
    for (int n = 0; n < 20; ++n) {
        long double typed = 0;
        if (!ParseTyped(kind, text, typed) || (up ? typed >= v : typed <= v)) break;
        // One unit of the last digit shown further in.
        const std::size_t e = text.find_first_of("Ee"), dot = text.find('.');
        const std::size_t end = e == std::string::npos ? text.size() : e;
        const int decimals = dot == std::string::npos || dot > end ? 0 : int(end - dot - 1);
        const int exponent = e == std::string::npos ? 0 : std::stoi(text.substr(e + 1));
        u += (up ? 1 : -1) * powl(10.0L, exponent - decimals);
        text = shown(u);
    }
    return text;
}

// "Valid Data are: ..." of a range: "5 .. 45 (not 5)", "-10000 .. -2, 2 .. 10000",
// "0, 1E-6 .. 1E8".
std::string ValidDataText(TValueKind kind, const TInputRange& r) {
    auto interval = [&](long double lo, long double hi, bool loOpen, bool hiOpen) {
        const std::string from = RangeText(kind, lo, true), to = RangeText(kind, hi, false);
        std::string s = from + " .. " + to;
        if (loOpen && hiOpen)
            s += " (not " + from + ", not " + to + ")";
        else if (loOpen || hiOpen)
            s += " (not " + (loOpen ? from : to) + ")";
        return s;
    };
    std::string text;
    auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (r.MinMagnitude <= 0) {
        add(interval(r.Lo, r.Hi, r.LoOpen, r.HiOpen));
        if (!r.ZeroAllowed && r.Lo <= 0 && r.Hi >= 0) text += " (not 0)";
        return "Valid Data are: " + text + " !";
    }
    if (r.Lo < 0) add(interval(r.Lo, -r.MinMagnitude, r.LoOpen, false));
    if (r.ZeroAllowed && r.Lo <= 0 && r.Hi >= 0) add("0");
    if (r.Hi > 0) add(interval(std::max(r.Lo, r.MinMagnitude), r.Hi, false, r.HiOpen));
    return "Valid Data are: " + text + " !";
}

} // namespace

bool TInputRange::Contains(long double v) const {
    if (LoOpen ? !(v > Lo) : !(v >= Lo)) return false;
    if (HiOpen ? !(v < Hi) : !(v <= Hi)) return false;
    if (v == 0) return ZeroAllowed;
    return !(fabsl(v) < MinMagnitude);
}

// ---- TValueEdit --------------------------------------------------------------------------------

TValueEdit::TValueEdit(TComponent* owner, std::string_view name, TValueKind kind, TInputRange range)
    : TEdit(owner), FKind(kind), FRange(range) {
    SetName(name);
}

void TValueEdit::ShowValue(long double v, std::string_view text) {
    // Remembered before the text changes: OnChange handlers already read the exact value.
    FShownText = text;
    FShownValue = v;
    SetText(text);
    FShownText = Text();
}

long double TValueEdit::Peek() const {
    if (Text() == FShownText) return FShownValue;
    long double v = 0.0L;
    return ParseTyped(FKind, Text(), v) ? v : 0.0L;
}

bool TValueEdit::TryValue(long double& v) const {
    if (Text() == FShownText) {
        v = FShownValue;
        return true;
    }
    long double typed = 0.0L;
    if (!ParseTyped(FKind, Text(), typed) || !FRange.Contains(typed)) return false;
    v = typed;
    return true;
}

bool TValueEdit::ReadValue(long double& v) {
    if (TryValue(v)) return true;
    long double typed = 0.0L;
    std::string problem = "Invalid Input \"" + Text() + "\" !";
    if (ParseTyped(FKind, Text(), typed)) problem = ValidDataText(FKind, FRange);
    std::string name;
    if (Caption != nullptr)
        for (char c : Caption->Caption())
            if (c != '&') name += c;
    if (!FieldName.empty()) name += (name.empty() ? "" : " ") + FieldName;
    ShowErrorBox(name.empty() ? problem : name + ": " + problem);
    if (Showing() && Enabled()) SetFocus();
    return false;
}

bool ReadValues(std::initializer_list<TValueTarget> fields, bool report) {
    std::vector<long double> values;
    for (const TValueTarget& f : fields) {
        long double v = 0.0L;
        if (!(report ? f.Edit->ReadValue(v) : f.Edit->TryValue(v))) return false;
        values.push_back(v);
    }
    std::size_t i = 0;
    for (const TValueTarget& f : fields) {
        const long double v = values[i++];
        if (f.Real != nullptr) *f.Real = v;
        if (f.Whole != nullptr) *f.Whole = static_cast<std::int32_t>(v);
    }
    return true;
}

// ---- proposals ----------------------------------------------------------------------------------

std::string Sig3Towards(long double v, bool up) {
    if (!std::isfinite(v)) return {};
    if (v == 0) return "0";
    // A point of the grid of the digits shown, rounded towards the safe side: the finest grid
    // whose points FloatToStrSig3 shows as they are (a value between them may show with a digit
    // less).
    long double unit = powl(10.0L, floorl(log10l(fabsl(v))) - 4);
    for (int n = 0; n < 6; ++n, unit *= 10) {
        const long double grid = (up ? ceill(v / unit) : floorl(v / unit)) * unit;
        const std::string text = FloatToStrSig3(grid);
        bool ok = false;
        const long double shown = ParseReal(text, ok);
        if (ok && fabsl(shown - grid) <= 1e-6L * unit && (up ? shown >= v : shown <= v))
            return text;
    }
    return {};
}

std::string FigureTowards(long double v, bool up) {
    const std::string text = Sig3Towards(v, up);
    return text.empty() || (text == "0" && v != 0) ? FloatToStrSig3Eng(v) : text;
}

std::string LengthTowards(long double mm, bool up) {
    if (UnitSystem != 1) return Sig3Towards(mm, up);
    const long double in = mm / 25.4L * 1e4L;
    if (!std::isfinite(in)) return {};
    return FloatToStrDec(4, (up ? ceill(in) : floorl(in)) / 1e4L);
}

std::string LengthInMessage(long double mm) {
    const long double v = Imperial() ? mm / 25.4L : mm;
    std::string text = FloatToStrSig3(v);
    if (std::isfinite(v) && v != 0 && (Imperial() || !(fabsl(v) > 1e-5L))) {
        const int decimals = 2 - static_cast<int>(floorl(log10l(fabsl(v))));
        const int shown = Imperial() ? 4 : 0; // the decimals of the inch edits
        text = FloatToStrDec(std::max(decimals, shown), v);
        // Three significant digits: zeros beyond them and beyond the edits' go.
        while (decimals > shown && text.size() > 1 && text.back() == '0' &&
               text.find('.') != std::string::npos &&
               text.size() - text.find('.') - 1 > static_cast<std::size_t>(shown))
            text.pop_back();
    }
    return text + " " + LengthUnitText();
}

bool ProposalCalculationHeld() {
    if (CalcErrorFlag == 0 && AbortFlag == 0) return true;
    // What stopped the calculation: its fatal messages, else all it said.
    std::string fatal, all;
    for (int i = 1; i <= ErrorCount; ++i) {
        const std::string text = ErrorList[i].str();
        all += (all.empty() ? "" : "\n") + text;
        if (text.rfind("Fatal", 0) == 0) fatal += (fatal.empty() ? "" : "\n") + text;
    }
    const std::string why = !fatal.empty() ? fatal : !all.empty() ? all : "calculation stopped";
    ShowErrorBox("No proposal: the calculation failed.\n" + why);
    return false;
}

TEntriesCalculation CalculateEntries(const std::function<bool()>& store) {
    TScratchGearData scratch;
    TEntriesCalculation c;
    AbortFlag = 0;
    CalcErrorFlag = 0;
    if (!store()) return c;
    c.Entries = std::make_shared<const TGearData>(GearData);
    CalculateInput();
    c.Held = CalcErrorFlag == 0 && AbortFlag == 0;
    for (int i = 1; i <= ErrorCount; ++i)
        c.Messages.push_back(ErrorList[i].str());
    return c;
}

namespace {
// A message without its figures: the same check with another limit says nothing new. A single
// digit is no figure but the gear's number ("ball diameter 2 !" is not "ball diameter 1 !").
std::string CheckOf(const std::string& message) {
    std::string s;
    for (std::size_t n = 0; n < message.size();) {
        std::size_t end = n;
        while (end < message.size() &&
               (std::isdigit(static_cast<unsigned char>(message[end])) || message[end] == '.'))
            ++end;
        const std::string run = message.substr(n, end - n);
        if (run.empty())
            s += message[end++];
        else if (run.size() == 1)
            s += run;
        n = end;
    }
    return s;
}

bool SameCheck(const std::vector<std::string>& list, const std::string& m) {
    return std::any_of(list.begin(), list.end(),
                       [&m](const std::string& b) { return CheckOf(b) == CheckOf(m); });
}

bool IsError(const std::string& m) {
    return m.rfind("Error", 0) == 0 || m.rfind("Fatal", 0) == 0;
}

// The errors of a calculation of g (run on a scratch copy); a calculation that stops without a
// word gives one of its own.
std::vector<std::string> ErrorsOf(const TGearData& g) {
    TScratchGearData scratch;
    GearData = g;
    AbortFlag = 0;
    CalcErrorFlag = 0;
    CalculateInput();
    std::vector<std::string> errors;
    for (int i = 1; i <= ErrorCount; ++i)
        if (IsError(ErrorList[i].str())) errors.push_back(ErrorList[i].str());
    if ((CalcErrorFlag != 0 || AbortFlag != 0) && errors.empty())
        errors.push_back("Fatal  : calculation stopped !");
    return errors;
}

// The designed gear's tool has a tip chamfer (its angle other than alpha, as the calculation
// tells them apart).
bool HasChamfer(const TGearData& g) {
    return g.alkP0[2] != 0 && !(std::fabs(g.alkP0[2] - g.alpha) < 0.001L);
}
} // namespace

std::vector<std::string> NewMessages(const TEntriesCalculation& before,
                                     const TEntriesCalculation& after) {
    std::vector<std::string> fresh;
    // A proposal that repairs a failed calculation is judged by OK's messages alone.
    if (!before.Held) return fresh;
    for (const std::string& m : after.Messages)
        if (m != ErrorListLeftOut && !SameCheck(before.Messages, m)) fresh.push_back(m);
    return fresh;
}

TChamferTip ChamferTip(const TGearData& entries, bool search,
                       const std::function<void(TGearData&)>& adjust) {
    TChamferTip t;
    if (!HasChamfer(entries)) return t;
    // The entries with the chamfer at depth d and angle a (none at hfP0/mn and alpha), with the
    // span and ball proposed for each (as "< x min" takes them): what the chamfer brings is
    // never a span or ball that an earlier entry left.
    auto chamfered = [&](long double d, long double a) {
        TGearData g = entries;
        g.hFfP0mn[2] = d;
        g.alkP0[2] = a;
        g.MeasureMode = 1;
        if (adjust) adjust(g);
        return g;
    };
    t.Without = ErrorsOf(chamfered(entries.hfP0mn[2], entries.alpha));
    const long double depth = entries.hFfP0mn[2], angle = entries.alkP0[2];
    auto brings = [&](long double d, long double a) {
        std::vector<std::string> errors = ErrorsOf(chamfered(d, a));
        std::erase_if(errors, [&t](const std::string& m) { return SameCheck(t.Without, m); });
        return errors;
    };
    t.Brought = brings(depth, angle);
    if (!search || t.Brought.empty() || !std::isfinite(depth) || !std::isfinite(angle)) return t;
    auto clearAt = [&](long long n, bool byDepth) {
        return byDepth ? brings(n / 100.0L, angle).empty() : brings(depth, n / 10.0L).empty();
    };
    // By bisection, the step next to refused, towards clear, that is clear.
    auto nearest = [&](long long refused, long long clear, bool byDepth) {
        while (clear - refused > 1 || refused - clear > 1) {
            const long long mid = (refused + clear) / 2;
            (clearAt(mid, byDepth) ? clear : refused) = mid;
        }
        return clear;
    };
    // A deeper chamfer is a smaller one: the least depth of two decimals above the entries' and
    // below the tool's dedendum (where the chamfer would vanish) that brings nothing.
    const long long first = static_cast<long long>(std::floor(depth * 100)) + 1;
    const long long last = static_cast<long long>(std::ceil(entries.hfP0mn[2] * 100)) - 1;
    if (std::fabs(entries.hfP0mn[2]) < 1e6L && first <= last && clearAt(last, true)) {
        t.Depth = FloatToStrDec(2, nearest(first - 1, last, true) / 100.0L);
        return t;
    }
    // A smaller chamfer angle, at the entries' depth: the largest of 0.1 degree that brings
    // nothing.
    const long long low = static_cast<long long>(std::floor(entries.alpha * 10)) + 1;
    const long long high = static_cast<long long>(std::ceil(angle * 10)) - 1;
    if (std::fabs(angle) < 1e6L && low <= high && clearAt(low, false))
        t.Angle = FloatToStrDec(1, nearest(high + 1, low, false) / 10.0L);
    return t;
}

std::string ChamferRemedy(const TChamferTip& t, const TGearData& entries) {
    if (t.Brought.empty()) return {};
    std::string text = "The tool's tip chamfer (hFfP0/mn " + FloatToStrSig3(entries.hFfP0mn[2]) +
                       " at al.kP0 " + FloatToStrSig3(entries.alkP0[2]) +
                       "\u00B0) causes this: the tool without chamfer does not. ";
    if (!t.Depth.empty())
        return text + "A chamfer depth hFfP0/mn of " + t.Depth +
               " keeps the tooth a tip at this angle (the chamfer depth's \"<\" in the "
               "tool-profile dialog proposes it).";
    if (!t.Angle.empty())
        return text + "No chamfer depth below hfP0/mn " + FloatToStrSig3(entries.hfP0mn[2]) +
               " keeps the tooth a tip at this angle; a chamfer angle al.kP0 of at most " +
               t.Angle + "\u00B0 does at this depth.";
    return text + "No chamfer depth or smaller chamfer angle keeps the tooth a tip; a smaller tip "
                  "diameter (addendum reduction) or profile shift does, or no chamfer.";
}

std::string MessagesWithRemedies(const std::vector<std::string>& messages,
                                 const TGearData* entries) {
    std::string text;
    std::unique_ptr<TChamferTip> chamfer; // looked up at the first error
    for (const std::string& m : messages) {
        std::string origin, remedy;
        text += "\n" + m;
        if (FindErrHelp(m, origin, remedy) == 0 && !remedy.empty()) text += "\n    " + remedy;
        if (entries == nullptr || !HasChamfer(*entries) || !IsError(m)) continue;
        if (!chamfer) chamfer = std::make_unique<TChamferTip>(ChamferTip(*entries));
        if (SameCheck(chamfer->Brought, m)) text += "\n    " + ChamferRemedy(*chamfer, *entries);
    }
    return text;
}

std::string SaidNew(const std::string& proposal, const std::vector<std::string>& fresh,
                    const TGearData* entries) {
    if (fresh.empty()) return {};
    return proposal +
           ": with it the calculation says what it did not say with the entries before:" +
           MessagesWithRemedies(fresh, entries);
}

std::string Paragraphs(const std::string& first, const std::string& second) {
    return first.empty() || second.empty() ? first + second : first + "\n\n" + second;
}

std::string SaidNew(const std::string& proposal, const TEntriesCalculation& before,
                    const TEntriesCalculation& after) {
    return SaidNew(proposal, NewMessages(before, after), after.Entries.get());
}

void ShowNewMessages(const std::string& proposal, const TEntriesCalculation& before,
                     const TEntriesCalculation& after) {
    const std::string said = SaidNew(proposal, before, after);
    if (!said.empty()) ShowMessage(said);
}

// ---- scratch copy
// --------------------------------------------------------------------------------

struct TScratchGearData::Saved {
    TGearData Data = GearData;
    std::uint8_t Abort = AbortFlag;
    std::uint8_t CalcError = CalcErrorFlag;
    std::uint16_t Count = ErrorCount;
    decltype(ErrorList) Errors = ErrorList;
};

TScratchGearData::TScratchGearData() : FSaved(std::make_unique<Saved>()) {}

TScratchGearData::~TScratchGearData() {
    GearData = std::move(FSaved->Data);
    AbortFlag = FSaved->Abort;
    CalcErrorFlag = FSaved->CalcError;
    ErrorCount = FSaved->Count;
    ErrorList = FSaved->Errors;
}

// ---- controls
// -------------------------------------------------------------------------------------

namespace {
template <class T> T* Place(T* c, TWinControl* parent, std::string_view name) {
    c->SetName(name);
    c->SetParent(parent);
    return c;
}
} // namespace

TLabel* NewLabel(TWinControl* parent, std::string_view name, std::string_view caption, int left,
                 int top, int width) {
    auto* l = Place(new TLabel(parent), parent, name);
    l->SetCaption(caption);
    // Labels sit on the middle of their row of edits.
    l->SetLeft(left);
    l->SetTop(top + 4);
    if (width > 0) {
        l->SetAutoSize(false);
        l->SetBounds(left, top + 4, width, 17);
    }
    return l;
}

TValueEdit* NewValueEdit(TWinControl* parent, std::string_view name, TValueKind kind,
                         TInputRange range, int left, int top, int width) {
    auto* e = Place(new TValueEdit(parent, name, kind, range), parent, name);
    e->SetBounds(left, top, width, RowHeight - 2);
    e->SetMaxLength(40);
    return e;
}

TEdit* NewTextEdit(TWinControl* parent, std::string_view name, int left, int top, int width,
                   int maxLength) {
    auto* e = Place(new TEdit(parent), parent, name);
    e->SetBounds(left, top, width, RowHeight - 2);
    e->SetMaxLength(maxLength);
    return e;
}

TButton* NewButton(TWinControl* parent, std::string_view name, std::string_view caption, int left,
                   int top, int width, std::function<void()> onClick) {
    auto* b = Place(new TButton(parent), parent, name);
    b->SetCaption(caption);
    b->SetBounds(left, top, width, RowHeight - 2);
    if (onClick) b->OnClick = [f = std::move(onClick)](TObject*) { f(); };
    return b;
}

TCheckBox* NewCheckBox(TWinControl* parent, std::string_view name, std::string_view caption,
                       int left, int top, int width, std::function<void()> onClick) {
    auto* c = Place(new TCheckBox(parent), parent, name);
    c->SetCaption(caption);
    c->SetBounds(left, top, width, RowHeight - 2);
    if (onClick) c->OnClick = [f = std::move(onClick)](TObject*) { f(); };
    return c;
}

TComboBox* NewComboBox(TWinControl* parent, std::string_view name, int left, int top, int width,
                       std::function<void()> onChange) {
    auto* c = Place(new TComboBox(parent), parent, name);
    c->SetStyle(csDropDownList);
    c->SetBounds(left, top, width, RowHeight - 2);
    c->DropDownCount = 12;
    if (onChange) c->OnChange = [f = std::move(onChange)](TObject*) { f(); };
    return c;
}

TGroupBox* NewGroupBox(TWinControl* parent, std::string_view name, std::string_view caption,
                       int left, int top, int width, int height) {
    auto* g = Place(new TGroupBox(parent), parent, name);
    g->SetCaption(caption);
    g->SetBounds(left, top, width, height);
    return g;
}

TRadioGroup* NewRadioGroup(TWinControl* parent, std::string_view name, std::string_view caption,
                           int left, int top, int width, int height,
                           std::initializer_list<const char*> items) {
    auto* r = Place(new TRadioGroup(parent), parent, name);
    r->SetCaption(caption);
    r->SetBounds(left, top, width, height);
    for (const char* item : items)
        r->Items().Add(item);
    return r;
}

TSpinEdit* NewSpinEdit(TWinControl* parent, std::string_view name, int left, int top, int width,
                       int minValue, int maxValue) {
    auto* e = Place(new TSpinEdit(parent), parent, name);
    e->SetBounds(left, top, width, RowHeight - 2);
    e->SetMinValue(minValue);
    e->SetMaxValue(maxValue);
    return e;
}

int ClampIndex(long long index, int count) {
    return static_cast<int>(std::clamp<long long>(index, 0, std::max(count - 1, 0)));
}

void FillCombo(TComboBox* combo, const std::vector<std::string>& items, int index) {
    combo->Items().Clear();
    for (const std::string& item : items)
        combo->Items().Add(item);
    combo->SetItemIndex(ClampIndex(index, static_cast<int>(items.size())));
}

void SetHelpHint(TControl* control, std::uint16_t number) {
    if (HelpLevel == 0 || control == nullptr) return;
    std::string text;
    GetHelpText(number, text);
    control->SetHint(text);
    control->SetShowHint(true);
}

// ---- the form
// ---------------------------------------------------------------------------------------

TInputForm::TInputForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    OnClose = [this](TObject*, TCloseAction&) {
        // Cancel, Esc and the close box alike: nothing was stored.
        if (!FAccepted) AbortFlag = 1;
    };
}

void TInputForm::CreateOkCancel(int left, int top, std::function<bool()> accept) {
    FOk = NewButton(this, "Button_ok", "&OK", left, top, 90, nullptr);
    FOk->SetModalResult(mrOk);
    FOk->SetDefault(true);
    FOk->OnClick = [this, accept = std::move(accept)](TObject*) {
        AbortFlag = 0;
        if (!accept()) {
            SetModalResult(mrNone);
            return;
        }
        FAccepted = true;
    };
    FCancel = NewButton(this, "Button_cancel", "&Cancel", left + 96, top, 90, [this] {
        AbortFlag = 1;
        Close();
    });
    FCancel->SetCancel(true);
}

void TInputForm::ToFront() {
    BringToFront();
}

std::string GridCellName(const TStringGrid& grid, int col, int row) {
    const std::string title = grid.FixedCols() > 0 ? TrimBlanks(grid.Cells(0, row)) : "";
    const std::string heading = grid.FixedRows() > 0 ? TrimBlanks(grid.Cells(col, 0)) : "";
    bool numbered = false;
    const std::int32_t n = title.empty() ? 0 : ParseInteger(title, numbered);
    const std::string rowName = title.empty() ? "row " + IntToString(row)
                                : numbered    ? "row " + IntToString(n)
                                              : title;
    return rowName + ", column " + (heading.empty() ? IntToString(col) : heading);
}
