// Feeds arbitrary bytes to the PZX reader through the tape image, as a file
// named .PZX, with and without a header block in front, and checks every row.
#include "ImageChecks.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void Check(const std::vector<std::uint8_t>& bytes) {
    using namespace bitreel;
    const TapeImage image = fuzz::CheckImage(bytes, ImageFormat::Pzx, MachineKind::Spectrum,
                                             TapeLayout::SpectrumTap, false);
    fuzz::CheckEntries<PzxReader>(image, bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    Check(bytes);
    std::vector<std::uint8_t> headed{'P', 'Z', 'X', 'T', 2, 0, 0, 0, 1, 0};
    headed.insert(headed.end(), bytes.begin(), bytes.end());
    Check(headed);
    return 0;
}
