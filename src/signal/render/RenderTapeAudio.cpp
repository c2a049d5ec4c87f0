// Any pulses rendered into a sink, a buffer at a time, acting on the
// tape's events where they fall.
#include "signal/render/TapeAudioFile.h"

#include "signal/render/SampleRenderer.h"

#include <vector>

namespace bitreel {
namespace {

// The samples rendered before they go to the sink: all the memory a tape
// of any length needs.
constexpr std::size_t BufferSamples = 64 * 1024;

// Hands on the pulses up to a corrupt row's event, then ends the tape, so
// that the renderer closes it with its trailing silence.
class UntilCorrupt final : public PulseSource {
public:
    explicit UntilCorrupt(PulseSource& pulses) : pulses_(pulses) {}

    [[nodiscard]] bool Next(PulseEvent& event) override {
        if (ended_ || !pulses_.Next(event)) {
            return false;
        }
        ended_ = event.kind == PulseEvent::Kind::Corrupt;
        return true;
    }

private:
    PulseSource& pulses_;
    bool ended_ = false;
};

void Tell(const std::function<void(std::size_t)>& listener, std::size_t row) {
    if (listener) {
        listener(row);
    }
}

} // namespace

TapeAudioResult RenderTapeAudio(PulseSource& pulses, const RenderOptions& options, SampleSink& sink,
                                const TapeAudioEvents& events) {
    UntilCorrupt source(pulses);
    SampleRenderer renderer(source, options);
    std::vector<std::int16_t> buffer(BufferSamples);
    std::size_t held = 0;
    TapeAudioResult result;
    for (;;) {
        const SampleRenderer::Filled filled = renderer.Fill(std::span(buffer).subspan(held));
        held += filled.samples;
        // Events come far more often than a buffer fills (a row is often a
        // short block), so the buffer goes out only when full or at the end.
        if (held == buffer.size() || filled.ended) {
            sink.Write(std::span(buffer).first(held));
            result.samples += held;
            held = 0;
        }
        if (filled.ended) {
            return result;
        }
        if (!filled.event) {
            continue;
        }
        const PulseEvent& event = *filled.event;
        switch (event.kind) {
        case PulseEvent::Kind::Row:
            Tell(events.rowStarts, event.row);
            break;
        case PulseEvent::Kind::Stop:
            renderer.InsertSilence(StopSilenceMs);
            Tell(events.stopped, event.row);
            break;
        case PulseEvent::Kind::Choice:
            Tell(events.choice, event.row);
            break;
        case PulseEvent::Kind::Corrupt:
            result.corruptRow = event.row;
            break;
        case PulseEvent::Kind::Pulse:
            break;
        }
    }
}

} // namespace bitreel
