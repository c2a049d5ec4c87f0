// A number as upper-case hex digits, the way every listing and message
// shows addresses and bytes.
#pragma once

#include <string>

namespace bitreel {

// `digits` wide at least, zero-padded, no "0x": Hex(0x4002, 4) is "4002".
[[nodiscard]] std::string Hex(unsigned value, int digits);

} // namespace bitreel
