#pragma once
// What the gear-data input dialogs share: number edits that read back what they show, the range
// each input may take, the proposals that calculate on a scratch copy of the gear data, and small
// factories for the controls of a hand-placed form.
//
// Number edits: a value shown is remembered with its text, so an unchanged text reads back the
// value exactly (a shift of 0.5234567 is not cut to the six digits the edit shows). A changed
// text must be a finite number inside the field's range; otherwise the dialog says so, puts the
// focus on the field and stores nothing. "-0" reads as 0, a comma counts as the decimal point.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

// The range an input may take, both ends included unless marked open; lengths in mm. A value
// other than 0 below MinMagnitude in size is refused too (where 0 means "not given", a tinier
// value could not be saved apart from it); 0 itself only when ZeroAllowed is false.
struct TInputRange {
    long double Lo;
    long double Hi;
    long double MinMagnitude = 0;
    bool ZeroAllowed = true;
    bool LoOpen = false; // Lo itself is refused
    bool HiOpen = false; // Hi itself is refused

    bool Contains(long double v) const;
};

// How a number edit reads its text.
enum class TValueKind {
    Real,    // a plain number (factor, angle, shift)
    Length,  // a length in the current unit system, held in mm
    Integer, // a whole number ("58", "58.0")
    Rounded, // a number rounded to the nearest whole number (2.6 gives 3)
};

class TValueEdit : public TEdit {
public:
    TValueEdit(TComponent* owner, std::string_view name, TValueKind kind, TInputRange range);

    TValueKind Kind() const { return FKind; }
    TInputRange Range() const { return FRange; }
    void SetKind(TValueKind kind, TInputRange range) {
        FKind = kind;
        FRange = range;
    }
    // What names the field in messages: the label's caption followed by FieldName, or
    // FieldName alone (a field that shares its row's label names itself after it).
    TLabel* Caption = nullptr;
    std::string FieldName;

    // Shows text for the value v (lengths in mm) and remembers both.
    void ShowValue(long double v, std::string_view text);
    // The value: the remembered one while the text is unchanged, else the typed number. A text
    // that is no finite number inside the range is reported (message box, focus), and false.
    bool ReadValue(long double& v);
    // ReadValue without the message.
    bool TryValue(long double& v) const;
    // The user changed the text since a value was shown.
    bool Modified() const { return Text() != FShownText; }
    // The typed value without a message, for proposals while the user types; 0 when the text
    // is no finite number.
    long double Peek() const;

private:
    TValueKind FKind;
    TInputRange FRange;
    std::string FShownText;
    long double FShownValue = 0.0L;
};

// Reads every edit into its target in order; stops at the first that fails (reported unless
// report is false) and then writes none of them.
struct TValueTarget {
    TValueEdit* Edit;
    long double* Real = nullptr;
    std::int32_t* Whole = nullptr;
};
bool ReadValues(std::initializer_list<TValueTarget> fields, bool report = true);

// The gear data and the calculation's state (flags, message list) are put back when this
// goes: proposals that calculate on the entries leave the data as it was, so Cancel keeps it.
class TScratchGearData {
public:
    TScratchGearData();
    ~TScratchGearData();
    TScratchGearData(const TScratchGearData&) = delete;
    TScratchGearData& operator=(const TScratchGearData&) = delete;

private:
    struct Saved;
    std::unique_ptr<Saved> FSaved;
};

// The calculation the dialogs and the input sequence run (CalculateGears; tests count it).
using CalculateFunc = void (*)();
extern CalculateFunc CalculateInput;

