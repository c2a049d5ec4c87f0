#pragma once

#include "tape/TapeImage.h"

#include <cstddef>
#include <string>
#include <vector>

namespace bitreel {

// A row of a TZX image that holds sound: a direct recording (0x15) or a CSW
// recording (0x18).
[[nodiscard]] bool RowHoldsRecording(const TapeImage& image, std::size_t row);

// The rows of the blocks read from such a row's sound, as a recording of
// that sound would list them: each block (damaged ones after their text),
// and what was not understood as a stretch. The image must be indexed.
[[nodiscard]] std::vector<std::string> RecordingRows(const TapeImage& image, std::size_t row);

} // namespace bitreel
