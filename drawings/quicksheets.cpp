#include "drawings/quicksheets.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "cad/cadblock.h"
#include "cad/cadbounds.h"
#include "cad/cadout.h"
#include "cad/cadtrace.h"
#include "cad/charts.h"
#include "cad/frames.h"
#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "drawings/annotate.h"
#include "drawings/datatables.h"
#include "drawings/gearviews.h"
#include "drawings/production.h"
#include "drawings/toolprofile.h"
#include "drawings/toothform.h"
#include "drawings/toothviews.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/message_help.h"
#include "platform/os/utf8.h"

namespace {

const TGearData& G() {
    return GearData;
}

std::string Cut(const std::string& s, std::size_t n) {
    return os::Utf8Left(s, n);
}

// Drawing number and name of gear 2 (and its second name line on the long form).
std::string TitleText(bool withSecondLine) {
    const TGearData& g = G();
    std::string t = Cut(g.DrawingNumber[2].str() + "  ", 20);
    t = Cut(t + g.DrawingName[2].str(), 45);
    if (withSecondLine) t = Cut(Cut(t + "   ", 48) + g.DrawingName2[2].str(), 78);
    return t;
}

// How many extra rows the basic-rack table of gear 2 gets: machining allowance, protuberance,
// chamfer.
struct TExtraRows {
    bool Allowance, Protuberance, Chamfer;
};

TExtraRows ExtraRows() {
    const TGearData& g = G();
    return {g.q[2] > 0 || g.qTol[2] > 0, g.prP0mn[2] > 0, g.ChamferOn[2]};
}

// The measurement table: premachined and finished columns when gear 2 has an allowance.
void MeasurementTable(Extended xFull, Extended xShort, Extended y, Extended h) {
    if (G().q[2] > 0.001L)
        TableMeasurement(2, xFull, y, h);
    else
        TableMeasurementShort(2, xShort, y, h);
}

// Opens the output of a sheet; false when nothing is to be drawn.
bool OpenSheet(std::uint16_t outputCode) {
    if (CalcErrorFlag != 0) {
        ShowCalcMessages();
        return false;
    }
    CadOpenOutput(outputCode);
    if (AbortFlag != 0) return false;
    ResetDiagram();
    return true;
}

void CloseSheet() {
    CadEndSection();
    CadCloseOutput();
}

// What a drawing covers, measured without drawing it.
TCadBox Measure(const std::function<void()>& draw) {
    TCadBounds b;
    CadMeasure(b, draw);
    return b.Model();
}

// The free part of a sheet for the pictures of gear 2: left of its tables, inside its frame.
struct TArea {
    Extended x0, y0, x1, y1;
};

// The sheet's design for an ordinary gear: the wheel's centre and size, the gap view's insert
// point x and the height of its root circle, the size of its tooth depth, and the tool's place.
struct TNominal {
    Extended wheelX, wheelY, wheelSize;
    Extended gapX, rootY, toothSize;
    Extended toolX, toolY;
};

// Where the pictures go and at which scales, and the diameter arcs the gap view shows.
struct TPictures {
    Extended wheelX = 0, wheelY = 0, s1 = 0;
    Extended gapX = 0, gapY = 0, s2 = 0;
    Extended toolX = 0, toolY = 0, s3 = 0;
    Extended rMin = 0, rMax = 1e30L;
};

constexpr Extended Clearance = 2; // mm between two views

// The gap view: the generated tooth, the contour beside it, the diameter arcs.
void GapView(Extended x, Extended y, Extended s, bool arcs = true) {
    const TGearData& g = G();
    if (g.z[2] > 0 && g.z[2] < 200) CadInsertBlock("zahn2", x, y, 0, s, s);
    DiametersForShift(g.xee);
    if (g.z[2] != 0) {
        const Extended half = 180.0L / g.z[2];
        CadInsertBlock("EVOLV2", x, y, half, s, s);
        CadInsertBlock("EVOLV2", x, y, -half, s, s);
    }
    if (arcs) CadInsertBlock("dteil", x, y, 0, s, s);
}

// The wheel, its tooth gap and the tool of gear 2 placed in the area: each view inside it and
// clear of the others. The sheet's design is kept where it fits; a gap view that would reach
// beyond the area or into the wheel moves and, if need be, shrinks (diameter arcs far from the
// teeth are left out rather than shrinking it below 60 %); a tool that does not fit in the
// wheel's bore shrinks and sits in its middle.
TPictures Arrange(const TArea& a, const TNominal& n) {
    const TGearData& g = G();
    TPictures p;
    TCadBounds b;
    CadMeasure(b, [] { DefineGear2Blocks(); });
    // The wheel as designed.
    p.s1 = n.wheelSize / (g.z[2] < 0 ? g.dfmax[2] : fabsl(g.da[2]));
    p.wheelX = n.wheelX;
    p.wheelY = n.wheelY;
    TCadBox wheel;
    if (std::abs(g.z[2]) < 1000) wheel = b.Placed("RAD2", p.wheelX, p.wheelY, 0, p.s1, p.s1);
    // The tooth centre lines reach beyond the tip circle: a wheel that would stand out of the
    // area moves in, the tool with it.
    Extended dx = 0, dy = 0;
    if (!wheel.Empty) {
        if (wheel.XMin < a.x0) dx = a.x0 - wheel.XMin;
        else if (wheel.XMax > a.x1) dx = a.x1 - wheel.XMax;
        if (wheel.YMax > a.y1) dy = a.y1 - wheel.YMax;
        p.wheelX += dx;
        p.wheelY += dy;
        wheel = b.Placed("RAD2", p.wheelX, p.wheelY, 0, p.s1, p.s1);
    }
    const Extended top = wheel.Empty ? a.y1 : wheel.YMin - Clearance;

    // The gap view at unit scale; the diameter arcs far from the teeth go when they would
    // shrink it too much.
    auto gapBox = [&](Extended rMin, Extended rMax) {
        TCadBounds v;
        CadMeasure(v, [&] {
            CadBeginBlock("DTEIL");
            DrawDiameterArcs(2, 90, 0, 0, rMin, rMax);
            CadEndBlock();
        });
        TCadBox box;
        const Extended half = g.z[2] != 0 ? 180.0L / g.z[2] : 0;
        if (g.z[2] > 0 && g.z[2] < 200) box.Add(b.Placed("ZAHN2", 0, 0, 0, 1, 1));
        box.Add(b.Placed("EVOLV2", 0, 0, half, 1, 1));
        box.Add(b.Placed("EVOLV2", 0, 0, -half, 1, 1));
        box.Add(v.Placed("DTEIL", 0, 0, 0, 1, 1));
        return box;
    };
    const Extended nominal = n.toothSize / std::max(2 * g.mn, g.h[2]);
    auto fit = [&](const TCadBox& box) {
        if (box.Empty) return nominal;
        return std::min({nominal, (top - a.y0) / box.Height(), (a.x1 - a.x0) / box.Width()});
    };
    TCadBox view = gapBox(p.rMin, p.rMax);
    p.s2 = fit(view);
    if (p.s2 < 0.6L * nominal) {
        const Extended r0 = std::min(fabsl(g.dfx[2]), fabsl(g.dax[2])) / 2;
        const Extended r1 = std::max(fabsl(g.dfx[2]), fabsl(g.dax[2])) / 2;
        const Extended band = 0.5L * fabsl(g.h[2]);
        p.rMin = r0 - band;
        p.rMax = r1 + band;
        view = gapBox(p.rMin, p.rMax);
        p.s2 = fit(view);
    }
    // Placed as designed (root circle at rootY), then moved into the area below the wheel.
    p.gapX = n.gapX;
    p.gapY = n.rootY - g.dfmax[2] * p.s2 / 2;
    if (!view.Empty) {
        const Extended x0 = p.gapX + view.XMin * p.s2, x1 = p.gapX + view.XMax * p.s2;
        const Extended y0 = p.gapY + view.YMin * p.s2, y1 = p.gapY + view.YMax * p.s2;
        if (x0 < a.x0) p.gapX += a.x0 - x0;
        else if (x1 > a.x1) p.gapX -= x1 - a.x1;
        if (y0 < a.y0) p.gapY += a.y0 - y0;
        else if (y1 > top) p.gapY -= y1 - top;
    }

    // The tool in the wheel's bore (inside the tooth centre lines), as designed when it fits.
    p.s3 = p.s2;
    p.toolX = n.toolX + dx;
    p.toolY = n.toolY + dy - 13 * g.x[2];
    const TCadBox tool = b.Block("WERKZS2");
    if (!tool.Empty && !wheel.Empty) {
        const Extended t = fabsl(g.dax[2] - g.dfx[2]) / 2;
        const Extended bore =
            (std::min(fabsl(g.dfx[2]), fabsl(g.dax[2])) / 2 - 0.25L * t) * p.s1 - Clearance / 2;
        // The tool's outline about its middle: the farthest corner sets the scale that fits.
        const Extended cx = (tool.XMin + tool.XMax) / 2, cy = (tool.YMin + tool.YMax) / 2;
        auto reach = [&](Extended x, Extended y, Extended s) {
            Extended r = 0;
            for (const auto& q : b.PlacedOutline("WERKZS2", x, y, 0, s, s))
                r = std::max(r, hypotl(q.x - p.wheelX, q.y - p.wheelY));
            return r;
        };
        if (reach(p.toolX, p.toolY, p.s3) > bore) {
            // Centred in the bore; distances from the centre then grow with the scale.
            p.toolX = p.wheelX - cx * p.s3;
            p.toolY = p.wheelY - cy * p.s3;
            const Extended r = reach(p.toolX, p.toolY, p.s3);
            if (r > bore) p.s3 *= std::max(bore, 0.0L) / r;
            p.toolX = p.wheelX - cx * p.s3;
            p.toolY = p.wheelY - cy * p.s3;
        }
    }
    return p;
}

void GearPictures(const TPictures& p) {
    const TGearData& g = G();
    if (std::abs(g.z[2]) < 1000) CadInsertBlock("rad2", p.wheelX, p.wheelY, 0, p.s1, p.s1);
    GapView(p.gapX, p.gapY, p.s2);
    if (p.s3 > 0) CadInsertBlock("WERKZS2", p.toolX, p.toolY, 0, p.s3, p.s3);
}

// The message table at (x, y) with text height h, moved up and, if need be, smaller so that it
// ends above yMin; left out when its text would be smaller than half of h.
void MessagesAbove(Extended x, Extended y, Extended h, Extended yMin) {
    if (ErrorCount <= 0) return;
    const Extended rows = ErrorCount + 1;
    Extended size = h;
    if (y - 2 * rows * size < yMin) size = std::max((y - yMin) / (2 * rows), 0.0L);
    if (size < h / 2) return;
    TableErrorMessages(x, y, size);
}

void DefineTeethBlocks() {
    const TGearData& g = G();
    CadBeginBlock("WERKZS2");
    DiametersForShift(g.xeh);
    DrawToolProfile(2, true, 0);
    CadEndBlock();
    CadBeginBlock("ZAHN2");
    DrawGeneratedTooth(2);
    DiametersForShift(g.xee);
    CadEndBlock();
    CadBeginBlock("EVOLV2");
    DrawToothGapContour(2, false);
    CadEndBlock();
}

} // namespace

