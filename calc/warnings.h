// The last steps of the calculation sequence before the mean values: the auxiliary value of a
// protuberance tool for the fillet drawing, and the plausibility checks of both gears and the
// pair (which also fill in zero load values). Reads and writes GearData.
#pragma once

#include <string>

#include "calc/geardata.h"

// ToolAux[i] of a protuberance tool: the radial distance, below the pitch circle, of the point
// where the involute cut by the main flank begins above the protuberance relief, for the mean
// premachining shift; d - 2 ToolAux is that diameter (the root form diameter of that shift). 0 for
// a tool without protuberance.
void ToolAuxValues();

// Plausibility messages of both gears and the pair; LoadGearValue1, LoadGearValue2 and MatRho
// get their defaults where they are 0.
void CalcWarnings();

// Whether the message list holds `text` whole (36 characters).
bool FitsMessageList(const std::string& text);
// A length in a message: in the unit of the sheets (mm, or inch with one more decimal where
// UnitSystem is 1) and with that unit: "52.857 mm", "2.0810 in".
std::string MessageLength(long double mm, int decimals);
// An angle (degrees) in a message, with the decimals it has (up to four) and its unit.
std::string MessageAngle(long double degrees);

// The input check's warnings on a tool of gear i that cannot exist, each with the limit it
// passes (factors of mn, degrees): a tooth pointed below its tip line (an addendum too high for
// any tip), else a tip radius beyond the largest that fits the rack tooth, or on a ring gear the
// bottom of the gap at both tolerance limits (its two fillets would meet short of the root
// circle), a chamfer corner above the tool root line, a root radius that does not fit between
// the flank and the middle of the tool space (the profile would cross itself), a chamfer angle
// below the pressure angle. Reads the tool factors and alpha of GearData (a ring gear's geometry
// and shifts as the calculation left them).
void ToolProfileWarnings(int i);
// The largest tip radius factor up to rhoMn whose fillets fit the gap of the ring gear i at both
// limits of its tooth-thickness tolerance (the input check warns "Warning: gap rhoaP0 <= limit mn
// !" above it), from the geometry and shifts of the last calculation in GearData; rhoMn where it
// fits, and where no radius does (the flanks meet before the root circle).
long double RingGapTipRadiusMax(const TGearData& g, int i, long double rhoMn);
// The flanks of the ring gear i meet before its root circle at a limit of its tooth thickness:
// its gap closes whatever the tool's tip radius (the input check then warns "Warning: no rhoaP0
// opens the gap !" for a radius other than 0, and names no limit).
bool RingGapClosedForEveryTipRadius(const TGearData& g, int i);
// The tool addendum factor haP0/mn at which the flanks of a basic rack of pressure angle alpha
// (radians) with the protuberance prP0/mn meet: from there up the tool's tooth is pointed and no
// tip radius fits (the input check then warns "Warning: haP0 > limit mn: pointed !").
long double ToolPointedAddendum(long double alpha, long double prP0mn);
// That limit as every message gives it: the largest three-decimal value below it, so that
// "haP0 > limit" holds for every addendum the warning is given for.
std::string ToolPointedAddendumText(long double alpha, long double prP0mn);
// The input check's warning on such a tool: "Warning: haP0 > limit mn: pointed !".
std::string ToolPointedWarning(long double alpha, long double prP0mn);
// The largest root radius factor rhofP0/mn the tool of gear i in g takes without that warning
// (0 or less: none).
long double ToolRootRadiusMax(const TGearData& g, int i);

// The final checks of both gears after the calculation sequence: every condition under which a
// result cannot exist. A tip circle beyond the tool's reach (kmn < 0) or without involute below
// it (TipWithoutInvolute); then, of the tip the tool leaves (CutTipDiameter): a tip that runs
// into the mating root (negative tip clearance), the tip of one gear reaching past the
// interference point of the other ("Error  : tooth collision da2 !") or the tips of an internal
// pair interfering; contact that starts below the root form
// diameter (dNf beyond dFf), a pointed tooth (a tip thickness at or below 0, nominal or at either
// limit, transverse or normal), a flank whose root form circle lies above its tip form circle at
// either limit, each limit's own ("Error  : dFf > dFa (i) !"), a ring gear's gap whose sides
// (fillets included) meet short of its root circle ("Error  : gap closes d=D mm (i)", D where they
// meet, in the unit of the sheets: GapClosingDiameter), a transverse contact ratio below 1, and
// inspection dimensions without solution (MeasureFaults). Errors only; reads GearData. Beside the
// fixed companion of the dimensions dialog (IsFixedCompanion) only the designed gear's own tip,
// tip thickness and inspection dimensions are judged; otherwise gear 1's tolerance limits too
// (ShiftLimitsCrossed, "Error  : xemin>xemax (1)").
void CheckSoundness();
// The lower limit of gear i's tooth thickness above its upper limit, finished or premachined
// (xEmin > xEmax or xEminV > xEmaxV).
bool ShiftLimitsCrossed(const TGearData& g, int i);
// Any of gear i's tip thicknesses (TipThicknesses) at or below 0: nominal (with the chamfer too),
// at either limit, transverse or normal. The premachined tooth of a limit is no thinner than the
// finished one (the quality dialog takes no negative allowance), and the chamfer it cuts is in
// the finished limits' thicknesses. A tip inside the base circle has none (NaN: "db > da" says
// why).
bool PointedTooth(const TGearData& g, int i);
