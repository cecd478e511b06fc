#include "platform/gui/responder.h"

#include "platform/gui/grids.h"
#include "platform/os/utf8.h"

#include <iostream>

namespace {

ModalResponder* installed = nullptr;

// A person can work a control that is shown and enabled, inside enabled parents.
bool Usable(const TControl* c) {
    if (!c || !c->Showing()) return false;
    for (; c; c = c->Parent())
        if (!c->Enabled()) return false;
    return true;
}

bool ContainsText(std::string_view s, std::string_view part) {
    if (part.size() > s.size()) return false;
    for (std::size_t i = 0; i + part.size() <= s.size(); ++i)
        if (os::SameTextNoCase(s.substr(i, part.size()), part)) return true;
    return false;
}

void CollectTexts(const TComponent& c, std::string& out) {
    for (int i = 0; i < c.ComponentCount(); ++i) {
        const TComponent* k = c.Components(i);
        std::string text;
        if (auto* l = dynamic_cast<const TLabel*>(k)) {
            if (l->Visible()) text = l->Caption();
        } else if (auto* g = dynamic_cast<const TGroupBox*>(k)) {
            if (g->Visible()) text = g->Caption();
        } else if (auto* r = dynamic_cast<const TRadioGroup*>(k)) {
            if (r->Visible()) text = r->Caption();
        }
        if (!text.empty()) {
            if (!out.empty()) out += " | ";
            out += text;
        }
        CollectTexts(*k, out);
    }
}

} // namespace

ModalResponder* CurrentModalResponder() {
    return installed;
}

ModalResponder* InstallModalResponder(ModalResponder* r) {
    ModalResponder* previous = installed;
    installed = r;
    return previous;
}

// ---- Respond ------------------------------------------------------------------------------------

namespace Respond {

bool Focus(TForm& f, std::string_view controlName) {
    auto* c = FindControl<TControl>(f, controlName);
    if (!Usable(c)) return false;
    c->SetFocus();
    return true;
}

bool Type(TForm& f, std::string_view name, std::string_view text) {
    TComponent* k = f.FindComponent(name);
    auto* c = dynamic_cast<TControl*>(k);
    if (!Usable(c)) return false;
    if (auto* e = dynamic_cast<TEdit*>(c)) return e->TypeText(text);
    if (auto* cb = dynamic_cast<TComboBox*>(c)) return cb->TypeText(text);
    if (auto* sp = dynamic_cast<TSpinEdit*>(c)) {
        c->SetFocus();
        return sp->TypeText(text);
    }
    if (auto* m = dynamic_cast<TMemo*>(c)) {
        if (m->ReadOnly()) return false;
        c->SetFocus();
        m->SetText(text);
        return true;
    }
    return false;
}

bool Check(TForm& f, std::string_view name, bool checked) {
    auto* c = FindControl<TControl>(f, name);
    if (!Usable(c)) return false;
    if (auto* b = dynamic_cast<TCheckBox*>(c)) {
        c->SetFocus();
        if (b->Checked() != checked) b->Click();
        return true;
    }
    if (auto* r = dynamic_cast<TRadioButton*>(c)) {
        if (!checked) return r->Checked() == false; // a person cannot uncheck a radio button
        c->SetFocus();
        if (!r->Checked()) r->Click();
        return true;
    }
    return false;
}

bool Pick(TForm& f, std::string_view name, int index) {
    auto* c = FindControl<TControl>(f, name);
    if (!Usable(c)) return false;
    if (auto* g = dynamic_cast<TRadioGroup*>(c)) {
        if (index < 0 || index >= g->Items().Count() || !g->ItemEnabled(index)) return false;
        c->SetFocus();
        g->SetItemIndex(index);
        return true;
    }
    if (auto* cb = dynamic_cast<TComboBox*>(c)) {
        c->SetFocus();
        return cb->PickItem(index);
    }
    if (auto* lb = dynamic_cast<TListBox*>(c)) {
        c->SetFocus();
        return lb->PickItem(index);
    }
    if (auto* pc = dynamic_cast<TPageControl*>(c)) return pc->SelectPage(index);
    return false;
}

bool PickText(TForm& f, std::string_view name, std::string_view item) {
    auto* c = FindControl<TControl>(f, name);
    int index = -1;
    if (auto* g = dynamic_cast<TRadioGroup*>(c)) index = g->Items().IndexOf(item);
    if (auto* cb = dynamic_cast<TComboBox*>(c)) index = cb->Items().IndexOf(item);
    if (auto* lb = dynamic_cast<TListBox*>(c)) index = lb->Items().IndexOf(item);
    if (auto* pc = dynamic_cast<TPageControl*>(c))
        for (int i = 0; i < pc->PageCount(); ++i)
            if (pc->Pages(i)->Caption() == item) index = i;
    return index >= 0 && Pick(f, name, index);
}

bool Press(TForm& f, std::string_view name) {
    auto* c = FindControl<TControl>(f, name);
    if (!Usable(c)) return false;
    if (auto* b = dynamic_cast<TButton*>(c)) {
        b->SetFocus();
        b->Click();
        return true;
    }
    if (auto* s = dynamic_cast<TSpeedButton*>(c)) {
        s->Click();
        return true;
    }
    return false;
}

bool Key(TForm& f, std::uint16_t key, TShiftState shift) {
    f.DispatchKey(key, shift);
    return true;
}

std::string Question(const TForm& f) {
    std::string out = f.Caption();
    std::string texts;
    CollectTexts(f, texts);
    if (!texts.empty()) out += (out.empty() ? "" : ": ") + texts;
    return out;
}

} // namespace Respond

