#include "drawings/production.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "cad/cadblock.h"
#include "cad/cadbounds.h"
#include "cad/cadout.h"
#include "cad/charts.h"
#include "cad/dimensions.h"
#include "cad/frames.h"
#include "cad/hatching.h"
#include "calc/geardata.h"
#include "drawings/datatables.h"
#include "drawings/gearchoice.h"
#include "drawings/pair_charts.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/questions.h"

namespace {

const TGearData& G() {
    return GearData;
}

enum Item : int {
    FrontElevation = 1,
    SideElevation,
    SideElevationProfile,
    TableData,
    TableMeasure,
    TableTolerances,
    ProductionSheet,
    TableDataMeasure,
    TableRoll,
    TableGearDataList,
    BacklashChart,
    SlidingChart,
    ReturnItem
};

constexpr std::array<const char*, 13> kItemTexts = {"Front elevation",
                                                    "Side elevation",
                                                    "Side elevation (profile)",
                                                    "Table Gear data",
                                                    "Table measurement",
                                                    "Table Gear tolerances",
                                                    "Production drawing",
                                                    "Table Gear data, measurement",
                                                    "Table roll angle",
                                                    "Table Gear data",
                                                    "Tolerance tooth thickness",
                                                    "ZETA",
                                                    "return .."};

bool OneGearOnly(int item) {
    return item == FrontElevation || item == SideElevation || item == SideElevationProfile ||
           item == TableDataMeasure;
}

bool AsksNoGear(int item) {
    return item == BacklashChart || item == SlidingChart;
}

struct TExtents {
    Extended X1, Y1, X2, Y2;
};

// The extents handed to CadBeginDrawing; gear 3 stands for both gears.
TExtents ItemExtents(int item, int gear) {
    const TGearData& g = G();
    const int i = gear == 1 ? 1 : 2;
    const bool both = gear == 3;
    // The outermost diameter of the gear: the tool tip of an external, the root of an internal.
    const Extended outer = g.z[i] > 0 ? fabsl(g.daTool[i]) : fabsl(g.dfmax[i]);
    switch (item) {
    case FrontElevation: {
        const Extended r = outer / 2 + g.mn / 2;
        return {-r, -r, r, r};
    }
    case SideElevation:
    case SideElevationProfile: {
        const Extended R = outer / 2;
        return {-g.mn, -R - g.mn, g.b + g.mn, R + g.mn};
    }
    case TableData:
        return both ? TExtents{-5, -5, 255, 145} : TExtents{-10, -10, 130, 150};
    case TableMeasure:
        return both ? TExtents{-5, 5, 150, 198} : TExtents{-5, 0, 150, 110};
    case TableTolerances:
        return both ? TExtents{-5, -10, 220, 120} : TExtents{-5, -5, 120, 100};
    case ProductionSheet:
        return both ? TExtents{-2, -5, 428, 300} : TExtents{-5, -5, 225, 310};
    case TableDataMeasure:
        return {-10, -10, 210, 160};
    case TableRoll: // the table is 64.8 wide, 36 high (one above the other for both gears)
        return both ? TExtents{-5, -5, 70, 82} : TExtents{-5, -5, 70, 41};
    case TableGearDataList:
        return both ? TExtents{0, 0, 160, 120} : TExtents{0, 0, 80, 120};
    default:
        return {0, 0, 160, 120};
    }
}

void DrawItemFrame(int i) {
    const TGearData& g = G();
    DrawFrame(g.DrawingName[i].str(), g.DrawingName2[i].str(), g.DrawingNumber[i].str());
}

void Block(std::string_view name, const auto& content) {
    CadBeginBlock(name);
    if (AbortFlag == 0) content();
    CadEndBlock();
}

void InsertAt(std::string_view name, Extended x, Extended y) {
    CadInsertBlock(name, x, y, 0, 1, 1);
}

bool InsertsBlocks(int item) {
    return item == TableData || item == TableMeasure || item == TableRoll ||
           item == ProductionSheet;
}

// The blocks an element inserts (items 4, 5, 9 and 7).
void ItemBlocks(int item, int gear) {
    if (item != ProductionSheet) {
        for (int k = 1; k <= 2; ++k)
            Block(k == 1 ? "tab1" : "tab2", [&] {
                if (item == TableData)
                    TableDrawingData(k);
                else if (item == TableMeasure)
                    TableMeasurementItem(k);
                else
                    TableRollAngle(k, 0, 36, 3);
            });
    } else if (gear != 3) {
        Block("frame_1", [&] { DrawItemFrame(gear); });
    } else {
        Block("frame_1", [] { DrawItemFrame(1); });
        Block("frame_2", [] { DrawItemFrame(2); });
        Block("zeich1", [] { ProductionDrawingSheet(1, "frame_1"); });
        Block("zeich2", [] { ProductionDrawingSheet(2, "frame_2"); });
    }
}

void WriteItemBlocks(int item, int gear) {
    if (!InsertsBlocks(item)) return;
    CadBeginBlocksSection();
    ItemBlocks(item, gear);
    CadEndSection();
}

void DrawItemEntities(int item, int gear, std::uint16_t measureKind) {
    const bool both = gear == 3;
    const int i = gear == 1 ? 1 : 2;
    switch (item) {
    case FrontElevation:
        DrawFrontElevation(i);
        break;
    case SideElevation:
        DrawSideElevation(i);
        break;
    case SideElevationProfile:
        DrawSideElevationProfile(i);
        break;
    case TableData:
        if (both) {
            InsertAt("tab1", 0, 0);
            InsertAt("tab2", 130, 0);
        } else {
            TableDrawingData(i);
        }
        break;
    case TableMeasure:
        if (both) {
            InsertAt("tab1", 0, 95);
            InsertAt("tab2", 0, 0);
        } else {
            TableMeasurementItem(i);
        }
        break;
    case TableTolerances:
        if (both) {
            TableGearTolerances(1, 0, 90, 3.5L);
            TableGearTolerances(2, 110, 90, 3.5L);
        } else {
            TableGearTolerances(i, 0, 90, 3.5L);
        }
        break;
    case ProductionSheet:
        if (both) {
            InsertAt("zeich1", 0, 0);
            InsertAt("zeich2", 215, 0);
        } else {
            ProductionDrawingSheet(i, "frame_1");
        }
        break;
    case TableDataMeasure:
        TableDataMeasurement(i, measureKind);
        break;
    case TableRoll:
        if (both) {
            InsertAt("tab1", 0, 41);
            InsertAt("tab2", 0, 0);
        } else {
            TableRollAngle(i, 0, 36, 3);
        }
        break;
    case TableGearDataList:
        if (both) {
            TableGearData(3, 1, 3, 116, 2.4L);
            TableGearData(3, 2, 85, 116, 2.4L);
        } else {
            TableGearData(0, i, 3, 116, 2.4L);
        }
        break;
    case BacklashChart:
        BacklashSheet();
        break;
    case SlidingChart:
        SlidingDiagramSheet();
        break;
    default:
        break;
    }
}

// One element as one complete output.
void DrawItem(std::uint16_t outputMode, int item, int gear, std::uint16_t measureKind) {
    CadOpenOutput(outputMode);
    if (AbortFlag != 0) return;
    CadSetColour(0);
    TExtents e = ItemExtents(item, gear);
    if (item != ProductionSheet && item != BacklashChart && item != SlidingChart) {
        // A view or table without a sheet: its extents take in all it draws (the centre lines
        // of a view reach past the gear, a long table below its designed window). The charts
        // keep their sheet (and ask for their limits once).
        TCadBounds b;
        CadMeasure(b, [&] {
            if (InsertsBlocks(item)) ItemBlocks(item, gear);
            DrawItemEntities(item, gear, measureKind);
        });
        if (const TCadBox& m = b.Model(); !m.Empty) {
            constexpr Extended air = 1;
            e = {std::min(e.X1, m.XMin - air), std::min(e.Y1, m.YMin - air),
                 std::max(e.X2, m.XMax + air), std::max(e.Y2, m.YMax + air)};
        }
    }
    CadBeginDrawing(e.X1, e.Y1, e.X2, e.Y2);
    CadWriteTables(0);
    WriteItemBlocks(item, gear);
    if (item == ProductionSheet && gear == 3) DrawingKind = 1;
    do {
        CadBeginEntities();
        DrawItemEntities(item, gear, measureKind);
    } while (!CadOutputEnabled());
    CadEndSection();
    CadCloseOutput();
    RestoreCursor();
}

// The measurement kind of item 8: 1 balls, 2 pins, 3 span.
std::uint16_t AskMeasurementKind() {
    TextLines[1] = "Dim.ov/betw.balls";
    TextLines[2] = "Dim.ov/betw.pins";
    TextLines[3] = "Span measurement";
    int kind = 1;
    SelectCode("measurement", 3, kind);
    return static_cast<std::uint16_t>(std::clamp(kind, 1, 3));
}

} // namespace

