#pragma once
// The workshop data sheet: the short listing a machinist needs to cut and inspect one gear
// (basic data, diameters, tolerance zone, machining allowance, the three inspection dimensions
// with premachined and finished limits), written through the listing engine
// (framework/ui/listing.h) to the text device the settings select.

#include <cstdint>
#include <string>

// The sheet of gear 2. device: the listing device handed to ListBegin (0: the configured text
// device, or the user's choice when TextDeviceWindow is set).
void WorkshopSheet(std::uint16_t device = 0);
// The sheet of gear g (1 or 2). After a fatal calculation error the message browser is shown
// instead and nothing is listed. The inspection dimensions of a ring gear are listed without
// their sign, the larger value as max., as on its production drawing.
void WriteWorkshopSheet(std::uint16_t g, std::uint16_t device = 0);
// The name of the sheet's TXT listing of the job (listing device 9, the batch mode /I):
// DataFileName + "_sheet.txt", apart from the job's TXT drawing DataFileName + ".txt"; a job
// name too long for that loses its last bytes (whole characters) to keep within 255.
std::string WorkshopSheetFileName();
