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

// dFf of the drawings: the calculation's root form diameter dFf[i], where the involute begins
// above the fillet (signed like the gear's diameters).
Extended RootFormDiameter(int i);
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
