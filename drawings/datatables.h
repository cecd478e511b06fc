#pragma once
// The data tables of the gear drawings: gear data in three sizes (the ruled block of the
// "Table Gear data" element, the data-and-measurement table, the gear data list), the
// measurement tables, the accuracy tolerances, the basic rack of the tool, the roll angles and
// the message list. Each draws through the CAD primitives (and the drawing-table writer,
// cad/drawing_table.h) into whatever output or block the caller has opened; values come from
// GearData for gear i (1 or 2), diameters of internal gears shown without their sign.

#include <cstdint>
#include <string>

#include "framework/core/maths.h"

// "Spur Gear" or "Helical Gear", ", ", "extern. toothed" or "intern. toothed".
std::string GearKindText(int i);
// "     -" for a spur gear, else "right-hand" / "left-hand" by ToothAlignment (else " ").
std::string ToothAlignmentText(int i);
// The quality grade, a blank and the name of the quality standard.
std::string QualityText(int i);

// The max. and min. limits of one inspection dimension of gear i, premachined (V) and finished,
// as a machinist reads them: a ring gear's (calculated with the sign of its diameters) without
// sign, the larger in the max. row; a limit without solution (NaN) leaves its column's two
// rows without one. An external gear's stand as calculated.
struct TInspectionLimits {
    Extended maxV, max, minV, min;
};
TInspectionLimits PinLimits(int i);  // MdR
TInspectionLimits BallLimits(int i); // MdK
TInspectionLimits SpanLimits(int i); // W
// A nominal inspection dimension (or the ball diameter) as the tables show it: a ring gear's
// without sign.
Extended InspectionSize(int i, Extended v);
// The row of the teeth (a ring gear: spaces) spanned: its text, and the count right-aligned.
std::string SpannedText(int i);
std::string SpannedCount(int i);

// The ruled data block, 120 x 140 with its lower left corner at the origin.
void TableDrawingData(int i);
// Pins, balls and span with premachined and finished columns, top left at (0, 100). Nothing
// while CalcErrorFlag is set.
void TableMeasurementItem(int i);
// Gear data and one kind of measurement (1 balls, 2 pins, 3 span, 4 all three) at (0, 150).
void TableDataMeasurement(int i, std::uint16_t kind);
// kind 2: the full list; other values: the short list. (x, y) top left, h text height.
void TableGearData(int kind, int i, Extended x, Extended y, Extended h);
// Balls and span, premachined and finished.
void TableMeasurement(int i, Extended x, Extended y, Extended h);
// Balls and span, finished values only.
void TableMeasurementShort(int i, Extended x, Extended y, Extended h);
// The accuracy tolerances of the quality standard in use (mm): 14 rows ISO 1328, 10 DIN 3961.
void TableGearTolerances(int i, Extended x, Extended y, Extended h);
// Its number of data rows (without the header).
int GearToleranceRowCount();
// The basic rack of the cutting tool of gear i.
void TableBasicRack(int i, Extended x, Extended y, Extended h);
// The calculation's message list.
void TableErrorMessages(Extended x, Extended y, Extended h);
// Roll angles at da, dFa, dNa, d and dNf.
void TableRollAngle(int i, Extended x, Extended y, Extended h);
