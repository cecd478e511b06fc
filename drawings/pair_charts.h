#pragma once
// The two charts of the gear pair in the production-drawing menu: "ZETA", the specific sliding
// of both gears along the path of contact with the pair's meshing data beside it, and
// "Tolerance tooth thickness", how the tooth-thickness allowances of both gears and the
// centre-distance allowances give the backlash. They draw into an output the caller has
// opened (extents 0, 0 .. 160, 120), through the chart layer (cad/charts.h).

#include "framework/core/maths.h"

// The specific-sliding chart at that place and size (drawing units): gear 1 in colour 18,
// gear 2 in colour 21, abscissa the distance from the pitch point C along the path of contact
// (A at -gAC, E at gEC). Nothing when z1 + z2 = 0.
void DrawSlidingDiagram(Extended originX, Extended originY, Extended width, Extended height);
// The "ZETA" element: the chart, the title texts and the column of meshing values.
void SlidingDiagramSheet();
// The "Tolerance tooth thickness" element. The charts stack the allowances as they enter the
// backlash, all measured along the reference circle in the normal section: their total is
// jt cos(beta) ("jt cos(b) max" and "min"), which turns into the normal backlash jn (DIN 3967)
// by the factor cos(alpha_n); the texts give both. The two charts share the scale
// 100 / BacklashMax(); a pair whose BacklashMax() is not above a small epsilon gets the title and
// the texts but no charts.
void BacklashSheet();

// The circumferential backlash limits of the pair in the normal section, jt cos(beta) (mm):
// 2 Aae tan(alpha_n) - Asni1 - Asni2 and 2 Aai tan(alpha_n) - Asne1 - Asne2.
Extended BacklashMax();
Extended BacklashMin();
// The normal backlash limits jn = jt cos(beta) cos(alpha_n) (mm).
Extended NormalBacklashMax();
Extended NormalBacklashMin();
// The smallest BacklashMax() the backlash charts are drawn for (mm).
constexpr Extended BacklashChartEpsilon = 1e-6L;
