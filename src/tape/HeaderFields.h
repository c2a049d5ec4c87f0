#pragma once

// The header blocks of both machines: where each field lies, and the fields
// decoded once for everything that reads them (rows, JSON, the inspector).

#include "tape/TapeLayout.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace bitreel {

// The flag byte in front of a header's payload and of a data block's.
inline constexpr std::uint8_t HeaderFlag = 0;
inline constexpr std::uint8_t DataFlag = 255;

// A block's length (flag, payload, checksum) when it is a header, and the
// header's payload alone.
inline constexpr std::int32_t SpectrumHeaderLength = 19;
inline constexpr std::int32_t AceHeaderLength = 27;
inline constexpr std::size_t SpectrumHeaderBytes = 17;
inline constexpr std::size_t AceHeaderBytes = 25;

// Where the payload starts in a frame: after the length field and the flag.
inline constexpr std::size_t FramePayloadAt = 3;

// The fields' places in a header's payload, the same for both machines: the
// type, the 10-character name, the data length, then two words whose meaning
// the type gives (an array keeps its variable in the second byte of the
// first).
inline constexpr std::size_t HeaderTypeAt = 0;
inline constexpr std::size_t HeaderNameAt = 1;
inline constexpr std::size_t HeaderNameSize = 10;
inline constexpr std::size_t HeaderDataLengthAt = 11;
inline constexpr std::size_t HeaderParam1At = 13;
inline constexpr std::size_t HeaderVariableAt = 14;
inline constexpr std::size_t HeaderParam2At = 15;

// A Spectrum program saved without LINE has an autostart line of this or more.
inline constexpr std::uint16_t NoAutostartLine = 32768;

// The Jupiter Ace header types with a name of their own.
inline constexpr std::uint8_t AceDictionaryType = 0;
inline constexpr std::uint8_t AceBytesType = 32;

// The fields of a header block, decoded for a program to read (the contents
// row shows the same fields as one line of text).
struct HeaderFields {
    // "program", "number array", "char array", "code" (Spectrum);
    // "dictionary", "bytes" (Jupiter Ace); any other Ace type as its number.
    std::string type;
    std::uint8_t typeByte = 0;
    std::string name;                       // 10 bytes as stored, one char per byte (Latin-1)
    std::uint16_t dataLength = 0;           // payload length of the data block that follows
    std::uint16_t param1 = 0;               // the two words after it, as stored
    std::uint16_t param2 = 0;               // (0 where the block ends first)
    std::optional<std::uint16_t> line;      // program: the line it starts at (below 32768)
    std::optional<std::uint16_t> variables; // program: where its variables begin
    std::optional<std::uint16_t> start;     // code, Ace bytes: the address it loads at
    std::optional<std::uint8_t> variable;   // arrays: the variable byte as stored

    friend bool operator==(const HeaderFields&, const HeaderFields&) = default;
};

// Both decoders take the bytes after the flag: the payload, and the checksum
// where the block has one (a short block's fields run into it, as its row
// reads them).

// The fields of a Spectrum header (type 0 to 3, at least 17 bytes); no value
// for any other.
[[nodiscard]] std::optional<HeaderFields>
DecodeSpectrumHeader(std::span<const std::uint8_t> payload);
// The fields of bytes taken as a Jupiter Ace header (whether they are one,
// only the listing's header/data state can tell); no value when they are too
// short to hold a name and data length.
[[nodiscard]] std::optional<HeaderFields> DecodeAceHeader(std::span<const std::uint8_t> payload);

// An array's variable byte as its letter: the low five bits name it, the top
// three the array's kind. A letter A to Z of the kind asked for gives that
// letter in lower case; any other byte is no letter.
[[nodiscard]] std::optional<char> ArrayLetter(std::uint8_t variable, bool characters) noexcept;

} // namespace bitreel
