// The calculation entry of a gear pair held in GearData.
#pragma once

#include <string>

#include "calc/geardata.h"

// The whole calculation: input checks, sequence, final checks. The list then holds the input
// checks' messages, a fatal message of a step that did not stop the sequence ("Fatal  : beta >
// 45!"; CalcErrorFlag stays clear), the checks of both gears' soundness and gear 2's warnings.
// Failure reaches the caller through CalcErrorFlag, AbortFlag and ErrorList.
void CalculateGears();

// Inputs no gear can have: beyond these the calculation stops with a fatal message before it
// computes anything. Lengths are mm; factors are multiples of mn.
inline constexpr long double kMinModule = 0.001L;    // mn (0 or less is fatal in the base step)
inline constexpr long double kMaxModule = 1000;      // mn
inline constexpr long double kMaxInputLength = 1e8L; // every other length: beyond any diameter
                                                     // kMaxTeeth and kMaxModule allow
inline constexpr long double kMinLength = 1e-6L;     // b, a, DM: 0 or at least this
inline constexpr long double kMaxInputFactor = 100;  // profile shift, tool factors
inline constexpr long double kMaxToolAngle = 90;     // protuberance and chamfer angles, degrees
inline constexpr int kMaxTeeth = 10000;              // |z| and |k|

void CheckInput();
// Clears the message list and checks the pair inputs, then the range of every value that enters
// the calculation (whole numbers: the ranges their dialogs offer).
void CheckInputRanges();
void CheckResults();
// The first real of the gear data that is not a finite number, named as in calc/fields.h with
// the gear appended ("galpha", "dFf[2]"); "" when every one is finite. CalculateGears makes such a
// result a fatal error.
std::string FirstNonFiniteValue();
void CalcSequence();

// Mean shifts and diameters for the drawings, then DiametersForShift(xee).
void MeanLimitValues();
// Tooth thickness, root, tip and operating pitch diameters and rotation values for shifts xs.
void DiametersForShift(PerGear<long double> xs);