void ProductionDrawing(std::uint16_t outputMode, std::uint16_t presetGear,
                       std::uint16_t presetItem) {
    if (presetItem > SlidingChart) return;
    TextLineCount = 0;
    do {
        int item = 0;
        std::uint16_t gear = 1;
        std::uint16_t measureKind = PresetMeasurementKind;
        if (presetItem != 0) {
            item = presetItem;
            gear = presetGear;
            if (gear == 0 && !AsksNoGear(item)) {
                gear = 1;
                SelectGear(gear);
                if (AbortFlag != 0) return;
            }
            // A one-gear element never takes "both" (or a stray number) as a gear index.
            if (OneGearOnly(item) && gear != 1) gear = 2;
            if (gear > 3) gear = 2;
        } else {
            item = TextLineCount + 1;
            for (int k = 0; k < static_cast<int>(kItemTexts.size()); ++k)
                TextLines[k + 1] = kItemTexts[k];
            SetHelpContext(8230);
            SelectCode("Production drawing", ReturnItem, item);
            if (AbortFlag != 0 || item == ReturnItem) return;
            TextLineCount = static_cast<std::uint16_t>(item);
            if (!AsksNoGear(item)) {
                if (OneGearOnly(item))
                    SelectGear(gear);
                else
                    SelectGearOrBoth(gear);
                if (AbortFlag != 0) return;
            }
            if (item == TableDataMeasure) {
                measureKind = AskMeasurementKind();
                if (AbortFlag != 0) return;
            }
        }
        DrawItem(outputMode, item, gear, measureKind);
    } while (AbortFlag == 0 && presetItem == 0);
}

