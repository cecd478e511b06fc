#include "cad/dxfwrite.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "cad/cadstate.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "platform/os/codepage.h"
#include "platform/os/utf8.h"

namespace {

bool PlainAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c < 32 || c >= 127) return false;
    return true;
}

// The text in code page cp, control characters as blanks.
void AppendEncoded(std::string& out, std::string_view text, os::CodePage cp) {
    if (PlainAscii(text)) {
        out.append(text);
        return;
    }
    out += os::FromUtf8(cp, WithoutControlChars(text));
}

const char* const kCodeText[] = {"  0", "  1", "  2", "  3", "  4",
                                 "  5", "  6", "  7", "  8", "  9"};

void AppendCode(std::string& out, int code) {
    if (code >= 0 && code <= 9) {
        out.append(kCodeText[code], 3);
        return;
    }
    char tmp[16];
    const auto res = std::to_chars(tmp, tmp + sizeof tmp, code);
    const auto len = static_cast<std::size_t>(res.ptr - tmp);
    if (len < 3) out.append(3 - len, ' ');
    out.append(tmp, len);
}

// The DXF text of a restoring scope around FloatToStrSig3: point as decimal sign whatever the
// display setting says.
class DotScope {
public:
    DotScope() : saved_(DecimalSign) { DecimalSign = 1; }
    ~DotScope() { DecimalSign = saved_; }
    DotScope(const DotScope&) = delete;
    DotScope& operator=(const DotScope&) = delete;

private:
    std::uint16_t saved_;
};

} // namespace

// ---- text forms ----------------------------------------------------------------------------

void AppendFixed(std::string& out, long double x, int decimals) {
    AppendFixedPoint(out, std::isfinite(x) ? x : 0.0L, std::clamp(decimals, 0, 18));
}

std::string FixedText(long double x, int decimals) {
    std::string s;
    AppendFixed(s, x, decimals);
    return s;
}

long double InsertRounding(long double scaleX, long double scaleY) {
    const long double magnified = std::max(fabsl(scaleX), fabsl(scaleY)) - 1;
    return magnified > 0 ? magnified * powl(10.0L, -std::clamp<int>(CadDecimals, 0, 18)) : 0;
}

long double AsWritten(long double x) {
    return StrToReal(FixedText(x, CadDecimals));
}

std::string FloatToStrSig3Dot(long double x) {
    DotScope scope;
    return FloatToStrSig3(x);
}

std::string WithoutControlChars(std::string_view text) {
    std::string s(text);
    for (char& c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127) c = ' ';
    }
    return s;
}

std::string LayerNameOf(std::int32_t n) {
    if (n == 0) return "0";
    if (n >= 1 && n <= 5) return LayerNames[n].str();
    return IntToString(n);
}

bool IsFullCircle(long double startAngle, long double endAngle) {
    return startAngle == endAngle || (IsEqual(startAngle, 0) && IsEqual(endAngle, 360)) ||
           (IsEqual(startAngle, 360) && IsEqual(endAngle, 0));
}

os::CodePage CadFilePage() {
    // Mode 1 keeps the texts as stored, in the DOS page.
    return CharsetMode == 1 ? os::CodePage::Cp437 : os::CodePage::Cp1252;
}

namespace {

bool IsDiameterSign(char32_t c) {
    return c == U'\u2300' || c == U'\u2205';
}

std::string SpelledAscii(std::string_view text, bool keepDiameter);

} // namespace

std::string CadFileText(std::string_view text) {
    if (CharsetMode == 3) return AsciiText(ConvertCharset(text));
    std::string out;
    AppendEncoded(out, ConvertCharset(text), CadFilePage());
    return out;
}

std::string DxfShownText(std::string_view text) {
    if (CharsetMode == 3) return SpelledAscii(ConvertCharset(text), true);
    return ConvertCharset(text);
}

std::string DxfFileText(std::string_view text) {
    if (CharsetMode == 1) return CadFileText(text);
    const std::string shown = DxfShownText(text);
    std::string coded;
    coded.reserve(shown.size() + 8);
    for (std::size_t pos = 0; pos < shown.size();) {
        const std::size_t start = pos;
        const char32_t c = os::Utf8Next(shown, pos);
        if (c == U'\u00B1')
            coded += "%%p";
        else if (c == U'\u00B0')
            coded += "%%d";
        else if (IsDiameterSign(c))
            coded += "%%c";
        else
            coded.append(shown, start, pos - start);
    }
    std::string out;
    AppendEncoded(out, coded, os::CodePage::Cp1252);
    return out;
}

