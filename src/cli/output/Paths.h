#pragma once

#include "transfer/FsPath.h"

#include <QString>

#include <string>

namespace bitreel::cli {

// The name as the user gave it, for messages: a byte of it that is not
// UTF-8 shows as U+FFFD.
[[nodiscard]] inline std::string Shown(const QString& argument) {
    return ShownName(argument).toStdString();
}

} // namespace bitreel::cli