// ---- the ranges of the inputs: those the calculation accepts (calc/calcentry.h) -------------
namespace InputRange {
// Pressure angle: the calculation stops at 5 and below and above 45 degrees.
inline constexpr TInputRange Alpha{5, 45, 0, true, true, false};
// Helix angle, degrees: 0 up to below 60.
inline constexpr TInputRange Beta{0, 60, 0, true, false, true};
inline constexpr TInputRange Module{kMinModule, kMaxModule};
inline constexpr TInputRange Pitch{25.4L / kMaxModule, 25.4L / kMinModule}; // 25.4 / mn, 1/in
// Teeth of the designed gear: at least 2 in size, negative for an internal gear.
inline constexpr TInputRange GearTeeth{-kMaxTeeth, kMaxTeeth, 2, false};
inline constexpr TInputRange Teeth{-kMaxTeeth, kMaxTeeth};              // k (0: proposed)
inline constexpr TInputRange Length{-kMaxInputLength, kMaxInputLength}; // allowances, kmn
// A tip diameter entered as such: any but 0.
inline constexpr TInputRange TipDiameter{-kMaxInputLength, kMaxInputLength, kMinLength, false};
inline constexpr TInputRange PositiveLength{0, kMaxInputLength};           // q and its tolerance
inline constexpr TInputRange FaceWidth{kMinLength, kMaxInputLength};       // b: more than 0
inline constexpr TInputRange ZeroOrLength{0, kMaxInputLength, kMinLength}; // DM (0: proposed)
inline constexpr TInputRange Factor{-kMaxInputFactor, kMaxInputFactor};    // shift, tool factors
inline constexpr TInputRange Radius{0, kMaxInputFactor};                   // tool radii / mn
inline constexpr TInputRange ToolAngle{-kMaxToolAngle, kMaxToolAngle};     // degrees
} // namespace InputRange

// ---- proposals --------------------------------------------------------------------------------
// The text of v with the digits FloatToStrSig3 shows (three significant ones below 1, three
// decimals from 1 to 1000), rounded towards the safe side: its value is at least v (up) or at
// most v (!up). Empty when no such text exists (|v| at the smallest the edits show).
std::string Sig3Towards(long double v, bool up);
// The same for a figure in a message: where the edits' digits cannot show v (|v| at or below
// 1E-5), v in engineering form, never an empty or zero figure.
std::string FigureTowards(long double v, bool up);

// What a proposal brings: the calculation of the gear data as store writes the dialog's entries
// into it (false: an entry cannot be read), run on a scratch copy, and its messages. Proposals
// compare the entries before and after they fill in a value, and say what is new.
struct TEntriesCalculation {
    bool Held = false; // the entries were read and the calculation held
    std::vector<std::string> Messages;
    std::shared_ptr<const TGearData> Entries; // the gear data calculated (none: not read)
};
TEntriesCalculation CalculateEntries(const std::function<bool()>& store);
// The messages of after that before lacks; none when before did not hold (OK then reports).
std::vector<std::string> NewMessages(const TEntriesCalculation& before,
                                     const TEntriesCalculation& after);
// Each message on a line of its own, followed by the remedy of the message help; given the
// gear data that raised them, an error that the designed gear's tool chamfer brings is followed
// by what chamfer does not bring it (ChamferRemedy).
std::string MessagesWithRemedies(const std::vector<std::string>& messages,
                                 const TGearData* entries = nullptr);
// What the user is told of the messages fresh that the value proposal names brings ("" for
// none); entries as for MessagesWithRemedies.
std::string SaidNew(const std::string& proposal, const std::vector<std::string>& fresh,
                    const TGearData* entries = nullptr);
// The same of the messages of after that before lacks, with after's gear data.
std::string SaidNew(const std::string& proposal, const TEntriesCalculation& before,
                    const TEntriesCalculation& after);
// Two texts as paragraphs of one message (either may be empty).
std::string Paragraphs(const std::string& first, const std::string& second);
// Tells the user which messages the value proposed brings (nothing when fresh is empty).
void ShowNewMessages(const std::string& proposal, const TEntriesCalculation& before,
                     const TEntriesCalculation& after);

// What the tool chamfer of the designed gear (gear 2) of entries brings to the calculation: the
// errors (a pointed tooth, a tip inside the base circle) that the gear without a chamfer does not
// have, each checked by a calculation of entries on a scratch copy with the span and ball
// proposed by the calculation (MeasureMode 1), so that no k or ball left in the measurement
// dialog decides it. Where it brings one, the
// least chamfer depth (two decimals, from the entries' depth up and below hfP0/mn) that brings
// none at the chamfer angle, and where no depth does, the largest chamfer angle (0.1 degree,
// above alpha) that brings none at the entries' depth.
struct TChamferTip {
    std::vector<std::string> Brought;
    std::vector<std::string> Without; // the errors of the gear without a chamfer
    std::string Depth, Angle;         // "" where none
};
// Without search, only Brought and Without are filled. Adjust, where given, changes each gear
// data calculated after its chamfer is set (a root radius that follows the chamfer).
TChamferTip ChamferTip(const TGearData& entries, bool search = true,
                       const std::function<void(TGearData&)>& adjust = {});
