#pragma once
// The basic-rack profile of the gear-cutting tool of gear i (content of block "WERKZS" + i):
// one tool tooth and the half spaces beside it. Block frame: origin at the pitch point, x along
// the pitch line, y away from the gear centre; the tool tip line lies on the root circle of the
// shift pair set by DiametersForShift.

#include "framework/core/maths.h"

struct TToolPoint {
    Extended x = 0;
    Extended y = 0;
};

// The right half (x >= 0) of the tool tooth in the normal section, block frame. Going up from
// the tip: tip line to (Ca.x, tipY), tip radius about Ca to P, protuberance flank P to Q, main
// flank Q to K, chamfer K to E (root radius) or to (xC, rootY), root radius about Cf from E to
// (Cf.x, rootY), root line to the middle of the space at x = spaceMid. Without protuberance
// Q = P, without chamfer K lies on the main flank at the foot of the root radius (or at xC).
struct TToolShape {
    Extended tipY = 0, datumY = 0, rootY = 0, spaceMid = 0;
    TToolPoint Ca, P, Q, K, Cf, E;
    Extended rhoA = 0, rhoF = 0, xC = 0;
    Extended alpha = 0, alpr = 0, gamma = 0; // main flank, protuberance and root-side flank angles
    bool protuberance = false, chamfer = false, rootRadius = false;
};
TToolShape ToolShape(int i);

// transverse: x stretched by 1/cos beta (transverse section of a helical gear), arcs then drawn
// as elliptic polylines. withTexts 1: centre line, datum line and the tool's data texts.
void DrawToolProfile(int i, bool transverse, int withTexts);
// The right end of the texts beside the tool that DrawToolProfile writes with withTexts 1 (its
// data, and its name where that goes under them), a tenth of the module added.
Extended ToolTextsRight(int i);
