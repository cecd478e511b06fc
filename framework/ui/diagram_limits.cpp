#include "framework/ui/diagram_limits.h"

#include <cmath>
#include <string>

#include "framework/core/globals.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"
#include "framework/ui/questions.h"

TDiagramLimits DiagramUserLimits;

namespace {

constexpr int EditWidth = 90;
constexpr int EditHeight = 23;

TEdit* NewEdit(TForm* form, const char* name, int left, int top) {
    auto* e = new TEdit(form);
    e->SetName(name);
    e->SetParent(form);
    e->SetBounds(left, top, EditWidth, EditHeight);
    return e;
}

TButton* NewButton(TForm* form, const char* name, const char* caption, int left, int top) {
    auto* b = new TButton(form);
    b->SetName(name);
    b->SetParent(form);
    b->SetCaption(caption);
    b->SetBounds(left, top, 100, 27);
    return b;
}

} // namespace

TEinDiagramLimits::TEinDiagramLimits(TComponent* AOwner) : TForm(AOwner) {
    SetName("EinDiagramLimits");
    SetBorderStyle(bsDialog);
    SetClientWidth(448);
    SetClientHeight(246);

    Label_y = new TLabel(this);
    Label_y->SetName("Label_y");
    Label_y->SetParent(this);
    Label_y->SetBounds(8, 8, 200, 17);
    Edit_ymax = NewEdit(this, "Edit_ymax", 8, 30);
    Edit_ymin = NewEdit(this, "Edit_ymin", 8, 145);

    // Stands for the chart: its corners carry the four limits.
    GroupBox1 = new TGroupBox(this);
    GroupBox1->SetName("GroupBox1");
    GroupBox1->SetParent(this);
    GroupBox1->SetBounds(106, 30, 220, 138);
    GroupBox1->SetEnabled(false);

    Edit_xmin = NewEdit(this, "Edit_xmin", 106, 174);
    Edit_xmax = NewEdit(this, "Edit_xmax", 236, 174);
    Label_x = new TLabel(this);
    Label_x->SetName("Label_x");
    Label_x->SetParent(this);
    Label_x->SetBounds(332, 177, 110, 17);

    Button_ok = NewButton(this, "Button_ok", "&OK", 8, 210);
    Button_cancel = NewButton(this, "Button_cancel", "&Cancel", 116, 210);
    Button_help = NewButton(this, "Button_help", "&Help Text", 224, 210);
    Button_calc = NewButton(this, "Button_calc", "C&alculate", 332, 210);
    Button_ok->SetDefault(true);
    Button_cancel->SetCancel(true);

    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    Button_cancel->OnClick = [this](TObject* s) { Button_cancelClick(s); };
    Button_help->OnClick = [this](TObject* s) { Button_helpClick(s); };
    Button_calc->OnClick = [this](TObject* s) { Button_calcClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

void TEinDiagramLimits::SetCalcLimits(long double xmin, long double ymin, long double xmax,
                                      long double ymax) {
    FCalc = TDiagramLimits{xmin, ymin, xmax, ymax};
}

void TEinDiagramLimits::FormCreate(TObject*) {
    FitForm(this);
    SetCaption(ProductTitle);
    Edit_xmin->SetText(FloatToStrSig3(DiagramUserLimits.xmin));
    Edit_ymin->SetText(FloatToStrSig3(DiagramUserLimits.ymin));
    Edit_xmax->SetText(FloatToStrSig3(DiagramUserLimits.xmax));
    Edit_ymax->SetText(FloatToStrSig3(DiagramUserLimits.ymax));
}

void TEinDiagramLimits::FormShow(TObject*) {}

void TEinDiagramLimits::FormClose(TObject*, TCloseAction&) {
    // The close box is no answer: the chart keeps the limits it computed.
    if (!FAccepted) AbortFlag = 1;
}

void TEinDiagramLimits::Button_okClick(TObject*) {
    TEdit* const edits[4] = {Edit_xmin, Edit_ymin, Edit_xmax, Edit_ymax};
    long double values[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = ParseReal(edits[i]->Text(), ok);
        if (!ok || !std::isfinite(values[i])) {
            SetModalResult(mrNone);
            ShowErrorBox("Invalid Input \"" + edits[i]->Text() + "\" !");
            edits[i]->SetFocus();
            return;
        }
    }
    DiagramUserLimits = TDiagramLimits{values[0], values[1], values[2], values[3]};
    FAccepted = true;
    SetModalResult(mrOk);
}

void TEinDiagramLimits::Button_cancelClick(TObject*) {
    AbortFlag = 1;
    Close();
}

void TEinDiagramLimits::Button_helpClick(TObject*) {
    ShowHelp(1950, 1);
    AbortFlag = 0;
}

void TEinDiagramLimits::Button_calcClick(TObject*) {
    Edit_xmin->SetText(FloatToStrSig3(FCalc.xmin));
    Edit_ymin->SetText(FloatToStrSig3(FCalc.ymin));
    Edit_xmax->SetText(FloatToStrSig3(FCalc.xmax));
    Edit_ymax->SetText(FloatToStrSig3(FCalc.ymax));
}