void DefineGear2Blocks() {
    DefineGear2Blocks(0, 1e30L);
}

void DefineGear2Blocks(long double rMin, long double rMax) {
    // The labels of the diameter arcs keep off the teeth of the gap view they are drawn into.
    TCadTrace teeth;
    CadDrawTraced(teeth, [&] { DefineTeethBlocks(); });
    CadTrace(teeth, [] { GapView(0, 0, 1, false); });
    CadBeginBlock("RAD2");
    DrawGearWheel(2, false);
    CadEndBlock();
    CadBeginBlock("DTEIL");
    DrawDiameterArcs(2, 90, 0, 0, rMin, rMax, {}, &teeth);
    CadEndBlock();
}

void DrawQuickSheet(std::uint16_t outputCode) {
    if (!OpenSheet(outputCode)) return;
    // A long gear data list gets smaller text, so that it ends on the sheet.
    Extended hData = 2.1L;
    const TCadBox data = Measure([] { TableGearData(2, 2, 96, 118, 2.1L); });
    if (!data.Empty && data.YMin < 1.5L) hData *= (118 - 1.5L) / (118 - data.YMin);
    CadBeginDrawing(0, 0, 160, 120);
    CadWriteTables(2);
    do {
        CadBeginEntities();
        CadSetColour(19);
        CadSetTextSize(2, 0, 2.1L, 1.6L);
        // The title lines end before the gear data table at x 96.
        Extended line = 117;
        for (const std::string& t : {TitleText(true), TitleTexts[1].str(), TitleTexts[2].str()})
            if (!t.empty()) {
                CadTextWithin(t, 2, line, 93);
                line -= 1.6L * CadTextHeight * CadLineSpacing;
            }
        TableGearData(2, 2, 96, 118, hData);
        // The measurement table stands 2 mm below the basic-rack table (its bottom at y 72),
        // each extra rack row moving it down.
        Extended y = 70;
        Extended h = 2.0L;
        const TExtraRows extra = ExtraRows();
        if (extra.Allowance) y -= 8, h -= 0.02L;
        if (extra.Protuberance) y -= 12, h -= 0.03L;
        if (extra.Chamfer) y -= 12, h -= 0.03L;
        TableBasicRack(2, 2, 108, h);
        y += (2 / h - 1) * 30;
        const TCadBox measure = Measure([&] { MeasurementTable(2, 2, y, h); });
        MeasurementTable(2, 2, y, h);
        // The messages below it, where room is left.
        const Extended top = measure.Empty ? y : measure.YMin - Clearance;
        if (top > 13.5L) MessagesAbove(2, top, 2, 1.5L);
    } while (!CadOutputEnabled());
    CloseSheet();
}

