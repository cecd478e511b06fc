#include "dbf/workarea.h"

namespace dbf {

std::uint8_t CurrentAreaNo = 0;

} // namespace dbf
