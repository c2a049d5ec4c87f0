// Reads arbitrary bytes as a recording, WAV (or any sound libsndfile takes)
// and CSW, through edges to blocks and their TZX image: no read outside the
// bytes, and every block's edges, confidences and bits inside what was read.
#include "signal/decode/RecordingReader.h"
#include "signal/decode/RecordingTzx.h"
#include "tape/TapeImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <system_error>

namespace {

using namespace bitreel;

void Check(const DecodedRecording& read, MachineKind machine) {
    for (const DecodedBlock& b : read.tape.blocks) {
        if (b.confidence.size() != b.bytes.size() || b.firstEdge > b.endEdge ||
            b.endEdge > read.edges.size()) {
            std::abort();
        }
        for (const BitPosition& p : b.weakest) {
            if (p.byte >= b.bytes.size() || p.bit > 7) {
                std::abort();
            }
        }
    }
    for (const Stretch& s : read.tape.stretches) {
        if (s.firstEdge > s.endEdge || s.endEdge > read.edges.size()) {
            std::abort();
        }
    }
    // The image written of it reads back whole.
    TapeImage image(RecordingTzx(read, machine), ImageFormat::Tzx, machine,
                    machine == MachineKind::Spectrum ? TapeLayout::SpectrumTap : TapeLayout::AceJup,
                    false);
    image.IndexAll();
    if (image.HasCorrupt()) {
        std::abort();
    }
}

void Read(std::span<const std::uint8_t> bytes, bool csw, MachineKind machine) {
    try {
        Check(DecodeRecordingBytes(bytes, csw, machine), machine);
    } catch (const std::system_error&) {
        // no recording: told, as it should be
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    Read(bytes, false, MachineKind::Spectrum);
    Read(bytes, true, MachineKind::Spectrum);
    Read(bytes, true, MachineKind::JupiterAce);
    return 0;
}
