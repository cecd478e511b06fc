#pragma once
// Small factories for the controls of a hand-placed form, and number edits that read back
// exactly what they show. Used by the documentation, drawing-settings and configuration
// dialogs.
//
// A number edit remembers the value it was given with the text it shows: while the text is
// unchanged it reads back that value exactly (a shift of 0.52345678 is not cut to the digits
// shown), so confirming a dialog never changes a value the user did not touch. A changed text
// must be a finite number; otherwise the dialog says so and puts the focus on the edit.

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

// A control owned (and shown) by owner, named and placed.
template <class T>
T* MakeControl(TComponent* owner, std::string_view name, int left, int top, int width, int height) {
    auto* c = new T(owner);
    c->SetName(name);
    c->SetBounds(left, top, width, height);
    return c;
}

TLabel* MakeLabel(TComponent* owner, std::string_view name, std::string_view caption, int left,
                  int top, int width = 0);
TButton* MakeButton(TComponent* owner, std::string_view name, std::string_view caption, int left,
                    int top, int width, int height = 25);
TEdit* MakeEdit(TComponent* owner, std::string_view name, int left, int top, int width,
                int maxLength = 0);
TCheckBox* MakeCheckBox(TComponent* owner, std::string_view name, std::string_view caption,
                        int left, int top, int width);
TRadioGroup* MakeRadioGroup(TComponent* owner, std::string_view name, std::string_view caption,
                            std::initializer_list<std::string> items, int left, int top, int width,
                            int height);
TSpinEdit* MakeSpinEdit(TComponent* owner, std::string_view name, int left, int top, int width,
                        int minValue, int maxValue);

// One number shown in an edit.
class TNumberText {
public:
    TNumberText() = default;
    explicit TNumberText(TEdit* edit, bool length = false) : FEdit(edit), FLength(length) {}
    TEdit* Edit() const { return FEdit; }
    // Shows text for v.
    void Show(long double v, std::string_view text);
    // The value: the one shown while the text is unchanged, else the typed number (a length is
    // typed in the current unit system and held in mm). A text that
    // is no finite number is reported ("Invalid Input "..." !"), the edit gets the focus, and
    // false.
    bool Read(long double& v) const;
    // The typed number without a message (0 for a text that is no number).
    long double Peek() const;
    // The text was changed since the value was shown.
    bool Modified() const;
    // The text is the one shown or a finite number.
    bool Valid() const;

private:
    TEdit* FEdit = nullptr;
    bool FLength = false;
    std::string FShownText;
    long double FShownValue = 0.0L;
};

// "Invalid Input "text" !" as an error box, and the focus to the control.
void ReportInvalidNumber(TControl* control, std::string_view text);
