#pragma once

// The bootstrap: what a stock Spectrum loads with LOAD "" in the ROM's own
// encoding. A BASIC program of one line that runs itself,
//   10 RANDOMIZE USR VAL "PEEK 23635+256*PEEK 23636+31":REM <code>
// finding its code from PROG, so that it runs wherever the program sits
// (Interface 1 moves it), and its header.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace bitreel::fastload {

// The program's bytes: the line, the code after its REM.
[[nodiscard]] std::vector<std::uint8_t> BootstrapProgram(std::span<const std::uint8_t> code);

// The header block's 17 bytes for that program, named name (cut or padded
// to 10 characters), starting at line 10.
[[nodiscard]] std::array<std::uint8_t, 17> BootstrapHeader(std::string_view name,
                                                           std::size_t programSize);

// A ROM block: the flag, the bytes and their checksum (the XOR of all).
[[nodiscard]] std::vector<std::uint8_t> RomBlock(std::uint8_t flag,
                                                 std::span<const std::uint8_t> bytes);

} // namespace bitreel::fastload