// The remedy of an error that the chamfer of entries brings (t from ChamferTip): the chamfer
// depth or angle that keeps it away; "" where the chamfer brings none.
std::string ChamferRemedy(const TChamferTip& t, const TGearData& entries);

// A length in mm as the length edits show it in the current unit system (Sig3Towards in mm, four
// decimals in inches), rounded towards the safe side.
std::string LengthTowards(long double mm, bool up);

// A length in mm as a message gives it, in the current unit system and with its unit: three
// significant digits, and never fewer decimals than the length edits show, so no figure reads
// as 0 that is not ("0.0000417 mm", "0.00000164 in").
std::string LengthInMessage(long double mm);

// After a proposal's calculation: true when it held. Otherwise the calculation's messages are
// shown (the proposal then proposes nothing).
bool ProposalCalculationHeld();

// ---- building hand-placed forms ------------------------------------------------------------
// Each control is named, placed in parent at the bounds given and, for the ones with text,
// captioned.
TLabel* NewLabel(TWinControl* parent, std::string_view name, std::string_view caption, int left,
                 int top, int width = 0);
TValueEdit* NewValueEdit(TWinControl* parent, std::string_view name, TValueKind kind,
                         TInputRange range, int left, int top, int width);
TEdit* NewTextEdit(TWinControl* parent, std::string_view name, int left, int top, int width,
                   int maxLength);
TButton* NewButton(TWinControl* parent, std::string_view name, std::string_view caption, int left,
                   int top, int width, std::function<void()> onClick);
TCheckBox* NewCheckBox(TWinControl* parent, std::string_view name, std::string_view caption,
                       int left, int top, int width, std::function<void()> onClick);
TComboBox* NewComboBox(TWinControl* parent, std::string_view name, int left, int top, int width,
                       std::function<void()> onChange);
TGroupBox* NewGroupBox(TWinControl* parent, std::string_view name, std::string_view caption,
                       int left, int top, int width, int height);
TRadioGroup* NewRadioGroup(TWinControl* parent, std::string_view name, std::string_view caption,
                           int left, int top, int width, int height,
                           std::initializer_list<const char*> items);

TSpinEdit* NewSpinEdit(TWinControl* parent, std::string_view name, int left, int top, int width,
                       int minValue, int maxValue);
// Any other control, named and placed.
template <class T>
T* NewControl(TWinControl* parent, std::string_view name, int left, int top, int width,
              int height) {
    auto* c = new T(parent);
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(left, top, width, height);
    return c;
}

// Height of one row of edits and buttons.
inline constexpr int RowHeight = 25;

// Fills a combo box with items and selects index clamped into the list.
void FillCombo(TComboBox* combo, const std::vector<std::string>& items, int index);
// index clamped into 0 .. count - 1.
int ClampIndex(long long index, int count);

// The label gets the help text of number as its hint while HelpLevel is not 0.
void SetHelpHint(TControl* control, std::uint16_t number);

class TStringGrid;
// A grid cell as its headings name it, for a refusal: "row 3, column h" (a row whose title is
// a text is named by it: "Colour of layer 16, column pen width").
std::string GridCellName(const TStringGrid& grid, int col, int row);

// The modal result of the dialogs: OK ends with mrOk after its handler; Cancel, Esc and the
// close box set AbortFlag.
class TInputForm : public TForm {
public:
    explicit TInputForm(TComponent* owner);

protected:
    // OK and Cancel at the bottom row of the form; OK runs accept, which returns false to keep
    // the dialog open (bad entry).
    void CreateOkCancel(int left, int top, std::function<bool()> accept);
    // Shows the form in front again after a help picture.
    void ToFront();

    TButton* FOk = nullptr;
    TButton* FCancel = nullptr;
    bool FAccepted = false;
};
