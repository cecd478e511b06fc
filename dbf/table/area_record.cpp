// The work-area record (TWorkArea) and the field entry of a table.

#include "dbf/table/area_record.h"

namespace dbf {

std::uint8_t CurrentAreaNo = 0;

} // namespace dbf
