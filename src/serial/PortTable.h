#pragma once

#include <map>
#include <string>

namespace bitreel {

// Which device stands behind each port number. A number the table has no
// device for is refused by the port layer, so it is never listed.
using PortTable = std::map<int, std::string>;

// The fixed table of this system, so that an adapter keeps its number across
// runs. Linux: 1-4 /dev/ttyS0-3, 5-12 /dev/ttyUSB0-7, 13-16 /dev/ttyACM0-3.
// Windows: 1-16 COM1-COM16.
[[nodiscard]] PortTable SystemPortTable();

} // namespace bitreel
