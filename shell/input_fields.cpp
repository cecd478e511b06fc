#include "shell/input_fields.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/help.h"
#include "framework/ui/questions.h"

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

bool InRange(long double v, const TInputRange& r) {
    return v >= r.Lo && v <= r.Hi && !(v != 0 && fabsl(v) < r.MinMagnitude);
}

// A limit as the field shows values (tiny ones in engineering form, not as "0").
std::string RangeText(TValueKind kind, long double v) {
    if (kind == TValueKind::Integer || kind == TValueKind::Rounded)
        return IntToString(static_cast<long long>(v));
    if (kind == TValueKind::Length && Imperial()) v /= 25.4L;
    return v != 0 && fabsl(v) < 0.001L ? FloatToStrSig3Eng(v) : FloatToStrSig6(v);
}

} // namespace

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
    if (!ParseTyped(FKind, Text(), typed) || !InRange(typed, FRange)) return false;
    v = typed;
    return true;
}

bool TValueEdit::ReadValue(long double& v) {
    if (TryValue(v)) return true;
    long double typed = 0.0L;
    std::string problem = "Invalid Input \"" + Text() + "\" !";
    if (ParseTyped(FKind, Text(), typed)) {
        const TInputRange& r = FRange;
        const bool tiny = r.MinMagnitude > 0 && typed != 0 && fabsl(typed) < r.MinMagnitude;
        problem = "Valid Data are: " +
                  (tiny ? "0, " + RangeText(FKind, r.MinMagnitude) : RangeText(FKind, r.Lo)) +
                  " .. " + RangeText(FKind, r.Hi) + " !";
    }
    std::string name = FieldName;
    if (Caption != nullptr)
        for (char c : Caption->Caption())
            if (c != '&') name += c;
    ShowErrorBox(name.empty() ? problem : name + ": " + problem);
    if (Showing() && Enabled()) SetFocus();
    return false;
}

bool ReadValues(std::initializer_list<TValueTarget> fields) {
    std::vector<long double> values;
    for (const TValueTarget& f : fields) {
        long double v = 0.0L;
        if (!f.Edit->ReadValue(v)) return false;
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
    FOk = NewButton(this, "Button_ok", "OK", left, top, 90, nullptr);
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
    FCancel = NewButton(this, "Button_cancel", "Cancel", left + 96, top, 90, [this] {
        AbortFlag = 1;
        Close();
    });
    FCancel->SetCancel(true);
}

void TInputForm::ToFront() {
    BringToFront();
}
