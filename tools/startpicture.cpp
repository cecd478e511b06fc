// startpicture: the start picture and the gear-dimensions picture of the help catalogue, drawn
// by the program itself. Two external spur gears are calculated and drawn in mesh at their
// working centre distance exactly as the planet view draws a central gear with one planet; the
// screen's display list of that drawing is written as an HP-GL picture of 160 x 120 mm.
//
//   startpicture start OUT.plt    the start picture (data/start.plt)
//   startpicture dims OUT.plt     the pair with its centre distance and diameters (data/dims.plt)
//
// Exit status 0, or 1 with the reason on stderr.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "cad/cadwriter.h"
#include "cad/screenwrite.h"
#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "drawings/gearviews.h"
#include "drawings/toothform.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/draw_device.h"
#include "framework/ui/drawing_window.h"

namespace {

struct Point {
    long double x, y;
};

// One gear's outline as drawn: lines, arcs (centre, radius, start and end, counter-clockwise)
// and circles.
struct Outline {
    std::vector<std::pair<Point, Point>> lines;
    struct Arc {
        Point c;
        long double r;
        Point a, b;
    };
    std::vector<Arc> arcs;
    std::vector<Arc> circles; // a and b unused
};

// The picture's place for the pair: rotated a quarter turn (the planet beside the central gear
// instead of below it), scaled into a box and moved there; plotter units of 0.025 mm.
struct Placement {
    long double scale = 1, ox = 0, oy = 0;
    Point Map(Point p) const { return {ox + scale * -p.y, oy + scale * p.x}; }
    long long X(Point p) const { return std::llround(Map(p).x / 0.025L); }
    long long Y(Point p) const { return std::llround(Map(p).y / 0.025L); }
};

bool Fail(const std::string& why) {
    std::cerr << "startpicture: " << why << "\n";
    return false;
}

// The pair: 20 teeth in the centre (gear 2), 12 teeth beside it (gear 1, shifted so that its
// teeth are not undercut), module 2, 20 degrees, spur.
bool CalculatePair() {
    TGearData& g = GearData;
    g.alpha = 20;
    g.beta = 0;
    g.mn = 2;
    g.b = 20;
    g.a = 0;
    g.AaField = 9;
    g.Aae = g.Aai = 0;
    g.z = {12, 20};
    g.x = {0.35L, 0};
    g.bGear = {20, 20};
    g.TipInputMode = {2, 2};
    g.kmn = {0, 0};
    g.TsnSeries = {11, 11};
    g.BasicRackType = {1, 1};
    g.Asne = {0, 0};
    g.Asni = {0, 0};
    g.q = {0, 0};
    g.qTol = {0, 0};
    g.DM = {3.5L, 3.5L};
    g.k = {0, 0};
    g.DrawRootCurve = true;
    g.DrawDiameters = 1;
    CalculateGears();
    if (CalcErrorFlag != 0) return Fail("calculation failed: " + ErrorList[1].str());
    DiametersForShift(g.xee);
    return true;
}

// Draws the pair on the screen output and splits the display list into the central gear's
// records and the planet's.
bool DrawPair(Outline& centre, Outline& planet) {
    CadOpenOutput(3);
    if (AbortFlag != 0) return Fail("no screen output");
    const long double e = GearData.dax[1] + GearData.dax[2];
    CadBeginDrawing(-e, -e, e, e);
    CadWriteTables(0);
    CadBeginBlocksSection();
    for (int i = 1; i <= 2; ++i) {
        CadBeginBlock("EVOLV" + std::to_string(i));
        DrawToothGapContour(i, false);
        CadEndBlock();
    }
    for (int i = 1; i <= 2; ++i) {
        CadBeginBlock("RAD" + std::to_string(i));
        DrawGearWheel(static_cast<std::uint16_t>(i), false);
        CadEndBlock();
    }
    CadEndSection();
    CadBeginEntities();
    // The central gear alone first: how many records one wheel gives.
    const int before = DisplayList->Count();
    CadInsertBlock("RAD2", 0, 0, 0, 1, 1);
    int wheel = 0;
    for (int k = before; k < DisplayList->Count(); ++k)
        if (const int c = DisplayList->Records()[static_cast<std::size_t>(k)].Code;
            c >= drCircle && c <= drArc)
            ++wheel;
    const int mesh = DisplayList->Count();
    PlaceGearsInMesh(1, 1, 0);
    CadEndSection();
    CadCloseOutput();
    CadDeleteBlockFiles();
    if (AbortFlag != 0 || wheel == 0) return Fail("the gears could not be drawn");

    int seen = 0;
    const TDisplayList& list = *DisplayList;
    for (int k = mesh; k < list.Count(); ++k) {
        const TDisplayList::Record& r = list.Records()[static_cast<std::size_t>(k)];
        if (r.Code < drCircle || r.Code > drArc) continue;
        Outline& o = seen++ < wheel ? centre : planet;
        const double* v = list.Values(r);
        if (r.Code == drLine) {
            o.lines.push_back({{v[0], v[1]}, {v[2], v[3]}});
        } else if (r.Code == drArc) {
            const Point c{(v[0] + v[2]) / 2.0L, (v[1] + v[3]) / 2.0L};
            o.arcs.push_back({c, (v[2] - v[0]) / 2.0L, {v[4], v[5]}, {v[6], v[7]}});
        } else {
            o.circles.push_back({{v[0], v[1]}, v[2], {}, {}});
        }
    }
    if (seen <= wheel) return Fail("the mesh did not draw the second wheel");
    return true;
}

std::string Pen(int pen) {
    return "SP" + std::to_string(pen) + ";\n";
}

// One gear's outline: chained lines as polylines, arcs as PD;AA.
void WriteOutline(std::ostream& out, const Outline& o, const Placement& p) {
    bool open = false;
    Point last{};
    for (const auto& [a, b] : o.lines) {
        const bool joins = open && p.X(a) == p.X(last) && p.Y(a) == p.Y(last);
        if (!joins) {
            if (open) out << ";\nPU;\n";
            out << "PU" << p.X(a) << "," << p.Y(a) << ";\nPD";
        } else {
            out << ",";
        }
        out << p.X(b) << "," << p.Y(b);
        open = true;
        last = b;
    }
    if (open) out << ";\nPU;\n";
    char sweep[32];
    for (const Outline::Arc& a : o.arcs) {
        const long double a1 = atan2l(a.a.y - a.c.y, a.a.x - a.c.x);
        const long double a2 = atan2l(a.b.y - a.c.y, a.b.x - a.c.x);
        long double s = (a2 - a1) * 180.0L / 3.14159265358979323846L;
        while (s <= 0)
            s += 360;
        std::snprintf(sweep, sizeof sweep, "%.3Lf", s);
        out << "PU" << p.X(a.a) << "," << p.Y(a.a) << ";PD;AA" << p.X(a.c) << "," << p.Y(a.c) << ","
            << sweep << ";PU;\n";
    }
    for (const Outline::Arc& c : o.circles)
        out << "PU" << p.X(c.c) << "," << p.Y(c.c) << ";CI" << std::llround(p.scale * c.r / 0.025L)
            << ";PU;\n";
}

void Label(std::ostream& out, int pen, long double x, long double y, const char* size,
           const std::string& text) {
    out << Pen(pen) << "PU" << std::llround(x / 0.025L) << "," << std::llround(y / 0.025L) << ";SI"
        << size << ";LB" << text << "\x03\n";
}

void Circle(std::ostream& out, const Placement& p, Point c, long double r) {
    out << "PU" << p.X(c) << "," << p.Y(c) << ";CI" << std::llround(p.scale * r / 0.025L)
        << ";PU;\n";
}

bool WritePicture(const std::string& kind, const std::string& path) {
    Outline centre, planet;
    if (!CalculatePair() || !DrawPair(centre, planet)) return false;
    const TGearData& g = GearData;
    const long double ra2 = g.dax[2] / 2, ra1 = g.dax[1] / 2, a = g.aDraw;
    // The planet stands at (0, -a) in the drawing, at (a, 0) in the picture.
    const Point c2{0, 0}, c1{0, -a};
    const bool dims = kind == "dims";
    // The box for the pair (mm of the 160 x 120 picture), leaving room for the texts.
    const long double boxX = 10, boxY = dims ? 24 : 20, boxW = dims ? 110 : 100,
                      boxH = dims ? 74 : 76;
    const long double w = ra2 + a + ra1, h = 2 * std::max(ra2, ra1);
    Placement p;
    p.scale = std::min(boxW / w, boxH / h);
    p.ox = boxX + p.scale * ra2;
    p.oy = boxY + boxH / 2;

    std::ostringstream out;
    out << "\x1b"
        << "E\x1b%0B\nIN;\n"; // reset, HP-GL/2 (as WriteHpglModeOn writes it)
    out << Pen(5);
    WriteOutline(out, centre, p);
    out << Pen(1);
    WriteOutline(out, planet, p);
    // Hubs.
    out << Pen(2);
    Circle(out, p, c2, 0.15L * g.dfx[2]);
    Circle(out, p, c1, 0.15L * g.dfx[1]);
    if (!dims) {
        Label(out, 1, 10, 108, "0.520,0.800", "QOR1W");
        Label(out, 5, 10, 100, "0.260,0.400", "Involute gear dimensions");
        Label(out, 4, 10, 9, "0.182,0.280", "Spur and helical gears, external and internal");
        Label(out, 4, 10, 4, "0.182,0.280",
              "File > New to begin.  Help > Auxiliary images: help pictures");
    } else {
        // Pitch circles in mesh (touching at the pitch point), the tip and root circles of the
        // central gear, and the centre distance between the centres.
        out << Pen(3);
        Circle(out, p, c2, g.dwx[2] / 2);
        Circle(out, p, c1, g.dwx[1] / 2);
        out << Pen(4);
        Circle(out, p, c2, g.dfx[2] / 2);
        out << Pen(6);
        Circle(out, p, c2, g.dax[2] / 2);
        // The centre distance: two extension lines down from the centres, the dimension line
        // between them below the gears.
        const Point m2 = p.Map(c2), m1 = p.Map(c1);
        const long double ya = m2.y - p.scale * ra2 - 4;
        const auto plu = [](long double mm) { return std::llround(mm / 0.025L); };
        out << Pen(7) << "PU" << plu(m2.x) << "," << plu(m2.y) << ";PD" << plu(m2.x) << ","
            << plu(ya - 1) << ";PU" << plu(m1.x) << "," << plu(m1.y) << ";PD" << plu(m1.x) << ","
            << plu(ya - 1) << ";PU" << plu(m2.x) << "," << plu(ya) << ";PD" << plu(m1.x) << ","
            << plu(ya) << ";PU;\n";
        Label(out, 7, (m1.x + m2.x) / 2 - 1, ya + 1, "0.182,0.280", "a");
        const long double lx = m1.x + p.scale * ra1 + 4;
        Label(out, 3, lx, 78, "0.182,0.280", "dw: pitch circles in mesh");
        Label(out, 6, lx, 72, "0.182,0.280", "da: tip diameter");
        Label(out, 4, lx, 66, "0.182,0.280", "df: root diameter");
        Label(out, 7, lx, 60, "0.182,0.280", "a: centre distance");
        Label(out, 1, 10, 108, "0.300,0.460", "Gear dimensions");
        Label(out, 5, 10, 101, "0.182,0.280",
              "z teeth, mn normal module, alpha pressure angle, beta helix angle,");
        Label(out, 5, 10, 96, "0.182,0.280",
              "x profile shift coefficient, b facewidth; a = (dw1 + dw2) / 2");
    }
    out << "PU;SP0;\x1b%0A\x1b"
        << "E";

    const std::string tmp = path + ".tmp";
    {
        // CR LF, as the other pictures the program ships.
        std::string text;
        for (const char c : out.str()) {
            if (c == '\n') text += '\r';
            text += c;
        }
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f << text;
        if (!f.flush()) return Fail("cannot write " + tmp);
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) return Fail("cannot write " + path + ": " + ec.message());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::string(argv[1]) != "start" && std::string(argv[1]) != "dims")) {
        std::cerr << "usage: startpicture start|dims OUT.plt\n";
        return 1;
    }
    InitAllSettings();
    InitErrors();
    InitCadVariables();
    RegisterCadWriters();
    InitDrawWindowState();
    InitGearDataUnit();
    // The block files of the screen output go to a folder of this run.
    const char* base = std::getenv("TMPDIR");
    std::string dir =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/startpicture_XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) {
        std::cerr << "startpicture: no temporary folder\n";
        return 1;
    }
    TempDir = dir;
    TDrawDevice device;
    DrawDevice = &device;
    const bool ok = WritePicture(argv[1], argv[2]);
    DrawDevice = nullptr;
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
