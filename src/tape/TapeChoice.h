#pragma once

#include "tape/TapeImage.h"
#include "tape/TapeLayout.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace bitreel {

// The machine and the layout a tape image is read or written in.
struct TapeChoice {
    MachineKind machine = MachineKind::Spectrum;
    TapeLayout layout = TapeLayout::SpectrumTap;

    friend bool operator==(const TapeChoice&, const TapeChoice&) = default;
};

// What a file's name suggests when nothing else is said: the Jupiter Ace in
// the JUP layout for ".JUP", in the TAP layout for ".DIC" and ".BYT", the
// Spectrum for any other name. Letter case is ignored.
[[nodiscard]] TapeChoice ChoiceForName(const std::filesystem::path& path);

// The same, told by the content where the name leaves it open: a TZX file
// that holds a Jupiter Ace tape (TzxReader::IsJupiterAceTape) is the Jupiter
// Ace in the JUP layout, and a TAP file that starts with an Ace header
// (MachineOfBlocks) the Jupiter Ace in the TAP layout, and so is a recording
// whose blocks, read, make such a TZX image. A file that cannot be read is
// chosen by its name.
[[nodiscard]] TapeChoice ChoiceForFile(const std::filesystem::path& path);

// The Jupiter Ace layout a name suggests once the Ace is chosen: TAP for
// ".TAP", ".DIC" and ".BYT", JUP (the format list's first entry) for any
// other name.
[[nodiscard]] TapeLayout AceLayoutForName(const std::filesystem::path& path);

// The name's extension, dot included, in capitals (".TAP"); empty when none.
[[nodiscard]] std::string UpperExtension(const std::filesystem::path& path);

// IsTapFile for a path of the platform's own character type.
[[nodiscard]] bool IsTapPath(const std::filesystem::path& path);

// The machine a file of blocks holds a tape of, as its first block tells:
// a Spectrum header (19 bytes after the length, flag 0, type 0 to 3), or a
// Jupiter Ace header (25 bytes and its checksum in the Ace TAP layout, with
// flag 0 in front in JUP; type 0x00 or 0x20). No value when the first
// block is neither.
[[nodiscard]] std::optional<MachineKind> MachineOfBlocks(std::span<const std::uint8_t> bytes);

// How a file is read: a name ending in ".TZX" (any case) is a TZX image, as
// is a recording (IsRecordingPath), whose reader makes one of it, and
// with the Spectrum chosen one ending in ".PZX" a PZX image; every other file
// is read block by block in the tape layout in force.
[[nodiscard]] ImageFormat ImageFormatOf(const std::filesystem::path& path, MachineKind machine);

} // namespace bitreel
