// What a row's block derives from its stored bytes.
#include "tape/ImageBlock.h"

#include "tape/formats/BlockReader.h"

#include <array>

namespace bitreel {

std::string_view BlockKindName(BlockKind kind) noexcept {
    // In the order of BlockKind.
    constexpr std::array<std::string_view, 7> Names = {"header",  "data",    "empty", "unknown",
                                                       "corrupt", "skipped", "stop"};
    return Names.at(static_cast<std::size_t>(kind));
}

bool ImageBlock::Sent() const noexcept {
    return kind != BlockKind::Corrupt && kind != BlockKind::Skipped && kind != BlockKind::Stop;
}

std::optional<std::uint8_t> ImageBlock::Flag() const noexcept {
    if (!Sent() || stored.size() <= 2) {
        return std::nullopt;
    }
    return stored[2];
}

std::optional<std::int32_t> ImageBlock::Length() const noexcept {
    if (!Sent()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(stored.size()) - 2;
}

TapeBlock ImageBlock::Frame() const {
    TapeBlock frame;
    FrameFromBody(BlockBody(stored), frame);
    return frame;
}

} // namespace bitreel
