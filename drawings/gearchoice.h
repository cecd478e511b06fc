#pragma once
// The gear questions of the drawings: which gear of the pair to draw (and, for the production
// drawing, whether both side by side). The items go through TextLines; Cancel sets AbortFlag.

#include <cstdint>

// 1 or 2 on return (kept within range); TextLines[30] then holds the number as text.
void SelectGear(std::uint16_t& choice);
// 1, 2 or 3 (both gears) on return; TextLines[30] then holds the number as text.
void SelectGearOrBoth(std::uint16_t& choice);
