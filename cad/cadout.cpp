#include "cad/cadout.h"

#include <array>
#include <cmath>
#include <memory>

#include "cad/cadblock.h"
#include "cad/cadwriter.h"
#include "cad/dxfwrite.h"
#include "framework/ui/draw_device.h"
#include "framework/core/errorlist.h"
#include "framework/core/geom2d.h"
#include "framework/core/globals.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/settings.h"
#include "framework/ui/questions.h"
#include "framework/core/files.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"
#include "platform/gui/dialogs.h"
#include "platform/os/paths.h"
#include "platform/os/process.h"
#include "platform/os/utf8.h"

// ---- CadState ------------------------------------------------------------------------------

std::uint16_t CadOutputCode = 3;
std::uint16_t CadRequestedCode = 0;
std::string CadFileName(59, ' ');
long double CadOriginX = 0;
long double CadOriginY = 0;
long double CadCurrentX = 0;
long double CadCurrentY = 0;
ShortString<32> CurrentLayer = "0";
std::int32_t CadCurrentColour = 0;
long double CadTextHeight = 5.0L;
long double CadTextWidthFactor = 1.0L;
long double CadTextAngle = 0;
long double CadTextOblique = 0;
std::int32_t CadTextAlignH = 0;
std::int32_t CadTextAlignV = 0;
long double CadLineSpacing = 1.0L;
long double CadScale = 1.0L;
bool CadUsePolylines = true;
std::int32_t CadVertexCount = 1;
long double CadPrevArcAngle = 0;
bool CadBlocksOpen = false;
std::int32_t CadBlockNesting = 0;
long double CadInsertX = 0;
long double CadInsertY = 0;
long double CadInsertAngle = 0;
long double CadInsertScaleX = 1.0L;
long double CadInsertScaleY = 1.0L;
TCadExtents CadExtents{0, 160, 0, 120, 160, 120};
std::uint16_t CadHatchSwitch = 1;

CadPlotFormFunc CadPlotFormHook = nullptr;
CadPlotLineEditFunc CadPlotLineEditHook = nullptr;

void InitCadState() {
    CadOutputCode = 3;
    CadRequestedCode = 0;
    CadFileName.assign(59, ' ');
    CurrentLayer = "0";
    CadCurrentColour = 0;
    CadCurrentX = CadCurrentY = 0;
    CadTextHeight = 5.0L;
    CadTextWidthFactor = 1.0L;
    CadTextAngle = 0;
    CadTextOblique = 0;
    CadUsePolylines = true;
    CadVertexCount = 1;
    CadPrevArcAngle = 0;
    CadBlockNesting = 0;
    CadBlocksOpen = false;
    CadInsertX = CadInsertY = 0;
    CadInsertAngle = 0;
    CadInsertScaleX = CadInsertScaleY = 1.0L;
    CadOriginX = CadOriginY = 0;
    CadLineSpacing = 1.0L;
    CadTextAlignH = CadTextAlignV = 0;
    CadScale = 1.0L;
    CadExtents = TCadExtents{0, 160, 0, 120, 160, 120};
    CadHatchSwitch = 1;
}

void InitCadVariables() {
    InitCadConfig();
    InitCadState();
}

// ---- back ends -----------------------------------------------------------------------------

namespace {

std::array<CadWriterFactory, 6> Factories;
std::unique_ptr<TCadFileWriter> Writer; // the writer of the open output (codes 2 and 5)

bool IsWriterCode(std::uint16_t code) {
    return code == 2 || code == 5;
}

// Where a primitive goes.
bool ToDxf() {
    return CadOutputCode == 1 || CadOutputCode == 4 || (CadOutputCode == 3 && CadBlocksOpen);
}
bool ToScreen() {
    return CadOutputCode == 3 && !CadBlocksOpen && DrawDevice != nullptr;
}
TCadFileWriter* ToWriter() {
    return IsWriterCode(CadOutputCode) ? Writer.get() : nullptr;
}
bool DxfPolylines() {
    return (CadOutputCode == 1 || CadOutputCode == 4) && CadUsePolylines;
}

// The file name of codes 1, 2 and 5: the batch name or the save dialog. False when cancelled.
bool ChooseOutputFile(const std::string& ext) {
    if (CadBatchOutput) {
        CadFileName = DataFileName + "." + ext;
        return true;
    }
    TSaveDialog dialog(nullptr);
    dialog.Filter = "*." + ext + "|*." + ext + "|*.*|*.*";
    dialog.InitialDir = AddBackslash(CadDir);
    dialog.FileName = DataFileName;
    dialog.Options |= ofOverwritePrompt;
    const bool ok = dialog.Execute();
    if (!ok || TrimBlanks(dialog.FileName).empty()) {
        AbortFlag = 1;
        CadFileName.clear();
        RestoreCursor();
        return false;
    }
    CadFileName = dialog.FileName;
    if (ExtractFileName(CadFileName).find('.') == std::string::npos) CadFileName += "." + ext;
    return true;
}

// Opens the DXF writer on CadFileName; a failure is reported and ends the drawing.
bool OpenDxfFile() {
    const int rc = DxfOpen(CadFileName, DxfTarget::DrawingFile);
    if (rc == 0) return true;
    ShowError("file write error " + CadFileName);
    AbortFlag = 1;
    return false;
}

void ReportCloseFailure(int rc) {
    if (rc != 0) ShowError("file write error " + CadFileName);
}

} // namespace

