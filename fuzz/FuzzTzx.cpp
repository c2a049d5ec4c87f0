// Feeds arbitrary bytes to the TZX reader through the tape image, as a file
// named .TZX read for either machine, with and without the signature in
// front, and checks every row.
#include "ImageChecks.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// A TZX image is read by the rules of either machine; which one a file
// holds is told from its first blocks.
void Check(const std::vector<std::uint8_t>& bytes) {
    using namespace bitreel;
    (void)TzxReader::IsJupiterAceTape(bytes);
    for (const auto machine : {MachineKind::Spectrum, MachineKind::JupiterAce}) {
        const auto layout =
            machine == MachineKind::Spectrum ? TapeLayout::SpectrumTap : TapeLayout::AceJup;
        const TapeImage image = fuzz::CheckImage(bytes, ImageFormat::Tzx, machine, layout, false);
        fuzz::CheckEntries<TzxReader>(image, bytes);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    Check(bytes);
    // Most inputs lack the signature; give the block readers a go at them too.
    std::vector<std::uint8_t> signed_{'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20};
    signed_.insert(signed_.end(), bytes.begin(), bytes.end());
    Check(signed_);
    return 0;
}
