// The pulses of each PZX block.
#include "pulses/RowPulseReaders.h"
#include "tape/formats/ByteCursor.h"

#include <algorithm>
#include <string_view>

namespace bitreel {
namespace {

using Span = std::span<const std::uint8_t>;
using Kind = PulseStep::Kind;

constexpr std::uint32_t Low31Bits = 0x7FFFFFFF;

bool Is(Span tag, std::string_view name) {
    return std::equal(tag.begin(), tag.end(), name.begin(), name.end());
}

Level LevelOfTopBit(std::uint32_t word) {
    return (word >> 31) != 0 ? Level::High : Level::Low;
}

// Initial level and bit count, tail, the two patterns' sizes and pulses,
// then the bits. A block that runs short plays nothing.
void Data(Span body, RowPulses& row) {
    ByteCursor in(body);
    const auto count = in.U32();
    const auto tail = in.U16();
    const auto zeroPulses = in.U8();
    const auto onePulses = in.U8();
    const auto zeros = zeroPulses ? in.Bytes(2 * std::size_t{*zeroPulses}) : std::nullopt;
    const auto ones = onePulses ? in.Bytes(2 * std::size_t{*onePulses}) : std::nullopt;
    const std::uint32_t bits = count.value_or(0) & Low31Bits;
    const auto data = in.Bytes(bits / 8 + (bits % 8 != 0 ? 1 : 0));
    if (!tail || !zeros || !ones || !data) {
        return;
    }
    row.steps.push_back({.kind = Kind::SetLevel, .level = LevelOfTopBit(*count)});
    row.steps.push_back(
        {.kind = Kind::PatternBits, .count = bits, .data = *data, .zeros = *zeros, .ones = *ones});
    if (*tail != 0) {
        row.steps.push_back({.kind = Kind::Tone, .length = *tail, .count = 1});
    }
}

} // namespace

RowPulses PzxRowPulses(std::span<const std::uint8_t> file, std::size_t offset) {
    RowPulses row;
    ByteCursor in(file.subspan(std::min(offset, file.size())));
    const auto tag = in.Bytes(4);
    const auto size = in.U32();
    const auto body = size ? in.Bytes(*size) : std::nullopt;
    // Only a header of a version this reader knows makes the bytes a PZX image.
    const bool known =
        offset != 0 || (tag && Is(*tag, "PZXT") && body && ByteCursor(*body).U8() == 1);
    if (!tag || !body || !known) {
        row.flow.kind = RowFlow::Kind::Corrupt;
        return row;
    }
    if (Is(*tag, "PULS")) {
        row.steps.push_back({.kind = Kind::PzxPulses, .data = *body});
    } else if (Is(*tag, "DATA")) {
        Data(*body, row);
    } else if (Is(*tag, "PAUS")) {
        const std::uint32_t word = ByteCursor(*body).U32().value_or(0);
        row.steps.push_back(
            {.kind = Kind::Hold, .level = LevelOfTopBit(word), .length = word & Low31Bits});
    } else if (Is(*tag, "STOP")) {
        row.flow.kind = RowFlow::Kind::Stop;
    }
    return row;
}

} // namespace bitreel
