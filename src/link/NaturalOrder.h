#pragma once

#include <string>

namespace kdx {

// Orders device names as a technician reads them: runs of digits compare by
// value, so /dev/ttyUSB2 comes before /dev/ttyUSB10.
bool naturalLess(const std::string& a, const std::string& b);

} // namespace kdx
