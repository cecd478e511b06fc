// Meshing step of the calculation: addendum reduction and tip clearance, tooth thicknesses and
// space widths, tip thicknesses, tip and root form diameters, usable diameters with the tip
// collision check, path of contact, contact ratios, gear ratio, specific sliding and the
// interference value of an internal pair. Reads and writes GearData.
#pragma once

#include <array>

#include "calc/geardata.h"

// The whole step (fifth of the calculation sequence).
void CalcUnit2();

// Functions of the pair's angles that every shift's form diameters and dimensions need, taken
// again only when alphaRad, alphat or betab change.
struct TPairAngles {
    long double alpha = -1, alphat = -1, betab = -1; // the angles they were taken for
    long double sinAlpha = 0, cosAlpha = 1, tanAlpha = 0, invAlpha = 0, invAt = 0, cosBetab = 1;
};
const TPairAngles& PairAngles(const TGearData& g);

// Tip form diameter of gear i (1 or 2) cut by a chamfered tool at the generating shift xE: the
// diameter where the involute of the main flank meets the involute cut by the chamfer flank, or
// lower where the tool root radius above the chamfer cuts into it. Writes saK[i], the tooth
// thickness at the chamfer crossing. Returns da[i] (with a message) when the two do not meet
// between the base and the tip circle. (CalcUnit2 then keeps in saK[i] the chamfered tip
// thickness at da for the nominal shift.)
long double FormDiameterTool(int i, long double xE);
// The half angle (radians, from the tooth axis, signed as the involute flank's) of the tooth of
// gear i at the diameter y (signed like the gear's diameters) on the flank that the chamfer of
// its tool cuts at the generating shift xK: the involute of the chamfer angle.
long double ChamferFlankHalfAngle(int i, long double y, long double xK);

// Specific sliding at the two ends of the path of contact (zetaA1, zetaA2, zetaE1, zetaE2); NaN
// where there is no path (galpha NaN).
void SpecificSliding();

// Interference value of an internal pair (of the tips the tool leaves); negative when the tips
// interfere.
long double TipCollision();

// ---- tool flank ends and the form diameters they generate (shared with the tool values)

// Depth below the tool datum line (towards the tool tip) where the straight main flank of the
// tool of gear i ends: the tangent point of the tip radius, or the corner with the protuberance
// flank of a protuberance tool.
long double ToolFlankEndDepth(int i);

// Height above the tool datum line (towards the tool root) where the straight main flank ends:
// the chamfer corner of a chamfered tool, else the tangent point of the tool root radius.
long double ToolFlankEndHeight(int i);

// The diameter of gear i where the line of action meets the point of the tool's main flank that
// lies `depth` below the tool datum line, for the generating shift xE. Signed like the gear's
// diameters; for an external gear never below db, for an internal gear never inside |db|.
long double LineOfActionDiameter(int i, long double depth, long double xE);

// Root form diameter of gear i generated at shift xE: where the involute begins above the fillet.
// An internal gear takes the fillet its tooth drawing puts between the flank and the root circle
// (tangent to both, of the tool tip radius): never beyond the root circle nor beyond the point
// where the sides of its gap meet (GapClosingDiameter).
long double RootFormDiameterAt(int i, long double xE);
// Where the two sides of a gap of the internal gear i meet on its middle line, fillets and a
// chamfer included: the flanks of shift xE, the root circle, its fillets (of the tool tip radius
// rho, as InternalFilletRadius places them) and the chamfer cut at xK. The flanks meet first
// where they cross before the fillet leaves them; otherwise the fillets meet where their centres
// lie past the middle of the gap. Signed like the gear's diameters (db when the gap has no width
// at the base circle); 0 where the gap stays open down to its root circle, and for an external
// gear. A gap that closes short of its root circle cannot be cut as designed: CheckSoundness
// reports "Error  : gap closes d=..." with this diameter, and the tooth drawing starts its
// contour there.
long double GapClosingDiameter(int i, long double xE, long double xK, long double rho);
// The fillet of radius rho that leaves a ring gear's flank at the radius RF, where the flank
// lies `open` radians short of the gap's middle line: the radius where it meets the other
// side's fillet on that line, or 0 where its centre does not lie past the line (the root arc
// lies between the fillets). Radii without sign; rb the base radius.
long double RingFilletMeetRadius(long double RF, long double rb, long double rho, long double open);
// Where an internal gear's fillet meets its flank: the circle of the tool tip radius rho inside
// the root circle rf, tangent to the root circle and to the flank (base radius rb) on the side of
// the gap. Radii without sign; never beyond the root circle nor inside the tip circle ra or the
// base circle; rf without a tip radius.
long double InternalFilletRadius(long double rf, long double ra, long double rb, long double rho);