// ---- BatchResponder -----------------------------------------------------------------------------

namespace {
void Emit(const BatchResponder& r, const std::string& line) {
    if (r.Report)
        r.Report(line);
    else
        std::cerr << line << std::endl;
}
} // namespace

void BatchResponder::CancelForm(TForm& form) {
    form.DispatchKey(VK_ESCAPE, 0);
    if (form.ModalResult() != mrNone || !form.Modal()) return;
    // No Esc handling: the button a person would take for Cancel.
    TButton* cancel = nullptr;
    std::vector<const TComponent*> stack{&form};
    while (!stack.empty() && !cancel) {
        const TComponent* c = stack.back();
        stack.pop_back();
        for (int i = 0; i < c->ComponentCount(); ++i) {
            auto* b = dynamic_cast<TButton*>(c->Components(i));
            if (b && Usable(b) &&
                (b->Cancel() || b->ModalResult() == mrCancel || ContainsText(b->Name(), "cancel")))
                cancel = b;
            stack.push_back(c->Components(i));
        }
    }
    if (cancel) {
        cancel->SetFocus();
        cancel->Click();
    }
    if (form.ModalResult() == mrNone) form.Close();
}

void BatchResponder::RespondForm(TForm& form) {
    Emit(*this, "question: " + Respond::Question(form) + " -> Cancel");
    CancelForm(form);
}

int BatchResponder::RespondMessage(const MessageQuestion& q) {
    const int answer = q.CancelAnswer();
    // A caption with a colon of its own ("Error  : ") takes no second one.
    std::string caption = q.Caption;
    while (!caption.empty() && caption.back() == ' ')
        caption.pop_back();
    if (!caption.empty()) caption += caption.back() == ':' ? " " : ": ";
    Emit(*this, "question: " + caption + q.Text + " -> " + MessageAnswerName(answer));
    return answer;
}

bool BatchResponder::RespondDialog(TCommonDialog& dialog) {
    Emit(*this, "question: " + dialog.Describe() + " -> Cancel");
    return false;
}

// ---- ScriptedResponder --------------------------------------------------------------------------

ScriptedResponder& ScriptedResponder::OnForm(FormStep step) {
    FSteps.push_back(Step{0, std::move(step), 0, {}});
    return *this;
}

ScriptedResponder& ScriptedResponder::OnMessage(int answer) {
    FSteps.push_back(Step{1, {}, answer, {}});
    return *this;
}

ScriptedResponder& ScriptedResponder::OnDialog(DialogStep step) {
    FSteps.push_back(Step{2, {}, 0, std::move(step)});
    return *this;
}

void ScriptedResponder::RespondForm(TForm& form) {
    FSeen.push_back("form: " + Respond::Question(form));
    if (FSteps.empty() || FSteps.front().Kind != 0) {
        ++FUnexpected;
        FFallback.RespondForm(form);
        return;
    }
    FormStep step = std::move(FSteps.front().Form);
    FSteps.pop_front();
    if (step) step(form);
}

int ScriptedResponder::RespondMessage(const MessageQuestion& q) {
    FSeen.push_back("message: " + q.Caption + ": " + q.Text);
    if (FSteps.empty() || FSteps.front().Kind != 1) {
        ++FUnexpected;
        return FFallback.RespondMessage(q);
    }
    const int answer = FSteps.front().Answer;
    FSteps.pop_front();
    return answer;
}

bool ScriptedResponder::RespondDialog(TCommonDialog& dialog) {
    FSeen.push_back("dialog: " + dialog.Describe());
    if (FSteps.empty() || FSteps.front().Kind != 2) {
        ++FUnexpected;
        return FFallback.RespondDialog(dialog);
    }
    DialogStep step = std::move(FSteps.front().Dialog);
    FSteps.pop_front();
    return step ? step(dialog) : false;
}
