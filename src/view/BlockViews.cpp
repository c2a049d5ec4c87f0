#include "view/BlockViews.h"

#include "tape/HeaderFields.h"
#include "tape/formats/ByteCursor.h"
#include "view/AceDictionary.h"
#include "view/basic/BasicListing.h"
#include "view/basic/SpectrumArrays.h"
#include "view/screen/ScreenImage.h"

namespace bitreel::view {

namespace {

enum SpectrumType : std::uint8_t { Program = 0, NumberArray = 1, CharArray = 2, Code = 3 };

bool IsSpectrumHeader(std::optional<std::span<const std::uint8_t>> header) {
    return header && header->size() == SpectrumHeaderBytes;
}

} // namespace

std::vector<BlockView> FittingViews(MachineKind machine,
                                    std::optional<std::span<const std::uint8_t>> header,
                                    std::span<const std::uint8_t> data) {
    std::vector<BlockView> views;
    if (machine == MachineKind::JupiterAce) {
        if (header && header->size() == AceHeaderBytes &&
            (*header)[HeaderTypeAt] == AceDictionaryType) {
            views.push_back(BlockView::Words);
        }
        return views;
    }
    bool screen = data.size() == ScreenBytes;
    if (IsSpectrumHeader(header)) {
        switch ((*header)[HeaderTypeAt]) {
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
            screen = screen || (Le16At(*header, HeaderParam1At) == ScreenAddress &&
                                Le16At(*header, HeaderDataLengthAt) == ScreenBytes);
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
            return ListBasic(data, *Le16At(*header, HeaderParam2At)).Text();
        }
        break;
    case BlockView::NumberArray:
    case BlockView::CharArray:
        if (IsSpectrumHeader(header)) {
            const bool characters = view == BlockView::CharArray;
            const auto name = ArrayName((*header)[HeaderVariableAt], characters);
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