namespace {

// Spellings of the characters above 127 that ASCII lacks, after the DOS transliteration.
const char* AsciiSpelling(char32_t c) {
    if (c >= 0xC0 && c <= 0xFF) {
        static const char* const kLatin1[64] = {
            "A",  "A", "A", "A", "Ae", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
            "D",  "N", "O", "O", "O",  "O", "Oe", "x", "O", "U", "U", "U", "Ue", "Y", "Th", "ss",
            "a",  "a", "a", "a", "ae", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
            "d",  "n", "o", "o", "o",  "o", "oe", "/", "o", "u", "u", "u", "ue", "y", "th", "y"};
        return kLatin1[c - 0xC0];
    }
    switch (c) {
    case 0xA0: return " ";
    case 0xA9: return "(C)";
    case 0xAE: return "(R)";
    case 0xB0: return "deg";
    case 0xB1: return "+/-";
    case 0xB2: return "2";
    case 0xB3: return "3";
    case 0xB5: return "u";
    case 0xB7: return ".";
    case 0xB9: return "1";
    case 0xBC: return "1/4";
    case 0xBD: return "1/2";
    case 0xBE: return "3/4";
    case 0x2013: case 0x2014: case 0x2212: return "-";
    case 0x2018: case 0x2019: return "'";
    case 0x201C: case 0x201D: return "\"";
    case 0x2205: case 0x2300: return "dia ";
    case 0x2264: return "<=";
    case 0x2265: return ">=";
    case 0x03B1: return "alpha";
    case 0x03B2: return "beta";
    case 0x03C1: return "rho";
    case 0x03C6: return "phi";
    case 0x0394: return "Delta";
    default: return "?";
    }
}

// The text in ASCII, control characters as blanks; keepDiameter leaves the diameter sign (a
// DXF file codes it).
std::string SpelledAscii(std::string_view text, bool keepDiameter) {
    const std::string spelled = Cp437ToAscii(text);
    std::string out;
    out.reserve(spelled.size());
    for (std::size_t pos = 0; pos < spelled.size();) {
        const std::size_t start = pos;
        const char32_t c = os::Utf8Next(spelled, pos);
        if (c < 32 || c == 127)
            out += ' ';
        else if (c < 127)
            out += static_cast<char>(c);
        else if (keepDiameter && IsDiameterSign(c))
            out.append(spelled, start, pos - start);
        else
            out += AsciiSpelling(c);
    }
    return out;
}

} // namespace

std::string AsciiText(std::string_view text) {
    return SpelledAscii(text, false);
}

std::string IgesFileText(std::string_view text) {
    if (CharsetMode == 1) return CadFileText(text);
    return AsciiText(ConvertCharset(text));
}

std::string CadFileName1252(std::string_view name) {
    std::string out;
    AppendEncoded(out, name, os::CodePage::Cp1252);
    return out;
}

long double DxfBulge(long double includedAngle) {
    return tanl(includedAngle / 4);
}

// ---- the writer ----------------------------------------------------------------------------

TDxfWriter::TDxfWriter(DxfTarget target)
    : TSectionWriter(target == DxfTarget::DrawingFile), target_(target) {}

TDxfWriter::~TDxfWriter() {
    TDxfWriter::Abandon();
}

int TDxfWriter::Close() {
    if (!sink_) return 0;
    if (target_ == DxfTarget::DrawingFile) {
        if (InBlock()) EndBlock(); // a definition that was never ended
        Direct();
        WriteHead();
        CopyPart(Tables);
        if (HasBlocks()) Section("BLOCKS", Blocks);
        Section("ENTITIES", Entities);
    }
    StringGroup(0, "EOF");
    return FinishFile();
}

void TDxfWriter::Section(const char* name, Part part) {
    StringGroup(0, "SECTION");
    StringGroup(2, name);
    CopyPart(part);
    StringGroup(0, "ENDSEC");
}

inline void TDxfWriter::RealGroup(int code, long double x) {
    AppendCode(buf_, code);
    buf_.append("\r\n", 2);
    AppendFixed(buf_, x, CadDecimals);
    EndLine();
}

