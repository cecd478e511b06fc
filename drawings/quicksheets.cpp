#include "drawings/quicksheets.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "cad/cadblock.h"
#include "cad/cadout.h"
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

// Wheel, generated tooth, its two gaps, the diameter arcs and the tool of gear 2, scaled to
// the sheet: the wheel at wheel with diameter wheelSize, the tooth region at toothX with its
// tooth depth toothSize high (root circle at toothY), the tool at toolY above the tooth.
void GearPictures(Extended wheelX, Extended wheelY, Extended wheelSize, Extended toothX,
                  Extended toothY, Extended toothSize, Extended toolX, Extended toolY) {
    const TGearData& g = G();
    const Extended s1 = wheelSize / (g.z[2] < 0 ? g.dfmax[2] : fabsl(g.da[2]));
    if (std::abs(g.z[2]) < 1000) CadInsertBlock("rad2", wheelX, wheelY, 0, s1, s1);
    const Extended s2 = toothSize / std::max(2 * g.mn, g.h[2]);
    const Extended y2 = toothY - g.dfmax[2] * s2 / 2;
    if (g.z[2] > 0 && g.z[2] < 200) CadInsertBlock("zahn2", toothX, y2, 0, s2, s2);
    DiametersForShift(g.xee);
    if (g.z[2] != 0) {
        const Extended half = 180.0L / g.z[2];
        CadInsertBlock("EVOLV2", toothX, y2, half, s2, s2);
        CadInsertBlock("EVOLV2", toothX, y2, -half, s2, s2);
    }
    CadInsertBlock("dteil", toothX, y2, 0, s2, s2);
    CadInsertBlock("WERKZS2", toolX, toolY - 13 * g.x[2], 0, s2, s2);
}

} // namespace

void DefineGear2Blocks() {
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
    CadBeginBlock("RAD2");
    DrawGearWheel(2, false);
    CadEndBlock();
    CadBeginBlock("DTEIL");
    DrawDiameterArcs(2, 90, 0, 0);
    CadEndBlock();
}

void DrawQuickSheet(std::uint16_t outputCode) {
    if (!OpenSheet(outputCode)) return;
    CadBeginDrawing(0, 0, 160, 120);
    CadWriteTables(2);
    do {
        CadBeginEntities();
        CadSetColour(19);
        CadSetTextSize(2, 0, 2.1L, 1.6L);
        CadMoveTo(2, 117);
        CadTextLine(TitleText(true));
        CadTextLine(TitleTexts[1].str());
        CadTextLine(TitleTexts[2].str());
        TableGearData(2, 2, 96, 118, 2.1L);
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
        MeasurementTable(2, 2, y, h);
        y -= 19 * h;
        if (ErrorCount > 0 && y > 13.5L) TableErrorMessages(2, y, 2);
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
    CadWriteTables(2);
    CadBeginBlocksSection();
    DefineGear2Blocks();
    CadEndSection();
    do {
        CadBeginEntities();
        CadSetColour(19);
        CadSetTextSize(2, 0, 1.2L, 0.9L);
        CadText(TitleText(false), 120, 118);
        CadText(g.DrawingName2[2].str(), 120, 116);
        CadText(TitleTexts[1].str(), right, 118);
        CadText(TitleTexts[2].str(), right, 116);
        TableGearData(2, 2, 120, 115, 1.2L);
        Extended y = 92;
        const TExtraRows extra = ExtraRows();
        if (extra.Allowance) y -= 5;
        if (extra.Protuberance) y -= 7.5L;
        if (extra.Chamfer) y -= 7.5L;
        MeasurementTable(right + 6.6L, right + 10, y, 1.2L);
        TableGearTolerances(2, 120, 45, 1.15L);
        // The messages go to the right column, where the ISO tolerance table (down to y 10.5)
        // leaves them room.
        if (ErrorCount > 0) TableErrorMessages(right, 14, 1.2L);
        TableBasicRack(2, right, 115, 1.2L);
        GearPictures(32, 88, 60, 60, 10, 30, 32, 82);
    } while (!CadOutputEnabled());
    CloseSheet();
}

void DrawQuickSheet4(std::uint16_t outputCode) {
    if (!OpenSheet(outputCode)) return;
    const TGearData& g = G();
    BeginSheet(3);
    CadWriteTables(2);
    CadBeginBlocksSection();
    CadBeginBlock("frame_1");
    DrawFrame2(3, g.DrawingName[2].str(), g.DrawingName2[2].str(), g.DrawingNumber[2].str());
    CadEndBlock();
    DefineGear2Blocks();
    CadEndSection();
    do {
        CadBeginEntities();
        CadInsertBlock("frame_1", 0, 0, 0, 1, 1);
        CadSetColour(19);
        CadSetTextSize(2, 0, 2.4L, 1.8L);
        CadText(TitleText(false), 335, 285);
        CadText(g.DrawingName2[2].str(), 335, 281);
        CadText(TitleTexts[1].str(), 240, 285);
        CadText(TitleTexts[2].str(), 240, 281);
        TableGearData(2, 2, 335, 278, 2.4L);
        TableBasicRack(2, 240, 278, 2.4L);
        Extended y = 228;
        const TExtraRows extra = ExtraRows();
        if (extra.Allowance) y -= 10;
        if (extra.Protuberance) y -= 15;
        if (extra.Chamfer) y -= 15;
        MeasurementTable(240, 240, y, 2.4L);
        TableGearTolerances(2, 335, 137, 2.4L);
        if (ErrorCount > 0) TableErrorMessages(240, 140, 2.4L);
        GearPictures(120, 200, 160, 120, 20, 60, 120, 180);
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
