#include "framework/ui/printout.h"

#include <algorithm>
#include <cmath>

#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/drawing_window.h"
#include "framework/ui/questions.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/printer.h"

TPageFit PrintPageFit;

namespace {
// The PDF file the user chose (and was asked about) for the next printout.
std::string gConfirmedPdf;
} // namespace

const char* const NoPrinterQuestion =
    "No printer is set up on this computer. Print into a PDF file instead ?";

bool ChoosePdfOutput(TComponent* owner, const std::string& folder, const std::string& name) {
    TSaveDialog dialog(owner);
    dialog.Filter = "PDF files|*.pdf|All files|*.*";
    dialog.DefaultExt = "pdf";
    // A job from the command line has no data folder: its own folder then.
    dialog.InitialDir = AddBackslash(TrimBlanks(folder).empty() ? ExtractPath(name) : folder);
    // The job's name without the job file's extension (a job opened from the command line
    // keeps it in its name).
    const std::string base = JobBaseName(name);
    dialog.FileName = base.empty() ? std::string("printout.pdf") : base + ".pdf";
    // The question about replacing a file comes below, about the file that is really written.
    dialog.Options &= ~static_cast<TOpenOptions>(ofOverwritePrompt);
    if (!dialog.Execute()) return false;
    // A name with another extension (the job's own, say) gets ".pdf": a printout never
    // replaces the job.
    AbortFlag = 0;
    const std::string file = PrepareOutputFile(dialog.FileName, "pdf");
    if (file.empty() || !Printer()->SetOutputFileName(file)) return false;
    gConfirmedPdf = file;
    return true;
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

bool BeginPrintJob(const std::string& prefix) {
    TPrinter& printer = *Printer();
    const std::string target = printer.OutputFileName();
    if (!target.empty() && target != gConfirmedPdf) {
        // A file chosen in the print dialog, or one an earlier printout wrote.
        AbortFlag = 0;
        const std::string file = PrepareOutputFile(target, "pdf");
        if (file.empty() || !printer.SetOutputFileName(file)) {
            AbortFlag = 1;
            return false;
        }
    }
    gConfirmedPdf.clear();
    if (printer.BeginDoc()) return true;
    ShowError(prefix + printer.LastError());
    AbortFlag = 1;
    return false;
}

bool EndPrintJob(const std::string& prefix) {
    TPrinter& printer = *Printer();
    if (printer.EndDoc()) return true;
    ShowError(prefix + printer.LastError());
    AbortFlag = 1;
    return false;
}

namespace {

// Far beyond any page, well inside int.
constexpr long double kPixelLimit = 1.0e9L;

int RoundPixel(long double v) {
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

TSheetRect PrintedArea(const TSheetRect& sheet, const TDisplayList& list) {
    TSheetRect a = sheet;
    auto add = [&a](long double x, long double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        a.X1 = std::min(a.X1, x), a.X2 = std::max(a.X2, x);
        a.Y1 = std::min(a.Y1, y), a.Y2 = std::max(a.Y2, y);
    };
    TReplayTextStyle text; // the replay's start
    for (const TDisplayList::Record& r : list.Records()) {
        const double* v = list.Values(r);
        switch (r.Code) {
        case drMoveTo:
        case drLineTo:
            add(v[0], v[1]);
            break;
        case drLine:
            add(v[0], v[1]);
            add(v[2], v[3]);
            break;
        case drCircle:
            add(v[0] - v[2], v[1] - v[2]);
            add(v[0] + v[2], v[1] + v[2]);
            break;
        case drArc: {
            // Counter-clockwise from the start point to the end point; the quadrant points it
            // passes are its extremes.
            const long double cx = (v[0] + v[2]) / 2, cy = (v[1] + v[3]) / 2,
                              rr = (v[2] - v[0]) / 2;
            add(v[4], v[5]);
            add(v[6], v[7]);
            const long double a1 = atan2l(v[5] - cy, v[4] - cx);
            long double sweep = atan2l(v[7] - cy, v[6] - cx) - a1;
            if (sweep <= 0) sweep += 2 * Pi;
            for (int q = -4; q <= 8; ++q) {
                const long double at = q * Pi / 2 - a1;
                if (at > 0 && at < sweep)
                    add(cx + rr * cosl(q * Pi / 2), cy + rr * sinl(q * Pi / 2));
            }
            break;
        }
        case drSolid:
            for (int k = 0; k < 8; k += 2)
                add(v[k], v[k + 1]);
            break;
        case drTextStyle:
            text.Take(v);
            break;
        case drText: {
            // The text's upper left corner as the replay puts it, then its length and height.
            const long double h = text.Height, a = DegToRad(text.Angle), c = cosl(a), s = sinl(a);
            const long double tx = text.Angle != 0 ? v[0] - s * h * 0.7L : v[0];
            const long double ty = v[1] + (text.Angle != 0 ? c : 1) * h * 0.75L;
            const long double len = static_cast<long double>(list.TextOf(r).size()) * text.Width;
            for (const auto& [u, d] : {std::pair{0.0L, 0.0L}, {len, 0.0L}, {0.0L, h}, {len, h}})
                add(tx + u * c + d * s, ty + u * s - d * c);
            break;
        }
        default:
            break;
        }
    }
    return a;
}

int TPageFit::X(long double x) const {
    return RoundPixel(X0 + Kx * x);
}
int TPageFit::Y(long double y) const {
    return RoundPixel(Y0 - Ky * y);
}
int TPageFit::LenX(long double l) const {
    return RoundPixel(Kx * l);
}
int TPageFit::LenY(long double l) const {
    return RoundPixel(Ky * l);
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
