// The rows a command starts and ends at.
#include "cli/options/RowRange.h"

#include "cli/options/RowNumbers.h"

namespace bitreel::cli {

RowRangeOptions AddRowRangeOptions(QCommandLineParser& parser, const QString& verb) {
    const QString firstRow = QString::number(RowNumberOf(0));
    RowRangeOptions options{
        {QStringLiteral("from"),
         QStringLiteral("The row to start from; rows count from %1 (default %1).").arg(firstRow),
         QStringLiteral("ROW"), firstRow},
        {QStringLiteral("to"), QStringLiteral("The last row to %1 (default the end).").arg(verb),
         QStringLiteral("ROW")},
    };
    parser.addOption(options.from);
    parser.addOption(options.to);
    return options;
}

RowRange ReadRowRange(const QCommandLineParser& parser, const RowRangeOptions& options,
                      std::string_view file, std::size_t rowCount) {
    RowRange range;
    const auto rows = static_cast<long long>(rowCount);
    const QString fromText = parser.value(options.from);
    const std::optional<int> from = RowIndexOf(fromText);
    if (!from || (*from > 0 && *from >= rows)) {
        range.error =
            "--from " + fromText.toStdString() + ": " + NoSuchRow(fromText, file, rowCount);
        return range;
    }
    range.from = static_cast<std::size_t>(*from);
    if (!parser.isSet(options.to)) {
        return range;
    }
    const QString toText = parser.value(options.to);
    const std::optional<int> to = RowIndexOf(toText);
    if (!to || *to >= rows) {
        range.error = "--to " + toText.toStdString() + ": " + NoSuchRow(toText, file, rowCount);
    } else if (*to < *from) {
        range.error =
            "--to " + toText.toStdString() + " comes before --from " + fromText.toStdString();
    } else {
        range.to = static_cast<std::size_t>(*to);
    }
    return range;
}

} // namespace bitreel::cli
