// Meshing step of the calculation: addendum reduction and tip clearance, tooth thicknesses and
// space widths, tip thicknesses, tip and root form diameters, usable diameters with the tip
// collision check, path of contact, contact ratios, gear ratio, specific sliding and the
// interference value of an internal pair. Reads and writes GearData.
#pragma once

// The whole step (fifth of the calculation sequence).
void CalcUnit2();

// Tip form diameter of gear i (1 or 2) cut by a chamfered tool at the generating shift xE: the
// diameter where the involute of the main flank meets the involute cut by the chamfer flank.
// Writes saK[i], the tooth thickness at that diameter. Returns da[i] (with a message) when the
// two do not meet between the base and the tip circle. (CalcUnit2 then keeps in saK[i] the
// chamfered tip thickness at da for the nominal shift.)
long double FormDiameterTool(int i, long double xE);

// Specific sliding at the two ends of the path of contact (zetaA1, zetaA2, zetaE1, zetaE2).
void SpecificSliding();

// Interference value of an internal pair; negative when the tips interfere.
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
long double RootFormDiameterAt(int i, long double xE);
