#pragma once
// Labelled arcs and circles marking the characteristic diameters of a gear: the diameter arcs
// of block "DTEIL", the labelled circles of the gear views and the limited arcs of the tooth
// contact drawing. Angles are degrees; internal gears pass negative diameters and spans.

#include <string_view>

#include "framework/core/maths.h"

// Arc of diameter D over +-w about the direction theta from (xc, yc), labelled inside or
// outside near one end. A negative D draws about theta + 180 degrees.
void DrawAngleArc(std::string_view text, bool inside, Extended xc, Extended yc, Extended w,
                  Extended D, Extended theta);
// The same with the span cut where the circle meets the line y = yLimit.
void DrawLimitedAngleArc(std::string_view text, bool inside, Extended xc, Extended yc, Extended w,
                         Extended D, Extended theta, Extended yLimit);
// Circle of diameter |D| and its label at the current CAD point (a has no effect; S sizes the
// label).
void DrawLabelledCircle(std::string_view text, Extended xc, Extended yc, Extended a, Extended D,
                        Extended S);
// The content of "DTEIL": arcs of d, db, df, da, dFf (and dFa) of gear i over 1.5 pitches,
// only those whose radius lies in rMin..rMax. A label that would lie on another label or arc
// goes inside its arc, or its arc is drawn longer (up to three times) until the label is clear.
void DrawDiameterArcs(int i, Extended theta, Extended xc, Extended yc, Extended rMin = 0,
                      Extended rMax = 1e30L);
// Every diameter circle of gear i about (x0, y0) with a label column.
void DrawDiameterCircles(int i, Extended x0, Extended y0);
