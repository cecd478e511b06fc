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

// dFf of the tooth drawing: the larger of db and dfx + 2 rhoaP0 (1 - sin alpha) on an external
// gear, always the latter on an internal gear.
Extended RootFormDiameter(int i);
// db >= dfx + 2 rhoaP0 (1 - sin alpha) on an external gear: the involute reaches the base circle.
bool BaseCircleAboveRootForm(int i);
// The right-flank point at diameter dy for the thickness snx. dy = 0 adds "Fatal  : d = 0 !"
// and gives the zero point.
TFlankPoint InvolutePoint(int i, Extended dy);
// The same for the mean generating shift with the machining allowance (pre-machined flank).
TFlankPoint InvolutePointXe(int i, Extended dy);
// A constant false for callers that need one.
bool AlwaysZero();
