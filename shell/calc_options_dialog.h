#pragma once
// qorwcon2: the calculation options dialog TForm_qorwcon2: whether the ball or pin diameter and
// the number of teeth spanned are entered or always calculated, the gear-quality standard, and
// whether warnings are shown. OK stores the three choices; the reset "<" sets the measurement to
// entered values and the tip of both gears to the addendum reduction, written with OK (Cancel
// keeps everything as it was).

#include "shell/input_fields.h"

class TForm_qorwcon2 : public TInputForm {
public:
    explicit TForm_qorwcon2(TComponent* AOwner);

    TRadioGroup *RadioGroup_mess, *RadioGroup_vzq;
    TLabel* Label_warnung;
    TComboBox* ComboBox_warnung;
    TButton *Button_ok, *Button_cancel, *Button_help, *Button_reset;

    void FormCreate(TObject* Sender);
    void LoadControls();
    void StoreControls();
    void Button_resetClick(TObject* Sender);

private:
    bool FReset = false;
};
