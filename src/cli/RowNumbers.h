#pragma once

#include <QString>

#include <optional>
#include <string>

namespace bitreel::cli {

// The number the command line gives the first row of a file (play's --from
// and --to); every conversion between a row's number and its index is here.
inline constexpr int FirstRowNumber = 0;

// The index of the row a number names; none when the text is no row number.
[[nodiscard]] inline std::optional<int> RowIndexOf(const QString& text) {
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < FirstRowNumber) {
        return std::nullopt;
    }
    return number - FirstRowNumber;
}

[[nodiscard]] inline std::string RowNumberText(int index) {
    return std::to_string(index + FirstRowNumber);
}

// "rows 0 to 3" for a file of 4 rows.
[[nodiscard]] inline std::string RowRangeText(int rowCount) {
    return "rows " + RowNumberText(0) + " to " + RowNumberText(rowCount - 1);
}

} // namespace bitreel::cli
