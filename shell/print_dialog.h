#pragma once
// printcon: the graphic printout dialog TForm_printconf of File > Print. It prints the drawing
// window's picture on the printer in use, or into a PDF file, with a scale, an origin, an
// orientation, monochrome or colours, a border line and an optional fit to the picture's limits,
// and keeps named sets of these settings in "printout.dbf" (shell/print_sets.h).
//
// Created with the presets of the drawing on screen (DrawingKind 0 and 1: the configured screen
// dump; 2 and 3, a drawing in its A4 or A3 frame: scale 1 and 1, origin 0/0, no border, the
// paper turned as the sheet is; such a sheet prints whole, framework/ui/printout.h). OK
// stores the settings (an entry that is no number in its range is reported and keeps the
// dialog open) and prints; with no print queue set up it offers a PDF file instead (declined,
// the dialog stays open); Cancel sets AbortFlag. "Database" takes a named set into the
// controls; "Apply Database" saves the controls as a new named set. "PDF..." sends the printout
// to a PDF file instead of the printer, "Printer Info" lists the printer's capabilities.

#include <string>

#include "platform/gui/dialogs.h"
#include "shell/input_fields.h"

class TForm_printconf : public TInputForm {
public:
    explicit TForm_printconf(TComponent* AOwner);

    TLabel *Label_scalex, *Label_scaley, *Label_xorigin, *Label_yorigin, *Label_xoriginu,
        *Label_yoriginu, *Label_printer;
    TValueEdit *Edit_scalex, *Edit_scaley, *Edit_xorigin, *Edit_yorigin;
    TCheckBox *CheckBox_umrandung, *CheckBox_anpassen;
    TRadioGroup *RadioGroup_printmono, *RadioGroup_hochquer;
    TButton *Button_ok, *Button_cancel, *Button_help, *Button_db, *Button_append, *Button_printer,
        *Button_pdf, *Button_info;
    TPrintDialog* PrintDialog1;

    void FormCreate(TObject* Sender);
    void FormActivate(TObject* Sender);
    void FormDestroy(TObject* Sender);
    // The controls from the settings and the printer.
    void LoadControls();
    // The settings and the printer's orientation from the controls; false (reported) for an
    // entry that is no number in its range.
    bool StoreControls();
    void Button_printerClick(TObject* Sender);
    void Button_pdfClick(TObject* Sender);
    void Button_infoClick(TObject* Sender);
    void Button_dbClick(TObject* Sender);
    void Button_appendClick(TObject* Sender);

private:
    // The scales and origins (scale x, scale y, origin x, origin y) as entered; false
    // (reported) for an entry that is no number in its range.
    bool ReadEntries(long double (&v)[4]);
    void ShowPrinterName();
    bool FPdfChosen = false;
};

// Prints the drawing window's picture with the print settings in force: when fitLimits is set
// the window first returns to the drawing's limits (zoom dropped). False (reported, AbortFlag)
// when there is no drawing window or the printer failed.
bool PrintDrawingWindow(bool fitLimits);

// The named set to load: the user picks one of the sets of the table in the browse window (the
// one last chosen current); false when cancelled. Tests may replace it.
using PrintSetPickFunc = bool (*)(const std::string& table, int& recNo);
extern PrintSetPickFunc PrintSetPick;