void DrawFrontElevation(int i) {
    const TGearData& g = G();
    const Extended r = fabsl(g.daTool[i]) / 2;
    CadSetColour(1);
    CadLine(-1.1L * r, 0, 1.1L * r, 0);
    CadLine(0, -1.1L * r, 0, 1.1L * r);
    CadCircle(0, 0, fabsl(g.d[i]) / 2);
    CadSetColour(3);
    CadCircle(0, 0, fabsl(g.dfmax[i]) / 2);
    CadSetColour(5);
    CadCircle(0, 0, r);
    if (g.dOptional[i] > 0) CadCircle(0, 0, fabsl(g.dOptional[i]) / 2);
}

namespace {

// Axis, outline and pitch lines of the side elevation (x along the axis, y radial).
void SideElevationOutline(int i) {
    const TGearData& g = G();
    const Extended b = g.b;
    const Extended R = g.daTool[i] / 2;
    CadSetColour(1);
    CadLine(-b / 10, 0, 1.1L * b, 0);
    CadSetColour(5);
    CadMoveTo(0, -R);
    CadLineTo(0, R);
    CadLineTo(b, R);
    CadLineTo(b, -R);
    CadLineTo(0, -R);
    CadSetColour(1);
    for (const int s : {1, -1})
        CadLine(-0.1L * b, s * g.d[i] / 2, 1.1L * b, s * g.d[i] / 2);
}

void RootLines(int i) {
    const TGearData& g = G();
    for (const int s : {1, -1})
        CadLine(0, s * g.dfmax[i] / 2, g.b, s * g.dfmax[i] / 2);
}

} // namespace

void DrawSideElevation(int i) {
    SideElevationOutline(i);
    CadSetColour(2);
    RootLines(i);
}

