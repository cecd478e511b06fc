#include "cad/cadout.h"

#include <array>
#include <cmath>
#include <memory>

#include "cad/cadwriter.h"
#include "cad/dxfwrite.h"
#include "cad/screenwrite.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/geom2d.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/drawing_window.h"
#include "framework/ui/questions.h"
#include "platform/gui/dialogs.h"
#include "platform/os/utf8.h"

CadPlotFormFunc CadPlotFormHook = nullptr;
CadPlotLineEditFunc CadPlotLineEditHook = nullptr;

void InitCadVariables() {
    InitCadConfig();
    InitCadState();
}

// ---- the writers -----------------------------------------------------------------------------

namespace {

std::array<CadWriterFactory, 6> Factories;

// The writer of the open output; before any output was opened, the screen (code 3).
std::unique_ptr<TCadWriter> Output = std::make_unique<TScreenWriter>();
// Where primitives go: Output, or its BlocksTarget inside the blocks section.
TCadWriter* Active = Output.get();

std::unique_ptr<TCadWriter> NewWriter(std::uint16_t code) {
    if (code >= 1 && code <= 5 && Factories[code]) return Factories[code]();
    switch (code) {
    case 1:
        return std::make_unique<TDxfWriter>();
    case 3:
        return std::make_unique<TScreenWriter>();
    case 4:
        return std::make_unique<TPlotWriter>();
    default:
        return nullptr;
    }
}

void SetOutput(std::unique_ptr<TCadWriter> w) {
    if (!w) w = std::make_unique<TCadWriter>(); // code 0: every primitive is ignored
    Output = std::move(w);
    Active = Output.get();
    CadBlocksOpen = false;
}

const char* FormatName(std::uint16_t code) {
    return code == 1 || code == 4 ? "DXF" : code == 2 ? "IGES" : code == 5 ? "TXT" : "CAD";
}

std::string BatchFileName(const std::string& ext) {
    return DataFileName + "." + ext;
}

// The file name of codes 1, 2 and 5: the batch name or the save dialog. False when cancelled.
bool ChooseOutputFile(const std::string& ext) {
    if (CadBatchOutput) {
        CadFileName = BatchFileName(ext);
        return true;
    }
    TSaveDialog dialog(nullptr);
    dialog.Filter = "*." + ext + "|*." + ext + "|*.*|*.*";
    dialog.InitialDir = AddBackslash(CadDir);
    // The job's name with the format's extension, never the job's own file (a job opened by
    // its full path names its folder and extension too).
    const std::string base = JobBaseName();
    dialog.FileName = base.empty() ? std::string() : base + "." + ext;
    dialog.DefaultExt = ext;
    // The question about replacing a file comes below, about the file that is really written.
    dialog.Options &= ~static_cast<TOpenOptions>(ofOverwritePrompt);
    const bool ok = dialog.Execute();
    if (!ok || TrimBlanks(dialog.FileName).empty()) {
        AbortFlag = 1;
        CadFileName.clear();
        RestoreCursor();
        return false;
    }
    // The one path of files the user names: any other extension gets the format's added, so a
    // drawing never replaces a job or another file the name happened to match.
    CadFileName = PrepareOutputFile(dialog.FileName, ext);
    if (CadFileName.empty()) {
        RestoreCursor();
        return false;
    }
    return true;
}

// Starts the writer on its sink (rc: why there is none); a failure is reported and ends the
// drawing.
bool StartWriter(std::unique_ptr<TCadWriter> w, std::unique_ptr<TCadSink> sink, int rc = 0) {
    if (!sink) {
        ShowError(FileProblemText("file write error", CadFileName, rc));
        AbortFlag = 1;
        return false;
    }
    if (!w->Open(std::move(sink))) { // the writer has said why
        AbortFlag = 1;
        return false;
    }
    SetOutput(std::move(w));
    return true;
}

} // namespace

std::string CadBatchFileName(std::uint16_t code) {
    const std::unique_ptr<TCadWriter> w = code == 4 ? nullptr : NewWriter(code);
    return w == nullptr || w->Extension().empty() ? std::string() : BatchFileName(w->Extension());
}

void RegisterCadWriter(std::uint16_t code, CadWriterFactory factory) {
    if (code < 1 || code > 5) return;
    Factories[code] = std::move(factory);
}

bool CadWriterRegistered(std::uint16_t code) {
    return code >= 1 && code <= 5 && (Factories[code] || code == 1 || code == 3 || code == 4);
}

