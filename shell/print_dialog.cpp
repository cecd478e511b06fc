// printcon: the graphic printout dialog.
#include "shell/print_dialog.h"

#include <algorithm>

#include "dbf/browse/facade.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/drawing_window.h"
#include "framework/ui/help.h"
#include "framework/ui/printout.h"
#include "framework/ui/questions.h"
#include "platform/gui/printer.h"
#include "shell/print_sets.h"
#include "shell/printer_info.h"

namespace {

// A scale of 0 would print nothing, a negative one off the page.
constexpr TInputRange kScale{0.01L, 100.0L};
constexpr TInputRange kOrigin{-1000.0L, 1000.0L}; // mm

constexpr int kLabelLeft = 16, kEditLeft = 112, kEditWidth = 80, kRow = 29, kTop = 16;
constexpr int kGroupLeft = 240, kGroupWidth = 190, kButtonLeft = 446, kButtonWidth = 130;

// The sets in the browse window's full edit view, starting on the one last chosen; the table is
// opened in place.
bool PickInBrowseWindow(const std::string& table, int& recNo) {
    dbf::DbfUse(table);
    if (AbortFlag != 0) return false;
    dbf::DbfSetTitles("Printout", "");
    if (recNo != 0) dbf::DbfGoto(recNo);
    if (AbortFlag == 0) dbf::DbfSetupMode("", 0);
    const bool picked = AbortFlag == 0 && dbf::DbfRecCount() > 0;
    if (picked) recNo = dbf::DbfRecNo();
    dbf::DbfClose();
    return picked;
}

} // namespace

PrintSetPickFunc PrintSetPick = &PickInBrowseWindow;

bool PrintDrawingWindow(bool fitLimits) {
    if (DrawWindow == nullptr) {
        ShowError("There is no drawing to print");
        AbortFlag = 1;
        return false;
    }
    if (fitLimits) {
        TFkelmgra::RestoreLimit();
        TFkelmgra::ResetZoom();
        TFkelmgra::ReSetWindow();
        TFkelmgra::ClearViewPort();
    }
    DrawWindow->FormPaint(DrawWindow);
    TPrinter& printer = *Printer();
    printer.Title = DataFileName;
    if (!BeginPrintJob("Printer: ")) return false;
    // A drawing in its frame: the whole sheet and all it holds on the page (see
    // framework/ui/printout.h).
    TSheetRect sheet;
    if (SheetOfDrawingKind(DrawingKind, sheet) && DisplayList != nullptr)
        PrintPageFit = FitSheetOnPage(PrintedArea(sheet, *DisplayList), printer.PageWidth(),
                                      printer.PageHeight(), printer.Resolution(), PrintScaleX,
                                      PrintScaleY, PrintOffsetX, PrintOffsetY);
    DrawToPrinter = 1;
    DrawWindow->FormPaint(DrawWindow);
    DrawToPrinter = 0;
    PrintPageFit.On = false;
    return EndPrintJob("Printer: ");
}

