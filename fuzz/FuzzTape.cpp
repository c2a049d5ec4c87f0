// Feeds arbitrary bytes to the tape reader and the descriptions, in every
// layout, the way the contents list and playback read a file.
#include "tape/Tape.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void ReadAll(const std::vector<std::uint8_t>& bytes, bitreel::MachineKind machine,
             bitreel::TapeLayout layout, bool isTapFile) {
    auto file = bitreel::TapeFile::FromBytes(bytes);
    bool expectHeader = true;
    bitreel::TapeBlock block;
    while (!file.AtEnd()) {
        const bool whole = bitreel::ReadBlock(file, block, layout, expectHeader);
        // The reader's promise for a block read whole: Bytes is the length
        // field and Length bytes after it.
        if (whole && block.Length >= 0 &&
            block.Bytes.size() != static_cast<std::size_t>(block.Length) + 2) {
            __builtin_trap();
        }
        // Outside the Ace TAP layout, whose flag is supplied, a stored byte
        // was replaced exactly when it was not good.
        if (whole && block.Length >= 0 && layout != bitreel::TapeLayout::AceTap &&
            (block.Verdict == bitreel::ChecksumVerdict::Good) == block.BadChecksum) {
            __builtin_trap();
        }
        if (whole && block.Length >= 0) {
            (void)bitreel::DescribeBlock(block, machine, isTapFile, expectHeader);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    using bitreel::MachineKind;
    using bitreel::TapeLayout;
    ReadAll(bytes, MachineKind::Spectrum, TapeLayout::SpectrumTap, true);
    for (const bool isTap : {true, false}) {
        ReadAll(bytes, MachineKind::JupiterAce, TapeLayout::AceTap, isTap);
        ReadAll(bytes, MachineKind::JupiterAce, TapeLayout::AceJup, isTap);
    }
    for (const auto layout : {TapeLayout::SpectrumTap, TapeLayout::AceTap, TapeLayout::AceJup}) {
        auto file = bitreel::TapeFile::FromBytes(bytes);
        bool expectHeader = false;
        const auto machine =
            layout == TapeLayout::SpectrumTap ? MachineKind::Spectrum : MachineKind::JupiterAce;
        (void)bitreel::LoadContents(file, machine, layout, true, expectHeader);
    }
    return 0;
}
