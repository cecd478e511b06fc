#pragma once
// cadout: the one drawing interface of every drawing. A drawing routine opens the output with a
// CAD output code, sends primitives in drawing units (mm) and closes the output; each primitive
// goes to exactly one back end:
//   0 nothing (as argument of CadOpenOutput: ask the user)
//   1 DXF file (dxfwrite.h)
//   2 IGES file (igeswrite.h)
//   3 the drawing window (display list); block definitions go to block files (screenwrite.h)
//   4 DXF file "kvilpen.dxf" in TempDir, then the configured plot command line is started
//     (plotline.h)
//   5 TXT file (txtwrite.h)
// Every output is a writer behind one interface (cadwriter.h): a primitive adds the origin
// (and a text its alignment) and calls the writer once. The state lives in cadstate.h.
//
// The CAD configuration (layer names and colours, colour table, pen widths, text font and
// factors, decimals, plot command lines, drawing switches) lives in framework/core/settings.h.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "cad/cadbounds.h"
#include "cad/cadstate.h"
#include "cad/plotline.h"
#include "framework/core/fixedtypes.h"

class TCadWriter;

// Every CAD configuration value (InitCadConfig of the settings) and every CadState value to
// its start value. Runs once at program start, before the configuration file is read.
void InitCadVariables();

// ---- output selection, opening and closing -------------------------------------------------

// Asks the output code and, for code 4, the plot command line. Cancel sets AbortFlag.
void CadSelectOutput();
void CadSetOutputCode(std::uint16_t code);
// Opens the output; code 0 asks through CadSelectOutput. Sets AbortFlag when the user cancels
// or the file cannot be created (with a message).
void CadOpenOutput(std::uint16_t code);
void CadCloseOutput();
// The file a batch run (CadBatchOutput) writes with code: the job's name (DataFileName) with the
// format's extension; "" for a code that writes no file.
std::string CadBatchFileName(std::uint16_t code);
// True for every code: drawing routines close their loops with it (one pass).
bool CadOutputEnabled();

// ---- state ---------------------------------------------------------------------------------

void CadSetScale(long double s); // CadScale := s x ConfiguredScaleFactor
void CadSetOrigin(long double x, long double y);
void CadSetTextAlign(std::int32_t h, std::int32_t v);
void CadSetLineSpacing(long double f);
// CadTextLine fits its texts left of x from now on (HUGE_VALL: no more).
void CadSetTextLineEnd(long double x);
void CadSetTextSize(std::int32_t font, long double angleDeg, long double height, long double width);
void CadSetColour(std::int32_t c);
void CadSetScreenLineStyle(std::int32_t style);

// ---- primitives ----------------------------------------------------------------------------

void CadLine(long double x1, long double y1, long double x2, long double y2);
void CadCircle(long double x, long double y, long double r);
// Degrees, counter-clockwise; r = 0 draws nothing.
void CadArc(long double xc, long double yc, long double startDeg, long double endDeg,
            long double r);
// The text as stored (DOS page, UTF-8 inside); aligned by CadTextAlignH/V. Empty: nothing.
void CadText(std::string_view text, long double x, long double y);
// The same, left-aligned, with its characters ending within room of x (CadTextSpan): where they
// would reach further, blanks before them beyond the first give way, then the characters are
// narrowed and made smaller for this text alone, down to 0.6 of their width and then of their
// size (the size in force stays for what follows); beyond that the text is cut at its end.
void CadTextWithin(std::string_view text, long double x, long double y, long double room);
// Where the visible characters of a text (its leading and trailing blanks aside) begin and end
// along its baseline, from its insertion point, at the given height and width factor: the
// furthest either way it is drawn, in the CAD font of the files (every character height x
// width factor wide) or in the proportional graphics font of the screen and printer (its
// average character 0.95 of that). Both 0 for a blank text.
struct TTextSpan {
    long double from = 0, to = 0;
};
TTextSpan CadTextSpan(std::string_view text, long double height, long double widthFactor);
// The same in the text size in force.
TTextSpan CadTextSpan(std::string_view text);
void CadSolid(long double x1, long double y1, long double x2, long double y2, long double x3,
              long double y3, long double x4, long double y4);
void CadMoveTo(long double x, long double y);
void CadLineTo(long double x, long double y);
void CadRectangle(long double x1, long double y1, long double x2, long double y2);
void CadLineDX(long double x, long double y, long double dx);
void CadLineDY(long double x, long double y, long double dy);
void CadTextLine(std::string_view text);
// "label = value mm" and "label = value"; a value that does not exist (NaN) gives "label =".
void CadTextValueLine(std::string_view label, long double value);
void CadTextNumberLine(std::string_view label, long double value);
// arcAngle: included angle in radians of the segment from this vertex to the next.
void CadBeginPolyline(std::uint8_t flags);
void CadVertex(long double x, long double y, long double arcAngle);
void CadEndPolyline();
// Runs draw with every primitive, block definition and insert going into bounds instead of the
// output, which stays as it was (the CAD state's text size, colour and current point may change
// as draw sets them): what a sheet measures before it places its views.
void CadMeasure(TCadBounds& bounds, const std::function<void()>& draw);
// The same into any writer (the trace of cadtrace.h).
void CadDrawTo(TCadWriter& writer, const std::function<void()>& draw);

// An elliptic arc as a polyline; angles in degrees, step > 0.
void CadPolyline(long double xc, long double yc, long double startDeg, long double endDeg,
                 long double r, long double sx, long double sy, long double stepDeg);
