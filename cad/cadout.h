#pragma once
// cadout: the one drawing interface of every drawing. A drawing routine opens the output with a
// CAD output code, sends primitives in drawing units (mm) and closes the output; each primitive
// goes to exactly one back end:
//   0 nothing (as argument of CadOpenOutput: ask the user)
//   1 DXF file (dxfwrite.h)
//   2 IGES file        } through a TCadFileWriter registered for the code (cadwriter.h)
//   3 the drawing window (display list, framework/ui/draw_device.h); block definitions go to
//     block files (cadblock.h)
//   4 DXF file "kvilpen.dxf" in TempDir, then the configured plot command line is started
//   5 TXT file         } through a TCadFileWriter registered for the code
//
// The CAD configuration (layer names and colours, colour table, pen widths, text font and
// factors, decimals, plot command lines, drawing switches) lives in framework/core/settings.h.

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/fixedtypes.h"

// ---- CadState ------------------------------------------------------------------------------

struct TCadExtents {
    long double XMin, XMax, YMin, YMax, Width, Height;
};

extern std::uint16_t CadOutputCode;    // code in use
extern std::uint16_t CadRequestedCode; // code the last CadOpenOutput was called with
extern std::string CadFileName;        // the open output file
extern long double CadOriginX;         // added to primitives (not to block inserts)
extern long double CadOriginY;
extern long double CadCurrentX; // current point of CadMoveTo / CadLineTo / CadTextLine
extern long double CadCurrentY;
extern ShortString<32> CurrentLayer;  // layer name written with DXF and TXT entities
extern std::int32_t CadCurrentColour; // colour last set by CadSetColour (0..31)
extern long double CadTextHeight;
extern long double CadTextWidthFactor; // width / height times CadTextFactor
extern long double CadTextAngle;       // degrees
extern long double CadTextOblique;     // degrees
extern std::int32_t CadTextAlignH;     // 0 left, 1 centred, 2 right
extern std::int32_t CadTextAlignV;     // 0 baseline, 1 middle, 2 top
extern long double CadLineSpacing;
extern long double CadScale; // drawing scale of dimensions and arrows
extern bool CadUsePolylines; // DXF and plot output write POLYLINE entities
extern std::int32_t CadVertexCount;
extern long double CadPrevArcAngle;
extern bool CadBlocksOpen; // inside the blocks section
extern std::int32_t CadBlockNesting;
extern long double CadInsertX;
extern long double CadInsertY;
extern long double CadInsertAngle; // degrees
extern long double CadInsertScaleX;
extern long double CadInsertScaleY;
extern TCadExtents CadExtents;
extern std::uint16_t CadHatchSwitch; // read by the hatching

// Every CAD configuration value (InitCadConfig of the settings) and every CadState value to
// its start value. Runs once at program start, before the configuration file is read.
void InitCadVariables();
// The CadState values alone.
void InitCadState();

// ---- output selection, opening and closing -------------------------------------------------

// Asks the output code and, for code 4, the plot command line. Cancel sets AbortFlag.
void CadSelectOutput();
void CadSetOutputCode(std::uint16_t code);
// Opens the output; code 0 asks through CadSelectOutput. Sets AbortFlag when the user cancels
// or the file cannot be created (with a message).
void CadOpenOutput(std::uint16_t code);
void CadCloseOutput();
// True for every code: drawing routines close their loops with it (one pass).
bool CadOutputEnabled();

// ---- state ---------------------------------------------------------------------------------

void CadSetScale(long double s); // CadScale := s x ConfiguredScaleFactor
void CadSetOrigin(long double x, long double y);
void CadSetTextAlign(std::int32_t h, std::int32_t v);
void CadSetLineSpacing(long double f);
void CadSetTextSize(std::int32_t font, long double angleDeg, long double height, long double width);
void CadSetColour(std::int32_t c);
void CadSetScreenLineStyle(std::int32_t style);
// A colour number above 31 as the layer uses it: (n mod 16) + 16.
std::int32_t CadReduceColour(std::int32_t c);

// ---- primitives ----------------------------------------------------------------------------

void CadLine(long double x1, long double y1, long double x2, long double y2);
void CadCircle(long double x, long double y, long double r);
// Degrees, counter-clockwise; r = 0 draws nothing.
void CadArc(long double xc, long double yc, long double startDeg, long double endDeg,
            long double r);
// The text as stored (DOS page, UTF-8 inside); aligned by CadTextAlignH/V. Empty: nothing.
void CadText(std::string_view text, long double x, long double y);
void CadSolid(long double x1, long double y1, long double x2, long double y2, long double x3,
              long double y3, long double x4, long double y4);
void CadMoveTo(long double x, long double y);
void CadLineTo(long double x, long double y);
void CadRectangle(long double x1, long double y1, long double x2, long double y2);
void CadLineDX(long double x, long double y, long double dx);
void CadLineDY(long double x, long double y, long double dy);
void CadTextLine(std::string_view text);
void CadTextValueLine(std::string_view label, long double value);
void CadTextNumberLine(std::string_view label, long double value);
// arcAngle: included angle in radians of the segment from this vertex to the next.
void CadBeginPolyline(std::uint8_t flags);
void CadVertex(long double x, long double y, long double arcAngle);
void CadEndPolyline();
// An elliptic arc as a polyline; angles in degrees, step > 0.
void CadPolyline(long double xc, long double yc, long double startDeg, long double endDeg,
                 long double r, long double sx, long double sy, long double stepDeg);

// ---- the external plot program (code 4) ----------------------------------------------------

// Name of the plot program's DXF file in TempDir.
constexpr const char* PlotFileName = "kvilpen.dxf";
// The editors of the plot command line (the plot program's form and the prompt-driven editor);
// installed by the unit that provides them. Without them the stored line is offered as text.
// The form hook shows the form with the line and returns false when it was cancelled.
using CadPlotFormFunc = bool (*)(std::string& commandLine);
using CadPlotLineEditFunc = void (*)(std::string& commandLine, int mode);
extern CadPlotFormFunc CadPlotFormHook;
extern CadPlotLineEditFunc CadPlotLineEditHook;
// Starts the plot command line on the DXF file fileName (the program runs in the file's
// directory; an argument naming "kvilpen.dxf" in any letter case is given the file's full
// name). 0 on success, else a DOS code (2 the program was not found).
int CadStartPlotProgram(const std::string& commandLine, const std::string& fileName);