inline void TDxfWriter::StringGroup(int code, std::string_view text) {
    AppendCode(buf_, code);
    buf_.append("\r\n", 2);
    if (target_ == DxfTarget::BlockFile)
        buf_ += WithoutControlChars(text); // this program's own file: UTF-8 as it stands
    else
        AppendEncoded(buf_, text, CadFilePage());
    EndLine();
}

inline void TDxfWriter::IntGroup(int code, long long n) {
    AppendCode(buf_, code);
    buf_.append("\r\n", 2);
    char tmp[24];
    const auto res = std::to_chars(tmp, tmp + sizeof tmp, n);
    buf_.append(tmp, static_cast<std::size_t>(res.ptr - tmp));
    EndLine();
}

// Entity head: 0 name, 8 layer.
inline void TDxfWriter::EntityHead(std::string_view name) {
    StringGroup(0, name);
    StringGroup(8, CurrentLayer.str());
}

void TDxfWriter::TextValue(std::string_view text) {
    AppendCode(buf_, 1);
    buf_.append("\r\n", 2);
    if (target_ == DxfTarget::BlockFile)
        // Read back by this program, which shows it as the screen shows every text.
        buf_ += WithoutControlChars(text);
    else
        buf_ += DxfFileText(text);
    EndLine();
}

// ---- sections ------------------------------------------------------------------------------

void TDxfWriter::WriteHead() {
    long double limits[4] = {0, 0, 0, 0};
    const bool named = Limits(limits);
    TCadBox ext = bounds_.Model();
    if (ext.Empty && named) {
        ext.Add(limits[0], limits[1]);
        ext.Add(limits[2], limits[3]);
    }
    if (!named && !ext.Empty) {
        // No drawing named its limits: they are what it covers.
        limits[0] = ext.XMin;
        limits[1] = ext.YMin;
        limits[2] = ext.XMax;
        limits[3] = ext.YMax;
    }
    StringGroup(0, "SECTION");
    StringGroup(2, "HEADER");
    StringGroup(9, "$DWGCODEPAGE");
    StringGroup(3, CadFilePage() == os::CodePage::Cp437 ? "DOS437" : "ANSI_1252");
    StringGroup(9, "$EXTMIN");
    RealGroup(10, ext.XMin);
    RealGroup(20, ext.YMin);
    StringGroup(9, "$EXTMAX");
    RealGroup(10, ext.XMax);
    RealGroup(20, ext.YMax);
    StringGroup(9, "$LIMMIN");
    RealGroup(10, limits[0]);
    RealGroup(20, limits[1]);
    StringGroup(9, "$LIMMAX");
    RealGroup(10, limits[2]);
    RealGroup(20, limits[3]);
    // Dash patterns in proportion to the drawing: the limits it named, else what it covers.
    long double diagonal = hypotl(limits[2] - limits[0], limits[3] - limits[1]);
    if (!(diagonal > 0)) diagonal = hypotl(ext.Width(), ext.Height());
    StringGroup(9, "$LTSCALE");
    StringGroup(40, diagonal > 0 ? FloatToStrSig3Dot(std::max(diagonal / 40, 0.001L))
                                 : std::string("15"));
    StringGroup(0, "ENDSEC");
}

