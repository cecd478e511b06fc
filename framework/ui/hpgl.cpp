// The HP-GL/2 picture interpreter.
#include "framework/ui/hpgl.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <tuple>

#include "framework/ui/draw_device.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"
#include "platform/os/codepage.h"
#include "platform/os/errors.h"

long double PenX = -999;
long double PenY = -999;
std::uint8_t PenIsDown = 0;
std::uint8_t PenNumber = 0;
long double CharWidthCm = 5;
long double CharHeightCm = 5;
long double DirRun = 1;
long double DirRise = 0;
long double CharSetNumber = 1;
std::int32_t CharCount = 0;
std::uint8_t CommandEnded = 0;

namespace {

constexpr char kEtx = 3;

// A picture is read whole before it is drawn; the pictures are tens of kilobytes.
constexpr std::uint64_t kMaxPictureBytes = 16u << 20;
// HP-GL/2's range of plotter units: a number beyond it is no coordinate of a real picture
// (and beyond the range of a real, it would put infinities into the display list).
constexpr long double kMaxPlotterUnits = 1073741823.0L;

// The file being drawn, read character by character.
struct Source {
    std::string bytes;
    std::size_t pos = 0;
    bool ended = false; // a read found the end of the file
};
Source src;
// Whether the pen stands on a point of the picture (PenX, PenY are the sentinel before).
bool penPlaced = false;
// The picture is read twice: first only checked, then drawn when nothing in it is out of range.
bool drawing = false;
// What made the check refuse the picture, and where.
std::string faultValue;
std::size_t faultPos = 0;

// The drawing device, nullptr while the picture is only checked.
TDrawDevice* Device() {
    return drawing ? DrawDevice : nullptr;
}

// Refuses the picture for a value out of range; the reading stops here.
void Fault(std::string_view value) {
    if (faultValue.empty()) {
        faultValue = value.size() > 40 ? std::string(value.substr(0, 40)) + "..." : value;
        faultPos = src.pos;
    }
    AbortFlag = 1;
}

std::string FormatPlotterUnits(long double mm) {
    return std::to_string(std::llround(mm / PlotterUnitsToMm));
}

// The line (from 1) that holds the byte before pos; CR LF, LF and CR end a line.
std::size_t LineAt(std::size_t pos) {
    std::size_t line = 1;
    const std::size_t end = std::min(pos > 0 ? pos - 1 : 0, src.bytes.size());
    for (std::size_t i = 0; i < end; ++i) {
        const char c = src.bytes[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= src.bytes.size() || src.bytes[i + 1] != '\n')))
            ++line;
    }
    return line;
}

// A number text ParseReal refused that has the shape of a number: only its size can have
// made it fail (an exponent beyond the largest real, thousands of digits).
bool NumberBeyondReals(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9')
            ++digits;
        else if ((t[i] == '.' || t[i] == ',') && !point)
            point = true;
        else
            break;
    }
    if (digits == 0) return false;
    if (i == t.size()) return true; // digits only, too many of them
    if (t[i] != 'e' && t[i] != 'E') return false;
    if (++i < t.size() && t[i] == '+') ++i;
    const std::size_t first = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9')
        ++i;
    return i > first && i == t.size();
}

// A parameter as a number: 0 for text that is none (as the plotter takes it); a number out of
// range refuses the picture.
long double CheckedNumber(const std::string& t) {
    bool ok = false;
    const long double v = ParseReal(t, ok);
    if (ok ? !(std::fabs(v) <= kMaxPlotterUnits) : NumberBeyondReals(t)) {
        Fault(t);
        return 0;
    }
    return ok ? v : 0;
}

// Next character, skipping CR and LF (and blanks unless keepBlanks); at the end of the file
// AbortFlag := 1 and 0 is returned.
char ReadRaw(bool keepBlanks) {
    while (src.pos < src.bytes.size()) {
        const char c = src.bytes[src.pos++];
        ++CharCount;
        if (c == '\r' || c == '\n') continue;
        if (!keepBlanks && c == ' ') continue;
        return c;
    }
    src.ended = true;
    AbortFlag = 1;
    return 0;
}

char HpglReadChar() {
    return ReadRaw(false);
}
char HpglReadCharKeepBlanks() {
    return ReadRaw(true);
}

