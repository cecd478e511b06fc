// Gear data model: the one set of inputs and results of a gear pair.
//
// Every value lives in the single global `GearData`. Per-gear values are PerGear<T>, indexed 1
// (gear 1, the fixed partner) and 2 (the designed gear); any other index throws
// std::out_of_range. Lengths are mm, angles degrees unless the name ends in Rad or the comment
// says rad. A negative tooth number marks an internal gear; its diameters are negative too.
// Texts are UTF-8 ShortStrings that keep their capacity in characters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/fixedtypes.h"

// A pair of per-gear values, indexed 1..2 as the formulas write them (checked).
template <class T> using PerGear = RangeArray<T, 1, 2>;

// Text capacities in characters.
inline constexpr int DrawingNameCapacity = 25;
inline constexpr int DrawingNumberCapacity = 18;
inline constexpr int DrawingName2Capacity = 30;
inline constexpr int ToothCorrectionCapacity = 60;
inline constexpr int BasicRackNameCapacity = 10;
inline constexpr int AaFieldNameCapacity = 7;
inline constexpr int TolZoneCapacity = 8;
inline constexpr int MatNameCapacity = 20;

// Load spectrum: 129 records (0..128); entry 0 is never stored in a job file.
inline constexpr int LoadSpectrumSize = 129;
struct LoadSpectrumEntry {
    long double v1 = 0.0L;
    long double v2 = 0.0L;
    bool operator==(const LoadSpectrumEntry&) const = default;
};

struct TGearData {
    // ---- GearDrawingTexts (per gear)
    PerGear<ShortString<DrawingNameCapacity>> DrawingName; // 25
    PerGear<ShortString<DrawingNumberCapacity>>
        DrawingNumber; // 18; printed for the mating gear as its part number
    PerGear<ShortString<DrawingName2Capacity>> DrawingName2; // 30

    // ---- GearPairInput
    long double alpha = 0.0L;       // normal pressure angle, deg
    long double beta = 0.0L;        // helix angle, deg
    long double mn = 0.0L;          // normal module
    long double b = 0.0L;           // face width
    long double a = 0.0L;           // centre distance; 0 = not given (follows from the shifts)
    long double Aae = 0.0L;         // upper centre-distance allowance
    long double Aai = 0.0L;         // lower centre-distance allowance
    std::uint16_t AaField = 0;      // 1..8 = "js 4".."js11"; 9 and above = allowances entered
    std::uint8_t HalfFaceWidth = 0; // overlap ratio with half the face width

    // ---- GearInput (per gear unless stated)
    PerGear<std::int32_t> z;             // number of teeth, negative for an internal gear
    PerGear<long double> x;              // profile shift coefficient
    PerGear<long double> bGear;          // face width of the gear (at least b)
    PerGear<long double> da;             // tip diameter (input in tip mode 3, result otherwise)
    PerGear<long double> kmn;            // addendum reduction k mn
    PerGear<std::uint16_t> TipInputMode; // 1 clearance, 2 addendum reduction, 3 tip diameter given
    PerGear<long double> TipModeValue;   // tip clearance against the other gear's root
    std::uint16_t GeoFormMode = 0;       // pair value
    PerGear<std::uint16_t> ToothAlignment; // hand of helix, list index + 1
    PerGear<std::int32_t> Q;               // quality grade
    PerGear<std::uint16_t> TsnSeries; // 1..10 (shown 21..30); 11 and above = allowances entered
    PerGear<std::uint16_t> AsnSeries; // 1..11 = "a".."h"
    PerGear<long double> Asne;        // upper tooth-thickness allowance
    PerGear<long double> Asni;        // lower tooth-thickness allowance
    PerGear<long double> q;           // machining allowance (0 = finished gear only)
    PerGear<long double> qTol;        // its tolerance
    PerGear<ShortString<ToothCorrectionCapacity>> ToothCorrection; // 60
    PerGear<long double> DM;        // ball or pin diameter; 0 = propose
    PerGear<std::int32_t> k;        // number of teeth spanned; 0 = propose
    PerGear<long double> dOptional; // further diameter drawn as a circle when > 0