TForm_printconf::TForm_printconf(TComponent* AOwner) : TInputForm(AOwner) {
    SetName("Form_printconf");
    SetClientWidth(kButtonLeft + kButtonWidth + 16);
    SetClientHeight(kTop + 8 * kRow + 8);

    int top = kTop;
    auto row = [&](TLabel*& label, const char* labelName, const char* caption, TValueEdit*& edit,
                   const char* editName, TValueKind kind, TInputRange range) {
        label = NewLabel(this, labelName, caption, kLabelLeft, top, kEditLeft - kLabelLeft - 4);
        edit = NewValueEdit(this, editName, kind, range, kEditLeft, top, kEditWidth);
        edit->Caption = label;
        top += kRow;
    };
    row(Label_scalex, "Label_scalex", "Scale x", Edit_scalex, "Edit_scalex", TValueKind::Real,
        kScale);
    row(Label_scaley, "Label_scaley", "Scale y", Edit_scaley, "Edit_scaley", TValueKind::Real,
        kScale);
    row(Label_xorigin, "Label_xorigin", "Origin x", Edit_xorigin, "Edit_xorigin",
        TValueKind::Integer, kOrigin);
    row(Label_yorigin, "Label_yorigin", "Origin y", Edit_yorigin, "Edit_yorigin",
        TValueKind::Integer, kOrigin);
    Label_xoriginu =
        NewLabel(this, "Label_xoriginu", "mm", kEditLeft + kEditWidth + 6, kTop + 2 * kRow, 30);
    Label_yoriginu =
        NewLabel(this, "Label_yoriginu", "mm", kEditLeft + kEditWidth + 6, kTop + 3 * kRow, 30);
    CheckBox_umrandung =
        NewCheckBox(this, "CheckBox_umrandung", "Border line", kLabelLeft, top, 200, nullptr);
    top += kRow;
    CheckBox_anpassen =
        NewCheckBox(this, "CheckBox_anpassen", "fit limits", kLabelLeft, top, 200, nullptr);

    RadioGroup_hochquer = NewRadioGroup(this, "RadioGroup_hochquer", "Printout", kGroupLeft, 8,
                                        kGroupWidth, 80, {"Portrait", "Landscape"});
    RadioGroup_printmono = NewRadioGroup(this, "RadioGroup_printmono", "shading", kGroupLeft, 96,
                                         kGroupWidth, 80, {"Monochrome", "Color / grey-scale"});
    Label_printer =
        NewLabel(this, "Label_printer", "", kLabelLeft, kTop + 7 * kRow, kButtonLeft - 2 * 16);

    CreateOkCancel(kButtonLeft, kTop, [this] {
        long double entries[4];
        if (!ReadEntries(entries)) return false;
        // No print queue: the printout goes into a PDF file, or the dialog stays open. Nothing
        // is taken over before: a question or file choice cancelled on the way, then Cancel,
        // leaves the settings as they were.
        bool chosen = false;
        if (!PrintoutTargetReady(this, DataDir, DataFileName, chosen)) return false;
        FPdfChosen = FPdfChosen || chosen;
        StoreControls();
        PrintDrawingWindow(CheckBox_anpassen->Checked());
        return true;
    });
    Button_ok = FOk;
    Button_cancel = FCancel;
    Button_ok->SetBounds(kButtonLeft, kTop, kButtonWidth, RowHeight);
    Button_cancel->SetBounds(kButtonLeft, kTop + kRow, kButtonWidth, RowHeight);
    int b = kTop + 2 * kRow;
    auto button = [&](const char* name, const char* caption, void (TForm_printconf::*h)(TObject*)) {
        TButton* x = NewButton(this, name, caption, kButtonLeft, b, kButtonWidth,
                               [this, h] { (this->*h)(this); });
        b += kRow;
        return x;
    };
    Button_help = NewButton(this, "Button_help", "&Help", kButtonLeft, b, kButtonWidth, [] {
        ShowHelp(1030, 0, 1);
        AbortFlag = 0;
    });
    b += kRow;
    Button_db = button("Button_db", "&Database", &TForm_printconf::Button_dbClick);
    Button_append =
        button("Button_append", "&Apply Database", &TForm_printconf::Button_appendClick);
    Button_printer = button("Button_printer", "&Printer...", &TForm_printconf::Button_printerClick);
    Button_pdf = button("Button_pdf", "PD&F...", &TForm_printconf::Button_pdfClick);
    Button_info = button("Button_info", "Printer I&nfo", &TForm_printconf::Button_infoClick);
    PrintDialog1 = new TPrintDialog(this);
    PrintDialog1->SetName("PrintDialog1");

    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormActivate(s); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
}

void TForm_printconf::FormCreate(TObject*) {
    FitForm(this);
    SetCaption(ProductTitle + "  " + "Graphic Printout");
    TPrinter& printer = *Printer();
    switch (DrawingKind) {
    case 0:
    case 1:
        PrintScaleX = ScreendumpScale;
        PrintScaleY = PrintScaleVertical;
        PrintOffsetX = ScreendumpOriginX;
        PrintOffsetY = ScreendumpOriginY;
        PrintBorder = ScreendumpBorder ? 1 : 0;
        printer.SetOrientation(PrinterOrientation == 1 ? poPortrait : poLandscape);
        break;
    case 2:   // a drawing in its frame: the whole sheet at its true size where the page holds
    case 3: { // it, on paper turned as the sheet is
        TSheetRect sheet;
        SheetOfDrawingKind(DrawingKind, sheet);
        PrintScaleX = 1.0;
        PrintScaleY = 1.0;
        PrintOffsetX = 0;
        PrintOffsetY = 0;
        PrintBorder = 0;
        printer.SetOrientation(sheet.Landscape() ? poLandscape : poPortrait);
        break;
    }
    default:
        break;
    }
    LoadControls();
}

void TForm_printconf::LoadControls() {
    auto show = [](TValueEdit* e, long double v, bool whole) {
        e->ShowValue(v, whole ? IntToString(static_cast<long long>(v)) : FloatToStrSig3(v));
    };
    show(Edit_scalex, PrintScaleX, false);
    show(Edit_scaley, PrintScaleY, false);
    show(Edit_xorigin, PrintOffsetX, true);
    show(Edit_yorigin, PrintOffsetY, true);
    CheckBox_umrandung->SetChecked(PrintBorder != 0);
    RadioGroup_printmono->SetItemIndex(ClampIndex(static_cast<long long>(WinPrintMode) - 1, 2));
    RadioGroup_hochquer->SetItemIndex(Printer()->Orientation() == poLandscape ? 1 : 0);
}

bool TForm_printconf::ReadEntries(long double (&v)[4]) {
    return ReadValues({{Edit_scalex, &v[0]},
                       {Edit_scaley, &v[1]},
                       {Edit_xorigin, &v[2]},
                       {Edit_yorigin, &v[3]}});
}

bool TForm_printconf::StoreControls() {
    long double v[4];
    if (!ReadEntries(v)) return false;
    PrintScaleX = static_cast<double>(v[0]);
    PrintScaleY = static_cast<double>(v[1]);
    PrintOffsetX = static_cast<std::int32_t>(v[2]);
    PrintOffsetY = static_cast<std::int32_t>(v[3]);
    PrintBorder = CheckBox_umrandung->Checked() ? 1 : 0;
    WinPrintMode = static_cast<std::uint16_t>(std::max(RadioGroup_printmono->ItemIndex(), 0) + 1);
    Printer()->SetOrientation(RadioGroup_hochquer->ItemIndex() == 0 ? poPortrait : poLandscape);
    return true;
}

