#include "drawings/toothviews.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "cad/cadstate.h"
#include "cad/cadtrace.h"
#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "drawings/annotate.h"
#include "drawings/gearchoice.h"
#include "drawings/gearviews.h"
#include "drawings/toolprofile.h"
#include "drawings/toothform.h"
#include "drawings/toothgeom.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/text.h"
#include "framework/ui/message_help.h"
#include "framework/ui/questions.h"

ShortString<12> ToothDrawingName;

namespace {

enum : int { ReturnItem = 10, ConfigItem = 9 };

const char* const ViewNames[] = {"",      "ZAHN",  "ZLUCK", "ZHULL",  "ZRADE",
                                 "ZRADH", "WERKZ", "EINGR", "ZPLANET"};

void FillMenuTexts() {
    const char* const items[] = {"Tooth (involute)",
                                 "Tooth gap (involute)",
                                 "Tooth gap (tooth shape and involute)",
                                 "Gear (involute)",
                                 "Gear (involute and tooth shape)",
                                 "Gear-cutting tool",
                                 "Tooth contact gear1 and gear2",
                                 "Planetary gear",
                                 "Config",
                                 "return .."};
    for (int k = 0; k < 10; ++k)
        TextLines[k + 1] = items[k];
}

std::string Numbered(const char* name, int i) {
    return name + std::to_string(i);
}

// The gear drawn is an internal gear 2 (its views 4, 5 and 8 are built around the ring).
bool RingGear(int g) {
    return g == 2 && GearData.z[2] < 0;
}

// What one pass draws.
struct TView {
    int view = 0;    // 1..8
    int gear = 1;    // the gear of views 1 to 6
    int section = 1; // view 3: 2 draws the tool in the normal section
    Extended W = 0, Y0 = 0, Y1 = 0;
};

// Where the label column of gear i's circles goes in a view of the ring gear (gear 2): in the
// ring's free centre, the circle of radius `free` about it, where it fits, else beside the ring
// (true; the extents then take it in). x, y: where its first line starts.
bool RingColumnBeside(int i, Extended free, Extended& x, Extended& y) {
    const TGearData& g = GearData;
    const Extended h = fabsl(g.dfx[i]) / 25.0L;
    const TCadBox b = DiameterColumn(i, 0, 0);
    x = -b.Width() / 2;
    y = b.Height() / 2 - h;
    if (hypotl(b.Width(), b.Height()) / 2 < free) return false;
    x = fabsl(g.dfmax[2]) / 2.0L + 2 * g.mn;
    return true;
}

// The centre a ring gear's view leaves free of lines: inside the planets rolled round it (views
// 5 and 8), else inside its smallest circle (view 4: its tip circle, or its base circle where
// that lies inside).
Extended RingFreeRadius(int view) {
    const TGearData& g = GearData;
    if (view != 4) return (-g.dwx[1] - g.dwx[2]) / 2.0L - fabsl(g.dax[1]) / 2.0L - g.mn;
    Extended r = fabsl(g.dax[2]);
    for (const Extended D :
         {g.dwx[2], g.d[2], g.db[2], g.dfx[2], g.dNf[2], RootFormDiameter(2), TipFormDiameter(2)})
        r = std::min(r, fabsl(D));
    return r / 2.0L - 0.5L * g.mn;
}

// The gear whose circles a ring gear's view lists: the planet's in the planetary view.
int RingListedGear(int view) {
    return view == 8 ? 1 : 2;
}

// A ring gear's view about its root circle, and the label column beside it where it stands there.
void RingExtents(int view) {
    const TGearData& g = GearData;
    const Extended e = g.dfmax[2] / 2.0L - g.mn;
    const int i = RingListedGear(view);
    Extended x = 0, y = 0;
    if (g.DrawDiameters == 2 && RingColumnBeside(i, RingFreeRadius(view), x, y))
        CadBeginDrawing(e, e, x + DiameterColumn(i, x, y).Width() + 2 * g.mn, -e);
    else
        CadBeginDrawing(e, e, -e, -e);
}

// The circles of gear i about (x0, y0) in a ring gear's view, their column where it leaves them
// clear.
void RingCircles(int view, Extended x0, Extended y0) {
    if (GearData.DrawDiameters != 2) return;
    const int i = RingListedGear(view);
    Extended x = 0, y = 0;
    RingColumnBeside(i, RingFreeRadius(view), x, y);
    DrawDiameterCircles(i, x0, y0, x, y);
}

void BeginDrawing(const TView& v) {
    const TGearData& g = GearData;
    const int i = v.gear;
    const Extended m = g.mn;
    const Extended r = g.d[i] / 2.0L;
    // The tooth views' windows about the reference circle reach its tip and root circles where
    // those lie beyond them (a long addendum, a deep root): the tooth and its arcs stay whole.
    const Extended low = std::min(g.dax[i], g.dfx[i]) / 2.0L - 0.5L * m;
    const Extended high = std::max(g.dax[i], g.dfx[i]) / 2.0L + 0.5L * m;
    switch (v.view) {
    case 1:
        CadBeginDrawing(-3 * m, std::min(r - 2 * m, low), 3 * m, std::max(r + 2 * m, high));
        break;
    case 2:
        CadBeginDrawing(-3.5L * m, std::min(r - 2 * m, low), 3.5L * m, std::max(r + 2 * m, high));
        break;
    case 3:
        CadBeginDrawing(-3.5L * m, std::min(r - 2 * m, low), 3.5L * m,
                        std::max(r + 3.5L * m, high));
        break;
    case 4:
    case 5:
        if (RingGear(i)) {
            RingExtents(v.view);
        } else {
            const Extended e = g.daTool[i] / 2.0L + 1.5L * m;
            CadBeginDrawing(-e, -e, e, e);
        }
        break;
    case 6:
        // Wide enough for the data beside the tool.
        CadBeginDrawing(-2 * m, -2 * m, std::max(2 * m, ToolTextsRight(i)), 2 * m);
        break;
    case 7:
        CadBeginDrawing(-v.W - 0.1L * m, v.Y0 - 19.0L / 44.0L * v.W - 0.1L * m, v.W + 0.1L * m,
                        v.Y1 + 0.1L * m);
        break;
    default:
        if (RingGear(2)) {
            RingExtents(8);
        } else {
            // The central gear and a planet beside it, whichever gear is in the centre.
            const int s = g.SelectedGear == 1 ? 2 : 1;
            const Extended e = g.daTool[s] / 2.0L + m + g.daTool[3 - s];
            CadBeginDrawing(-e, -e, e, e);
        }
        break;
    }
}

void Block(const std::string& name, void (*content)(int, bool), int i, bool flag) {
    CadBeginBlock(name);
    content(i, flag);
    CadEndBlock();
}

void ContourBlock(int i, bool withPremachined) {
    Block(Numbered("EVOLV", i), DrawToothGapContour, i, withPremachined);
}

void WheelBlock(int i) {
    CadBeginBlock(Numbered("RAD", i));
    DrawGearWheel(static_cast<std::uint16_t>(i), false);
    CadEndBlock();
}

void DefineBlocks(const TView& v) {
    TGearData& g = GearData;
    const int i = v.gear;
    switch (v.view) {
    case 2:
    case 4:
        ContourBlock(i, true);
        break;
    case 3:
    case 5:
        DiametersForShift(g.xeh);
        CadBeginBlock(Numbered("WERKZS", i));
        DrawToolProfile(i, !(v.view == 3 && v.section == 2), 0);
        CadEndBlock();
        CadBeginBlock(Numbered("ZAHN", i));
        DrawGeneratedTooth(i);
        CadEndBlock();
        DiametersForShift(g.xee);
        ContourBlock(i, true);
        if (v.view == 5 && RingGear(i)) {
            // The planet inside the ring without its diameters.
            const std::uint16_t keep = g.DrawDiameters;
            g.DrawDiameters = 1;
            ContourBlock(1, false);
            WheelBlock(1);
            g.DrawDiameters = keep;
        }
        break;
    case 7:
        ContourBlock(1, false);
        ContourBlock(2, false);
        break;
    case 8:
        ContourBlock(1, false);
        ContourBlock(2, false);
        WheelBlock(1);
        WheelBlock(2);
        break;
    default: // views 1 and 6 insert no block
        break;
    }
}

// The diameter arcs of a tooth view that pass through its window: the base circle of a large
// helical wheel lies far below the tooth, and drawn there it would set the drawing's extents.
void DiameterArcs(int i, const TCadTrace* lines) {
    const TCadExtents& x = CadExtents;
    if (GearData.DrawDiameters == 2)
        DrawDiameterArcs(i, 90, 0, 0, 0, 1e30L, {x.XMin, x.YMin, x.XMax, x.YMax}, lines);
}

void DiameterCircles(int i, Extended y0) {
    if (GearData.DrawDiameters == 2) DrawDiameterCircles(i, 0, y0);
}

// lines: the trace of the view's blocks; views 1 to 3 trace their teeth into it, so that the
// labels of their diameter arcs keep off them.
void DrawEntities(const TView& v, TCadTrace& lines) {
    TGearData& g = GearData;
    const int i = v.gear;
    const std::string evolv = Numbered("EVOLV", i);
    const Extended half = g.z[i] != 0 ? 180.0L / g.z[i] : 0;
    switch (v.view) {
    case 1:
        CadDrawTraced(lines, [&] { DrawToothGapContour(i, true); });
        DiameterArcs(i, &lines);
        break;
    case 2:
        CadDrawTraced(lines, [&] {
            CadInsertBlock(evolv, 0, 0, half, 1, 1);
            CadInsertBlock(evolv, 0, 0, -half, 1, 1);
        });
        DiameterArcs(i, &lines);
        break;
    case 3:
        CadDrawTraced(lines, [&] {
            DiametersForShift(g.xeh);
            DrawGeneratedTooth(i);
            DiametersForShift(g.xee);
            if (v.section != 2) {
                CadInsertBlock(evolv, 0, 0, half, 1, 1);
                CadInsertBlock(evolv, 0, 0, -half, 1, 1);
            }
        });
        DiameterArcs(i, &lines);
        break;
    case 4:
        DrawGearWheel(static_cast<std::uint16_t>(i), false);
        // A ring gear's teeth stand round its centre: its labels inside them, or beside it.
        if (RingGear(i))
            RingCircles(4, 0, 0);
        else
            DiameterCircles(i, 0);
        break;
    case 5:
        if (RingGear(i)) {
            DrawRingGearWithPlanet();
            // The planet rolls round the ring: its labels where it leaves room.
            RingCircles(5, 0, 0);
        } else {
            DrawGearWheel(static_cast<std::uint16_t>(i), true);
            DiameterCircles(i, 0);
        }
        break;
    case 6:
        // The tool of the tooth shape, placed as in its block.
        DiametersForShift(g.xeh);
        DrawToolProfile(i, false, 1);
        DiametersForShift(g.xee);
        break;
    case 7:
        DrawToothContact(true, v.W, v.Y0, v.Y1, g.RotationAngle);
        break;
    default:
        // The first planet sits straight below the central gear, one drawing centre distance
        // away.
        if (g.z[2] < 0) {
            // The planets inside the ring: their labels where they leave room, or beside it.
            PlaceGearsInMesh(g.Planets, 1, g.RotationAngle);
            RingCircles(8, 0, -g.aDraw);
        } else if (g.SelectedGear == 1) {
            PlaceGearsInMesh(g.Planets, 1, g.RotationAngle);
            DiameterCircles(1, -g.aDraw);
        } else {
            PlaceGearsInMesh(g.Planets, 2, g.RotationAngle);
            DiameterCircles(2, -g.aDraw);
            DiameterCircles(1, 0);
        }
        break;
    }
}

// One view through the CAD layer. False when the user cancelled or the output failed. Into an
// output the caller opened (into) the view is one drawing among the caller's, whatever the
// caller drew or named before or after it: it neither opens nor closes the output, and the
// planetary view leaves the extents to the caller. An output that is closed already is refused.
bool DrawView(std::uint16_t outputCode, TView v, bool into) {
    ToothDrawingName = v.view <= 6 ? Numbered(ViewNames[v.view], v.gear) : ViewNames[v.view];
    SetHelpContext(8260);
    if (into) {
        if (!CadJoinDrawings()) {
            ShowError("Tooth drawing: no open output to draw into !");
            AbortFlag = 1;
            return false;
        }
    } else {
        CadOpenOutput(outputCode);
        if (AbortFlag != 0) return false;
    }
    v.W = ContactWindowHalfWidth();
    v.Y0 = ContactWindowBottom();
    v.Y1 = ContactWindowTop();
    CadSetColour(0);
    if (!(into && v.view == 8)) BeginDrawing(v);
    CadWriteTables(GearData.DrawDiameters == 2 ? 2 : 0);
    CadBeginBlocksSection();
    // The tooth views trace their blocks for the labels of their diameter arcs.
    TCadTrace lines;
    if (v.view <= 3)
        CadDrawTraced(lines, [&] { DefineBlocks(v); });
    else
        DefineBlocks(v);
    if (AbortFlag != 0) {
        // The caller's output stays open and well-formed for the caller to close.
        if (into)
            CadEndSection();
        else
            CadCloseOutput();
        RestoreCursor();
        ShowError("file write error  -  temporary path !");
        AbortFlag = 1;
        return false;
    }
    CadEndSection();
    do {
        CadBeginEntities();
        DrawEntities(v, lines);
    } while (!CadOutputEnabled());
    CadEndSection();
    if (!into) CadCloseOutput();
    return true;
}

std::string TeethText(const char* role, std::int32_t z) {
    return std::string(role) + IntToStrLeadBlank(z, 4) + " teeth";
}

// View 8: which gear is the sun (external gear 2 only).
void AskSunGear() {
    const TGearData& g = GearData;
    SetHelpContext(8285);
    TextLines[1] = TeethText("sun gear =", g.z[2]) + ", " + TeethText("Planet wheels =", g.z[1]);
    TextLines[2] = TeethText("sun gear =", g.z[1]) + ", " + TeethText("Planet wheels =", g.z[2]);
    int k = GearData.SelectedGear;
    SelectCode("select gear", 2, k);
    if (AbortFlag == 0) GearData.SelectedGear = static_cast<std::uint16_t>(k);
}

} // namespace

