#include "framework/ui/printout.h"

#include <algorithm>
#include <cmath>

#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/printer.h"
#include "platform/os/paths.h"

TPageFit PrintPageFit;

const char* const NoPrinterQuestion =
    "No printer is set up on this computer. Print into a PDF file instead ?";

bool ChoosePdfOutput(TComponent* owner, const std::string& folder, const std::string& name) {
    TSaveDialog dialog(owner);
    dialog.Filter = "PDF files|*.pdf|All files|*.*";
    dialog.DefaultExt = "pdf";
    dialog.InitialDir = AddBackslash(folder);
    // The job's name without the job file's extension (a job opened from the command line
    // keeps it in its name).
    std::string base = ExtractFileName(name);
    const std::string ext = "." + DataFileExt.str();
    if (base.size() > ext.size() && os::SameNameNoCase(base.substr(base.size() - ext.size()), ext))
        base.erase(base.size() - ext.size());
    dialog.FileName = base.empty() ? std::string("printout.pdf") : base + ".pdf";
    if (!dialog.Execute()) return false;
    return Printer()->SetOutputFileName(dialog.FileName);
}

bool PrintoutTargetReady(TComponent* owner, const std::string& folder, const std::string& name,
                         bool& pdfChosen) {
    pdfChosen = false;
    if (Printer()->HasTarget()) return true;
    if (MessageBox(NoPrinterQuestion, MakerTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    pdfChosen = ChoosePdfOutput(owner, folder, name);
    return pdfChosen;
}

namespace {

// Far beyond any page, well inside int.
constexpr long double kPixelLimit = 1.0e9L;

int Round(long double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int>(lrintl(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

bool Positive(long double v) {
    return std::isfinite(v) && v > 0;
}

} // namespace

bool SheetOfDrawingKind(std::uint16_t kind, TSheetRect& sheet) {
    // The outer edges the drawing frames draw (an A4 frame upright, an A3 frame lying).
    switch (kind) {
    case 2:
        sheet = {0, 0, 210, 297};
        return true;
    case 3:
        sheet = {0, 0, 420, 297};
        return true;
    default:
        return false;
    }
}

int TPageFit::X(long double x) const {
    return Round(X0 + Kx * x);
}
int TPageFit::Y(long double y) const {
    return Round(Y0 - Ky * y);
}
int TPageFit::LenX(long double l) const {
    return Round(Kx * l);
}
int TPageFit::LenY(long double l) const {
    return Round(Ky * l);
}

TPageFit FitSheetOnPage(const TSheetRect& sheet, int pageW, int pageH, int dpi, double scaleX,
                        double scaleY, double originX, double originY) {
    TPageFit fit;
    if (pageW <= 0 || pageH <= 0 || dpi <= 0 || !Positive(sheet.Width()) ||
        !Positive(sheet.Height()) || !Positive(scaleX) || !Positive(scaleY) ||
        !std::isfinite(originX) || !std::isfinite(originY))
        return fit;
    const long double perMm = dpi / 25.4L;
    const long double k =
        perMm * std::min({1.0L, pageW / (sheet.Width() * perMm), pageH / (sheet.Height() * perMm)});
    fit.Kx = k * scaleX;
    fit.Ky = k * scaleY;
    // The sheet's upper left corner, so that the sheet stands in the middle of the page.
    const long double left = (pageW - sheet.Width() * fit.Kx) / 2 + originX * perMm;
    const long double top = (pageH - sheet.Height() * fit.Ky) / 2 + originY * perMm;
    fit.X0 = left - sheet.X1 * fit.Kx;
    fit.Y0 = top + sheet.Y2 * fit.Ky;
    fit.On = true;
    return fit;
}
