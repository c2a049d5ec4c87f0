#pragma once

#include <string>

namespace bitreel {

// Whether this user is refused read and write access to a device that is
// there. Always false where devices carry no such rights (Windows).
[[nodiscard]] bool DeviceAccessRefused(const std::string& device);

// The group that may read and write the device, when joining it would give
// access ("dialout"); empty when the device gives its group no such rights,
// belongs to the superuser's group or cannot be looked at.
[[nodiscard]] std::string DeviceGroup(const std::string& device);

} // namespace bitreel
