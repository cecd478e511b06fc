#pragma once
// dxfwrite: the ASCII DXF writer behind CAD codes 1 (DXF file) and 4 (the plot program's file),
// and the writer of the screen's block files (code 3).
//
// Lines go into a large buffer (numbers through std::to_chars, never the C locale) and from
// there in large pieces into the writer's sink (cadwriter.h): a file that could not be written
// completely never replaces the previous one.
//
// Bytes: DXF files hold their names in Windows 1252 and their TEXT values in the code page
// CharsetMode asks for (1: the DOS page, as the texts are stored; 2 and 3: Windows 1252 after
// ConvertCharset). Block files hold everything in the DOS page without conversion, as the
// screen's text output converts by itself; user logo files are written that way too.
// Control characters (tab, CR, LF, ...) in any value are written as blanks: a line break inside
// a value would shift every later group.
//
// An entity with a number that is not finite is left out and counted (InvalidEntities): the
// layer then reports the drawing as failed instead of writing lines to the origin.

#include <cstdint>
#include <memory>
#include <string>
#include <map>
#include <set>
#include <string_view>

#include "cad/cadwriter.h"

// How the target's texts are encoded.
enum class DxfTarget {
    DrawingFile, // a DXF file for other programs
    BlockFile,   // a screen block file, read back by this program
};

class TDxfWriter : public TBufferedWriter {
public:
    explicit TDxfWriter(DxfTarget target = DxfTarget::DrawingFile);
    ~TDxfWriter() override;

    std::string Extension() const override { return "dxf"; }
    // Writes 0 "EOF" and closes. 0 on success; a failure returns its code and sets AbortFlag.
    int Close() override;
    void Abandon() override;
    // Drawing files, before anything was written: the drawings that follow are collected and
    // written at Close as one (header extents spanning them all, the first drawing's tables,
    // every block, every entity). A block name this output already defined gets a suffix
    // ("EVOLV2_2"), and the inserts that follow name the new definition. Ignored once a
    // drawing was written.
    void JoinDrawings() override;

    void BeginDrawing(long double xmin, long double ymin, long double xmax,
                      long double ymax) override;
    // Set 0, 1 or 2 (others are written as 0). Every layer an entity can name (CAD colours 0 to
    // 31) is in the table, after the set's own entries.
    void WriteTables(std::int32_t layerSet) override;
    void BeginBlocksSection() override;
    void BeginBlock(std::string_view name) override;
    void EndBlock() override;
    void EndSection() override;
    void BeginEntities() override;

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

    DxfTarget target_;

private:
    // Joined drawings: where the buffer goes while they are collected.
    void CollectInto(std::string* part);
    void WriteJoined();
    bool begun_ = false;             // a drawing was begun in this output
    bool joined_ = false;            // collecting joined drawings
    std::unique_ptr<TCadSink> file_; // the output's own sink while joined
    std::string* part_ = nullptr;    // the collected part the buffer goes to
    std::string blocks_, entities_;
    bool haveExtents_ = false;
    long double extents_[4] = {0, 0, 0, 0};
    std::int32_t layerSet_ = -1;
    std::map<std::string, std::string> blockNames_; // capitals -> the name last written
    std::set<std::string> usedNames_;               // every name written, in capitals
};

// tan(a / 4) of an included angle a in radians.
long double DxfBulge(long double includedAngle);

// ---- text forms (also used by the other writers and by tests) ------------------------------

// x with exactly `decimals` decimals (0..18; others are clamped), rounded half away from zero
// on the exact binary value, "." as decimal point, "-" only when the written value is not zero.
// A value that is not finite is written as 0 (the writers leave such entities out before).
void AppendFixed(std::string& out, long double x, int decimals);
std::string FixedText(long double x, int decimals);
// FloatToStrSig3 with a point as decimal sign whatever DecimalSign says.
std::string FloatToStrSig3Dot(long double x);
// The text with every control character (below 32, and DEL) replaced by a blank.
std::string WithoutControlChars(std::string_view text);
// The layer name CAD colour n writes (0 "0", 1..5 LayerNames, else the number).
std::string LayerNameOf(std::int32_t n);
// True when an arc from start to end (degrees) is a full circle for the writers.
bool IsFullCircle(long double startAngle, long double endAngle);
// A drawing text as the file writers store it: ConvertCharset, then the DOS page for character
// mode 1, else Windows 1252; control characters as blanks.
std::string CadFileText(std::string_view text);
// A name (block, layer) in Windows 1252, control characters as blanks.
std::string CadFileName1252(std::string_view name);
