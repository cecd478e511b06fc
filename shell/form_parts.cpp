#include "shell/form_parts.h"

#include <cmath>

#include "framework/core/text.h"
#include "framework/ui/questions.h"

TLabel* MakeLabel(TComponent* owner, std::string_view name, std::string_view caption, int left,
                  int top, int width) {
    auto* l = new TLabel(owner);
    l->SetName(name);
    l->SetCaption(caption);
    l->SetLeft(left);
    l->SetTop(top);
    if (width > 0) {
        l->SetAutoSize(false);
        l->SetBounds(left, top, width, 17);
    }
    return l;
}

TButton* MakeButton(TComponent* owner, std::string_view name, std::string_view caption, int left,
                    int top, int width, int height) {
    auto* b = MakeControl<TButton>(owner, name, left, top, width, height);
    b->SetCaption(caption);
    return b;
}

TEdit* MakeEdit(TComponent* owner, std::string_view name, int left, int top, int width,
                int maxLength) {
    auto* e = MakeControl<TEdit>(owner, name, left, top, width, 23);
    if (maxLength > 0) e->SetMaxLength(maxLength);
    return e;
}

TCheckBox* MakeCheckBox(TComponent* owner, std::string_view name, std::string_view caption,
                        int left, int top, int width) {
    auto* c = MakeControl<TCheckBox>(owner, name, left, top, width, 21);
    c->SetCaption(caption);
    return c;
}

TRadioGroup* MakeRadioGroup(TComponent* owner, std::string_view name, std::string_view caption,
                            std::initializer_list<std::string> items, int left, int top, int width,
                            int height) {
    auto* g = MakeControl<TRadioGroup>(owner, name, left, top, width, height);
    g->SetCaption(caption);
    g->Items().Assign(std::vector<std::string>(items));
    return g;
}

TSpinEdit* MakeSpinEdit(TComponent* owner, std::string_view name, int left, int top, int width,
                        int minValue, int maxValue) {
    auto* s = MakeControl<TSpinEdit>(owner, name, left, top, width, 23);
    s->SetMinValue(minValue);
    s->SetMaxValue(maxValue);
    return s;
}

void ReportInvalidNumber(TControl* control, std::string_view text) {
    ShowErrorBox("Invalid Input \"" + std::string(text) + "\" !");
    if (control != nullptr && control->CanFocus()) control->SetFocus();
}

void TNumberText::Show(long double v, std::string_view text) {
    FShownValue = v;
    FShownText = text;
    if (FEdit != nullptr) FEdit->SetText(text);
}

bool TNumberText::Read(long double& v) const {
    if (FEdit == nullptr) return false;
    const std::string& text = FEdit->Text();
    if (text == FShownText) {
        v = FShownValue;
        return true;
    }
    bool ok = false;
    const long double x = ParseReal(text, ok);
    if (!ok || !std::isfinite(x)) {
        ReportInvalidNumber(FEdit, text);
        return false;
    }
    v = FLength ? StrToLength(text) : x;
    return true;
}

long double TNumberText::Peek() const {
    if (FEdit == nullptr) return 0.0L;
    bool ok = false;
    const long double x = ParseReal(FEdit->Text(), ok);
    return ok && std::isfinite(x) ? x : 0.0L;
}

bool TNumberText::Modified() const {
    return FEdit != nullptr && FEdit->Text() != FShownText;
}

bool TNumberText::Valid() const {
    if (FEdit == nullptr) return false;
    if (!Modified()) return true;
    bool ok = false;
    const long double x = ParseReal(FEdit->Text(), ok);
    return ok && std::isfinite(x);
}
