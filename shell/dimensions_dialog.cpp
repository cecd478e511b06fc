// qor1wgeo: the dimensions dialog.
#include "shell/dimensions_dialog.h"

#include <cmath>
#include <string>

#include "calc/geardata.h"
#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"
#include "framework/ui/help_pictures.h"
#include "framework/ui/message_help.h"
#include "framework/ui/questions.h"
#include "shell/job/jobfile.h"
#include "shell/measurement_dialog.h"

namespace {

constexpr int kLabelLeft = 16, kLabelWidth = 172, kEditLeft = 192, kEditWidth = 100;
constexpr int kUnitLeft = 314, kExtraLeft = 352, kRight = 506, kButtonWidth = 176;
constexpr int kTop = 12, kRow = 29;

constexpr int Row(int i) {
    return kTop + i * kRow;
}

std::string LengthUnitLabel() {
    return UnitSystem == 1 ? "in." : "mm";
}

// A message of a calculation at a shift that the least shift must avoid: any error (a fatal one
// too), a shift below -1.5 and undercut.
bool RefusesShift(const std::string& text) {
    return text.rfind("Fatal", 0) == 0 || text.rfind("Error", 0) == 0 ||
           text.find("x < -1.5") != std::string::npos || text.find("undercut") != std::string::npos;
}

// Messages about the span and ball measured, which the measurement dialog proposes again.
bool IsMeasurementMessage(const std::string& text) {
    for (const char* m : {"span contact", "ball contact", "Dm ball", "no ball"})
        if (text.find(m) != std::string::npos) return true;
    return false;
}

// What in the calculation just run refuses its shift, none when it holds without such a
// message; standing messages (no shift avoids them) do not count, but a calculation that stops
// always refuses.
std::vector<std::string> Refusals(const std::vector<std::string>& standing) {
    const bool stopped = CalcErrorFlag != 0 || AbortFlag != 0;
    std::vector<std::string> why;
    for (int i = 1; i <= ErrorCount; ++i) {
        const std::string text = ErrorList[i].str();
        if (RefusesShift(text) &&
            (stopped || std::find(standing.begin(), standing.end(), text) == standing.end()))
            why.push_back(text);
    }
    if (stopped && why.empty()) why.push_back("Fatal  : calculation stopped !");
    return why;
}

// The calculation of the entries with the designed gear's shift x and the k and ball that the
// measurement dialog then proposes for it (from a first calculation at x): what in it refuses
// x. The span and ball entered play no part, so the least shift does not depend on what an
// earlier proposal left in them.
std::vector<std::string> ShiftRefusals(const TGearData& entries, long double x,
                                       const std::vector<std::string>& standing) {
    TGearData& g = GearData;
    g = entries;
    g.x[2] = x;
    CalculateInput();
    if (CalcErrorFlag != 0 || AbortFlag != 0) return Refusals(standing);
    TGearData proposed = entries;
    proposed.x[2] = x;
    ProposeMeasurement(proposed);
    g = proposed;
    CalculateInput();
    return Refusals(standing);
}

// The calculation of the entries with shift x and the span and ball as entered: its messages
// about them that refuse x.
std::vector<std::string> EnteredMeasurementRefusals(const TGearData& entries, long double x) {
    GearData = entries;
    GearData.x[2] = x;
    CalculateInput();
    std::vector<std::string> why = Refusals({});
    std::erase_if(why, [](const std::string& m) { return !IsMeasurementMessage(m); });
    return why;
}

} // namespace

