#pragma once
// lcaduti1: the chart layer. A caller fixes a rectangle on the drawing sheet (size and
// lower-left origin, drawing units) and the world window mapped onto it, then draws in world
// coordinates: moves, lines clipped to the window, texts, dimensions and a complete set of
// axes with ticks, labels, axis texts, title and grid. Everything goes through the CAD
// primitives (cadout.h) to whatever output is open. One chart at a time: the state is the one
// DiagramWindow, reset with ResetDiagram before a sheet.
//
// Before the axes of a chart that goes to a CAD file, the user may type the limits in the
// diagram-limits dialog (framework/ui/diagram_limits.h) when EnterDiagramLimits is set.

#include <cstdint>
#include <string_view>

struct TDiagramWindow {
    long double Width = 160; // chart size on the sheet
    long double Height = 120;
    long double XMax = 160; // the world window
    long double YMax = 120;
    long double XMin = 0;
    long double YMin = 100;
    long double XRange = 1; // XMax - XMin as SetDiagramWorld and ScaleDiagramWorld keep it
    long double YRange = 1;
    long double OriginX = 0; // lower-left corner of the chart on the sheet
    long double OriginY = 0;
    long double CurrentX = 0; // last world point of DiagramMoveTo / DiagramLineTo
    long double CurrentY = 0;
};
extern TDiagramWindow DiagramWindow;

// World to drawing units (an empty world range maps onto the chart's origin).
long double DiagramX(long double x);
long double DiagramY(long double y);
// A world length along y as a drawing length.
long double DiagramLengthY(long double l);

// The start values above (the user's typed limits stay).
void ResetDiagramVars();
// ResetDiagramVars, size 160 x 120, origin (0, 0).
void ResetDiagram();
void SetDiagramSize(long double width, long double height);
void SetDiagramOrigin(long double x, long double y);
void SetDiagramWorld(long double xmin, long double ymin, long double xmax, long double ymax);
// Divides the x limits by fx and the y limits by fy.
void ScaleDiagramWorld(long double fx, long double fy);

void DiagramMoveTo(long double x, long double y);
// A line from the current point, clipped to the window.
void DiagramLineTo(long double x, long double y);
// The segment clipped to the world window: drawn whole when both ends lie within the window
// widened by 1 % of its ranges, else only its part inside the window (nothing when none).
void DiagramClipLine(long double x1, long double y1, long double x2, long double y2);
// Not clipped.
void DiagramLine(long double x1, long double y1, long double x2, long double y2);
void DiagramText(std::string_view text, long double x, long double y);
void DiagramNumber(std::string_view text, long double x, long double y);
// CadSetTextSize with height and width grown with the chart (by the larger of width / 160 and
// height / 110).
void DiagramTextSize(std::int32_t font, long double angle, long double height, long double width);
// A filled arrow head with its tip at (x, y) in drawing units, length size, base size / 4
// wide: direction 1 (and 0) to +x, 2 to +y, 3 to -x, 4 to -y; other values draw nothing.
void DiagramArrow(std::int32_t direction, long double x, long double y, long double size);
// Dimensions of two world points; the dimension line at the world y (A) or x (B). B's texts
// start at the sheet's y *textAt when given (as CadDimensionB places them).
void DiagramDimensionA(std::string_view t1, std::string_view t2, std::string_view t3,
                       long double x1, long double y1, long double x2, long double y2,
                       long double yLine);
void DiagramDimensionB(std::string_view t1, std::string_view t2, std::string_view t3,
                       long double x1, long double y1, long double x2, long double y2,
                       long double xLine, const long double* textAt = nullptr);

// Axes over the limits widened to nice values (NiceScale with 6 divisions), ticks with labels,
// the axis texts, the title and the grid; sets the world window. The x-axis line is drawn only
// when the y range holds 0, the y-axis line when the x range does. xTextMode: 0 or 1 puts the
// x-axis text beside the last tick label, 2 above the right end of the bottom edge, other
// values leave it out.
void DrawDiagramAxes(std::string_view xText, std::string_view yText, std::string_view title,
                     long double xmin, long double ymin, long double xmax, long double ymax,
                     std::int32_t xTextMode);

// The tick positions DrawDiagramAxes uses from lo to hi (both included) at step.
int DiagramTickCount(long double lo, long double hi, long double step);
long double DiagramTick(long double lo, long double step, int k);
