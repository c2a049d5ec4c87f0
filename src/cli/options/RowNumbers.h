#pragma once

#include "tape/TapeImage.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace bitreel::cli {

// The index of the row a typed number names; none when the text is no row
// number, 0 included.
[[nodiscard]] inline std::optional<int> RowIndexOf(const QString& text) {
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < FirstRowNumber) {
        return std::nullopt;
    }
    return static_cast<int>(number - FirstRowNumber);
}

// Why a typed number names no row of a file, after "--from 0: ":
// "rows count from 1; GAME.TAP has rows 1 to 4".
[[nodiscard]] inline std::string NoSuchRow(const QString& text, std::string_view file,
                                           std::size_t rowCount) {
    bool ok = false;
    const long long number = text.toLongLong(&ok);
    std::string reason = ok && number < FirstRowNumber
                             ? "rows count from " + std::to_string(FirstRowNumber) + "; "
                             : std::string();
    reason += file;
    if (rowCount == 0) {
        return reason + " has no rows";
    }
    return reason + " has rows " + RowNumberText(0) + " to " +
           RowNumberText(static_cast<long long>(rowCount) - 1);
}

} // namespace bitreel::cli
