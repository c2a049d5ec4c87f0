#pragma once

// Snapshots open as images (tape/formats/SnapshotHook.h): the tape that loads each
// one, at a speed.

#include "pulses/FastTimings.h"

namespace bitreel::fastload {

// Installs LoadingTapeTzx at speed (SlowestSpeed to FastestSpeed) as the
// builder of every snapshot opened from now on. A snapshot the loader
// refuses throws std::system_error (SnapshotError::NoLoaderRoom) with the
// reason.
void InstallSnapshotTapes(unsigned speed = DefaultSpeed);

} // namespace bitreel::fastload