TCadWriter* CurrentCadWriter() {
    return Output.get();
}

TCadWriter* CadActiveWriter() {
    return Active;
}

void CadRouteBlocks(bool open) {
    CadBlocksOpen = open;
    Active = open ? Output->BlocksTarget() : Output.get();
}

bool CadOpenStream(std::uint16_t code, std::ostream& out, const std::string& name) {
    Output->Abandon();
    SetOutput(nullptr);
    std::unique_ptr<TCadWriter> w = NewWriter(code);
    if (!w) return false;
    CadOutputCode = code;
    CadFileName = name;
    return StartWriter(std::move(w), CadStreamSink(out));
}

// ---- selection, opening, closing -----------------------------------------------------------

void CadSelectOutput() {
    TextLines[1] = "DXF";
    TextLines[2] = "IGES";
    TextLines[3] = "Control Output to Screen";
    TextLines[4] = "KVILPEN - Send to Printer/Plotter";
    TextLines[5] = "TXT";
    SetHelpContext(2050);
    int code = CadOutputCode;
    SelectCode("CAD Code", 5, code);
    if (AbortFlag) return;
    CadOutputCode = static_cast<std::uint16_t>(code);
    if (CadOutputCode != 4) return;

    const int count = std::clamp<int>(PlotLineCount, 1, PlotLineMax);
    if (count >= 2) {
        for (int i = 1; i <= count; ++i)
            TextLines[i] = os::Utf8Left(PlotLines[i], 65);
        SetHelpContext(2055);
        int k = SelectedPlotLine;
        SelectCode("KVILPEN Command Line", count, k);
        if (AbortFlag) return;
        SelectedPlotLine = static_cast<std::uint16_t>(k);
    } else {
        SelectedPlotLine = 1;
    }
    if (SelectedPlotLine < 1 || SelectedPlotLine > count) SelectedPlotLine = 1;

    if (CadPlotFormHook != nullptr) {
        std::string line = PlotLines[SelectedPlotLine];
        if (!CadPlotFormHook(line)) AbortFlag = 1;
        if (AbortFlag) return;
        PlotLines[SelectedPlotLine] = line;
    }

    SetHelpContext(2060);
    std::string text = PlotLines[SelectedPlotLine];
    InputText("KVILPEN command line (0=Parameter)", 60, text);
    if (AbortFlag) return;
    if (TrimBlanks(text).empty() || TrimBlanks(text)[0] == '0') {
        // Without the prompt-driven editor the stored line stays as it is.
        if (CadPlotLineEditHook == nullptr) return;
        CadPlotLineEditHook(text, 0);
        if (AbortFlag) return;
    }
    PlotLines[SelectedPlotLine] = text;
}

void CadSetOutputCode(std::uint16_t code) {
    CadOutputCode = code;
}

void CadOpenOutput(std::uint16_t code) {
    CadSetOrigin(0, 0);
    DrawingKind = 0;
    CadRequestedCode = code;
    // A drawing left open by a routine that stopped early is finished here, never mixed in.
    Output->Abandon();
    SetOutput(nullptr);

    if (code != 0)
        CadSetOutputCode(code);
    else
        CadSelectOutput();
    if (AbortFlag) return;

    std::unique_ptr<TCadWriter> w = NewWriter(CadOutputCode);
    if (!w) {
        if (CadOutputCode == 2 || CadOutputCode == 5) {
            ShowError(std::string(FormatName(CadOutputCode)) + " output is not available");
            AbortFlag = 1;
            return;
        }
        // Code 0 and unknown codes: every primitive is ignored.
    } else if (w->Extension().empty()) {
        w->Open(nullptr);
        SetOutput(std::move(w));
    } else {
        if (CadOutputCode == 4) {
            CadFileName = AddBackslash(TempDir) + PlotFileName;
            ShowStatus(CadFileName + " " + "is plotted" + "..");
        } else if (!ChooseOutputFile(w->Extension())) {
            return;
        }
        int rc = 0;
        std::unique_ptr<TCadSink> sink = CadFileSink(CadFileName, rc);
        if (!StartWriter(std::move(w), std::move(sink), rc)) return;
    }

    CadSetTextAlign(0, 0);
    CadSetLineSpacing(1.0L);
    CadSetScreenLineStyle(0);
    CadSetScale(1.0L);
}