void DrawSideElevationProfile(int i) {
    const TGearData& g = G();
    SideElevationOutline(i);
    CadSetColour(5);
    RootLines(i);
    if (!(g.dOptional[i] > 0)) return;
    const Extended b = g.b;
    const Extended t = (g.dfmax[i] - g.dOptional[i]) / 2;
    if (!(t < b)) return;
    const Extended R = g.dOptional[i] / 2;
    const Extended q = g.dOptional[i] / 4;
    const Extended w1 = (b - t) / 2;
    const Extended w2 = (b + t) / 2;
    for (const int s : {1, -1}) {
        CadLine(0, s * R, w1, s * R);
        CadLine(w1, s * R, w1, s * q);
        CadLine(b, s * R, w2, s * R);
        CadLine(w2, s * R, w2, s * q);
    }
}

namespace {

// The frame's inner border on the A4 sheet (x 18 to 205), less a little air: the section's
// dimensions and texts stay within it.
constexpr Extended SectionLeftEdge = 20;
constexpr Extended SectionRightEdge = 203;
// Its texts' top below the frame's inner border (y 292).
constexpr Extended SectionTopEdge = 290;

// Where the root diameter's texts stand on the section of an external gear.
struct TRootTexts {
    bool Found = true; // a place no line crosses
    bool At = false;   // they start at Y on the sheet, else in the middle of their dimension
    Extended Y = 0;
    bool Outside = false;  // the root's dimension line outside the tip's, its texts above its end
    bool TipAbove = false; // the tip's texts above its extension line
};

// On a section a flange makes small the root diameter's texts (run long) are longer than their
// dimension, and beyond its end they would stand on the tip's extension line. So: in the middle
// where they fit; else above the tip's extension line; else with the root's dimension line
// outside the tip's, above its own end (no extension line of the tip reaches there), the tip's
// texts (tipRun long) in the middle of theirs clear of the root's extension lines or above them;
// each below the frame's top. Not Found: neither (then above the tip's extension line).
TRootTexts PlaceRootTexts(Extended df, Extended da, Extended run, Extended tipRun) {
    const Extended s = CadScale;
    const Extended rootTop = DiagramY(df / 2), rootSpan = rootTop - DiagramY(-df / 2);
    const Extended aboveTip = DiagramY(da / 2) + s;
    TRootTexts t;
    if (run <= rootSpan) return t;
    t.At = true;
    t.Y = aboveTip;
    if (aboveTip + run <= SectionTopEdge) return t;
    const bool tipClear = tipRun + 2 * s <= rootSpan;
    if (rootTop + s + run <= SectionTopEdge && (tipClear || aboveTip + tipRun <= SectionTopEdge)) {
        t.At = false;
        t.Outside = true;
        t.TipAbove = !tipClear;
        return t;
    }
    t.Found = false;
    return t;
}

// The section with the right end of its world window at `right` (3 da, or 3 |df| of a ring gear,
// as designed).
void DrawSectionTo(int i, Extended right) {
    const TGearData& g = G();
    const Extended bG = g.bGear[i];
    const Extended d = g.d[i];
    const Extended da = g.da[i];
    const Extended df = g.dfmax[i];
    const Extended dOpt = g.dOptional[i];
    const Extended daTool = fabsl(g.daTool[i]);
    SetDiagramSize(200, 100);
    SetDiagramOrigin(std::max<Extended>(12, daTool > 0 ? 100 - 50 * bG / daTool : 12), 190);
    // A further diameter larger than the tip (a flange) widens the world window with it.
    Extended high = std::max(da, dOpt);
    const auto setWorld = [&] {
        if (g.z[i] > 0)
            SetDiagramWorld(-0.2L * bG, -0.75L * high, right, 0.75L * high);
        else
            SetDiagramWorld(-0.2L * bG, 0.75L * df, right, -0.75L * df);
    };
    setWorld();
    const std::string dfText = LengthToStrDec(3, df);
    const std::string dfLower = LengthToStrDec(3, g.dfmin[i] - df);
    const std::string daText = LengthToStrDec(3, da);
    TRootTexts root;
    if (g.z[i] > 0) {
        const Extended run = CadDimensionTextRun(dfText, "", dfLower);
        const Extended tipRun = CadDimensionTextRun(daText, "", "");
        root = PlaceRootTexts(df, da, run, tipRun);
        // Nowhere at the designed size: the section is drawn lower, until they stand above the
        // tip's extension line.
        const Extended room = SectionTopEdge - DiagramY(0) - CadScale - run;
        if (!root.Found && room > 0) {
            high *= (DiagramY(da / 2) - DiagramY(0)) / room;
            setWorld();
            root = PlaceRootTexts(df, da, run, tipRun);
        }
    }

    // A hub's dimension line stands left of the face, as designed (a fifth of the diameter
    // before it) where that leaves its text (4.5 S on the left of the line) inside the frame;
    // else just before the face, the section moved right as far as the text needs.
    const Extended least = SectionLeftEdge + 4.5L * CadScale;
    Extended hubAt = 0;
    if (g.z[i] > 0 && dOpt > 0) {
        if (const Extended shift = least + 2 * CadScale - DiagramX(0); shift > 0)
            SetDiagramOrigin(DiagramWindow.OriginX + shift, DiagramWindow.OriginY);
        hubAt = std::clamp(DiagramX(-0.2L * d), least, DiagramX(0) - 2 * CadScale);
    }

    // The diameters' dimension lines right of the face: as designed (a fifth and two fifths of
    // the diameter beyond it) where their texts have room there, else each as near as its texts
    // allow (they take 4.5 S on the left of their line): the inner one's clear of the face, the
    // outer one's clear of the inner line and its arrow heads. On a section narrowed to fit the
    // frame the designed places would put the texts on each other.
    const Extended mmPerUnit = DiagramX(1) - DiagramX(0);
    const Extended perMm = mmPerUnit > 0 ? 1 / mmPerUnit : 0;
    const Extended face = DiagramX(bG);
    const Extended innerAt = std::max(DiagramX(bG + 0.2L * fabsl(d)), face + 6 * CadScale);
    const Extended outerAt = std::max(DiagramX(bG + 0.4L * fabsl(d)), innerAt + 6 * CadScale);
    const Extended inner = bG + (innerAt - face) * perMm, outer = bG + (outerAt - face) * perMm;
    const Extended hub = bG + (hubAt - face) * perMm;

    // The centre lines reach a tenth of the face width past it, but stop short of the texts of
    // the diameters (up to 5.5 S left of the inner dimension line; and of a hub's, left of its
    // line), which a gear wide for its diameter would reach.
    const Extended end = std::max(bG, std::min(1.1L * bG, inner - 5.5L * CadScale * perMm));
    const Extended start = g.z[i] > 0 && dOpt > 0
                               ? std::min<Extended>(0, std::max(-0.1L * bG, hub + CadScale * perMm))
                               : -0.1L * bG;
    CadSetColour(1);
    DiagramClipLine(start, 0, end, 0);
    for (const int s : {1, -1})
        DiagramClipLine(start, s * d / 2, end, s * d / 2);
    CadSetColour(5);

    if (g.z[i] > 0) {
        const Extended r = g.daTool[i] / 2;
        DiagramMoveTo(0, -r);
        DiagramLineTo(0, r);
        DiagramLineTo(bG, r);
        DiagramLineTo(bG, -r);
        DiagramLineTo(0, -r);
        CadSetColour(2);
        for (const int s : {1, -1}) {
            DiagramClipLine(0, s * df / 2, bG, s * df / 2);
            if (dOpt > 0) DiagramClipLine(0, s * dOpt / 2, bG, s * dOpt / 2);
        }
        CadSetColour(0);
        const Extended aboveTip = DiagramY(da / 2) + CadScale;
        DiagramDimensionB(dfText, "", dfLower, bG, -df / 2, bG, df / 2,
                          root.Outside ? outer : inner, root.At ? &root.Y : nullptr);
        DiagramDimensionB(daText, "", "", bG, -da / 2, bG, da / 2, root.Outside ? inner : outer,
                          root.TipAbove ? &aboveTip : nullptr);
        DiagramDimensionA(LengthToStr(bG), "", "", 0, -da / 2, bG, -da / 2, -0.7L * high);
        // Its extension lines come from the face; one beyond the tip comes from the left face,
        // as a line from the right one would cross the texts of the diameters on that side.
        const Extended from = dOpt > daTool ? 0 : bG;
        if (dOpt > 0)
            DiagramDimensionB(LengthToStr(dOpt), "", "", from, -dOpt / 2, from, dOpt / 2, hub);
        return;
    }

    // Internal gear: the rim from the root circle out to 1.1 times its radius, hatched and
    // ended by a break line, above and below the axis.
    CadSetColour(3);
    for (const int s : {1, -1}) {
        HatchClear();
        HatchAddPoint(DiagramX(0), DiagramY(0.55L * s * df));
        HatchAddPoint(DiagramX(0), DiagramY(s * df / 2));
        HatchAddPoint(DiagramX(bG), DiagramY(s * df / 2));
        FreehandLine(true, DiagramX(bG), DiagramY(0.55L * s * df), DiagramX(0),
                     DiagramY(0.55L * s * df), DiagramLengthY(0.01L * df));
        Hatch(0, 0, 45);
    }
    HatchClear();
    CadSetColour(5);
    DiagramClipLine(0, 0.6L * df, 0, -0.6L * df);
    DiagramClipLine(bG, 0.6L * df, bG, -0.6L * df);
    for (const int s : {1, -1}) {
        DiagramClipLine(0, s * da / 2, bG, s * da / 2);
        DiagramClipLine(0, s * df / 2, bG, s * df / 2);
    }
    CadSetColour(0);
    DiagramDimensionB(LengthToStrDec(3, -df), "", "+" + LengthToStrDec(3, df - g.dfmin[i]), bG,
                      -df / 2, bG, df / 2, outer);
    DiagramDimensionB(LengthToStrDec(3, -da), "", "", bG, -da / 2, bG, da / 2, inner);
    DiagramDimensionA(LengthToStr(bG), "", "", 0, 0.6L * df, bG, 0.6L * df, 0.6L * df + 0.2L * d);
}

} // namespace

