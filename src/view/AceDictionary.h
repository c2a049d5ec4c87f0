#pragma once

// The words of a Jupiter Ace dictionary file, as saved with SAVE.

#include "tape/HeaderFields.h"
#include "view/TextView.h"

#include <cstdint>
#include <span>

namespace bitreel::view {

// The names of the words in the data block of a dictionary header, newest
// first, one per line.
//
// The header (its 25-byte payload) gives the address the data loads at
// (offset 13) and the address of the newest word's name length field
// (offset 15). Each word is stored as its name (bit 7 set on the last
// character), the word length (2 bytes), the link (2 bytes: the address of
// the previous word's name length field), the name length field (1 byte,
// the length in its low 6 bits) and the code field. The walk follows the
// links while they point into the block; the first word's link points below
// it, into the machine's own dictionary. A link that does not point to an
// older word (one lower in memory), or a name that does not fit, ends the
// walk with a problem.
[[nodiscard]] TextView ListAceWords(std::span<const std::uint8_t> header,
                                    std::span<const std::uint8_t> data);

} // namespace bitreel::view