void RegisterCadWriter(std::uint16_t code, CadWriterFactory factory) {
    if (!IsWriterCode(code)) return;
    Factories[code] = std::move(factory);
}

bool CadWriterRegistered(std::uint16_t code) {
    return IsWriterCode(code) && static_cast<bool>(Factories[code]);
}

TCadFileWriter* CurrentCadWriter() {
    return Writer.get();
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
    if (DxfIsOpen()) DxfDiscard();
    Writer.reset();
    CadClearBlockCache();
    CadBlocksOpen = false;

    if (code != 0)
        CadSetOutputCode(code);
    else
        CadSelectOutput();
    if (AbortFlag) return;

    switch (CadOutputCode) {
    case 1:
        if (!ChooseOutputFile("dxf")) return;
        if (!OpenDxfFile()) return;
        break;
    case 2:
    case 5: {
        if (!Factories[CadOutputCode]) {
            ShowError(std::string(CadOutputCode == 2 ? "IGES" : "TXT") +
                      " output is not available");
            AbortFlag = 1;
            return;
        }
        std::unique_ptr<TCadFileWriter> w = Factories[CadOutputCode]();
        if (!w) {
            AbortFlag = 1;
            return;
        }
        if (!ChooseOutputFile(w->Extension())) return;
        if (!w->Open(CadFileName)) {
            AbortFlag = 1;
            return;
        }
        Writer = std::move(w);
        break;
    }
    case 3:
        if (DrawDevice != nullptr) {
            DrawDevice->ClearDevice();
            DrawDevice->WaitCursor();
        }
        break;
    case 4:
        CadFileName = AddBackslash(TempDir) + PlotFileName;
        ShowStatus(CadFileName + " " + "is plotted" + "..");
        if (!OpenDxfFile()) return;
        break;
    default:
        break;
    }

    CadSetTextAlign(0, 0);
    CadSetLineSpacing(1.0L);
    CadSetScreenLineStyle(0);
    CadSetScale(1.0L);
}

int CadStartPlotProgram(const std::string& commandLine, const std::string& fileName) {
    std::vector<std::string> argv = os::SplitCommandLine(commandLine);
    if (argv.empty()) return os::kErrFileNotFound;
    // The stored command lines name the file as the plot program's own directory would hold it;
    // here it is the file just written.
    for (std::size_t i = 1; i < argv.size(); ++i)
        if (os::SameNameNoCase(argv[i], PlotFileName)) argv[i] = fileName;
    os::SpawnOptions options;
    options.directory = DelBackslash(ExtractPath(fileName));
    options.quietOutput = true;
    int status = 0;
    return os::StartProcess(argv, options, status);
}

