#pragma once
// dxfwrite: the ASCII DXF writer behind CAD codes 1 (DXF file) and 4 (the plot program's file),
// and the writer of the screen's block files (code 3).
//
// Lines go into a large buffer (numbers through std::to_chars, never the C locale) and from
// there in large pieces into the writer's sink (cadwriter.h): a file that could not be written
// completely never replaces the previous one.
//
// Bytes: a DXF file declares its code page in $DWGCODEPAGE and holds every string in it. With
// the CAD text mode 1 ("OEM") that is DOS 437, the page the texts are stored in; otherwise it is
// Windows 1252, and the plus-minus, degree and diameter signs of TEXT values are written as the
// DXF control codes %%p, %%d and %%c, which every DXF reader shows as the sign; in mode 3 every
// text is plain ASCII. Block files are this program's own: they hold every text in UTF-8, as
// typed, and the screen's read-back gives it back unchanged. Control characters (tab, CR, LF,
// ...) in any value are written as blanks: a line break inside a value would shift every later
// group.
//
// A drawing file holds each section once (sectionwrite.h): the head is written when the output
// closes, $EXTMIN / $EXTMAX enclosing what the file draws (inserts as their blocks place them,
// texts with their descenders), $LIMMIN / $LIMMAX the limits the drawings named (what they
// cover when none did), and $LTSCALE giving dash patterns about a fortieth of the diagonal.
// Several drawings into one open output make one file.
//
// An entity with a number that is not finite is left out and counted (InvalidEntities): the
// layer then reports the drawing as failed instead of writing lines to the origin.

#include <cstdint>
#include <string>
#include <string_view>

#include "cad/cadbounds.h"
#include "cad/sectionwrite.h"
#include "platform/os/codepage.h"

// How the target's texts are encoded.
enum class DxfTarget {
    DrawingFile, // a DXF file for other programs
    BlockFile,   // a screen block file, read back by this program
};

class TDxfWriter : public TSectionWriter {
public:
    explicit TDxfWriter(DxfTarget target = DxfTarget::DrawingFile);
    ~TDxfWriter() override;

    std::string Extension() const override { return "dxf"; }
    // A drawing file: the head, the sections and 0 "EOF"; a block file: 0 "EOF". 0 on success;
    // a failure returns its code and sets AbortFlag (the previous file stays).
    int Close() override;
    // Set 0, 1 or 2 (others are written as 0); the first drawing's tables count. Every layer
    // an entity can name (CAD colours 0 to 31) is in the table, after the set's own entries.
    void WriteTables(std::int32_t layerSet) override;
    void BeginBlock(std::string_view name) override;
    void EndBlock() override;

    void Line(long double x1, long double y1, long double x2, long double y2) override;
    void Circle(long double x, long double y, long double r) override;
    // A full circle (equal angles, or 0 and 360 either way within 1e-5) becomes a CIRCLE.
    void Arc(long double xc, long double yc, long double startDeg, long double endDeg,
             long double r) override;
    void Text(std::string_view text, long double x, long double y) override;
    void Solid(long double x1, long double y1, long double x2, long double y2, long double x3,
               long double y3, long double x4, long double y4) override;
    void Insert(std::string_view name, long double x, long double y, long double angleDeg,
                long double scaleX, long double scaleY) override;
    // CurrentLayer := the layer name of CAD colour c.
    void SetColour(std::int32_t c) override;

    bool Polylines() const override;
    void BeginPolyline(std::uint8_t flags) override;
    void Vertex(long double x, long double y, long double bulge) override;
    void EndPolyline() override;

protected:
    void StringGroup(int code, std::string_view text);
    void RealGroup(int code, long double x);
    void IntGroup(int code, long long n);
    void EntityHead(std::string_view name);
    void TextValue(std::string_view text);
    // The HEADER section with the extents of what was drawn.
    void WriteHead();
    void Section(const char* name, Part part);

    DxfTarget target_;
};

// tan(a / 4) of an included angle a in radians.
long double DxfBulge(long double includedAngle);

// ---- text forms (also used by the other writers and by tests) ------------------------------

// x with exactly `decimals` decimals (0..18; others are clamped), rounded half away from zero
// on the exact binary value, "." as decimal point, "-" only when the written value is not zero.
// A value that is not finite is written as 0 (the writers leave such entities out before).
void AppendFixed(std::string& out, long double x, int decimals);
std::string FixedText(long double x, int decimals);
// How far an insert of these scales moves a block's points by the rounding of their written
// coordinates beyond the rounding of the file's own numbers: the last decimal place the files
// write (10^-CadDecimals) times the magnification beyond 1.
long double InsertRounding(long double scaleX, long double scaleY);
// x as a reader reads it back from the file (CadDecimals decimals).
long double AsWritten(long double x);
// FloatToStrSig3 with a point as decimal sign whatever DecimalSign says.
std::string FloatToStrSig3Dot(long double x);
// The text with every control character (below 32, and DEL) replaced by a blank.
std::string WithoutControlChars(std::string_view text);
// The layer name CAD colour n writes (0 "0", 1..5 LayerNames, else the number).
std::string LayerNameOf(std::int32_t n);
// True when an arc from start to end (degrees) is a full circle for the writers.
bool IsFullCircle(long double startAngle, long double endAngle);
// The code page of DXF and TXT files: DOS 437 for the CAD text mode 1, else Windows 1252.
os::CodePage CadFilePage();
// A drawing text as the TXT writer stores it: ConvertCharset, then in CadFilePage (mode 3:
// spelled in ASCII, as IgesFileText); control characters as blanks.
std::string CadFileText(std::string_view text);
// A drawing text as a DXF reader shows it (UTF-8): ConvertCharset; in mode 3 spelled in ASCII
// except the diameter sign, which the file codes as %%c.
std::string DxfShownText(std::string_view text);
// A drawing text as a DXF TEXT value: DxfShownText, outside mode 1 with the plus-minus, degree
// and diameter signs as %%p, %%d and %%c, in CadFilePage.
std::string DxfFileText(std::string_view text);
// A drawing text as an IGES string: for mode 1 CadFileText; otherwise plain ASCII, the signs and
// letters that ASCII lacks spelled out ("+/-", "deg", "ae", "ss", "e" for e acute, ...; "?" for
// the few without a spelling).
std::string IgesFileText(std::string_view text);
// Plain ASCII spelling of any text (as IgesFileText outside mode 1), control characters as
// blanks.
std::string AsciiText(std::string_view text);
// A name (block, layer) in Windows 1252, control characters as blanks.
std::string CadFileName1252(std::string_view name);