void DrawGearSection(int i) {
    const TGearData& g = G();
    const Extended left = -0.2L * g.bGear[i];
    const Extended right = g.z[i] > 0 ? 3 * g.da[i] : -3 * g.dfmax[i];
    // Where the section's dimensions and texts end on the sheet with the world window's right
    // end at r.
    auto ends = [&](Extended r) {
        TCadBounds b;
        CadMeasure(b, [&] { DrawSectionTo(i, r); });
        return b.Model().Empty ? -HUGE_VALL : b.Model().XMax;
    };
    // A gear wide for its diameter reaches past the frame with its diameters' dimensions: the
    // world window grows to the right until they end before it (the drawing shrinks along the
    // axis, the texts and the room between them keep their size). The end moves left as the
    // scale along the axis (1 / (r - left)) falls: halving the scale between one that fits and
    // one that does not settles it.
    if (!(right > left) || !std::isfinite(right) || ends(right) <= SectionRightEdge ||
        !(DiagramWindow.OriginX < SectionRightEdge)) {
        DrawSectionTo(i, right);
        return;
    }
    Extended over = 1 / (right - left), fits = over / 1000;
    if (ends(left + 1 / fits) <= SectionRightEdge) {
        for (int step = 0; step < 40; ++step) {
            const Extended mid = (fits + over) / 2;
            (ends(left + 1 / mid) <= SectionRightEdge ? fits : over) = mid;
        }
    }
    DrawSectionTo(i, left + 1 / fits);
}

void ProductionDrawingSheet(int i, std::string_view frameBlock) {
    if (CalcErrorFlag != 0) return;
    CadSetColour(0);
    if (!frameBlock.empty()) InsertAt(frameBlock, 0, 0);
    DrawGearSection(i);
    TableGearData(0, i, 21, 180, 2.8L);
    TableMeasurement(i, 109, 180, 2.8L);
    // The longer ISO table moves up to clear the title block (its top edge at y 43), still
    // below the measurement table (down to y 129.6).
    constexpr Extended h = 2.8L;
    const Extended top = std::max<Extended>(123, 44.6L + (GearToleranceRowCount() + 1) * 2 * h);
    TableGearTolerances(i, 109, top, h);
}