void CadCloseOutput() {
    switch (CadOutputCode) {
    case 1:
        ReportCloseFailure(DxfClose());
        break;
    case 2:
    case 5:
        if (Writer) Writer->Close();
        Writer.reset();
        break;
    case 3:
        if (DxfIsOpen()) DxfClose(); // a block left open
        if (DrawDevice != nullptr) {
            DrawDevice->ClearDrawArea();
            DrawDevice->NormalCursor();
        }
        CadDeleteBlockFiles();
        CadClearBlockCache();
        RestoreCursor();
        break;
    case 4: {
        const int rc = DxfClose();
        if (rc != 0) {
            ReportCloseFailure(rc);
        } else {
            const int line = std::clamp<int>(SelectedPlotLine, 1, PlotLineMax);
            const int err = CadStartPlotProgram(PlotLines[line], CadFileName);
            if (err == os::kErrFileNotFound || err == os::kErrPathNotFound)
                ShowError("file not found");
            else if (err == os::kErrNotEnoughMemory)
                ShowError("out of memory !");
            else if (err != 0)
                ShowError("Exec error " + IntToString(err));
        }
        RestoreCursor();
        break;
    }
    default:
        break;
    }
    CadBlocksOpen = false;
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

void CadSetTextSize(std::int32_t font, long double angleDeg, long double height,
                    long double width) {
    CadTextHeight = height;
    if (width == 0)
        CadTextWidthFactor = 0.7L * CadTextFactor;
    else if (height != 0)
        CadTextWidthFactor = width / height * CadTextFactor;
    else
        CadTextWidthFactor = CadTextFactor; // no height to relate the width to
    CadTextAngle = angleDeg;
    CadTextOblique = CadFontAngle;
    if (ToScreen()) DrawDevice->SetDrawTextStyle(font, angleDeg, height, width * 0.95L);
}

std::int32_t CadReduceColour(std::int32_t c) {
    if (c > 31) return c % 16 + 16;
    return c;
}

void CadSetColour(std::int32_t c) {
    c = CadReduceColour(c);
    CadCurrentColour = c;
    if (ToDxf()) {
        DxfSetLayer(c);
        return;
    }
    if (TCadFileWriter* w = ToWriter()) {
        w->SetColour(c);
        return;
    }
    if (!ToScreen()) return;
    if (c >= 0 && c <= 5) {
        DrawDevice->SetDrawLineStyle(c == 1 ? 2 : c == 2 ? 3 : 0);
        DrawDevice->SetPenColor(static_cast<std::uint8_t>(LayerColours[c] & 0xFF));
    } else {
        DrawDevice->SetDrawLineStyle(0);
        if (c >= 16 && c <= 31)
            DrawDevice->SetPenColor(static_cast<std::uint8_t>(ColourTable[c] & 0xFF));
    }
    std::uint16_t width = 1;
    if (c >= 1 && c <= 5) {
        width = static_cast<std::uint16_t>(std::clamp(LineThickness[c], 1, 255));
    } else if (c >= 16 && c <= 31) {
        const std::int32_t w = PenWidths[c];
        width = static_cast<std::uint16_t>(w >= 2 && w <= 50 ? w : 1);
    }
    TFkelmgra::SetLineWidth(width);
}

void CadSetScreenLineStyle(std::int32_t style) {
    if (ToScreen()) DrawDevice->SetDrawLineStyle(static_cast<std::uint16_t>(style));
}

// ---- primitives ----------------------------------------------------------------------------

void CadLine(long double x1, long double y1, long double x2, long double y2) {
    x1 += CadOriginX;
    y1 += CadOriginY;
    x2 += CadOriginX;
    y2 += CadOriginY;
    if (ToDxf())
        DxfLine(x1, y1, x2, y2);
    else if (TCadFileWriter* w = ToWriter())
        w->Line(x1, y1, x2, y2);
    else if (ToScreen())
        DrawDevice->DrawLine(x1, y1, x2, y2);
}

void CadCircle(long double x, long double y, long double r) {
    x += CadOriginX;
    y += CadOriginY;
    if (ToDxf())
        DxfCircle(x, y, r);
    else if (TCadFileWriter* w = ToWriter())
        w->Circle(x, y, r);
    else if (ToScreen())
        DrawDevice->DrawCircle(x, y, r);
}

void CadArc(long double xc, long double yc, long double startDeg, long double endDeg,
            long double r) {
    if (r == 0) return;
    xc += CadOriginX;
    yc += CadOriginY;
    if (ToDxf())
        DxfArc(xc, yc, startDeg, endDeg, r);
    else if (TCadFileWriter* w = ToWriter())
        w->Arc(xc, yc, startDeg, endDeg, r);
    else if (ToScreen())
        DrawDevice->DrawArc(xc, yc, startDeg, endDeg, r);
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
    if (ToDxf())
        DxfText(text, x, y);
    else if (TCadFileWriter* wr = ToWriter())
        wr->Text(text, x, y);
    else if (ToScreen())
        DrawDevice->DrawText(text, x, y);
}

void CadSolid(long double x1, long double y1, long double x2, long double y2, long double x3,
              long double y3, long double x4, long double y4) {
    x1 += CadOriginX;
    x2 += CadOriginX;
    x3 += CadOriginX;
    x4 += CadOriginX;
    y1 += CadOriginY;
    y2 += CadOriginY;
    y3 += CadOriginY;
    y4 += CadOriginY;
    if (ToDxf())
        DxfSolid(x1, y1, x2, y2, x3, y3, x4, y4);
    else if (TCadFileWriter* w = ToWriter())
        w->Solid(x1, y1, x2, y2, x3, y3, x4, y4);
    else if (ToScreen())
        DrawDevice->DrawSolid(x1, y1, x2, y2, x3, y3, x4, y4);
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
    CadText(text, CadCurrentX, CadCurrentY);
    CadCurrentY -= 1.6L * CadTextHeight * CadLineSpacing;
}

void CadTextValueLine(std::string_view label, long double value) {
    std::string line(label);
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
    CadTextLine(std::string(label) + " = " + FloatToStrSig3(value));
}

void CadBeginPolyline(std::uint8_t flags) {
    if (DxfPolylines())
        DxfBeginPolyline(flags);
    else
        CadVertexCount = 1;
}

void CadVertex(long double x, long double y, long double arcAngle) {
    if (DxfPolylines()) {
        DxfVertex(x + CadOriginX, y + CadOriginY, DxfBulge(arcAngle));
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
    if (DxfPolylines()) DxfEndPolyline();
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
