#include "cad/dxfwrite.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "cad/cadout.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/files.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"
#include "platform/os/codepage.h"

namespace {

// Bytes are collected here and handed to the file in large pieces; the file itself passes
// them through unchanged (its encoding is UTF-8, the bytes are already in their code page).
constexpr std::size_t kChunk = 256 * 1024;

struct DxfSink {
    TextFile file;
    std::string buf;
    DxfTarget target = DxfTarget::DrawingFile;
    bool open = false;
    std::string name;
};

DxfSink& Sink() {
    static DxfSink sink;
    return sink;
}

void FlushChunk(DxfSink& s) {
    if (s.buf.empty()) return;
    s.file.Write(s.buf);
    s.buf.clear();
}

inline void EndLine(DxfSink& s) {
    s.buf.append("\r\n", 2);
    if (s.buf.size() >= kChunk) FlushChunk(s);
}

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

os::CodePage NameCodePage(const DxfSink& s) {
    return s.target == DxfTarget::BlockFile ? os::CodePage::Cp437 : os::CodePage::Cp1252;
}

const char* const kCodeText[] = {"  0", "  1", "  2", "  3", "  4", "  5", "  6", "  7",
                                 "  8", "  9", " 10", " 11", " 12", " 13", " 20", " 21",
                                 " 22", " 23", " 40", " 41", " 42", " 49", " 50", " 51",
                                 " 62", " 66", " 70", " 71", " 72", " 73"};

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

// One group with a real value, the common case, in one go.
inline void RealGroup(DxfSink& s, int code, long double x) {
    AppendCode(s.buf, code);
    s.buf.append("\r\n", 2);
    AppendFixed(s.buf, x, CadDecimals);
    EndLine(s);
}

inline void StringGroup(DxfSink& s, int code, std::string_view text) {
    AppendCode(s.buf, code);
    s.buf.append("\r\n", 2);
    AppendEncoded(s.buf, text, NameCodePage(s));
    EndLine(s);
}

inline void IntGroup(DxfSink& s, int code, long long n) {
    AppendCode(s.buf, code);
    s.buf.append("\r\n", 2);
    char tmp[24];
    const auto res = std::to_chars(tmp, tmp + sizeof tmp, n);
    s.buf.append(tmp, static_cast<std::size_t>(res.ptr - tmp));
    EndLine(s);
}

// Entity head: 0 name, 8 layer.
inline void EntityHead(DxfSink& s, std::string_view name) {
    StringGroup(s, 0, name);
    StringGroup(s, 8, CurrentLayer.str());
}

// The DXF text of a restoring scope around FloatToStrSig3: point as decimal sign, full
// precision whatever the display setting says.
class DotScope {
public:
    DotScope() : saved_(DecimalSign) { DecimalSign = 1; }
    ~DotScope() { DecimalSign = saved_; }
    DotScope(const DotScope&) = delete;
    DotScope& operator=(const DotScope&) = delete;

private:
    std::uint16_t saved_;
    StoredFileFormat stored_;
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

// ---- target --------------------------------------------------------------------------------

int DxfOpen(const std::string& fileName, DxfTarget target) {
    DxfSink& s = Sink();
    if (s.open) DxfDiscard();
    s.buf.clear();
    s.buf.reserve(kChunk + 4096);
    s.target = target;
    s.name = fileName;
    s.file.Assign(fileName, TextEncoding::Utf8);
    const int rc = s.file.Rewrite();
    if (rc != 0) {
        s.name.clear();
        return rc;
    }
    s.open = true;
    return 0;
}

bool DxfIsOpen() {
    return Sink().open;
}

const std::string& DxfFileName() {
    return Sink().name;
}

int DxfError() {
    DxfSink& s = Sink();
    return s.open ? s.file.Error() : 0;
}

int DxfClose() {
    DxfSink& s = Sink();
    if (!s.open) return 0;
    StringGroup(s, 0, "EOF");
    FlushChunk(s);
    s.open = false;
    const int rc = s.file.Close();
    if (rc != 0) AbortFlag = 1;
    return rc;
}

void DxfDiscard() {
    DxfSink& s = Sink();
    s.buf.clear();
    if (s.open) s.file.Discard();
    s.open = false;
}

// ---- groups --------------------------------------------------------------------------------

void DxfWriteCode(int code) {
    DxfSink& s = Sink();
    if (!s.open) return;
    AppendCode(s.buf, code);
    EndLine(s);
}

void DxfWriteString(std::string_view text) {
    DxfSink& s = Sink();
    if (!s.open) return;
    AppendEncoded(s.buf, text, NameCodePage(s));
    EndLine(s);
}

void DxfWriteInt(long long n) {
    DxfSink& s = Sink();
    if (!s.open) return;
    char tmp[24];
    const auto res = std::to_chars(tmp, tmp + sizeof tmp, n);
    s.buf.append(tmp, static_cast<std::size_t>(res.ptr - tmp));
    EndLine(s);
}

void DxfWriteReal(long double x) {
    DxfSink& s = Sink();
    if (!s.open) return;
    AppendFixed(s.buf, x, CadDecimals);
    EndLine(s);
}

void DxfWriteTextValue(std::string_view text) {
    DxfSink& s = Sink();
    if (!s.open) return;
    if (s.target == DxfTarget::BlockFile) {
        // Read back by this program, which converts for the screen itself.
        AppendEncoded(s.buf, text, os::CodePage::Cp437);
    } else {
        const std::string converted = ConvertCharset(text);
        // Character mode 1 keeps the texts as stored, in the DOS page.
        AppendEncoded(s.buf, converted,
                      CharsetMode == 1 ? os::CodePage::Cp437 : os::CodePage::Cp1252);
    }
    EndLine(s);
}

// ---- sections ------------------------------------------------------------------------------

void DxfWriteHeader(long double xmin, long double ymin, long double xmax, long double ymax) {
    DxfSink& s = Sink();
    if (!s.open) return;
    StringGroup(s, 0, "SECTION");
    StringGroup(s, 2, "HEADER");
    StringGroup(s, 9, "$EXTMIN");
    RealGroup(s, 10, xmin);
    RealGroup(s, 20, ymin);
    StringGroup(s, 9, "$EXTMAX");
    RealGroup(s, 10, xmax);
    RealGroup(s, 20, ymax);
    StringGroup(s, 9, "$LIMMIN");
    RealGroup(s, 10, xmin);
    RealGroup(s, 20, ymin);
    StringGroup(s, 9, "$LIMMAX");
    RealGroup(s, 10, xmax);
    RealGroup(s, 20, ymax);
    StringGroup(s, 9, "$LTSCALE");
    StringGroup(s, 40, "15");
    StringGroup(s, 0, "ENDSEC");
}

void DxfWriteTables(std::uint16_t layerSet) {
    DxfSink& s = Sink();
    if (!s.open) return;
    if (layerSet > 2) layerSet = 0;
    StringGroup(s, 0, "SECTION");
    StringGroup(s, 2, "TABLES");

    // Line types.
    StringGroup(s, 0, "TABLE");
    StringGroup(s, 2, "LTYPE");
    StringGroup(s, 70, layerSet == 0 ? "6" : layerSet == 1 ? "17" : "23");
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
        StringGroup(s, 0, "LTYPE");
        StringGroup(s, 2, t.name);
        StringGroup(s, 70, "64");
        StringGroup(s, 3, t.description);
        StringGroup(s, 72, "65");
        StringGroup(s, 73, t.count);
        StringGroup(s, 40, t.length);
        for (const char* d : t.dashes)
            StringGroup(s, 49, d);
    }
    StringGroup(s, 0, "ENDTAB");

