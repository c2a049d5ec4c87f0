#pragma once

// The row texts of the blocks of TZX and PZX images that do not go out as
// frames, in the list's style: a label padded to 12 characters, a colon, a
// space and the value.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace bitreel {

// The value of a block whose own fields run past its length, in place of
// figures it does not hold: "Data        : damaged [not sent]".
inline constexpr std::string_view DamagedValue = "damaged";

// The label of a TZX text block's row (0x30).
inline constexpr std::string_view TextLabel = "Text";

// How the text a recording's TZX image keeps before a block it read damaged
// begins: "damaged: least certain bits 12.3 ...".
inline constexpr std::string_view DamageTextStart = "damaged: ";

// What a text row says of the damage of the block after it ("least certain
// bits 12.3 ..."), when it is such a text; none for any other row.
[[nodiscard]] std::optional<std::string_view> DamageNoteOf(std::string_view row);

// "Pause       : 1000 ms" from "Pause" and "1000 ms".
[[nodiscard]] std::string LabelRow(std::string_view label, std::string_view value);

// The same for a block whose sound is not sent: "... [not sent]".
[[nodiscard]] std::string NotSentRow(std::string_view label, std::string_view value);
// A row NotSentRow made: a block with sound of its own that is not sent.
[[nodiscard]] bool IsNotSentRow(std::string_view row) noexcept;

// Text stored one character per byte, as the list shows name bytes; control
// characters (a TZX text breaks its lines with 13) become spaces.
[[nodiscard]] std::string ByteText(std::span<const std::uint8_t> bytes);

// UTF-8 text (PZX) in the list's one-byte character set: characters up to 255
// as themselves, others and broken sequences as '?', controls as spaces.
[[nodiscard]] std::string Utf8Text(std::span<const std::uint8_t> bytes);

// An archive's title, publisher, author and year, as far as they are given,
// in that order whatever order the file keeps them in: "Manic Miner,
// Bug-Byte, 1983".
using ArchiveFacts = std::array<std::string, 4>;
[[nodiscard]] std::string ArchiveText(const ArchiveFacts& facts);

// A count with its unit, singular for one: "1 pulse", "8063 pulses".
[[nodiscard]] std::string Counted(std::uint64_t count, std::string_view unit);

} // namespace bitreel
