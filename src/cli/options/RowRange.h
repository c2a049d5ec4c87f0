#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace bitreel::cli {

// --from ROW and --to ROW, rows counted from 1 as people count them.
struct RowRangeOptions {
    QCommandLineOption from;
    QCommandLineOption to;
};

// Adds the two options; verb says what is done with the rows ("play").
[[nodiscard]] RowRangeOptions AddRowRangeOptions(QCommandLineParser& parser, const QString& verb);

// The row indexes the options name in a file of rowCount rows; the error,
// after "--from 0: " or the like, when they name none. The first row is no
// error in a file without rows: nothing is done then.
struct RowRange {
    std::size_t from = 0;
    std::optional<std::size_t> to;
    std::string error;
};
[[nodiscard]] RowRange ReadRowRange(const QCommandLineParser& parser,
                                    const RowRangeOptions& options, std::string_view file,
                                    std::size_t rowCount);

} // namespace bitreel::cli
