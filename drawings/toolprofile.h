#pragma once
// The basic-rack profile of the gear-cutting tool of gear i (content of block "WERKZS" + i):
// one tool tooth and the half spaces beside it. Block frame: origin at the pitch point, x along
// the pitch line, y away from the gear centre; the tool tip line lies on the root circle of the
// shift pair set by DiametersForShift.

// transverse: x stretched by 1/cos beta (transverse section of a helical gear), arcs then drawn
// as elliptic polylines. withTexts 1: centre line, datum line and the tool's data texts.
void DrawToolProfile(int i, bool transverse, int withTexts);