    // Layers.
    StringGroup(s, 0, "TABLE");
    StringGroup(s, 2, "LAYER");
    IntGroup(s, 70, 24);
    auto layer = [&](std::string_view name, std::int32_t colour, const char* lineType) {
        StringGroup(s, 0, "LAYER");
        StringGroup(s, 2, name);
        StringGroup(s, 70, "0");
        IntGroup(s, 62, LayerMonochrome ? 1 : (colour & 0xFF));
        StringGroup(s, 6, lineType);
    };
    if (layerSet == 0 || layerSet == 2) {
        layer("0", 1, "CONTINUOUS");
        for (int i = 1; i <= 5; ++i)
            layer(LayerNames[i].str(), LayerColours[i],
                  i == 1   ? "DASHDOT"
                  : i == 2 ? "DASHED"
                           : "CONTINUOUS");
    }
    if (layerSet == 1)
        for (int i = 0; i <= 15; ++i)
            layer(IntToString(i), i + 1, "CONTINUOUS");
    if (layerSet == 2)
        for (int i = 16; i <= 31; ++i)
            layer(IntToString(i), ColourTable[i], "CONTINUOUS");
    StringGroup(s, 0, "ENDTAB");

    // Text style.
    StringGroup(s, 0, "TABLE");
    StringGroup(s, 2, "STYLE");
    StringGroup(s, 70, "1");
    StringGroup(s, 0, "STYLE");
    StringGroup(s, 2, "STANDARD");
    StringGroup(s, 70, "0");
    StringGroup(s, 40, "0.0");
    StringGroup(s, 41, "1.0");
    StringGroup(s, 50, "0.0");
    StringGroup(s, 71, "0");
    StringGroup(s, 42, "3.5");
    StringGroup(s, 3, UpperCaseStr(CadTextFont.str()));
    StringGroup(s, 4, "");
    s.buf += '0';
    EndLine(s);
    DxfWriteString("ENDTAB");
    StringGroup(s, 0, "ENDSEC");
}

void DxfBeginBlocksSection() {
    DxfSink& s = Sink();
    if (!s.open) return;
    StringGroup(s, 0, "SECTION");
    StringGroup(s, 2, "BLOCKS");
}

void DxfBeginBlock(std::string_view name) {
    DxfSink& s = Sink();
    if (!s.open) return;
    EntityHead(s, "BLOCK");
    StringGroup(s, 2, name);
    StringGroup(s, 70, "0");
    StringGroup(s, 10, "0.0");
    StringGroup(s, 20, "0.0");
}

void DxfEndBlock() {
    DxfSink& s = Sink();
    if (!s.open) return;
    StringGroup(s, 0, "ENDBLK");
}

void DxfEndSection() {
    DxfSink& s = Sink();
    if (!s.open) return;
    StringGroup(s, 0, "ENDSEC");
}

void DxfBeginEntities() {
    DxfSink& s = Sink();
    if (!s.open) return;
    StringGroup(s, 0, "SECTION");
    StringGroup(s, 2, "ENTITIES");
}

// ---- entities ------------------------------------------------------------------------------

void DxfLine(long double x1, long double y1, long double x2, long double y2) {
    DxfSink& s = Sink();
    if (!s.open) return;
    EntityHead(s, "LINE");
    RealGroup(s, 10, x1);
    RealGroup(s, 20, y1);
    RealGroup(s, 11, x2);
    RealGroup(s, 21, y2);
}

void DxfCircle(long double x, long double y, long double r) {
    DxfSink& s = Sink();
    if (!s.open) return;
    EntityHead(s, "CIRCLE");
    RealGroup(s, 10, x);
    RealGroup(s, 20, y);
    RealGroup(s, 40, r);
}

void DxfArc(long double xc, long double yc, long double startAngle, long double endAngle,
            long double r) {
    if (IsFullCircle(startAngle, endAngle)) {
        DxfCircle(xc, yc, r);
        return;
    }
    DxfSink& s = Sink();
    if (!s.open) return;
    EntityHead(s, "ARC");
    RealGroup(s, 10, xc);
    RealGroup(s, 20, yc);
    RealGroup(s, 40, r);
    RealGroup(s, 50, startAngle);
    RealGroup(s, 51, endAngle);
}

void DxfText(std::string_view text, long double x, long double y) {
    DxfSink& s = Sink();
    if (!s.open) return;
    EntityHead(s, "TEXT");
    RealGroup(s, 10, x);
    RealGroup(s, 20, y);
    RealGroup(s, 40, CadTextHeight);
    DxfWriteCode(1);
    DxfWriteTextValue(text);
    StringGroup(s, 7, "STANDARD");
    StringGroup(s, 41, FloatToStrSig3Dot(CadTextWidthFactor));
    StringGroup(s, 50, FloatToStrSig3Dot(CadTextAngle));
    StringGroup(s, 51, FloatToStrSig3Dot(CadTextOblique));
}

void DxfSolid(long double x1, long double y1, long double x2, long double y2, long double x3,
              long double y3, long double x4, long double y4) {
    DxfSink& s = Sink();
    if (!s.open) return;
    EntityHead(s, "SOLID");
    RealGroup(s, 10, x1);
    RealGroup(s, 20, y1);
    RealGroup(s, 11, x2);
    RealGroup(s, 21, y2);
    RealGroup(s, 12, x3);
    RealGroup(s, 22, y3);
    RealGroup(s, 13, x4);
    RealGroup(s, 23, y4);
}

void DxfInsert(std::string_view name, long double x, long double y, long double angle,
               long double scaleX, long double scaleY) {
    DxfSink& s = Sink();
    if (!s.open) return;
    EntityHead(s, "INSERT");
    StringGroup(s, 2, name);
    RealGroup(s, 10, x);
    RealGroup(s, 20, y);
    RealGroup(s, 41, scaleX);
    RealGroup(s, 42, scaleY);
    RealGroup(s, 50, angle);
}

void DxfBeginPolyline(std::uint8_t flags) {
    DxfSink& s = Sink();
    if (!s.open) return;
    EntityHead(s, "POLYLINE");
    IntGroup(s, 66, 1);
    if (flags > 0) IntGroup(s, 70, flags);
}

void DxfVertex(long double x, long double y, long double bulge) {
    DxfSink& s = Sink();
    if (!s.open) return;
    EntityHead(s, "VERTEX");
    RealGroup(s, 10, x);
    RealGroup(s, 20, y);
    if (bulge != 0) RealGroup(s, 42, bulge);
}

void DxfEndPolyline() {
    DxfSink& s = Sink();
    if (!s.open) return;
    EntityHead(s, "SEQEND");
}

void DxfSetLayer(std::int32_t n) {
    CurrentLayer = LayerNameOf(n);
}

long double DxfBulge(long double includedAngle) {
    return tanl(includedAngle / 4);
}