void TDxfWriter::WriteTables(std::int32_t layerSet) {
    if (!sink_ || target_ != DxfTarget::DrawingFile || TablesTaken()) return;
    TakeTables(); // the first drawing's layers
    if (layerSet < 0 || layerSet > 2) layerSet = 0;
    Into(Tables);
    StringGroup(0, "SECTION");
    StringGroup(2, "TABLES");

    // Line types.
    StringGroup(0, "TABLE");
    StringGroup(2, "LTYPE");
    StringGroup(70, layerSet == 0 ? "6" : layerSet == 1 ? "17" : "23");
    struct LineType {
        const char* name;
        const char* description;
        const char* count;
        const char* length;
        std::initializer_list<const char*> dashes;
    };
    const LineType types[] = {
        {"CONTINUOUS", "Ausgezogene Linie", "0", "0.0", {}},
        {"DASHDOT", "--. --. --.-", "4", "1.0", {"0.5", "-0.25", "0.0", "-0.25"}},
        {"DASHED", "- - - - - - ", "2", "0.375", {"0.25", "-0.125"}},
    };
    for (const LineType& t : types) {
        StringGroup(0, "LTYPE");
        StringGroup(2, t.name);
        StringGroup(70, "64");
        StringGroup(3, t.description);
        StringGroup(72, "65");
        StringGroup(73, t.count);
        StringGroup(40, t.length);
        for (const char* d : t.dashes)
            StringGroup(49, d);
    }
    StringGroup(0, "ENDTAB");

    // Layers.
    StringGroup(0, "TABLE");
    StringGroup(2, "LAYER");
    IntGroup(70, 24);
    std::vector<std::string> written;
    auto layer = [&](const std::string& name, std::int32_t colour, const char* lineType) {
        StringGroup(0, "LAYER");
        StringGroup(2, name);
        StringGroup(70, "0");
        IntGroup(62, LayerMonochrome ? 1 : (colour & 0xFF));
        StringGroup(6, lineType);
        written.push_back(UpperCaseStr(name));
    };
    auto layerLineType = [](int i) {
        return i == 1 ? "DASHDOT" : i == 2 ? "DASHED" : "CONTINUOUS";
    };
    if (layerSet == 0 || layerSet == 2) {
        layer("0", 1, "CONTINUOUS");
        for (int i = 1; i <= 5; ++i)
            layer(LayerNames[i].str(), LayerColours[i], layerLineType(i));
    }
    if (layerSet == 1)
        for (int i = 0; i <= 15; ++i)
            layer(IntToString(i), i + 1, "CONTINUOUS");
    if (layerSet == 2)
        for (int i = 16; i <= 31; ++i)
            layer(IntToString(i), ColourTable[i], "CONTINUOUS");
    // Every other layer an entity can name: colours 6..31 (and the configured names of layers
    // 1..5 in set 1), so that no entity refers to a layer the table lacks.
    for (int i = 1; i <= 31; ++i) {
        const std::string name = LayerNameOf(i);
        if (std::find(written.begin(), written.end(), UpperCaseStr(name)) != written.end())
            continue;
        if (i <= 5)
            layer(name, LayerColours[i], layerLineType(i));
        else
            layer(name, i <= 15 ? i + 1 : ColourTable[i], "CONTINUOUS");
    }
    StringGroup(0, "ENDTAB");

    // Text style.
    StringGroup(0, "TABLE");
    StringGroup(2, "STYLE");
    StringGroup(70, "1");
    StringGroup(0, "STYLE");
    StringGroup(2, "STANDARD");
    StringGroup(70, "0");
    StringGroup(40, "0.0");
    StringGroup(41, "1.0");
    StringGroup(50, "0.0");
    StringGroup(71, "0");
    StringGroup(42, "3.5");
    StringGroup(3, UpperCaseStr(CadTextFont.str()));
    StringGroup(4, "");
    buf_ += '0';
    EndLine();
    buf_ += "ENDTAB";
    EndLine();
    StringGroup(0, "ENDSEC");
    Into(InBlock() ? Blocks : Entities);
}

void TDxfWriter::BeginBlock(std::string_view name) {
    if (!sink_) return;
    const std::string written = DefineBlock(name);
    EntityHead("BLOCK");
    StringGroup(2, written);
    StringGroup(70, "0");
    StringGroup(10, "0.0");
    StringGroup(20, "0.0");
}

void TDxfWriter::EndBlock() {
    if (!sink_ || !InBlock()) return;
    StringGroup(0, "ENDBLK");
    EndBlockPart();
}

// ---- entities ------------------------------------------------------------------------------

void TDxfWriter::Line(long double x1, long double y1, long double x2, long double y2) {
    if (!sink_ || !Valid({x1, y1, x2, y2})) return;
    bounds_.Line(x1, y1, x2, y2);
    EntityHead("LINE");
    RealGroup(10, x1);
    RealGroup(20, y1);
    RealGroup(11, x2);
    RealGroup(21, y2);
}

void TDxfWriter::Circle(long double x, long double y, long double r) {
    if (!sink_ || !Valid({x, y, r})) return;
    bounds_.Circle(x, y, r);
    EntityHead("CIRCLE");
    RealGroup(10, x);
    RealGroup(20, y);
    RealGroup(40, r);
}

