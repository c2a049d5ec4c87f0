#include "view/basic/SpectrumArrays.h"

#include "tape/formats/ByteCursor.h"
#include "view/basic/SpectrumNumber.h"
#include "view/basic/SpectrumText.h"

#include <vector>

namespace bitreel::view {

namespace {

constexpr std::size_t kNumberSize = 5;

// "(1,2) " for the leading indices of row number row; empty for one dimension.
std::string RowPrefix(const std::vector<std::uint16_t>& dims, std::size_t row) {
    if (dims.size() < 2) {
        return {};
    }
    std::vector<std::size_t> indices(dims.size() - 1);
    for (std::size_t i = indices.size(); i-- > 0;) {
        indices[i] = row % dims[i] + 1;
        row /= dims[i];
    }
    std::string prefix = "(";
    for (std::size_t i = 0; i < indices.size(); ++i) {
        prefix += (i > 0 ? "," : "") + std::to_string(indices[i]);
    }
    return prefix + ") ";
}

template <typename ListRow>
TextView ListArray(std::span<const std::uint8_t> data, std::string_view name,
                   std::size_t elementSize, ListRow listRow) {
    TextView view;
    ByteCursor cursor(data);
    const auto count = cursor.U8();
    if (!count) {
        view.problems.push_back("the array " + std::string(name) + " has no dimensions byte");
        return view;
    }
    std::vector<std::uint16_t> dims;
    std::string heading = std::string(name) + "(";
    for (int i = 0; i < *count; ++i) {
        const auto dim = cursor.U16();
        if (!dim) {
            view.problems.push_back("the array " + std::string(name) + " is cut short in its " +
                                    std::to_string(*count) + " dimensions");
            return view;
        }
        dims.push_back(*dim);
        heading += (i > 0 ? "," : "") + std::to_string(*dim);
    }
    view.lines.push_back(heading + ")");
    if (dims.empty()) {
        view.problems.push_back("the array " + std::string(name) + " has no dimensions");
        return view;
    }
    // Counted with a ceiling, so that no product of dimensions can overflow.
    constexpr std::uint64_t kCeiling = std::uint64_t{1} << 32;
    std::uint64_t elements = 1;
    for (const auto dim : dims) {
        elements = dim == 0 ? 0 : std::min(kCeiling, elements * dim);
    }
    const std::size_t available = cursor.Left() / elementSize;
    const std::size_t rowLength = dims.back();
    const auto present = static_cast<std::size_t>(std::min<std::uint64_t>(elements, available));
    for (std::size_t first = 0, row = 0; first < present; first += rowLength, ++row) {
        const std::size_t length = std::min(rowLength, present - first);
        const auto bytes = *cursor.Bytes(length * elementSize);
        view.lines.push_back("  " + RowPrefix(dims, row) + listRow(bytes));
    }
    if (present < elements) {
        view.problems.push_back("the array " + std::string(name) + " holds " +
                                std::to_string(present) + " elements where its dimensions need " +
                                (elements == kCeiling ? "more" : std::to_string(elements)));
    }
    return view;
}

} // namespace

TextView ListNumberArray(std::span<const std::uint8_t> data, std::string_view name) {
    return ListArray(data, name, kNumberSize, [](std::span<const std::uint8_t> row) {
        std::string text;
        for (std::size_t i = 0; i < row.size(); i += kNumberSize) {
            text += (i > 0 ? ", " : "") +
                    FormatSpectrumNumber(DecodeSpectrumNumber(row.subspan(i).first<kNumberSize>()));
        }
        return text;
    });
}

TextView ListCharArray(std::span<const std::uint8_t> data, std::string_view name) {
    return ListArray(data, name, 1, [](std::span<const std::uint8_t> row) {
        SpectrumText text;
        for (std::size_t pos = 0; pos < row.size();) {
            pos = text.Put(row, pos);
        }
        return "\"" + text.Take() + "\"";
    });
}

std::string ArrayName(std::uint8_t variableByte, bool characters) {
    std::string name(1, static_cast<char>(0x60 | (variableByte & 0x1F)));
    return characters ? name + "$" : name;
}

} // namespace bitreel::view
