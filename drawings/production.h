#pragma once
// The "Production drawing" menu of the gear drawings: three views of one gear (front
// elevation, side elevation, side elevation with the hub profile), the data tables of
// datatables.h one gear at a time or both side by side, the production drawing sheet (the
// scaled half-section with its dimensions and hatching, three tables and the frame) and the
// two charts of pair_charts.h. Each element is one complete output: opened, written, closed.

#include <cstdint>
#include <string_view>

// outputMode: 3 the screen, 0 asks for the CAD code. presetItem: 0 shows the menu (again after
// each element until "return .." or Cancel); 1..12 builds that element once. presetGear: 0
// asks (only gear 1 or 2 when an item is preset); 1, 2, or 3 for both gears where the element
// offers both. Elements of one gear take any other value as gear 2; an unknown item does
// nothing.
void ProductionDrawing(std::uint16_t outputMode, std::uint16_t presetGear,
                       std::uint16_t presetItem);

// The views of gear i at the origin, in mm.
void DrawFrontElevation(int i);
void DrawSideElevation(int i);
void DrawSideElevationProfile(int i);
// The scaled half-section of gear i through the chart layer (200 x 100 at (.., 190)); an
// internal gear's rim is hatched at 45 degrees and ended by break lines.
void DrawGearSection(int i);
// The production drawing of gear i on A4 portrait; frameBlock (when not empty) is inserted
// first at the origin. Nothing while CalcErrorFlag is set.
void ProductionDrawingSheet(int i, std::string_view frameBlock);

// The measurement kind of the "Table Gear data, measurement" element when it is preset:
// balls, pins and span together.
constexpr std::uint16_t PresetMeasurementKind = 4;
