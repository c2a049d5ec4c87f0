#pragma once

// Why a snapshot cannot be opened, as a std::system_error's code, which
// every front end already tells; the error's what-text adds the detail
// ("a Pentagon 128 snapshot: Bitreel restores the Spectrum 48K, ...").

#include <string>
#include <system_error>

namespace bitreel {

enum class SnapshotError {
    UnknownFormat = 1, // the name ends in none of .z80, .sna, .szx
    Cut,               // the file ends inside a field
    WrongSize,         // a size no snapshot of its kind has
    BadPage,           // a page that does not unpack to 16 KB, or out of place
    Missing,           // a RAM page or the registers are not in the file
    UnknownVersion,    // a version of the format that is not defined
    UnknownMachine,    // a machine number the format does not define
    BadValue,          // a field holds a value no Spectrum program has
    OtherMachine,      // a machine that is not a Spectrum Bitreel restores
    NotSpectrumRom,    // something else than the Spectrum's ROM at 0x0000
    DiskInUse,         // a +3 whose disk drive's state matters
    NoLoaderRoom,      // the loader finds no room beside the program's stack
    SpectrumOnly,      // opened with the Jupiter Ace chosen
};
[[nodiscard]] std::error_code MakeError(SnapshotError error) noexcept;

// The error to throw, with the detail in front of the reason.
[[nodiscard]] std::system_error SnapshotFailure(SnapshotError error, const std::string& detail);

} // namespace bitreel
