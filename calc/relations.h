// The relations every result of a calculation keeps, written down in one place, and their check.
// The calculation never runs it (it costs a form-circle search per shift): the tests and
// gearcalc do, after CalculateGears.
#pragma once

#include <string>
#include <vector>

// The relations of GearData's results that do not hold, each named as in its table (with the
// gear, "dFf <= dNf (1)"), leaving out those whose message (the error that says why the pair
// cannot keep it) is in the list. Signed diameters grow towards the tip on either kind of gear:
// for a ring gear (negative diameters) "dNa <= dFa" means |dNa| >= |dFa|; every involute point
// lies outside the base circle (|db| <= |D|).
//
// Per gear: db <= dNf; dFf <= dNf (or "dNf < dFf"); db <= dFf and df <= dFf; dNa <= dFa <= da and
// dFaK <= da; db < dFa and db < dFaK (or "db > da", "no involute"); dFf <= dFa; the usable tip
// not beyond the
// mating external gear's interference point; galpha the roll length on the flank from dNf to dNa; a
// tip thickness empty only with "db > da"; an external tooth not yet pointed at dFa and dFaK, a
// ring gear's gap still open at dFf and at its root circle (or "gap closes"); at each of the
// five generating shifts (nominal, both limits, both premachining limits) the root form circle
// outside the base circle, the tip form circle inside the tip, and the tooth or gap between them
// not closed; the span, ball and pin dimensions at the five shifts ordered as the shifts are
// (signed: a ring gear's shrink in size as the shift grows), and where they touch the flank
// (the span's anvils, the ball) between the root and tip form circles of the dimension's shift
// (or "span contact ..." / the ball's messages); the premachining shifts not below the finished
// ones; a chamfered tip no thicker than the involute's at the same tip and limit, and thinner
// where the chamfer starts below that tip; a ball the calculation chose itself (MeasureMode 1)
// that fits wherever a ball of a fine scale does (TBallGauge). Per pair: eps.alpha = galpha / pet
// and gAC + gEC = galpha; jtmin <= jtmax (or the limits crossed: "xemin>xemax", "Aae < Aai");
// galpha, eps.alpha, eps.gamma, gAC, gEC, dNf and the specific sliding empty together, and only
// with "db > da" or "no involute" of a gear whose tip no involute reaches.
//
// The verdicts of the final checks, each given exactly where what it judges holds: per gear
// "pointed tooth" where a tip thickness (sat, san, saK, satMax, sanMax, satMin, samin) is at or
// below 0, "kmn < 0", the span messages where a span is empty, the ball messages where a ball or
// pin dimension is, "xemin>xemax" where xEmin > xEmax or xEminV > xEmaxV, and beside a mating
// gear "clearance sh.add. < 0" where the tip the tool leaves runs into the mating root,
// "tooth collision" where it reaches past an external mate's interference point, "dNf < dFf";
// per pair "ratio eps.alpha < 1", "meshing interference" where an internal pair's interference
// value is below 0, "jtmin < 0". Within 1e-9 mn of a check's limit either verdict is right; a
// full message list excuses a verdict it left out.
// Beside the dimensions dialog's fixed companion only gear 2's own relations (and not its dNf,
// which the companion's tip sets).
std::vector<std::string> BrokenRelations();
