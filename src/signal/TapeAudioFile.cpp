// A tape image written to a sound file.
#include "signal/TapeAudioFile.h"

namespace bitreel {

TapeAudioResult WriteTapeAudio(const TapeImage& image, PulseRange range,
                               const RenderOptions& options, const std::filesystem::path& out,
                               AudioFileType type, const TapeAudioEvents& events,
                               FileCreation creation) {
    AudioFileWriter writer(out, type, options.rate, creation);
    PulseStream pulses(image, range);
    const TapeAudioResult result = RenderTapeAudio(pulses, options, writer, events);
    writer.Finish();
    return result;
}

} // namespace bitreel
