#pragma once
// The workshop data sheet: the short listing a machinist needs to cut and inspect one gear
// (basic data, diameters, tolerance zone, machining allowance, the three inspection dimensions
// with premachined and finished limits), written through the listing engine
// (framework/ui/listing.h) to the text device the settings select.

#include <cstdint>

// The sheet of gear 2. device: the listing device handed to ListBegin (0: the configured text
// device, or the user's choice when TextDeviceWindow is set).
void WorkshopSheet(std::uint16_t device = 0);
// The sheet of gear g (1 or 2). After a fatal calculation error the message browser is shown
// instead and nothing is listed.
void WriteWorkshopSheet(std::uint16_t g, std::uint16_t device = 0);
