#pragma once
// The quick drawing sheets of gear 2 and the redraw of the configured view after an input.
// "Quick" holds the texts and tables only; "Quick 3" (160 x 120) and "Quick 4" (A3 landscape
// in its frame) put the wheel, the generated tooth with its gaps, the diameter arcs and the
// cutting tool beside the tables, from the five gear-2 blocks of DefineGear2Blocks. Each sheet
// is one open-draw-close pass of the CAD output (3 the screen, 0 asks for the CAD code).

#include <cstdint>

void DrawQuickSheet(std::uint16_t outputCode);
// The width of "Quick 3" (its height is 120).
constexpr long double Quick3Width = 200;
void DrawQuickSheet3(std::uint16_t outputCode);
void DrawQuickSheet4(std::uint16_t outputCode);

// "WERKZS2", "ZAHN2", "EVOLV2", "RAD2" and "DTEIL"; only inside a blocks section.
void DefineGear2Blocks();

// The view ResultScreen names, on the screen: 3 the production drawing of gear 2, 4 its gear
// data table, 5 the gear wheel, 6 "Quick 4", any other value "Quick 3". Nothing while AbortFlag
// is set, while HelpLevel is 0 (drawing after input switched off) or after a fatal calculation
// error.
void RedrawCurrentView();
