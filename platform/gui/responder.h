#pragma once
// Headless answering of modal questions. While a responder is installed, every TForm::ShowModal,
// message box and common dialog calls it instead of waiting for a person. A responder works the
// form as a person would: it finds controls by Name, types text, picks items, and presses buttons
// or keys through the same handlers a click or key runs.

#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/msgbox.h"

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class ModalResponder {
public:
    virtual ~ModalResponder() = default;
    // Works the form; should leave a ModalResult (press a button or a key). A form still
    // without one afterwards is closed as Close() would (mrCancel).
    virtual void RespondForm(TForm& form) = 0;
    // Returns the chosen answer (IDOK ... IDNO), one the box offers.
    virtual int RespondMessage(const MessageQuestion& q) = 0;
    // Fills the dialog (for example TOpenDialog::Choose) and returns whether it was accepted.
    virtual bool RespondDialog(TCommonDialog& dialog) = 0;
};

// The installed responder, or nullptr.
ModalResponder* CurrentModalResponder();
// Installs r (nullptr removes); returns the one installed before.
ModalResponder* InstallModalResponder(ModalResponder* r);

// Installs a responder for a scope and restores the previous one on leaving it.
class ResponderScope {
public:
    explicit ResponderScope(ModalResponder& r) : FPrevious(InstallModalResponder(&r)) {}
    ~ResponderScope() { InstallModalResponder(FPrevious); }
    ResponderScope(const ResponderScope&) = delete;
    ResponderScope& operator=(const ResponderScope&) = delete;

private:
    ModalResponder* FPrevious;
};

// ---- Acting on a form as a person would ---------------------------------------------------------
// Each returns false when the control is missing, of another kind, hidden or disabled (a person
// could not do it), and then changes nothing.
namespace Respond {
bool Type(TForm& f, std::string_view editName, std::string_view text); // TEdit/TMaskEdit/
                                                                       // TComboBox/TSpinEdit
bool Check(TForm& f, std::string_view checkBoxName, bool checked);     // TCheckBox/TRadioButton
bool Pick(TForm& f, std::string_view name, int index); // TRadioGroup/TComboBox/TListBox/pages
bool PickText(TForm& f, std::string_view name, std::string_view item); // by item text
bool Press(TForm& f, std::string_view buttonName);            // TButton/TSpeedButton: focus + click
bool Key(TForm& f, std::uint16_t key, TShiftState shift = 0); // to the focused control
bool Focus(TForm& f, std::string_view controlName);
// The texts a person reads on the form: caption, then labels, group captions and message texts,
// in creation order, joined with " | ".
std::string Question(const TForm& f);
} // namespace Respond

// The answer of batch modes: every question is written to stderr (one line: "question: " and the
// text) and answered with Cancel: forms get Esc, then their Cancel button, then Close(); message
// boxes their cancel/no answer; common dialogs are cancelled.
class BatchResponder : public ModalResponder {
public:
    void RespondForm(TForm& form) override;
    int RespondMessage(const MessageQuestion& q) override;
    bool RespondDialog(TCommonDialog& dialog) override;
    // Where the questions go (stderr unless redirected, e.g. for a log).
    std::function<void(const std::string&)> Report;

    static void CancelForm(TForm& form);
};

// Answers from a script, in order: tests queue one step per expected question. A question with
// no step left (or of another kind than the next step) gets the batch answer and is counted in
// Unexpected().
class ScriptedResponder : public ModalResponder {
public:
    using FormStep = std::function<void(TForm&)>;
    using DialogStep = std::function<bool(TCommonDialog&)>;

    ScriptedResponder& OnForm(FormStep step);
    ScriptedResponder& OnMessage(int answer);
    ScriptedResponder& OnDialog(DialogStep step);

    void RespondForm(TForm& form) override;
    int RespondMessage(const MessageQuestion& q) override;
    bool RespondDialog(TCommonDialog& dialog) override;

    // Every question seen, in order, as "form: ...", "message: ..." or "dialog: ...".
    const std::vector<std::string>& Seen() const { return FSeen; }
    int Unexpected() const { return FUnexpected; }
    int Pending() const { return static_cast<int>(FSteps.size()); }

private:
    struct Step {
        int Kind; // 0 form, 1 message, 2 dialog
        FormStep Form;
        int Answer = 0;
        DialogStep Dialog;
    };
    std::deque<Step> FSteps;
    std::vector<std::string> FSeen;
    int FUnexpected = 0;
    BatchResponder FFallback;
};
