// The sound a TZX image stores (direct and CSW recordings) read into blocks,
// as a sound file of it would be.
#include "signal/decode/RowRecording.h"

#include "pulses/PulseStream.h"
#include "signal/decode/RecordingTzx.h"

namespace bitreel {

bool RowHoldsRecording(const TapeImage& image, std::size_t row) {
    if (image.Format() != ImageFormat::Tzx || row >= image.RowCount()) {
        return false;
    }
    // The first block's offset is 0 and stands for the one after the header.
    constexpr std::uint64_t TzxHeader = 10;
    const std::uint64_t at = std::max(image.RowOffset(row), TzxHeader);
    const auto bytes = image.Bytes();
    return at < bytes.size() && (bytes[at] == 0x15 || bytes[at] == 0x18);
}

std::vector<std::string> RecordingRows(const TapeImage& image, std::size_t row) {
    // The row's pulses, as edges counted in the T-states TZX counts in.
    DecodedRecording recording;
    recording.rate = ClockHz(PulseClock::Spectrum);
    recording.channels = 1;
    PulseStream stream(image, {row, row});
    PulseEvent event;
    double at = 0;
    Level level = Level::Low;
    while (stream.Next(event)) {
        if (event.kind != PulseEvent::Kind::Pulse) {
            continue;
        }
        if (event.level != level || recording.edges.empty()) {
            recording.edges.push_back(at);
            level = event.level;
        }
        at += double(event.tstates) * ClockHz(PulseClock::Spectrum) / ClockHz(event.clock);
    }
    const MachineKind machine = image.Machine();
    recording.tape = DecodeEdges(recording.edges, recording.rate, RomFor(machine));
    TapeImage read(RecordingTzx(recording, machine), ImageFormat::Tzx, machine, image.Layout(),
                   false);
    read.IndexAll();
    std::vector<std::string> rows;
    read.ForEachRow([&](std::size_t, std::string& text) { rows.push_back(std::move(text)); });
    return rows;
}

} // namespace bitreel