void DrawQuickSheet3(std::uint16_t outputCode) {
    if (!OpenSheet(outputCode)) return;
    const TGearData& g = G();
    // The right column of tables starts clear of the gear data table (120 + 31 x 0.9 x 1.2)
    // and is kept in the extents.
    constexpr Extended right = 154.5L;
    CadBeginDrawing(0, 0, Quick3Width, 120);
    // The pictures and the messages stand above the screen's footer line.
    const Extended bottom = std::max(1.5L, CadFooterTop() + 0.5L);
    const TPictures pictures = Arrange({1, bottom, 118, 119}, {32, 88, 60, 60, 10, 30, 32, 82});
    CadWriteTables(2);
    CadBeginBlocksSection();
    DefineGear2Blocks(pictures.rMin, pictures.rMax);
    CadEndSection();
    do {
        CadBeginEntities();
        CadSetColour(19);
        CadSetTextSize(2, 0, 1.2L, 0.9L);
        // Each title text before the one beside it, or the sheet's edge.
        const auto title = [&](const std::string& left, const std::string& beside, Extended y) {
            CadTextWithin(left, 120, y, (beside.empty() ? Quick3Width : right - 1) - 120);
            CadTextWithin(beside, right, y, Quick3Width - right);
        };
        title(TitleText(false), TitleTexts[1].str(), 118);
        title(g.DrawingName2[2].str(), TitleTexts[2].str(), 116);
        TableGearData(2, 2, 120, 115, 1.2L);
        Extended y = 92;
        const TExtraRows extra = ExtraRows();
        if (extra.Allowance) y -= 5;
        if (extra.Protuberance) y -= 7.5L;
        if (extra.Chamfer) y -= 7.5L;
        const TCadBox measure =
            Measure([&] { MeasurementTable(right + 6.6L, right + 10, y, 1.2L); });
        MeasurementTable(right + 6.6L, right + 10, y, 1.2L);
        TableGearTolerances(2, 120, 45, 1.15L);
        // The messages go to the right column, clear of the ISO tolerance table (to x 155.2,
        // down to y 10.5); a long list moves up, below the measurement table at most.
        const Extended rows = 2 * (ErrorCount + 1) * 1.2L;
        const Extended limit = measure.Empty ? 90 : measure.YMin - Clearance;
        MessagesAbove(right + 1.5L, std::min(limit, std::max<Extended>(14, bottom + rows)), 1.2L,
                      bottom);
        TableBasicRack(2, right, 115, 1.2L);
        GearPictures(pictures);
    } while (!CadOutputEnabled());
    CloseSheet();
}