// One parameter: the characters up to "," or ";" (not kept); ";" sets CommandEnded.
// dropPA leaves out the letters P and A (so "PUPA100,100;" reads as PU 100,100).
std::string ReadParam(bool dropPA, bool& terminatorOnly) {
    std::string text;
    terminatorOnly = true;
    for (;;) {
        const char c = HpglReadChar();
        if (src.ended) return text;
        if (c == ',') break;
        if (c == ';') {
            CommandEnded = 1;
            break;
        }
        terminatorOnly = false;
        if (dropPA && (c == 'P' || c == 'A' || c == 'p' || c == 'a')) continue;
        text += c;
    }
    return text;
}

long double HpglReadCoord() {
    bool only = false;
    const std::string t = ReadParam(true, only);
    if (t.empty()) return 0;
    return CheckedNumber(t);
}

long double HpglReadReal() {
    bool only = false;
    const std::string t = ReadParam(false, only);
    return CheckedNumber(t);
}

int HpglReadInt() {
    bool only = false;
    const std::string t = ReadParam(false, only);
    if (only && CommandEnded) return 1;
    bool ok = false;
    const std::int32_t v = ParseInteger(t, ok);
    return ok ? v : 0;
}

void HpglSkipParameters() {
    for (;;) {
        const char c = HpglReadChar();
        if (src.ended || c == ';') break;
    }
    CommandEnded = 1;
}

// The rest of an instruction whose further parameters are not used.
void SkipRest() {
    if (!CommandEnded && !src.ended) HpglSkipParameters();
}

void SelectPenColour() {
    if (TDrawDevice* d = Device()) d->SetDrawColor(HpglPenColour(PenNumber));
}

void MovePen(long double x, long double y) {
    PenX = x;
    PenY = y;
    penPlaced = true;
}

// A line from the pen to (x, y) when the pen is down and stands on a point; the pen moves.
void DrawHpglLine(long double x, long double y) {
    if (PenIsDown && penPlaced) {
        SelectPenColour();
        if (TDrawDevice* d = Device()) d->DrawLine(PenX, PenY, x, y);
    }
    MovePen(x, y);
}

void HpglPlotPairs() {
    do {
        const long double x = HpglReadCoord();
        if (CommandEnded || AbortFlag) return;
        const long double y = HpglReadCoord();
        if (AbortFlag) return;
        DrawHpglLine(x * PlotterUnitsToMm, y * PlotterUnitsToMm);
    } while (!CommandEnded);
}

void HpglCircle() {
    const long double r = HpglReadCoord() * PlotterUnitsToMm;
    if (AbortFlag) return;
    SkipRest();
    if (!penPlaced || r == 0) return;
    SelectPenColour();
    if (TDrawDevice* d = Device()) d->DrawCircle(PenX, PenY, std::fabs(r));
}

void HpglArc() {
    const long double cx = HpglReadCoord() * PlotterUnitsToMm;
    if (CommandEnded || AbortFlag) return;
    const long double cy = HpglReadCoord() * PlotterUnitsToMm;
    if (CommandEnded || AbortFlag) return;
    const long double sweep = HpglReadReal();
    if (AbortFlag) return;
    SkipRest();
    if (!penPlaced) {
        MovePen(cx, cy);
        return;
    }
    const long double dx = PenX - cx, dy = PenY - cy;
    const long double s = DegToRad(sweep);
    const long double ex = cx + dx * cosl(s) - dy * sinl(s);
    const long double ey = cy + dx * sinl(s) + dy * cosl(s);
    const long double r = Hypot(dx, dy);
    TDrawDevice* d = Device();
    if (PenIsDown && r > 0 && sweep != 0 && d != nullptr) {
        SelectPenColour();
        if (std::fabs(sweep) >= 360) {
            d->DrawCircle(cx, cy, r);
        } else {
            const long double a1 = RadToDeg(ArcTan2(dx, dy));
            const long double a2 = RadToDeg(ArcTan2(ex - cx, ey - cy));
            // Counter-clockwise from start to end: a negative sweep runs from the end point.
            if (sweep > 0)
                d->DrawArc(cx, cy, a1, a2, r);
            else
                d->DrawArc(cx, cy, a2, a1, r);
        }
    }
    MovePen(ex, ey);
}

char UmlautOf(char c) {
    switch (c) {
    case 'a':
        return static_cast<char>(132);
    case 'o':
        return static_cast<char>(148);
    case 'u':
        return static_cast<char>(129);
    case 'A':
        return static_cast<char>(142);
    case 'O':
        return static_cast<char>(153);
    case 'U':
        return static_cast<char>(154);
    default:
        return c;
    }
}

