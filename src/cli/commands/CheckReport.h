#pragma once

#include "serial/AdapterInfo.h"
#include "serial/CheckItem.h"
#include "serial/LineWatch.h"
#include "serial/LoopbackTest.h"

#include <QJsonObject>

#include <optional>
#include <string>
#include <vector>

namespace bitreel::cli {

// Everything a run of `bitreel check` found.
struct CheckRun {
    std::string port; // as given
    AdapterInfo adapter;
    // The watch: the levels first and last, and each change between.
    std::optional<InputLines> linesFirst;
    std::optional<InputLines> linesLast;
    std::vector<LineChange> changes;
    // The loopback data item's figures.
    std::optional<DataFigures> data;
    std::vector<CheckItem> items;
};

// "  label           value", the value's column the same for every field.
[[nodiscard]] std::string FieldText(const std::string& label, const std::string& value);
// The adapter's lines of the text report, with the chip note when there is one.
[[nodiscard]] std::string AdapterText(const AdapterInfo& adapter);
// "CTS asserted, DSR low, DCD low", or why they cannot be told.
[[nodiscard]] std::string LinesText(const std::optional<InputLines>& lines);
// "   1.84 s  CTS low".
[[nodiscard]] std::string ChangeText(const LineChange& change);
// One line per item, a failure's meaning on the line after it.
[[nodiscard]] std::string ItemsText(const std::vector<CheckItem>& items);

// One object: the port, the adapter's fields, the lines, the changes, the
// data figures and each item's result.
[[nodiscard]] QJsonObject CheckJson(const CheckRun& run);

// Whether an item failed: the exit status then says so.
[[nodiscard]] bool AnyFailed(const std::vector<CheckItem>& items);

} // namespace bitreel::cli
