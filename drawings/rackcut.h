#pragma once
// The tooth of gear i as its cutting tool leaves it: one flank of the tooth on the tooth axis,
// from the middle of the gap beside it to the tip circle. On an external gear this is the
// boundary of the gap cut by the basic rack rolled over the pitch circle (root circle, fillet of
// the tool tip, protuberance relief, undercut, involute, tip chamfer, tip rounding by the tool
// root radius), worked out in the transverse section. An internal gear, cut by a pinion-type
// tool, gets its involute flank, a fillet of the tool tip radius tangent to the flank and the
// root circle, the root arc, and where a chamfered tool cuts its tip, the chamfer's involute.
// Reads GearData for the shift pair set by DiametersForShift.
// Frame of the tooth drawings: gear centre at the origin, the tooth about +y (internal gears,
// with negative z and diameters, about -y); lengths mm, angles radians.

#include <vector>

#include "drawings/toothgeom.h"
#include "framework/core/maths.h"

// The part of the tooth a segment belongs to.
enum class TCutPart { Root, Fillet, Protuberance, Flank, Chamfer, TipRounding };

struct TCutVertex {
    Extended x = 0;
    Extended y = 0;
    Extended angle = 0; // included angle of the segment to the next vertex (+ counterclockwise)
    TCutPart part = TCutPart::Flank; // the part of that segment
};

// The right flank (x >= 0) of the tooth on the axis, from the middle of the gap on its right
// (on the root circle: the first segment is the root arc) to the end of the flank on the tip
// circle (or the tooth's point on the axis). flankPoints vertices lie on the involute flank,
// filletPoints on the fillet, fewer on the short parts (at least 3 each).
std::vector<TCutVertex> CutToothHalf(int i, int flankPoints, int filletPoints);

// The same with the flank from a given flank function: the pre-machined flank of an internal
// gear (dy signed like the gear's diameters).
std::vector<TCutVertex> InternalToothHalf(int i, TFlankFunc flank, int flankPoints);
