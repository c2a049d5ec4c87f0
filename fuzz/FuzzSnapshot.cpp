// Feeds arbitrary bytes to each snapshot reader (.z80, .sna, .szx), and to
// the .sna reader again padded to each size it takes, and checks that a
// snapshot read holds only values a Spectrum can be given back.
#include "tape/snapshot/ReadSnapshot.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <system_error>
#include <vector>

namespace {

void Require(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

void Check(std::span<const std::uint8_t> bytes, bitreel::SnapshotFormat format) {
    using namespace bitreel;
    Snapshot snapshot;
    try {
        snapshot = ReadSnapshot(bytes, format);
    } catch (const std::system_error& e) {
        // Every refusal is one of the reader's own reasons.
        Require(e.code().category() == MakeError(SnapshotError::Cut).category());
        return;
    }
    Require(snapshot.regs.im <= 2);
    Require(snapshot.border <= 7);
    Require(snapshot.ayRegister <= 15);
    Require(!snapshot.ran16K || snapshot.model == SpectrumModel::Spectrum48);
    if (!Is128K(snapshot.model)) {
        Require(snapshot.port7ffd == 0 && snapshot.ayRegister == 0);
        Require(std::all_of(snapshot.ay.begin(), snapshot.ay.end(), [](auto r) { return r == 0; }));
    }
    if (!HasPort1ffd(snapshot.model)) {
        Require(snapshot.port1ffd == 0);
    } else {
        Require((snapshot.port1ffd & 0x01) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using bitreel::SnapshotFormat;
    const std::span<const std::uint8_t> bytes(data, size);
    for (const auto format : {SnapshotFormat::Z80, SnapshotFormat::Sna, SnapshotFormat::Szx}) {
        Check(bytes, format);
    }
    // A .sna is read only at its three sizes, which few inputs reach.
    for (const std::size_t snaSize : {49179u, 131103u, 147487u}) {
        std::vector<std::uint8_t> padded(bytes.begin(), bytes.begin() + std::min(size, snaSize));
        padded.resize(snaSize, 0);
        Check(padded, SnapshotFormat::Sna);
    }
    return 0;
}
