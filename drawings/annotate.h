#pragma once
// Labelled arcs and circles marking the characteristic diameters of a gear: the diameter arcs
// of block "DTEIL", the labelled circles of the gear views and the limited arcs of the tooth
// contact drawing. Angles are degrees; internal gears pass negative diameters and spans.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cad/cadbounds.h"
#include "framework/core/maths.h"

class TCadTrace;

// The box a label covers: its insertion point and its edges along the baseline (u) and up (v);
// a box that is no text (a point's mark) is kept clear of without a margin.
struct TLabelBox {
    Extended x = 0, y = 0, ux = 0, uy = 0, vx = 0, vy = 0;
    bool text = true;
};
// A text of height h and character width cw written at (x, y) turned by angleDeg.
TLabelBox TextBox(std::string_view text, Extended x, Extended y, Extended angleDeg, Extended h,
                  Extended cw);
// True when the two boxes overlap (touching does not count).
bool LabelsOverlap(const TLabelBox& a, const TLabelBox& b);
// How many boxes of taken and lines of the trace lines (when given) the box meets, a text
// with a margin of a sixth of its height; LabelClear: none.
int LabelConflicts(const TLabelBox& box, const std::vector<TLabelBox>& taken,
                   const TCadTrace* lines = nullptr);
bool LabelClear(const TLabelBox& box, const std::vector<TLabelBox>& taken,
                const TCadTrace* lines = nullptr);

// Arc of diameter D over +-w about the direction theta from (xc, yc), labelled inside or
// outside near one end. A negative D draws about theta + 180 degrees.
void DrawAngleArc(std::string_view text, bool inside, Extended xc, Extended yc, Extended w,
                  Extended D, Extended theta);
// The same with the span cut where the circle meets the line y = yLimit.
void DrawLimitedAngleArc(std::string_view text, bool inside, Extended xc, Extended yc, Extended w,
                         Extended D, Extended theta, Extended yLimit);
// One diameter arc of a view that is cut where it meets the line y = yLimit, as
// DrawLimitedAngleArc draws it, in its colour.
struct TLimitedArc {
    std::string text;
    std::int32_t colour = 0;
    bool inside = false;
    Extended xc = 0, yc = 0, w = 0, D = 0, theta = 0, yLimit = 0;
};
// The arcs of one view, each label clear of the labels in taken, of each other (taken
// receives them) and of the lines of the trace of what the view draws (when given; trace the
// arcs themselves into it first with DrawLimitedArcLines): a label that would lie on another
// or on a line moves along its arc towards the arc's middle, to the other end, or inside the
// arc; where every place meets one, it takes the place that meets fewest.
void DrawLimitedAngleArcs(const std::vector<TLimitedArc>& arcs, std::vector<TLabelBox>& taken,
                          const TCadTrace* lines = nullptr);
// Those arcs without their labels.
void DrawLimitedArcLines(const std::vector<TLimitedArc>& arcs);
// Circle of diameter |D| and its label at the current CAD point (a has no effect; S sizes the
// label).
void DrawLabelledCircle(std::string_view text, Extended xc, Extended yc, Extended a, Extended D,
                        Extended S);
// A window of a view: what lies wholly outside it is left out.
struct TViewWindow {
    Extended XMin = -1e30L, YMin = -1e30L, XMax = 1e30L, YMax = 1e30L;
};
// The content of "DTEIL": arcs of d, db, df, da, dFf (and dFa) of gear i over 1.5 pitches,
// only those whose radius lies in rMin..rMax and that pass through the window. A label that
// would lie on another label or arc (or on a line of the view's trace, when given) goes inside
// its arc, or its arc is drawn longer (up to three times) until the label is clear.
void DrawDiameterArcs(int i, Extended theta, Extended xc, Extended yc, Extended rMin = 0,
                      Extended rMax = 1e30L, const TViewWindow& window = {},
                      const TCadTrace* lines = nullptr);
// Every diameter circle of gear i about (x0, y0) with a label column, whose first line starts
// up and left of the centre (inside the root circle of an external gear), or at (columnX,
// columnY).
void DrawDiameterCircles(int i, Extended x0, Extended y0);
void DrawDiameterCircles(int i, Extended x0, Extended y0, Extended columnX, Extended columnY);
// The box of that label column of gear i with its first line at (x, y).
TCadBox DiameterColumn(int i, Extended x, Extended y);