    // ---- ToolProfile (per gear; the ...mn values are factors of mn)
    PerGear<std::uint16_t> BasicRackType;                      // preset 1..9
    PerGear<ShortString<BasicRackNameCapacity>> BasicRackName; // 10
    PerGear<long double> hfP0mn;
    PerGear<long double> haP0mn;
    PerGear<long double> rhoaP0mn;
    PerGear<long double> rhofP0mn;
    PerGear<long double> prP0mn;
    PerGear<long double> alprP0; // protuberance angle, deg
    PerGear<long double> hFfP0mn;
    PerGear<long double> alkP0; // chamfer angle, deg (0 = alpha)
    PerGear<long double> hfP0;  // the same in mm (results)
    PerGear<long double> haP0;
    PerGear<long double> rhoaP0;
    PerGear<long double> rhofP0;
    PerGear<long double> prP0;
    PerGear<long double> hFfP0;
    PerGear<bool> ChamferOn;
    PerGear<long double> ToolAux;
    PerGear<std::uint16_t> ToolRecordNo; // record of the tool table chosen last

    // ---- CalcSettings
    std::int32_t QualityStandard = 0; // 0 DIN 3961, 1 ISO 1328
    std::int32_t WarningMode = 0;     // 0 = all warnings
    std::int32_t MeasureMode = 0;     // 0 = DM and k entered, 1 = always proposed
    std::int32_t CalcOption = 0;

    // ---- LoadData (kept, saved and defaulted only)
    PerGear<ShortString<MatNameCapacity>> MatName; // 20
    PerGear<std::uint16_t> MatCode;
    PerGear<std::uint16_t> MatCode2;
    PerGear<long double> MatRho;
    PerGear<long double> MatE;
    PerGear<long double> MatNu;
    PerGear<long double> MatStrength1;
    PerGear<long double> MatStrength2;
    PerGear<long double> MatStrength3;
    PerGear<long double> LoadGearValue1;
    PerGear<long double> LoadGearValue2;
    std::uint16_t CalcMode = 0;
    std::int32_t LoadSpectrumCount = 0;
    std::vector<LoadSpectrumEntry> LoadSpectrum; // LoadSpectrumSize records, index 0..128
    // Values the job file keeps by position only (their index is the position, [0] unused).
    std::array<long double, 13> LoadReal{};          // reals 1..12
    std::array<std::int32_t, 3> LoadWord{};          // words 1..2
    PerGear<std::int32_t> LoadWordPair3;             // word pair 3
    std::array<char, 7> LoadChar{};                  // characters 1..6
    std::array<long double, 11> LoadFactor{};        // factors 1..10
    std::array<PerGear<long double>, 11> LoadPair{}; // pairs 1..10
    PerGear<std::array<long double, 3>> LoadTriple;  // per gear: a, b, c
    PerGear<std::array<long double, 2>> LoadPairDE;  // per gear: d, e
    std::array<std::int32_t, 6> LoadInt{};           // integers 1..5

    // ---- GearPairResults
    ShortString<AaFieldNameCapacity> AaFieldName;
    long double Pn = 0.0L; // normal diametral pitch 25.4 / mn, 1/in
    long double alphaRad = 0.0L;
    long double betaRad = 0.0L;
    long double alphat = 0.0L;  // transverse pressure angle, rad
    long double alphawt = 0.0L; // operating transverse pressure angle, rad
    long double invalwt = 0.0L;
    long double betab = 0.0L;    // base helix angle, rad
    long double betabAux = 0.0L; // cos^2 betab
    long double mt = 0.0L;       // transverse module
    long double zg = 0.0L;       // limiting tooth number
    long double zgPract = 0.0L;  // practical limiting tooth number
    long double xSum = 0.0L;
    long double ad = 0.0L;  // reference centre distance
    long double pn = 0.0L;  // normal pitch
    long double pt = 0.0L;  // transverse pitch
    long double ptb = 0.0L; // transverse base pitch
    long double pet = 0.0L;
    long double pen = 0.0L;    // normal base pitch
    long double galpha = 0.0L; // path of contact
    long double gAC = 0.0L;    // approach part
    long double gEC = 0.0L;    // recess part
    long double epsalpha = 0.0L;
    long double epsbeta = 0.0L;
    long double epsgamma = 0.0L;
    long double zetaA1 = 0.0L;
    long double zetaA2 = 0.0L;
    long double zetaE1 = 0.0L;
    long double zetaE2 = 0.0L;
    long double jtmin = 0.0L; // circumferential backlash
    long double jtmax = 0.0L;
    long double u = 0.0L; // gear ratio
    long double IntInterference = 0.0L;

