#include "calc/geardata.h"

TGearData GearData;

void InitDrawingTexts() {
    for (int i = 1; i <= 2; ++i) {
        GearData.DrawingName[i] = "";
        GearData.DrawingNumber[i] = "";
        GearData.DrawingName2[i] = "";
    }
}

void ResetLoadData() {
    TGearData& g = GearData;
    for (int i = 1; i <= 2; ++i) {
        g.MatName[i] = "17CrNiMo6";
        g.MatCode[i] = 2;
        g.MatCode2[i] = 2;
        g.MatRho[i] = 7.8L;
        g.MatE[i] = 206000.0L;
        g.MatNu[i] = 0.3L;
        g.MatStrength1[i] = 1500.0L;
        g.MatStrength2[i] = 800.0L;
        g.MatStrength3[i] = 740.0L;
        g.LoadGearValue1[i] = 5.0L;
        g.LoadGearValue2[i] = 5.0L;
    }
    g.CalcMode = 1;
    // The positional load values start at 0 and their characters at "N" (no).
    g.LoadChar.fill('N');
    g.LoadChar[0] = 0;
    g.LoadSpectrumCount = 0;
    g.LoadSpectrum.assign(LoadSpectrumSize, LoadSpectrumEntry{});
    g.QualityStandard = 0;
    g.WarningMode = 0;
    g.MeasureMode = 0;
    g.CalcOption = 0;
}

void ResetGearData() {
    TGearData& g = GearData;
    // Keep what the other initialisations own: drawing texts 2, load data, calculation settings.
    TGearData fresh;
    fresh.DrawingNumber = g.DrawingNumber;
    fresh.DrawingName2 = g.DrawingName2;
    fresh.MatName = g.MatName;
    fresh.MatCode = g.MatCode;
    fresh.MatCode2 = g.MatCode2;
    fresh.MatRho = g.MatRho;
    fresh.MatE = g.MatE;
    fresh.MatNu = g.MatNu;
    fresh.MatStrength1 = g.MatStrength1;
    fresh.MatStrength2 = g.MatStrength2;
    fresh.MatStrength3 = g.MatStrength3;
    fresh.LoadGearValue1 = g.LoadGearValue1;
    fresh.LoadGearValue2 = g.LoadGearValue2;
    fresh.CalcMode = g.CalcMode;
    fresh.LoadSpectrumCount = g.LoadSpectrumCount;
    fresh.LoadSpectrum = std::move(g.LoadSpectrum);
    fresh.LoadReal = g.LoadReal;
    fresh.LoadWord = g.LoadWord;
    fresh.LoadWordPair3 = g.LoadWordPair3;
    fresh.LoadChar = g.LoadChar;
    fresh.LoadFactor = g.LoadFactor;
    fresh.LoadPair = g.LoadPair;
    fresh.LoadTriple = g.LoadTriple;
    fresh.LoadPairDE = g.LoadPairDE;
    fresh.LoadInt = g.LoadInt;
    fresh.QualityStandard = g.QualityStandard;
    fresh.WarningMode = g.WarningMode;
    fresh.MeasureMode = g.MeasureMode;
    fresh.CalcOption = g.CalcOption;
    g = std::move(fresh);

    for (int i = 1; i <= 2; ++i) {
        // ToolProfile
        g.BasicRackType[i] = 1;
        g.BasicRackName[i] = "Normal";
        g.hfP0mn[i] = 1.0L;
        g.haP0mn[i] = 1.25L;
        g.rhoaP0mn[i] = 0.25L;
        g.rhofP0mn[i] = 0.0L;
        g.prP0mn[i] = 0.02L;
        g.alprP0[i] = 6.0L;
        g.hFfP0mn[i] = 0.8L;
        g.alkP0[i] = 45.0L;
        g.ChamferOn[i] = false;
        // GearInput
        g.z[i] = i == 1 ? 16 : 58;
        g.x[i] = i == 1 ? 0.52L : 0.57L;
        g.bGear[i] = 88.0L;
        g.da[i] = i == 1 ? 124.0L : 400.0L;
        g.TipInputMode[i] = 2;
        g.ToothAlignment[i] = 3;
        g.Q[i] = 6;
        g.TsnSeries[i] = 5;
        g.AsnSeries[i] = 8;
        g.DM[i] = 12.0L;
        g.DrawingName[i] = "Helical Gear";
        g.TolZone[i] = "6 e 27";
    }
    g.GeoFormMode = 1;
    g.Planets = 3;
}

static void SetDrawingSettingsDefaults() {
    TGearData& g = GearData;
    g.DrawRootCurve = true;
    g.InvolutePoints = 20;
    g.RingGearShapes = 200;
    g.GearShapes = 30;
    g.FilletResolution = 30;
    g.xee = {};
    g.xeh = {};
    g.aDraw = 0.0L;
    g.DrawDiameters = 2;
    g.RotationAngle = 0.0L;
    g.Planets = 3;
    g.PlanetCount = 3;
    g.SelectedGear = 1;
}

void InitGearData() {
    ResetGearData();
    TGearData& g = GearData;
    g.alpha = 20.0L;
    g.beta = 9.0L;
    g.mn = 6.5L;
    g.z = {16, 58};
    g.x = {0.52L, 0.57L};
    g.b = 88.0L;
    g.a = 250.0L;
    g.da = {124.0L, 400.0L};
    g.Pn = 25.4L / 6.5L;
    g.MatName = {"17CrNiMo6", "17CrNiMo6"};
    g.Q = {6, 6};
    g.AaField = 4;
    g.AaFieldName = "js11";
    g.TipInputMode = {2, 2};
    g.ToothAlignment = {3, 3};
    g.GeoFormMode = 1;
    g.CalcMode = 1;
    SetDrawingSettingsDefaults();
}

bool IsFixedCompanion(const TGearData& g) {
    return g.z[1] == 6 && g.x[1] == 0.5L && g.kmn[1] == 0 && g.TipInputMode[1] == 2;
}

void InitGearDataUnit() {
    InitDrawingTexts();
    ResetLoadData();
    InitGearData();
}

namespace {
// The unit initialisation: GearData holds the start-up example before anything reads it.
const struct GearDataUnitInit {
    GearDataUnitInit() { InitGearDataUnit(); }
} gearDataUnitInit;
} // namespace
