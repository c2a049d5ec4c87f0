#include "view/BlockViews.h"

#include "tape/ByteCursor.h"
#include "view/AceDictionary.h"
#include "view/BasicListing.h"
#include "view/ScreenImage.h"
#include "view/SpectrumArrays.h"

namespace bitreel::view {

namespace {

constexpr std::size_t kSpectrumHeaderBytes = 17;
constexpr std::size_t kLengthField = 2;

// Spectrum header payload fields.
constexpr std::size_t kDataLength = 11;
constexpr std::size_t kParameter1 = 13;
constexpr std::size_t kVariableByte = 14;
constexpr std::size_t kParameter2 = 15;

enum SpectrumType : std::uint8_t { Program = 0, NumberArray = 1, CharArray = 2, Code = 3 };
constexpr std::uint8_t kAceDictionary = 0;

bool IsSpectrumHeader(std::optional<std::span<const std::uint8_t>> header) {
    return header && header->size() == kSpectrumHeaderBytes;
}

} // namespace

std::span<const std::uint8_t> BlockBody(std::span<const std::uint8_t> bytes) noexcept {
    return bytes.size() > kLengthField ? bytes.subspan(kLengthField)
                                       : std::span<const std::uint8_t>{};
}

std::span<const std::uint8_t> BlockPayload(std::span<const std::uint8_t> bytes) noexcept {
    const auto body = BlockBody(bytes);
    return body.size() > 2 ? body.subspan(1, body.size() - 2) : std::span<const std::uint8_t>{};
}

std::vector<BlockView> FittingViews(MachineKind machine,
                                    std::optional<std::span<const std::uint8_t>> header,
                                    std::span<const std::uint8_t> data) {
    std::vector<BlockView> views;
    if (machine == MachineKind::JupiterAce) {
        if (header && header->size() == AceHeaderBytes && (*header)[0] == kAceDictionary) {
            views.push_back(BlockView::Words);
        }
        return views;
    }
    bool screen = data.size() == ScreenBytes;
    if (IsSpectrumHeader(header)) {
        switch ((*header)[0]) {
        case Program:
            views.push_back(BlockView::Basic);
            break;
        case NumberArray:
            views.push_back(BlockView::NumberArray);
            break;
        case CharArray:
            views.push_back(BlockView::CharArray);
            break;
        case Code:
            screen = screen || (Le16At(*header, kParameter1) == ScreenAddress &&
                                Le16At(*header, kDataLength) == ScreenBytes);
            break;
        default:
            break;
        }
    }
    if (screen && data.size() == ScreenBytes) {
        views.push_back(BlockView::Screen);
    }
    return views;
}

std::string ViewText(BlockView view, std::optional<std::span<const std::uint8_t>> header,
                     std::span<const std::uint8_t> data) {
    switch (view) {
    case BlockView::Basic:
        if (IsSpectrumHeader(header)) {
            return ListBasic(data, *Le16At(*header, kParameter2)).Text();
        }
        break;
    case BlockView::NumberArray:
    case BlockView::CharArray:
        if (IsSpectrumHeader(header)) {
            const bool characters = view == BlockView::CharArray;
            const auto name = ArrayName((*header)[kVariableByte], characters);
            return (characters ? ListCharArray(data, name) : ListNumberArray(data, name)).Text();
        }
        break;
    case BlockView::Words:
        if (header) {
            return ListAceWords(*header, data).Text();
        }
        break;
    case BlockView::Screen:
        break;
    }
    return {};
}

} // namespace bitreel::view
