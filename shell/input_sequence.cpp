#include "shell/input_sequence.h"

#include "framework/core/globals.h"
#include "framework/ui/dialogs.h"
#include "shell/dimensions_dialog.h"
#include "shell/drawing_text_dialog.h"
#include "shell/main_window.h"
#include "shell/measurement_dialog.h"
#include "shell/profile_dialog.h"
#include "shell/quality_dialog.h"

namespace {
// Shows one dialog of the sequence; true when it was confirmed and the calculation its OK ran
// held. A fatal calculation stops the sequence as Cancel does: the next dialogs would propose
// from results that belong to the gear before.
template <class Form> bool Confirmed(Thh* owner, bool calculates) {
    FormPtr<Form> form(NewForm<Form>(owner));
    AbortFlag = 0;
    CalcErrorFlag = 0;
    form->ShowModal();
    return AbortFlag == 0 && !(calculates && CalcErrorFlag != 0);
}
} // namespace

void RunInputSequence(Thh* owner) {
    AbortFlag = 0;
    ShowDrawingTextDialog();
    if (AbortFlag != 0) return;
    bool all = Confirmed<TForm_qor1prof>(owner, true);
    if (all) {
        all = Confirmed<TForm_qor1wgeo>(owner, true);
        if (all && HelpLevel != 0 && owner != nullptr) owner->RefreshAfterInput();
    }
    all = all && Confirmed<TForm_qual>(owner, true) && Confirmed<TForm_messen>(owner, false);
    // What was confirmed stays and is calculated; only the full sequence marks the data.
    AbortFlag = 0;
    CalculateInput();
    if (all) DataModified = 1;
}