void TForm_printconf::ShowPrinterName() {
    const TPrinter& printer = *Printer();
    const std::string& file = printer.OutputFileName();
    // A PDF file by its name; the whole path as the hint.
    if (!printer.HasTarget())
        Label_printer->SetCaption("No printer is set up: OK prints into a PDF file");
    else
        Label_printer->SetCaption(file.empty() ? "Printer: " + printer.PrinterName()
                                               : "PDF: " + file.substr(file.find_last_of('/') + 1));
    Label_printer->SetHint(file);
    Label_printer->SetShowHint(!file.empty());
}

void TForm_printconf::FormActivate(TObject*) {
    ShowPrinterName();
    Printer()->Title = DataFileName;
}

void TForm_printconf::FormDestroy(TObject*) {
    // The next printout goes to the printer again.
    if (FPdfChosen) Printer()->SetOutputFileName("");
}

void TForm_printconf::Button_printerClick(TObject*) {
    if (Printer()->Printers().empty()) {
        // An empty list of printers to pick from helps nobody: offer the PDF file instead.
        bool chosen = false;
        Printer()->SetOutputFileName("");
        if (PrintoutTargetReady(this, DataDir, DataFileName, chosen)) FPdfChosen = true;
        ShowPrinterName();
        return;
    }
    // The dialog offers the print queues and the PDF file, the one in use chosen.
    if (!PrintDialog1->Execute()) return;
    FPdfChosen = !Printer()->OutputFileName().empty();
    ShowPrinterName();
    RadioGroup_hochquer->SetItemIndex(Printer()->Orientation() == poLandscape ? 1 : 0);
}

void TForm_printconf::Button_pdfClick(TObject*) {
    if (!ChoosePdfOutput(this, DataDir, DataFileName)) return;
    FPdfChosen = true;
    ShowPrinterName();
}

void TForm_printconf::Button_infoClick(TObject*) {
    FormPtr<TForm_printerinfo> info(NewForm<TForm_printerinfo>(this));
    info->ShowModal();
    AbortFlag = 0;
}

void TForm_printconf::Button_dbClick(TObject*) {
    AbortFlag = 0;
    const std::string table = PrintSetTable();
    int recNo = PrintoutRecNo;
    TPrintSet set;
    if (!table.empty()) {
        const std::uint16_t help = HelpNo;
        SetHelpNo(1040);
        const bool picked = PrintSetPick(table, recNo);
        HelpNo = help;
        if (picked && ReadPrintSet(table, recNo, set)) {
            PrintoutRecNo = static_cast<std::uint16_t>(std::clamp(recNo, 0, 65535));
            // The set's values exactly, whatever digits the edits show.
            Edit_scalex->ShowValue(set.ScaleX, FloatToStrSig3(set.ScaleX));
            Edit_scaley->ShowValue(set.ScaleY, FloatToStrSig3(set.ScaleY));
            Edit_xorigin->ShowValue(set.OriginX, IntToString(set.OriginX));
            Edit_yorigin->ShowValue(set.OriginY, IntToString(set.OriginY));
            RadioGroup_hochquer->SetItemIndex(set.Landscape ? 1 : 0);
            RadioGroup_printmono->SetItemIndex(set.Monochrome ? 0 : 1);
            CheckBox_anpassen->SetChecked(set.FitLimits);
            CheckBox_umrandung->SetChecked(set.BorderLine);
        }
    }
    AbortFlag = 0;
}

void TForm_printconf::Button_appendClick(TObject*) {
    AbortFlag = 0;
    long double v[4];
    if (!ReadEntries(v)) return;
    const std::string table = PrintSetTable();
    if (table.empty()) {
        AbortFlag = 0;
        return;
    }
    std::string name;
    // A name the table cannot hold as typed is refused with the prompt still open.
    InputText("Name", PrintSetNameLength, name,
              [&table](const std::string& typed) { return PrintSetNameProblem(table, typed); });
    if (AbortFlag != 0) { // cancelled: the table is not touched
        AbortFlag = 0;
        return;
    }
    name = TrimBlanks(name);
    if (name.empty()) {
        ShowError("A print set needs a name");
        return;
    }
    TPrintSet set;
    set.Name = name;
    set.ScaleX = static_cast<double>(v[0]);
    set.ScaleY = static_cast<double>(v[1]);
    set.OriginX = static_cast<int>(v[2]);
    set.OriginY = static_cast<int>(v[3]);
    set.Landscape = RadioGroup_hochquer->ItemIndex() == 1;
    set.Monochrome = RadioGroup_printmono->ItemIndex() == 0;
    set.FitLimits = CheckBox_anpassen->Checked();
    set.BorderLine = CheckBox_umrandung->Checked();
    AppendPrintSet(table, set);
    AbortFlag = 0;
}