void HpglLabel() {
    std::string text; // bytes of the DOS code page
    int count = 0;
    bool abandoned = false;
    for (;;) {
        const char c = HpglReadCharKeepBlanks();
        if (src.ended) return;
        if (c == kEtx) break;
        if (++count > HpglMaxLabel) {
            // Too long for a label: what follows is read as instructions again.
            abandoned = true;
            --src.pos;
            --CharCount;
            break;
        }
        if (CharSetNumber >= 3 && c == '}') {
            if (!text.empty()) text.back() = UmlautOf(text.back());
            continue;
        }
        text += c;
    }
    if (abandoned) text.clear();
    TDrawDevice* d = Device();
    if (d == nullptr) return;
    SelectPenColour();
    const long double angle = RadToDeg(ArcTan2(DirRun, DirRise));
    d->SetDrawTextStyle(2, angle, CharHeightCm * 10, CharWidthCm * 10);
    d->EmptyDrawHook();
    d->DrawText(os::Cp437ToUtf8(text), PenX, PenY);
}

// One number of an encoded polyline; false when the instruction or the file ended inside it.
bool HpglDecodePeNumber(char first, bool sevenBit, long long& value) {
    long long v = 0;
    long long weight = 1;
    const int base = sevenBit ? 32 : 64;
    unsigned char c = static_cast<unsigned char>(first);
    for (int digits = 0;; ++digits) {
        const bool more = c >= 63 && c < (sevenBit ? 95 : 127);
        const bool last = sevenBit ? (c >= 95 && c <= 126) : (c >= 191 && c <= 254);
        if (more || last) {
            const int d = more ? c - 63 : c - (sevenBit ? 95 : 191);
            if (digits < 10) v += d * weight; // beyond ten digits the value no longer fits
            weight = digits < 10 ? weight * base : weight;
            if (digits >= 10 && d != 0) v = std::numeric_limits<long long>::max();
            if (last) break;
        }
        const char n = HpglReadChar();
        if (src.ended) return false;
        if (n == ';') {
            CommandEnded = 1;
            return false;
        }
        c = static_cast<unsigned char>(n);
    }
    value = (v % 2 == 0) ? v / 2 : -(v - 1) / 2;
    if (static_cast<long double>(std::llabs(value)) > kMaxPlotterUnits) {
        Fault(std::to_string(value));
        return false;
    }
    return true;
}

void HpglPolylineEncoded() {
    PenIsDown = 1;
    bool sevenBit = false;
    bool absolute = false;
    bool penUpNext = false;
    for (;;) {
        const char ch = HpglReadChar();
        if (src.ended || ch == ';') return;
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '=':
            absolute = true;
            continue;
        case '>':
            HpglReadChar();
            if (src.ended) return;
            continue;
        case '7':
            sevenBit = true;
            continue;
        case ':': {
            const char n = HpglReadChar();
            if (src.ended || n == ';') return;
            long long pen = 0;
            if (!HpglDecodePeNumber(n, sevenBit, pen)) return;
            PenNumber = static_cast<std::uint8_t>(std::clamp<long long>(pen, 1, 15));
            continue;
        }
        case '<':
            penUpNext = true;
            continue;
        default:
            break;
        }
        if (c < 63 || c > 254) continue;
        long long ix = 0, iy = 0;
        if (!HpglDecodePeNumber(ch, sevenBit, ix)) return;
        const char n = HpglReadChar();
        if (src.ended || n == ';') return;
        if (!HpglDecodePeNumber(n, sevenBit, iy)) return;
        const long double x = ix * PlotterUnitsToMm, y = iy * PlotterUnitsToMm;
        const bool down = !penUpNext;
        if (absolute) {
            PenIsDown = down;
            DrawHpglLine(x, y);
        } else {
            // Relative to a pen that stands nowhere yet: from the origin, as a plotter does.
            const long double bx = penPlaced ? PenX : 0, by = penPlaced ? PenY : 0;
            const long double limit = kMaxPlotterUnits * PlotterUnitsToMm;
            if (!(std::fabs(bx + x) <= limit && std::fabs(by + y) <= limit)) {
                Fault("(" + FormatPlotterUnits(bx + x) + ", " + FormatPlotterUnits(by + y) + ")");
                return;
            }
            if (!penPlaced) MovePen(0, 0);
            PenIsDown = down;
            DrawHpglLine(bx + x, by + y);
        }
        PenIsDown = 1;
        penUpNext = false;
        absolute = false;
    }
}

} // namespace

