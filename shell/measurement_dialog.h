#pragma once
// lqor1mes: the measurement dialog TForm_messen: the number of teeth spanned k for the span
// measurement and the ball or pin diameter DM of the designed gear (the gear-1 edits are hidden
// but loaded and stored). OK switches the measurement to entered values (MeasureMode 0) and
// stores; k is rounded to the nearest whole number. The "<" buttons propose k and DM from the
// last calculation's generating profile shift; they run no calculation.

#include "shell/input_fields.h"

class TForm_messen : public TInputForm {
public:
    explicit TForm_messen(TComponent* AOwner);

    TLabel *Label_k, *Label_dm, *Label_dmu, *Label_rad1, *Label_rad2;
    TValueEdit *Edit_k1, *Edit_k2, *Edit_dm1, *Edit_dm2;
    TCheckBox* CheckBox_vq2;
    TButton *Button_ok, *Button_cancel, *Button_help, *Button_hilfebild, *Button_metric, *Button_k,
        *Button_dm;

    void FormCreate(TObject* Sender);
    void LoadControls();
    bool StoreControls();
    void Button_kClick(TObject* Sender);
    void Button_dmClick(TObject* Sender);
    void Button_metricClick(TObject* Sender);
};
