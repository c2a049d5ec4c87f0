#pragma once

#include "tape/ListedBlock.h"

#include <QJsonObject>

#include <string_view>
#include <vector>

namespace bitreel::cli {

// One listed block as JSON: index, row, kind, flag, length, checksum, header.
[[nodiscard]] QJsonObject BlockJson(int index, const ListedBlock& block);

// One file's listing: its name as given, the machine and layout it was read
// in, and its blocks.
[[nodiscard]] QJsonObject FileJson(std::string_view file, std::string_view layout,
                                   const std::vector<ListedBlock>& blocks);

// "good", "replaced", "damaged".
[[nodiscard]] std::string_view VerdictName(ChecksumVerdict verdict) noexcept;

} // namespace bitreel::cli