int HpglPenColour(int pen) {
    static constexpr int kColours[8] = {0, 12, 14, 10, 11, 9, 13, 15};
    return pen >= 1 && pen <= 7 ? kColours[pen] : pen;
}

void InitHpglState() {
    PenX = PenY = -999;
    PenIsDown = 0;
    PenNumber = 0;
    CharWidthCm = CharHeightCm = 5;
    DirRun = 1;
    DirRise = 0;
    CharSetNumber = 1;
    CharCount = 0;
    CommandEnded = 0;
    penPlaced = false;
}

namespace {

// The interpreter's state that a file changes, kept across the checking pass.
auto HpglStateRefs() {
    return std::tie(PenX, PenY, CharWidthCm, CharHeightCm, DirRun, DirRise, CharSetNumber,
                    PenIsDown, PenNumber, CommandEnded, CharCount, penPlaced);
}

auto SaveState() {
    return std::apply([](const auto&... v) { return std::tuple{v...}; }, HpglStateRefs());
}

// Reads the instructions of src from its start until its end or AbortFlag.
void Interpret() {
    src.pos = 0;
    src.ended = false;
    while (!AbortFlag) {
        CommandEnded = 0;
        char c1 = HpglReadChar();
        if (src.ended) break;
        if (c1 == ';') {
            c1 = HpglReadChar();
            if (src.ended) break;
        }
        const char c2 = HpglReadChar();
        if (src.ended) break;
        const std::string op = UpperCaseStr(std::string{c1, c2});
        if (op == "PU") {
            PenIsDown = 0;
            HpglPlotPairs();
        } else if (op == "PD") {
            PenIsDown = 1;
            HpglPlotPairs();
        } else if (op == "PA") {
            HpglPlotPairs();
        } else if (op == "SP") {
            const int n = HpglReadInt();
            PenNumber = static_cast<std::uint8_t>(std::clamp(n, 0, 255));
            SkipRest();
        } else if (op == "CI") {
            HpglCircle();
        } else if (op == "SI") {
            CharWidthCm = HpglReadReal();
            if (!CommandEnded) CharHeightCm = HpglReadReal();
            SkipRest();
        } else if (op == "DI") {
            DirRun = HpglReadReal();
            if (!CommandEnded) DirRise = HpglReadReal();
            SkipRest();
        } else if (op == "LB") {
            HpglLabel();
        } else if (op == "AA") {
            HpglArc();
        } else if (op == "PE") {
            HpglPolylineEncoded();
        } else if (op == "CS") {
            CharSetNumber = HpglReadCoord();
            SkipRest();
        } else {
            // RO, IN, IP, IW, DF, VS, LT, SC and everything unknown.
            HpglSkipParameters();
        }
    }
}

} // namespace

void DrawHpglFile(const std::string& fileName) {
    PenX = PenY = -999;
    penPlaced = false;
    CharCount = 0;
    if (DrawDevice == nullptr) return;
    TDrawDevice& device = *DrawDevice;
    device.WaitCursor();
    device.CheckInputFile(fileName);
    if (AbortFlag) {
        device.NormalCursor();
        return;
    }
    src = Source{};
    // Pictures are shipped files: read only, so a read-only installation shows them.
    if (const int rc = ReadFileBytes(fileName, src.bytes, kMaxPictureBytes); rc != 0) {
        device.ShowText(rc == os::kErrFileNotFound || rc == os::kErrPathNotFound
                            ? WithoutBlanks(fileName) + " not found !"
                            : FileReadProblem(fileName, rc));
        AbortFlag = 1;
        device.NormalCursor();
        return;
    }
    // A picture with a value out of range is refused whole: nothing of it is drawn.
    const auto start = SaveState();
    drawing = false;
    faultValue.clear();
    Interpret();
    AbortFlag = 0;
    HpglStateRefs() = start;
    if (!faultValue.empty()) {
        device.ShowText("File " + fileName + ", line " + std::to_string(LineAt(faultPos)) +
                        ": the value " + faultValue + " lies outside the plotter's range (" +
                        FormatPlotterUnits(kMaxPlotterUnits * PlotterUnitsToMm) +
                        " plotter units at most); the picture is not drawn.");
        src = Source{};
        AbortFlag = 1;
        device.NormalCursor();
        return;
    }
    drawing = true;
    Interpret();
    drawing = false;
    src = Source{};
    AbortFlag = 0;
    device.NormalCursor();
}