// Tip form diameter of gear i generated at shift xE: where the involute ends below the tip. With
// a chamfered tool the crossing with the chamfer flank, or lower where the tool root radius above
// the chamfer cuts in (FormDiameterTool, saK[i] left as it was); with a tool root radius, where
// the tooth's tip rounding cut by that radius meets the involute (on an external gear below the
// point the end of the straight flank makes, whenever the radius cuts into the involute); da[i]
// otherwise. Never beyond da[i], beyond the tool's root
// line where the tool tops the tooth (a root radius, or kmn < 0), or beyond the point where the
// two flanks cross; never inside the base circle (db[i] when the involute ends there).
long double TipFormDiameterAt(int i, long double xE);
// The same for the involute of the shift xE on a premachined gear whose tip (chamfer, rounding,
// topping) the tool cut at the premachining shift xK: the finished involute runs up into what
// the premachining left. dFa is that of xEmax with xEmaxV, dFaK that of xEmin with xEminV.
long double TipFormDiameterAt(int i, long double xE, long double xK);
// The rounding by the tool root radius (cut at xK) alone (da[i] without one), before those limits.
long double RoundedTipFormDiameter(int i, long double xE, long double xK);
// The tip circle gear i has: da[i], or where it lies beyond the tool's reach (kmn < 0) the tool's
// root line at the upper premachining shift (daTool), to which the tool cuts it back. The tip
// thicknesses, the usable tip, the tip collisions and the tip clearance are taken at it.
long double CutTipDiameter(int i);
// The tip circle gear i has at the lower limit of its tooth thickness: CutTipDiameter, or the
// tool's root line at xEminV where that lies lower (satMin and samin are taken there).
long double LowerLimitTipDiameter(int i);
// A tip circle gear i has, at the upper or the lower limit of its tooth thickness (where the
// tool's root line lies lower), lies inside its base circle: no involute reaches it, and its tip
// thicknesses and pressure angle there (sat, san, satMax, sanMax, saK, alphaat at the tip the
// tool leaves; satMin, samin at the lower limit's) are NaN. CheckSoundness: "Error  : db > da".
bool TipInsideBaseCircle(int i);
// No involute below the tip of gear i at one of the finished gear's limits (dFa or dFaK on the
// base circle): "Error  : db > da".
bool TipWithoutInvolute(int i);
// Either gear's tip without involute: there is no path of contact, and galpha, epsalpha,
// epsgamma and what is measured along the path (gAC, gEC, dNf, the specific sliding) are NaN.
bool ContactWithoutInvolute();
// The seven tip thicknesses of gear i: sat, san, the chamfered saK, and satMax, sanMax, satMin,
// samin of the two limits (NaN at a tip inside the base circle).
std::array<long double, 7> TipThicknesses(const TGearData& g, int i);
// One of those seven or the tip pressure angle alphaat.
bool IsTipThicknessResult(const TGearData& g, const PerGear<long double>& field);

// Bounds of the form diameters of gear i at shift xE, found without the searches behind them:
// dFf lies in [rootLo, rootHi], dFa is at least tipLo (and at most da). Equal to the form
// diameters themselves where those are closed forms (and for an internal gear).
struct TFormBounds {
    long double rootLo = 0, rootHi = 0, tipLo = 0;
    bool tipExact = false;                    // tipLo is the tip form diameter itself
    bool rootKnown = false, tipKnown = false; // set by the caller: not wanted (left as they are)
};
// For the n shifts xE[0..n-1] with the tip cut at xK[0..n-1] (see TipFormDiameterAt), into
// out[0..n-1].
void FormDiameterBounds(int i, const long double* xE, const long double* xK, int n,
                        TFormBounds* out);

// The largest tip diameter the mating gear of gear i may have: beyond it its tip (CutTipDiameter)
// reaches past the interference point of gear i (where the line of action touches the base
// circle of an external gear i) and the teeth collide. For an internal gear i the mate's own tip.
long double TipLimitDiameter(int i);
