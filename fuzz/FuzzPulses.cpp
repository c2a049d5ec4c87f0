// Plays arbitrary bytes as every kind of image, through the pulse stream:
// no read outside the bytes, every row event names a row of the image, and
// nothing after a corrupt row.
#include "pulses/PulseStream.h"
#include "tape/TapeImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace bitreel;

// A few bytes can make hours of tape (a loop of long tones): each stream is
// played this far, which takes in every row of a small input.
constexpr std::size_t MostEvents = 200'000;

void Play(const std::vector<std::uint8_t>& bytes, ImageFormat format, MachineKind machine,
          TapeLayout layout) {
    TapeImage image(bytes, format, machine, layout, false);
    image.IndexAll();
    for (const std::size_t from : {std::size_t{0}, image.RowCount() / 2}) {
        PulseStream stream(image, {from, std::nullopt});
        PulseEvent event;
        bool corrupt = false;
        for (std::size_t n = 0; n < MostEvents && stream.Next(event); ++n) {
            if (corrupt ||
                (event.kind != PulseEvent::Kind::Pulse && event.row >= image.RowCount())) {
                std::abort();
            }
            corrupt = event.kind == PulseEvent::Kind::Corrupt;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    Play(bytes, ImageFormat::Blocks, MachineKind::Spectrum, TapeLayout::SpectrumTap);
    Play(bytes, ImageFormat::Blocks, MachineKind::JupiterAce, TapeLayout::AceTap);
    std::vector<std::uint8_t> tzx{'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20};
    tzx.insert(tzx.end(), bytes.begin(), bytes.end());
    Play(tzx, ImageFormat::Tzx, MachineKind::Spectrum, TapeLayout::SpectrumTap);
    Play(tzx, ImageFormat::Tzx, MachineKind::JupiterAce, TapeLayout::AceJup);
    std::vector<std::uint8_t> pzx{'P', 'Z', 'X', 'T', 2, 0, 0, 0, 1, 0};
    pzx.insert(pzx.end(), bytes.begin(), bytes.end());
    Play(pzx, ImageFormat::Pzx, MachineKind::Spectrum, TapeLayout::SpectrumTap);
    return 0;
}
