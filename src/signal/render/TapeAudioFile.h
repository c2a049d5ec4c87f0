#pragma once

#include "pulses/PulseStream.h"
#include "signal/render/AudioFile.h"
#include "signal/render/RenderOptions.h"
#include "signal/render/SampleSink.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace bitreel {

class TapeImage;

// What writing a tape to a sound file meets on the way, for its front end
// to tell the user.
struct TapeAudioEvents {
    std::function<void(std::size_t row)> rowStarts; // the row's block starts
    std::function<void(std::size_t row)> stopped;   // a stop block: 2 s of silence stand for it
    std::function<void(std::size_t row)> choice;    // a select block: its first choice was taken
};

struct TapeAudioResult {
    std::optional<std::size_t> corruptRow; // the tape ended at a block it could not read
    std::uint64_t samples = 0;
    // False when the first row played is corrupt: a sound of silence alone
    // is no conversion, and no file is left (nor an old one replaced).
    bool written = true;
};

// A stop in a file: the silence that stands for the user starting the tape again.
inline constexpr std::uint32_t StopSilenceMs = 2000;

// Renders the image's pulses over the range into a sound file of the type
// given. Throws std::system_error when the file cannot be written (EEXIST
// for a file that is there and not to be replaced).
TapeAudioResult WriteTapeAudio(const TapeImage& image, PulseRange range,
                               const RenderOptions& options, const std::filesystem::path& out,
                               AudioFileType type, const TapeAudioEvents& events = {},
                               FileCreation creation = FileCreation::Replace);

// The same from any pulses into any sink, a buffer at a time: a stop
// becomes StopSilenceMs of silence, and a corrupt row ends the tape there,
// with its trailing silence.
TapeAudioResult RenderTapeAudio(PulseSource& pulses, const RenderOptions& options, SampleSink& sink,
                                const TapeAudioEvents& events = {});

} // namespace bitreel
