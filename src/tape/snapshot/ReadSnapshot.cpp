// Picks a snapshot's reader by its name and checks what every format shares.
#include "tape/snapshot/ReadSnapshot.h"

#include "tape/TapeChoice.h"
#include "tape/snapshot/SnapshotReaders.h"

#include <string>

namespace bitreel {
namespace {

// The rules of the machine, whichever format told its state.
void CheckRestorable(Snapshot& snapshot) {
    if (snapshot.regs.im > 2) {
        throw SnapshotFailure(SnapshotError::BadValue,
                              "interrupt mode " + std::to_string(snapshot.regs.im));
    }
    if (!Is128K(snapshot.model)) {
        snapshot.port7ffd = 0;
        snapshot.ay = {};
        snapshot.ayRegister = 0;
    }
    if (!HasPort1ffd(snapshot.model)) {
        snapshot.port1ffd = 0;
        return;
    }
    // Bit 0 maps RAM over the whole address space, the ROM included.
    if ((snapshot.port1ffd & 0x01) != 0) {
        throw SnapshotFailure(SnapshotError::NotSpectrumRom,
                              "a +2A/+3 snapshot in all-RAM paging (bit 0 of 0x1FFD)");
    }
    // Bit 3 runs the +3's disk motor: the program is using the drive.
    if (snapshot.model == SpectrumModel::Plus3 && (snapshot.port1ffd & 0x08) != 0) {
        throw SnapshotFailure(SnapshotError::DiskInUse, "a +3 snapshot with its disk motor on");
    }
}

} // namespace

std::optional<SnapshotFormat> SnapshotFormatOf(const std::filesystem::path& path) {
    const std::string extension = UpperExtension(path);
    if (extension == ".Z80") {
        return SnapshotFormat::Z80;
    }
    if (extension == ".SNA") {
        return SnapshotFormat::Sna;
    }
    if (extension == ".SZX") {
        return SnapshotFormat::Szx;
    }
    return std::nullopt;
}

Snapshot ReadSnapshot(std::span<const std::uint8_t> bytes, SnapshotFormat format) {
    Snapshot snapshot = [&] {
        switch (format) {
        case SnapshotFormat::Z80:
            return ReadZ80Snapshot(bytes);
        case SnapshotFormat::Sna:
            return ReadSnaSnapshot(bytes);
        case SnapshotFormat::Szx:
            return ReadSzxSnapshot(bytes);
        }
        throw SnapshotFailure(SnapshotError::UnknownFormat, "no such format");
    }();
    CheckRestorable(snapshot);
    return snapshot;
}

} // namespace bitreel