void ToothDrawing(std::uint16_t outputCode, std::uint16_t gear, std::uint16_t choice,
                  std::uint16_t mode, std::uint16_t section) {
    DrawToothViews(outputCode, gear, choice, mode, section);
}

void DrawToothViews(std::uint16_t outputCode, std::uint16_t gear, std::uint16_t choice,
                    std::uint16_t mode, std::uint16_t section) {
    TGearData& g = GearData;
    if (CalcErrorFlag != 0) {
        ShowCalcMessages();
        return;
    }
    // A choice beyond the menu would repeat nothing for ever.
    if (mode > 3 || choice > ReturnItem) {
        ShowError(mode > 3 ? "Tooth drawing: mode " + IntToString(mode) + " is not supported !"
                           : "Tooth drawing: no item " + IntToString(choice) + " !");
        AbortFlag = 1;
        return;
    }
    std::uint16_t chosenGear = gear == 1 || gear == 2 ? gear : 1;
    int current = 0;
    for (;;) {
        ++current; // the menu opens on the item after the last one
        DiametersForShift(g.xee);
        FillMenuTexts();
        SetHelpContext(8270);
        if (choice == 0)
            SelectCode("Tooth drawing", ReturnItem, current);
        else
            current = choice;
        if (AbortFlag != 0 || current == ReturnItem) return;
        if (current == 8 && mode == 0) {
            if (g.Planets < 1 || g.Planets > 100) g.Planets = 3; // what the drawing uses
            SetHelpContext(8280);
            InputIntegerRange("Number of planetary gears", g.Planets, 1, 100);
            if (AbortFlag != 0) return;
        }
        if (current == ConfigItem) {
            ConfigureToothGraphics();
            DiametersForShift(g.xee);
            // A preset Config runs once: leaving its menu would otherwise bring it back.
            if (AbortFlag != 0 || choice != 0 || mode != 0) return;
            continue;
        }
        TView v;
        v.view = current;
        v.section = section;
        if (current >= 7) {
            v.gear = 2;
        } else {
            if (mode == 0) {
                SelectGear(chosenGear);
                if (AbortFlag != 0) return;
            }
            v.gear = chosenGear;
        }
        if (current == 3 && mode == 0 && g.z[v.gear] > 0) {
            TextLines[1] = "Transverse section";
            TextLines[2] = "Normal section";
            int k = section;
            SelectCode("", 2, k);
            if (AbortFlag != 0) return;
            section = static_cast<std::uint16_t>(k);
            v.section = section;
        }
        if (current == 3 && g.z[v.gear] < 0) v.view = current = 5; // a ring gear is cut whole
        if (current == 8 && mode == 0 && g.z[2] > 0) {
            AskSunGear();
            if (AbortFlag != 0) return;
        }
        if (current >= 7) {
            SetHelpContext(8370);
            if (mode == 0) {
                InputRealRange("angle of rotation gear 1 [deg]", g.RotationAngle, -180, 180);
                if (AbortFlag != 0) return;
            }
        }
        const bool drawn = DrawView(outputCode, v, mode == 2);
        RestoreCursor();
        if (!drawn || AbortFlag != 0 || mode != 0) return;
    }
}

