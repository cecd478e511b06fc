#pragma once
// The printer's page as printouts use it.
//
// A PDF file in place of a printer: with no print queue set up, a printout says so and offers to
// print into a PDF file instead of doing nothing.
//
// Where the graphic printout puts a drawing sheet on the paper. A drawing in its frame (an A4
// or A3 sheet) is printed whole: the sheet with everything drawn beyond its edge centred on the
// printable area at its true size, or smaller when the area cannot hold it, times the print
// scales and moved by the print origin (mm on the paper). The drawing window's replay maps a
// drawing's mm to printer pixels through PrintPageFit while it is on; other pictures keep the
// screen-based print mapping.

#include <cstdint>
#include <string>

class TComponent;
class TDisplayList;

// The question asked when no print queue is set up.
extern const char* const NoPrinterQuestion;

// Lets the user choose a PDF file (suggested: name + ".pdf" in folder) and sends the printer's
// output there. False when cancelled.
bool ChoosePdfOutput(TComponent* owner, const std::string& folder, const std::string& name);

// Before a printout: when neither a print queue is set up nor a PDF file chosen, asks
// NoPrinterQuestion and on Yes lets the user choose the PDF file. True when the printout can go
// ahead; pdfChosen is set when the file was chosen here (the caller then sends later printouts
// to the printer again with Printer()->SetOutputFileName("")).
bool PrintoutTargetReady(TComponent* owner, const std::string& folder, const std::string& name,
                         bool& pdfChosen);

// Begins a print job on Printer(). A PDF file as its target goes through the one path of files
// the user names (framework/ui/questions.h: PrepareOutputFile) unless it was chosen for this
// printout just now: ".pdf" added, never the open job or a file the program holds open, an
// existing file asked about. False (reported, AbortFlag) when refused, not confirmed or when the
// job cannot begin; prefix goes before the printer's message.
bool BeginPrintJob(const std::string& prefix = {});
// Ends the job begun: the PDF file is put in place only when it came out whole (the file there
// before stays otherwise). False (reported, AbortFlag) on failure. A later printout into the same
// file asks again.
bool EndPrintJob(const std::string& prefix = {});

// A drawing sheet in drawing mm: the rectangle x1..x2, y1..y2 of its outer edge.
struct TSheetRect {
    long double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    long double Width() const { return X2 - X1; }
    long double Height() const { return Y2 - Y1; }
    bool Landscape() const { return Width() > Height(); }
};

// The sheet of a drawing kind (DrawingKind): 2 an A4 portrait sheet (210 x 297 mm), 3 an A3
// landscape sheet (420 x 297 mm), both with their lower left corner at the origin. False for
// the other kinds (pictures without a sheet).
bool SheetOfDrawingKind(std::uint16_t kind, TSheetRect& sheet);

// The part of the paper a sheet's printout takes: the sheet and whatever the display list draws
// beyond its edge (the product line above an A4 or A3 frame, the screen's footer below it),
// texts as the drawing window writes them (average character width, 1.6 times their height).
TSheetRect PrintedArea(const TSheetRect& sheet, const TDisplayList& list);

// The printer pixels of drawing mm: x grows to the right, y downwards on the page.
struct TPageFit {
    bool On = false;
    long double Kx = 1, Ky = 1; // printer pixels per drawing mm
    long double X0 = 0, Y0 = 0; // the printer pixel of the drawing's origin
    int X(long double x) const;
    int Y(long double y) const;
    int LenX(long double l) const;
    int LenY(long double l) const;
};

// The mapping in force while the printout replays a sheet (On only then).
extern TPageFit PrintPageFit;

// The sheet on a printable area of pageW x pageH pixels at dpi pixels per inch: its true size
// or, when that does not fit, the largest size that does, times scaleX and scaleY, centred and
// then moved by originX and originY mm (right and down). On is false for an empty page or
// sheet, a resolution or scale that is no positive number.
TPageFit FitSheetOnPage(const TSheetRect& sheet, int pageW, int pageH, int dpi, double scaleX,
                        double scaleY, double originX, double originY);
