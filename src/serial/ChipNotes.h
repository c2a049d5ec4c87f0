#pragma once

#include "serial/AdapterInfo.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace bitreel {

// What is known about a family of serial chips' handshake, in one line.
struct ChipNote {
    std::string_view chip;
    std::string_view drivers;    // kernel driver names, separated by spaces
    std::uint16_t usbVendor = 0; // 0: none of its own
    std::string_view note;
};

// Every note, in the order the README lists them.
[[nodiscard]] std::span<const ChipNote> ChipNotes() noexcept;

// The note for an adapter: by its kernel driver, else by its USB vendor.
[[nodiscard]] const ChipNote* FindChipNote(const AdapterInfo& adapter) noexcept;

} // namespace bitreel
