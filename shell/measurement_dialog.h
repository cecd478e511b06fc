#pragma once
// lqor1mes: the measurement dialog TForm_messen: the number of teeth spanned k for the span
// measurement (of spaces, for a ring gear: so its label and caption say) and the ball or pin
// diameter DM of the designed gear (the gear-1 edits are hidden but loaded and stored). OK
// switches the measurement to entered values (MeasureMode 0) and stores; k is rounded to the
// nearest whole number. The "<" buttons propose k and DM from the last calculation's results;
// after a failed one they show its messages and propose nothing.
//
// The proposed ball stands above the tip circle (MdK beyond da) and touches the usable flank
// (dFf .. dFa) at both allowance limits, finished and premachined, and at the nominal shift:
// wherever the calculation gives a dimension over balls, judged by the calculation's own
// TBallGauge, so the calculation takes it without a word. Where no ball can, the proposal says so.
// So does the proposed k: its span touches the usable flank at every shift measured (TSpanGauge)
// and fits the face width. Both proposals run a calculation on a scratch copy to tell what the
// value proposed makes the calculation say that the entries did not.

#include <cstdint>

#include "calc/geardata.h"
#include "calc/inspect.h"
#include "shell/input_fields.h"

// The number of teeth spanned for gear i from the last calculation: the usual k (kmess at
// xEmin) when its span touches the usable flank at every shift measured, judged by the
// calculation's own TSpanGauge, and the face width of a helical gear takes it (no "Warning: b <
// b min."); otherwise the nearest k that does both; where none does, the k nearest to the usual
// one that touches the usable flank (Wide false), or where none touches it, the k that misses
// least (Fits false).
struct TSpanProposal {
    std::int32_t k = 0;
    bool Fits = false, Wide = false;
};
TSpanProposal ProposeTeethSpanned(int i);
// The face width the span over k teeth of gear i needs, from the last calculation (the
// calculation warns "Warning: b < b min." below it on a helical gear).
long double SpanFaceWidth(int i, std::int32_t k);

// What the dialog's two "<" and OK store from the last calculation: k and DM of both gears
// proposed (a DM that cannot be proposed stays as g holds it), MeasureMode 0, into g.
void ProposeMeasurement(TGearData& g);

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
    bool StoreControls(bool report = true);
    void Button_kClick(TObject* Sender);
    void Button_dmClick(TObject* Sender);
    void Button_metricClick(TObject* Sender);

private:
    // The entries as OK stores them, without a message.
    bool StoreEntries();
    // On a scratch copy after a calculation that held: the entries stored, their calculation in
    // before, propose(i) for both gears, the controls loaded; false when nothing was proposed.
    bool ProposeForBoth(const std::function<void(int)>& propose, TEntriesCalculation& before);
};