// ---- configuration ---------------------------------------------------------------------------

namespace {

std::string Shift(const char* text, Extended xe) {
    return text + FloatToStrSig3(xe) + ")";
}

// The generating shift of gear i for one purpose (the involute or the tooth shape): one of
// the six mean and limit values, or a typed one.
void AskShift(const std::string& what, int i, int& choice, Extended& xe) {
    const TGearData& g = GearData;
    const Extended values[] = {(g.xEmaxV[i] + g.xEminV[i]) / 2.0L, g.xEmaxV[i], g.xEminV[i],
                               (g.xEmax[i] + g.xEmin[i]) / 2.0L,   g.xEmax[i],  g.xEmin[i]};
    TextLines[1] = Shift("Average torsional backlash premach. (xe = ", values[0]);
    TextLines[2] = Shift("Min.torsional backlash premach. (xe= ", values[1]);
    TextLines[3] = Shift("Max.torsional backlash premach. (xe = ", values[2]);
    TextLines[4] = Shift("Average torsional backlash fin. (xe = ", values[3]);
    TextLines[5] = Shift("Min.torsional backlash fin. (xe= ", values[4]);
    TextLines[6] = Shift("Max.torsional backlash fin. (xe = ", values[5]);
    TextLines[7] = "xe ...";
    SetHelpContext(8330);
    SelectCode("Gen.addend.modif.coeff. " + what + " gear " + IntToString(i), 7, choice);
    if (AbortFlag != 0) return;
    if (choice >= 1 && choice <= 6) {
        xe = values[choice - 1];
        return;
    }
    SetHelpContext(8340);
    InputRealRange("Gen.addend.modif.coeff. " + what + " xe gear " + IntToString(i), xe, -3, 3);
}

void ConfigureSteps() {
    TGearData& g = GearData;
    SetHelpContext(8380);
    AskYesNoFlag("Draw tooth root curve ?", g.DrawRootCurve);
    if (AbortFlag != 0) return;
    // The counts as the drawings use them (0 shows its default).
    UsedFilletResolution();
    UsedInvolutePoints();
    UsedGearShapes();
    SetHelpContext(8345);
    InputIntegerRange("Fillet resolution", g.FilletResolution, 2, 200);
    if (AbortFlag != 0) return;
    // A flank needs two points at least: one would leave its step undefined.
    SetHelpContext(8300);
    InputIntegerRange("Number of points for involute polycurve", g.InvolutePoints, 2, 256);
    if (AbortFlag != 0) return;
    TextLines[1] = "Line";
    TextLines[2] = "Polyline";
    int k = CadUsePolylines ? 2 : 1;
    SetHelpContext(8310);
    SelectCode("Drawing element for involute curve", 2, k);
    if (AbortFlag != 0) return;
    CadUsePolylines = k == 2;
    if (g.RingGearShapes == 0) g.RingGearShapes = 200;
    SetHelpContext(8320);
    InputIntegerRange("Number of tooth shapes for ring gear imaging", g.RingGearShapes, 1, 20000);
    if (AbortFlag != 0) return;
    // The generated tooth draws at most 2000 positions per side.
    SetHelpContext(8325);
    InputIntegerRange("Number of tooth shapes for gear imaging", g.GearShapes, 1, 2000);
}

void ConfigureShifts() {
    TGearData& g = GearData;
    for (int i = 1; i <= 2; ++i) {
        int choice = 7;
        AskShift("Involute", i, choice, g.xee[i]);
        if (AbortFlag != 0) return;
        AskShift("Tooth shape", i, choice, g.xeh[i]);
        if (AbortFlag != 0) return;
    }
}

void ConfigureCentreDistance() {
    TGearData& g = GearData;
    TextLines[1] = "Nom. center distance  a = " + LengthToStrDec(3, g.a);
    TextLines[2] = "Max. center distance  a = " + LengthToStrDec(3, g.a + g.Aae);
    TextLines[3] = "Min. center distance  a = " + LengthToStrDec(3, g.a + g.Aai);
    TextLines[4] = "Enter center distance";
    int k = 1;
    SetHelpContext(8350);
    SelectCode("Center distance for CAD drawing", 4, k);
    if (AbortFlag != 0) return;
    switch (k) {
    case 1:
        g.aDraw = g.a;
        break;
    case 2:
        g.aDraw = g.a + g.Aae;
        break;
    case 3:
        g.aDraw = g.a + g.Aai;
        break;
    default:
        SetHelpContext(8360);
        InputLength("Center distance for CAD drawing", g.aDraw, g.a - g.mn, g.a + g.mn);
        break;
    }
}

void ConfigureDiameters() {
    TextLines[1] = "no auxiliary diameters";
    TextLines[2] = "graphics with gear diameters";
    int k = GearData.DrawDiameters;
    SelectCode("drawing configuration", 2, k);
    if (AbortFlag == 0) GearData.DrawDiameters = static_cast<std::uint16_t>(k);
}

} // namespace

