#pragma once
// The quick drawing sheets of gear 2 and the redraw of the configured view after an input.
// "Quick" holds the texts and tables only; "Quick 3" (200 x 120) and "Quick 4" (A3 landscape
// in its frame) put the wheel, the generated tooth with its gaps, the diameter arcs and the
// cutting tool beside the tables, from the five gear-2 blocks of DefineGear2Blocks. Each sheet
// is one open-draw-close pass of the CAD output (3 the screen, 0 asks for the CAD code).
//
// Every view and table stays on its sheet and clear of the others for any gear (z 6 to 300,
// internal too, helix angles up to 45 degrees): the views are measured before they are placed
// (wheel as designed; the tooth gap moved into the room below the wheel and shrunk if need be,
// diameter arcs far from the teeth left out before it would shrink below 60 %; the tool in the
// wheel's bore, smaller where the bore is small); long tables get smaller text or move up.

#include <cstdint>

void DrawQuickSheet(std::uint16_t outputCode);
// The width of "Quick 3" (its height is 120).
constexpr long double Quick3Width = 200;
void DrawQuickSheet3(std::uint16_t outputCode);
void DrawQuickSheet4(std::uint16_t outputCode);

// "WERKZS2", "ZAHN2", "EVOLV2", "RAD2" and "DTEIL"; only inside a blocks section. The second
// form keeps in "DTEIL" only the diameter arcs whose radius lies in rMin..rMax.
void DefineGear2Blocks();
void DefineGear2Blocks(long double rMin, long double rMax);

// The view ResultScreen names, on the screen: 3 the production drawing of gear 2, 4 its gear
// data table, 5 the gear wheel, 6 "Quick 4", any other value "Quick 3". Nothing while AbortFlag
// is set, while HelpLevel is 0 (drawing after input switched off) or after a fatal calculation
// error.
void RedrawCurrentView();