void DrawQuickSheet4(std::uint16_t outputCode) {
    if (!OpenSheet(outputCode)) return;
    const TGearData& g = G();
    // Inside the frame (15..415 x 5..292), left of the tables and the title block.
    const TPictures pictures =
        Arrange({17, 7, 225, 290}, {120, 200, 160, 120, 20, 60, 120, 180});
    BeginSheet(3);
    CadWriteTables(2);
    CadBeginBlocksSection();
    CadBeginBlock("frame_1");
    DrawFrame2(3, g.DrawingName[2].str(), g.DrawingName2[2].str(), g.DrawingNumber[2].str());
    CadEndBlock();
    DefineGear2Blocks(pictures.rMin, pictures.rMax);
    CadEndSection();
    do {
        CadBeginEntities();
        CadInsertBlock("frame_1", 0, 0, 0, 1, 1);
        CadSetColour(19);
        CadSetTextSize(2, 0, 2.4L, 1.8L);
        // Within the frame, the texts at x 240 before those at 335.
        CadTextWithin(TitleText(false), 335, 285, 80);
        CadTextWithin(g.DrawingName2[2].str(), 335, 281, 80);
        CadTextWithin(TitleTexts[1].str(), 240, 285, 94);
        CadTextWithin(TitleTexts[2].str(), 240, 281, 94);
        TableGearData(2, 2, 335, 278, 2.4L);
        TableBasicRack(2, 240, 278, 2.4L);
        Extended y = 228;
        const TExtraRows extra = ExtraRows();
        if (extra.Allowance) y -= 10;
        if (extra.Protuberance) y -= 15;
        if (extra.Chamfer) y -= 15;
        MeasurementTable(240, 240, y, 2.4L);
        TableGearTolerances(2, 335, 137, 2.4L);
        MessagesAbove(240, 140, 2.4L, 70);
        GearPictures(pictures);
    } while (!CadOutputEnabled());
    CloseSheet();
}

void RedrawCurrentView() {
    if (AbortFlag != 0 || HelpLevel == 0 || CalcErrorFlag != 0) return;
    switch (ResultScreen) {
    case 3:
        ProductionDrawing(3, 2, 7);
        break;
    case 4:
        ProductionDrawing(3, 2, 10);
        break;
    case 5:
        ToothDrawing(3, 2, 4, 1, 1);
        break;
    case 6:
        DrawQuickSheet4(3);
        break;
    default:
        DrawQuickSheet3(3);
        break;
    }
}
