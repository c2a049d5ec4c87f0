#pragma once

// Which looks inside a block fit it, from its header: what the inspector
// and the command line offer beside the hex dump, which fits every block.

#include "tape/TapeLayout.h"
#include "tape/formats/BlockReader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bitreel::view {

enum class BlockView {
    Basic,       // Spectrum Program header's data: ListBasic
    NumberArray, // Spectrum Number Array header's data: ListNumberArray
    CharArray,   // Spectrum Char Array header's data: ListCharArray
    Screen,      // any 6912-byte Spectrum data, or a Code header at 16384 of 6912: RenderScreen
    Words,       // Jupiter Ace Dictionary header's data: ListAceWords
};

// The frame's body and payload, as the tape library cuts them.
using bitreel::BlockBody;
using bitreel::BlockPayload;

// The views that fit a data payload, given the payload of the header block
// before it when there is one (a Spectrum header of 17 bytes, a Jupiter Ace
// header of 25). Empty when nothing but hex fits.
[[nodiscard]] std::vector<BlockView>
FittingViews(MachineKind machine, std::optional<std::span<const std::uint8_t>> header,
             std::span<const std::uint8_t> data);

// The text of a text view (every view but Screen) of the data under the
// header; an empty text for Screen, or when the header does not fit the view.
[[nodiscard]] std::string ViewText(BlockView view,
                                   std::optional<std::span<const std::uint8_t>> header,
                                   std::span<const std::uint8_t> data);

} // namespace bitreel::view
