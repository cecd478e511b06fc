// The calculation entry of a gear pair held in GearData.
#pragma once

#include "calc/geardata.h"

// The whole calculation: input checks, sequence, final checks of gear 2. Failure reaches the
// caller through CalcErrorFlag, AbortFlag and ErrorList.
void CalculateGears();

void CheckInput();
void CheckInputRanges();
void CheckResults();
void CalcSequence();

// Mean shifts and diameters for the drawings, then DiametersForShift(xee).
void MeanLimitValues();
// Tooth thickness, root, tip and operating pitch diameters and rotation values for shifts xs.
void DiametersForShift(PerGear<long double> xs);
