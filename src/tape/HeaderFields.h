#pragma once

#include "tape/TapeBlock.h"
#include "tape/TapeLayout.h"

#include <cstdint>
#include <optional>
#include <string>

namespace bitreel {

// The fields of a header block, decoded for a program to read (the contents
// row shows the same fields as one line of text).
struct HeaderFields {
    // "program", "number array", "char array", "code" (Spectrum);
    // "dictionary", "bytes" (Jupiter Ace); any other Ace type as its number.
    std::string type;
    std::uint8_t typeByte = 0;
    std::string name;                       // 10 bytes as stored, one char per byte (Latin-1)
    std::uint16_t dataLength = 0;           // payload length of the data block that follows
    std::optional<std::uint16_t> line;      // program: the line it starts at (below 32768)
    std::optional<std::uint16_t> variables; // program: where its variables begin
    std::optional<std::uint16_t> start;     // code, Ace bytes: the address it loads at
    std::optional<std::uint8_t> variable;   // arrays: the variable byte as stored
};

// The fields of a Spectrum header: a block of length 19 with flag 0 and
// type 0 to 3; no value for any other block.
[[nodiscard]] std::optional<HeaderFields> DecodeSpectrumHeader(const TapeBlock& block);
// The fields of a block taken as a Jupiter Ace header (whether it is one,
// only the listing's header/data state can tell); no value when the block is
// too short to hold them.
[[nodiscard]] std::optional<HeaderFields> DecodeAceHeader(const TapeBlock& block);

} // namespace bitreel
