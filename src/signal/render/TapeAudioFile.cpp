// A tape image written to a sound file.
#include "signal/render/TapeAudioFile.h"

namespace bitreel {

TapeAudioResult WriteTapeAudio(const TapeImage& image, PulseRange range,
                               const RenderOptions& options, const std::filesystem::path& out,
                               AudioFileType type, const TapeAudioEvents& events,
                               FileCreation creation) {
    AudioFileWriter writer(out, type, options.rate, creation);
    PulseStream pulses(image, range);
    TapeAudioResult result = RenderTapeAudio(pulses, options, writer, events);
    if (result.corruptRow == range.fromRow) {
        result.written = false; // the writer, unfinished, leaves nothing
        result.samples = 0;
        return result;
    }
    writer.Finish();
    return result;
}

} // namespace bitreel
