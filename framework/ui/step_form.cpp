// anistep: the step dialog of the drawing window's step mode.
#include "framework/ui/step_form.h"

TForm_anistep::TForm_anistep(TComponent* AOwner) : TForm(AOwner) {
    SetName("FormAnistep");
    SetCaption("Animation");
    SetBorderStyle(bsDialog);
    SetBorderIcons(0);
    SetClientWidth(104);
    SetClientHeight(48);

    Button_nextstep = new TButton(this);
    Button_nextstep->SetName("Button_nextstep");
    Button_nextstep->SetParent(this);
    Button_nextstep->SetCaption("+");
    Button_nextstep->SetBounds(4, 2, 96, 20);
    Button_nextstep->SetDefault(true);
    Button_nextstep->SetModalResult(mrOk);

    Button_endstep = new TButton(this);
    Button_endstep->SetName("Button_endstep");
    Button_endstep->SetParent(this);
    Button_endstep->SetCaption("++");
    Button_endstep->SetBounds(4, 26, 96, 20);
    Button_endstep->SetCancel(true);
    Button_endstep->SetModalResult(mrCancel);
    Button_endstep->OnClick = [this](TObject*) { RunToEnd = 1; };
}