void CadCloseOutput() {
    CadRouteBlocks(false);
    const long long invalid = Output->InvalidEntities();
    if (invalid > 0 && !Output->IsScreen()) {
        // A geometry that is not a number would have become lines to the origin: the file
        // keeps its previous contents and the drawing is reported as failed.
        Output->Abandon();
        ShowError(std::string(FormatName(CadOutputCode)) + " file " + CadFileName +
                  " not written: " + IntToString(invalid) +
                  " entities with coordinates that are not numbers");
        AbortFlag = 1;
        RestoreCursor();
        return;
    }
    const int rc = Output->Close();
    if (rc != 0 && !Output->IsScreen())
        ShowError(FileProblemText("file write error", CadFileName, rc));
    if (invalid > 0)
        ShowError(IntToString(invalid) +
                  " entities with coordinates that are not numbers were left out");
    if (!Output->IsScreen()) RestoreCursor();
}

bool CadOutputEnabled() {
    return true;
}

// ---- state ---------------------------------------------------------------------------------

void CadSetScale(long double s) {
    CadScale = s * ConfiguredScaleFactor;
}

void CadSetOrigin(long double x, long double y) {
    CadOriginX = x;
    CadOriginY = y;
}

void CadSetTextAlign(std::int32_t h, std::int32_t v) {
    CadTextAlignH = h;
    CadTextAlignV = v;
}

void CadSetLineSpacing(long double f) {
    CadLineSpacing = f;
}

void CadSetTextLineEnd(long double x) {
    CadTextLineEnd = x;
}

void CadSetTextSize(std::int32_t font, long double angleDeg, long double height,
                    long double width) {
    CadTextStyleFont = font;
    CadStoreTextSize(angleDeg, height, width);
    Active->SetTextStyle(font, angleDeg, height, width);
}

void CadSetColour(std::int32_t c) {
    c = CadReduceColour(c);
    CadCurrentColour = c;
    Active->SetColour(c);
}

void CadSetScreenLineStyle(std::int32_t style) {
    Active->SetLineStyle(style);
}

// ---- primitives ----------------------------------------------------------------------------

void CadLine(long double x1, long double y1, long double x2, long double y2) {
    Active->Line(x1 + CadOriginX, y1 + CadOriginY, x2 + CadOriginX, y2 + CadOriginY);
}

void CadCircle(long double x, long double y, long double r) {
    Active->Circle(x + CadOriginX, y + CadOriginY, r);
}

void CadArc(long double xc, long double yc, long double startDeg, long double endDeg,
            long double r) {
    if (r == 0) return;
    Active->Arc(xc + CadOriginX, yc + CadOriginY, startDeg, endDeg, r);
}

void CadText(std::string_view text, long double x, long double y) {
    if (text.empty()) return;
    x += CadOriginX;
    y += CadOriginY;
    const long double n = static_cast<long double>(os::Utf8Length(text));
    const long double h = CadTextHeight;
    const long double w = CadTextWidthFactor;
    if (CadTextAlignH == 1)
        x -= 0.5L * n * h * w;
    else if (CadTextAlignH == 2)
        x -= n * h * w;
    if (CadTextAlignV == 1)
        y -= 0.5L * h;
    else if (CadTextAlignV == 2)
        y -= h;
    Active->Text(text, x, y);
}

TTextSpan CadTextSpan(std::string_view text, long double height, long double widthFactor) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(' ') + 1;
    const long double cell = height * widthFactor;
    // The screen gives a text the width its style names without the configured text factor.
    const long double average =
        0.95L * cell * (CadTextFactor > 0 && CadTextFactor < 1 ? 1 / CadTextFactor : 1);
    const auto cells = [&](std::string_view t) {
        return static_cast<long double>(os::Utf8Length(t)) * cell;
    };
    const auto drawn = [&](std::string_view t) { return GraphicsTextAdvance(t) * average; };
    const std::string_view lead = text.substr(0, first), shown = text.substr(0, last);
    return {std::min(cells(lead), drawn(lead)), std::max(cells(shown), drawn(shown))};
}

TTextSpan CadTextSpan(std::string_view text) {
    return CadTextSpan(text, CadTextHeight, CadTextWidthFactor);
}

