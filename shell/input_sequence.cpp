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
// Shows one dialog of the sequence; true when it was confirmed (and its calculation held).
template <class Form> bool Confirmed(Thh* owner) {
    FormPtr<Form> form(NewForm<Form>(owner));
    AbortFlag = 0;
    form->ShowModal();
    return AbortFlag == 0;
}
} // namespace

void RunInputSequence(Thh* owner) {
    AbortFlag = 0;
    ShowDrawingTextDialog();
    if (AbortFlag != 0) return;
    bool all = Confirmed<TForm_qor1prof>(owner);
    if (all) {
        all = Confirmed<TForm_qor1wgeo>(owner);
        if (all && HelpLevel != 0 && owner != nullptr) owner->RefreshAfterInput();
    }
    all = all && Confirmed<TForm_qual>(owner) && Confirmed<TForm_messen>(owner);
    // What was confirmed stays and is calculated; only the full sequence marks the data.
    AbortFlag = 0;
    CalculateInput();
    if (all) DataModified = 1;
}