void ConfigureToothGraphics() {
    int item = 0;
    for (;;) {
        TextLines[1] = "Steps for involute and tooth shape";
        TextLines[2] = "Gen. addendum modific. coefficients";
        TextLines[3] = "Center distance";
        TextLines[4] = "Auxiliary diameters";
        TextLines[5] = "return";
        ++item;
        SetHelpContext(8275);
        SelectCode("Configuration tooth grahics", 5, item);
        if (AbortFlag != 0) {
            AbortFlag = 0;
            return;
        }
        switch (item) {
        case 1:
            ConfigureSteps();
            break;
        case 2:
            ConfigureShifts();
            break;
        case 3:
            ConfigureCentreDistance();
            break;
        case 4:
            ConfigureDiameters();
            break;
        default:
            DiametersForShift(GearData.xee);
            return;
        }
        if (AbortFlag != 0) return;
    }
}

// ---- contact window --------------------------------------------------------------------------

namespace {

Extended CosDeg(Extended deg) {
    return cosl(DegToRad(deg));
}

// 0.7 ln|z| 360 / |z| degrees (with 0.6 for the lower edge): the span of a small gear.
Extended SmallGearSpan(Extended factor, std::int32_t z) {
    const Extended n = std::abs(z);
    return n >= 1 ? factor * logl(n) * 360.0L / n : 0;
}

} // namespace