void CadTextWithin(std::string_view text, long double x, long double y, long double room) {
    const long double h = CadTextHeight;
    const long double factor = CadTextWidthFactor;
    // The characters keep a little air before the edge they must not reach.
    const long double end = room - 0.15L * h;
    const auto width = [&](std::string_view t) { return CadTextSpan(t, h, factor).to; };
    if (text.find_first_not_of(' ') == std::string_view::npos || CadTextAlignH != 0 || h <= 0 ||
        factor <= 0 || CadTextFactor <= 0 || width(text) <= end) {
        CadText(text, x, y);
        return;
    }
    // Blanks after the characters take no room; blanks that right-align a number give way
    // first, one staying as the cell's margin.
    std::string_view t = text.substr(0, text.find_last_not_of(' ') + 1);
    while (t.size() > 1 && t[0] == ' ' && t[1] == ' ' && width(t) > end)
        t.remove_prefix(1);
    if (width(t) <= end) {
        CadText(t, x, y);
        return;
    }
    // Then narrower characters, then smaller ones about the same middle line, both only as far
    // as they stay legible; what still does not fit is cut at the end.
    constexpr long double MinNarrow = 0.6L, MinSmaller = 0.6L;
    const long double need = std::max(0.0L, end) / width(t);
    const long double narrow = std::max(need, MinNarrow);
    const long double smaller = std::max(need / narrow, MinSmaller);
    const long double scale = narrow * smaller;
    std::size_t fits = os::Utf8Length(t);
    while (fits > 0 && width(os::Utf8Left(t, fits)) * scale > end + 1e-9L * h)
        --fits;
    const std::string cut = os::Utf8Left(t, fits);
    const std::int32_t font = CadTextStyleFont;
    const long double angle = CadTextAngle;
    const long double lift = (1 - smaller) * h / 2;
    const long double a = angle * Pi / 180;
    CadSetTextSize(font, angle, smaller * h, factor * narrow * smaller * h / CadTextFactor);
    CadText(cut, x - lift * sinl(a), y + lift * cosl(a));
    // The size in force again for what follows.
    CadSetTextSize(font, angle, h, factor / CadTextFactor * h);
}

void CadSolid(long double x1, long double y1, long double x2, long double y2, long double x3,
              long double y3, long double x4, long double y4) {
    const long double ox = CadOriginX;
    const long double oy = CadOriginY;
    Active->Solid(x1 + ox, y1 + oy, x2 + ox, y2 + oy, x3 + ox, y3 + oy, x4 + ox, y4 + oy);
}

void CadMoveTo(long double x, long double y) {
    CadCurrentX = x;
    CadCurrentY = y;
}

void CadLineTo(long double x, long double y) {
    CadLine(CadCurrentX, CadCurrentY, x, y);
    CadCurrentX = x;
    CadCurrentY = y;
}

void CadRectangle(long double x1, long double y1, long double x2, long double y2) {
    CadMoveTo(x1, y1);
    CadLineTo(x1, y2);
    CadLineTo(x2, y2);
    CadLineTo(x2, y1);
    CadLineTo(x1, y1);
}

void CadLineDX(long double x, long double y, long double dx) {
    CadLine(x, y, x + dx, y);
}

void CadLineDY(long double x, long double y, long double dy) {
    CadLine(x, y, x, y + dy);
}

void CadTextLine(std::string_view text) {
    if (text.empty()) return;
    if (std::isfinite(CadTextLineEnd))
        CadTextWithin(text, CadCurrentX, CadCurrentY, CadTextLineEnd - CadCurrentX);
    else
        CadText(text, CadCurrentX, CadCurrentY);
    CadCurrentY -= 1.6L * CadTextHeight * CadLineSpacing;
}

void CadTextValueLine(std::string_view label, long double value) {
    std::string line(label);
    if (std::isnan(value)) { // a value that does not exist: no number
        CadTextLine(line + " =");
        return;
    }
    if (UnitSystem == 1) {
        line += " = " + FloatToStrSigN(-1, value / 25.4L) + " in";
    } else {
        const long double a = fabsl(value);
        line += " = " + (a >= 0.001L && a < 1 ? FloatToStrDec(3, value) : FloatToStrSig3(value)) +
                " mm";
    }
    CadTextLine(line);
}

void CadTextNumberLine(std::string_view label, long double value) {
    CadTextLine(std::string(label) + (std::isnan(value) ? " =" : " = " + FloatToStrSig3(value)));
}

void CadBeginPolyline(std::uint8_t flags) {
    if (Active->Polylines())
        Active->BeginPolyline(flags);
    else
        CadVertexCount = 1;
}