TForm_qor1wgeo::TForm_qor1wgeo(TComponent* AOwner) : TInputForm(AOwner) {
    SetName("Form_qor1wgeo");
    SetClientWidth(kRight + kButtonWidth + 12);
    SetClientHeight(Row(7) + 100 + 12);

    auto label = [this](const char* name, int row) {
        return NewLabel(this, name, "", kLabelLeft, Row(row), kLabelWidth);
    };
    auto edit = [this](const char* name, TValueKind kind, TInputRange range, int row,
                       TLabel* caption) {
        auto* e = NewValueEdit(this, name, kind, range, kEditLeft, Row(row), kEditWidth);
        e->Caption = caption;
        return e;
    };
    auto unit = [this](const char* name, const char* caption, int row, int left = kUnitLeft) {
        return NewLabel(this, name, caption, left, Row(row), 34);
    };

    Label_alpha = label("Label_alpha", 0);
    Edit_alpha = edit("Edit_alpha", TValueKind::Real, InputRange::Alpha, 0, Label_alpha);
    Label_alphau = unit("Label_alphau", "deg.", 0);
    Button_alpha = NewButton(this, "Button_alpha", "<", kExtraLeft, Row(0), 32,
                             [this] { Button_alphaClick(this); });

    Label_beta = label("Label_beta", 1);
    Edit_beta = edit("Edit_beta", TValueKind::Real, InputRange::Beta, 1, Label_beta);
    Label_betau = unit("Label_betau", "deg.", 1);
    Button_sandvik = NewButton(this, "Button_sandvik", "&beta=0, z=zn", kExtraLeft, Row(1), 136,
                               [this] { Button_sandvikClick(this); });

    Label_mn = label("Label_mn", 2);
    Edit_mn = edit("Edit_mn", TValueKind::Length, InputRange::Module, 2, Label_mn);
    SpinButton_mn = new TUpDown(this);
    SpinButton_mn->SetName("SpinButton_mn");
    SpinButton_mn->SetParent(this);
    SpinButton_mn->SetBounds(kEditLeft + kEditWidth + 1, Row(2), 17, RowHeight - 2);
    SpinButton_mn->OnClick = [this](TObject*, TUDBtnType b) {
        SpinButton_mnClick(b == btNext ? +1 : -1);
    };
    Label_mnu = unit("Label_mnu", "mm", 2);
    Edit_pitch = NewValueEdit(this, "Edit_pitch", TValueKind::Real, InputRange::Pitch, kExtraLeft,
                              Row(2), 90);
    // The pitch shares the module's row: named after it.
    Edit_pitch->Caption = Label_mn;
    Edit_pitch->FieldName = "(1/in)";
    Label7 = unit("Label7", "1/in", 2, kExtraLeft + 96);

    Label_z = label("Label_z", 3);
    Edit_z2 = edit("Edit_z2", TValueKind::Integer, InputRange::GearTeeth, 3, Label_z);
    Button_z =
        NewButton(this, "Button_z", "+/-", kUnitLeft, Row(3), 40, [this] { Button_zClick(this); });

    Label_b0 = label("Label_b0", 4);
    Edit_b0 = edit("Edit_b0", TValueKind::Length, InputRange::FaceWidth, 4, Label_b0);
    Label_b0u = unit("Label_b0u", "mm", 4);
    Button_b0 =
        NewButton(this, "Button_b0", "<", kExtraLeft, Row(4), 32, [this] { Button_b0Click(this); });

    Label_x = label("Label_x", 5);
    Edit_x2 = edit("Edit_x2", TValueKind::Real, InputRange::Factor, 5, Label_x);
    Button_a0 = NewButton(this, "Button_a0", "< x&0", kEditLeft + kEditWidth + 6, Row(5), 60,
                          [this] { Button_a0Click(this); });
    Button_x1min = NewButton(this, "Button_x1min", "< x &min", kEditLeft + kEditWidth + 70, Row(5),
                             72, [this] { Button_x1minClick(this); });
    Button_x05 = NewButton(this, "Button_x05", "< x0&5", kEditLeft + kEditWidth + 146, Row(5), 60,
                           [this] { Button_x05Click(this); });

    Label_flankricht = label("Label_flankricht", 6);
    ComboBox2 = NewComboBox(this, "ComboBox2", kEditLeft, Row(6), 160, nullptr);

    GroupBox1 = NewGroupBox(this, "GroupBox1", "", 8, Row(7), kRight - 16, 100);
    RadioGroup2 = NewRadioGroup(GroupBox1, "RadioGroup2", "", 8, 20, 90, 70, {"kmn", "da"});
    RadioGroup2->OnClick = [this](TObject* s) { RadioGroup2Click(s); };
    Edit_kmn2 = NewValueEdit(GroupBox1, "Edit_kmn2", TValueKind::Length, InputRange::Length, 112,
                             26, kEditWidth);
    Edit_kmn2->OnExit = [this](TObject* s) { Edit_kmn2Exit(s); };
    Edit_kmn2->FieldName = "kmn";
    Label_kmn1u = NewLabel(GroupBox1, "Label_kmn1u", "mm", 216, 26, 34);
    Edit_da2 = NewValueEdit(GroupBox1, "Edit_da2", TValueKind::Length, InputRange::Length, 112, 58,
                            kEditWidth);
    Edit_da2->OnExit = [this](TObject* s) { Edit_da2Exit(s); };
    Edit_da2->FieldName = "da";
    Label_da1u = NewLabel(GroupBox1, "Label_da1u", "mm", 216, 58, 34);
    Button_c1 =
        NewButton(GroupBox1, "Button_c1", "<", 256, 42, 32, [this] { Button_c1Click(this); });

    CreateOkCancel(0, 0, [this] {
        if (!StoreControls()) return false;
        CalculateInput();
        return true;
    });
    Button_ok = FOk;
    Button_cancel = FCancel;
    int top = Row(0);
    auto column = [&](TButton* b) {
        b->SetBounds(kRight, top, kButtonWidth, RowHeight);
        top += kRow;
        return b;
    };
    column(Button_ok);
    column(Button_cancel);
    Button_help = column(
        NewButton(this, "Button_help", "&Help Text", 0, 0, 0, [this] { Button_helpClick(this); }));
    Button_hilfebild = column(NewButton(this, "Button_hilfebild", "Aux. &Image", 0, 0, 0,
                                        [this] { Button_hilfebildClick(this); }));
    Button_helpc = column(NewButton(this, "Button_helpc", "Aux. Image c, &kmn, da", 0, 0, 0,
                                    [this] { Button_helpcClick(this); }));
    top += kRow / 2;
    Button_rechnen = column(
        NewButton(this, "Button_rechnen", "Ca&lc", 0, 0, 0, [this] { Button_rechnenClick(this); }));
    Button_metric = column(NewButton(this, "Button_metric", "mm <--> i&nch", 0, 0, 0,
                                     [this] { Button_metricClick(this); }));

    Edit_mn->OnChange = [this](TObject* s) { Edit_mnChange(s); };
    Edit_pitch->OnExit = [this](TObject* s) { Edit_pitchExit(s); };
    Edit_beta->OnChange = [this](TObject* s) { Edit_betaChange(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TForm_qor1wgeo::FormCreate(TObject*) {
    FitForm(this);
    SetCaption(ProductTitle + " " + "Dimensions");
    Label_alpha->SetCaption("Pressure angle alpha");
    Label_beta->SetCaption("Helix angle beta");
    Label_mn->SetCaption("Normal module mn");
    Label_z->SetCaption("Number of teeth z");
    Label_b0->SetCaption("Facewidth b");
    Label_x->SetCaption("Profile shift coeff. x");
    Label_flankricht->SetCaption("tooth alignment");
    GroupBox1->SetCaption("Addendum reduction");
    std::vector<std::string> alignments;
    for (const char* name : {"right-hand", "left-hand", "free"})
        alignments.push_back(OemToAnsiString(name));
    FillCombo(ComboBox2, alignments, 0);
    RadioGroup2->SetItemIndex(0);
    SetHelpHint(Label_alpha, 5080);
    SetHelpHint(Label_beta, 5090);
    SetHelpHint(Label_mn, 5100);
    SetHelpHint(Label_z, 5120);
    SetHelpHint(Label_b0, 5130);
    SetHelpHint(GroupBox1, 5160);
    SetHelpHint(Edit_kmn2, 5170);
    SetHelpHint(Edit_da2, 5180);
    SetHelpHint(Label_flankricht, 8250);
    SetHelpHint(Label_x, 9040);
    Edit_mn->SetColor(static_cast<TColor>(255));
    Edit_pitch->SetColor(static_cast<TColor>(255));
    LoadControls();
}

void TForm_qor1wgeo::LoadControls() {
    const TGearData& g = GearData;
    for (TLabel* l : {Label_mnu, Label_b0u, Label_kmn1u, Label_da1u})
        l->SetCaption(LengthUnitLabel());
    SpinButton_mn->SetVisible(UnitSystem == 0);
    Edit_alpha->ShowValue(g.alpha, FloatToStrSig6(g.alpha));
    Edit_beta->ShowValue(g.beta, FloatToStrSig6(g.beta));
    Edit_mn->ShowValue(g.mn, LengthToStr6(g.mn));
    Edit_z2->ShowValue(g.z[2], IntToString(g.z[2]));
    Edit_b0->ShowValue(g.b, LengthToStr(g.b));
    Edit_x2->ShowValue(g.x[2], FloatToStrSig6(g.x[2]));
    Edit_kmn2->ShowValue(g.kmn[2], LengthToStr6(g.kmn[2]));
    Edit_da2->ShowValue(g.da[2], LengthToStrDec(3, g.da[2]));
    ComboBox2->SetItemIndex(ClampIndex(g.ToothAlignment[2] - 1LL, 3));
    RadioGroup2->SetItemIndex(ClampIndex(g.TipInputMode[2] - 2LL, 2));
    RadioGroup2Click(RadioGroup2);
}

bool TForm_qor1wgeo::StoreControls(bool shiftAndTip, bool report) {
    TGearData& g = GearData;
    long double alpha = 0, beta = 0, mn = 0, b = 0, x = 0, kmn = 0, da = 0;
    std::int32_t z = 0;
    if (!ReadValues({{Edit_alpha, &alpha},
                     {Edit_beta, &beta},
                     {Edit_mn, &mn},
                     {Edit_z2, nullptr, &z},
                     {Edit_b0, &b}},
                    report) ||
        (shiftAndTip && !ReadValues({{Edit_x2, &x}, {Edit_kmn2, &kmn}, {Edit_da2, &da}}, report)))
        return false;
    g.alpha = alpha;
    g.beta = beta;
    g.mn = mn;
    g.z[2] = z;
    g.z[1] = 6;
    g.b = b;
    g.bGear[1] = g.bGear[2] = b;
    g.a = 0.0L; // the centre distance follows from the shifts
    g.x[2] = x;
    g.x[1] = 0.5L;
    g.TipModeValue[1] = g.TipModeValue[2] = 0.0L;
    g.kmn[2] = kmn;
    g.kmn[1] = 0.0L;
    g.da[2] = da;
    g.da[1] = 0.0L;
    g.ToothAlignment[2] = static_cast<std::uint16_t>(ClampIndex(ComboBox2->ItemIndex(), 3) + 1);
    g.TipInputMode[2] =
        shiftAndTip ? static_cast<std::uint16_t>(ClampIndex(RadioGroup2->ItemIndex(), 2) + 2) : 2;
    g.TipInputMode[1] = 2;
    g.GeoFormMode = 1;
    return true;
}

bool TForm_qor1wgeo::StoreTip(bool report) {
    TGearData& g = GearData;
    long double kmn = 0, da = 0;
    if (!ReadValues({{Edit_kmn2, &kmn}, {Edit_da2, &da}}, report)) return false;
    g.kmn[2] = kmn;
    g.da[2] = da;
    g.TipInputMode[2] = static_cast<std::uint16_t>(ClampIndex(RadioGroup2->ItemIndex(), 2) + 2);
    return true;
}

// ---- proposals ----------------------------------------------------------------------------------

TEntriesCalculation TForm_qor1wgeo::Entries() {
    return CalculateEntries([this] { return StoreControls(true, false); });
}

void TForm_qor1wgeo::SayNew(const TEntriesCalculation& before, TValueEdit* edit) {
    ShowNewMessages(edit->Caption->Caption() + " " + edit->Text(), before, Entries());
}

void TForm_qor1wgeo::Button_alphaClick(TObject*) {
    const TEntriesCalculation before = Entries();
    Edit_alpha->SetText("20");
    SayNew(before, Edit_alpha);
}

void TForm_qor1wgeo::Button_b0Click(TObject*) {
    // 15 mn, or the width the span measured needs on a helical gear where that is more.
    const TEntriesCalculation before = Entries();
    long double b = 15.0L * Edit_mn->Peek();
    {
        TScratchGearData scratch;
        AbortFlag = 0;
        CalcErrorFlag = 0;
        if (StoreControls(true, false)) {
            CalculateInput();
            const TGearData& g = GearData;
            const long double need = sinl(g.betab) * g.WminV[2] + 2 + 0.03L * g.WminV[2];
            if (CalcErrorFlag == 0 && g.beta > 0 && need > b) b = need;
        }
    }
    const std::string text = LengthTowards(b, true);
    if (text.empty()) return;
    Edit_b0->SetText(text);
    SayNew(before, Edit_b0);
}

void TForm_qor1wgeo::Button_a0Click(TObject*) {
    const TEntriesCalculation before = Entries();
    Edit_x2->SetText("0");
    SayNew(before, Edit_x2);
}

void TForm_qor1wgeo::Button_x1minClick(TObject*) {
    TLeastShift least;
    TEntriesCalculation typed;
    std::string spanAndBall;
    {
        TScratchGearData scratch;
        AbortFlag = 0;
        // The least shift depends on the teeth, the angles, the module, the tool and the tip: the
        // shift typed is not read (a shift that makes the calculation fail is what this button
        // repairs). A tip that cannot be read counts as the tool's full tip.
        if (!StoreControls(false)) return;
        if (GearData.z[2] < 0) {
            // The undercut limit belongs to external gears; a proposal from its formula would
            // be nonsense for a ring gear.
            ShowMessage("x min: an internal gear (z < 0) has no undercut limit; there is no "
                        "least profile shift to propose.");
            return;
        }
        StoreTip(false);
        const TGearData entries = GearData;
        least = LeastShift();
        // The span and ball entered may not fit at the least shift: the measurement dialog
        // proposes the ones that do.
        if (!least.text.empty() || std::isfinite(least.x)) {
            const std::vector<std::string> entered = EnteredMeasurementRefusals(
                entries, least.text.empty() ? least.x : StrToReal(least.text));
            if (!entered.empty())
                spanAndBall =
                    std::string(least.why.empty()
                                    ? " is the least shift at which the calculation holds "
                                      "without an error with"
                                    : "That is with") +
                    " k and the ball diameter that the measurement dialog proposes for it (its "
                    "\"<\" buttons). With the ones entered (" +
                    (entries.k[2] == 0 ? std::string("k 0: the calculation's own")
                                       : "k " + IntToString(entries.k[2])) +
                    ", " +
                    (entries.DM[2] == 0 ? std::string("DM 0: the usual ball")
                                        : "DM " + LengthInMessage(entries.DM[2])) +
                    ") it says:" + MessagesWithRemedies(entered);
        }
        // What the shift typed gives, to tell what the least shift adds.
        typed = Entries();
    }
    if (least.text.empty() && !std::isfinite(least.x)) {
        ShowMessage(least.why);
        return;
    }
    if (least.text.empty())
        Edit_x2->ShowValue(least.x, FloatToStrSig6(least.x));
    else
        Edit_x2->SetText(least.text);
    if (!spanAndBall.empty())
        spanAndBall = (least.why.empty() ? "x min " + Edit_x2->Text() : "") + spanAndBall;
    const std::string why = Paragraphs(least.why, spanAndBall);
    const TEntriesCalculation proposed = Entries();
    std::vector<std::string> fresh = NewMessages(typed, proposed);
    std::erase_if(fresh, [&why](const std::string& m) { return why.find(m) != std::string::npos; });
    const std::string said =
        Paragraphs(why, SaidNew("x min " + Edit_x2->Text(), fresh, proposed.Entries.get()));
    if (!said.empty()) ShowMessage(said);
}

namespace {

// The least shift of the grid and above at which the entries' calculation has no refusal but
// the standing ones, refined between the last refused and the first taken point, with the text
// the edit shows for it (rounded up; empty where it cannot show it): x is NaN where no point of
// the grid is taken. Refused holds each point's refusals up to the first taken.
struct TShiftSearch {
    long double x = NAN;
    std::string text;
    std::vector<std::vector<std::string>> refused;
};

TShiftSearch LeastTaken(const TGearData& entries, const std::vector<long double>& grid,
                        const std::vector<std::string>& standing) {
    TShiftSearch r;
    auto taken = [&](long double x) { return ShiftRefusals(entries, x, standing).empty(); };
    std::size_t n = 0;
    for (; n < grid.size(); ++n) {
        r.refused.push_back(ShiftRefusals(entries, grid[n], standing));
        if (r.refused.back().empty()) break;
    }
    if (n == grid.size()) return r;
    r.x = grid[n];
    // The least shift the edit shows that is taken: the first above the one refused, else the
    // first above the one taken; where none can be shown, the limit itself.
    long double lo = n > 0 ? grid[n - 1] : -INFINITY;
    if (n > 0)
        while (r.x - lo > 1e-7L) {
            const long double mid = (lo + r.x) / 2;
            (taken(mid) ? r.x : lo) = mid;
        }
    for (const long double v : {lo, r.x}) {
        const std::string text = Sig3Towards(v, true);
        if (std::isfinite(v) && !text.empty() && StrToReal(text) > lo && taken(StrToReal(text))) {
            r.text = text;
            break;
        }
    }
    return r;
}

} // namespace

TForm_qor1wgeo::TLeastShift TForm_qor1wgeo::LeastShift() {
    const TGearData entries = GearData;
    // The undercut limit (DIN 3960, the practical limit the calculation warns below) on the
    // safe side, and no shift below -1.5.
    const long double s = sinl(entries.alpha * Pi / 180), cb = cosl(entries.beta * Pi / 180);
    const long double zg = 2 / (s * s);
    const long double start =
        std::fmax((5.0L / 6 * zg - entries.z[2] / (cb * cb * cb)) / zg, -1.5L);
    TLeastShift least;
    least.text = Sig3Towards(start, true);
    if (!least.text.empty() && ShiftRefusals(entries, StrToReal(least.text), {}).empty())
        return least;
    // Beside the fixed gear 1 the calculation has limits of its own: an operating pressure
    // angle, allowances that take too much of the tooth, a tip inside the base circle or a
    // pointed one, the span and ball measured at the shift. Each shift up to 1.5 is tried on a
    // grid; the least taken lies between the last refused and the first taken.
    std::vector<long double> grid;
    for (long double x = start; x < 1.5L; x += 0.02L)
        grid.push_back(x);
    grid.push_back(1.5L);
    const TShiftSearch plain = LeastTaken(entries, grid, {});
    TShiftSearch found = plain;
    // Where no shift is taken, what no shift avoids stands in the way, then also the span and
    // ball measured (the measurement dialog proposes them again): each is said, and the least
    // shift that avoids everything else is proposed.
    std::vector<std::string> standing;
    auto stand = [&](const std::string& m) {
        if (std::find(standing.begin(), standing.end(), m) == standing.end()) standing.push_back(m);
    };
    if (std::isnan(found.x)) {
        for (const std::string& m : plain.refused.front())
            if (m.rfind("Fatal  : calculation stopped", 0) != 0 &&
                std::all_of(plain.refused.begin(), plain.refused.end(), [&m](const auto& why) {
                    return std::find(why.begin(), why.end(), m) != why.end();
                }))
                stand(m);
        // A fatal message that stops every calculation leaves nothing to propose.
        if (!standing.empty()) found = LeastTaken(entries, grid, standing);
    }
    std::vector<std::string> measured;
    for (const auto& why : plain.refused)
        for (const std::string& m : why)
            if (IsMeasurementMessage(m) &&
                std::find(measured.begin(), measured.end(), m) == measured.end())
                measured.push_back(m);
    if (std::isnan(found.x) && !measured.empty()) {
        for (const std::string& m : measured)
            stand(m);
        found = LeastTaken(entries, grid, standing);
    }
    if (std::isnan(found.x)) {
        // No shift: each check that refused and where.
        least.x = NAN;
        least.text.clear();
        least.why = "x min: no profile shift from " + FigureTowards(start, true) +
                    " up to 1.5 calculates beside gear 1 (z 6, x 0.5) without an error or "
                    "undercut:";
        std::vector<std::string> seen;
        for (const auto& why : plain.refused)
            for (const std::string& m : why)
                if (std::find(seen.begin(), seen.end(), m) == seen.end()) seen.push_back(m);
        for (const std::string& m : seen) {
            long double from = NAN, to = NAN;
            for (std::size_t k = 0; k < grid.size(); ++k)
                if (std::find(plain.refused[k].begin(), plain.refused[k].end(), m) !=
                    plain.refused[k].end()) {
                    if (std::isnan(from)) from = grid[k];
                    to = grid[k];
                }
            least.why +=
                "\n" + m + "  (x " + FloatToStrSig3(from) + " .. " + FloatToStrSig3(to) + ")";
        }
        return least;
    }
    least.x = found.x;
    least.text = found.text;
    const long double x = least.text.empty() ? least.x : StrToReal(least.text);
    if (!standing.empty()) {
        const std::vector<std::string> refusals = ShiftRefusals(entries, x, {});
        const TGearData at = GearData; // (what raised them)
        least.why = "x min: no profile shift up to 1.5 avoids every error; at the least that "
                    "avoids undercut and the others the calculation says (with k and the ball "
                    "diameter the measurement dialog proposes there):" +
                    MessagesWithRemedies(refusals, &at);
    }
    return least;
}

void TForm_qor1wgeo::Button_x05Click(TObject*) {
    bool ok = false;
    const long double z = ParseReal(Edit_z2->Text(), ok);
    const TEntriesCalculation typed = Entries();
    const std::string before = Edit_x2->Text();
    Edit_x2->SetText(ok && z < 0 ? "-0.5" : "0.5");
    TScratchGearData scratch;
    AbortFlag = 0;
    CalcErrorFlag = 0;
    if (!StoreControls()) return;
    CalculateInput();
    if (!ProposalCalculationHeld()) {
        // Nothing of the failed calculation is shown, the shift included.
        Edit_x2->SetText(before);
        return;
    }
    LoadControls();
    SayNew(typed, Edit_x2);
}

void TForm_qor1wgeo::Button_zClick(TObject*) {
    bool ok = false;
    const long double z = ParseReal(Edit_z2->Text(), ok);
    if (ok && fabsl(z) <= InputRange::Teeth.Hi) Edit_z2->SetText(IntToString(-llroundl(z)));
}

void TForm_qor1wgeo::Button_rechnenClick(TObject*) {
    TScratchGearData scratch;
    if (!StoreControls()) return;
    CalculateInput();
    ShowCalcMessages();
}

bool TForm_qor1wgeo::FullTipDiameter(long double& daTool, bool report) {
    TScratchGearData scratch;
    AbortFlag = 0;
    CalcErrorFlag = 0;
    if (!StoreControls()) return false;
    CalculateInput();
    if (report ? !ProposalCalculationHeld() : CalcErrorFlag != 0 || AbortFlag != 0) return false;
    daTool = GearData.daTool[2];
    return std::isfinite(daTool);
}

void TForm_qor1wgeo::Button_c1Click(TObject*) {
    // No addendum reduction: the tip diameter the tool generates.
    const TEntriesCalculation before = Entries();
    long double daTool = 0;
    if (!FullTipDiameter(daTool, true)) return;
    Edit_kmn2->ShowValue(0, LengthToStr(0));
    Edit_da2->ShowValue(daTool, LengthToStrDec(3, daTool));
    ShowNewMessages("Addendum reduction kmn 0, da " + Edit_da2->Text(), before, Entries());
}

void TForm_qor1wgeo::Edit_kmn2Exit(TObject*) {
    // Only an entry the user changed proposes its partner.
    long double kmn = 0;
    // A bad entry is reported by OK.
    if (!Edit_kmn2->Modified() || !Edit_kmn2->TryValue(kmn)) return;
    long double daTool = 0;
    if (!FullTipDiameter(daTool, false)) return; // OK reports the calculation's messages
    const long double da = daTool - 2.0L * kmn;
    Edit_kmn2->ShowValue(kmn, Edit_kmn2->Text());
    Edit_da2->ShowValue(da, LengthToStrDec(3, da));
}

void TForm_qor1wgeo::Edit_da2Exit(TObject*) {
    long double da = 0;
    if (!Edit_da2->Modified() || !Edit_da2->TryValue(da)) return;
    long double daTool = 0;
    if (!FullTipDiameter(daTool, false)) return; // OK reports the calculation's messages
    const long double kmn = (daTool - da) / 2.0L;
    Edit_da2->ShowValue(da, Edit_da2->Text());
    Edit_kmn2->ShowValue(kmn, LengthToStr(kmn));
}

void TForm_qor1wgeo::RadioGroup2Click(TObject*) {
    const bool byReduction = RadioGroup2->ItemIndex() != 1;
    Edit_kmn2->SetEnabled(byReduction);
    Edit_da2->SetEnabled(!byReduction);
    // A tip diameter of 0 stops the calculation: entered as such, it must be given.
    Edit_da2->SetKind(TValueKind::Length,
                      byReduction ? InputRange::Length : InputRange::TipDiameter);
}

void TForm_qor1wgeo::SpinButton_mnClick(int direction) {
    // A step is a proposal of its own: what an earlier question left in AbortFlag does not
    // stop it.
    AbortFlag = 0;
    const long double mn = Edit_mn->Peek();
    const long double m = StepStandardModule(direction, mn);
    // The module itself beyond either end of the series.
    if (m > 0 && m != mn) Edit_mn->ShowValue(m, LengthToStr(m));
}

void TForm_qor1wgeo::Edit_pitchExit(TObject*) {
    // Leaving the pitch rewrites the module only when the pitch was typed: the pitch shown is
    // rounded, and the module must not follow it.
    if (!Edit_pitch->Modified()) return;
    long double pitch = 0;
    if (!Edit_pitch->ReadValue(pitch)) {
        // Said once: the pitch follows the module again, so leaving it says nothing more.
        Edit_mnChange(Edit_mn);
        return;
    }
    if (pitch == 0) return;
    const long double mn = 25.4L / pitch;
    Edit_mn->ShowValue(mn, LengthToStr6(mn));
}

void TForm_qor1wgeo::Edit_mnChange(TObject*) {
    const long double mn = Edit_mn->Peek();
    if (mn == 0) return;
    const long double pitch = 25.4L / mn;
    if (std::isfinite(pitch)) Edit_pitch->ShowValue(pitch, FloatToStrSig3(pitch));
}

void TForm_qor1wgeo::Edit_betaChange(TObject*) {
    Button_sandvik->SetVisible(StrToReal(Edit_beta->Text()) > 0);
}

void TForm_qor1wgeo::Button_metricClick(TObject*) {
    TScratchGearData scratch;
    if (!StoreControls()) return;
    ToggleUnitSystem();
    LoadControls();
}

void TForm_qor1wgeo::Button_helpClick(TObject*) {
    ShowHelp(5000, 0, 1);
    AbortFlag = 0;
}

void TForm_qor1wgeo::Button_hilfebildClick(TObject*) {
    {
        TScratchGearData scratch;
        HelpNo = 5000; // the catalogue opens on the dialog's picture
        if (StoreControls()) ShowHelpPictures();
    }
    ToFront();
    AbortFlag = 0;
}

void TForm_qor1wgeo::Button_helpcClick(TObject*) {
    ShowHelp(5160, 0, 2);
    AbortFlag = 0;
    ToFront();
}

void TForm_qor1wgeo::Button_sandvikClick(TObject*) {
    // The virtual spur gear replaces the helical gear: the user confirms, may save the job
    // first, and the data changes at once.
    if (!AskYesNoCancel("\u00DF=0\u00B0, z=zn (irreversibel) ?")) return;
    if (!StoreControls()) return;
    CalculateInput();
    if (AskYesNoCancel("Save data ?")) {
        if (AbortFlag != 0) {
            AbortFlag = 0;
            return;
        }
        WriteGearDataFile(DataFileName);
    }
    if (AbortFlag != 0) {
        AbortFlag = 0;
        return;
    }
    if (!StoreControls()) return;
    CalculateInput();
    const long double zn = GearData.zn[2];
    Edit_beta->SetText("0");
    Edit_z2->SetText(FloatToStrDec(0, zn));
    RadioGroup2->SetItemIndex(0);
    // The allowances keep their values for the virtual gear: entered, no longer from the tables.
    GearData.TsnSeries[1] = GearData.TsnSeries[2] = 11;
    AbortFlag = 0;
    CalcErrorFlag = 0;
    if (!StoreControls()) return;
    CalculateInput();
    LoadControls();
}
