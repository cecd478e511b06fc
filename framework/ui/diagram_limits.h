#pragma once
// lcaduti1, its dialog: the diagram-limits form TEinDiagramLimits, in which the user types the
// axis limits of a chart before it goes to a CAD file (the chart layer, cad/charts.h, shows
// it). "Calculate" fills in the limits the chart computed; OK stores the four limits in
// DiagramUserLimits; Cancel, Esc and the close box set AbortFlag (the computed limits stand).
//
// Layout: the y limits at the left (Label_y above Edit_ymax, Edit_ymin at the bottom), a
// disabled group box standing for the chart, Edit_xmin under its left and Edit_xmax under its
// right corner with Label_x beside it, and the buttons OK, Cancel, help and "Calculate" in one
// row at the bottom.

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

struct TDiagramLimits {
    long double xmin = 0;
    long double ymin = 0;
    long double xmax = 1;
    long double ymax = 1;
};
// The limits typed last; (0, 0, 1, 1) at program start.
extern TDiagramLimits DiagramUserLimits;

class TEinDiagramLimits : public TForm {
public:
    explicit TEinDiagramLimits(TComponent* AOwner);

    TGroupBox* GroupBox1 = nullptr;
    TEdit* Edit_ymax = nullptr;
    TEdit* Edit_ymin = nullptr;
    TEdit* Edit_xmin = nullptr;
    TEdit* Edit_xmax = nullptr;
    TButton* Button_calc = nullptr;
    TButton* Button_help = nullptr;
    TButton* Button_cancel = nullptr;
    TButton* Button_ok = nullptr;
    TLabel* Label_y = nullptr;
    TLabel* Label_x = nullptr;

    // The limits the chart computed, shown by "Calculate".
    void SetCalcLimits(long double xmin, long double ymin, long double xmax, long double ymax);

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    // Reads the four edits; a text that is no number is reported and the form stays open on it.
    void Button_okClick(TObject* Sender);
    void Button_cancelClick(TObject* Sender);
    void Button_helpClick(TObject* Sender);
    void Button_calcClick(TObject* Sender);

private:
    TDiagramLimits FCalc;
    bool FAccepted = false;
};
