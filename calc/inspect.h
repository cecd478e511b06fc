// Inspection dimensions (span measurement, dimension over balls and over pins at the five
// generating shifts) and the accuracy tolerances of DIN 3961 or ISO 1328. Reads and writes
// GearData; tolerances in micrometres, dimensions in mm.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "calc/geardata.h"

// The whole step (sixth of the calculation sequence).
void CalcTolerances();

// Span measurement over k[i] teeth of gear i (1 or 2) at the generating shift xE; proposes
// k[i] when it is 0. Negative for an internal gear.
long double SpanMeasure(int i, long double xE);

// Dimension over two balls of diameter DM[i] of gear i at the generating shift xE.
long double BallMeasure(int i, long double xE);

// Why inspection dimensions of a gear have no solution, as found by the last CalcTolerances
// (bits of MeasureFaults): such a dimension holds NaN and is printed as no number. A contact is
// checked against the root and tip form diameters of the dimension's own generating shift.
enum MeasureFault : unsigned {
    BallCannotSeat = 1, // the ball would touch the flanks at or below the base circle
    BallBelowForm = 2,  // the ball touches below the root form diameter (in the fillet)
    BallAboveForm = 4,  // the ball touches above the tip form diameter
    SpanBelowForm = 8,  // the span's anvils touch below the root form diameter
    SpanAboveForm = 16, // the span's anvils touch above the tip form diameter
    NoBall = 32,        // no ball given and no usual ball to choose (DmMess 0): no ball dimension
};
unsigned MeasureFaults(int i);
// The ball diameter of gear i as listings and tables give it: DM[i], or NaN (no number) where the
// last calculation had no ball (NoBall: none given and no usual one).
long double ShownBallDiameter(int i);
// Forgets the faults of the last calculation (CalculateGears starts with it, so a calculation
// that stops before its inspection step leaves none behind).
void ClearMeasureFaults();
// One of the fifteen inspection dimensions of GearData (Wtheo ... MdRminV).
bool IsMeasureResult(const TGearData& g, const PerGear<long double>& field);

// A ball of diameter DM in the spaces of gear i, judged by the last calculation's results at every
// generating shift a dimension over balls is given for (the premachining and finishing limits and
// the nominal shift) against the usable flank of that shift, from the root form to the tip form
// diameter, as CalcTolerances judges DM[i] but without its margin: a ball that fits draws none of
// the calculation's ball messages. Raises no message itself.
class TBallGauge {
public:
    explicit TBallGauge(int i);
    // The ball stands above the tip circle (its dimension over balls beyond the tip the tool
    // leaves, inside it on a ring gear) and touches no lower than the root form diameter, at
    // every shift.
    bool HighEnough(long double DM) const { return Judge(DM, true); }
    // The ball touches no higher than the tip form diameter, at every shift.
    bool LowEnough(long double DM) const { return Judge(DM, false); }
    bool Fits(long double DM) const { return DM > 0 && HighEnough(DM) && LowEnough(DM); }
    // The ball finds a seat between the flanks at every shift (an external gear's smaller balls
    // fall through, a ring gear's larger ones find none); one that does not is neither high nor
    // low enough.
    bool Seats(long double DM) const;
    // A ball larger than this has its centre far above any tooth (or finds no seat).
    long double Largest() const;

private:
    struct Shift {
        long double xE, dFf, dFa; // form diameters signed like the gear's
    };
    bool Judge(long double DM, bool high) const;
    int i_;
    long double tip_; // the tip circle the tool leaves
    std::vector<Shift> shifts_;
};

// The ball diameter proposed for gear i, by the measurement dialog and by the calculation where it
// chooses the ball itself (DM 0, or MeasureMode 1), judged by TBallGauge from the results of the
// meshing step: the usual ball (touching near d + 2 xEmin mn, on the usual grid) when it fits; otherwise the ball nearest to it that fits,
// on the coarsest grid (0.1, 0.01, 0.001 mm or 0.001, 0.0001 in) that has one. Fits is false
// when no ball fits; DM is then the nearest that stands above the tip circle and touches above
// dFf (or the usual ball when none does), and Seats says whether it finds a seat at every shift.
struct TBallProposal {
    long double DM = 0;
    bool Fits = false;
    bool Seats = false;
};
TBallProposal ProposeBallDiameter(int i);

// The span over k teeth of gear i (k spaces of a ring gear), judged by the last calculation's
// results at the five generating shifts a span is given for (premachining lower and upper limit,
// nominal shift, finishing lower and upper limit) against the usable flank of that shift, from
// the root form to the tip form diameter (a finished flank's up into the tip the premachining
// cut: TipFormDiameterAt with the premachining shift of the same limit). CalcTolerances judges
// every span and ball it gives by it, so a k that fits draws no span message. The form diameters
// are searched for only where a contact comes near them. Raises no message itself.
class TSpanGauge {
public:
    static constexpr int ShiftCount = 5;
    explicit TSpanGauge(int i);
    ~TSpanGauge();
    TSpanGauge(const TSpanGauge&) = delete;
    TSpanGauge& operator=(const TSpanGauge&) = delete;

    // The shift of the n-th dimension's involute; Distinct(n) = Distinct(m) where the two
    // dimensions have one flank (without allowances several coincide).
    long double Shift(int n) const;
    int Distinct(int n) const;
    // The span over |k| teeth (spaces) at the n-th shift (negative on a ring gear).
    long double Span(std::int32_t k, int n) const;
    // Where a contact at the diameter c (positive) lies on the flank of the n-th shift: 0 on the
    // usable flank, else how far (mm on the diameter) beyond the tip form diameter (positive) or
    // the root form diameter (negative).
    long double Outside(long double c, int n);
    // The same for the anvils of the span W measured at the n-th shift (they touch both flanks
    // at one diameter); a span that is no span (W of the wrong sign) lies below the root form.
    long double SpanOutside(long double W, int n);
    // SpanBelowForm and SpanAboveForm of the span over k teeth at every shift: 0 when it fits.
    unsigned Faults(std::int32_t k);
    bool Fits(std::int32_t k) { return Faults(k) == 0; }
    // The k (signed like z) whose span touches the usable flank at every shift, the nearest to
    // usual where several do (the middle of them for usual 0); where none does (fits false), the
    // k that misses it least.
    std::int32_t Nearest(std::int32_t usual, bool& fits);

private:
    struct Flanks;
    int i_;
    std::unique_ptr<Flanks> flanks_;
};

// Dimension over pins derived from the dimension over balls M (differs for an odd helical gear).
long double BallDimOddTeeth(int i, long double M);

// Tolerance value rounded to 0.1 below 5, to 0.5 from 5 up to 10, to 1 above 10 (nearest,
// halves to even).
long double RoundTolValue(long double x);

// The two tolerance systems on their own (called by CalcTolerances by QualityStandard).
void IsoTolerances(int i);
void DinTolerances(int i);
