#pragma once
// dxfwrite: the ASCII DXF writer behind CAD codes 1 (DXF file) and 4 (the plot program's file),
// and the writer of the screen's block files (code 3).
//
// The writer has one target at a time: the DXF file of the drawing, or the block file being
// defined on the screen. Lines go into a large buffer (numbers through std::to_chars, never the
// C locale) and from there into a TextFile, which writes a new file beside the old one and
// renames it over the name at DxfClose: a file that could not be written completely never
// replaces the previous one.
//
// Bytes: DXF files hold their names in Windows 1252 and their TEXT values in the code page
// CharsetMode asks for (1: the DOS page, as the texts are stored; 2 and 3: Windows 1252 after
// ConvertCharset). Block files hold everything in the DOS page without conversion, as the
// screen's text output converts by itself; user logo files are written that way too.
// Control characters (tab, CR, LF, ...) in any value are written as blanks: a line break inside
// a value would shift every later group.

#include <cstdint>
#include <string>
#include <string_view>

// How the target's texts are encoded.
enum class DxfTarget {
    DrawingFile, // a DXF file for other programs
    BlockFile,   // a screen block file, read back by this program
};

// Opens the writer on a new file (replaced at DxfClose). 0 on success, else the file's error
// code (a DOS code of platform/os/errors.h); nothing is open then.
int DxfOpen(const std::string& fileName, DxfTarget target);
// Whether a target is open.
bool DxfIsOpen();
// Name of the open target ("" when none).
const std::string& DxfFileName();
// Writes 0 "EOF" and closes. 0 on success; a failure (the file could not be written
// completely) returns its code and sets AbortFlag; the previous file then stays as it was.
int DxfClose();
// Abandons the target without writing it (a previous file of that name stays).
void DxfDiscard();
// First write error of the open target, 0 when none.
int DxfError();

// ---- groups --------------------------------------------------------------------------------
// Without an open target these write nothing.

void DxfWriteCode(int code);                // right-aligned in three characters
void DxfWriteString(std::string_view text); // a name or keyword
void DxfWriteInt(long long n);
void DxfWriteReal(long double x); // CadDecimals decimals, always "."
// The value of a TEXT entity's group 1.
void DxfWriteTextValue(std::string_view text);

// ---- sections and entities -----------------------------------------------------------------

void DxfWriteHeader(long double xmin, long double ymin, long double xmax, long double ymax);
void DxfWriteTables(std::uint16_t layerSet); // 0, 1 or 2 (others are written as 0)
void DxfBeginBlocksSection();
void DxfBeginBlock(std::string_view name);
void DxfEndBlock();
void DxfEndSection();
void DxfBeginEntities();
void DxfLine(long double x1, long double y1, long double x2, long double y2);
void DxfCircle(long double x, long double y, long double r);
// Degrees; a full circle (equal angles, or 0 and 360 either way within 1e-5) becomes a CIRCLE.
void DxfArc(long double xc, long double yc, long double startAngle, long double endAngle,
            long double r);
// Height, width factor, angle and oblique angle come from the CAD state (cadout.h).
void DxfText(std::string_view text, long double x, long double y);
void DxfSolid(long double x1, long double y1, long double x2, long double y2, long double x3,
              long double y3, long double x4, long double y4);
void DxfInsert(std::string_view name, long double x, long double y, long double angle,
               long double scaleX, long double scaleY);
void DxfBeginPolyline(std::uint8_t flags);
void DxfVertex(long double x, long double y, long double bulge);
void DxfEndPolyline();
// CurrentLayer := the layer name of CAD colour n (0 "0", 1..5 LayerNames, else the number).
void DxfSetLayer(std::int32_t n);
// tan(a / 4) of an included angle a in radians.
long double DxfBulge(long double includedAngle);

// ---- text forms (also used by the other writers and by tests) ------------------------------

// x with exactly `decimals` decimals (0..18; others are clamped), rounded half away from zero
// on the exact binary value, "." as decimal point, "-" only when the written value is not zero.
// A value that is not finite is written as 0.
void AppendFixed(std::string& out, long double x, int decimals);
std::string FixedText(long double x, int decimals);
// FloatToStrSig3 with a point as decimal sign whatever DecimalSign says.
std::string FloatToStrSig3Dot(long double x);
// The text with every control character (below 32, and DEL) replaced by a blank.
std::string WithoutControlChars(std::string_view text);
// The layer name DxfSetLayer gives for CAD colour n.
std::string LayerNameOf(std::int32_t n);
// True when an arc from start to end (degrees) is a full circle for the writers.
bool IsFullCircle(long double startAngle, long double endAngle);
