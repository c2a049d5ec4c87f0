#pragma once

#include <string>

namespace bitreel {

// Whether a serial device opens now, and when not, why.
enum class PortState {
    Opens,
    Absent,           // no such device
    InUse,            // held by another program
    PermissionDenied, // the user may not open it (not in the dialout group)
    Fails,            // any other failure; see the detail
};

struct PortStatus {
    PortState state = PortState::Absent;
    // The system's own words, for InUse and Fails; for PermissionDenied the
    // group to join, when joining one would help.
    std::string detail;
};

// Opens the device and closes it again at once, or tells why it cannot.
[[nodiscard]] PortStatus ProbePort(const std::string& device);

} // namespace bitreel
