#pragma once

#include <QString>

#include <filesystem>
#include <string>

namespace bitreel::cli {

// The name as the user gave it, for messages.
[[nodiscard]] inline std::string Shown(const QString& argument) {
    return argument.toStdString();
}

} // namespace bitreel::cli