Extended ContactWindowHalfWidth() {
    const TGearData& g = GearData;
    const Extended z2 = std::max<std::int32_t>(std::abs(g.z[2]), 7);
    Extended W = g.mn + sinl(DegToRad(720.0L / z2)) * fabsl(g.dax[2]) / 2.0L;
    if (g.z[2] < 0) W *= 1.1L;
    return W;
}

Extended ContactWindowBottom() {
    const TGearData& g = GearData;
    const std::int32_t z1 = std::abs(g.z[1]);
    const Extended s = z1 < 12 ? SmallGearSpan(0.6L, z1) : 540.0L / z1;
    const Extended S = 2.0L * g.mn + (1.0L - CosDeg(s)) * fabsl(g.dax[1]) / 2.0L;
    // The window is as wide as gear 2 asks: at its sides the teeth of a pinion of many teeth,
    // their centre lines a fifth of the tooth depth below the root, would reach into the data
    // box below it. The edge goes down to clear them, by a tenth of the module.
    const Extended low = (g.dfx[1] - 0.2L * (g.dax[1] - g.dfx[1])) / 2.0L;
    const Extended W = ContactWindowHalfWidth();
    const Extended bottom = g.dax[1] / 2.0L - 1.2L * S;
    if (!(low > W)) return bottom;
    return std::min(bottom, sqrtl(low * low - W * W) - 0.1L * g.mn);
}

Extended ContactWindowTop() {
    const TGearData& g = GearData;
    const std::int32_t z2 = g.z[2];
    Extended S = 0;
    if (z2 >= -17 && z2 < 0) {
        // A small ring gear: its tip circle curves away from the window by itself.
        S = (1.0L - CosDeg(SmallGearSpan(0.7L, z2))) * fabsl(g.dax[2]) / 2.0L;
    } else {
        const Extended s = std::abs(z2) < 18 ? SmallGearSpan(0.7L, z2) : 720.0L / std::abs(z2);
        S = g.mn + (1.0L - CosDeg(s)) * fabsl(g.dax[2]) / 2.0L;
    }
    return g.dax[1] / 2.0L + 1.2L * S;
}