void CadVertex(long double x, long double y, long double arcAngle) {
    if (Active->Polylines()) {
        Active->Vertex(x + CadOriginX, y + CadOriginY, DxfBulge(arcAngle));
        return;
    }
    if (CadVertexCount <= 1) {
        CadMoveTo(x, y);
    } else if (CadPrevArcAngle == 0) {
        CadLineTo(x, y);
    } else {
        Extended cx = 0, cy = 0, start = 0, r = 0, end = 0;
        if (GetArcCenter(CadCurrentX, CadCurrentY, x, y, CadPrevArcAngle, cx, cy, start, r, end))
            CadArc(cx, cy, RadToDeg(start), RadToDeg(end), r);
        else
            CadLine(CadCurrentX, CadCurrentY, x, y); // no arc through these points
        CadMoveTo(x, y);
    }
    CadPrevArcAngle = arcAngle;
    ++CadVertexCount;
}

void CadEndPolyline() {
    if (Active->Polylines()) Active->EndPolyline();
}

void CadPolyline(long double xc, long double yc, long double startDeg, long double endDeg,
                 long double r, long double sx, long double sy, long double stepDeg) {
    if (r == 0) return;
    // An end below the start means the arc runs on counter-clockwise past 360 degrees.
    if (endDeg < startDeg) endDeg += 360 * ceill((startDeg - endDeg) / 360);
    // A step that cannot advance (or would need more vertices than any drawing) is refused.
    if (!(stepDeg > 0) || !((endDeg - startDeg) / stepDeg <= 100000)) {
        AddError("Error  : polyline step");
        return;
    }
    auto vertex = [&](long double deg) {
        const long double t = DegToRad(deg);
        CadVertex(xc + r * sx * cosl(t), yc + r * sy * sinl(t), 0);
    };
    CadBeginPolyline(0);
    // Counted steps: no rounding left over puts a second vertex onto the end point.
    long k = 0;
    do {
        vertex(startDeg + k * stepDeg);
        ++k;
    } while (startDeg + k * stepDeg < endDeg - 1e-9L * stepDeg);
    vertex(endDeg);
    CadEndPolyline();
}

// ---- measuring -----------------------------------------------------------------------------

namespace {

// A writer that only works out what is drawn.
class TMeasureWriter : public TCadWriter {
public:
    explicit TMeasureWriter(TCadBounds& b) : b_(b) {}
    void BeginBlock(std::string_view name) override { b_.BeginBlock(name); }
    void EndBlock() override { b_.EndBlock(); }
    void Line(long double x1, long double y1, long double x2, long double y2) override {
        b_.Line(x1, y1, x2, y2);
    }
    void Circle(long double x, long double y, long double r) override { b_.Circle(x, y, r); }
    void Arc(long double xc, long double yc, long double s, long double e,
             long double r) override {
        b_.Arc(xc, yc, s, e, r);
    }
    void Text(std::string_view text, long double x, long double y) override {
        // As many cells as the text's characters take in the widest way they are drawn.
        const long double cell = CadTextHeight * CadTextWidthFactor;
        const long double chars = static_cast<long double>(os::Utf8Length(text));
        b_.Text(x, y, cell > 0 ? std::max(chars, CadTextSpan(text).to / cell) : chars,
                CadTextHeight, CadTextWidthFactor, CadTextAngle);
    }
    void Solid(long double x1, long double y1, long double x2, long double y2, long double x3,
               long double y3, long double x4, long double y4) override {
        b_.Line(x1, y1, x2, y2);
        b_.Line(x3, y3, x4, y4);
    }
    void Insert(std::string_view name, long double x, long double y, long double angleDeg,
                long double sx, long double sy) override {
        b_.Insert(name, x, y, angleDeg, sx, sy);
    }
    bool Polylines() const override { return true; }
    void BeginPolyline(std::uint8_t flags) override { b_.BeginPolyline((flags & 1) != 0); }
    void Vertex(long double x, long double y, long double bulge) override {
        b_.Vertex(x, y, bulge);
    }
    void EndPolyline() override { b_.EndPolyline(); }

private:
    TCadBounds& b_;
};

} // namespace

void CadDrawTo(TCadWriter& writer, const std::function<void()>& draw) {
    TCadWriter* const saved = Active;
    const bool savedOpen = CadBlocksOpen;
    Active = &writer;
    draw();
    Active = saved;
    CadBlocksOpen = savedOpen;
}

void CadMeasure(TCadBounds& bounds, const std::function<void()>& draw) {
    TMeasureWriter measure(bounds);
    CadDrawTo(measure, draw);
}