void TDxfWriter::Arc(long double xc, long double yc, long double startDeg, long double endDeg,
                     long double r) {
    if (IsFullCircle(startDeg, endDeg)) {
        Circle(xc, yc, r);
        return;
    }
    if (!sink_ || !Valid({xc, yc, startDeg, endDeg, r})) return;
    bounds_.Arc(xc, yc, startDeg, endDeg, r);
    EntityHead("ARC");
    RealGroup(10, xc);
    RealGroup(20, yc);
    RealGroup(40, r);
    RealGroup(50, startDeg);
    RealGroup(51, endDeg);
}

void TDxfWriter::Text(std::string_view text, long double x, long double y) {
    if (!sink_ || !Valid({x, y, CadTextHeight, CadTextWidthFactor, CadTextAngle, CadTextOblique}))
        return;
    const std::string width = FloatToStrSig3Dot(CadTextWidthFactor);
    const std::string angle = FloatToStrSig3Dot(CadTextAngle);
    // The extents of the text as a reader places it: its characters as shown, the width factor
    // and angle as written, the descenders below the baseline.
    bounds_.Text(x, y, static_cast<long double>(os::Utf8Length(DxfShownText(text))),
                 CadTextHeight, StrToReal(width), StrToReal(angle), kTextDescent);
    EntityHead("TEXT");
    RealGroup(10, x);
    RealGroup(20, y);
    RealGroup(40, CadTextHeight);
    TextValue(text);
    StringGroup(7, "STANDARD");
    StringGroup(41, width);
    StringGroup(50, angle);
    StringGroup(51, FloatToStrSig3Dot(CadTextOblique));
}

void TDxfWriter::Solid(long double x1, long double y1, long double x2, long double y2,
                       long double x3, long double y3, long double x4, long double y4) {
    if (!sink_ || !Valid({x1, y1, x2, y2, x3, y3, x4, y4})) return;
    bounds_.Line(x1, y1, x2, y2);
    bounds_.Line(x3, y3, x4, y4);
    EntityHead("SOLID");
    RealGroup(10, x1);
    RealGroup(20, y1);
    RealGroup(11, x2);
    RealGroup(21, y2);
    RealGroup(12, x3);
    RealGroup(22, y3);
    RealGroup(13, x4);
    RealGroup(23, y4);
}

void TDxfWriter::Insert(std::string_view name, long double x, long double y, long double angleDeg,
                        long double scaleX, long double scaleY) {
    if (!sink_ || !Valid({x, y, angleDeg, scaleX, scaleY})) return;
    EntityHead("INSERT");
    const std::string placed = PlacedName(name);
    // Placed as a reader places it: the block's points grow with the scale, so its rounding
    // to the written decimals moves them by more than the decimals' last digit.
    bounds_.Insert(placed, AsWritten(x), AsWritten(y), AsWritten(angleDeg), AsWritten(scaleX),
                   AsWritten(scaleY), InsertRounding(scaleX, scaleY));
    StringGroup(2, placed);
    RealGroup(10, x);
    RealGroup(20, y);
    RealGroup(41, scaleX);
    RealGroup(42, scaleY);
    RealGroup(50, angleDeg);
}

void TDxfWriter::SetColour(std::int32_t c) {
    CurrentLayer = LayerNameOf(c);
}

bool TDxfWriter::Polylines() const {
    return target_ == DxfTarget::DrawingFile && CadUsePolylines;
}

void TDxfWriter::BeginPolyline(std::uint8_t flags) {
    if (!sink_) return;
    EntityHead("POLYLINE");
    IntGroup(66, 1);
    if (flags > 0) IntGroup(70, flags);
    bounds_.BeginPolyline((flags & 1) != 0);
}

void TDxfWriter::Vertex(long double x, long double y, long double bulge) {
    if (!sink_ || !Valid({x, y, bulge})) return;
    bounds_.Vertex(x, y, bulge);
    EntityHead("VERTEX");
    RealGroup(10, x);
    RealGroup(20, y);
    if (bulge != 0) {
        // A bulge with all its significant digits: a short arc's radius comes from it.
        AppendCode(buf_, 42);
        buf_.append("\r\n", 2);
        const int e = bulge == 0 ? 0 : static_cast<int>(floorl(log10l(fabsl(bulge))));
        AppendFixed(buf_, bulge, std::clamp(17 - e, CadDecimals, 18));
        EndLine();
    }
}

void TDxfWriter::EndPolyline() {
    if (!sink_) return;
    bounds_.EndPolyline();
    EntityHead("SEQEND");
}