    // ---- GearResults (per gear)
    PerGear<long double> d;  // pitch diameter
    PerGear<long double> db; // base diameter
    PerGear<long double> dw; // operating pitch diameter
    PerGear<long double> dfmax;
    PerGear<long double> dfmin;
    PerGear<long double> daTool; // tip diameter without reduction
    PerGear<long double> daNom;
    PerGear<long double> dToolMid;
    PerGear<long double> dFa;
    PerGear<long double> dFaK;
    PerGear<long double> dNa;
    PerGear<long double> dNf;
    PerGear<long double> dFf;
    PerGear<long double> xmin; // least shift without undercut
    PerGear<long double> zn;   // virtual tooth number
    PerGear<long double> dn;   // virtual diameter
    PerGear<long double> sn;
    PerGear<long double> snMax;
    PerGear<long double> snMin;
    PerGear<long double> st;
    PerGear<long double> stMax;
    PerGear<long double> stMin;
    PerGear<long double> stw;
    PerGear<long double> en;
    PerGear<long double> et;
    PerGear<long double> sat;
    PerGear<long double> san;
    PerGear<long double> satMax;
    PerGear<long double> satMin;
    PerGear<long double> sanMax;
    PerGear<long double> samin;
    PerGear<long double> saK;
    PerGear<long double> alphaat;  // tip pressure angle, rad
    PerGear<long double> h;        // tooth depth
    PerGear<long double> epsa;     // partial contact ratio
    PerGear<long double> stwAngle; // angular tooth thickness at dw, rad
    PerGear<long double> Tsn;      // tooth-thickness tolerance
    PerGear<long double> xEmax;
    PerGear<long double> xEmin;
    PerGear<long double> xEmaxV;
    PerGear<long double> xEminV;
    PerGear<ShortString<TolZoneCapacity>> TolZone; // 8

    // ---- GearMeasureResults (per gear)
    PerGear<long double> Wtheo, Wmax, Wmin, WmaxV, WminV;
    PerGear<long double> MdKtheo, MdKmax, MdKmin, MdKmaxV, MdKminV;
    PerGear<long double> MdRtheo, MdRmax, MdRmin, MdRmaxV, MdRminV;

    // ---- GearTolerances (per gear, micrometres)
    PerGear<long double> ffalpha, fHalpha, Falpha, ffbeta, fHbeta, Fbeta, fp, fu, Fp, Fr, Fi2, fi2,
        Fis, fis, Rs;

    // ---- ShiftDiameters
    PerGear<long double> snx, dfx, dwx, dax;
    long double jtShiftAvg = 0.0L;
    long double jtShiftMin = 0.0L;
    long double jtShiftMax = 0.0L;

    // ---- DrawingSettings
    bool DrawRootCurve = false;
    std::uint8_t InvolutePolyline = 0;
    std::int32_t InvolutePoints = 0;   // 0 means 20
    std::int32_t RingGearShapes = 0;   // 0 means 200
    std::int32_t GearShapes = 0;       // 0 means 30
    std::int32_t FilletResolution = 0; // 2..200
    PerGear<long double> xee;          // mean generating shift, finished
    PerGear<long double> xeh;          // mean generating shift, premachined
    long double aDraw = 0.0L;          // centre distance used by the drawings
    std::uint16_t DrawDiameters = 0;   // 1 no, 2 yes
    long double RotationAngle = 0.0L;  // deg
    std::int32_t Planets = 0;
    std::int32_t PlanetCount = 0;
    std::uint16_t SelectedGear = 0;

    bool operator==(const TGearData&) const = default;
};

// The gear data of the running program.
extern TGearData GearData;

// True when gear 1 is the fixed companion the dimensions dialog writes beside the designed gear
// (6 teeth, profile shift 0.5, tip by addendum reduction, reduction 0) and no mating gear of the
// user's. Told by the values every calculation keeps: the dialog's tip diameter 0 becomes the full
// tip diameter and its centre distance 0 the centre distance of the shifts, so a job reads the
// same after any number of calculations and after saving. A gear 1 given with exactly these values
// counts as the companion.
bool IsFixedCompanion(const TGearData& g);

// Unit initialisations, run once at program start in this order (no reset at run time).
void InitDrawingTexts(); // empties the three drawing texts of both gears
void ResetLoadData();    // LoadData defaults, load spectrum, CalcSettings 0
void InitGearData();     // ResetGearData, then the start-up example pair
void ResetGearData();    // results and per-gear arrays 0, then the per-gear defaults

// Runs the three start-up initialisations again (program start, tests).
void InitGearDataUnit();
