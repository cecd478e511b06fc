#pragma once
// Tooth-form geometry shared by the tooth drawings: where the drawn involute starts, and the
// points of the involute flank. Gear-fixed frame: gear centre at the origin, the tooth
// symmetric about the +y axis (internal gears, with negative z and diameters, about -y).
// Lengths mm, angles radians. Reads GearData only.

#include "framework/core/maths.h"

// A point of the right flank and the half tooth angle there (from the tooth axis).
struct TFlankPoint {
    Extended x = 0;
    Extended y = 0;
    Extended psi = 0;
};

// The form circles of the contour the tooth views draw (the involute of the shift xee, its root
// and fillet cut at RoughShift), so that the circles meet the outline also where the tooth
// thickness has a tolerance; signed like the gear's diameters. dFf: where the involute begins
// above the fillet; dFa: where it ends below the tip.
Extended RootFormDiameter(int i);
Extended TipFormDiameter(int i);
// The shift of the tool that cuts the drawn root: the mean premachining shift of a premachined
// gear, else xee.
Extended RoughShift(int i);
// An external gear whose involute reaches down to the base circle (dFf = db).
bool BaseCircleAboveRootForm(int i);
// The right-flank point at diameter dy for the thickness snx. dy = 0 adds "Fatal  : d = 0 !"
// and gives the zero point.
TFlankPoint InvolutePoint(int i, Extended dy);
// The same for the mean generating shift with the machining allowance (pre-machined flank).
TFlankPoint InvolutePointXe(int i, Extended dy);
using TFlankFunc = TFlankPoint (*)(int, Extended);

// A constant false for callers that need one.
bool AlwaysZero();
